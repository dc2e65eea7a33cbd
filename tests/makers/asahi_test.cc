// Asahi/Pentax maker notes: the layouts and refusals in both byte orders, the
// chain behind the directory, both Makes, the overrides.
#include <gtest/gtest.h>

#include "makers/asahi.h"
#include "support/makernote.h"
#include "support/recording.h"

namespace exifkit {
namespace {

using namespace std::string_literals;

constexpr int BLOCK = -1;  // the note in the block's byte order

// A refused note leaves the maker view as it was; a cut one is not read past the block.
TEST(AsahiNote, LayoutsAndRefusalsInBothByteOrders)
{
    const struct { std::string header; int noteorder, count; std::size_t keep; bool read; } cases[] = {
        {"AOC\0  "s, ORDER_BIG, 1,  SIZE_MAX, true},  {"AOC\0\0\0"s, BLOCK,     1, SIZE_MAX, true},
        {"",         ORDER_BIG, 10, SIZE_MAX, true},  {"",           BLOCK,     9, SIZE_MAX, false},
        {"AOC\0MM"s, BLOCK,     1,  SIZE_MAX, false}, {"AOC\0 \0"s,  ORDER_BIG, 1, SIZE_MAX, false},
        {"AOC\0  "s, ORDER_BIG, 1,  5,        false}, {"AOC\0  "s,   ORDER_BIG, 1, 0,        false},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << "order " << order << ", case " << &c - cases);
            const int noteorder = c.noteorder == BLOCK ? order : c.noteorder;
            test::shortentries entries{{0x0019, 4}};
            for (int i = 1; i < c.count; i++)
                entries.push_back({static_cast<std::uint16_t>(0x0100 + i), 0});
            test::RecordingSink sink;
            const test::Scanned s = test::readnote(order, "PENTAX Corporation", c.header, entries, noteorder, c.keep);
            EXPECT_EQ(test::textof(s.find(0x0019, asahi_tags)), c.read ? "Tungsten" : "<no property>");
            EXPECT_EQ(sink.has("Asahi maker note version not supported"), !c.read);
            EXPECT_EQ(s.info->mkrview.order, c.read ? noteorder : order);
        }
}

TEST(AsahiNote, BothMakesReadTheChainAndOverride)
{
    const std::uint16_t pairs[][2] = {{0x0019, 0xA403}, {0x001f, 0xA409}, {0x0020, 0xA408}, {0x0021, 0xA40A}};
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const char* make : {"Asahi Optical Co.,Ltd", "PENTAX Corporation"}) {
            test::TiffBuilder b = test::noteblock(order, make, "AOC\0\0\0"s);
            const int second = b.dir();
            b.chain(test::NOTE_DIR, second).shorts(second, 0x0008, {2});
            for (const auto& p : pairs)
                b.shorts(test::NOTE_DIR, p[0], {3}).shorts(test::NOTE_EXIF, p[1], {0});
            const test::Scanned s = test::parse(b.exif());
            EXPECT_EQ(test::textof(s.find(0x0008, asahi_tags)), "Super Fine") << make;
            for (const auto& p : pairs)
                EXPECT_EQ(s.find(p[1])->lvl, LVL_OVERRIDE) << make << " " << std::hex << p[1];
        }
}

}  // namespace
}  // namespace exifkit
