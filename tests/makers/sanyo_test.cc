// Sanyo maker notes: the shooting-mode values and their limits, and the
// quality, zoom and colour-adjustment texts.
#include <gtest/gtest.h>

#include "support/makernote.h"
#include "support/recording.h"

namespace exifkit::test {
namespace {

class Sanyo : public ::testing::TestWithParam<int> {
protected:
    TiffBuilder note()
    {
        TiffBuilder b = withmake(GetParam(), "SANYO Electric Co.,Ltd.");
        b.dir();
        return b.note(EXIF, NOTE, text(std::string("SANYO\0\1\0", 8)));
    }
};

// The texts of the shooting-mode values (numbers for those without), last
// first as the list holds them.
std::vector<std::string> shootvalues(const Scanned& s)
{
    std::vector<std::string> out;
    const exif_prop* field = s.named("SanyoShootMode");
    for (const exif_prop* p = field ? field->next : nullptr; p && p->par == field; p = p->next)
        out.push_back(p->str ? p->str : std::to_string(p->value));
    return out;
}

// The sequence number counts from 1; an unset one is not worth showing.
TEST_P(Sanyo, NamesTheShootingModeValues)
{
    const struct {
        std::vector<std::uint32_t> values;
        std::vector<std::string> texts;
        std::uint16_t seqlvl;
    } cases[] = {
        {{3, 0, 2}, {"Right to Left", "1", "Panorama"}, LVL_VERBOSE},
        {{2, 9, 4, 7}, {"7", "Top to Bottom", "10", "Fast"}, LVL_IMAGE},
        {{0}, {"Normal"}, LVL_IMAGE},
    };
    for (const auto& c : cases) {
        TiffBuilder b = note();
        const Scanned s = parse(b.longs(NOTE, 0x0200, c.values).exif());
        EXPECT_EQ(shootvalues(s), c.texts);
        const exif_prop* seq = s.find(1, s.named("SanyoPicMode")->tagset);
        EXPECT_EQ(seq ? seq->lvl : LVL_IMAGE, c.seqlvl);
        EXPECT_EQ(s.named("SanyoShootUnknown") != nullptr, c.values.size() == 4);
    }
}

TEST_P(Sanyo, ShootingModeLimits)
{
    TraceCapture trace;
    RecordingSink sink;
    TiffBuilder many = note();
    EXPECT_EQ(shootvalues(parse(many.longs(NOTE, 0x0200, std::vector<std::uint32_t>(40, 1)).exif())).size(), 16u);
    EXPECT_TRUE(sink.has("too many values; ignoring the rest", "SanyoShootMode"));
    EXPECT_NE(trace.text().find("Processing SanyoShootMode (0x0200) directory, 40 entries\n"), std::string::npos);

    TiffBuilder outside = note();
    const Scanned s = parse(outside.raw(NOTE, 0x0200, 4, 3, 0xFFFFFFF8).shorts(NOTE, 0x0202, {1}).exif());
    EXPECT_TRUE(shootvalues(s).empty() && sink.has("invalid field offset", "SanyoShootMode"));
    expecttexts(s, {{"SanyoMacroMode", "Macro"}});
}

TEST_P(Sanyo, QualityZoomAndColourTexts)
{
    const struct {
        std::uint16_t tag, value;
        std::uint32_t num, den;
        const char *name, *text;
    } cases[] = {
        {0x0201, 0x0105, 0, 0, "SanyoQuality", "Fine, High Resolution"},
        {0x0201, 0x0909, 0, 0, "SanyoQuality", "Unknown, Unknown Resolution"},
        {0x0210, 0, 0, 0, "SanyoColorAdjust", "Off"},  {0x0210, 5, 0, 0, "SanyoColorAdjust", "On"},
        {0x0204, 0, 0, 100, "SanyoDigiZoom", "None"},  {0x0204, 0, 100, 0, "SanyoDigiZoom", "None"},
        {0x0204, 0, 150, 100, "SanyoDigiZoom", "x1.5"},
    };
    for (const auto& c : cases) {
        TiffBuilder b = note();
        if (c.tag == 0x0204)
            b.rationals(NOTE, c.tag, {{c.num, c.den}});
        else
            b.shorts(NOTE, c.tag, {c.value});
        expecttexts(parse(b.exif()), {{c.name, c.text}});
    }
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, Sanyo, ::testing::Values(ORDER_LITTLE, ORDER_BIG),
                         ordername<::testing::TestParamInfo<int>>);

}  // namespace
}  // namespace exifkit::test
