// Readers with state of their own, reading from memory, and the value API.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "exif/alloc.h"
#include "exifkit/exifkit.h"
#include "support/corpus.h"
#include "support/exifbuilder.h"
#include "support/jpegfile.h"
#include "support/recording.h"
#include "support/recordinghandler.h"
#include "support/scanning.h"

namespace exifkit::test {
namespace {

bytes makeexif(const std::string& make, int order = ORDER_LITTLE)
{
    TiffBuilder b(order);
    b.ascii(b.dir(), 0x010F, make);
    return b.exif();
}

// Whole files that end every way a read can end: delivered, no Exif, damaged,
// truncated inside a segment, an APP2 reaching past the end, not a JPEG.
std::vector<bytes> endings()
{
    const bytes good = minimaljpeg({makeexif("One"), makeexif("Two", ORDER_BIG)});
    bytes cut(good.begin(), good.end() - 40);
    bytes app2past = JpegFile().soi().app1(makeexif("Three")).data();
    app2past.insert(app2past.end(), {0xFF, 0xE2, 0x10, 0x00, 1, 2, 3});
    return {good,
            minimaljpeg({}),
            JpegFile().soi().raw({0x00, 0x12}).app1(makeexif("Four")).sof0(8, 8, 9).sos().data(),
            cut,
            app2past,
            bytes{'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'},
            bytes{}};
}

bytes slurp(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    bytes data;
    if (!f)
        return data;
    for (int c; (c = std::fgetc(f)) != EOF;)
        data.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
    return data;
}

TEST(ValueApi, MemoryStreamAndFileReadAlike)
{
    std::vector<bytes> inputs = endings();
    for (const std::string& path : corpusfiles())
        inputs.push_back(slurp(path));
    Metadata reused;  // read into again and again, whatever it held before
    for (const bytes& data : inputs) {
        const TempFile file(data);
        const Metadata byname = readMetadata(file.path());
        EXPECT_EQ(readMetadata(data.data(), data.size()), byname) << file.path();
        readMetadata(file.path(), reused);
        EXPECT_EQ(reused, byname);
        std::FILE* stream = std::fopen(file.path(), "rb");
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(readMetadata(stream), byname);
        std::fclose(stream);
    }
}

TEST(ValueApi, CarriesEveryFactOfARead)
{
    const bytes jpeg = JpegFile().soi().raw({0x00}).app1(makeexif("One")).sof0(80, 120).sos().data();
    const Metadata m = readMetadata(jpeg.data(), jpeg.size());
    EXPECT_EQ(m.result, EXIF_OK);
    EXPECT_EQ(m.warnings, (std::vector<Warning>{{"skipped spurious bytes in JPEG", std::nullopt}}));
    EXPECT_EQ(m.frame, (Frame{8, 3, 80, 120}));
    ASSERT_EQ(m.groups.size(), 4u);
    EXPECT_EQ(m.groups[0], (Group{LVL_CAMERA, {{"Equipment Make", "One"}}}));
    EXPECT_EQ(m.groups[3].level, LVL_UNKNOWN);

    const Metadata missing = readMetadata("/nonexistent/photo.jpg");
    EXPECT_EQ(missing.result, EXIF_CANT_OPEN);
    EXPECT_EQ(missing.oserror, ENOENT);
    const bytes bad{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01};
    EXPECT_EQ(readMetadata(bad.data(), bad.size()).error, "Error: invalid JPEG marker (length mismatch)");
}

// Whatever allocation fails, the value comes back and nothing escapes; the
// parse either recovers (a record it could not make) or reports the failure.
TEST(ValueApi, SurvivesEveryAllocationFailure)
{
    const bytes jpeg = minimaljpeg({makeexif("One")});
    for (long n = 0; n < 40; ++n) {
        detail::failallocafter(n);
        const Metadata m = readMetadata(jpeg.data(), jpeg.size());
        detail::failallocafter(-1);
        EXPECT_TRUE(m.result == EXIF_OK || m.result == EXIF_NONE) << n;
        EXPECT_TRUE(!m.error || m.error == "Error: Cannot allocate memory") << n;
    }
}

// A reader reports to its own handler and sink and keeps its own frame and
// trace; the process-wide ones see nothing of it.
TEST(Reader, KeepsItsStateToItself)
{
    RecordingHandler global;
    RecordingSink globalsink;
    const TraceCapture globaltrace;
    const bytes jpeg = JpegFile().soi().raw({0x00}).app1(makeexif("One")).sof0(80, 120).sos().data();

    struct Handler : InfoHandler {
        std::vector<std::string> calls;
        void beginOfInfoType(int) override {}
        void handleInfoWithName(const char* n, const char* v) override { calls.push_back(std::string(n) + "=" + v); }
    } own;
    struct Sink : WarningSink {
        int count = 0;
        void warning(const char*, const char*) override { ++count; }
    } ownsink;
    std::FILE* trace = std::tmpfile();
    ASSERT_NE(trace, nullptr);

    Reader reader;  // the global trace switch is on: the reader ignores it
    reader.setHandler(&own);
    reader.setWarningSink(&ownsink);
    reader.setTrace(true, trace);
    EXPECT_EQ(reader.read(jpeg.data(), jpeg.size()), EXIF_OK);
    EXPECT_EQ(own.calls, (std::vector<std::string>{"Equipment Make=One"}));
    EXPECT_EQ(ownsink.count, 1);
    EXPECT_GT(std::ftell(trace), 0);
    std::fclose(trace);
    int p, c, h, w;
    EXPECT_EQ(reader.frame(&p, &c, &h, &w), 1);
    EXPECT_EQ(h, 80);

    EXPECT_TRUE(global.calls.empty());
    EXPECT_TRUE(globalsink.warnings.empty());
    EXPECT_EQ(globaltrace.text(), "");
    EXPECT_EQ(jpeginfo(&p, &c, &h, &w), 0);

    // And the process-wide reader reads memory as it reads files.
    EXPECT_EQ(readEXIFMemory(jpeg.data(), jpeg.size()), EXIF_OK);
    EXPECT_EQ(global.group(LVL_CAMERA), (std::vector<std::string>{"Equipment Make=One"}));
    EXPECT_EQ(jpeginfo(&p, &c, &h, &w), 1);
}

// A handler may read another file from its callbacks, on the same thread.
TEST(Reader, HandlersMayReadFromTheirCallbacks)
{
    const bytes outer = minimaljpeg({makeexif("Outer")}), inner = minimaljpeg({makeexif("Inner")});
    struct Nesting : InfoHandler {
        const bytes* inner = nullptr;
        std::vector<std::string> seen;
        void beginOfInfoType(int) override
        {
            seen.push_back(readMetadata(inner->data(), inner->size()).groups.at(0).properties.at(0).value);
        }
        void handleInfoWithName(const char*, const char* value) override { seen.push_back(value); }
    } nesting;
    nesting.inner = &inner;
    Reader reader;
    reader.setHandler(&nesting);
    EXPECT_EQ(reader.read(outer.data(), outer.size()), EXIF_OK);
    EXPECT_EQ(nesting.seen, (std::vector<std::string>{"Inner", "Outer", "Inner", "Inner", "Inner"}));
}

// A seekable stream is left just past the start-of-scan marker, as if read
// byte by byte; a pipe, which cannot seek, still has its APP2 passed over.
TEST(Reader, StreamsStandWhereTheHeaderEnds)
{
    const bytes head = JpegFile().soi().app2(bytes(500, 7)).app1(makeexif("One")).sos().data();
    const std::size_t sos = JpegFile().soi().app2(bytes(500, 7)).app1(makeexif("One")).data().size() + 2;
    const TempFile file(head);
    std::FILE* stream = std::fopen(file.path(), "rb");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(readEXIFStream(stream), EXIF_OK);
    EXPECT_EQ(std::ftell(stream), static_cast<long>(sos));
    std::fclose(stream);

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::thread writer([&] {
        std::size_t done = 0;
        while (done < head.size()) {
            const ssize_t n = write(fds[1], head.data() + done, head.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        close(fds[1]);
    });
    std::FILE* piped = fdopen(fds[0], "rb");
    ASSERT_NE(piped, nullptr);
    const Metadata m = readMetadata(piped);
    writer.join();
    std::fclose(piped);
    EXPECT_EQ(m.result, EXIF_OK);
    EXPECT_EQ(m.groups.at(0).properties.at(0).value, "One");
}

}  // namespace
}  // namespace exifkit::test
