// Panasonic maker notes: the 12-byte header and its refusals, the computed
// texts at every width and in both byte orders, the chain and the overrides.
#include <gtest/gtest.h>

#include "support/makernote.h"
#include "makers/panasonic.h"
#include "support/recording.h"

namespace exifkit {
namespace {

using namespace std::string_literals;

const std::string HEADER = "Panasonic\0\0\0"s;

// Only the first case is read.
TEST(PanasonicNote, WholeHeaderRequired)
{
    const std::pair<std::string, std::size_t> cases[] = {
        {HEADER, SIZE_MAX}, {"Panasonic\0\0\x01"s, SIZE_MAX}, {"Panasonix\0\0\0"s, SIZE_MAX}, {HEADER, 11}, {HEADER, 0},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& [header, keep] : cases) {
            const bool read = &header == &cases[0].first;
            test::RecordingSink sink;
            const test::Scanned s = test::readnote(order, "Panasonic", header, {{0x0001, 2}}, order, keep);
            EXPECT_EQ(test::textof(s.find(0x0001, panasonic_tags0)), read ? "Fine" : "<no property>") << keep;
            EXPECT_EQ(sink.has("Maker note format not supported"), !read) << keep;
        }
}

// Values given as stored big-endian. Flash bias in thirds of a stop; the spot
// mode by its bytes as stored, first byte high, in either byte order.
TEST(PanasonicNote, ComputedTextsInBothByteOrders)
{
    const struct { std::uint16_t tag, type; test::bytes stored; const char* text; } cases[] = {
        {0x0024, 8, {0xFF, 0xFD}, "-1.00 EV"},  {0x0024, 8, {0, 6}, "2.00 EV"},         {0x0024, 8, {0, 1}, "0.33 EV"},
        {0x0024, 8, {0xFF, 0xE2}, "-10.00 EV"}, {0x0024, 8, {0xFE, 0xD4}, "-100.00 EV"}, {0x0024, 8, {0x80, 0}, "-10922.67 EV"},
        {0x0023, 3, {0xFF, 0xFE}, "-2"},        {0x0023, 3, {0x80, 0}, "-32768"},        {0x0023, 3, {0x75, 0x30}, "30000"},
        {0x000f, 1, {0x01, 0x00}, "On"},        {0x000f, 1, {0x10, 0x00}, "Off"},        {0x000f, 1, {0x10}, "Off"},
        {0x000f, 1, {0x00, 0x10}, "Unknown"},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& c : cases) {
            test::bytes stored = c.stored;
            if (c.type != 1 && order == ORDER_LITTLE)
                std::swap(stored[0], stored[1]);
            test::TiffBuilder b = test::noteblock(order, "Panasonic", HEADER);
            b.field(test::NOTE_DIR, c.tag, c.type, c.type == 1 ? static_cast<std::uint32_t>(stored.size()) : 1, stored);
            EXPECT_EQ(test::textof(test::parse(b.exif()).find(c.tag, panasonic_tags0)), c.text) << order;
        }
}

TEST(PanasonicNote, ChainAndOverrides)
{
    for (int order : {ORDER_LITTLE, ORDER_BIG}) {
        test::TiffBuilder b = test::noteblock(order, "Panasonic", HEADER);
        const int second = b.dir();
        b.chain(test::NOTE_DIR, second).shorts(second, 0x001f, {21}).shorts(test::NOTE_DIR, 0x0003, {8});
        b.shorts(test::NOTE_DIR, 0x002c, {2}).shorts(test::NOTE_EXIF, 0xA403, {0}).shorts(test::NOTE_EXIF, 0xA408, {0});
        const test::Scanned s = test::parse(b.exif());
        EXPECT_EQ(test::textof(s.find(0x001f, panasonic_tags0)), "Night Scenery");
        EXPECT_EQ(s.find(0xA403)->lvl, LVL_OVERRIDE);
        EXPECT_EQ(s.find(0xA408)->lvl, LVL_OVERRIDE);
    }
}

}  // namespace
}  // namespace exifkit
