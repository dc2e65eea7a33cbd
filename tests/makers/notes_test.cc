// The notes of Minolta, Olympus, Sanyo, Fujifilm, Leica, Asahi/Pentax, Casio,
// Panasonic and Sigma: their layouts and refusals in both byte orders, notes
// cut short by the block's end, texts, sub-values and overrides.
#include <gtest/gtest.h>

#include <map>

#include "support/delivery.h"

namespace exifkit::test {
namespace {

using namespace std::string_literals;

// The block of b, whose last directory is EXIF, with a note of these bytes
// appended: a note cut short by the end of the block.
bytes tailnote(TiffBuilder b, const std::string& tail)
{
    b.raw(EXIF, 0x927C, 7, static_cast<std::uint32_t>(tail.size()), static_cast<std::uint32_t>(b.tiff().size() + 12));
    bytes block = b.exif();
    block.insert(block.end(), tail.begin(), tail.end());
    return block;
}

// A note read no further than its own entry: nothing behind it is delivered.
void expectunread(const bytes& block, const std::string& what)
{
    const Delivered d = readblock(block);
    ASSERT_FALSE(d.lines.empty());
    EXPECT_EQ(d.lines.back().rfind("u Manufacturer Notes=", 0), 0u) << what << ": " << d.lines.back();
}

// A note of its own TIFF layout: `header`, then a directory of SHORT entries
// in byte order noteorder; the block ends after `keep` bytes of it.
bytes ownnote(int order, const std::string& make, const std::string& header,
              const std::vector<std::pair<std::uint16_t, std::uint16_t>>& entries, int noteorder,
              std::size_t keep = SIZE_MAX)
{
    TiffBuilder n(noteorder);
    n.header(text(header)).dir();
    for (const auto& [tag, value] : entries)
        n.shorts(0, tag, {value});
    const bytes note = n.tiff();
    bytes block = camera(order, make).undefined(EXIF, 0x927C, note).exif();
    block.resize(block.size() - note.size() + std::min(keep, note.size()));
    return block;
}

// A Fujifilm-layout note: "FUJIFILM", the position 12 and a little-endian
// directory whose offsets count from the note.
bytes fujinote(const std::function<void(TiffBuilder&)>& fill)
{
    TiffBuilder n(ORDER_LITTLE);
    bytes head = text("FUJIFILM");
    head.insert(head.end(), {12, 0, 0, 0});
    n.header(head);
    n.dir();
    fill(n);
    return n.tiff();
}

// ---- Minolta ----------------------------------------------------------------

using Values = std::map<unsigned, std::uint32_t>;
const std::string NOTFULLY = "w Minolta maker note not fully supported";

// size bytes of big-endian values, zero but for those given by index.
bytes settings(std::size_t size, const Values& values)
{
    bytes data(size);
    for (const auto& [index, v] : values)
        for (int k = 0; k < 4; k++)
            data.at(4 * index + k) = static_cast<unsigned char>(v >> (24 - 8 * k));
    return data;
}

// The standard properties that array values supersede, and ExposureMode.
TiffBuilder minoltafile(int order, const char* version = "MLT0", std::uint16_t exposuremode = 0)
{
    TiffBuilder b = withnote(order, "Minolta Co., Ltd.");
    for (std::uint16_t t : {0x8822, 0xA403, 0x9207, 0xA409, 0xA408, 0xA40A, 0xA406})
        b.shorts(EXIF, t, {0});
    b.shorts(EXIF, 0xA402, {exposuremode}).undefined(NOTE, 0x0000, bytes(version, version + 4));
    return b;
}

Delivered minolta(int order, std::uint16_t tag, const bytes& array, std::uint16_t exposuremode = 0)
{
    return readblock(minoltafile(order, "MLT0", exposuremode).undefined(NOTE, tag, array).exif());
}

class Minolta : public testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(BothOrders, Minolta, testing::Values(ORDER_LITTLE, ORDER_BIG));

// One value per four bytes, named by the layout when it is a known one.
TEST_P(Minolta, ArrayLayouts)
{
    // A four-byte array has the one value.
    const std::size_t base = minolta(GetParam(), 0x0001, settings(4, {})).lines.size() - 1;
    const struct { std::uint16_t tag; std::size_t size; Values v; std::size_t values; const char* imprint; } cases[] = {
        {0x0001, 156, {}, 39, nullptr}, {0x0003, 224, {{51, 2}}, 56, "o Data Imprint=DataTime M/D H:M"},
        {0x0003, 228, {{0x25, 5}, {52, 2}}, 56, "o Data Imprint=DataTime M/D H:M"},
        {0x0001, 100, {}, 25, nullptr}, {0x0003, 102, {}, 25, nullptr},
    };
    for (const auto& c : cases) {
        const Delivered d = minolta(GetParam(), c.tag, settings(c.size, c.v));
        const bool known = c.size == 156 || c.size >= 224;
        EXPECT_EQ(d.lines.size() - base, c.values) << c.size;
        const auto unknown = std::count_if(d.lines.begin(), d.lines.end(), [](const std::string& l) {
            return l.rfind("u Minolta Field Unknown=", 0) == 0;
        });
        EXPECT_EQ(unknown == static_cast<long>(c.values), !known) << c.size;
        strings want = {known ? "w*" : NOTFULLY};
        if (c.imprint)
            want.push_back(c.imprint);
        expect(d, want, std::to_string(c.size));
    }
}

TEST_P(Minolta, RefusesForeignNotesAndReportsOddVersions)
{
    const TiffBuilder u(GetParam());
    // A note of 40 bytes standing last in the block, less its last `cut` bytes.
    const std::pair<bytes, std::size_t> refused[] = {{{'+', 'M', 0}, 0}, {u.u16(1), 0}, {u.u16(300), 0}, {u.u16(2), 39}};
    for (auto [head, cut] : refused) {
        head.resize(40);
        bytes block = camera(GetParam(), "MINOLTA").undefined(EXIF, 0x927C, head).exif();
        block.resize(block.size() - cut);
        expect(readblock(block), {"!Minolta Maker Note Type", "w Minolta maker note version not supported"});
    }
    for (const char* v : {"MLT1", "mlt0"})
        expect(readblock(minoltafile(GetParam(), v).undefined(NOTE, 1, settings(156, {})).exif()),
               {"u Minolta Maker Note Type="s + v, *v == 'M' ? "w Minolta maker note version not supported (MLT1)" : "w*"});
}

// Raw 52 is an exposure of 1/1.41 s, printed as the time itself. Bracketing,
// flash fired and interval mode keep the not-applicable rules off these values.
TEST_P(Minolta, FormulasGiveHandComputedTexts)
{
    const struct { unsigned index; std::uint32_t raw; const char* line; } cases[] = {
        {0x0d, 6, "? Exposure Compensation=Normal"}, {0x0d, 9, "? Exposure Compensation=+1.0 EV"},
        {0x23, 3, "? Flash Compensation=-1.0 EV"}, {0x09, 40, "? Exposure Time=2.0"}, {0x09, 48, "? Exposure Time=1.0"},
        {0x09, 104, "? Exposure Time=1/128"}, {0x09, 52, "? Exposure Time=0.7"}, {0x09, 55, "? Exposure Time=0.5"},
        {0x08, 48, "? Film Speed=100"}, {0x09, 0xFFFFFFFF, "? Exposure Time=Unknown"}, {0x08, 0xFFFFFFFF, "? Film Speed=0"},
        {0x0a, 64, "? Lens Aperture=11.3"}, {0x17, 48, "? Maximum Lens Aperture=5.7"}, {0x12, 1843, "? Focal Length=7.199219"},
        {0x13, 0, "? Focus Distance=Infinite"}, {0x13, 2500, "? Focus Distance=2.5"}, {0x1f, 3, "? Saturation=Normal"},
        {0x20, 5, "? Contrast=+2"}, {0x29, 1, "? Color Warming=-2"}, {0x1c, 512, "? Minolta Field Unknown=2.000000"},
        {0x03, 2, "? White Balance=Cloudy"}, {0x24, 4, "? ISO Speed Rating=Auto"}, {0x10, 4, "? Interval Time=5"},
        {0x15, 0x07D30C1F, "? Date=31/12/2003"}, {0x16, 0x000E1E05, "? Time=14:30:05"},
    };
    for (const auto& c : cases) {
        Values v{{0x06, 4}, {0x14, 1}, {0x26, 1}};
        v[c.index] = c.raw;
        expect(minolta(GetParam(), 0x0003, settings(228, v)), {c.line, "w*"}, std::to_string(c.index));
    }
    expect(minolta(GetParam(), 0x0001, settings(156, {{0x1b, 7}})), {"? Sequence Number=8"});
}

TEST_P(Minolta, ArrayValuesSupersedeTheStandardProperties)
{
    expect(minolta(GetParam(), 0x0001, settings(156, {})),
           {"o Exposure Program=Not Defined", "o White Balance=Auto", "o Metering Mode=Unknown", "o Saturation=Normal",
            "o Contrast=Normal", "o Sharpness=Normal", "o Scene Capture Type=Standard", "w*"});
}

TEST_P(Minolta, SettingsThatDoNotApplyReadNotApplicable)
{
    const struct { unsigned index; std::uint32_t raw; std::uint16_t exposure; strings marked; } cases[] = {
        {0x06, 0, 0, {"Bracketing Step", "Bracketing Mode"}},
        {0x30, 1, 0, {"AF Point X", "AF Point Y", "AF Zone", "Wide Focus Area"}},
        {0x14, 0, 0, {"Flash Mode", "Flash Compensation", "Internal Flash"}},
        {0x00, 0, 1, {"Metering Mode", "Exposure Compensation"}}, {0x01, 2, 0, {"Scene Capture Type"}},
        {0x26, 0, 0, {"Interval Time", "Interval Pics"}}, {0x00, 0, 0, {}},
    };
    for (const auto& c : cases) {
        Values v{{0x06, 4}, {0x14, 1}, {0x26, 1}};
        v[c.index] = c.raw;
        const Delivered d = minolta(GetParam(), 0x0003, settings(228, v), c.exposure);
        strings notapplicable, want;
        for (const std::string& l : d.lines)
            if (l.size() > 4 && l.compare(l.size() - 4, 4, "=n/a") == 0)
                notapplicable.push_back(l);
        for (const std::string& name : c.marked)
            want.push_back("o " + name + "=n/a");
        std::sort(notapplicable.begin(), notapplicable.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(notapplicable, want) << c.index;
    }
    // The rules name fields of the known layouts; an unknown one keeps its values.
    for (const std::string& l : minolta(GetParam(), 0x0001, settings(200, {})).lines)
        EXPECT_EQ(l.find("=n/a"), std::string::npos) << l;
}

// The array is read only inside the block, a partial last value not at all,
// and a repeated array is not expanded again.
TEST_P(Minolta, ArraysOutsideTheBlockOrRepeatedAreNotExpanded)
{
    TiffBuilder b = minoltafile(GetParam());
    b.raw(NOTE, 0x0001, TYPE_UNDEFINED, 156, 0xFFFFFF00).undefined(NOTE, 0x0003, settings(10, {{1, 7}}));
    const Delivered d = readblock(b.undefined(NOTE, 0x0003, settings(8, {})).exif());
    EXPECT_EQ(d.lines.size(), 2 + 9 + 4 + 2u);  // IFD0, Exif, the note, two values of one array
    expect(d, {"u Minolta Field Unknown=7", NOTFULLY, NOTFULLY});
}

// The heading is printed once in the life of a reader.
TEST(MinoltaTrace, PrintsItsHeadingOncePerReader)
{
    std::FILE* trace = std::tmpfile();
    Reader reader;
    reader.setTrace(true, trace);
    for (int order : {ORDER_LITTLE, ORDER_BIG}) {
        const bytes jpeg = minimaljpeg({minoltafile(order).undefined(NOTE, 1, settings(156, {})).exif()});
        EXPECT_EQ(reader.read(jpeg.data(), jpeg.size()), EXIF_OK);
    }
    std::string text(static_cast<std::size_t>(std::ftell(trace)), '\0');
    std::rewind(trace);
    EXPECT_EQ(std::fread(text.data(), 1, text.size(), trace), text.size());
    std::fclose(trace);
    EXPECT_EQ(text.find("Processing Minolta Maker Note\n"), text.rfind("Processing Minolta Maker Note\n"));
    EXPECT_NE(text.find("Processing Minolta Maker Note\n"), std::string::npos);
    EXPECT_NE(text.find("   MinoltaExpProg (0x0001): unknown, 0; 0, 0x0000\n"), std::string::npos);
}

// ---- Olympus and Sanyo ------------------------------------------------------

const std::string OLYMPUS = "OLYMPUS OPTICAL CO.,LTD", OLYMPHEAD = "OLYMP\0\1\0"s;

// No zoom is a ratio of one or a zero denominator: never a division by zero.
TEST(Olympus, ReadsTheDirectoryBehindTheHeaderOrAtTheFirstByte)
{
    const struct { std::uint32_t num, den, number; const char *zoom, *text; } cases[] = {
        {100, 100, 1001234, "None", "100-1234"}, {200, 100, 0, "x2.0", "000-0000"}, {1, 3, 7, "x0.3", "000-0007"},
        {0, 0, 0xFFFFFFFF, "None", "429496-7295"}, {0, 10, 1, "x0.0", "000-0001"}, {5, 0, 1, "None", "000-0001"},
    };
    for (const std::string& header : {OLYMPHEAD, ""s}) {
        std::vector<Case> rows;
        for (const auto& c : cases)
            rows.push_back({[c](TiffBuilder& b) {
                                b.shorts(NOTE, 0x0201, {2}).shorts(NOTE, 0x0202, {1}).longs(NOTE, 0x0008, {c.number});
                                b.rationals(NOTE, 0x0204, {{c.num, c.den}});
                            },
                            {"i Compression Setting=HQ", "i Macro Mode=Macro", "? Digital Zoom="s + c.zoom,
                             "? Olympus Unknown="s + c.text}});
        expectcases([&](int order) { return withnote(order, OLYMPUS, header); }, rows);
    }
    // No header: the directory would start at "SA".
    expectcases([](int order) { return withnote(order, OLYMPUS, "SANYO\0\1\0"s); },
                {{[](TiffBuilder& b) { b.shorts(NOTE, 0x0201, {2}); }, {"!Compression Setting", "w*"}}});
}

// Each value is linked in directly behind the field, so they come last first.
TEST(Olympus, SplitsTheShootingModeIntoThreeValues)
{
    expectcases([](int order) { return withnote(order, OLYMPUS, OLYMPHEAD); },
                {{[](TiffBuilder& b) { b.longs(NOTE, 0x0200, {3, 17, 1}); },
                  {"==", "c Equipment Make=*", "o Exif IFD Pointer=#", "u Manufacturer Notes=#", "u Shooting Mode=*",
                   "u Panoramic Direction=1", "u Sequence Number=17", "u Picture Mode=3"}}});
}

TEST(Olympus, SkipsFieldsAndNotesThatCannotBeRead)
{
    const struct { std::uint16_t tag, type; std::uint32_t count, value; const char* warning; } cases[] = {
        {0x0200, TYPE_LONG, 2, 8, "w field count mismatch (OlympusShootMode)"},
        {0x0200, TYPE_SHORT, 6, 8, "w field type mismatch (OlympusShootMode)"},
        {0x0200, TYPE_LONG, 3, 0xFFFFFFF8, "w invalid field offset (OlympusShootMode)"},
        {0x0204, TYPE_RATIONAL, 1, 0xFFFFFFFC, "w invalid field offset (OlympusDigiZoom)"},
    };
    std::vector<Case> rows;
    for (const auto& c : cases)
        rows.push_back({[c](TiffBuilder& b) { b.raw(NOTE, c.tag, c.type, c.count, c.value).shorts(NOTE, 0x0201, {3}); },
                        {c.warning, "w*", "!Picture Mode", "i Compression Setting=SHQ", "!? Digital Zoom=x*"}});
    expectcases([](int order) { return withnote(order, OLYMPUS, OLYMPHEAD); }, rows);
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const std::string& tail : {"OLY"s, "OLYMP\0\1"s, "OLYMP\0\1\0\1"s})
            expectunread(tailnote(camera(order, OLYMPUS), tail), tail);
}

Base sanyo = [](int order) { return withnote(order, "SANYO Electric Co.,Ltd.", "SANYO\0\1\0"s); };

// The sequence number counts from 1; an unset one is not worth showing.
TEST(Sanyo, NamesTheShootingModeValues)
{
    const auto shoot = [](std::vector<std::uint32_t> v) { return [v](TiffBuilder& b) { b.longs(NOTE, 0x0200, v); }; };
    expectcases(sanyo, {
        {shoot({3, 0, 2}), {"? Panoramic Direction=Right to Left", "o Sequence Number=1", "? Picture Mode=Panorama"}},
        {shoot({2, 9, 4, 7}), {"? Sanyo Shooting Unknown=7", "? Panoramic Direction=Top to Bottom",
                               "i Sequence Number=10", "? Picture Mode=Fast"}},
        {shoot({0}), {"? Picture Mode=Normal", "!Sequence Number"}},
    });
}

// Every value becomes a sub-value, within the parse's quota; values outside
// the block none.
TEST(Sanyo, ShootingModeLimits)
{
    TiffBuilder many = sanyo(ORDER_LITTLE);
    const Delivered d = readblock(many.longs(NOTE, 0x0200, std::vector<std::uint32_t>(40, 1)).exif(), true);
    EXPECT_EQ(std::count_if(d.lines.begin(), d.lines.end(), [](const std::string& l) {
                  return l.find("Sanyo Shooting Unknown=") != std::string::npos;
              }), 37);
    expect(d, {});
    EXPECT_NE(d.trace.find("Processing SanyoShootMode (0x0200) directory, 40 entries\n"), std::string::npos);
    expectcases(sanyo, {{[](TiffBuilder& b) { b.raw(NOTE, 0x0200, 4, 3, 0xFFFFFFF8).shorts(NOTE, 0x0202, {1}); },
                         {"!Picture Mode", "? Macro Mode=Macro", "w invalid field offset (SanyoShootMode)"}}});
}

TEST(Sanyo, QualityZoomAndColourTexts)
{
    const auto value = [](std::uint16_t tag, std::uint16_t v) { return [=](TiffBuilder& b) { b.shorts(NOTE, tag, {v}); }; };
    const auto zoom = [](std::uint32_t n, std::uint32_t d) { return [=](TiffBuilder& b) { b.rationals(NOTE, 0x0204, {{n, d}}); }; };
    expectcases(sanyo, {
        {value(0x0201, 0x0105), {"? Quality Setting=Fine, High Resolution"}},
        {value(0x0201, 0x0909), {"? Quality Setting=Unknown, Unknown Resolution"}},
        {value(0x0210, 0), {"? Color Adjustment=Off"}}, {value(0x0210, 5), {"? Color Adjustment=On"}},
        {zoom(0, 100), {"? Digital Zoom=None"}}, {zoom(100, 0), {"? Digital Zoom=None"}},
        {zoom(150, 100), {"? Digital Zoom=x1.5"}},
    });
}

// ---- Fujifilm and Leica -----------------------------------------------------

TEST(Fuji, ReadsTheNoteFromItsOwnOffsetsInEitherByteOrder)
{
    const std::pair<std::uint16_t, const char*> whites[] = {
        {0x0300, "Daylight Color Fluorescence"}, {0x0301, "Daywhite Color Fluorescence"},
        {0x0302, "White Fluorescence"}, {0x0F00, "Custom"}};
    std::vector<Case> rows;
    for (const auto& [white, name] : whites)
        rows.push_back({[white = white](TiffBuilder& b) {
                            b.undefined(EXIF, 0x927C, fujinote([white](TiffBuilder& n) {
                                n.undefined(0, 0x0000, text("0130")).ascii(0, 0x1000, "FINE   ").shorts(0, 0x1001, {3});
                                n.shorts(0, 0x1002, {white}).rationals(0, 0x1011, {{0xFFFFFFFE, 3}}, TYPE_SRATIONAL);
                            }));
                            b.rationals(EXIF, 0x829A, {{1, 125}});
                        },
                        {"? Maker Note Version=0130", "? Quality Setting=FINE", "? Sharpness=Normal",
                         "? Flash Strength=-0.7", "i Exposure Time=1/125 sec", "? White Balance="s + name}});
    expectcases([](int order) { return camera(order, "FUJIFILM"); }, rows);
}

// Without the header the directory stands at the note's first byte, in the
// block's own order; the version reads as stored only when of four bytes. A
// header cut short, or a directory position outside the block: no directory.
TEST(Fuji, HeaderlessNotesAndNotesCutShort)
{
    const auto note = [](const char* version) {
        return [=](TiffBuilder& b) { b.undefined(NOTE, 0x0000, text(version)).shorts(NOTE, 0x1001, {5}); };
    };
    expectcases([](int order) { return withnote(order, "FUJIFILM"); },
                {{note("0130"), {"? Maker Note Version=0130", "? Sharpness=Hard"}},
                 {note("01300"), {"? Maker Note Version=#", "? Sharpness=Hard"}}});
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const std::string& tail : {"FUJIFILM"s, "FUJIFILM\x0C"s, "FUJIFILM\xF0\xFF\0\0"s, "FUJIFILM\x0C\0\0\0\x05"s})
            expectunread(tailnote(camera(order, "FUJIFILM"), tail), tail);
}

// A Fujifilm-layout note goes to the Fujifilm reader, which supersedes nothing.
TEST(Leica, FujifilmLayoutNotesAndItsOwnChain)
{
    expectcases([](int order) { return camera(order, "LEICA"); },
                {{[](TiffBuilder& b) {
                      b.shorts(EXIF, 0xA403, {0}).undefined(EXIF, 0x927C, fujinote([](TiffBuilder& n) {
                          n.undefined(0, 0x0000, text("0130")).ascii(0, 0x1000, "NORMAL ").shorts(0, 0x1002, {256});
                      }));
                  },
                  {"? Maker Note Version=0130", "? Quality Setting=NORMAL", "? White Balance=Daylight",
                   "i White Balance=Auto"}}});
    for (const std::string& header : {"LEICA\1\2\3"s, ""s})
        expectcases([&](int order) { return withnote(order, "LEICA", header); },
                    {{[](TiffBuilder& b) {
                          const int second = b.dir();
                          b.shorts(EXIF, 0xA403, {0}).shorts(EXIF, 0xA408, {0}).chain(NOTE, second);
                          b.shorts(NOTE, 0x0003, {2}).shorts(NOTE, 0x002C, {288}).shorts(NOTE, 0x0024, {0xFFFD});
                          b.shorts(second, 0x0007, {1});
                      },
                      {"? White Balance=Sunshine", "? Contrast=High", "? Flash Compensation=-1 EV", "? Focus Mode=Auto",
                       "o White Balance=Auto", "o Contrast=Normal"}}});
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const std::string& tail : {"LEI"s, "LEICA\0\0"s, "FUJIFILM\x0C"s})
            expectunread(tailnote(camera(order, "LEICA"), tail), tail);
}

// ---- Asahi/Pentax, Casio, Panasonic, Sigma ----------------------------------

constexpr int BLOCK = -1;  // the note in the block's byte order

// A refused note leaves the block's byte order to what follows; a cut one is
// not read past the block.
TEST(Asahi, LayoutsAndRefusalsInBothByteOrders)
{
    const struct { std::string header; int noteorder, count; std::size_t keep; bool read; } cases[] = {
        {"AOC\0  "s, ORDER_BIG, 1, SIZE_MAX, true}, {"AOC\0\0\0"s, BLOCK, 1, SIZE_MAX, true},
        {"", ORDER_BIG, 10, SIZE_MAX, true},       {"", BLOCK, 9, SIZE_MAX, false},
        {"AOC\0MM"s, BLOCK, 1, SIZE_MAX, false},   {"AOC\0 \0"s, ORDER_BIG, 1, SIZE_MAX, false},
        {"AOC\0  "s, ORDER_BIG, 1, 5, false},      {"AOC\0  "s, ORDER_BIG, 1, 0, false},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& c : cases) {
            std::vector<std::pair<std::uint16_t, std::uint16_t>> entries{{0x0019, 4}};
            for (int i = 1; i < c.count; i++)
                entries.push_back({static_cast<std::uint16_t>(0x0100 + i), 0});
            const int noteorder = c.noteorder == BLOCK ? order : c.noteorder;
            expect(readblock(ownnote(order, "PENTAX Corporation", c.header, entries, noteorder, c.keep)),
                   c.read ? strings{"? White Balance=Tungsten"}
                          : strings{"!White Balance", "w Asahi maker note version not supported"},
                   std::to_string(&c - cases));
        }
}

TEST(Asahi, BothMakesReadTheChainAndOverride)
{
    for (const char* make : {"Asahi Optical Co.,Ltd", "PENTAX Corporation"})
        expectcases([make](int order) { return withnote(order, make, "AOC\0\0\0"s); },
                    {{[](TiffBuilder& b) {
                          const int second = b.dir();
                          b.chain(NOTE, second).shorts(second, 0x0008, {2});
                          for (const auto& [note, standard] : {std::pair{0x0019, 0xA403}, {0x001f, 0xA409}, {0x0020, 0xA408},
                                                               {0x0021, 0xA40A}})
                              b.shorts(NOTE, static_cast<std::uint16_t>(note), {3}).shorts(EXIF, static_cast<std::uint16_t>(standard), {0});
                      },
                      {"? Quality Level=Super Fine", "o White Balance=Auto", "o Saturation=Normal", "o Contrast=Normal",
                       "o Sharpness=Normal"}}});
}

TEST(Casio, LayoutsOneDirectoryAndNoInterpretation)
{
    const std::string version = "w Casio maker note version not supported";
    for (int order : {ORDER_LITTLE, ORDER_BIG}) {
        expect(readblock(ownnote(order, "CASIO", "", {{0x000c, 2}}, order)), {"i Contrast=High"});
        expect(readblock(ownnote(order, "CASIO", "QVC\0\0\0"s, {{0x000c, 2}}, order)),
               {"? Casio Unknown=2", "!i Contrast=High", version});
        expect(readblock(ownnote(order, "CASIO", "QVC\0\0\0"s, {{0x000c, 2}}, order, 5)), {"!Casio Unknown", version});
        expect(readblock(ownnote(order, "CASIO", "", {{0x000c, 2}}, order, 3)), {"!Contrast", version});
    }
    // The directory chained behind is not read; nothing supersedes the standard Contrast.
    expectcases([](int order) { return withnote(order, "CASIO"); },
                {{[](TiffBuilder& b) {
                      const int behind = b.dir();
                      b.chain(NOTE, behind).shorts(behind, 0x0002, {3}).shorts(EXIF, 0xA408, {0});
                      b.shorts(NOTE, 0x000c, {2}).shorts(NOTE, 0x0007, {129});
                  },
                  {"? White Balance=Manual", "!Quality Setting", "i Contrast=Normal", "i Contrast=High"}}});
}

const std::string PANASONIC = "Panasonic\0\0\0"s;

TEST(Panasonic, WholeHeaderRequired)
{
    const std::pair<std::string, std::size_t> cases[] = {
        {"Panasonic\0\0\x01"s, SIZE_MAX}, {"Panasonix\0\0\0"s, SIZE_MAX}, {PANASONIC, 11}, {PANASONIC, 0}};
    for (int order : {ORDER_LITTLE, ORDER_BIG}) {
        expect(readblock(ownnote(order, "Panasonic", PANASONIC, {{0x0001, 2}}, order)), {"i Image Quality=Fine"});
        for (const auto& [header, keep] : cases)
            expect(readblock(ownnote(order, "Panasonic", header, {{0x0001, 2}}, order, keep)),
                   {"!Image Quality", "w Maker note format not supported"});
    }
}

// Values given as stored big-endian. Flash bias in thirds of a stop; the spot
// mode by its bytes as stored, first byte high, in either byte order.
TEST(Panasonic, ComputedTextsChainAndOverrides)
{
    const struct { std::uint16_t tag, type; bytes stored; const char* line; } cases[] = {
        {0x0024, 8, {0xFF, 0xFD}, "? Flash Bias=-1.00 EV"}, {0x0024, 8, {0, 6}, "? Flash Bias=2.00 EV"},
        {0x0024, 8, {0, 1}, "? Flash Bias=0.33 EV"},        {0x0024, 8, {0xFF, 0xE2}, "? Flash Bias=-10.00 EV"},
        {0x0024, 8, {0xFE, 0xD4}, "? Flash Bias=-100.00 EV"}, {0x0024, 8, {0x80, 0}, "? Flash Bias=-10922.67 EV"},
        {0x0023, 3, {0xFF, 0xFE}, "? White Balance Adjust=-2"}, {0x0023, 3, {0x80, 0}, "? White Balance Adjust=-32768"},
        {0x0023, 3, {0x75, 0x30}, "? White Balance Adjust=30000"}, {0x000f, 1, {0x01, 0x00}, "? Spot Mode=On"},
        {0x000f, 1, {0x10, 0x00}, "? Spot Mode=Off"},      {0x000f, 1, {0x10}, "? Spot Mode=Off"},
        {0x000f, 1, {0x00, 0x10}, "? Spot Mode=Unknown"},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& c : cases) {
            bytes stored = c.stored;
            if (c.type != 1 && order == ORDER_LITTLE)
                std::swap(stored[0], stored[1]);
            TiffBuilder b = withnote(order, "Panasonic", PANASONIC);
            b.field(NOTE, c.tag, c.type, c.type == 1 ? static_cast<std::uint32_t>(stored.size()) : 1, stored);
            expect(readblock(b.exif()), {c.line, "w*"});
        }
    expectcases([](int order) { return withnote(order, "Panasonic", PANASONIC); },
                {{[](TiffBuilder& b) {
                      const int second = b.dir();
                      b.chain(NOTE, second).shorts(second, 0x001f, {21}).shorts(NOTE, 0x0003, {8});
                      b.shorts(NOTE, 0x002c, {2}).shorts(EXIF, 0xA403, {0}).shorts(EXIF, 0xA408, {0});
                  },
                  {"? Shooting Mode=Night Scenery", "o White Balance=Auto", "o Contrast=Normal"}}});
}

// The directory starts ten bytes in, behind the signature and two bytes more.
TEST(Sigma, HeadersAndRefusals)
{
    const struct { std::string header; std::size_t keep; bool read; } cases[] = {
        {"SIGMA\0\0\0\x01\0"s, SIZE_MAX, true}, {"FOVEON\0\0\x01\0"s, SIZE_MAX, true},
        {"SIGMA2\0\0\x01\0"s, SIZE_MAX, false}, {"FOVEON\0\0\x01\0"s, 9, false},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& c : cases)
            expect(readblock(ownnote(order, "SIGMA", c.header, {{0x0002, 1}}, order, c.keep)),
                   c.read ? strings{"c Serial Number=*"} : strings{"!Serial Number", "w Sigma maker note version not supported"});
}

// Only the tag's own label, whole and in its case, goes; leading spaces stay.
// Fields without text (another type, data outside the block) are left alone.
TEST(Sigma, LabelsAreRemoved)
{
    const struct { std::uint16_t tag; const char *stored, *line; } cases[] = {
        {0x000d, "Cont:+0.3", "? Contrast=+0.3"}, {0x000d, "Contrast", "? Contrast=Contrast"},
        {0x000d, "cont:+0.3", "? Contrast=cont:+0.3"}, {0x000c, "+1.0", "? Exposure=+1.0"},
        {0x000c, "Expo: -0.7", "? Exposure= -0.7"}, {0x0014, "CC:0", "? Color Adjustment=0"},
        {0x0016, "Qual:12", "? Quality=12"}, {0x0012, "Fill:", "? Fill Light="}, {0x0011, "Cont:1", "? Sharpness=Cont:1"},
    };
    std::vector<Case> rows;
    for (const auto& c : cases)
        rows.push_back({[c](TiffBuilder& b) {
                            b.ascii(NOTE, c.tag, c.stored).shorts(NOTE, 0x000e, {7}).raw(NOTE, 0x000f, 2, 20, 0xFFFFFFF0);
                        },
                        {c.line, "? Shadow=7", "? Highlight=-16", "w*"}});
    expectcases([](int order) { return withnote(order, "SIGMA", "FOVEON\0\0\x01\0"s); }, rows);
}

}  // namespace
}  // namespace exifkit::test
