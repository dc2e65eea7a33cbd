// Standard interpretation of parsed Exif blocks: arithmetic texts, units, flash
// flags, overrides and the finishing rules, in both byte orders.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "exifkit/exif.h"
#include "support/exifbuilder.h"

namespace exifkit {
namespace {

using test::TiffBuilder;

constexpr std::uint16_t RATIONAL = 5, SRATIONAL = 10;

constexpr std::uint32_t word(std::int32_t v) { return static_cast<std::uint32_t>(v); }

// An Exif block parsed with exifparse; keeps the block alive as long as the result.
class Parsed {
public:
    explicit Parsed(const TiffBuilder& b)
        : block_(b.exif()), info_(exifparse(block_.data(), static_cast<std::uint32_t>(block_.size())))
    {
    }
    exif_info* info() const { return info_.get(); }
    // The property of the tag from directory number seq, or else the first one.
    const exif_prop& prop(std::uint16_t tag, std::uint32_t seq = ~0u) const
    {
        for (const exif_prop* p = info_->props; p; p = p->next)
            if (p->tagset == tags && p->tag == tag && (seq == ~0u || p->ifdseq == seq))
                return *p;
        throw std::runtime_error("no such property");
    }
    std::string text(std::uint16_t tag, std::uint32_t seq = ~0u) const
    {
        const char* str = prop(tag, seq).str;
        return str ? str : "<null>";
    }

private:
    test::bytes block_;
    exif_info_ptr info_;
};

// IFD0 with a pointer to an Exif directory.
struct ExifLayout {
    explicit ExifLayout(int order) : b(order), ifd0(b.dir()), exif(b.dir()) { b.pointer(ifd0, 0x8769, exif); }
    TiffBuilder b;
    int ifd0, exif;
};

class Interpret : public ::testing::TestWithParam<int> {};

const struct {
    std::uint16_t tag, type;
    std::uint32_t num, den;
    const char* text;
    std::uint16_t lvl = LVL_IMAGE;
} rationalCases[] = {
    {0x829A, RATIONAL, 1, 125, "1/125 sec"},       {0x829A, RATIONAL, 3, 10, "0.3 sec"},
    {0x829A, RATIONAL, 1, 0, "Infinite sec"},      {0x9201, SRATIONAL, 7, 1, "1/128 sec"},
    {0x9201, SRATIONAL, 5, 1, "1/32 sec"},         {0x9201, SRATIONAL, 0, 1, "1/1 sec"},
    {0x9201, SRATIONAL, word(-1), 1, "1/1 sec"},   {0x9201, SRATIONAL, 1, word(-1), "1/1 sec"},
    {0x9201, RATIONAL, word(-1), 1, "1/1 sec"},    {0x9201, SRATIONAL, 0, 0, "1/1 sec"},
    {0x9201, SRATIONAL, 30, 1, "1/1073741824 sec"}, {0x9201, SRATIONAL, word(-3), 2, "2.8 sec"},
    {0x9201, SRATIONAL, word(-2), 1, "4.0 sec"},   {0x9201, SRATIONAL, word(-4), 1, "16 sec"},
    {0x9201, SRATIONAL, 31, 1, "Unknown"},         {0x9201, SRATIONAL, word(-40), 1, "Unknown"},
    {0x9201, SRATIONAL, 1, 0, "Unknown"},          {0x829D, RATIONAL, 28, 10, "f/2.8"},
    {0x829D, RATIONAL, 1, 0, "f/inf"},             {0x9202, RATIONAL, 6, 1, "f/8.0"},
    {0x9202, RATIONAL, 3, 1, "f/2.8"},             {0x9202, RATIONAL, 0, 1, "f/1.0"},
    {0x9205, RATIONAL, 3, 1, "f/2.8", LVL_PAS},    {0x9203, SRATIONAL, 0xFFFFFFFF, 1, "Unknown"},
    {0x9203, SRATIONAL, word(-1), 3, "Unknown"},   {0x9203, SRATIONAL, word(-2), 3, "-0.7 EV"},
    {0x9204, SRATIONAL, 0, 1, "0 EV"},             {0x9204, SRATIONAL, word(-1), 3, "-1/3 EV"},
    {0x9206, RATIONAL, 0xFFFFFFFF, 1, "Infinity"}, {0x9206, RATIONAL, 5, 0, "Unknown"},
    {0x9206, RATIONAL, 0, 1, "0.00 m"},            {0x9206, RATIONAL, 1, 3, "0.33 m"},
    {0x920A, RATIONAL, 5800, 1000, "5.80 mm"},     {0xA404, RATIONAL, 0, 1, "Unused", LVL_VERBOSE},
    {0xA404, RATIONAL, 100, 100, "1", LVL_VERBOSE}, {0xA404, RATIONAL, 2, 1, "2"},
};

TEST_P(Interpret, RationalTexts)
{
    for (const auto& c : rationalCases) {
        SCOPED_TRACE(testing::Message() << std::hex << "tag 0x" << c.tag << " " << c.num << "/" << c.den);
        ExifLayout l(GetParam());
        l.b.rationals(l.exif, c.tag, {{c.num, c.den}}, c.type);
        Parsed p(l.b);
        EXPECT_EQ(p.text(c.tag), c.text);
        EXPECT_EQ(p.prop(c.tag).lvl, c.lvl);
    }
}

// The unit entry comes after the resolution: it is looked up in the whole list.
TEST_P(Interpret, ResolutionsWithUnits)
{
    const struct {
        std::uint16_t tag, unittag, unit;  // unittag 0: no unit entry
        std::uint32_t num, den;
        const char* text;
    } cases[] = {
        {0x011A, 0x0128, 2, 72, 1, "72 dpi"},   {0x011B, 0x0128, 3, 72, 1, "72 dpcm"},
        {0x011A, 0x0128, 1, 72, 1, "72 dp"},    {0x011A, 0, 0, 72, 1, "72"},
        {0x011A, 0x0128, 2, 300, 7, "42 dpi"},  {0x011A, 0x0128, 2, 72, 0, "Infinite"},
        {0x011A, 0xA210, 2, 72, 1, "72"},       {0xA20E, 0xA210, 2, 3000, 1, "3000 dpi"},
        {0xA20F, 0xA210, 3, 1181, 1, "1181 dpcm"}, {0xA20E, 0x0128, 2, 3000, 1, "3000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "tag 0x" << c.tag << " unit tag 0x" << c.unittag);
        ExifLayout l(GetParam());
        l.b.rationals(l.ifd0, c.tag, {{c.num, c.den}});
        if (c.unittag)
            l.b.shorts(l.exif, c.unittag, {c.unit});
        EXPECT_EQ(Parsed(l.b).text(c.tag), c.text);
    }
}

TEST_P(Interpret, FlashFlagsDependOnExifVersion)
{
    const struct {
        const char* version;  // null: no ExifVersion entry
        std::uint16_t value;
        const char* text;
    } cases[] = {
        {"0220", 0x00, "No Flash"},
        {"0220", 0x01, "Flash"},
        {"0220", 0x05, "Flash, Return Not Detected"},
        {"0220", 0x07, "Flash, Return Detected"},
        {"0220", 0x10, "No Flash, Compulsory"},
        {"0220", 0x19, "Flash, Auto"},
        {"0220", 0x20, "No Flash Function"},
        {"0220", 0x59, "Flash, Auto, Red-Eye Reduce"},
        {"0220", 0x5F, "Flash, Auto, Red-Eye Reduce, Return Detected"},
        {"0220", 0xFF19, "Flash, Auto"},
        {"0210", 0x19, "Flash"},
        {"0210", 0x20, "No Flash"},
        {"0210", 0x5F, "Flash, Return Detected"},
        {nullptr, 0x19, "Flash"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.version ? c.version : "no version") << " 0x" << std::hex << c.value);
        ExifLayout l(GetParam());
        if (c.version)
            l.b.undefined(l.exif, 0x9000, test::bytes(c.version, c.version + 4));
        l.b.shorts(l.exif, 0x9209, {c.value});
        EXPECT_EQ(Parsed(l.b).text(0x9209), c.text);
    }
}

// Flash and FocalLenIn35mmFilm format the value word, unless the reader already
// gave the entry a text (several values, another field type): that text stays.
TEST_P(Interpret, FlagAndLengthWordsOrReaderText)
{
    ExifLayout l(GetParam());
    l.b.shorts(l.exif, 0xA405, {35});
    EXPECT_EQ(Parsed(l.b).text(0xA405), "35 mm");

    ExifLayout m(GetParam());
    m.b.shorts(m.exif, 0x9209, {0x19, 0, 0}).shorts(m.exif, 0xA405, {35, 0, 0});
    Parsed q(m.b);
    EXPECT_EQ(q.text(0x9209), "25, 0, 0");
    EXPECT_EQ(q.text(0xA405), "35, 0, 0");
}

// ExposureTime pushes a shown ShutterSpeedValue to the override level,
// whichever comes first; a thumbnail's stays among the "other" properties.
TEST_P(Interpret, ExposureTimeOverridesShutterSpeed)
{
    for (bool exposurefirst : {true, false}) {
        ExifLayout l(GetParam());
        if (exposurefirst)
            l.b.rationals(l.exif, 0x829A, {{1, 125}});
        l.b.rationals(l.exif, 0x9201, {{7, 1}}, SRATIONAL);
        if (!exposurefirst)
            l.b.rationals(l.exif, 0x829A, {{1, 125}});
        Parsed p(l.b);
        EXPECT_EQ(p.prop(0x9201).lvl, LVL_OVERRIDE) << exposurefirst;
        EXPECT_EQ(p.text(0x9201), "1/128 sec");
        EXPECT_EQ(p.prop(0x829A).lvl, LVL_IMAGE);
    }
    TiffBuilder b(GetParam());
    const int ifd0 = b.dir(), ifd1 = b.dir(), exif = b.dir();
    b.chain(ifd0, ifd1).pointer(ifd0, 0x8769, exif);
    b.rationals(ifd1, 0x9201, {{7, 1}}, SRATIONAL).rationals(exif, 0x829A, {{1, 125}});
    EXPECT_EQ(Parsed(b).prop(0x9201).lvl, LVL_VERBOSE);
}

TEST_P(Interpret, FinishingCleansAsciiTexts)
{
    const struct {
        std::uint16_t tag;
        const char* stored;
        const char* text;
        std::uint16_t lvl;
    } cases[] = {
        {0x013B, "        ", "", LVL_VERBOSE},     {0x013B, " \t\n ", " __", LVL_VERBOSE},
        {0x013B, "\x01\x02", "__", LVL_VERBOSE},   {0x010F, "", "", LVL_VERBOSE},
        {0x0131, "Ver\t1.0", "Ver_1.0", LVL_CAMERA}, {0x0131, "v2\r", "v2_", LVL_CAMERA},
        {0x0110, "Cam 100   ", "Cam 100", LVL_CAMERA},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "tag 0x" << c.tag << " '" << c.stored << "'");
        TiffBuilder b(GetParam());
        b.ascii(b.dir(), c.tag, c.stored);
        Parsed p(b);
        EXPECT_EQ(p.text(c.tag), c.text);
        EXPECT_EQ(p.prop(c.tag).lvl, c.lvl);
    }
    TiffBuilder b(GetParam());
    b.raw(b.dir(), 0x013B, 2, 20, 0xFFFFFF00);
    EXPECT_EQ(Parsed(b).prop(0x013B).lvl, LVL_VERBOSE);
}

// Directory 1 of the main chain is the thumbnail's: its properties become
// "other" unless unsupported. Directory 2 of the chain keeps its levels.
TEST_P(Interpret, ThumbnailDirectoryIsOther)
{
    TiffBuilder b(GetParam());
    const int ifd0 = b.dir(), ifd1 = b.dir(), ifd2 = b.dir();
    b.chain(ifd0, ifd1).chain(ifd1, ifd2);
    for (int d : {ifd0, ifd1, ifd2})
        b.shorts(d, 0x0103, {6}).ascii(d, 0x0110, "Cam  ").longs(d, 0xC7F0, {1});
    Parsed p(b);
    for (std::uint32_t seq : {0u, 1u, 2u}) {
        EXPECT_EQ(p.prop(0x0103, seq).lvl, seq == 1 ? LVL_VERBOSE : LVL_IMAGE) << seq;
        EXPECT_EQ(p.prop(0x0110, seq).lvl, seq == 1 ? LVL_VERBOSE : LVL_CAMERA) << seq;
        EXPECT_EQ(p.prop(0xC7F0, seq).lvl, LVL_UNKNOWN) << seq;
    }
    // The last Model wins.
    EXPECT_EQ(p.info()->model, p.prop(0x0110, 2).str);
    EXPECT_STREQ(p.info()->model, "Cam");
}

// Rationals whose data lie outside the block, or straddle its end, keep their state.
TEST_P(Interpret, RationalsOutsideTheBlockStayUntouched)
{
    for (std::uint16_t tag : {0x829A, 0x9201, 0x829D, 0x9202, 0x9203, 0x9204, 0x9206, 0x920A, 0xA404, 0x011A})
        for (bool straddle : {false, true}) {
            SCOPED_TRACE(testing::Message() << std::hex << "tag 0x" << tag << (straddle ? " straddling" : ""));
            auto make = [&](std::uint32_t offset) {
                ExifLayout l(GetParam());
                l.b.shorts(l.ifd0, 0x0128, {2}).raw(l.exif, tag, RATIONAL, 1, offset);
                return l.b;
            };
            const auto size = static_cast<std::uint32_t>(make(0).tiff().size());
            Parsed p(make(straddle ? size - 4 : 0xFFFFFFF8));
            EXPECT_EQ(p.prop(tag).str, nullptr);
            EXPECT_EQ(p.prop(tag).lvl, LVL_IMAGE);
        }
}

// Rational tags stored as ASCII: texts are rewritten in buffers of their own
// and suffixes appended only where they fit; an inline text whose value word
// points outside the block stays.
TEST_P(Interpret, RationalTagsStoredAsAscii)
{
    const std::string x27(27, 'x'), y28(28, 'y');
    ExifLayout l(GetParam());
    l.b.ascii(l.exif, 0x829D, "abcdefgh").ascii(l.exif, 0x920A, "abc");
    l.b.ascii(l.exif, 0x829A, x27).ascii(l.exif, 0x9204, y28);
    Parsed p(l.b);
    EXPECT_EQ(p.text(0x829D).substr(0, 2), "f/");
    EXPECT_EQ(p.text(0x920A), "abc");
    EXPECT_EQ(p.text(0x829A), x27 + " sec");
    EXPECT_EQ(p.text(0x9204), y28 + " EV");

    ExifLayout m(GetParam());
    m.b.ascii(m.exif, 0x829A, x27 + "x").ascii(m.exif, 0x9203, y28 + "y");
    Parsed q(m.b);
    EXPECT_EQ(q.text(0x829A), x27 + "x");
    EXPECT_EQ(q.text(0x9203), y28 + "y");
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, Interpret, ::testing::Values(ORDER_LITTLE, ORDER_BIG),
                         [](const auto& info) { return info.param == ORDER_BIG ? "Big" : "Little"; });

}  // namespace
}  // namespace exifkit
