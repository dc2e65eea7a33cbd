#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exif/alloc.h"
#include "exifkit/exifkit.h"
#include "support/exifbuilder.h"
#include "support/jpegfile.h"
#include "support/recording.h"
#include "support/recordinghandler.h"

namespace exifkit::test {
namespace {

using strings = std::vector<std::string>;

const strings EMPTY_ROUND = {"begin 2", "begin 4", "begin 8", "begin 1"};

bytes makemodel(int order = ORDER_LITTLE)
{
    TiffBuilder b(order);
    const int ifd0 = b.dir();
    b.ascii(ifd0, 0x010F, "Canon").ascii(ifd0, 0x0110, "Canon EOS 40D");
    return b.exif();
}

int read(const JpegFile& jpeg)
{
    TempFile file(jpeg.data());
    return readEXIF(file.path());
}

class ReadExif : public ::testing::Test {
protected:
    RecordingHandler handler;
    RecordingSink sink;
};

TEST_F(ReadExif, MissingFileIsCode1AndSendsNothing)
{
    EXPECT_EQ(readEXIF("/nonexistent/dir/photo.jpg"), EXIF_CANT_OPEN);
    EXPECT_EQ(readEXIF(nullptr), EXIF_CANT_OPEN);
    EXPECT_TRUE(handler.calls.empty());
}

TEST_F(ReadExif, DeliversFourGroupsInOrder)
{
    for (int order : {ORDER_LITTLE, ORDER_BIG}) {
        handler.calls.clear();
        EXPECT_EQ(read(JpegFile().soi().app1(makemodel(order)).sos().eoi()), EXIF_OK);
        EXPECT_EQ(handler.calls, (strings{"begin 2", "Equipment Make=Canon", "Camera Model=Canon EOS 40D",
                                          "begin 4", "begin 8", "begin 1"}));
    }
}

TEST_F(ReadExif, NoExifDataIsCode2)
{
    // No APP1 at all; an APP1 that is not Exif; an Exif block with an empty IFD0.
    TiffBuilder empty;
    empty.dir();
    const bytes notexif{'h', 't', 't', 'p', ':', '/', '/', 0};
    for (const JpegFile& jpeg : {JpegFile().soi().sof0(8, 8).sos().eoi(),
                                 JpegFile().soi().app1(notexif).sos().eoi(),
                                 JpegFile().soi().app1(empty.exif()).sos().eoi()}) {
        handler.calls.clear();
        EXPECT_EQ(read(jpeg), EXIF_NONE);
        EXPECT_TRUE(handler.calls.empty());
    }
    EXPECT_TRUE(sink.errors.empty());
}

TEST_F(ReadExif, EveryExifSegmentIsDeliveredAndApp2Skipped)
{
    const bytes icc(300, 0xAB);
    EXPECT_EQ(read(JpegFile().soi().app2(icc).app1(makemodel()).app2(icc).app1(makemodel(ORDER_BIG)).sos()),
              EXIF_OK);
    EXPECT_EQ(handler.group(LVL_CAMERA), (strings{"Equipment Make=Canon", "Camera Model=Canon EOS 40D",
                                                 "Equipment Make=Canon", "Camera Model=Canon EOS 40D"}));
}

TEST_F(ReadExif, FatalErrorsAreCode2WithTheirReason)
{
    struct Case {
        bytes file;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {{'I', 'I', 42, 0, 0xFF, 0x00, 1, 2}, "Error: start of image not found"},
        {{'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'}, "Error: invalid JPEG format"},
        {{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01}, "Error: invalid JPEG marker (length mismatch)"},
    };
    for (const Case& c : cases) {
        sink.errors.clear();
        TempFile file(c.file);
        EXPECT_EQ(readEXIF(file.path()), EXIF_NONE);
        EXPECT_EQ(sink.errors, strings{c.reason});
        // The reason is reported as the error, never as a warning.
        for (const auto& w : sink.warnings)
            EXPECT_NE(w.first, c.reason);
    }
    EXPECT_TRUE(handler.calls.empty());
}

TEST_F(ReadExif, FatalErrorAfterADeliveryKeepsWhatWasDelivered)
{
    // The file ends inside a segment skipped after the Exif block.
    bytes tail{0xFF, 0xDB, 0x00, 0x40, 1, 2, 3};
    EXPECT_EQ(read(JpegFile().soi().app1(makemodel()).raw(tail)), EXIF_NONE);
    EXPECT_EQ(handler.group(LVL_CAMERA).size(), 2u);
    EXPECT_EQ(sink.errors, strings{"Error: invalid JPEG format"});
}

TEST_F(ReadExif, TruncatedApp1IsCode2BeforeAndCode3AfterADelivery)
{
    bytes truncated{0xFF, 0xE1, 0x10, 0x00, 'E', 'x', 'i', 'f', 0, 0};
    EXPECT_EQ(read(JpegFile().soi().raw(truncated)), EXIF_NONE);
    EXPECT_EQ(read(JpegFile().soi().app1(makemodel()).raw(truncated)), EXIF_READ_FAILED);
    EXPECT_TRUE(sink.errors.empty());
}

TEST_F(ReadExif, StreamOpenedByTheCaller)
{
    const bytes data = JpegFile().soi().app1(makemodel()).sos().data();
    std::FILE* f = fmemopen(const_cast<unsigned char*>(data.data()), data.size(), "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(readEXIFStream(f), EXIF_OK);
    std::fclose(f);
    EXPECT_EQ(handler.group(LVL_CAMERA).size(), 2u);
}

TEST_F(ReadExif, FrameOfTheCurrentFileOnly)
{
    int p = 0, c = 0, h = 0, w = 0;
    EXPECT_EQ(read(JpegFile().soi().app1(makemodel()).sof0(68, 100).sos()), EXIF_OK);
    EXPECT_EQ(jpeginfo(&p, &c, &h, &w), 1);
    EXPECT_EQ((std::vector<int>{p, c, h, w}), (std::vector<int>{8, 3, 68, 100}));
    // A file without a frame header, and one that cannot be opened, forget it.
    read(JpegFile().soi().app1(makemodel()).sos());
    EXPECT_EQ(jpeginfo(&p, &c, &h, &w), 0);
    read(JpegFile().soi().sof0(68, 100).sos());
    readEXIF("/nonexistent/photo.jpg");
    EXPECT_EQ(jpeginfo(&p, &c, &h, &w), 0);
}

TEST_F(ReadExif, WithoutHandlerStillReturnsItsCode)
{
    setEXIFInfoHandler(nullptr);
    EXPECT_EQ(read(JpegFile().soi().app1(makemodel()).sos()), EXIF_OK);
    EXPECT_TRUE(handler.calls.empty());
}

TEST_F(ReadExif, AllocationFailuresEndTheFileCleanly)
{
    // Walk every allocation of a file with several directories: each failure is
    // a fatal error (code 2 with the system's text), never a crash or a leak.
    TiffBuilder b;
    const int ifd0 = b.dir(), exif = b.dir(), gps = b.dir();
    b.ascii(ifd0, 0x010F, "Canon").ascii(ifd0, 0x0110, "Model").pointer(ifd0, 0x8769, exif);
    b.pointer(ifd0, 0x8825, gps).rationals(exif, 0x829A, {{1, 125}}).shorts(exif, 0x9209, {0x19});
    b.rationals(gps, 0x0002, {{37, 1}, {465, 10}, {0, 1}}).field(gps, 0x0001, 2, 2, {'N'});
    const bytes jpeg = JpegFile().soi().app1(b.exif()).sos().data();
    TempFile file(jpeg);
    int code = EXIF_NONE;
    for (long n = 0; code != EXIF_OK && n < 1000; n++) {
        sink.errors.clear();
        detail::failallocafter(n);
        code = readEXIF(file.path());
        detail::failallocafter(-1);
        if (code != EXIF_OK) {
            EXPECT_EQ(code, EXIF_NONE);
            if (n > 0) {
                EXPECT_EQ(sink.errors, strings{"Error: Cannot allocate memory"}) << n;
            }
        }
    }
    EXPECT_EQ(code, EXIF_OK);
}

TEST(PrintProps, LevelsAreSettledOnTheFirstPass)
{
    RecordingHandler handler;
    exif_prop props[5] = {};
    const std::uint16_t levels[] = {LVL_PAS, LVL_OVERRIDE, LVL_BAD, LVL_CAMERA | LVL_IMAGE, 0};
    const char* names[] = {"pas", "override", "bad", "combined", "zero"};
    for (int i = 0; i < 5; i++) {
        props[i].lvl = levels[i];
        props[i].name = names[i];
        props[i].value = 0xFFFFFFFF;
        props[i].next = i < 4 ? &props[i + 1] : nullptr;
    }
    props[1].descr = "Described";
    for (int level : {LVL_CAMERA, LVL_IMAGE, LVL_VERBOSE, LVL_UNKNOWN})
        printprops(props, level, 1);
    EXPECT_EQ(handler.calls, (strings{"begin 2", "pas=-1", "begin 4", "begin 8", "Described=-1", "bad=-1",
                                      "begin 1"}));
    EXPECT_EQ(props[0].lvl, LVL_CAMERA);

    props[0].lvl = LVL_PAS;
    handler.calls.clear();
    printprops(props, LVL_IMAGE, 0);
    EXPECT_EQ(handler.calls, (strings{"begin 4", "pas=-1"}));
}

}  // namespace
}  // namespace exifkit::test
