// Leica maker notes: the Fujifilm layout handed on, and Leica's own directory
// chain, with or without its header, whose white balance and contrast stand in
// for the standard ones.
#include <gtest/gtest.h>

#include <string>

#include "makers/withnote.h"
#include "support/scanning.h"

namespace exifkit::test {
namespace {

const std::string MAKE = "LEICA";
constexpr std::uint16_t WHITEBALANCE = 0xA403, CONTRAST = 0xA408;

class Leica : public ::testing::TestWithParam<int> {};

TEST_P(Leica, HandsAFujifilmLayoutNoteToTheFujifilmReader)
{
    TiffBuilder b = withmake(GetParam(), MAKE);
    b.shorts(EXIF, WHITEBALANCE, {0}).undefined(EXIF, TAG_MAKERNOTE, fujinote([](TiffBuilder& n, int d) {
        n.undefined(d, 0x0000, text("0130")).ascii(d, 0x1000, "NORMAL ").shorts(d, 0x1002, {256});
    }));
    const Scanned s = parse(b.exif());
    EXPECT_EQ(textof(s.named("FujiVersion")), "0130");
    EXPECT_EQ(textof(s.named("FujiQuality")), "NORMAL");
    EXPECT_EQ(textof(s.named("FujiWhiteBal")), "Daylight");
    EXPECT_EQ(s.find(WHITEBALANCE)->lvl, LVL_IMAGE);
}

TEST_P(Leica, ReadsItsOwnChainAndOverridesWhiteBalanceAndContrast)
{
    for (bool header : {true, false}) {
        TiffBuilder b = withmake(GetParam(), MAKE);
        const int note = b.dir(), second = b.dir();
        b.shorts(EXIF, WHITEBALANCE, {0}).shorts(EXIF, CONTRAST, {0});
        b.note(EXIF, note, header ? text("LEICA\1\2\3") : bytes{}).chain(note, second);
        b.shorts(note, 0x0003, {2}).shorts(note, 0x002C, {288}).shorts(note, 0x0024, {0xFFFD});
        b.shorts(second, 0x0007, {1});
        const Scanned s = parse(b.exif());
        EXPECT_EQ(textof(s.named("LeicaWhiteBal")), "Sunshine");
        EXPECT_EQ(textof(s.named("LeicaContrast")), "High");
        EXPECT_EQ(textof(s.named("LeicaFlashEV")), "-1 EV");
        EXPECT_EQ(textof(s.named("LeicaFocusMode")), "Auto");
        EXPECT_EQ(s.find(WHITEBALANCE)->lvl, LVL_OVERRIDE);
        EXPECT_EQ(s.find(CONTRAST)->lvl, LVL_OVERRIDE);
    }
}

TEST_P(Leica, RefusesANoteCutShort)
{
    for (const std::string& tail : {std::string("LEI"), std::string("LEICA\0\0", 7), std::string("FUJIFILM\x0C", 9)}) {
        const Scanned s = parse(tailnote(withmake(GetParam(), MAKE), text(tail)));
        ASSERT_TRUE(s);
        EXPECT_EQ(s.props().back()->tag, TAG_MAKERNOTE) << tail.size();
    }
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, Leica, ::testing::Values(ORDER_LITTLE, ORDER_BIG),
                         ordername<::testing::TestParamInfo<int>>);

}  // namespace
}  // namespace exifkit::test
