// Panasonic maker notes: the 12-byte header and its refusals, the flash bias
// and white-balance adjust texts at every width, the spot mode in either byte
// order, and the overrides.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "makers/noteblocks.h"
#include "makers/panasonic.h"
#include "support/recording.h"
#include "support/scanning.h"

namespace exifkit {
namespace {

using namespace std::string_literals;
using test::textof;

constexpr const char* UNSUPPORTED = "Maker note format not supported";
const std::string HEADER = "Panasonic\0\0\0"s;

class PanasonicNote : public testing::TestWithParam<int> {};

// Refused: a header with only two zero bytes, another word, a note cut by the
// end of the block after 11 or 1 of its header bytes.
TEST_P(PanasonicNote, HeaderIsRequiredWhole)
{
    const int order = GetParam();
    const struct { std::string header; std::size_t keep; bool read; } cases[] = {
        {HEADER, 99, true}, {"Panasonic\0\0\x01"s, 99, false}, {"Panasonix\0\0\0"s, 99, false},
        {HEADER, 11, false}, {HEADER, 1, false},
    };
    for (const auto& c : cases) {
        const test::bytes note = test::shortnote(order, test::bytesof(c.header), {{0x0001, 2}});
        const std::size_t cut = note.size() - std::min(note.size(), c.keep);
        test::RecordingSink sink;
        const test::Scanned s = test::parse(test::rawnoteblock(order, "Panasonic", note, cut));
        EXPECT_EQ(textof(s.find(0x0001, panasonic_tags0)), c.read ? "Fine" : "<no property>") << c.keep;
        EXPECT_EQ(sink.has(UNSUPPORTED), !c.read) << c.keep;
    }
}

// Thirds of a stop, and the adjustment in full, however wide.
TEST_P(PanasonicNote, FlashBiasAndWhiteBalanceAdjust)
{
    const struct { std::uint16_t tag, value; const char* text; } cases[] = {
        {0x0024, 0xFFFD, "-1.00 EV"},   {0x0024, 6, "2.00 EV"},            {0x0024, 1, "0.33 EV"},
        {0x0024, 0xFFE2, "-10.00 EV"},  {0x0024, 0xFED4, "-100.00 EV"},    {0x0024, 0x8000, "-10922.67 EV"},
        {0x0023, 0xFFFE, "-2"},         {0x0023, 0x8000, "-32768"},        {0x0023, 30000, "30000"},
    };
    for (const auto& c : cases) {
        test::TiffBuilder b = test::noteblock(GetParam(), "Panasonic", test::bytesof(HEADER));
        b.shorts(test::NOTE_DIR, c.tag, {c.value}, c.tag == 0x0024 ? 8 : 3);
        EXPECT_EQ(textof(test::parse(b.exif()).find(c.tag, panasonic_tags0)), c.text) << c.value;
    }
}

// The two stored bytes decide, first byte high, in either byte order.
TEST_P(PanasonicNote, SpotModeFromItsStoredBytes)
{
    const struct { test::bytes stored; const char* text; } cases[] = {
        {{0x01, 0x00}, "On"}, {{0x10, 0x00}, "Off"}, {{0x10}, "Off"}, {{0x00, 0x10}, "Unknown"},
    };
    for (const auto& c : cases) {
        test::TiffBuilder b = test::noteblock(GetParam(), "Panasonic", test::bytesof(HEADER));
        b.field(test::NOTE_DIR, 0x000f, 1, static_cast<std::uint32_t>(c.stored.size()), c.stored);
        EXPECT_EQ(textof(test::parse(b.exif()).find(0x000f, panasonic_tags0)), c.text) << c.stored.size();
    }
}

TEST_P(PanasonicNote, ChainAndOverrides)
{
    test::TiffBuilder b = test::noteblock(GetParam(), "Panasonic", test::bytesof(HEADER));
    const int second = b.dir();
    b.chain(test::NOTE_DIR, second).shorts(second, 0x001f, {21});
    b.shorts(test::NOTE_DIR, 0x0003, {8}).shorts(test::NOTE_DIR, 0x002c, {2}).shorts(test::NOTE_DIR, 0x0028, {4});
    b.shorts(test::NOTE_EXIF, 0xA403, {0}).shorts(test::NOTE_EXIF, 0xA408, {0});
    const test::Scanned s = test::parse(b.exif());
    EXPECT_EQ(textof(s.find(0x001f, panasonic_tags0)), "Night Scenery");
    EXPECT_EQ(textof(s.find(0x0003, panasonic_tags0)), "Flash");
    EXPECT_EQ(textof(s.find(0x0028, panasonic_tags0)), "Black & White");
    EXPECT_EQ(textof(s.find(0x002c, panasonic_tags0)), "High");
    EXPECT_EQ(s.find(0xA403)->lvl, LVL_OVERRIDE);
    EXPECT_EQ(s.find(0xA408)->lvl, LVL_OVERRIDE);
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, PanasonicNote, testing::Values(ORDER_LITTLE, ORDER_BIG),
                         test::ordername<testing::TestParamInfo<int>>);

}  // namespace
}  // namespace exifkit
