// Olympus maker notes: the optional header, the shooting-mode values, the
// zoom and image-number texts, and fields or notes that cannot be read.
#include <gtest/gtest.h>

#include <tuple>

#include "support/makernote.h"
#include "support/recording.h"

namespace exifkit::test {
namespace {

const std::string MAKE = "OLYMPUS OPTICAL CO.,LTD";
const bytes HEADER = text(std::string("OLYMP\0\1\0", 8));

class Olympus : public ::testing::TestWithParam<int> {
protected:
    TiffBuilder note(const bytes& header = HEADER)
    {
        TiffBuilder b = withmake(GetParam(), MAKE);
        b.dir();
        return b.note(EXIF, NOTE, header);
    }
};

// No zoom is a ratio of one or a zero term: never "x0.0" nor a division by zero.
TEST_P(Olympus, ReadsTheDirectoryBehindTheHeaderOrAtTheFirstByte)
{
    const struct {
        std::uint32_t num, den, number;
        const char *zoom, *text;
    } cases[] = {
        {100, 100, 1001234, "None", "100-1234"}, {200, 100, 0, "x2.0", "000-0000"}, {1, 3, 7, "x0.3", "000-0007"},
        {0, 0, 0xFFFFFFFF, "None", "429496-7295"}, {0, 10, 1, "None", "000-0001"}, {5, 0, 1, "None", "000-0001"},
    };
    for (const bytes& header : {HEADER, bytes{}})
        for (const auto& c : cases) {
            TiffBuilder b = note(header);
            b.shorts(NOTE, 0x0201, {2}).shorts(NOTE, 0x0202, {1}).longs(NOTE, 0x0008, {c.number});
            b.rationals(NOTE, 0x0204, {{c.num, c.den}});
            expecttexts(parse(b.exif()), {{"OlympusQuality", "HQ"}, {"OlympusMacroMode", "Macro"},
                                          {"OlympusDigiZoom", c.zoom}, {"Unknown", c.text}});
        }
    TiffBuilder b = note(text(std::string("SANYO\0\1\0", 8)));  // no header: the directory would start at "SA"
    b.shorts(NOTE, 0x0201, {2});
    EXPECT_EQ(parse(b.exif()).named("OlympusQuality"), nullptr);
}

// Each value is linked in directly behind the field, so the list holds them last first.
TEST_P(Olympus, SplitsTheShootingModeIntoThreeValues)
{
    TiffBuilder b = note();
    b.longs(NOTE, 0x0200, {3, 17, 1});
    const Scanned s = parse(b.exif());
    const exif_prop* field = s.named("OlympusShootMode");
    const exif_prop* child = field->next;
    for (const auto& [name, value] : {std::pair<std::string, std::uint32_t>{"OlympusPanDir", 1},
                                      {"OlympusSeqNum", 17}, {"OlympusPicMode", 3}}) {
        ASSERT_TRUE(child && child->par == field);
        EXPECT_EQ(std::make_tuple(child->name, child->value, child->lvl), std::make_tuple(name, value, LVL_UNKNOWN));
        child = child->next;
    }
}

TEST_P(Olympus, SkipsFieldsAndNotesThatCannotBeRead)
{
    const struct {
        std::uint16_t tag, type;
        std::uint32_t count, value;
        const char *warning, *name;
    } cases[] = {
        {0x0200, TYPE_LONG, 2, 8, "field count mismatch", "OlympusShootMode"},
        {0x0200, TYPE_SHORT, 6, 8, "field type mismatch", "OlympusShootMode"},
        {0x0200, TYPE_LONG, 3, 0xFFFFFFF8, "invalid field offset", "OlympusShootMode"},
        {0x0204, TYPE_RATIONAL, 1, 0xFFFFFFFC, "invalid field offset", "OlympusDigiZoom"},
    };
    for (const auto& c : cases) {
        TiffBuilder b = note();
        b.raw(NOTE, c.tag, c.type, c.count, c.value);
        b.shorts(NOTE, 0x0201, {3});
        RecordingSink sink;
        const Scanned s = parse(b.exif());
        EXPECT_TRUE(sink.has(c.warning, c.name)) << c.warning;
        expecttexts(s, {{"OlympusPicMode", "<no property>"}, {"OlympusQuality", "SHQ"}});
        EXPECT_FALSE(s.named("OlympusDigiZoom") && s.named("OlympusDigiZoom")->str);
    }
    for (const std::string& tail : {std::string("OLY"), std::string("OLYMP\0\1", 7), std::string("OLYMP\0\1\0\1", 9)})
        EXPECT_EQ(parse(tailnote(withmake(GetParam(), MAKE), tail)).props().back()->tag, TAG_MAKERNOTE);
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, Olympus, ::testing::Values(ORDER_LITTLE, ORDER_BIG),
                         ordername<::testing::TestParamInfo<int>>);

}  // namespace
}  // namespace exifkit::test
