// Asahi/Pentax maker notes: the three layouts and their refusals in both byte
// orders, and the overrides of the standard properties.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "makers/asahi.h"
#include "makers/noteblocks.h"
#include "support/recording.h"
#include "support/scanning.h"

namespace exifkit {
namespace {

using namespace std::string_literals;
using test::bytes;
using test::textof;

constexpr const char* REFUSED = "Asahi maker note version not supported";
constexpr int BLOCK_ORDER = -1;

// A white balance of 4 (Tungsten), then filler entries up to n.
std::vector<std::pair<std::uint16_t, std::uint16_t>> entries(int n)
{
    std::vector<std::pair<std::uint16_t, std::uint16_t>> out{{0x0019, 4}};
    for (int i = 1; i < n; i++)
        out.push_back({static_cast<std::uint16_t>(0x0100 + i), 0});
    return out;
}

class AsahiNote : public testing::TestWithParam<int> {};

TEST_P(AsahiNote, LayoutsAndRefusals)
{
    const int order = GetParam();
    const struct {
        const char* name;
        std::string header;
        int noteorder, count;
        bool read;
    } cases[] = {
        {"spaces",  "AOC\0  "s,   ORDER_BIG,   1,  true},  {"zeros",    "AOC\0\0\0"s, BLOCK_ORDER, 1, true},
        {"ten",     "",           ORDER_BIG,   10, true},  {"nine",     "",           BLOCK_ORDER, 9, false},
        {"MM",      "AOC\0MM"s,   BLOCK_ORDER, 1,  false}, {"space+0", "AOC\0 \0"s,  ORDER_BIG,   1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int noteorder = c.noteorder == BLOCK_ORDER ? order : c.noteorder;
        test::RecordingSink sink;
        const test::Scanned s = test::parse(
            test::rawnoteblock(order, "PENTAX Corporation", test::shortnote(noteorder, test::bytesof(c.header), entries(c.count))));
        EXPECT_EQ(textof(s.find(0x0019, asahi_tags)), c.read ? "Tungsten" : "<no property>");
        EXPECT_EQ(sink.has(REFUSED), !c.read);
        if (c.read) {
            EXPECT_EQ(s.info->mkrview.order, noteorder);
        }
    }
}

// Nothing is read beyond the block: a header cut by its end, a note beginning
// outside it.
TEST_P(AsahiNote, NotesShorterThanTheirHeaderAreRefused)
{
    const bytes note = test::shortnote(ORDER_BIG, test::bytesof("AOC\0  "s), entries(1));
    for (std::size_t cut : {note.size() - 5, note.size() - 1}) {
        test::RecordingSink sink;
        EXPECT_TRUE(test::parse(test::rawnoteblock(GetParam(), "PENTAX", note, cut)));
        EXPECT_EQ(sink.messages(), std::vector<std::string>{REFUSED}) << cut;
    }
    test::TiffBuilder far(GetParam());
    far.dir();
    far.dir();
    far.ascii(0, 0x010F, "PENTAX").pointer(0, 0x8769, 1).raw(1, 0x927C, 7, 6, 0xFFFFFFFC);
    test::RecordingSink sink;
    EXPECT_TRUE(test::parse(far.exif()));
    EXPECT_TRUE(sink.has(REFUSED));
}

// Both Makes reach the same reader and interpreter; the chain behind the note's
// directory is read too, and the four settings supersede the standard ones.
TEST_P(AsahiNote, ChainAndOverrides)
{
    const std::uint16_t pairs[][2] = {{0x0019, 0xA403}, {0x001f, 0xA409}, {0x0020, 0xA408}, {0x0021, 0xA40A}};
    for (const char* make : {"Asahi Optical Co.,Ltd", "PENTAX Corporation"}) {
        test::TiffBuilder b = test::noteblock(GetParam(), make, test::bytesof("AOC\0\0\0"s));
        const int second = b.dir();
        b.chain(test::NOTE_DIR, second).shorts(second, 0x0008, {2});
        for (const auto& p : pairs)
            b.shorts(test::NOTE_DIR, p[0], {3}).shorts(test::NOTE_EXIF, p[1], {0});
        const test::Scanned s = test::parse(b.exif());
        EXPECT_EQ(textof(s.find(0x0008, asahi_tags)), "Super Fine") << make;
        EXPECT_EQ(textof(s.find(0x0021, asahi_tags)), "Medium Soft") << make;
        for (const auto& p : pairs) {
            EXPECT_EQ(s.find(p[0], asahi_tags)->override, p[1]) << make;
            EXPECT_EQ(s.find(p[1])->lvl, LVL_OVERRIDE) << make;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, AsahiNote, testing::Values(ORDER_LITTLE, ORDER_BIG),
                         test::ordername<testing::TestParamInfo<int>>);

}  // namespace
}  // namespace exifkit
