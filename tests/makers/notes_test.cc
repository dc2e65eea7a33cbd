// The notes of Minolta, Olympus, Sanyo, Fujifilm, Leica, Asahi/Pentax, Casio,
// Panasonic and Sigma: their layouts and refusals in both byte orders, texts,
// sub-values and overrides.
#include <gtest/gtest.h>

#include <map>

#include "support/delivery.h"

namespace exifkit::test {
namespace {

using namespace std::string_literals;

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
bytes fujinote(const Entries& entries)
{
    TiffBuilder n(ORDER_LITTLE);
    n.header(cat({text("FUJIFILM"), {12, 0, 0, 0}})).dir();
    put(n, entries);
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
    return b.shorts(EXIF, 0xA402, {exposuremode}).undefined(NOTE, 0x0000, bytes(version, version + 4));
}

Delivered minolta(int order, std::uint16_t tag, const bytes& array, std::uint16_t exposuremode = 0)
{
    return readblock(minoltafile(order, "MLT0", exposuremode).undefined(NOTE, tag, array).exif());
}

// Values that keep the not-applicable rules off the settings: bracketing,
// flash fired and interval mode.
const Values APPLICABLE = {{0x06, 4}, {0x14, 1}, {0x26, 1}};

class Minolta : public testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(BothOrders, Minolta, testing::Values(ORDER_LITTLE, ORDER_BIG));

// One value per four bytes, named by the layout when it is a known one.
TEST_P(Minolta, ArrayLayoutsBoundsForeignNotesAndOddVersions)
{
    // A four-byte array has the one value.
    const std::size_t base = minolta(GetParam(), 0x0001, settings(4, {})).lines.size() - 1;
    const struct { std::uint16_t tag; std::size_t size; Values v; std::size_t values; const char* imprint; } cases[] = {
        {0x0001, 156, {}, 39, nullptr},
        {0x0003, 224, {{51, 2}}, 56, "o Data Imprint=DataTime M/D H:M"},
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
    // The array is read only inside the block, a partial last value not at all,
    // and a repeated array is not expanded again.
    TiffBuilder b = minoltafile(GetParam());
    b.raw(NOTE, 0x0001, TYPE_UNDEFINED, 156, 0xFFFFFF00).undefined(NOTE, 0x0003, settings(10, {{1, 7}}));
    const Delivered d = readblock(b.undefined(NOTE, 0x0003, settings(8, {})).exif());
    EXPECT_EQ(d.lines.size(), 2 + 9 + 4 + 2u);  // IFD0, Exif, the note, two values of one array
    expect(d, {"u Minolta Field Unknown=7", NOTFULLY, NOTFULLY});
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

// Raw 52 is an exposure of 1/1.41 s, printed as the time itself.
TEST_P(Minolta, FormulasGiveHandComputedTexts)
{
    const struct { unsigned index; std::uint32_t raw; const char* line; } cases[] = {
        {0x0d, 6, "? Exposure Compensation=Normal"},
        {0x0d, 9, "? Exposure Compensation=+1.0 EV"},
        {0x23, 3, "? Flash Compensation=-1.0 EV"}, {0x09, 40, "? Exposure Time=2.0"},         {0x09, 48, "? Exposure Time=1.0"},
        {0x09, 104, "? Exposure Time=1/128"},      {0x09, 52, "? Exposure Time=0.7"},         {0x09, 55, "? Exposure Time=0.5"},
        {0x09, 0xFFFFFFFF, "? Exposure Time=Unknown"},
        {0x08, 48, "? Film Speed=100"},            {0x08, 0xFFFFFFFF, "? Film Speed=0"},      {0x0a, 64, "? Lens Aperture=11.3"},
        {0x17, 48, "? Maximum Lens Aperture=5.7"}, {0x12, 1843, "? Focal Length=7.199219"},   {0x13, 0, "? Focus Distance=Infinite"},
        {0x13, 2500, "? Focus Distance=2.5"},      {0x1f, 3, "? Saturation=Normal"},          {0x20, 5, "? Contrast=+2"},
        {0x29, 1, "? Color Warming=-2"},
        {0x1c, 512, "? Minolta Field Unknown=2.000000"},
        {0x03, 2, "? White Balance=Cloudy"},       {0x24, 4, "? ISO Speed Rating=Auto"},      {0x10, 4, "? Interval Time=5"},
        {0x15, 0x07D30C1F, "? Date=31/12/2003"},   {0x16, 0x000E1E05, "? Time=14:30:05"},
    };
    for (const auto& c : cases) {
        Values v = APPLICABLE;
        v[c.index] = c.raw;
        expect(minolta(GetParam(), 0x0003, settings(228, v)), {c.line, "w*"}, std::to_string(c.index));
    }
    expect(minolta(GetParam(), 0x0001, settings(156, {{0x1b, 7}})),
           {"? Sequence Number=8", "o Exposure Program=Not Defined", "o White Balance=Auto", "o Metering Mode=Unknown",
            "o Saturation=Normal", "o Contrast=Normal", "o Sharpness=Normal", "o Scene Capture Type=Standard", "w*"});
}

TEST_P(Minolta, SettingsThatDoNotApplyReadNotApplicable)
{
    const struct { unsigned index; std::uint32_t raw; std::uint16_t exposure; strings marked; } cases[] = {
        {0x06, 0, 0, {"Bracketing Mode", "Bracketing Step"}},
        {0x30, 1, 0, {"AF Point X", "AF Point Y", "AF Zone", "Wide Focus Area"}},
        {0x14, 0, 0, {"Flash Compensation", "Flash Mode", "Internal Flash"}},
        {0x00, 0, 1, {"Exposure Compensation", "Metering Mode"}}, {0x01, 2, 0, {"Scene Capture Type"}},
        {0x26, 0, 0, {"Interval Pics", "Interval Time"}},         {0x00, 0, 0, {}},
    };
    for (const auto& c : cases) {
        Values v = APPLICABLE;
        v[c.index] = c.raw;
        const Delivered d = minolta(GetParam(), 0x0003, settings(228, v), c.exposure);
        strings notapplicable, want;
        for (const std::string& l : d.lines)
            if (l.size() > 4 && l.compare(l.size() - 4, 4, "=n/a") == 0)
                notapplicable.push_back(l);
        for (const std::string& name : c.marked)
            want.push_back("o " + name + "=n/a");
        std::sort(notapplicable.begin(), notapplicable.end());
        EXPECT_EQ(notapplicable, want) << c.index;
    }
    // The rules name fields of the known layouts; an unknown one keeps its values.
    for (const std::string& l : minolta(GetParam(), 0x0001, settings(200, {})).lines)
        EXPECT_EQ(l.find("=n/a"), std::string::npos) << l;
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
    const std::string text = readclose(trace);
    EXPECT_EQ(text.find("Processing Minolta Maker Note\n"), text.rfind("Processing Minolta Maker Note\n"));
    EXPECT_NE(text.find("Processing Minolta Maker Note\n"), std::string::npos);
    EXPECT_NE(text.find("   MinoltaExpProg (0x0001): unknown, 0; 0, 0x0000\n"), std::string::npos);
}

// ---- Olympus and Sanyo ------------------------------------------------------

const std::string OLYMPUS = "OLYMPUS OPTICAL CO.,LTD", OLYMPHEAD = "OLYMP\0\1\0"s;
const Base olympus = [](int order) { return withnote(order, OLYMPUS, OLYMPHEAD); };

// No zoom is a ratio of one or a zero denominator: never a division by zero.
TEST(Olympus, DirectoryPlaceShootingModeAndFieldsThatCannotBeRead)
{
    const struct { std::uint32_t num, den, number; const char *zoom, *text; } cases[] = {
        {100, 100, 1001234, "None", "100-1234"},   {200, 100, 0, "x2.0", "000-0000"},         {1, 3, 7, "x0.3", "000-0007"},
        {0, 0, 0xFFFFFFFF, "None", "429496-7295"}, {0, 10, 1, "x0.0", "000-0001"},            {5, 0, 1, "None", "000-0001"},
    };
    std::vector<Case> rows;
    for (const auto& c : cases)
        rows.push_back({{{NOTE, 0x0201, SHORT, {2}}, {NOTE, 0x0202, SHORT, {1}}, {NOTE, 0x0008, LONG, {c.number}},
                         {NOTE, 0x0204, RATIONAL, {c.num, c.den}}},
                        {"i Compression Setting=HQ", "i Macro Mode=Macro", "? Digital Zoom="s + c.zoom,
                         "? Olympus Unknown="s + c.text}});
    for (const std::string& header : {OLYMPHEAD, ""s})
        expectcases([&](int order) { return withnote(order, OLYMPUS, header); }, rows);
    // No header: the directory would start at "SA".
    expectcases([](int order) { return withnote(order, OLYMPUS, "SANYO\0\1\0"s); },
                {{{{NOTE, 0x0201, SHORT, {2}}}, {"!Compression Setting", "w*"}}});
    // The shooting mode splits into three values, each linked in directly behind
    // the field, so they come last first. A field that cannot be read keeps its
    // value word, the rest of the note is read.
    const Entry quality{NOTE, 0x0201, SHORT, {3}};
    const strings want = {"!Picture Mode", "i Compression Setting=SHQ"};
    expectcases(olympus, {
        {{{NOTE, 0x0200, LONG, {3, 17, 1}}},                         {"==", "c Equipment Make=*", "o Exif IFD Pointer=#",
                                                                      "u Manufacturer Notes=#", "u Shooting Mode=*",
                                                                      "u Panoramic Direction=1", "u Sequence Number=17",
                                                                      "u Picture Mode=3"}},
        {{{NOTE, 0x0200, RAW | LONG, {2, 8}}, quality},              cat(want, {"w field count mismatch (OlympusShootMode)"})},
        {{{NOTE, 0x0200, RAW | SHORT, {6, 8}}, quality},             cat(want, {"w field type mismatch (OlympusShootMode)"})},
        {{{NOTE, 0x0200, RAW | LONG, {3, 0xFFFFFFF8}}, quality},     cat(want, {"w invalid field offset (OlympusShootMode)"})},
        {{{NOTE, 0x0204, RAW | RATIONAL, {1, 0xFFFFFFFC}}, quality}, cat(want, {"w invalid field offset (OlympusDigiZoom)",
                                                                                "u Digital Zoom=-4"})},
    });
}

const Base sanyo = [](int order) { return withnote(order, "SANYO Electric Co.,Ltd.", "SANYO\0\1\0"s); };

// The sequence number counts from 1; an unset one is not worth showing.
TEST(Sanyo, ShootingModeQualityZoomColourTextsAndQuota)
{
    expectcases(sanyo, {
        {{{NOTE, 0x0200, LONG, {3, 0, 2}}},      {"? Panoramic Direction=Right to Left", "o Sequence Number=1",
                                                  "? Picture Mode=Panorama"}},
        {{{NOTE, 0x0200, LONG, {2, 9, 4, 7}}},   {"? Sanyo Shooting Unknown=7", "? Panoramic Direction=Top to Bottom",
                                                  "i Sequence Number=10", "? Picture Mode=Fast"}},
        {{{NOTE, 0x0200, LONG, {0}}},            {"? Picture Mode=Normal", "!Sequence Number"}},
        {{{NOTE, 0x0200, RAW | LONG, {3, 0xFFFFFFF8}}, {NOTE, 0x0202, SHORT, {1}}},
                                                 {"!Picture Mode", "? Macro Mode=Macro", "w invalid field offset (SanyoShootMode)"}},
        {{{NOTE, 0x0201, SHORT, {0x0105}}}, {"? Quality Setting=Fine, High Resolution"}},
        {{{NOTE, 0x0201, SHORT, {0x0909}}}, {"? Quality Setting=Unknown, Unknown Resolution"}},
        {{{NOTE, 0x0210, SHORT, {0}}}, {"? Color Adjustment=Off"}}, {{{NOTE, 0x0210, SHORT, {5}}}, {"? Color Adjustment=On"}},
        {{{NOTE, 0x0204, RATIONAL, {0, 100}}}, {"? Digital Zoom=None"}},
        {{{NOTE, 0x0204, RATIONAL, {100, 0}}}, {"? Digital Zoom=None"}},
        {{{NOTE, 0x0204, RATIONAL, {150, 100}}}, {"? Digital Zoom=x1.5"}},
    });
    // Every shooting-mode value becomes a sub-value, within the parse's quota.
    TiffBuilder many = sanyo(ORDER_LITTLE);
    const Delivered d = readblock(many.longs(NOTE, 0x0200, std::vector<std::uint32_t>(40, 1)).exif(), true);
    EXPECT_EQ(std::count_if(d.lines.begin(), d.lines.end(), [](const std::string& l) {
                  return l.find("Sanyo Shooting Unknown=") != std::string::npos;
              }), 37);
    expect(d, {});
    EXPECT_NE(d.trace.find("Processing SanyoShootMode (0x0200) directory, 40 entries\n"), std::string::npos);
}

// ---- Fujifilm and Leica -----------------------------------------------------

// The note's offsets count from the note, in either byte order of the block.
TEST(Notes, FujiOwnOffsetsChainedDirectoriesAndOverrides)
{
    const std::pair<std::uint16_t, const char*> whites[] = {
        {0x0300, "Daylight Color Fluorescence"}, {0x0301, "Daywhite Color Fluorescence"}, {0x0302, "White Fluorescence"},
        {0x0F00, "Custom"},
    };
    std::vector<Case> rows;
    for (const auto& [white, name] : whites) {
        const bytes note = fujinote({{0, 0x0000, UNDEF, {}, "0130"}, {0, 0x1000, ASCII, {}, "FINE   "}, {0, 0x1001, SHORT, {3}},
                                     {0, 0x1002, SHORT, {white}}, {0, 0x1011, SRATIONAL, {s32(-2), 3}}});
        rows.push_back({[note](TiffBuilder& b) { b.undefined(EXIF, 0x927C, note).rationals(EXIF, 0x829A, {{1, 125}}); },
                        {"? Maker Note Version=0130", "? Quality Setting=FINE", "? Sharpness=Normal", "? Flash Strength=-0.7",
                         "i Exposure Time=1/125 sec", "? White Balance="s + name}});
    }
    expectcases([](int order) { return camera(order, "FUJIFILM"); }, rows);
    // Without the header the directory stands at the note's first byte, in the
    // block's own order; the version reads as stored only when of four bytes.
    expectcases([](int order) { return withnote(order, "FUJIFILM"); }, {
        {{{NOTE, 0x0000, UNDEF, {}, "0130"}, {NOTE, 0x1001, SHORT, {5}}},  {"? Maker Note Version=0130", "? Sharpness=Hard"}},
        {{{NOTE, 0x0000, UNDEF, {}, "01300"}, {NOTE, 0x1001, SHORT, {5}}}, {"? Maker Note Version=#", "? Sharpness=Hard"}},
    });
    // A Fujifilm-layout note goes to the Leica maker's Fujifilm reader, which supersedes nothing.
    const bytes fuji = fujinote({{0, 0x0000, UNDEF, {}, "0130"}, {0, 0x1000, ASCII, {}, "NORMAL "}, {0, 0x1002, SHORT, {256}}});
    expectcases([](int order) { return camera(order, "LEICA"); },
                {{[&](TiffBuilder& b) { b.shorts(EXIF, 0xA403, {0}).undefined(EXIF, 0x927C, fuji); },
                  {"? Maker Note Version=0130", "? Quality Setting=NORMAL", "? White Balance=Daylight", "i White Balance=Auto"}}});
    // Leica, Asahi and Panasonic notes read the directory chained behind theirs,
    // Casio notes do not; their values supersede the standard ones but Casio's.
    constexpr int SECOND = 3;  // the directory chained behind the note's
    const Entries leica = {{SECOND, 0x0007, SHORT, {1}}, {EXIF, 0xA403, SHORT, {0}}, {EXIF, 0xA408, SHORT, {0}},
                           {NOTE, 0x0003, SHORT, {2}}, {NOTE, 0x002C, SHORT, {288}}, {NOTE, 0x0024, SHORT, {0xFFFD}}};
    const Entries asahi = {{SECOND, 0x0008, SHORT, {2}}, {NOTE, 0x0019, SHORT, {3}}, {EXIF, 0xA403, SHORT, {0}},
                           {NOTE, 0x001f, SHORT, {3}}, {EXIF, 0xA409, SHORT, {0}}, {NOTE, 0x0020, SHORT, {3}},
                           {EXIF, 0xA408, SHORT, {0}}, {NOTE, 0x0021, SHORT, {3}}, {EXIF, 0xA40A, SHORT, {0}}};
    const strings leicawant = {"? White Balance=Sunshine", "? Contrast=High", "? Flash Compensation=-1 EV", "? Focus Mode=Auto",
                               "o White Balance=Auto", "o Contrast=Normal"},
                  asahiwant = {"? Quality Level=Super Fine", "o White Balance=Auto", "o Saturation=Normal", "o Contrast=Normal",
                               "o Sharpness=Normal"};
    const struct { const char* make; std::string header; Entries entries; strings want; } cases[] = {
        {"LEICA", "LEICA\1\2\3", leica, leicawant},                {"LEICA", "", leica, leicawant},
        {"Asahi Optical Co.,Ltd", "AOC\0\0\0"s, asahi, asahiwant}, {"PENTAX Corporation", "AOC\0\0\0"s, asahi, asahiwant},
        {"CASIO",                 "",
         {{SECOND, 0x0002, SHORT, {3}}, {EXIF, 0xA408, SHORT, {0}}, {NOTE, 0x000c, SHORT, {2}}, {NOTE, 0x0007, SHORT, {129}}},
         {"? White Balance=Manual", "!Quality Setting", "i Contrast=Normal", "i Contrast=High"}},
        {"Panasonic",             "Panasonic\0\0\0"s,
         {{SECOND, 0x001f, SHORT, {21}}, {NOTE, 0x0003, SHORT, {8}}, {NOTE, 0x002c, SHORT, {2}}, {EXIF, 0xA403, SHORT, {0}},
          {EXIF, 0xA408, SHORT, {0}}},
         {"? Shooting Mode=Night Scenery", "o White Balance=Auto", "o Contrast=Normal"}},
    };
    for (const auto& c : cases)
        expectcases([&](int order) {
            TiffBuilder b = withnote(order, c.make, c.header);
            return b.chain(NOTE, b.dir());
        }, {{c.entries, c.want}});
}

// ---- Notes of their own layout: Asahi/Pentax, Casio, Panasonic, Sigma -------

// The header, the note's byte order and the bytes kept decide whether a note
// is read; a refused note leaves the block's byte order to what follows, a
// cut one is not read past the block. Asahi notes hold `extra` entries more.
TEST(Notes, OwnLayoutsAndRefusalsInBothByteOrders)
{
    constexpr int BLOCK = -1;  // the note in the block's byte order
    const strings asahi = {"? White Balance=Tungsten"}, asahino = {"!White Balance", "w Asahi maker note version not supported"},
                  casiono = {"w Casio maker note version not supported"},
                  panasonic = {"i Image Quality=Fine"}, panasonicno = {"!Image Quality", "w Maker note format not supported"},
                  sigma = {"c Serial Number=*"}, sigmano = {"!Serial Number", "w Sigma maker note version not supported"};
    const struct { const char* make; std::string header; int noteorder; std::size_t keep; strings want; int extra = 0; } cases[] = {
        {"PENTAX Corporation", "AOC\0  "s, ORDER_BIG, SIZE_MAX, asahi},
        {"PENTAX Corporation", "AOC\0\0\0"s, BLOCK, SIZE_MAX, asahi},  {"PENTAX Corporation", "", ORDER_BIG, SIZE_MAX, asahi, 9},
        {"PENTAX Corporation", "", BLOCK, SIZE_MAX, asahino, 8},       {"PENTAX Corporation", "AOC\0MM"s, BLOCK, SIZE_MAX, asahi},
        {"PENTAX Corporation", "AOC\0 \0"s, ORDER_BIG, SIZE_MAX, asahino},
        {"PENTAX Corporation", "AOC\0  "s, ORDER_BIG, 5, asahino},     {"PENTAX Corporation", "AOC\0  "s, ORDER_BIG, 0, asahino},
        {"CASIO", "", BLOCK, SIZE_MAX, {"i Contrast=High"}},
        {"CASIO", "QVC\0\0\0"s, BLOCK, SIZE_MAX, cat(casiono, {"? Casio Unknown=2", "!i Contrast=High"})},
        {"CASIO", "QVC\0\0\0"s, BLOCK, 5, cat(casiono, {"!Casio Unknown"})},
        {"CASIO", "", BLOCK, 3, cat(casiono, {"!Contrast"})},          {"Panasonic", "Panasonic\0\0\0"s, BLOCK, SIZE_MAX, panasonic},
        {"Panasonic", "Panasonic\0\0\x01"s, BLOCK, SIZE_MAX, panasonicno},
        {"Panasonic", "Panasonix\0\0\0"s, BLOCK, SIZE_MAX, panasonicno},
        {"Panasonic", "Panasonic\0\0\0"s, BLOCK, 11, panasonicno},     {"Panasonic", "Panasonic\0\0\0"s, BLOCK, 0, panasonicno},
        // The Sigma directory starts ten bytes in, behind the signature and two bytes more.
        {"SIGMA", "SIGMA\0\0\0\x01\0"s, BLOCK, SIZE_MAX, sigma},  {"SIGMA", "FOVEON\0\0\x01\0"s, BLOCK, SIZE_MAX, sigma},
        {"SIGMA", "SIGMA2\0\0\x01\0"s, BLOCK, SIZE_MAX, sigmano}, {"SIGMA", "FOVEON\0\0\x01\0"s, BLOCK, 9, sigmano},
    };
    // The entry each note holds: white balance, contrast, quality, serial number.
    const std::map<std::string, std::pair<std::uint16_t, std::uint16_t>> entry = {
        {"PENTAX Corporation", {0x0019, 4}}, {"CASIO", {0x000c, 2}}, {"Panasonic", {0x0001, 2}}, {"SIGMA", {0x0002, 1}}};
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& c : cases) {
            std::vector<std::pair<std::uint16_t, std::uint16_t>> entries{entry.at(c.make)};
            for (int i = 1; i <= c.extra; i++)
                entries.push_back({static_cast<std::uint16_t>(0x0100 + i), 0});
            expect(readblock(ownnote(order, c.make, c.header, entries, c.noteorder == BLOCK ? order : c.noteorder, c.keep)),
                   c.want, std::to_string(&c - cases));
        }
}

// Flash bias in thirds of a stop; the spot mode by its bytes as stored, first
// byte high, in either byte order.
TEST(PanasonicAndSigma, ComputedTextsAndLabelsRemoved)
{
    const auto one = [](std::uint16_t tag, int type, std::vector<std::uint32_t> v, const char* line) {
        return Case{{{NOTE, tag, type, std::move(v)}}, {line}};
    };
    expectcases([](int order) { return withnote(order, "Panasonic", "Panasonic\0\0\0"s); }, {
        one(0x0024, SSHORT, {0xFFFD}, "? Flash Bias=-1.00 EV"),     one(0x0024, SSHORT, {6}, "? Flash Bias=2.00 EV"),
        one(0x0024, SSHORT, {1}, "? Flash Bias=0.33 EV"),           one(0x0024, SSHORT, {0xFFE2}, "? Flash Bias=-10.00 EV"),
        one(0x0024, SSHORT, {0xFED4}, "? Flash Bias=-100.00 EV"),   one(0x0024, SSHORT, {0x8000}, "? Flash Bias=-10922.67 EV"),
        one(0x0023, SHORT, {0xFFFE}, "? White Balance Adjust=-2"),
        one(0x0023, SHORT, {0x8000}, "? White Balance Adjust=-32768"),
        one(0x0023, SHORT, {0x7530}, "? White Balance Adjust=30000"),
        one(0x000f, BYTE, {0x01, 0}, "? Spot Mode=On"),             one(0x000f, BYTE, {0x10, 0}, "? Spot Mode=Off"),
        one(0x000f, BYTE, {0x10}, "? Spot Mode=Off"),               one(0x000f, BYTE, {0, 0x10}, "? Spot Mode=Unknown"),
    });
    // Only the tag's own label, whole and in its case, goes; leading spaces stay.
    // Fields without text (another type, data outside the block) are left alone.
    const struct { std::uint16_t tag; const char *stored, *line; } cases[] = {
        {0x000d, "Cont:+0.3", "? Contrast=+0.3"},    {0x000d, "Contrast", "? Contrast=Contrast"},
        {0x000d, "cont:+0.3", "? Contrast=cont:+0.3"},
        {0x000c, "+1.0", "? Exposure=+1.0"},         {0x000c, "Expo: -0.7", "? Exposure= -0.7"},
        {0x0014, "CC:0", "? Color Adjustment=0"},    {0x0016, "Qual:12", "? Quality=12"},
        {0x0012, "Fill:", "? Fill Light="},          {0x0011, "Cont:1", "? Sharpness=Cont:1"},
    };
    std::vector<Case> rows;
    for (const auto& c : cases)
        rows.push_back({{{NOTE, c.tag, ASCII, {}, c.stored}, {NOTE, 0x000e, SHORT, {7}}, {NOTE, 0x000f, RAW | ASCII, {20, 0xFFFFFFF0}}},
                        {c.line, "? Shadow=7", "? Highlight=-16", "w*"}});
    expectcases([](int order) { return withnote(order, "SIGMA", "FOVEON\0\0\x01\0"s); }, rows);
}

}  // namespace
}  // namespace exifkit::test
