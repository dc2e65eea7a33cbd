// First texts of field values and the matching of the camera maker.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "exif/texts.h"
#include "exifkit/exif.h"
#include "exifkit/makers.h"
#include "support/exifbuilder.h"
#include "support/recording.h"
#include "support/scanning.h"

namespace exifkit {
namespace {

using test::bytes;
using test::RecordingSink;
using test::scan;
using test::Scanned;
using test::textof;
using test::TiffBuilder;

constexpr std::uint16_t ASCII = 2, LONG = 4, RATIONAL = 5, UNDEFINED = 7, SSHORT = 8,
                        SRATIONAL = 10;
constexpr std::uint16_t MAKE = 0x010F, EXIFIFD = 0x8769, GPSIFD = 0x8825, VERSION = 0x9000,
                        MAKERNOTE = 0x927C, USERCOMMENT = 0x9286, GPSMETHOD = 0x001B, GPSAREA = 0x001C;
// Tags the standard table does not list, so that only the field type decides the text.
constexpr std::uint16_t PLAIN = 0x0150, PLAIN2 = 0x0151;

// ---- Rationals -------------------------------------------------------------------

struct RationalCase {
    std::uint32_t num;
    std::uint32_t den;
    bool is_signed;
    const char* text;
};

std::ostream& operator<<(std::ostream& out, const RationalCase& c)
{
    return out << (c.is_signed ? "signed " : "") << c.num << "/" << c.den;
}

std::uint32_t s32(std::int32_t v)
{
    return static_cast<std::uint32_t>(v);
}

class RationalText : public ::testing::TestWithParam<RationalCase> {};

TEST_P(RationalText, FormatsTheFirstRational)
{
    const RationalCase& c = GetParam();
    char buf[32];
    std::memset(buf, '#', sizeof buf);
    rationaltext(buf, sizeof buf, c.num, c.den, c.is_signed);
    EXPECT_STREQ(buf, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Unsigned, RationalText,
    ::testing::Values(RationalCase{1, 125, false, "1/125"}, RationalCase{10, 1250, false, "1/125"},
                      RationalCase{28, 10, false, "2.8"}, RationalCase{3, 10, false, "0.3"},
                      RationalCase{2, 4, false, "1/2"}, RationalCase{7, 100, false, "7/100"},
                      RationalCase{2, 3, false, "0.7"}, RationalCase{72, 1, false, "72"},
                      RationalCase{3, 3, false, "1"}, RationalCase{0, 1, false, "0"},
                      RationalCase{0, 0, false, "0"}, RationalCase{5, 0, false, "Infinite"},
                      RationalCase{1, 10, false, "1/10"}, RationalCase{3, 2, false, "1.5"},
                      RationalCase{1, 3, false, "1/3"}, RationalCase{2, 5, false, "0.4"},
                      RationalCase{3, 100, false, "3/100"}));

INSTANTIATE_TEST_SUITE_P(
    UnsignedAbove2To31, RationalText,
    ::testing::Values(RationalCase{0x80000000, 1, false, "2147483648"},
                      RationalCase{0xFFFFFFFF, 1, false, "4294967295"},
                      RationalCase{0xFFFFFFFF, 0xFFFFFFFF, false, "1"},
                      RationalCase{0x80000000, 0x80000000, false, "1"},
                      RationalCase{3000000000u, 7, false, "428571428.6"},
                      RationalCase{0xFFFFFFFF, 2, false, "2147483647.5"},
                      RationalCase{0xC0000000, 0x80000000, false, "1.5"},
                      RationalCase{1, 0xFFFFFFFF, false, "1/4294967295"},
                      RationalCase{3, 0x80000000, false, "3/2147483648"},
                      RationalCase{0x80000000, 0xC0000000, false, "0.7"},
                      RationalCase{0xFFFFFFFF, 0, false, "Infinite"}));

INSTANTIATE_TEST_SUITE_P(
    Signed, RationalText,
    ::testing::Values(RationalCase{s32(-1), 3, true, "-1/3"}, RationalCase{s32(-2), 3, true, "-0.7"},
                      RationalCase{6, s32(-2), true, "-3"}, RationalCase{s32(-4), 2, true, "-2"},
                      RationalCase{s32(-7), 2, true, "-3.5"}, RationalCase{s32(-3), s32(-3), true, "1"},
                      RationalCase{s32(-1), 20, true, "-1/20"}, RationalCase{s32(-3), 100, true, "-3/100"},
                      RationalCase{0, s32(-3), true, "0"}, RationalCase{s32(-5), 0, true, "Infinite"},
                      RationalCase{1, 3, true, "1/3"}, RationalCase{28, 10, true, "2.8"}));

INSTANTIATE_TEST_SUITE_P(
    SignedExtremes, RationalText,
    ::testing::Values(RationalCase{0x80000000, 0xFFFFFFFF, true, "2147483648"},  // INT_MIN / -1
                      RationalCase{0x80000000, 1, true, "-2147483648"},
                      RationalCase{0x80000000, 0x80000000, true, "1"},
                      RationalCase{0x80000000, 2, true, "-1073741824"},
                      RationalCase{0x7FFFFFFF, 0x80000000, true, "-1.0"},
                      RationalCase{0xFFFFFFFF, 0xFFFFFFFF, true, "1"}));

TEST(RationalText, CutsToTheBuffer)
{
    char buf[4];
    rationaltext(buf, sizeof buf, 5, 0, false);
    EXPECT_STREQ(buf, "Inf");
    char wide[32];
    rationaltext(wide, sizeof wide, 0xFFFFFFFF, 0x7FFFFFFF, true);
    EXPECT_STREQ(wide, "-1/2147483647");
}

// ---- Generic texts through the reader ---------------------------------------------

// Scans IFD0 of the builder in each byte order and checks one property.
class Texts : public ::testing::TestWithParam<int> {
protected:
    int order() const { return GetParam(); }

    // Builds IFD0 with fill and returns the scan.
    Scanned scanifd0(const std::function<void(TiffBuilder&, int)>& fill) const
    {
        TiffBuilder b(order());
        fill(b, b.dir());
        return scan(b.exif());
    }

    RecordingSink sink;
};

INSTANTIATE_TEST_SUITE_P(BothOrders, Texts, ::testing::Values(ORDER_LITTLE, ORDER_BIG),
                         test::ordername<::testing::TestParamInfo<int>>);

TEST_P(Texts, RationalFieldsShowTheirFirstValue)
{
    Scanned s = scanifd0([](TiffBuilder& b, int d) {
        b.rationals(d, PLAIN, {{10, 1250}, {1, 2}})
            .rationals(d, PLAIN2, {{s32(-2), 3}}, SRATIONAL)
            .rationals(d, 0x0152, {{0x80000000, 0xFFFFFFFF}}, SRATIONAL)
            .rationals(d, 0x0153, {{0x80000000, 1}}, RATIONAL);
    });
    ASSERT_TRUE(s);
    EXPECT_EQ(textof(s.find(PLAIN)), "1/125");
    EXPECT_EQ(textof(s.find(PLAIN2)), "-0.7");
    EXPECT_EQ(textof(s.find(0x0152)), "2147483648");
    EXPECT_EQ(textof(s.find(0x0153)), "2147483648");
}

TEST_P(Texts, RationalFieldsMustFitWhole)
{
    TiffBuilder b(order());
    const int d = b.dir();
    b.rationals(d, PLAIN, {{1, 2}, {3, 4}});
    bytes block = b.exif();
    block.resize(block.size() - 1);  // the second rational loses its last byte
    Scanned s = scan(block);
    ASSERT_TRUE(s);
    EXPECT_EQ(textof(s.find(PLAIN)), "<none>");
}

TEST_P(Texts, RationalFieldsOfCountZeroStillNeedOneRational)
{
    auto build = [this](std::uint32_t value) {
        TiffBuilder b(order());
        const int d = b.dir();
        b.raw(d, PLAIN, RATIONAL, 0, value);
        return b;
    };
    const auto size = static_cast<std::uint32_t>(build(0).tiff().size());
    Scanned header = scan(build(0).exif());  // the TIFF header: 8 bytes inside the block
    Scanned tail = scan(build(size - 4).exif());
    ASSERT_TRUE(header && tail);
    EXPECT_NE(textof(header.find(PLAIN)), "<none>");
    EXPECT_EQ(textof(tail.find(PLAIN)), "<none>");
}

TEST_P(Texts, ShortListsOfThreeToEightValues)
{
    Scanned s = scanifd0([](TiffBuilder& b, int d) {
        b.shorts(d, 0x0150, {8, 8, 8})
            .shorts(d, 0x0151, std::vector<std::uint16_t>(8, 0x8000), SSHORT)
            .shorts(d, 0x0152, std::vector<std::uint16_t>(9, 1))
            .shorts(d, 0x0153, {1, 2})
            .shorts(d, 0x0154, {0xFFFF, 0, 1})
            .shorts(d, 0x0155, {0xFFFF, 2, 0xFFFD}, SSHORT)
            .shorts(d, 0x0156, {7});
    });
    ASSERT_TRUE(s);
    EXPECT_EQ(textof(s.find(0x0150)), "8, 8, 8");
    EXPECT_EQ(textof(s.find(0x0151)),
              "-32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768");
    EXPECT_EQ(textof(s.find(0x0152)), "<none>");
    EXPECT_EQ(textof(s.find(0x0153)), "<none>");
    EXPECT_EQ(textof(s.find(0x0154)), "65535, 0, 1");
    EXPECT_EQ(textof(s.find(0x0155)), "-1, 2, -3");
    EXPECT_EQ(textof(s.find(0x0156)), "<none>");
}

TEST_P(Texts, AsciiFieldsInsideAndOutsideTheEntry)
{
    Scanned s = scanifd0([](TiffBuilder& b, int d) {
        b.field(d, 0x0150, ASCII, 4, {'A', 'b', 'c', 0})
            .field(d, 0x0151, ASCII, 4, {'A', 'b', 'c', 'd'})
            .ascii(d, 0x0152, "N")
            .ascii(d, 0x0153, "Hello world")
            .add(d, 0x0154, ASCII, 8, {'a', 'b', 0, 'c', 'd', 'e', 'f', 'g'})
            .add(d, 0x0155, ASCII, 6, {'L', 'o', 'n', 'g', 'e', 'r'});
    });
    ASSERT_TRUE(s);
    EXPECT_EQ(textof(s.find(0x0150)), "Abc");
    EXPECT_EQ(textof(s.find(0x0151)), "Abcd");
    EXPECT_EQ(textof(s.find(0x0152)), "N");
    EXPECT_EQ(textof(s.find(0x0153)), "Hello world");
    EXPECT_EQ(textof(s.find(0x0154)), "ab");
    EXPECT_EQ(textof(s.find(0x0155)), "Longer");
}

TEST_P(Texts, AsciiFieldsRunningPastTheBlockGiveNoText)
{
    auto build = [this](std::uint32_t value) {
        TiffBuilder b(order());
        const int d = b.dir();
        b.raw(d, 0x010E, ASCII, 20, value);
        return b;
    };
    const auto size = static_cast<std::uint32_t>(build(0).tiff().size());
    for (std::uint32_t value : {size - 19, size - 10, size}) {
        Scanned s = scan(build(value).exif());
        ASSERT_TRUE(s);
        EXPECT_EQ(textof(s.find(0x010E)), "<none>") << value;
    }
    Scanned fits = scan(build(size - 20).exif());
    EXPECT_NE(textof(fits.find(0x010E)), "<none>");
}

TEST_P(Texts, OtherTypesGetNoText)
{
    Scanned s = scanifd0([](TiffBuilder& b, int d) {
        b.add(d, 0x0150, 1, 4, {1, 2, 3, 4})
            .longs(d, 0x0151, {7})
            .longs(d, 0x0152, {7}, 9)
            .undefined(d, 0x0153, {'a', 'b', 'c', 0})
            .longs(d, 0x0154, {0x3F800000}, 11)
            .add(d, 0x0155, 12, 1, bytes(8, 0))
            .add(d, 0x0156, 6, 1, {0xFF});
    });
    ASSERT_TRUE(s);
    ASSERT_EQ(s.props().size(), 7u);
    for (const exif_prop* p : s.props())
        EXPECT_EQ(p->str, nullptr) << p->tag;
}

TEST_P(Texts, ExifVersionSetsTheVersionNumbers)
{
    struct Case {
        bytes stored;
        std::uint16_t type;
        const char* text;
        int maj, min;
    };
    const std::vector<Case> cases = {
        {{'0', '2', '2', '1'}, UNDEFINED, "2.21", 2, 21},
        {{'0', '2', '2', '0'}, UNDEFINED, "2.20", 2, 20},
        {{'0', '2', '1', '0'}, UNDEFINED, "2.10", 2, 10},
        {{'0', '1', '0', '0'}, LONG, "1.00", 1, 0},
        {{'x', 'y', '2', '3'}, UNDEFINED, "0.23", 0, 23},
        {{'9', '9', '9', '9'}, ASCII, "99.99", 99, 99},
    };
    for (const Case& c : cases) {
        TiffBuilder b(order());
        const int ifd0 = b.dir(), exif = b.dir();
        b.pointer(ifd0, EXIFIFD, exif);
        b.field(exif, VERSION, c.type, 4, c.stored);
        Scanned s = scan(b.exif());
        ASSERT_TRUE(s);
        EXPECT_EQ(textof(s.find(VERSION)), c.text);
        EXPECT_EQ(s.info->exifmaj, c.maj) << c.text;
        EXPECT_EQ(s.info->exifmin, c.min) << c.text;
    }
}

bytes comment(const char code[8], const std::string& text)
{
    bytes out(8 + text.size());
    std::copy(code, code + 8, out.begin());
    std::copy(text.begin(), text.end(), out.begin() + 8);
    return out;
}

const char asciicode[8] = {'A', 'S', 'C', 'I', 'I', 0, 0, 0};
const char unicodecode[8] = {'U', 'N', 'I', 'C', 'O', 'D', 'E', 0};
const char jiscode[8] = {'J', 'I', 'S', 0, 0, 0, 0, 0};
const char nocode[8] = {0, 0, 0, 0, 0, 0, 0, 0};
const char othercode[8] = {'X', 'Y', 'Z', 0, 0, 0, 0, 0};

struct CommentCase {
    bytes data;
    const char* text;  // null: no text
    std::uint16_t lvl;
};

std::vector<CommentCase> commentcases(std::uint16_t tablelvl)
{
    return {
        {comment(asciicode, "Hello     "), "Hello", LVL_IMAGE},
        {comment(asciicode, "          "), "", LVL_VERBOSE},
        {comment(asciicode, ""), "", LVL_VERBOSE},
        {comment(asciicode, std::string("Hello\0garbage", 13)), "Hello", LVL_IMAGE},
        {comment(asciicode, "Hi \t\n\r\v\f"), "Hi", LVL_IMAGE},
        {comment(asciicode, "  Hi"), "  Hi", LVL_IMAGE},
        {comment(unicodecode, "H\0i\0"), nullptr, tablelvl},
        {comment(jiscode, "Hello"), nullptr, tablelvl},
        {comment(nocode, "Hello"), nullptr, tablelvl},
        {comment(othercode, "Hello"), nullptr, tablelvl},
        {bytes{'A', 'S', 'C', 'I', 'I', 0, 0}, nullptr, tablelvl},
    };
}

TEST_P(Texts, UserCommentsWithTheAsciiCode)
{
    for (const CommentCase& c : commentcases(LVL_UNKNOWN)) {
        TiffBuilder b(order());
        const int ifd0 = b.dir(), exif = b.dir();
        b.pointer(ifd0, EXIFIFD, exif);
        b.undefined(exif, USERCOMMENT, c.data);
        Scanned s = scan(b.exif());
        ASSERT_TRUE(s);
        const exif_prop* p = s.find(USERCOMMENT);
        ASSERT_NE(p, nullptr);
        const std::string label(c.data.begin(), c.data.end());
        EXPECT_EQ(textof(p), c.text ? c.text : "<none>") << label;
        EXPECT_EQ(p->lvl, c.lvl) << label;
    }
}

TEST_P(Texts, GpsTextFieldsAreTreatedAsComments)
{
    for (std::uint16_t tag : {GPSMETHOD, GPSAREA}) {
        for (const CommentCase& c : commentcases(LVL_IMAGE)) {
            TiffBuilder b(order());
            const int ifd0 = b.dir(), gps = b.dir();
            b.pointer(ifd0, GPSIFD, gps);
            b.undefined(gps, tag, c.data);
            Scanned s = scan(b.exif());
            ASSERT_TRUE(s);
            const exif_prop* p = s.find(tag, gpstags);
            ASSERT_NE(p, nullptr);
            const std::string label(c.data.begin(), c.data.end());
            EXPECT_EQ(textof(p), c.text ? c.text : "<none>") << tag << " " << label;
            EXPECT_EQ(p->lvl, c.lvl) << tag << " " << label;
        }
    }
}

TEST_P(Texts, GpsTagNumbersOutsideTheGpsDirectoryAreNotComments)
{
    Scanned s = scanifd0([](TiffBuilder& b, int d) { b.undefined(d, GPSMETHOD, comment(asciicode, "Hello")); });
    ASSERT_TRUE(s);
    EXPECT_EQ(textof(s.find(GPSMETHOD)), "<none>");
}

TEST_P(Texts, UserCommentsOfAnotherTypeGetTheGenericText)
{
    Scanned s = scanifd0([](TiffBuilder& b, int d) {
        b.add(d, USERCOMMENT, ASCII, 10, comment(asciicode, "Hi"));
    });
    ASSERT_TRUE(s);
    const exif_prop* p = s.find(USERCOMMENT);
    EXPECT_EQ(textof(p), "ASCII");
    EXPECT_EQ(p->lvl, LVL_UNKNOWN);
}

TEST_P(Texts, UserCommentsRunningPastTheBlockGiveNoText)
{
    TiffBuilder b(order());
    const int d = b.dir();
    b.undefined(d, USERCOMMENT, comment(asciicode, "Hello"));
    bytes block = b.exif();
    block.resize(block.size() - 1);
    Scanned s = scan(block);
    ASSERT_TRUE(s);
    EXPECT_EQ(textof(s.find(USERCOMMENT)), "<none>");
    EXPECT_EQ(s.find(USERCOMMENT)->lvl, LVL_UNKNOWN);
}

TEST_P(Texts, FileSourceAndSceneTypeReadTheirSingleByte)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir(), exif = b.dir();
    b.pointer(ifd0, EXIFIFD, exif);
    b.undefined(exif, 0xA300, {3}).undefined(exif, 0xA301, {1});
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    EXPECT_EQ(textof(s.find(0xA300)), "Digital Still Camera");
    EXPECT_EQ(textof(s.find(0xA301)), "Directly Photographed");

    TiffBuilder other(order());
    const int d = other.dir();
    other.undefined(d, 0xA300, {9}).undefined(d, 0xA301, {2}).field(d, 0xA300, UNDEFINED, 1, {0, 3, 3, 3});
    Scanned t = scan(other.exif());
    ASSERT_TRUE(t);
    const auto sources = t.all(0xA300);
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(textof(sources[0]), "Unknown");
    EXPECT_EQ(textof(sources[1]), "Other");
    EXPECT_EQ(textof(t.find(0xA301)), "Unknown");
}

TEST_P(Texts, ValueTablesGiveTheRowOrTheDefault)
{
    Scanned s = scanifd0([](TiffBuilder& b, int d) {
        b.shorts(d, 0x0112, {6})
            .shorts(d, 0xA001, {65535})
            .shorts(d, 0x0128, {1})
            .shorts(d, 0xA210, {2})
            .shorts(d, 0x0103, {99});
    });
    ASSERT_TRUE(s);
    EXPECT_EQ(textof(s.find(0x0112)), "Right-Hand, Top");
    EXPECT_EQ(textof(s.find(0xA001)), "Uncalibrated");
    EXPECT_EQ(textof(s.find(0x0128)), "");
    EXPECT_EQ(textof(s.find(0xA210)), "i");
    EXPECT_EQ(textof(s.find(0x0103)), "Unknown");
}

// ---- Maker matching ----------------------------------------------------------------

struct MakeCase {
    const char* make;
    int maker;
};

class MakerMatch : public ::testing::TestWithParam<std::tuple<int, MakeCase>> {
protected:
    RecordingSink sink;
};

TEST_P(MakerMatch, MatchesTheRowWhoseKeyBeginsTheMake)
{
    const auto& [order, c] = GetParam();
    TiffBuilder b(order);
    b.ascii(b.dir(), MAKE, c.make);
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    EXPECT_EQ(s.info->maker, c.maker) << c.make;
    EXPECT_EQ(textof(s.find(MAKE)), c.make);
    EXPECT_TRUE(sink.warnings.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Makes, MakerMatch,
    ::testing::Combine(::testing::Values(ORDER_LITTLE, ORDER_BIG),
                       ::testing::Values(MakeCase{"Canon", 1}, MakeCase{"CANON INC.", 1},
                                         MakeCase{"OLYMPUS OPTICAL CO.,LTD", 2},
                                         MakeCase{"FUJIFILM", 3}, MakeCase{"NIKON CORPORATION", 4},
                                         MakeCase{"CASIO", 5}, MakeCase{"Minolta Co., Ltd.", 6},
                                         MakeCase{"SANYO Electric Co.,Ltd.", 7},
                                         MakeCase{"Asahi Optical Co.,Ltd", 8},
                                         MakeCase{"PENTAX Corporation", 9}, MakeCase{"LEICA", 10},
                                         MakeCase{"Panasonic", 11}, MakeCase{"SIGMA", 12},
                                         MakeCase{"Eastman Kodak Company", 13},
                                         MakeCase{"KONICA MINOLTA", 13}, MakeCase{"Sony", 13},
                                         MakeCase{"Can", 13}, MakeCase{"", 13},
                                         MakeCase{"Canon and a very long tail beyond thirty-one characters", 1})));

TEST_P(Texts, MakeTextIsLimitedByItsCount)
{
    const bytes panasonic = {'P', 'a', 'n', 'a', 's', 'o', 'n', 'i', 'c'};
    Scanned cut = scanifd0([&](TiffBuilder& b, int d) { b.add(d, MAKE, ASCII, 5, panasonic); });
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut.info->maker, 13);

    Scanned whole = scanifd0([&](TiffBuilder& b, int d) { b.add(d, MAKE, ASCII, 9, panasonic); });
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole.info->maker, 11);

    Scanned nul = scanifd0([](TiffBuilder& b, int d) {
        b.add(d, MAKE, ASCII, 8, {'C', 'a', 'n', 0, 'o', 'n', 0, 0});
    });
    ASSERT_TRUE(nul);
    EXPECT_EQ(nul.info->maker, 13);
}

TEST_P(Texts, ALaterMakeOverwritesTheMatch)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir(), ifd1 = b.dir();
    b.ascii(ifd0, MAKE, "Canon").chain(ifd0, ifd1);
    b.ascii(ifd1, MAKE, "NIKON");
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    EXPECT_EQ(s.info->maker, 4);
}

TEST_P(Texts, AMakeOutsideTheBlockLeavesTheMatchAlone)
{
    for (std::uint32_t value : {0x00FFFF00u, 0xFFFFFFFAu}) {
        TiffBuilder b(order());
        const int d = b.dir();
        b.ascii(d, MAKE, "Canon").raw(d, MAKE, ASCII, 10, value);
        RecordingSink local;
        Scanned s = scan(b.exif());
        ASSERT_TRUE(s);
        EXPECT_EQ(s.info->maker, 1);
        EXPECT_EQ(local.warnings, (std::vector<std::pair<std::string, std::string>>{{"invalid field offset", "Make"}}));
        EXPECT_EQ(textof(s.all(MAKE).at(1)), "<none>");
    }
}

TEST_P(Texts, AMakerNoteWithoutAReaderStaysUnsupported)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir(), exif = b.dir();
    b.ascii(ifd0, MAKE, "Eastman Kodak Company").pointer(ifd0, EXIFIFD, exif);
    b.undefined(exif, MAKERNOTE, bytes(24, 'k'));
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    EXPECT_EQ(s.info->maker, 13);
    const exif_prop* note = s.find(MAKERNOTE);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->lvl, LVL_UNKNOWN);
    EXPECT_EQ(note->str, nullptr);
    EXPECT_EQ(note->value, b.diroffset(exif) + 2 + 12 + 4);
    EXPECT_EQ(s.props().back(), note);
    EXPECT_EQ(sink.warnings, (std::vector<std::pair<std::string, std::string>>{{"maker note not supported", "<null>"}}));
    EXPECT_EQ(s.info->mkrview.order, order());
    EXPECT_EQ(s.info->mkrview.base, s.info->tiff.base);
    EXPECT_EQ(s.info->mkrview.end, s.info->tiff.end);
}

TEST_P(Texts, AMakeAfterTheMakerNoteComesTooLate)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir(), exif = b.dir();
    b.pointer(ifd0, EXIFIFD, exif);
    b.undefined(exif, MAKERNOTE, bytes(24, 'c')).ascii(exif, MAKE, "Canon");
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    EXPECT_EQ(sink.messages(), std::vector<std::string>{"maker note not supported"});
    EXPECT_EQ(s.info->maker, 1);
    const exif_prop* note = s.find(MAKERNOTE);
    for (const exif_prop* p : s.props())
        EXPECT_NE(p->par, note) << p->name;
}

}  // namespace
}  // namespace exifkit
