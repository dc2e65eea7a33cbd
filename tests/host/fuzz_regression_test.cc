// Replays the inputs of tests/data/fuzz, each of which once crashed, leaked or
// stalled the library: every file must parse, deliver and free cleanly under
// the sanitizers and in bounded time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "exifkit/exifkit.h"
#include "support/recording.h"

namespace exifkit::test {
namespace {

namespace fs = std::filesystem;
using bytes = std::vector<unsigned char>;
using clock_type = std::chrono::steady_clock;

// Far beyond what any of these inputs takes once fixed, far below what they
// took before.
constexpr auto TIME_LIMIT = std::chrono::seconds(20);

// Counts what is delivered and reads every text, so that the sanitizers see
// any text that is not a valid string.
class CountingHandler : public InfoHandler {
public:
    CountingHandler() { setEXIFInfoHandler(this); }
    ~CountingHandler() override { setEXIFInfoHandler(nullptr); }
    CountingHandler(const CountingHandler&) = delete;
    CountingHandler& operator=(const CountingHandler&) = delete;

    void beginOfInfoType(int level) override { levels.push_back(level); }
    void handleInfoWithName(const char* name, const char* value) override
    {
        ASSERT_NE(name, nullptr);
        ASSERT_NE(value, nullptr);
        characters += std::strlen(name) + std::strlen(value);
        ++properties;
    }

    std::vector<int> levels;
    std::size_t properties = 0;
    std::size_t characters = 0;
};

std::vector<fs::path> regression_inputs()
{
    std::vector<fs::path> inputs;
    for (const auto& entry : fs::directory_iterator(fs::path(EXIFKIT_TEST_DATA) / "fuzz"))
        if (entry.is_regular_file() && entry.path().filename() != "README")
            inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

bytes load(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool is_exif_block(const bytes& data)
{
    return data.size() >= 6 && std::memcmp(data.data(), "Exif\0\0", 6) == 0;
}

// SOI, one APP1 segment holding the block, EOI.
bytes wrap_in_jpeg(const bytes& block)
{
    const std::size_t length = block.size() + 2;
    bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE1, static_cast<unsigned char>(length >> 8),
                  static_cast<unsigned char>(length & 0xFF)};
    jpeg.insert(jpeg.end(), block.begin(), block.end());
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    return jpeg;
}

std::size_t text_length(const char* text)
{
    return text ? std::strlen(text) : 0;
}

// Parses the bytes from an exact-size heap copy, so that ASan catches a read
// past the end, and reads every text of the result.
void parse_and_walk(const bytes& data)
{
    auto copy = std::make_unique<unsigned char[]>(std::max<std::size_t>(data.size(), 1));
    std::copy(data.begin(), data.end(), copy.get());
    try {
        exif_info_ptr info(exifparse(copy.get(), static_cast<std::uint32_t>(data.size())));
        volatile std::size_t characters = 0;
        for (const exif_prop* p = info ? info->props : nullptr; p; p = p->next)
            characters = characters + text_length(p->name) + text_length(p->descr) + text_length(p->str);
    } catch (const ExifException& e) {
        EXPECT_EQ(std::strncmp(e.reason(), "Error: ", 7), 0) << e.reason();
    }
}

int read_from_memory(const bytes& file)
{
    std::FILE* stream = std::tmpfile();
    if (!stream)
        ADD_FAILURE() << "cannot create a temporary file";
    if (!stream)
        return -1;
    std::fwrite(file.data(), 1, file.size(), stream);
    std::rewind(stream);
    const int result = readEXIFStream(stream);
    std::fclose(stream);
    return result;
}

void expect_valid_reading(int result, const CountingHandler& handler)
{
    EXPECT_GE(result, EXIF_OK);
    EXPECT_LE(result, EXIF_NO_MEMORY);
    // Groups come in rounds of four: camera, image, other, unsupported.
    ASSERT_EQ(handler.levels.size() % 4, 0u);
    for (std::size_t i = 0; i < handler.levels.size(); i += 4)
        EXPECT_EQ(std::vector<int>(handler.levels.begin() + static_cast<std::ptrdiff_t>(i),
                                   handler.levels.begin() + static_cast<std::ptrdiff_t>(i + 4)),
                  (std::vector<int>{LVL_CAMERA, LVL_IMAGE, LVL_VERBOSE, LVL_UNKNOWN}));
}

class FuzzRegression : public ::testing::TestWithParam<fs::path> {
protected:
    RecordingSink sink;
    clock_type::time_point start = clock_type::now();

    void TearDown() override { EXPECT_LT(clock_type::now() - start, TIME_LIMIT); }
};

TEST_P(FuzzRegression, ParsesAsABlock)
{
    parse_and_walk(load(GetParam()));
}

TEST_P(FuzzRegression, ReadsAsAFile)
{
    CountingHandler handler;
    const int result = readEXIF(GetParam().c_str());
    expect_valid_reading(result, handler);
}

TEST_P(FuzzRegression, ReadsABlockWrappedInAJpegFile)
{
    const bytes data = load(GetParam());
    if (!is_exif_block(data) || data.size() > 0xFFFF - 2)
        GTEST_SKIP() << "not a single Exif block";
    CountingHandler handler;
    const int result = read_from_memory(wrap_in_jpeg(data));
    expect_valid_reading(result, handler);
}

std::string test_name(const ::testing::TestParamInfo<fs::path>& info)
{
    std::string name = info.param.filename().string();
    const auto punctuation = [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); };
    std::replace_if(name.begin(), name.end(), punctuation, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzRegression, ::testing::ValuesIn(regression_inputs()), test_name);

// The input that once stalled the library: one directory fanned out under 63
// pointers. The entries read are capped, so the work is bounded.
TEST(FuzzRegressionFanOut, EntriesOfOneBlockAreCapped)
{
    RecordingSink sink;
    const bytes data = load(fs::path(EXIFKIT_TEST_DATA) / "fuzz" / "gps-fanout.app1");
    ASSERT_TRUE(is_exif_block(data));
    exif_info_ptr info(exifparse(data.data(), static_cast<std::uint32_t>(data.size())));
    ASSERT_TRUE(info);
    std::size_t count = 0;
    for (const exif_prop* p = info->props; p; p = p->next)
        ++count;
    EXPECT_GT(count, 1000u);
    EXPECT_LE(count, 4096u);
    EXPECT_TRUE(sink.has("too many directory entries; ignoring the rest"));
}

}  // namespace
}  // namespace exifkit::test
