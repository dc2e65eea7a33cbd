// Leica maker notes: the Fujifilm layout handed on, and Leica's own directory
// chain, with or without its header, whose white balance and contrast stand in
// for the standard ones.
#include <gtest/gtest.h>

#include "support/makernote.h"

namespace exifkit::test {
namespace {

constexpr std::uint16_t WHITEBALANCE = 0xA403, CONTRAST = 0xA408;

class Leica : public ::testing::TestWithParam<int> {};

TEST_P(Leica, HandsAFujifilmLayoutNoteToTheFujifilmReader)
{
    TiffBuilder b = withmake(GetParam(), "LEICA");
    b.shorts(EXIF, WHITEBALANCE, {0}).undefined(EXIF, TAG_MAKERNOTE, fujinote([](TiffBuilder& n, int d) {
        n.undefined(d, 0x0000, text("0130")).ascii(d, 0x1000, "NORMAL ").shorts(d, 0x1002, {256});
    }));
    const Scanned s = parse(b.exif());
    expecttexts(s, {{"FujiVersion", "0130"}, {"FujiQuality", "NORMAL"}, {"FujiWhiteBal", "Daylight"}});
    EXPECT_EQ(s.find(WHITEBALANCE)->lvl, LVL_IMAGE);
}

TEST_P(Leica, ReadsItsOwnChainAndOverridesWhiteBalanceAndContrast)
{
    for (bool header : {true, false}) {
        TiffBuilder b = withmake(GetParam(), "LEICA");
        const int note = b.dir(), second = b.dir();
        b.shorts(EXIF, WHITEBALANCE, {0}).shorts(EXIF, CONTRAST, {0});
        b.note(EXIF, note, header ? text("LEICA\1\2\3") : bytes{}).chain(note, second);
        b.shorts(note, 0x0003, {2}).shorts(note, 0x002C, {288}).shorts(note, 0x0024, {0xFFFD});
        const Scanned s = parse(b.shorts(second, 0x0007, {1}).exif());
        expecttexts(s, {{"LeicaWhiteBal", "Sunshine"}, {"LeicaContrast", "High"}, {"LeicaFlashEV", "-1 EV"},
                        {"LeicaFocusMode", "Auto"}});
        EXPECT_EQ(s.find(WHITEBALANCE)->lvl, LVL_OVERRIDE);
        EXPECT_EQ(s.find(CONTRAST)->lvl, LVL_OVERRIDE);
    }
    for (const std::string& tail : {std::string("LEI"), std::string("LEICA\0\0", 7), std::string("FUJIFILM\x0C", 9)})
        EXPECT_EQ(parse(tailnote(withmake(GetParam(), "LEICA"), tail)).props().back()->tag, TAG_MAKERNOTE);
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, Leica, ::testing::Values(ORDER_LITTLE, ORDER_BIG),
                         ordername<::testing::TestParamInfo<int>>);

}  // namespace
}  // namespace exifkit::test
