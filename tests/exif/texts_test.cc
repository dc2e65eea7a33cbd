// First texts of field values and the matching of the camera maker.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "exif/texts.h"
#include "exifkit/exif.h"
#include "support/exifbuilder.h"
#include "support/recording.h"
#include "support/scanning.h"

namespace exifkit {
namespace {

using namespace test;
using namespace std::string_literals;
using Fill = std::function<void(TiffBuilder&, int)>;
using Warnings = std::vector<std::pair<std::string, std::string>>;

constexpr std::uint16_t MAKE = 0x010F, EXIFIFD = 0x8769, GPSIFD = 0x8825, VERSION = 0x9000,
                        MAKERNOTE = 0x927C, USERCOMMENT = 0x9286, GPSMETHOD = 0x001B, GPSAREA = 0x001C;
// Not in the standard table, so that only the field type decides the text.
constexpr std::uint16_t PLAIN = 0x0150;

constexpr std::uint32_t s32(std::int32_t v) { return static_cast<std::uint32_t>(v); }

const std::string asciicode = "ASCII\0\0\0"s;
bytes comment(const std::string& code8, const std::string& text)
{
    const std::string all = code8 + text;
    return bytes(all.begin(), all.end());
}

Scanned scanifd0(int order, const Fill& fill)
{
    TiffBuilder b(order);
    fill(b, b.dir());
    return scan(b.exif());
}

TEST(RationalText, ReducesAndPicksFractionWholeOrDecimal)
{
    const struct { std::uint32_t num, den; bool is_signed; const char* text; } cases[] = {
        {10, 1250, false, "1/125"}, {28, 10, false, "2.8"}, {2, 15, false, "0.1"}, {2, 4, false, "1/2"},
        {9, 91, false, "9/91"}, {2, 3, false, "0.7"}, {72, 1, false, "72"}, {3, 3, false, "1"},
        {0, 0, false, "0"}, {5, 0, false, "Infinite"}, {0x80000000, 1, false, "2147483648"},
        {0xFFFFFFFF, 2, false, "2147483647.5"}, {1, 0xFFFFFFFF, false, "1/4294967295"},
        {3, 0x80000000, false, "3/2147483648"}, {0x80000000, 0xC0000000, false, "0.7"},
        {s32(-1), 3, true, "-1/3"}, {s32(-2), 3, true, "-0.7"}, {6, s32(-2), true, "-3"}, {s32(-7), 2, true, "-3.5"},
        {s32(-3), s32(-3), true, "1"}, {s32(-3), 100, true, "-3/100"}, {0, s32(-3), true, "0"},
        {s32(-5), 0, true, "Infinite"}, {0x80000000, s32(-1), true, "2147483648"}, {0x80000000, 1, true, "-2147483648"},
        {0x7FFFFFFF, 0x80000000, true, "-1.0"}, {s32(-1), 0x7FFFFFFF, true, "-1/2147483647"},
    };
    for (const auto& c : cases) {
        char buf[32];
        rationaltext(buf, sizeof buf, c.num, c.den, c.is_signed);
        EXPECT_STREQ(buf, c.text) << c.num << "/" << c.den << (c.is_signed ? " signed" : "");
    }
}

// Texts that read the value field or the data in the directory's byte order.
class Texts : public ::testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(BothOrders, Texts, ::testing::Values(ORDER_LITTLE, ORDER_BIG),
                         test::ordername<::testing::TestParamInfo<int>>);

TEST_P(Texts, GenericTextsByFieldType)
{
    Scanned s = scanifd0(GetParam(), [](TiffBuilder& b, int d) {
        b.rationals(d, 0x0150, {{10, 1250}, {1, 2}}).rationals(d, 0x0151, {{s32(-2), 3}}, TYPE_SRATIONAL)
            .rationals(d, 0x0152, {{0x80000000, 1}}, TYPE_SRATIONAL).rationals(d, 0x0153, {{0x80000000, 1}})
            .shorts(d, 0x0154, {0xFFFF, 0, 1}).shorts(d, 0x0155, std::vector<std::uint16_t>(8, 0x8000), TYPE_SSHORT)
            .shorts(d, 0x0156, std::vector<std::uint16_t>(9, 1)).field(d, 0x0157, 3, 2, {0, 0, 0, 0})
            .field(d, 0x0158, TYPE_ASCII, 4, {'A', 'b', 'c', 'd'}).field(d, 0x0159, TYPE_ASCII, 4, {'A', 'b', 0, 'd'})
            .add(d, 0x015A, TYPE_ASCII, 8, {'a', 'b', 0, 'c', 'd', 'e', 'f', 'g'})
            .add(d, 0x015B, TYPE_ASCII, 6, {'L', 'o', 'n', 'g', 'e', 'r'})
            .add(d, 0x015C, 1, 4, {1, 2, 3, 4}).longs(d, 0x015D, {7}).longs(d, 0x015E, {7}, 9)
            .undefined(d, 0x015F, {'a', 'b', 'c', 0}).longs(d, 0x0160, {0x3F800000}, 11)
            .add(d, 0x0161, 12, 1, bytes(8, 0)).add(d, 0x0162, 6, 1, {0xFF})
            .add(d, USERCOMMENT, TYPE_ASCII, 10, comment(asciicode, "Hi")).undefined(d, GPSMETHOD, comment(asciicode, "Hi"));
    });
    const std::vector<std::string> expected = {
        "1/125", "-0.7", "-2147483648", "2147483648", "65535, 0, 1",
        "-32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768", "<none>", "<none>",
        "Abcd", "Ab", "ab", "Longer", "<none>", "<none>", "<none>", "<none>", "<none>", "<none>", "<none>"};
    for (std::uint16_t i = 0; i < expected.size(); i++)
        EXPECT_EQ(textof(s.find(PLAIN + i)), expected[i]) << std::hex << PLAIN + i;
    EXPECT_EQ(textof(s.find(USERCOMMENT)), "ASCII");  // a comment of another type
    EXPECT_EQ(textof(s.find(GPSMETHOD)), "<none>");   // a GPS tag outside the GPS directory
    EXPECT_EQ(s.info->maker, 0);                       // no Make met
}

// Each field's data end the block: whole they give a text, one byte short none
// (and the level of the row, LVL_UNKNOWN for all of these).
TEST_P(Texts, DataMustLieWhollyInsideTheBlock)
{
    const std::pair<Fill, const char*> cases[] = {
        {[](TiffBuilder& b, int d) { b.rationals(d, PLAIN, {{1, 2}, {3, 4}}); }, "1/2"},
        {[](TiffBuilder& b, int d) { b.add(d, PLAIN, TYPE_RATIONAL, 0, {0, 0, 0, 3, 0, 0, 0, 3}); }, "1"},
        {[](TiffBuilder& b, int d) { b.shorts(d, PLAIN, {1, 2, 3, 4}); }, "1, 2, 3, 4"},
        {[](TiffBuilder& b, int d) { b.ascii(d, PLAIN, "Hello world"); }, "Hello world"},
        {[](TiffBuilder& b, int d) { b.undefined(d, USERCOMMENT, comment(asciicode, "Hello")); }, "Hello"},
    };
    for (const auto& [fill, text] : cases) {
        TiffBuilder b(GetParam());
        fill(b, b.dir());
        bytes block = b.exif();
        EXPECT_EQ(textof(scan(block).props().at(0)), text);
        block.pop_back();
        Scanned cut = scan(block);
        ASSERT_EQ(cut.props().size(), 1u) << text;
        EXPECT_EQ(textof(cut.props()[0]), "<none>") << text;
        EXPECT_EQ(cut.props()[0]->lvl, LVL_UNKNOWN) << text;
    }
}

TEST_P(Texts, ExifVersionSetsTheVersionNumbers)
{
    const struct { const char* stored; std::uint16_t type; const char* text; int maj, min; } cases[] = {
        {"0221", TYPE_UNDEFINED, "2.21", 2, 21}, {"0100", TYPE_LONG, "1.00", 1, 0}, {"xy23", TYPE_UNDEFINED, "0.23", 0, 23},
        {"9999", TYPE_ASCII, "99.99", 99, 99}};
    for (const auto& c : cases) {
        Scanned s = scanifd0(GetParam(), [&](TiffBuilder& b, int d) {
            b.field(d, VERSION, c.type, 4, bytes(c.stored, c.stored + 4));
        });
        EXPECT_EQ(textof(s.find(VERSION)), c.text);
        EXPECT_EQ(s.info->exifmaj, c.maj) << c.text;
        EXPECT_EQ(s.info->exifmin, c.min) << c.text;
    }
}

TEST_P(Texts, SingleBytesAndValueTables)
{
    Scanned s = scanifd0(GetParam(), [](TiffBuilder& b, int d) {
        b.undefined(d, 0xA300, {3}).field(d, 0xA300, TYPE_UNDEFINED, 1, {0, 3, 3, 3}).undefined(d, 0xA301, {1})
            .longs(d, 0x0112, {0x00010006}).shorts(d, 0xA001, {65535});
    });
    const auto sources = s.all(0xA300);
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(textof(sources[0]), "Digital Still Camera");
    EXPECT_EQ(textof(sources[1]), "Other");
    EXPECT_EQ(textof(s.find(0xA301)), "Directly Photographed");
    EXPECT_EQ(textof(s.find(0x0112)), "Right-Hand, Top");
    EXPECT_EQ(textof(s.find(0xA001)), "Uncalibrated");
}

TEST(Comments, AsciiCodedTextsAreTrimmedOthersKeepNoText)
{
    // A null text: no text, and the level of the row stays.
    const struct { bytes data; const char* text; std::uint16_t lvl; } cases[] = {
        {comment(asciicode, "Hello     "), "Hello", LVL_IMAGE}, {comment(asciicode, "          "), "", LVL_VERBOSE},
        {comment(asciicode, ""), "", LVL_VERBOSE}, {comment(asciicode, "Hello\0garbage"s), "Hello", LVL_IMAGE},
        {comment(asciicode, "  Hi \t\n\r\v\f"), "  Hi", LVL_IMAGE}, {comment("UNICODE\0"s, "H\0i\0"s), nullptr, 0},
        {comment("XYZ\0\0\0\0\0"s, "Hello"), nullptr, 0}, {bytes{'A', 'S', 'C', 'I', 'I', 0, 0}, nullptr, 0},
    };
    const struct { std::uint16_t pointer, tag; const tag_def* table; std::uint16_t rowlvl; } places[] = {
        {EXIFIFD, USERCOMMENT, tags, LVL_UNKNOWN}, {GPSIFD, GPSMETHOD, gpstags, LVL_IMAGE},
        {GPSIFD, GPSAREA, gpstags, LVL_IMAGE}};
    for (const auto& at : places)
        for (const auto& c : cases) {
            TiffBuilder b;
            const int ifd0 = b.dir(), sub = b.dir();
            b.pointer(ifd0, at.pointer, sub).undefined(sub, at.tag, c.data);
            Scanned s = scan(b.exif());
            const exif_prop* p = s.find(at.tag, at.table);
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(textof(p), c.text ? c.text : "<none>") << at.tag << " row " << &c - cases;
            EXPECT_EQ(p->lvl, c.text ? c.lvl : at.rowlvl) << at.tag << " row " << &c - cases;
        }
}

TEST(Makers, TheKeyMustBeginTheLowerCaseMakeCutAtItsCountOrFirstNul)
{
    // A count of 0 stands for the text and its NUL.
    const struct { std::string make; int maker; std::uint32_t count = 0; } cases[] = {
        {"CANON INC.", 1}, {"OLYMPUS OPTICAL CO.,LTD", 2}, {"FUJIFILM", 3}, {"NIKON CORPORATION", 4},
        {"CASIO", 5}, {"Minolta Co., Ltd.", 6}, {"SANYO Electric Co.,Ltd.", 7}, {"Asahi Optical Co.,Ltd", 8},
        {"PENTAX Corporation", 9}, {"LEICA", 10}, {"Panasonic", 11}, {"SIGMA", 12}, {"KONICA MINOLTA", 13},
        {"Can", 13}, {"", 13}, {"Canon and a very long tail beyond thirty-one characters", 1},
        {"Panasonic", 13, 5}, {"Panasonic", 11, 9}, {"Can\0on\0"s, 13, 8},
    };
    RecordingSink sink;
    for (const auto& c : cases) {
        bytes data(c.make.begin(), c.make.end());
        data.push_back(0);
        const auto count = c.count ? c.count : static_cast<std::uint32_t>(data.size());
        Scanned s = scanifd0(ORDER_LITTLE, [&](TiffBuilder& b, int d) { b.add(d, MAKE, TYPE_ASCII, count, data); });
        EXPECT_EQ(s.info->maker, c.maker) << c.make << " " << count;
    }
    EXPECT_TRUE(sink.warnings.empty());
}

TEST(Makers, ALaterMakeOverwritesTheMatchButOneOutsideTheBlockDoesNot)
{
    for (std::uint32_t value : {0x00FFFF00u, 0xFFFFFFFAu}) {
        RecordingSink sink;
        Scanned s = scanifd0(ORDER_BIG, [&](TiffBuilder& b, int d) {
            b.ascii(d, MAKE, "Canon").ascii(d, MAKE, "NIKON").raw(d, MAKE, TYPE_ASCII, 10, value);
        });
        EXPECT_EQ(s.info->maker, 4);
        EXPECT_EQ(sink.warnings, (Warnings{{"invalid field offset", "Make"}}));
        EXPECT_EQ(textof(s.all(MAKE).at(2)), "<none>");
    }
}

// The maker is the one known when the note is met: a Make behind it comes too late.
TEST(Makers, AMakerNoteWithoutAReaderStaysUnsupported)
{
    RecordingSink sink;
    TiffBuilder b(ORDER_BIG);
    const int ifd0 = b.dir(), exif = b.dir();
    b.ascii(ifd0, MAKE, "Eastman Kodak Company").pointer(ifd0, EXIFIFD, exif);
    b.undefined(exif, MAKERNOTE, bytes(24, 'k')).ascii(exif, MAKE, "Canon");
    Scanned s = scan(b.exif());
    EXPECT_EQ(sink.warnings, (Warnings{{"maker note not supported", "<null>"}}));
    EXPECT_EQ(s.info->maker, 1);
    const exif_prop* note = s.find(MAKERNOTE);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->lvl, LVL_UNKNOWN);
    EXPECT_EQ(note->str, nullptr);
    EXPECT_EQ(note->value, b.diroffset(exif) + 2 + 2 * 12 + 4);
    EXPECT_EQ(s.info->mkrview.order, ORDER_BIG);
    EXPECT_EQ(s.info->mkrview.base, s.info->tiff.base);
    EXPECT_EQ(s.info->mkrview.end, s.info->tiff.end);
}

}  // namespace
}  // namespace exifkit
