#include "exifkit/jpeg.h"

#include "exifkit/errors.h"
#include "support/recording.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace exifkit {
namespace {

using Bytes = std::vector<unsigned char>;
using Strings = std::vector<std::string>;
using Ints = std::vector<int>;

const Ints noFrame{0, 0, 0, 0, 0};

const std::string notJpeg = "doesn't appear to be a JPEG file; searching for start of image";
const std::string spurious = "skipped spurious bytes in JPEG";

// Builds a JPEG byte stream piece by piece.
struct Jpeg {
    Bytes bytes;

    Jpeg& raw(std::initializer_list<unsigned char> more)
    {
        bytes.insert(bytes.end(), more);
        return *this;
    }
    Jpeg& marker(unsigned char code) { return raw({0xFF, code}); }
    Jpeg& length(unsigned int field) { return raw({static_cast<unsigned char>(field >> 8), static_cast<unsigned char>(field)}); }
    Jpeg& segment(unsigned char code, const Bytes& data)
    {
        marker(code).length(static_cast<unsigned int>(data.size() + 2));
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }
    Jpeg& sof(unsigned char code, unsigned int lengthField, int components)
    {
        marker(code).length(lengthField).raw({8, 0x01, 0xE0, 0x02, 0x80, static_cast<unsigned char>(components)});
        bytes.insert(bytes.end(), static_cast<std::size_t>(components) * 3, 0x11);
        return *this;
    }
    Jpeg& baselineFrame() { return sof(0xC0, 17, 3); }  // 8-bit, 480 x 640, 3 components
};

Jpeg soi() { return Jpeg{}.marker(0xD8); }

struct CloseFile {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

class JpegScan : public ::testing::Test {
protected:
    std::unique_ptr<std::FILE, CloseFile> file;
    test::RecordingSink sink;
    int marker = -1;
    unsigned int length = 0xDEAD;

    void open(const Jpeg& jpeg)
    {
        file.reset(std::tmpfile());
        ASSERT_TRUE(file);
        ASSERT_EQ(std::fwrite(jpeg.bytes.data(), 1, jpeg.bytes.size(), file.get()), jpeg.bytes.size());
        std::rewind(file.get());
    }
    int scan(int first = 0) { return jpegscan(file.get(), &marker, &length, first); }

    Bytes consume(unsigned int count)
    {
        Bytes data;
        for (int c; count > 0 && (c = std::fgetc(file.get())) != EOF; --count)
            data.push_back(static_cast<unsigned char>(c));
        return data;
    }

    // Scans the whole stream as a reader would; returns the markers stopped at
    // and the end marker, or the reason of the fatal error as the last entry.
    Strings scanAll(const Jpeg& jpeg)
    {
        open(jpeg);
        Strings seen;
        try {
            for (int first = 1; scan(first) == 1; first = 0) {
                seen.push_back(std::to_string(marker) + ":" + std::to_string(length));
                consume(length);
            }
            seen.push_back(std::to_string(marker));
        } catch (const ExifException& e) {
            seen.emplace_back(e.reason());
        }
        return seen;
    }

    // jpeginfo's result followed by precision, components, height and width.
    Ints info()
    {
        int precision, components, height, width;
        const int seen = jpeginfo(&precision, &components, &height, &width);
        return {seen, precision, components, height, width};
    }
};

TEST_F(JpegScan, StopsAtApp1WithStreamAtDataThenReadsFrameUpToScan)
{
    const Bytes exif{'E', 'x', 'i', 'f', 0, 0, 'M', 'M'};
    open(soi().segment(0xE0, {'J', 'F', 'I', 'F', 0}).segment(0xE1, exif).segment(0xDB, Bytes(65, 1))
             .baselineFrame().segment(0xC4, Bytes(20, 2)).segment(0xDA, Bytes(12, 3)));
    ASSERT_EQ(scan(1), 1);
    EXPECT_EQ(marker, 0xE1);
    EXPECT_EQ(length, exif.size());
    EXPECT_EQ(consume(length), exif);
    EXPECT_EQ(info(), noFrame);

    length = 0xDEAD;
    EXPECT_EQ(scan(), 0);
    EXPECT_EQ(marker, 0xDA);
    EXPECT_EQ(length, 0xDEADu);
    EXPECT_EQ(info(), (Ints{1, 8, 3, 480, 640}));
    EXPECT_TRUE(sink.warnings.empty());
}

TEST_F(JpegScan, WalksSegmentsToTheEndOfTheHeader)
{
    struct Case {
        const char* name;
        Jpeg jpeg;
        Strings seen;
        Strings warnings;
    };
    const Case cases[] = {
        {"app2 stops too", soi().segment(0xE2, Bytes(3)).segment(0xE1, Bytes(4)).marker(0xDA), {"226:3", "225:4", "218"}, {}},
        {"fill bytes", soi().raw({0xFF, 0xFF, 0xFF}).segment(0xE1, Bytes(1)).marker(0xD9), {"225:1", "217"}, {}},
        {"empty app1", soi().segment(0xE1, {}).marker(0xD9), {"225:0", "217"}, {}},
        {"longest segment", soi().segment(0xED, Bytes(0xFFFD)).segment(0xE1, Bytes(0xFFFD)).marker(0xD9), {"225:65533", "217"}, {}},
        {"parameterless markers carry a length", soi().marker(0xD0).length(3).raw({0}).marker(0xD8).length(2).marker(0xD9), {"217"}, {}},
        {"stray bytes warn once per marker", soi().raw({1, 2}).segment(0xE1, Bytes(1)).raw({3}).raw({0xFF, 0xFF, 0xD9}),
         {"225:1", "217"}, {spurious, spurious}},
        {"leading junk before soi", Jpeg{}.raw({'x', 'y'}).marker(0xD8).segment(0xE1, Bytes(2)).marker(0xDA),
         {"225:2", "218"}, {notJpeg, spurious}},
        {"junk then 0xFF fill before soi", Jpeg{}.raw({'x', 0xFF, 0xFF, 0xD8}).marker(0xD9), {"217"}, {notJpeg}},
        {"no soi", Jpeg{}.raw({'I', 'I', 42, 0, 8, 0xFF, 0xE1, 0, 2}), {"Error: start of image not found"}, {notJpeg, spurious}},
        {"doubled prefix before soi", Jpeg{}.raw({0xFF, 0xFF, 0xD8}).marker(0xE0).length(2).marker(0xD9),
         {"Error: start of image not found"}, {notJpeg, spurious}},
        {"no marker at all", Jpeg{}.raw({'I', 'I', 42, 0}), {"Error: invalid JPEG format"}, {notJpeg}},
        {"empty file", Jpeg{}, {"Error: invalid JPEG format"}, {}},
        {"no marker after soi", soi(), {"Error: invalid JPEG format"}, {}},
        {"end inside skipped segment", soi().marker(0xDB).length(67).raw({0, 1, 2}), {"Error: invalid JPEG format"}, {}},
        {"length field 0", soi().marker(0xE1).length(0), {"Error: invalid JPEG marker (length mismatch)"}, {}},
        {"length field 1 skipped", soi().marker(0xE0).length(1), {"Error: invalid JPEG marker (length mismatch)"}, {}},
        {"sof length one too long", soi().sof(0xC0, 18, 3).marker(0xDA), {"Error: invalid JPEG SOF marker (length mismatch)"}, {}},
        {"sof shorter than its header", soi().sof(0xC0, 2, 0).marker(0xDA), {"Error: invalid JPEG SOF marker (length mismatch)"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sink.warnings.clear();
        EXPECT_EQ(scanAll(c.jpeg), c.seen);
        EXPECT_EQ(sink.messages(), c.warnings);
    }
}

TEST_F(JpegScan, ReadsFrameHeaderOfEverySofCodeOnly)
{
    for (unsigned char code = 0xC0; code <= 0xCF; ++code) {
        SCOPED_TRACE(static_cast<int>(code));
        const bool isSof = code != 0xC4 && code != 0xC8 && code != 0xCC;
        EXPECT_EQ(scanAll(soi().sof(code, 11, 1).marker(0xDA)), Strings{"218"});
        EXPECT_EQ(info(), (isSof ? Ints{1, 8, 1, 480, 640} : noFrame));
    }
}

TEST_F(JpegScan, FirstCallForgetsTheFrameOfAnEarlierStream)
{
    scanAll(soi().baselineFrame().marker(0xDA));
    ASSERT_EQ(info()[0], 1);
    scanAll(soi().marker(0xD9));
    EXPECT_EQ(info(), noFrame);

    scanAll(soi().baselineFrame().marker(0xDA));
    jpegreset();
    EXPECT_EQ(info(), noFrame);
}

TEST_F(JpegScan, FatalErrorLeavesLastMarkerAndFrameValuesReadSoFar)
{
    EXPECT_EQ(scanAll(soi().segment(0xE0, Bytes(2)).marker(0xDB).length(9)).back(), "Error: invalid JPEG format");
    EXPECT_EQ(marker, 0xDB);

    EXPECT_EQ(scanAll(soi().segment(0xE0, Bytes(2)).sof(0xC2, 18, 3)).back(), "Error: invalid JPEG SOF marker (length mismatch)");
    EXPECT_EQ(marker, 0xC2);
    EXPECT_EQ(info(), (Ints{0, 8, 3, 480, 640}));
}

}  // namespace
}  // namespace exifkit
