// Replays the inputs of tests/data/fuzz, each of which once crashed, leaked or
// stalled the library: every one must parse, deliver and free cleanly under the
// sanitizers and in bounded time.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "exifkit/exifkit.h"
#include "support/jpegfile.h"
#include "support/recording.h"
#include "support/recordinghandler.h"

namespace exifkit::test {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputs()
{
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(fs::path(EXIFKIT_TEST_DATA) / "fuzz"))
        if (entry.path().filename() != "README")
            found.push_back(entry.path());
    return found;
}

bytes load(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(FuzzRegression, EveryInputParsesAndReadsInBoundedTime)
{
    for (const fs::path& input : inputs()) {
        SCOPED_TRACE(input.filename().string());
        const auto start = std::chrono::steady_clock::now();
        RecordingSink sink;
        RecordingHandler handler;
        bytes data = load(input);
        // An .app1 file is one Exif block: parse it from an exact-size copy, and
        // read it wrapped in a JPEG file. Anything else is a whole file.
        if (input.extension() == ".app1") {
            try {
                exif_info_ptr info(exifparse(data.data(), static_cast<std::uint32_t>(data.size())));
            } catch (const ExifException&) {
            }
            data = JpegFile().soi().app1(data).sos().eoi().data();
        }
        TempFile file(data);
        const int result = readEXIF(file.path());
        EXPECT_TRUE(result == EXIF_OK || result == EXIF_NONE || result == EXIF_READ_FAILED) << result;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    }
}

// One GPS directory fanned out under 63 pointers once gave 340,000
// properties; the entries read from one block are capped.
TEST(FuzzRegression, EntriesOfOneBlockAreCapped)
{
    RecordingSink sink;
    const bytes data = load(fs::path(EXIFKIT_TEST_DATA) / "fuzz" / "gps-fanout.app1");
    exif_info_ptr info(exifparse(data.data(), static_cast<std::uint32_t>(data.size())));
    ASSERT_TRUE(info);
    std::size_t count = 0;
    for (const exif_prop* p = info->props; p; p = p->next)
        ++count;
    EXPECT_EQ(count, 4096u);
    EXPECT_TRUE(sink.has("too many directory entries; ignoring the rest"));
}

}  // namespace
}  // namespace exifkit::test
