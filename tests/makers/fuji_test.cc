// Fujifilm maker notes: a little-endian directory whose offsets count from the
// note, in either order of Exif block; the version text; notes cut short.
#include <gtest/gtest.h>

#include <string>

#include "makers/withnote.h"
#include "support/scanning.h"

namespace exifkit::test {
namespace {

const std::string MAKE = "FUJIFILM";

constexpr std::uint32_t word(std::int32_t v) { return static_cast<std::uint32_t>(v); }

class Fuji : public ::testing::TestWithParam<int> {};

TEST_P(Fuji, ReadsTheNoteFromItsOwnOffsetsInEitherByteOrder)
{
    const bytes note = fujinote([](TiffBuilder& n, int d) {
        n.undefined(d, 0x0000, text("0130")).ascii(d, 0x1000, "FINE   ").shorts(d, 0x1001, {3});
        n.shorts(d, 0x1002, {770}).shorts(d, 0x1010, {3}).rationals(d, 0x1011, {{word(-2), 3}}, 10);
        n.shorts(d, 0x1021, {1}).shorts(d, 0x1031, {512});
    });
    TiffBuilder b = withmake(GetParam(), MAKE);
    b.undefined(EXIF, TAG_MAKERNOTE, note).rationals(EXIF, 0x829A, {{1, 125}});
    const Scanned s = parse(b.exif());
    const std::pair<const char*, const char*> expected[] = {
        {"FujiVersion", "0130"},        {"FujiQuality", "FINE"},           {"FujiSharpness", "Normal"},
        {"FujiWhiteBal", "White Fluorescence"}, {"FujiFlashMode", "Red Eye Reduction"},
        {"FujiFlashStrength", "-0.7"},  {"FujiFocusMode", "Manual"},       {"FujiPicMode", "Shutter Prior AE"},
        {"ExposureTime", "1/125 sec"},
    };
    for (const auto& [name, text] : expected)
        EXPECT_EQ(textof(s.named(name)), text) << name;
    EXPECT_EQ(s.named("FujiVersion")->lvl, LVL_CAMERA);
    EXPECT_EQ(s.info->mkrview.order, ORDER_LITTLE);
    EXPECT_EQ(s.info->tiff.order, GetParam());
}

TEST_P(Fuji, WhiteBalanceTexts)
{
    const std::pair<std::uint16_t, const char*> cases[] = {
        {0x0300, "Daylight Color Fluorescence"}, {0x0301, "Daywhite Color Fluorescence"},
        {0x0302, "White Fluorescence"},          {0x0F00, "Custom"}, {0x0303, "Unknown"},
    };
    for (const auto& [value, text] : cases) {
        TiffBuilder b = withmake(GetParam(), MAKE);
        b.undefined(EXIF, TAG_MAKERNOTE, fujinote([v = value](TiffBuilder& n, int d) { n.shorts(d, 0x1002, {v}); }));
        EXPECT_EQ(textof(parse(b.exif()).named("FujiWhiteBal")), text);
    }
}

// Without the header the directory stands at the note's first byte in the
// block's own order; the version still reads as stored.
TEST_P(Fuji, ReadsAHeaderlessNoteAndOnlyAFourByteVersion)
{
    for (const auto& [version, text] : {std::pair<std::string, std::string>{"0130", "0130"}, {"01300", "<none>"}}) {
        TiffBuilder b = withmake(GetParam(), MAKE);
        b.dir();
        b.note(EXIF, NOTE).undefined(NOTE, 0x0000, test::text(version)).shorts(NOTE, 0x1001, {5});
        const Scanned s = parse(b.exif());
        EXPECT_EQ(textof(s.named("FujiVersion")), text);
        EXPECT_EQ(textof(s.named("FujiSharpness")), "Hard");
        EXPECT_EQ(s.info->mkrview.order, GetParam());
    }
}

// A header cut short, or a position outside the block: no directory.
TEST_P(Fuji, RefusesANoteCutShortOrPointingOutside)
{
    for (const std::string& tail : {std::string("FUJIFIL"), std::string("FUJIFILM"), std::string("FUJIFILM\x0C", 9),
                                    std::string("FUJIFILM\xF0\xFF\0\0", 12), std::string("FUJIFILM\x0C\0\0\0\x05", 13)}) {
        const Scanned s = parse(tailnote(withmake(GetParam(), MAKE), text(tail)));
        ASSERT_TRUE(s);
        EXPECT_EQ(s.props().back()->tag, TAG_MAKERNOTE) << tail.size();
    }
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, Fuji, ::testing::Values(ORDER_LITTLE, ORDER_BIG),
                         ordername<::testing::TestParamInfo<int>>);

}  // namespace
}  // namespace exifkit::test
