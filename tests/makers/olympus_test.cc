// Olympus maker notes: the optional header, the shooting-mode values, the
// digital zoom and the image number, and fields that cannot be read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "makers/withnote.h"
#include "support/recording.h"
#include "support/scanning.h"

namespace exifkit::test {
namespace {

const std::string MAKE = "OLYMPUS OPTICAL CO.,LTD";
const bytes HEADER = text(std::string("OLYMP\0\1\0", 8));

class Olympus : public ::testing::TestWithParam<int> {
protected:
    // An Olympus note, with or without its header, that the test fills in.
    TiffBuilder note(const bytes& header = HEADER)
    {
        TiffBuilder b = withmake(GetParam(), MAKE);
        b.dir();
        return b.note(EXIF, NOTE, header);
    }
};

TEST_P(Olympus, ReadsTheDirectoryBehindTheHeaderOrAtTheFirstByte)
{
    for (const bytes& header : {HEADER, bytes{}}) {
        TiffBuilder b = note(header);
        b.shorts(NOTE, 0x0201, {2}).shorts(NOTE, 0x0202, {1}).longs(NOTE, 0x0008, {1001234});
        const Scanned s = parse(b.exif());
        EXPECT_EQ(textof(s.named("OlympusQuality")), "HQ");
        EXPECT_EQ(textof(s.named("OlympusMacroMode")), "Macro");
        ASSERT_NE(s.named("Unknown"), nullptr);
        EXPECT_STREQ(s.named("Unknown")->descr, "Olympus Unknown");
        EXPECT_EQ(textof(s.named("Unknown")), "100-1234");
    }
    // Another maker's header is no header: the directory would start at "SA".
    TiffBuilder b = note(text(std::string("SANYO\0\1\0", 8)));
    b.shorts(NOTE, 0x0201, {2});
    EXPECT_EQ(parse(b.exif()).named("OlympusQuality"), nullptr);
}

// The list holds the values last first, each directly behind the field.
TEST_P(Olympus, SplitsTheShootingModeIntoThreeValues)
{
    TiffBuilder b = note();
    b.longs(NOTE, 0x0200, {3, 17, 1});
    const Scanned s = parse(b.exif());
    const exif_prop* field = s.named("OlympusShootMode");
    ASSERT_NE(field, nullptr);
    const std::vector<std::pair<std::string, std::uint32_t>> expected = {
        {"OlympusPanDir", 1}, {"OlympusSeqNum", 17}, {"OlympusPicMode", 3}};
    const exif_prop* child = field->next;
    for (const auto& [name, value] : expected) {
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->name, name);
        EXPECT_EQ(child->value, value);
        EXPECT_EQ(child->par, field);
        EXPECT_EQ(child->lvl, LVL_UNKNOWN);
        EXPECT_EQ(child->tagset, nullptr);
        child = child->next;
    }
}

TEST_P(Olympus, SkipsAShootingModeThatCannotBeRead)
{
    const struct {
        void (*add)(TiffBuilder&);
        const char* warning;
    } cases[] = {
        {[](TiffBuilder& b) { b.longs(NOTE, 0x0200, {3, 17}); }, "field count mismatch"},
        {[](TiffBuilder& b) { b.shorts(NOTE, 0x0200, {3, 17, 1}); }, "field type mismatch"},
        {[](TiffBuilder& b) { b.raw(NOTE, 0x0200, 4, 3, 0xFFFFFFF8); }, "invalid field offset"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.warning);
        TiffBuilder b = note();
        c.add(b);
        b.shorts(NOTE, 0x0201, {3});
        RecordingSink sink;
        const Scanned s = parse(b.exif());
        EXPECT_TRUE(sink.has(c.warning, "OlympusShootMode"));
        EXPECT_EQ(s.named("OlympusPicMode"), nullptr);
        EXPECT_EQ(textof(s.named("OlympusQuality")), "SHQ");
    }
}

// No zoom is a ratio of one or a zero term, never "x0.0" or a division by zero.
TEST_P(Olympus, DigitalZoomTexts)
{
    const struct {
        std::uint32_t num, den;
        const char* text;
    } cases[] = {
        {100, 100, "None"}, {200, 100, "x2.0"}, {0, 0, "None"}, {0, 10, "None"}, {5, 0, "None"}, {1, 3, "x0.3"},
    };
    for (const auto& c : cases) {
        TiffBuilder b = note();
        b.rationals(NOTE, 0x0204, {{c.num, c.den}});
        EXPECT_EQ(textof(parse(b.exif()).named("OlympusDigiZoom")), c.text) << c.num << "/" << c.den;
    }
    TiffBuilder b = note();
    b.raw(NOTE, 0x0204, 5, 1, 0xFFFFFFFC).shorts(NOTE, 0x0201, {1});
    RecordingSink sink;
    const Scanned s = parse(b.exif());
    EXPECT_TRUE(sink.has("invalid field offset", "OlympusDigiZoom"));
    EXPECT_EQ(textof(s.named("OlympusDigiZoom")), "<none>");
    EXPECT_EQ(textof(s.named("OlympusQuality")), "SQ");
}

TEST_P(Olympus, ImageNumberTexts)
{
    for (const auto& [value, text] : {std::pair<std::uint32_t, std::string>{1001234, "100-1234"},
                                      {0, "000-0000"}, {0xFFFFFFFF, "429496-7295"}}) {
        TiffBuilder b = note();
        b.longs(NOTE, 0x0008, {value});
        EXPECT_EQ(textof(parse(b.exif()).named("Unknown")), text);
    }
}

// A note cut short by the end of the block is not read past it.
TEST_P(Olympus, RefusesANoteCutShort)
{
    for (const std::string& tail : {std::string("OLY"), std::string("OLYMP\0\1", 7), std::string("OLYMP\0\1\0\1", 9)}) {
        const Scanned s = parse(tailnote(withmake(GetParam(), MAKE), text(tail)));
        ASSERT_TRUE(s);
        EXPECT_EQ(s.find(TAG_MAKERNOTE)->lvl, LVL_UNKNOWN);
        EXPECT_EQ(s.props().back()->tag, TAG_MAKERNOTE) << tail.size();
    }
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, Olympus, ::testing::Values(ORDER_LITTLE, ORDER_BIG),
                         ordername<::testing::TestParamInfo<int>>);

}  // namespace
}  // namespace exifkit::test
