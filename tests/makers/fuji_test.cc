// Fujifilm maker notes: a little-endian directory whose offsets count from the
// note, in either order of Exif block; the version text; notes cut short.
#include <gtest/gtest.h>

#include "support/makernote.h"

namespace exifkit::test {
namespace {

class Fuji : public ::testing::TestWithParam<int> {};

TEST_P(Fuji, ReadsTheNoteFromItsOwnOffsetsInEitherByteOrder)
{
    for (std::uint16_t white : {0x0300, 0x0301, 0x0302, 0x0F00}) {
        TiffBuilder b = withmake(GetParam(), "FUJIFILM");
        b.undefined(EXIF, TAG_MAKERNOTE, fujinote([white](TiffBuilder& n, int d) {
            n.undefined(d, 0x0000, text("0130")).ascii(d, 0x1000, "FINE   ").shorts(d, 0x1001, {3});
            n.shorts(d, 0x1002, {white}).rationals(d, 0x1011, {{0xFFFFFFFE, 3}}, TYPE_SRATIONAL);
        }));
        const Scanned s = parse(b.rationals(EXIF, 0x829A, {{1, 125}}).exif());
        const char* texts[] = {"Daylight Color Fluorescence", "Daywhite Color Fluorescence", "White Fluorescence"};
        expecttexts(s, {{"FujiVersion", "0130"}, {"FujiQuality", "FINE"}, {"FujiSharpness", "Normal"},
                        {"FujiFlashStrength", "-0.7"}, {"ExposureTime", "1/125 sec"},
                        {"FujiWhiteBal", white == 0x0F00 ? "Custom" : texts[white & 3]}});
        EXPECT_EQ(s.info->mkrview.order, ORDER_LITTLE);
        EXPECT_EQ(s.info->tiff.order, GetParam());
    }
}

// Without the header the directory stands at the note's first byte, in the
// block's own order; the version still reads as stored.
TEST_P(Fuji, ReadsAHeaderlessNoteAndOnlyAFourByteVersion)
{
    for (const auto& [version, shown] : {std::pair<std::string, std::string>{"0130", "0130"}, {"01300", "<none>"}}) {
        TiffBuilder b = withmake(GetParam(), "FUJIFILM");
        b.dir();
        b.note(EXIF, NOTE).undefined(NOTE, 0x0000, text(version)).shorts(NOTE, 0x1001, {5});
        expecttexts(parse(b.exif()), {{"FujiVersion", shown}, {"FujiSharpness", "Hard"}});
    }
}

// A header cut short, or a directory position outside the block: no directory.
TEST_P(Fuji, RefusesANoteCutShortOrPointingOutside)
{
    for (const std::string& tail : {std::string("FUJIFILM"), std::string("FUJIFILM\x0C", 9),
                                    std::string("FUJIFILM\xF0\xFF\0\0", 12), std::string("FUJIFILM\x0C\0\0\0\x05", 13)})
        EXPECT_EQ(parse(tailnote(withmake(GetParam(), "FUJIFILM"), tail)).props().back()->tag, TAG_MAKERNOTE);
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, Fuji, ::testing::Values(ORDER_LITTLE, ORDER_BIG),
                         ordername<::testing::TestParamInfo<int>>);

}  // namespace
}  // namespace exifkit::test
