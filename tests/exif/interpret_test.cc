// Standard interpretation of parsed Exif blocks: arithmetic texts, units, flash
// flags, overrides and the finishing rules.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "exifkit/exif.h"
#include "support/exifbuilder.h"
#include "support/scanning.h"

namespace exifkit {
namespace {

using test::Scanned;
using test::textof;
using test::TiffBuilder;

constexpr std::uint16_t RATIONAL = 5, SRATIONAL = 10;
constexpr int IFD0 = 0, EXIF = 1;

constexpr std::uint32_t word(std::int32_t v) { return static_cast<std::uint32_t>(v); }

// IFD0 with a pointer to an Exif directory.
TiffBuilder exiflayout(int order = ORDER_LITTLE)
{
    TiffBuilder b(order);
    b.dir();
    b.dir();
    return b.pointer(IFD0, 0x8769, EXIF);
}

// exifparse on a heap copy of the block, less its last cut bytes, kept alive with the result.
Scanned parse(const TiffBuilder& b, std::size_t cut = 0)
{
    const test::bytes block = b.exif();
    Scanned s;
    s.block.reset(new unsigned char[block.size() - cut]);
    std::memcpy(s.block.get(), block.data(), block.size() - cut);
    s.info.reset(exifparse(s.block.get(), static_cast<std::uint32_t>(block.size() - cut)));
    return s;
}

// Resolutions look their unit up in the whole list, so it may come after them.
TEST(Interpret, RationalTextsInBothByteOrders)
{
    const struct {
        std::uint16_t tag;
        std::uint32_t num, den;
        const char* text;
        std::uint16_t lvl = LVL_IMAGE, unittag = 0, unit = 0;
    } cases[] = {
        {0x829A, 1, 125, "1/125 sec"},        {0x9201, 7, 1, "1/128 sec"},         {0x9201, 0, 0, "1/1 sec"},
        {0x9201, word(-1), 1, "1/1 sec"},     {0x9201, 3, word(-1), "8.0 sec"},    {0x9201, 31, 1, "Unknown"},
        {0x9201, 30, 1, "1/1073741824 sec"},  {0x9201, word(-40), 1, "Unknown"},   {0x9201, word(-3), 2, "2.8 sec"},
        {0x9201, word(-4), 1, "16 sec"},      {0x9201, 1, 0, "Unknown"},           {0x829D, 28, 10, "f/2.8"},
        {0x829D, 1, 0, "f/inf"},              {0x9202, 6, 1, "f/8.0"},             {0x9205, 3, 1, "f/2.8", LVL_PAS},
        {0x9203, 0xFFFFFFFF, 3, "Unknown"},   {0x9203, word(-2), 3, "-0.7 EV"},    {0x9204, word(-1), 3, "-1/3 EV"},
        {0x9206, 0xFFFFFFFF, 1, "Infinity"},  {0x9206, 5, 0, "Unknown"},           {0x9206, 1, 3, "0.33 m"},
        {0x920A, 5800, 1000, "5.80 mm"},      {0xA404, 2, 1, "2"},                 {0x011A, 72, 1, "72"},
        {0xA404, 100, 100, "1", LVL_VERBOSE}, {0xA404, 0, 1, "Unused", LVL_VERBOSE},
        {0x011A, 72, 1, "72 dpi", LVL_IMAGE, 0x0128, 2},     {0x011B, 72, 1, "72 dpcm", LVL_IMAGE, 0x0128, 3},
        {0x011A, 300, 7, "42 dpi", LVL_IMAGE, 0x0128, 2},    {0x011A, 72, 0, "Infinite", LVL_IMAGE, 0x0128, 2},
        {0x011A, 72, 1, "72", LVL_IMAGE, 0xA210, 2},         {0xA20E, 3000, 1, "3000", LVL_VERBOSE, 0x0128, 2},
        {0xA20E, 3000, 1, "3000 dpi", LVL_VERBOSE, 0xA210, 2}, {0xA20F, 1181, 1, "1181 dpcm", LVL_VERBOSE, 0xA210, 3},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << std::hex << c.tag << " " << c.num << "/" << c.den << " " << order);
            const bool signedtag = c.tag == 0x9201 || c.tag == 0x9203 || c.tag == 0x9204;
            TiffBuilder b = exiflayout(order);
            b.rationals(EXIF, c.tag, {{c.num, c.den}}, signedtag ? SRATIONAL : RATIONAL);
            if (c.unittag)
                b.shorts(EXIF, c.unittag, {c.unit});
            const Scanned s = parse(b);
            EXPECT_EQ(textof(s.find(c.tag)), c.text);
            EXPECT_EQ(s.find(c.tag)->lvl, c.lvl);
        }
}

TEST(Interpret, FlashFlagsDependOnExifVersion)
{
    const struct { const char* version; std::uint16_t value; const char* text; } cases[] = {
        {"0220", 0x20, "No Flash Function"}, {"0220", 0x5F, "Flash, Auto, Red-Eye Reduce, Return Detected"},
        {"0210", 0x20, "No Flash"}, {"0210", 0x5F, "Flash, Return Detected"}, {nullptr, 0x19, "Flash"},
        {"0300", 0x20, "No Flash Function"},
    };
    for (const auto& c : cases) {
        TiffBuilder b = exiflayout();
        if (c.version)
            b.undefined(EXIF, 0x9000, test::bytes(c.version, c.version + 4));
        b.shorts(EXIF, 0x9209, {c.value});
        EXPECT_EQ(textof(parse(b).find(0x9209)), c.text) << (c.version ? c.version : "no version");
    }
}

TEST(Interpret, ExposureTimeOverridesAShownShutterSpeedInEitherOrder)
{
    TiffBuilder before = exiflayout(), after = exiflayout();
    before.rationals(EXIF, 0x829A, {{1, 125}}).rationals(EXIF, 0x9201, {{7, 1}}, SRATIONAL);
    after.rationals(EXIF, 0x9201, {{7, 1}}, SRATIONAL).rationals(EXIF, 0x829A, {{1, 125}});
    const Scanned parsed[] = {parse(before), parse(after)};
    for (const Scanned& s : parsed) {
        EXPECT_EQ(s.find(0x9201)->lvl, LVL_OVERRIDE);
        EXPECT_EQ(s.find(0x829A)->lvl, LVL_IMAGE);
    }
}

TEST(Interpret, FinishingCleansAsciiTexts)
{
    const struct { std::uint16_t tag; const char *stored, *text; std::uint16_t lvl; } cases[] = {
        {0x013B, "        ", "", LVL_VERBOSE},   {0x013B, " \t\n ", " __", LVL_VERBOSE},
        {0x013B, "\x01\x02", "__", LVL_VERBOSE}, {0x0131, " \tX", " _X", LVL_CAMERA},
        {0x0131, "v2\r", "v2_", LVL_CAMERA},
    };
    for (const auto& c : cases) {
        TiffBuilder b;
        b.ascii(b.dir(), c.tag, c.stored);
        const Scanned s = parse(b);
        EXPECT_EQ(textof(s.find(c.tag)), c.text) << c.stored;
        EXPECT_EQ(s.find(c.tag)->lvl, c.lvl) << c.stored;
    }
    TiffBuilder b;
    b.raw(b.dir(), 0x013B, 2, 20, 0xFFFFFF00);
    EXPECT_EQ(parse(b).find(0x013B)->lvl, LVL_VERBOSE);
}

// Only directory 1 of the main chain, the thumbnail's, becomes "other" (but not
// what is unsupported); its ShutterSpeedValue is no longer shown, so not overridden.
TEST(Interpret, ThumbnailDirectoryIsOtherAndTheLastModelWins)
{
    TiffBuilder b = exiflayout();
    const int ifd1 = b.dir(), ifd2 = b.dir();
    b.chain(IFD0, ifd1).chain(ifd1, ifd2).rationals(EXIF, 0x829A, {{1, 125}});
    for (int d : {IFD0, ifd1, ifd2})
        b.ascii(d, 0x0110, "Cam  ").ascii(d, 0xC7F0, " ");
    b.rationals(ifd1, 0x9201, {{7, 1}}, SRATIONAL);
    const Scanned s = parse(b);
    const auto model = s.all(0x0110), unknown = s.all(0xC7F0);
    ASSERT_EQ(model.size(), 3u);
    for (std::size_t seq : {0u, 1u, 2u}) {
        EXPECT_EQ(model[seq]->lvl, seq == 1 ? LVL_VERBOSE : LVL_CAMERA) << seq;
        EXPECT_EQ(unknown[seq]->lvl, LVL_UNKNOWN) << seq;
    }
    EXPECT_EQ(s.find(0x9201)->lvl, LVL_VERBOSE);
    EXPECT_EQ(s.info->model, model[2]->str);
}

// Rationals whose data lie far outside the block, or straddle its end, keep their state.
TEST(Interpret, RationalsOutsideTheBlockStayUntouched)
{
    for (std::uint16_t tag : {0x829A, 0x9201, 0x829D, 0x9202, 0x9203, 0x9204, 0x9206, 0x920A, 0xA404, 0x011A}) {
        TiffBuilder far = exiflayout(), cut = exiflayout();
        far.shorts(IFD0, 0x0128, {2}).raw(EXIF, tag, RATIONAL, 1, 0xFFFFFFF8);
        cut.shorts(IFD0, 0x0128, {2}).rationals(EXIF, tag, {{1, 2}});
        const Scanned parsed[] = {parse(far), parse(cut, 4)};
        for (const Scanned& s : parsed) {
            EXPECT_EQ(s.find(tag)->str, nullptr) << std::hex << tag;
            EXPECT_EQ(s.find(tag)->lvl, LVL_IMAGE) << std::hex << tag;
        }
    }
}

// Flash and FocalLenIn35mmFilm with several values keep the reader's text; rational
// tags stored as ASCII get texts in buffers of their own, suffixes only where they
// fit, and keep an inline text whose value word points outside the block.
TEST(Interpret, EntriesOfAnotherShape)
{
    const std::string x27(27, 'x'), y28(28, 'y');
    TiffBuilder l = exiflayout(), m = exiflayout();
    l.shorts(EXIF, 0xA405, {35}).ascii(EXIF, 0x829A, x27);
    m.shorts(EXIF, 0x9209, {0x19, 0, 0}).shorts(EXIF, 0xA405, {35, 0, 0}).ascii(EXIF, 0x829A, x27 + "x");
    m.ascii(EXIF, 0x829D, "abcdefgh").ascii(EXIF, 0x920A, "abc");
    m.ascii(EXIF, 0x9204, y28).ascii(EXIF, 0x9203, y28 + "y");
    const Scanned s = parse(l), t = parse(m);
    EXPECT_EQ(textof(s.find(0xA405)), "35 mm");
    EXPECT_EQ(textof(s.find(0x829A)), x27 + " sec");
    EXPECT_EQ(textof(t.find(0x9209)), "25, 0, 0");
    EXPECT_EQ(textof(t.find(0xA405)), "35, 0, 0");
    EXPECT_EQ(textof(t.find(0x829A)), x27 + "x");
    EXPECT_EQ(textof(t.find(0x829D)).substr(0, 2), "f/");
    EXPECT_EQ(textof(t.find(0x920A)), "abc");
    EXPECT_EQ(textof(t.find(0x9204)), y28 + " EV");
    EXPECT_EQ(textof(t.find(0x9203)), y28 + "y");
}

}  // namespace
}  // namespace exifkit
