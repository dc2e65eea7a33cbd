// Standard interpretation of parsed Exif blocks: arithmetic texts, units,
// flash flags, overrides and the finishing rules, in both byte orders.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "exifkit/exif.h"
#include "support/exifbuilder.h"
#include "support/recording.h"

namespace exifkit {
namespace {

using test::TiffBuilder;

constexpr std::uint16_t TAG_EXIFIFD = 0x8769;
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

    // The first property of the table with the tag, or null.
    exif_prop* prop(std::uint16_t tag, const tag_def* table = tags) const
    {
        return info_ ? findprop(info_->props, table, tag) : nullptr;
    }

    // The property of the tag that came from directory number seq, or null.
    exif_prop* propin(std::uint16_t tag, std::uint32_t seq) const
    {
        for (exif_prop* p = info_ ? info_->props : nullptr; p; p = p->next)
            if (p->tagset == tags && p->tag == tag && p->ifdseq == seq)
                return p;
        return nullptr;
    }

private:
    test::bytes block_;
    exif_info_ptr info_;
};

std::string text(const exif_prop* prop)
{
    if (!prop)
        return "<no property>";
    return prop->str ? prop->str : "<null>";
}

// IFD0 with a pointer to an Exif directory.
struct ExifLayout {
    explicit ExifLayout(int order) : b(order), ifd0(b.dir()), exif(b.dir()) { b.pointer(ifd0, TAG_EXIFIFD, exif); }
    TiffBuilder b;
    int ifd0;
    int exif;
};

class Interpret : public ::testing::TestWithParam<int> {};

std::string orderName(const ::testing::TestParamInfo<int>& info)
{
    return info.param == ORDER_BIG ? "Big" : "Little";
}

struct RationalCase {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t num, den;
    const char* text;
    std::uint16_t lvl = LVL_IMAGE;
};

const RationalCase rationalCases[] = {
    {0x829A, RATIONAL, 1, 125, "1/125 sec"},
    {0x829A, RATIONAL, 3, 10, "0.3 sec"},
    {0x829A, RATIONAL, 1, 0, "Infinite sec"},
    {0x9201, SRATIONAL, 7, 1, "1/128 sec"},
    {0x9201, SRATIONAL, 5, 1, "1/32 sec"},
    {0x9201, SRATIONAL, 0, 1, "1/1 sec"},
    {0x9201, SRATIONAL, word(-1), 1, "1/1 sec"},
    {0x9201, SRATIONAL, 1, word(-1), "1/1 sec"},
    {0x9201, RATIONAL, word(-1), 1, "1/1 sec"},
    {0x9201, SRATIONAL, 0, 0, "1/1 sec"},
    {0x9201, SRATIONAL, 30, 1, "1/1073741824 sec"},
    {0x9201, SRATIONAL, word(-3), 2, "2.8 sec"},
    {0x9201, SRATIONAL, word(-2), 1, "4.0 sec"},
    {0x9201, SRATIONAL, word(-4), 1, "16 sec"},
    {0x9201, SRATIONAL, 31, 1, "Unknown"},
    {0x9201, SRATIONAL, word(-40), 1, "Unknown"},
    {0x9201, SRATIONAL, 1, 0, "Unknown"},
    {0x9201, SRATIONAL, word(-1), 0, "Unknown"},
    {0x829D, RATIONAL, 28, 10, "f/2.8"},
    {0x829D, RATIONAL, 1, 0, "f/inf"},
    {0x9202, RATIONAL, 6, 1, "f/8.0"},
    {0x9202, RATIONAL, 3, 1, "f/2.8"},
    {0x9202, RATIONAL, 0, 1, "f/1.0"},
    {0x9205, RATIONAL, 3, 1, "f/2.8", LVL_PAS},
    {0x9203, SRATIONAL, 0xFFFFFFFF, 1, "Unknown"},
    {0x9203, SRATIONAL, word(-1), 3, "Unknown"},
    {0x9203, SRATIONAL, word(-2), 3, "-0.7 EV"},
    {0x9203, SRATIONAL, 5, 1, "5 EV"},
    {0x9204, SRATIONAL, 0, 1, "0 EV"},
    {0x9204, SRATIONAL, word(-1), 3, "-1/3 EV"},
    {0x9206, RATIONAL, 0xFFFFFFFF, 1, "Infinity"},
    {0x9206, RATIONAL, 0xFFFFFFFF, 0, "Infinity"},
    {0x9206, RATIONAL, 5, 0, "Unknown"},
    {0x9206, RATIONAL, 0, 1, "0.00 m"},
    {0x9206, RATIONAL, 1, 3, "0.33 m"},
    {0x920A, RATIONAL, 5800, 1000, "5.80 mm"},
    {0xA404, RATIONAL, 0, 1, "Unused", LVL_VERBOSE},
    {0xA404, RATIONAL, 100, 100, "1", LVL_VERBOSE},
    {0xA404, RATIONAL, 2, 1, "2", LVL_IMAGE},
};

TEST_P(Interpret, RationalTexts)
{
    for (const RationalCase& c : rationalCases) {
        SCOPED_TRACE(testing::Message() << std::hex << "tag 0x" << c.tag << " " << c.num << "/" << c.den);
        ExifLayout l(GetParam());
        l.b.rationals(l.exif, c.tag, {{c.num, c.den}}, c.type);
        Parsed p(l.b);
        const exif_prop* prop = p.prop(c.tag);
        ASSERT_NE(prop, nullptr);
        EXPECT_EQ(text(prop), c.text);
        EXPECT_EQ(prop->lvl, c.lvl);
    }
}

struct ResolutionCase {
    std::uint16_t tag;
    std::uint16_t unittag;  // 0: no unit entry
    std::uint16_t unit;
    std::uint32_t num, den;
    const char* text;
};

const ResolutionCase resolutionCases[] = {
    {0x011A, 0x0128, 2, 72, 1, "72 dpi"},
    {0x011B, 0x0128, 3, 72, 1, "72 dpcm"},
    {0x011A, 0x0128, 1, 72, 1, "72 dp"},
    {0x011A, 0, 0, 72, 1, "72"},
    {0x011A, 0x0128, 2, 300, 7, "42 dpi"},
    {0x011A, 0x0128, 2, 0xFFFFFFFF, 1, "4294967295 dpi"},
    {0x011A, 0x0128, 2, 72, 0, "Infinite"},
    {0x011A, 0xA210, 2, 72, 1, "72"},
    {0xA20E, 0xA210, 2, 3000, 1, "3000 dpi"},
    {0xA20F, 0xA210, 3, 1181, 1, "1181 dpcm"},
    {0xA20E, 0x0128, 2, 3000, 1, "3000"},
    {0xA20F, 0xA210, 2, 3000, 0, "Infinite"},
};

// The unit entry follows the resolution: it is looked up in the whole list.
TEST_P(Interpret, ResolutionsWithUnits)
{
    for (const ResolutionCase& c : resolutionCases) {
        SCOPED_TRACE(testing::Message() << std::hex << "tag 0x" << c.tag << " unit tag 0x" << c.unittag);
        ExifLayout l(GetParam());
        l.b.rationals(l.ifd0, c.tag, {{c.num, c.den}});
        if (c.unittag)
            l.b.shorts(l.exif, c.unittag, {c.unit});
        Parsed p(l.b);
        EXPECT_EQ(text(p.prop(c.tag)), c.text);
    }
}

struct FlashCase {
    const char* version;  // ExifVersion bytes, or null for no entry
    std::uint16_t value;
    const char* text;
};

const FlashCase flashCases[] = {
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
    {"0221", 0x49, "Flash, Compulsory, Red-Eye Reduce"},
    {"0210", 0x19, "Flash"},
    {"0210", 0x20, "No Flash"},
    {"0210", 0x5F, "Flash, Return Detected"},
    {nullptr, 0x19, "Flash"},
    {nullptr, 0x20, "No Flash"},
};

TEST_P(Interpret, FlashFlagsDependOnExifVersion)
{
    for (const FlashCase& c : flashCases) {
        SCOPED_TRACE(testing::Message() << (c.version ? c.version : "no version") << " 0x" << std::hex << c.value);
        ExifLayout l(GetParam());
        if (c.version)
            l.b.undefined(l.exif, 0x9000, test::bytes(c.version, c.version + 4));
        l.b.shorts(l.exif, 0x9209, {c.value});
        Parsed p(l.b);
        EXPECT_EQ(text(p.prop(0x9209)), c.text);
        EXPECT_EQ(p.prop(0x9209)->lvl, LVL_IMAGE);
    }
}

// Flash, FocalLenIn35mmFilm and stray field types that the reader already gave a
// text keep that text; nothing aborts.
TEST_P(Interpret, EntriesWithReaderTextKeepIt)
{
    ExifLayout l(GetParam());
    l.b.shorts(l.exif, 0x9209, {0x19, 0, 0});
    l.b.shorts(l.exif, 0xA405, {35, 0, 0});
    Parsed p(l.b);
    EXPECT_EQ(text(p.prop(0x9209)), "25, 0, 0");
    EXPECT_EQ(text(p.prop(0xA405)), "35, 0, 0");

    ExifLayout a(GetParam());
    a.b.ascii(a.exif, 0x9209, "on");
    Parsed q(a.b);
    EXPECT_EQ(text(q.prop(0x9209)), "on");
}

TEST_P(Interpret, FocalLengthIn35mmFilm)
{
    ExifLayout l(GetParam());
    l.b.shorts(l.exif, 0xA405, {35});
    Parsed p(l.b);
    EXPECT_EQ(text(p.prop(0xA405)), "35 mm");
    EXPECT_EQ(p.prop(0xA405)->lvl, LVL_PAS);
}

// ExposureTime pushes ShutterSpeedValue to the override level whichever comes first.
TEST_P(Interpret, ExposureTimeOverridesShutterSpeed)
{
    for (bool exposurefirst : {true, false}) {
        SCOPED_TRACE(exposurefirst ? "ExposureTime first" : "ShutterSpeedValue first");
        ExifLayout l(GetParam());
        if (exposurefirst)
            l.b.rationals(l.exif, 0x829A, {{1, 125}});
        l.b.rationals(l.exif, 0x9201, {{7, 1}}, SRATIONAL);
        if (!exposurefirst)
            l.b.rationals(l.exif, 0x829A, {{1, 125}});
        Parsed p(l.b);
        EXPECT_EQ(p.prop(0x9201)->lvl, LVL_OVERRIDE);
        EXPECT_EQ(text(p.prop(0x9201)), "1/128 sec");
        EXPECT_EQ(p.prop(0x829A)->lvl, LVL_IMAGE);
        EXPECT_EQ(p.prop(0x829A)->override, 0x9201);
    }
}

// Only a shown level is overridden: a thumbnail's ShutterSpeedValue stays "other".
TEST_P(Interpret, OverrideLeavesHiddenLevelAlone)
{
    TiffBuilder b(GetParam());
    const int ifd0 = b.dir(), ifd1 = b.dir(), exif = b.dir();
    b.chain(ifd0, ifd1).pointer(ifd0, TAG_EXIFIFD, exif);
    b.rationals(ifd1, 0x9201, {{7, 1}}, SRATIONAL);
    b.rationals(exif, 0x829A, {{1, 125}});
    Parsed p(b);
    EXPECT_EQ(p.prop(0x9201)->lvl, LVL_VERBOSE);
}

TEST_P(Interpret, ModelIsTheLastModelText)
{
    TiffBuilder b(GetParam());
    const int ifd0 = b.dir(), ifd1 = b.dir();
    b.chain(ifd0, ifd1);
    b.ascii(ifd0, 0x0110, "First   ");
    b.ascii(ifd1, 0x0110, "Second  ");
    Parsed p(b);
    const exif_prop* second = p.propin(0x0110, 1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(p.info()->model, second->str);
    EXPECT_STREQ(p.info()->model, "Second");
    EXPECT_EQ(text(p.propin(0x0110, 0)), "First");

    TiffBuilder none(GetParam());
    none.ascii(none.dir(), 0x010F, "Maker");
    EXPECT_EQ(Parsed(none).info()->model, nullptr);
}

struct AsciiCase {
    std::uint16_t tag;
    std::string stored;
    const char* text;
    std::uint16_t lvl;
};

const AsciiCase asciiCases[] = {
    {0x013B, "        ", "", LVL_VERBOSE},
    {0x013B, " \t\n ", " __", LVL_VERBOSE},
    {0x013B, "\x01\x02", "__", LVL_VERBOSE},
    {0x013B, "Ann Lee", "Ann Lee", LVL_CAMERA},
    {0x0131, "Ver\t1.0", "Ver_1.0", LVL_CAMERA},
    {0x0131, "v2\r", "v2_", LVL_CAMERA},
    {0x0110, "Cam 100   ", "Cam 100", LVL_CAMERA},
    {0x0110, "ab", "ab", LVL_CAMERA},
    {0x0110, " ", "", LVL_VERBOSE},
    {0x010F, "", "", LVL_VERBOSE},
};

TEST_P(Interpret, FinishingCleansAsciiTexts)
{
    for (const AsciiCase& c : asciiCases) {
        SCOPED_TRACE(testing::Message() << std::hex << "tag 0x" << c.tag << " '" << c.stored << "'");
        TiffBuilder b(GetParam());
        b.ascii(b.dir(), c.tag, c.stored);
        Parsed p(b);
        EXPECT_EQ(text(p.prop(c.tag)), c.text);
        EXPECT_EQ(p.prop(c.tag)->lvl, c.lvl);
    }
}

// An ASCII entry whose data lie outside the block has no text: it is blank.
TEST_P(Interpret, AsciiWithoutTextIsHidden)
{
    TiffBuilder b(GetParam());
    b.raw(b.dir(), 0x013B, 2, 20, 0xFFFFFF00);
    Parsed p(b);
    EXPECT_EQ(p.prop(0x013B)->str, nullptr);
    EXPECT_EQ(p.prop(0x013B)->lvl, LVL_VERBOSE);
}

// Directory 1 of the main chain is the thumbnail's: its properties become
// "other" unless unsupported. Directory 2 of the chain keeps its levels.
TEST_P(Interpret, ThumbnailDirectoryIsOther)
{
    TiffBuilder b(GetParam());
    const int ifd0 = b.dir(), ifd1 = b.dir(), ifd2 = b.dir();
    b.chain(ifd0, ifd1).chain(ifd1, ifd2);
    for (int d : {ifd0, ifd1, ifd2}) {
        b.shorts(d, 0x0103, {6});
        b.ascii(d, 0x0131, "Fw 1.0");
        b.longs(d, 0xC7F0, {1});
    }
    Parsed p(b);
    for (std::uint32_t seq : {0u, 1u, 2u}) {
        SCOPED_TRACE(testing::Message() << "directory " << seq);
        const bool thumbnail = seq == 1;
        EXPECT_EQ(p.propin(0x0103, seq)->lvl, thumbnail ? LVL_VERBOSE : LVL_IMAGE);
        EXPECT_EQ(p.propin(0x0131, seq)->lvl, thumbnail ? LVL_VERBOSE : LVL_CAMERA);
        EXPECT_EQ(p.propin(0xC7F0, seq)->lvl, LVL_UNKNOWN);
    }
}

// A sub-directory read as directory 1 (no thumbnail chained) is not the thumbnail's.
TEST_P(Interpret, SubDirectoryNumberedOneKeepsLevels)
{
    ExifLayout l(GetParam());
    l.b.shorts(l.exif, 0x9209, {1});
    Parsed p(l.b);
    ASSERT_EQ(p.prop(0x9209)->ifdseq, 1u);
    EXPECT_EQ(p.prop(0x9209)->lvl, LVL_IMAGE);
}

// Rationals the reader could not read keep their state.
TEST_P(Interpret, RationalsOutsideTheBlockStayUntouched)
{
    const struct {
        std::uint16_t tag, type, lvl;
    } rationals[] = {{0x829A, RATIONAL, LVL_IMAGE},  {0x9201, SRATIONAL, LVL_IMAGE}, {0x829D, RATIONAL, LVL_IMAGE},
                     {0x9202, RATIONAL, LVL_IMAGE},  {0x9203, SRATIONAL, LVL_IMAGE}, {0x9204, SRATIONAL, LVL_IMAGE},
                     {0x9206, RATIONAL, LVL_IMAGE},  {0x920A, RATIONAL, LVL_IMAGE},  {0xA404, RATIONAL, LVL_IMAGE},
                     {0x011A, RATIONAL, LVL_IMAGE},  {0xA20E, RATIONAL, LVL_VERBOSE}};
    for (const auto& r : rationals) {
        SCOPED_TRACE(testing::Message() << std::hex << "tag 0x" << r.tag);
        for (bool straddle : {false, true}) {
            // The size of the block does not depend on the value word.
            auto make = [&](std::uint32_t offset) {
                ExifLayout l(GetParam());
                l.b.shorts(l.ifd0, 0x0128, {2}).shorts(l.exif, 0xA210, {2});
                l.b.raw(l.exif, r.tag, r.type, 1, offset);
                return l.b;
            };
            const auto size = static_cast<std::uint32_t>(make(0).tiff().size());
            Parsed p(make(straddle ? size - 4 : 0xFFFFFFF8));
            const exif_prop* prop = p.prop(r.tag);
            ASSERT_NE(prop, nullptr);
            EXPECT_EQ(prop->str, nullptr);
            EXPECT_EQ(prop->lvl, r.lvl);
        }
    }
}

// Standard rational tags stored as ASCII: texts are rewritten in buffers of
// their own, suffixes only appended where they fit.
TEST_P(Interpret, RationalTagsStoredAsAscii)
{
    const std::string sec27(27, 'x'), ev28(28, 'y');
    ExifLayout l(GetParam());
    l.b.ascii(l.exif, 0x829D, "abcdefgh");
    l.b.ascii(l.exif, 0x920A, "abc");
    l.b.ascii(l.exif, 0x829A, sec27);
    l.b.ascii(l.exif, 0x9204, ev28);
    Parsed p(l.b);
    EXPECT_EQ(text(p.prop(0x829D)).substr(0, 2), "f/");
    EXPECT_EQ(text(p.prop(0x920A)), "abc");
    EXPECT_EQ(text(p.prop(0x829A)), sec27 + " sec");
    EXPECT_EQ(text(p.prop(0x9204)), ev28 + " EV");

    ExifLayout m(GetParam());
    m.b.ascii(m.exif, 0x829A, sec27 + "x");
    m.b.ascii(m.exif, 0x9203, ev28 + "y");
    Parsed q(m.b);
    EXPECT_EQ(text(q.prop(0x829A)), sec27 + "x");
    EXPECT_EQ(text(q.prop(0x9203)), ev28 + "y");
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, Interpret, ::testing::Values(ORDER_LITTLE, ORDER_BIG), orderName);

TEST(InterpretRejects, BlockTheReaderRejects)
{
    test::RecordingSink sink;
    const unsigned char junk[] = "Exif\0\0XX\0\x2a\0\0\0\x08";
    EXPECT_EQ(exifparse(junk, sizeof junk - 1), nullptr);
    EXPECT_TRUE(sink.has("invalid TIFF header"));
}

}  // namespace
}  // namespace exifkit
