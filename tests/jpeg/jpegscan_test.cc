#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "exifkit/errors.h"
#include "exifkit/jpeg.h"
#include "support/recording.h"

namespace exifkit {
namespace {

using Bytes = std::vector<unsigned char>;
using Strings = std::vector<std::string>;
using Ints = std::vector<int>;

const Ints noFrame{0, 0, 0, 0, 0};
const Bytes SOI{0xFF, 0xD8};
const std::string notJpeg = "doesn't appear to be a JPEG file; searching for start of image",
                  spurious = "skipped spurious bytes in JPEG",
                  badLength = "Error: invalid JPEG marker (length mismatch)",
                  badSof = "Error: invalid JPEG SOF marker (length mismatch)";

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A marker code, followed by a big-endian length field unless that is negative.
Bytes mark(unsigned char code, long lengthField = -1)
{
    if (lengthField < 0)
        return {0xFF, code};
    return {0xFF, code, static_cast<unsigned char>(lengthField >> 8), static_cast<unsigned char>(lengthField)};
}

Bytes segment(unsigned char code, const Bytes& data) { return mark(code, static_cast<long>(data.size()) + 2) + data; }

// A frame header of 8-bit samples, 480 lines of 640 samples.
Bytes sof(unsigned char code, long lengthField, unsigned char components)
{
    return mark(code, lengthField) + Bytes{8, 0x01, 0xE0, 0x02, 0x80, components} + Bytes(components * 3u, 0x11);
}

class JpegScan : public ::testing::Test {
protected:
    std::FILE* file = nullptr;
    test::RecordingSink sink;
    int marker = -1;
    unsigned int length = 0xDEAD;

    ~JpegScan() override
    {
        if (file)
            std::fclose(file);
    }
    // Scans a new stream as a reader would: the stops as "marker:length", then
    // the end marker, or the reason of the fatal error last.
    Strings scanAll(const Bytes& bytes)
    {
        if (file)
            std::fclose(file);
        if (!(file = std::tmpfile()) || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
            return {"cannot write a temporary file"};
        std::rewind(file);
        Strings seen;
        try {
            for (int first = 1; jpegscan(file, &marker, &length, first) == 1; first = 0) {
                seen.push_back(std::to_string(marker) + ":" + std::to_string(length));
                std::fseek(file, length, SEEK_CUR);
            }
            seen.push_back(std::to_string(marker));
        } catch (const ExifException& e) {
            seen.emplace_back(e.reason());
        }
        return seen;
    }
    // jpeginfo's result, then precision, components, height and width.
    static Ints info()
    {
        int precision, components, height, width;
        return {jpeginfo(&precision, &components, &height, &width), precision, components, height, width};
    }
};

// Each stop reports its data length and leaves the stream at the data: scanAll
// seeks past it and expects the next marker there.
TEST_F(JpegScan, WalksSegmentsToTheEndOfTheHeader)
{
    const std::string noSoi = "Error: start of image not found";
    const Bytes longest(0xFFFD);
    const struct { const char* name; Bytes jpeg; Strings seen, warnings; } cases[] = {
        {"app2 stops", SOI + segment(0xE2, Bytes(3)) + segment(0xE1, Bytes(4)) + mark(0xDA), {"226:3", "225:4", "218"},
         {}},
        {"fill bytes", SOI + Bytes{0xFF, 0xFF, 0xFF} + segment(0xE1, Bytes(1)) + mark(0xD9), {"225:1", "217"}, {}},
        {"empty app1", SOI + segment(0xE1, {}) + mark(0xD9), {"225:0", "217"}, {}},
        {"longest", SOI + segment(0xED, longest) + segment(0xE1, longest) + mark(0xD9), {"225:65533", "217"}, {}},
        {"parameterless markers", SOI + mark(0xD0, 3) + Bytes{0} + mark(0xD8, 2) + mark(0xD9), {"217"}, {}},
        {"stray bytes", SOI + Bytes{1, 2} + segment(0xE1, Bytes(1)) + Bytes{3, 0xFF, 0xFF, 0xD9}, {"225:1", "217"},
         {spurious, spurious}},
        {"leading junk", Bytes{'x', 'y'} + SOI + segment(0xE1, Bytes(2)) + mark(0xDA), {"225:2", "218"},
         {notJpeg, spurious}},
        {"junk then fill before soi", Bytes{'x', 0xFF} + SOI + mark(0xD9), {"217"}, {notJpeg}},
        {"doubled prefix before soi", Bytes{0xFF} + SOI + mark(0xE0, 2) + mark(0xD9), {noSoi}, {notJpeg, spurious}},
        {"end inside a length field", SOI + Bytes{0xFF, 0xE1, 0}, {"Error: invalid JPEG format"}, {}},
        {"end inside a skipped segment", SOI + mark(0xDB, 67) + Bytes{0, 1, 2}, {"Error: invalid JPEG format"}, {}},
        {"length field 0", SOI + mark(0xE1, 0), {badLength}, {}},
        {"length field 1 skipped", SOI + mark(0xE0, 1), {badLength}, {}},
        {"sof shorter than its header", SOI + sof(0xC0, 2, 0) + mark(0xDA), {badSof}, {}},
    };
    for (const auto& c : cases) {
        sink.warnings.clear();
        EXPECT_EQ(scanAll(c.jpeg), c.seen) << c.name;
        EXPECT_EQ(sink.messages(), c.warnings) << c.name;
    }
}

// Only SOF codes carry a frame header, read whole; the length is written only at a stop.
// A first call forgets an earlier stream's frame; a bad frame header keeps the
// values read before its length check.
TEST_F(JpegScan, FrameValuesOfTheCurrentStream)
{
    for (unsigned char code = 0xC0; code <= 0xCF; ++code) {
        const bool isSof = code != 0xC4 && code != 0xC8 && code != 0xCC;
        EXPECT_EQ(scanAll(SOI + sof(code, 11, 1) + mark(0xDA)), Strings{"218"}) << int{code};
        EXPECT_EQ(info(), (isSof ? Ints{1, 8, 1, 480, 640} : noFrame)) << int{code};
    }
    EXPECT_EQ(length, 0xDEADu);
    EXPECT_TRUE(sink.warnings.empty());
    scanAll(SOI + mark(0xD9));
    EXPECT_EQ(info(), noFrame);
    EXPECT_EQ(scanAll(SOI + segment(0xE0, {}) + sof(0xC2, 18, 3)), Strings{badSof});
    EXPECT_EQ(marker, 0xC2);
    EXPECT_EQ(info(), (Ints{0, 8, 3, 480, 640}));
    jpegreset();
    EXPECT_EQ(info(), noFrame);
}

}  // namespace
}  // namespace exifkit
