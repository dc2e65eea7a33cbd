// Sanyo maker notes: the shooting-mode values and their limits, and the
// quality, digital-zoom and colour-adjustment texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "makers/withnote.h"
#include "support/recording.h"
#include "support/scanning.h"

namespace exifkit::test {
namespace {

const std::string MAKE = "SANYO Electric Co.,Ltd.";

class Sanyo : public ::testing::TestWithParam<int> {
protected:
    TiffBuilder note(const bytes& header = text(std::string("SANYO\0\1\0", 8)))
    {
        TiffBuilder b = withmake(GetParam(), MAKE);
        b.dir();
        return b.note(EXIF, NOTE, header);
    }

    // The sub-values of the shooting-mode field, in list order.
    static std::vector<const exif_prop*> shootvalues(const Scanned& s)
    {
        std::vector<const exif_prop*> out;
        const exif_prop* field = s.named("SanyoShootMode");
        for (const exif_prop* p = field ? field->next : nullptr; p && p->par == field; p = p->next)
            out.push_back(p);
        return out;
    }
};

TEST_P(Sanyo, NamesTheShootingModeValuesAndCountsTheSequenceFromOne)
{
    const struct {
        std::vector<std::uint32_t> values;
        std::vector<std::string> texts;  // last value first, as the list holds them
        std::uint16_t seqlvl;
    } cases[] = {
        {{3, 0, 2}, {"Right to Left", "1", "Panorama"}, LVL_VERBOSE},
        {{0, 4, 1}, {"Left to Right", "5", "Normal"}, LVL_IMAGE},
        {{2, 9, 4, 7}, {"7", "Top to Bottom", "10", "Fast"}, LVL_IMAGE},
    };
    for (bool header : {true, false})
        for (const auto& c : cases) {
            TiffBuilder b = header ? note() : note({});
            b.longs(NOTE, 0x0200, c.values);
            const Scanned s = parse(b.exif());
            const std::vector<const exif_prop*> values = shootvalues(s);
            ASSERT_EQ(values.size(), c.texts.size());
            for (std::size_t i = 0; i < values.size(); i++) {
                const exif_prop* v = values[i];
                EXPECT_EQ(v->str ? v->str : std::to_string(v->value), c.texts[i]);
                EXPECT_EQ(v->tag, values.size() - 1 - i);
            }
            const exif_prop* seq = s.named("SanyoSeqNum");
            EXPECT_EQ(seq->lvl, c.seqlvl);
            EXPECT_EQ(s.find(1, seq->tagset), seq);
            EXPECT_STREQ(values.front()->name, c.values.size() == 4 ? "SanyoShootUnknown" : "SanyoPanDir");
        }
}

TEST_P(Sanyo, ShootingModeLimits)
{
    {
        TraceCapture trace;
        TiffBuilder b = note();
        b.longs(NOTE, 0x0200, {0});
        const Scanned s = parse(b.exif());
        ASSERT_EQ(shootvalues(s).size(), 1u);
        EXPECT_EQ(textof(shootvalues(s)[0]), "Normal");
        EXPECT_NE(trace.text().find("Processing SanyoShootMode (0x0200) directory, 1 entries\n"), std::string::npos);
    }
    RecordingSink sink;
    TiffBuilder b = note();
    b.longs(NOTE, 0x0200, std::vector<std::uint32_t>(40, 1));
    EXPECT_EQ(shootvalues(parse(b.exif())).size(), 16u);
    EXPECT_TRUE(sink.has("too many values; ignoring the rest", "SanyoShootMode"));

    TiffBuilder out = note();
    out.raw(NOTE, 0x0200, 4, 3, 0xFFFFFFF8).shorts(NOTE, 0x0202, {1});
    const Scanned s = parse(out.exif());
    EXPECT_TRUE(shootvalues(s).empty());
    EXPECT_TRUE(sink.has("invalid field offset", "SanyoShootMode"));
    EXPECT_EQ(textof(s.named("SanyoMacroMode")), "Macro");
}

TEST_P(Sanyo, QualityZoomAndColourTexts)
{
    const struct {
        std::uint16_t tag;
        std::vector<std::uint16_t> value;
        std::pair<std::uint32_t, std::uint32_t> zoom;
        const char* name;
        const char* text;
    } cases[] = {
        {0x0201, {0x0105}, {}, "SanyoQuality", "Fine, High Resolution"},
        {0x0201, {0x0909}, {}, "SanyoQuality", "Unknown, Unknown Resolution"},
        {0x0201, {0x0207}, {}, "SanyoQuality", "Superfine, Super High Resolution"},
        {0x0210, {0}, {}, "SanyoColorAdjust", "Off"},
        {0x0210, {5}, {}, "SanyoColorAdjust", "On"},
        {0x0204, {}, {0, 100}, "SanyoDigiZoom", "None"},
        {0x0204, {}, {100, 0}, "SanyoDigiZoom", "None"},
        {0x0204, {}, {7, 7}, "SanyoDigiZoom", "None"},
        {0x0204, {}, {150, 100}, "SanyoDigiZoom", "x1.5"},
    };
    for (const auto& c : cases) {
        TiffBuilder b = note();
        if (c.value.empty())
            b.rationals(NOTE, c.tag, {c.zoom});
        else
            b.shorts(NOTE, c.tag, c.value);
        EXPECT_EQ(textof(parse(b.exif()).named(c.name)), c.text);
    }
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, Sanyo, ::testing::Values(ORDER_LITTLE, ORDER_BIG),
                         ordername<::testing::TestParamInfo<int>>);

}  // namespace
}  // namespace exifkit::test
