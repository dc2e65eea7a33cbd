// Minolta maker notes: refusals, the array layouts in both byte orders, the
// value formulas against hand-computed texts, overrides and not-applicable rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "exif/alloc.h"
#include "exifkit/errors.h"
#include "makers/minolta.h"
#include "support/exifbuilder.h"
#include "support/recording.h"
#include "support/scanning.h"

namespace exifkit {
namespace {

using test::bytes;
using test::RecordingSink;
using test::Scanned;
using test::textof;
using test::TiffBuilder;
using Values = std::map<unsigned, std::uint32_t>;
using Strings = std::vector<std::string>;

constexpr int IFD0 = 0, EXIF = 1, NOTE = 2;
constexpr std::uint16_t STANDARD[] = {0x8822, 0xA403, 0x9207, 0xA409, 0xA408, 0xA40A, 0xA406};
const std::string NOT_FULLY = "Minolta maker note not fully supported";

// size bytes of big-endian values, zero but for those given by index.
bytes settings(std::size_t size, const Values& values)
{
    bytes data(size);
    for (const auto& [index, v] : values)
        for (int k = 0; k < 4; k++)
            data.at(4 * index + k) = static_cast<unsigned char>(v >> (24 - 8 * k));
    return data;
}

// A Minolta file whose Exif directory holds the standard properties array
// values supersede and ExposureMode, and whose note holds the version and
// whatever fill adds.
TiffBuilder minoltafile(int order, const char* version = "MLT0", std::uint16_t exposuremode = 0)
{
    TiffBuilder b(order);
    b.dir(), b.dir(), b.dir();
    b.ascii(IFD0, 0x010F, "Minolta Co., Ltd.").pointer(IFD0, 0x8769, EXIF).note(EXIF, NOTE);
    for (std::uint16_t t : STANDARD)
        b.shorts(EXIF, t, {0});
    b.shorts(EXIF, 0xA402, {exposuremode}).undefined(NOTE, 0x0000, bytes(version, version + 4));
    return b;
}

Scanned minolta(int order, std::uint16_t tag, const bytes& array, std::uint16_t exposuremode = 0)
{
    return test::parse(minoltafile(order, "MLT0", exposuremode).undefined(NOTE, tag, array).exif());
}

// The value of the array at index: the first child with that tag.
const exif_prop* child(const Scanned& s, unsigned index)
{
    for (const exif_prop* p : s.props())
        if (p->tag == index && (p->tagset == minolta_MLT0 || p->tagset == minolta_unkn))
            return p;
    return nullptr;
}

class Minolta : public testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(BothOrders, Minolta, testing::Values(ORDER_LITTLE, ORDER_BIG),
                         test::ordername<testing::TestParamInfo<int>>);

TEST_P(Minolta, ArrayLayoutsGiveOneChildPerValueInDescendingOrder)
{
    const struct { std::uint16_t tag; std::size_t size; Values v; std::size_t children; } cases[] = {
        {0x0001, 156, {}, 39}, {0x0003, 224, {{51, 2}}, 56}, {0x0003, 228, {{0x25, 5}, {52, 2}}, 56},
        {0x0001, 100, {}, 25}, {0x0003, 102, {}, 25},       {0x0001, 4, {}, 1},
    };
    for (const auto& c : cases) {
        RecordingSink sink;
        const Scanned s = minolta(GetParam(), c.tag, settings(c.size, c.v));
        const bool known = c.size == 156 || c.size >= 224;
        const exif_prop* parent = s.find(c.tag, minolta_tags);
        std::vector<const exif_prop*> kids;
        for (const exif_prop* p = parent->next; p && p->par == parent; p = p->next)
            kids.push_back(p);
        ASSERT_EQ(kids.size(), c.children) << c.size;
        EXPECT_EQ(sink.messages(), known ? Strings{} : Strings{NOT_FULLY});
        EXPECT_EQ(kids.front()->tag, c.size / 4 - 1);
        EXPECT_STREQ(kids.back()->name, "MinoltaUnknown");
        EXPECT_EQ(kids.front()->tagset, known ? minolta_MLT0 : minolta_unkn);
        EXPECT_EQ(textof(child(s, c.size == 228 ? 52 : 51)), c.size >= 224 ? "DataTime M/D H:M" : "<no property>");
    }
}

TEST_P(Minolta, RefusesForeignNotesAndReportsOddVersions)
{
    const std::string version = "Minolta maker note version not supported";
    const TiffBuilder u(GetParam());
    // A note of 40 bytes standing last in the block, less its last `cut` bytes.
    const struct { bytes head; std::size_t cut = 0; } refused[] = {
        {{'+', 'M', 0}}, {u.u16(1)}, {u.u16(300)}, {u.u16(2), 39},
    };
    for (auto r : refused) {
        RecordingSink sink;
        TiffBuilder b(GetParam());
        b.dir(), b.dir();
        r.head.resize(40);
        b.ascii(IFD0, 0x010F, "MINOLTA").pointer(IFD0, 0x8769, EXIF).undefined(EXIF, 0x927C, r.head);
        const bytes block = b.exif();
        const Scanned s = test::parse(bytes(block.begin(), block.end() - static_cast<std::ptrdiff_t>(r.cut)));
        EXPECT_EQ(sink.messages(), Strings{version});
        EXPECT_EQ(s.find(0x0000, minolta_tags), nullptr);
    }
    RecordingSink sink;
    for (const char* v : {"MLT1", "mlt0"})
        EXPECT_EQ(textof(test::parse(minoltafile(GetParam(), v).undefined(NOTE, 1, settings(156, {})).exif())
                             .find(0x0000, minolta_tags)),
                  v);
    EXPECT_EQ(sink.warnings, (std::vector<std::pair<std::string, std::string>>{{version, "MLT1"}}));
}

// Raw 52 is an exposure of 1/1.41 s, printed as the time itself.
TEST_P(Minolta, FormulasGiveHandComputedTexts)
{
    const struct { unsigned index; std::uint32_t raw; const char* text; } cases[] = {
        {0x0d, 6, "Normal"},  {0x0d, 9, "+1.0 EV"},         {0x23, 3, "-1.0 EV"},       {0x09, 40, "2.0"},
        {0x09, 48, "1.0"},    {0x09, 104, "1/128"},          {0x09, 52, "0.7"},          {0x09, 55, "0.5"},
        {0x08, 48, "100"},    {0x09, 0xFFFFFFFF, "Unknown"}, {0x08, 0xFFFFFFFF, "0"},    {0x0a, 64, "11.3"},
        {0x17, 48, "5.7"},    {0x12, 1843, "7.199219"},      {0x13, 0, "Infinite"},      {0x13, 2500, "2.5"},
        {0x1f, 3, "Normal"},  {0x20, 5, "+2"},               {0x29, 1, "-2"},            {0x1c, 512, "2.000000"},
        {0x03, 2, "Cloudy"},  {0x24, 4, "Auto"},             {0x10, 4, "<none>"},
        {0x15, 0x07D30C1F, "31/12/2003"},                    {0x16, 0x000E1E05, "14:30:05"},
    };
    for (const auto& c : cases) {
        // Bracketing, flash fired and interval mode keep the rules off these values.
        Values v{{0x06, 4}, {0x14, 1}, {0x26, 1}};
        v[c.index] = c.raw;
        const Scanned s = minolta(GetParam(), 0x0003, settings(228, v));
        EXPECT_EQ(textof(child(s, c.index)), c.text) << c.index << " " << c.raw;
    }
    EXPECT_EQ(child(minolta(GetParam(), 0x0001, settings(156, {{0x1b, 7}})), 0x1b)->value, 8u);
}

TEST_P(Minolta, ArrayValuesSupersedeTheStandardProperties)
{
    const Scanned s = minolta(GetParam(), 0x0001, settings(156, {}));
    const unsigned indices[] = {0x01, 0x03, 0x07, 0x1f, 0x20, 0x21, 0x22};
    for (std::size_t i = 0; i < std::size(indices); i++) {
        EXPECT_EQ(child(s, indices[i])->override, STANDARD[i]);
        EXPECT_EQ(s.find(STANDARD[i])->lvl, LVL_OVERRIDE) << std::hex << STANDARD[i];
    }
}

TEST_P(Minolta, SettingsThatDoNotApplyReadNotApplicable)
{
    const struct { unsigned index; std::uint32_t raw; std::uint16_t exposure; std::vector<unsigned> marked; }
        cases[] = {
        {0x06, 0, 0, {0x0e, 0x32}}, {0x30, 1, 0, {0x2d, 0x2e, 0x2f, 0x31}}, {0x14, 0, 0, {0x02, 0x23, 0x2b}},
        {0x00, 0, 1, {0x07, 0x0d}}, {0x01, 2, 0, {0x22}},                  {0x26, 0, 0, {0x10, 0x11}}, {0x00, 0, 0, {}},
    };
    for (const auto& c : cases) {
        Values v{{0x06, 4}, {0x14, 1}, {0x26, 1}};
        v[c.index] = c.raw;
        const Scanned s = minolta(GetParam(), 0x0003, settings(228, v), c.exposure);
        for (unsigned index = 1; index < 57; index++) {
            const bool marked = std::count(c.marked.begin(), c.marked.end(), index);
            const exif_prop* p = child(s, index);
            EXPECT_EQ(p->lvl == LVL_BAD && textof(p) == "n/a", marked) << c.index << ": " << index;
        }
    }
    // The rules name fields of the known layouts; an unknown one keeps its values.
    EXPECT_EQ(child(minolta(GetParam(), 0x0001, settings(200, {})), 0x0e)->lvl, LVL_UNKNOWN);
}

// The array is read only inside the block, a partial last value not at all,
// and a repeated array is not expanded again.
TEST_P(Minolta, ArraysOutsideTheBlockOrRepeatedAreNotExpanded)
{
    TiffBuilder b = minoltafile(GetParam());
    b.raw(NOTE, 0x0001, TYPE_UNDEFINED, 156, 0xFFFFFF00).undefined(NOTE, 0x0003, settings(10, {{1, 7}}));
    RecordingSink sink;
    const Scanned s = test::parse(b.undefined(NOTE, 0x0003, settings(8, {})).exif());
    EXPECT_EQ(child(s, 1)->value, 7u);
    EXPECT_EQ(s.props().size(), 2 + 9 + 4 + 2u);  // IFD0, Exif, the note, two values of one array
    EXPECT_EQ(sink.messages(), Strings(2, NOT_FULLY));
}

TEST(MinoltaTrace, PrintsItsHeadingOnceInTheLifeOfTheLibrary)
{
    test::TraceCapture capture;
    minolta(ORDER_LITTLE, 0x0001, settings(156, {}));
    minolta(ORDER_BIG, 0x0001, settings(156, {}));
    const std::string trace = capture.text();
    EXPECT_EQ(trace.find("Processing Minolta Maker Note\n"), trace.rfind("Processing Minolta Maker Note\n"));
    EXPECT_NE(trace.find("   MinoltaExpProg (0x0001): unknown, 0; 0, 0x0000\n"), std::string::npos);
}

// Every allocation that fails ends the parse by the fatal error, leaking nothing.
TEST(MinoltaFaults, EveryAllocationFailureEndsCleanly)
{
    for (long n = 0;; n++) {
        ASSERT_LT(n, 1000);
        detail::failallocafter(n);
        try {
            const Scanned s = minolta(ORDER_BIG, 0x0003, settings(228, {{0x25, 5}, {0x09, 52}}));
            detail::failallocafter(-1);
            if (s && child(s, 0))
                break;
        } catch (const ExifException&) {
            detail::failallocafter(-1);
        }
    }
}

}  // namespace
}  // namespace exifkit
