// The Canon maker note: arrays unpacked into sub-values, their texts and
// levels, derived properties, overrides of standard properties, custom
// functions by model, and notes whose arrays cannot be read.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "makers/canon.h"
#include "makers/canoncustom.h"
#include "support/exifbuilder.h"
#include "support/recording.h"
#include "support/scanning.h"

namespace exifkit {
namespace {

using test::RecordingSink;
using test::Scanned;
using test::textof;
using test::TiffBuilder;

constexpr const char* S40 = "Canon PowerShot S40";
constexpr const char* CORRUPT = "Canon maker tag appears corrupt";
constexpr const char* CUSTOM_CORRUPT = "Canon custom tag appears corrupt";

std::uint16_t u16(int v) { return static_cast<std::uint16_t>(v); }

// IFD0 with Make and Model, an Exif directory and a Canon note in it.
struct CanonNote {
    explicit CanonNote(const char* model = S40, int order = ORDER_LITTLE) : b(order)
    {
        b.ascii(ifd0, 0x010F, "Canon");
        if (model)
            b.ascii(ifd0, 0x0110, model);
        b.pointer(ifd0, 0x8769, exif).note(exif, note);
    }

    // An array of count values whose value 0 is its length in bytes, unless set.
    CanonNote& array(std::uint16_t tag, std::size_t count, const std::map<std::size_t, int>& values)
    {
        std::vector<std::uint16_t> v(count);
        v[0] = u16(2 * count);
        for (auto [i, x] : values)
            v.at(i) = u16(x);
        b.shorts(note, tag, v);
        return *this;
    }

    Scanned parse() const { return test::parse(b.exif()); }

    TiffBuilder b;
    int ifd0 = b.dir(), exif = b.dir(), note = b.dir();
};

struct subcase {
    std::size_t index;
    std::map<std::size_t, int> values;
    const char* text;
    std::uint16_t lvl;
    std::size_t count = 40;
    const char* model = S40;
};

// Each case fills one array and checks the sub-value at its index, in both byte orders.
void checksubvalues(std::uint16_t tag, const tag_def* table, const std::vector<subcase>& cases)
{
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const subcase& c : cases) {
            SCOPED_TRACE(testing::Message() << "index " << c.index << " order " << order << " " << c.text);
            RecordingSink sink;
            const Scanned s = CanonNote(c.model, order).array(tag, c.count, c.values).parse();
            const exif_prop* sub = s.find(u16(c.index), table);
            ASSERT_NE(sub, nullptr);
            EXPECT_EQ(textof(sub), c.text);
            EXPECT_EQ(sub->lvl, c.lvl);
            EXPECT_TRUE(sink.warnings.empty());
        }
}

TEST(CanonNote, CameraSettings)
{
    checksubvalues(0x0001, canon_tags01, {
        {1, {{1, 1}}, "Macro", LVL_IMAGE},                       {3, {{3, 5}}, "Superfine", LVL_IMAGE},
        {13, {{13, 65535}}, "Low", LVL_IMAGE},                   {4, {{4, 9}}, "Unknown", LVL_IMAGE},
        {2, {{2, 100}}, "10 sec", LVL_IMAGE},                    {2, {}, "0 sec", LVL_VERBOSE},
        {5, {{2, 100}}, "Timed", LVL_IMAGE},                     {5, {}, "Single", LVL_IMAGE},
        {5, {{2, 100}, {5, 1}}, "Continuous", LVL_IMAGE},        {12, {}, "None", LVL_VERBOSE},
        {12, {{12, 3}, {36, 1600}, {37, 2048}}, "x2.6", LVL_IMAGE},
        {12, {{12, 3}, {36, 1600}}, "Unknown", LVL_IMAGE, 37},   {12, {{12, 3}, {37, 2048}}, "Unknown", LVL_IMAGE},
        {12, {{12, 1}}, "x2", LVL_IMAGE},                        {16, {{16, 17}}, "100", LVL_IMAGE},
        {16, {{16, 20}}, "Unknown", LVL_VERBOSE},                {17, {{17, 9}}, "Unknown", LVL_VERBOSE},
        {20, {}, "Easy Shooting", LVL_VERBOSE},                  {20, {{20, 3}}, "Av-Priority", LVL_IMAGE},
        {19, {{19, 0x3004}}, "num 19, val 0x3004", LVL_UNKNOWN}, {30, {{30, 7}}, "num 30, val 0x0007", LVL_UNKNOWN},
        {36, {{36, 1600}}, "<none>", LVL_VERBOSE},               {0, {}, "<none>", LVL_VERBOSE},
    });
}

// Index 2 is the sensor's ISO speed, index 6 an exposure compensation in 1/32 EV.
TEST(CanonNote, ShotInformation)
{
    checksubvalues(0x0004, canon_tags04, {
        {2, {{2, 160}}, "100", LVL_IMAGE},               {2, {{2, 192}}, "200", LVL_IMAGE},
        {2, {}, "3", LVL_IMAGE},                         {2, {{2, -32}}, "2", LVL_IMAGE},
        {2, {{2, 32767}}, "Unknown", LVL_IMAGE},         {6, {{6, 32}}, "1.00 EV", LVL_IMAGE},
        {6, {{6, -16}}, "-0.50 EV", LVL_IMAGE},          {6, {}, "0.00 EV", LVL_IMAGE},
        {7, {{7, 9}}, "Manual Temperature", LVL_IMAGE},  {9, {}, "<none>", LVL_VERBOSE},
        {9, {{9, 4}}, "<none>", LVL_IMAGE},              {15, {{15, -16}}, "-0.50 EV", LVL_IMAGE},
        {15, {}, "0.00 EV", LVL_VERBOSE},                {19, {{19, 0xFFFF}}, "Infinity", LVL_IMAGE},
        {19, {}, "Unknown", LVL_VERBOSE},                {19, {{19, 1234}}, "1.234 m", LVL_IMAGE},
        {19, {{19, 1234}}, "12.340 m", LVL_IMAGE, 40, "Canon EOS 40D"},
        {19, {{19, 1234}}, "12.340 m", LVL_IMAGE, 40, nullptr},
        {14, {{14, 3}}, "num 14, val 0x0003", LVL_UNKNOWN},
    });
}

TEST(CanonNote, ColourTemperatureCountsOnlyWhenSetByTemperature)
{
    checksubvalues(0x00A0, canon_tagsA0, {{9, {{9, 5200}}, "5200 K", LVL_IMAGE, 14}, {1, {}, "num 01, val 0x0000", LVL_UNKNOWN, 14}});
    for (int whitebalance : {1, 9}) {
        const Scanned s = CanonNote().array(0x0004, 20, {{7, whitebalance}}).array(0x00A0, 14, {{9, 5200}}).parse();
        EXPECT_EQ(s.find(9, canon_tagsA0)->lvl, whitebalance == 9 ? LVL_IMAGE : LVL_BAD) << whitebalance;
    }
}

// Sub-values stand behind their array in descending order, the lens size in front of them.
TEST(CanonNote, SubValuesStandBehindTheArray)
{
    for (int order : {ORDER_LITTLE, ORDER_BIG}) {
        const Scanned s = CanonNote(S40, order).array(0x0001, 26, {{23, 300}, {24, 75}, {25, 1}}).parse();
        const exif_prop* array = s.find(0x0001, canon_tags);
        const exif_prop* p = array->next;
        EXPECT_EQ(p->name, std::string("CanonLensSz"));
        for (int index = 25; index >= 0; --index) {
            p = p->next;
            ASSERT_EQ(p->tagset, canon_tags01);
            EXPECT_EQ(p->tag, index);
            EXPECT_EQ(p->par, array);
        }
        EXPECT_EQ(s.find(24, canon_tags01)->value, 75u);
    }
}

// Properties of plain entries and those derived from several array values:
// lens size, image number, serial number, and by model image number or actuations.
TEST(CanonNote, PlainAndDerivedProperties)
{
    const struct {
        const char* model;
        std::uint16_t tag;
        std::size_t count;  // 1 for a LONG entry holding values[0]
        std::map<std::size_t, int> values;
        const char *name, *text;
        std::uint16_t lvl = LVL_IMAGE;
        std::uint32_t value = 0;
    } cases[] = {
        {S40, 0x0008, 1, {{0, 1001234}}, "ImgNum", "100-1234"},
        {S40, 0x0008, 1, {{0, 0}}, "ImgNum", "000-0000", LVL_VERBOSE},
        {S40, 0x000C, 1, {{0, 1234567}}, "Serial", "0001234567", LVL_CAMERA},
        {S40, 0x000C, 1, {{0, INT32_MIN}}, "Serial", "-214748364", LVL_CAMERA},
        {"Canon EOS 20D", 0x0093, 9, {{1, 0x1C05}, {2, 0x0123}}, "ImgNum", "112-1571"},
        {"Canon EOS 20D", 0x0093, 9, {{1, 0x0005}, {2, 0x0123}}, "ImgNum", nullptr},
        {"Canon EOS 300D DIGITAL", 0x0093, 9, {{1, 1}, {2, 500}}, "CanonActuations", "<none>", LVL_IMAGE, 66036},
        {"Canon EOS 300D DIGITAL", 0x0093, 9, {}, "CanonActuations", nullptr},
        {S40, 0x0001, 26, {{23, 300}, {24, 75}, {25, 1}}, "CanonLensSz", "75.00 - 300.00 mm", LVL_PAS},
        {S40, 0x0001, 40, {{23, 682}, {24, 227}, {25, 32}}, "CanonLensSz", "7.09 - 21.31 mm", LVL_PAS},
        {S40, 0x0001, 26, {{23, 50}, {24, 50}, {25, 1}}, "CanonLensSz", "50.00 mm", LVL_VERBOSE},
        {S40, 0x0001, 26, {{23, 50}, {24, 50}}, "CanonLensSz", nullptr},
        {S40, 0x0001, 26, {{25, 1}}, "CanonLensSz", nullptr},
        {S40, 0x0001, 25, {{23, 300}, {24, 75}}, "CanonLensSz", nullptr},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << " " << (c.text ? c.text : "none") << " order " << order);
            CanonNote n(c.model, order);
            if (c.count == 1)
                n.b.longs(n.note, c.tag, {static_cast<std::uint32_t>(c.values.at(0))});
            else
                n.array(c.tag, c.count, c.values);
            const Scanned s = n.parse();
            const exif_prop* prop = s.named(c.name);
            ASSERT_EQ(prop != nullptr, c.text != nullptr);
            if (!prop)
                continue;
            EXPECT_EQ(textof(prop), c.text);
            EXPECT_EQ(prop->lvl, c.lvl);
            EXPECT_EQ(prop->value, c.value ? c.value : prop->value);
        }
}

// A Canon value supersedes a shown standard one; a standard subject distance
// that is known keeps its place and pushes the Canon one down instead.
TEST(CanonNote, OverridesOfStandardProperties)
{
    CanonNote n;
    n.b.shorts(n.exif, 0x8827, {100}).shorts(n.exif, 0x9207, {2}).rationals(n.exif, 0x9206, {{5, 0}});
    n.array(0x0001, 20, {{16, 17}, {17, 3}}).array(0x0004, 20, {{19, 300}});
    const Scanned s = n.parse();
    for (std::uint16_t tag : {0x8827, 0x9207, 0x9206})
        EXPECT_EQ(s.find(tag)->lvl, LVL_OVERRIDE) << std::hex << tag;
    EXPECT_EQ(s.find(19, canon_tags04)->lvl, LVL_IMAGE);

    CanonNote known;
    known.b.shorts(known.exif, 0x8827, {100}).rationals(known.exif, 0x9206, {{2, 1}});
    known.array(0x0001, 20, {{16, 20}}).array(0x0004, 20, {{19, 300}});
    const Scanned t = known.parse();
    EXPECT_EQ(t.find(0x8827)->lvl, LVL_IMAGE);
    EXPECT_EQ(t.find(0x9206)->lvl, LVL_IMAGE);
    EXPECT_EQ(t.find(19, canon_tags04)->lvl, LVL_VERBOSE);
}

// Arrays that cannot be unpacked soundly are refused with the warning; the
// rest of the note is read as usual. Of two notes in one block only the first
// is unpacked.
TEST(CanonNote, ArraysThatCannotBeUnpacked)
{
    using maker = void (*)(CanonNote&);
    const struct { maker make; std::size_t subvalues; } cases[] = {
        {[](CanonNote& n) { n.b.raw(n.note, 0x0001, 3, 40, 0xFFFFFF00); }, 0},
        {[](CanonNote& n) { n.b.raw(n.note, 0x0001, 3, 40, static_cast<std::uint32_t>(n.b.exif().size() - 40)); }, 0},
        {[](CanonNote& n) { n.b.shorts(n.note, 0x0001, {4, 2}); }, 0},
        {[](CanonNote& n) { n.array(0x0001, 30, {{0, 58}}); }, 0},
    };
    for (const auto& c : cases) {
        RecordingSink sink;
        CanonNote n;
        n.b.longs(n.note, 0x0008, {1001234});
        c.make(n);
        const Scanned s = n.parse();
        EXPECT_TRUE(sink.has(CORRUPT));
        EXPECT_EQ(textof(s.find(0x0008, canon_tags)), "100-1234");
        std::size_t subvalues = 0;
        for (const exif_prop* p : s.props())
            subvalues += p->tagset == canon_tags01;
        EXPECT_EQ(subvalues, c.subvalues);
    }
}

// Unknown short arrays are unpacked, without texts, only while tracing.
TEST(CanonNote, UnknownArraysUnpackedOnlyWhileTracing)
{
    CanonNote n;
    n.b.shorts(n.note, 0x0013, {7, 8, 9, 10});
    EXPECT_EQ(n.parse().find(0, canon_tagsunk), nullptr);
    test::TraceCapture trace;
    const Scanned s = n.parse();
    const exif_prop* sub = s.find(3, canon_tagsunk);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->value, 10u);
    EXPECT_EQ(sub->str, nullptr);
    EXPECT_NE(trace.text().find("Processing CanonUnknown (0x0013) directory, 4 entries\n"), std::string::npos);
}

// Custom functions: the table by model, one child per word in reverse order,
// with a length word of 2 x count or 2 x count - 2 bytes.
TEST(CanonCustom, FunctionsByModel)
{
    const struct { const char* model; std::uint16_t tag, word; const char *name, *text; std::uint16_t lvl; } cases[] = {
        {"Canon EOS 10D", 0x000F, 0x0C01, "10DCustom", "Mirror lockup - Enabled", LVL_VERBOSE},
        {"Canon EOS 10D", 0x000F, 0x0C07, "10DCustom", "Mirror lockup - Unknown", LVL_VERBOSE},
        {"Canon EOS 10D", 0x000F, 0x1E02, "10DCustomUnknown", "Canon 10D Custom Unknown 30 - 2", LVL_UNKNOWN},
        {"Canon EOS D60", 0x000F, 0x0D01, "D30Custom", "Sensor cleaning - Enabled", LVL_VERBOSE},
        {"Canon EOS 20D", 0x000F, 0x0D01, "20DCustom", "E-TTL II - Average", LVL_VERBOSE},
        {"Canon EOS 10D", 0x0090, 0x0D03, "1DCustom", "# AF points/spot metering - 9/Active AF Point", LVL_VERBOSE},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& c : cases)
            for (int length : {6, 4}) {
                CanonNote n(c.model, order);
                n.b.shorts(n.note, c.tag, {u16(length), 0x0100, c.word});
                const Scanned s = n.parse();
                const exif_prop* last = s.find(c.tag, canon_tags)->next;
                EXPECT_EQ(last->next->tag, 1);
                EXPECT_EQ(last->next->value, 0u);
                EXPECT_EQ(last->tag, c.word >> 8);
                EXPECT_EQ(last->value, c.word & 0xFFu);
                EXPECT_EQ(last->name, std::string(c.name));
                EXPECT_EQ(last->descr, std::string("Custom Function"));
                EXPECT_EQ(textof(last), c.text);
                EXPECT_EQ(last->lvl, c.lvl);
            }
}

TEST(CanonCustom, RefusedArraysAndModels)
{
    const struct { const char* model; std::uint16_t tag; std::vector<std::uint16_t> words; const char *message, *detail; } cases[] = {
        {"Canon EOS 10D", 0x000F, {2, 0x0C01, 0x0D01}, CUSTOM_CORRUPT, "<null>"},
        {"Canon EOS 10D", 0x000F, {6, 0x0C01}, CUSTOM_CORRUPT, "<null>"},
        {nullptr, 0x000F, {6, 0x0C01, 0x0D01}, "Canon model unset; please report to author", "<null>"},
        {nullptr, 0x0093, {6, 0x0C01, 0x0D01}, "Canon model unset; please report to author", "<null>"},
        {S40, 0x000F, {6, 0x0C01, 0x0D01}, "Custom function unsupported; please report to author", S40},
    };
    for (const auto& c : cases) {
        RecordingSink sink;
        CanonNote n(c.model);
        n.b.shorts(n.note, c.tag, c.words);
        EXPECT_EQ(n.parse().find(c.tag, canon_tags)->next, nullptr);
        EXPECT_EQ(sink.warnings, (decltype(sink.warnings){{c.message, c.detail}}));
    }
}

}  // namespace
}  // namespace exifkit
