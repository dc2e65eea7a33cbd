// Pentax notes of the layouts that name their byte order ("AOC\0MM",
// "AOC\0II", "PENTAX \0", "RICOH\0"): which reader takes a note, the offset
// base and byte order of each, and the texts of the Pentax table.
#include <gtest/gtest.h>

#include "support/delivery.h"

namespace exifkit::test {
namespace {

using namespace std::string_literals;

constexpr int SBYTE = 6, SLONG = 9;

// A note whose offsets count from its own first byte: `header`, then one
// directory in byte order noteorder holding a white balance and a serial
// number (stored outside the directory, so its offset tells the base).
bytes notebased(int order, const std::string& make, const std::string& header, int noteorder)
{
    TiffBuilder n(noteorder);
    n.header(text(header)).dir();
    n.shorts(0, 0x0019, {4}).ascii(0, 0x0229, "4012345");
    return camera(order, make).undefined(EXIF, 0x927C, n.tiff()).exif();
}

// A note of inline values only, in byte order noteorder behind `header`: where
// its offsets count from does not matter, its byte order does.
bytes inlinenote(int order, const std::string& header, int noteorder)
{
    TiffBuilder n(noteorder);
    n.header(text(header)).dir();
    n.shorts(0, 0x0019, {4});
    return camera(order, "PENTAX Corporation").undefined(EXIF, 0x927C, n.tiff()).exif();
}

const strings READ = {"i White Balance=Tungsten", "c Serial Number=4012345"};
const strings UNREAD = {"!White Balance", "!Serial Number"};

TEST(Pentax, HeadersThatNameTheirByteOrder)
{
    const std::string pentax = "PENTAX Corporation", ricoh = "RICOH IMAGING COMPANY, LTD.";
    const strings refused = cat(UNREAD, {"w Asahi maker note version not supported"});
    const struct { std::string make, header; int noteorder; strings want; } cases[] = {
        {pentax,            "PENTAX \0MM"s, ORDER_BIG,    READ},
        {pentax,            "PENTAX \0II"s, ORDER_LITTLE, READ},
        // The entry count read in the named order decides against a wrong name.
        {pentax,            "PENTAX \0MM"s, ORDER_LITTLE, READ},
        {pentax,            "PENTAX \0II"s, ORDER_BIG,    READ},
        {ricoh,             "RICOH\0II"s,   ORDER_LITTLE, READ},
        {ricoh,             "RICOH\0MM"s,   ORDER_BIG,    READ},
        {"PENTAX",          "RICOH\0MM"s,   ORDER_BIG,    READ},
        {"SAMSUNG",         "PENTAX \0MM"s, ORDER_BIG,    cat(UNREAD, {"w maker note not supported"})},
        {"SAMSUNG",         "AOC\0MM"s,     ORDER_BIG,    {"i White Balance=Tungsten"}},
        // Not an order: read as the early headerless layout, which this is not.
        {pentax,            "PENTAX \0XY"s, ORDER_BIG,    UNREAD},
        {ricoh,             "RICOH\0XY"s,   ORDER_BIG,    cat(UNREAD, {"w maker note not supported"})},
        // Ricoh's own text notes are not Pentax's.
        {ricoh,             "Rv0207;Sf6C84;"s, ORDER_BIG, cat(UNREAD, {"w maker note not supported"})},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& c : cases)
            expect(readblock(notebased(order, c.make, c.header, c.noteorder)), c.want, c.make + " " + c.header);
    // A named header whose directory does not fit the note is refused.
    bytes cut = notebased(ORDER_BIG, pentax, "PENTAX \0MM"s, ORDER_BIG);
    cut.resize(cut.size() - 20);
    expect(readblock(cut), refused);
}

// "AOC\0" and the letters: offsets from the Exif TIFF header, the directory in
// the named order whatever the block's, the entry count guarding the name.
TEST(Pentax, AocWithByteOrderLetters)
{
    for (int order : {ORDER_LITTLE, ORDER_BIG}) {
        TiffBuilder b = withnote(order, "PENTAX Corporation", order == ORDER_BIG ? "AOC\0MM"s : "AOC\0II"s);
        expect(readblock(b.shorts(NOTE, 0x0019, {4}).ascii(NOTE, 0x0229, "4012345").exif()), READ);
        for (const auto& header : {"AOC\0MM"s, "AOC\0II"s})
            for (int noteorder : {ORDER_LITTLE, ORDER_BIG})
                expect(readblock(inlinenote(order, header, noteorder)), {"i White Balance=Tungsten"}, header);
    }
    // The early layouts keep the Asahi table.
    TiffBuilder b = withnote(ORDER_BIG, "PENTAX Corporation", "AOC\0  "s);
    expect(readblock(b.shorts(NOTE, 0x0008, {1}).exif()), {"i Quality Level=Fine", "!Quality"});
    TiffBuilder r = withnote(ORDER_LITTLE, "RICOH IMAGING COMPANY, LTD.", "AOC\0\0\0"s);
    expect(readblock(r.shorts(NOTE, 0x0008, {1}).exif()), {"i Quality Level=Fine"});
}

TiffBuilder pentaxfile(int order)
{
    return withnote(order, "PENTAX Corporation", order == ORDER_BIG ? "AOC\0MM"s : "AOC\0II"s);
}

// The shutter count is stored XOR the date and the inverted time.
constexpr std::uint32_t DATE = 0x07DD0119, TIME = 0x102C0E00, SHUTTERS = 5074;
constexpr std::uint32_t SCRAMBLED = SHUTTERS ^ DATE ^ ~TIME;
std::vector<std::uint32_t> bigendian(std::uint32_t v)
{
    return {v >> 24, v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF};
}

TEST(Pentax, TableTexts)
{
    expectcases(pentaxfile, {
        {{{NOTE, 0x0000, BYTE,   {3, 0, 0, 0}}},           {"o Pentax Version=3.0.0.0"}},
        {{{NOTE, 0x0002, SHORT,  {640, 480}}},             {"o Preview Image Size=640 x 480"}},
        {{{NOTE, 0x0005, LONG,   {0x12E76}}},              {"c Pentax Model ID=K-5"}},
        {{{NOTE, 0x0005, LONG,   {0x12345}}},              {"c Pentax Model ID=0x12345"}},
        {{{NOTE, 0x0006, UNDEF,  {0x07, 0xDD, 1, 25}}},    {"o Date=2013:01:25"}},
        {{{NOTE, 0x0007, UNDEF,  {16, 44, 14}}},           {"o Time=16:44:14"}},
        {{{NOTE, 0x0008, SHORT,  {4}}},                    {"i Quality=RAW"}},
        // A code no list holds prints as its number.
        {{{NOTE, 0x0008, SHORT,  {6}}},                    {"i Quality=6"}},
        {{{NOTE, 0x000C, SHORT,  {0x103, 0}}},             {"i Flash Mode=Auto, Fired, Red-eye reduction"}},
        {{{NOTE, 0x000D, SHORT,  {0x10}}},                 {"i Focus Mode=AF-S (Focus-priority)"}},
        {{{NOTE, 0x000D, SHORT,  {0x8006}}},               {"i Focus Mode=Auto-area (Macro)"}},
        {{{NOTE, 0x000E, SHORT,  {0xFFFE, 1}}},            {"i AF Point Selected=Fixed Center; Expanded Area"}},
        {{{NOTE, 0x000E, SHORT,  {27}}},                   {"i AF Point Selected=27"}},
        {{{NOTE, 0x0012, LONG,   {400}}},                  {"o Exposure Time=1/250 s"}},
        {{{NOTE, 0x0012, LONG,   {250000}}},               {"o Exposure Time=2.5 s"}},
        {{{NOTE, 0x0013, SHORT,  {56}}},                   {"o F Number=5.6"}},
        {{{NOTE, 0x0014, SHORT,  {3}}},                    {"o ISO=50"}},
        {{{NOTE, 0x0014, SHORT,  {45}}},                   {"o ISO=819200"}},
        {{{NOTE, 0x0014, SHORT,  {260}}},                  {"o ISO=100"}},
        {{{NOTE, 0x0014, SHORT,  {286}}},                  {"o ISO=819200"}},
        {{{NOTE, 0x0014, SHORT,  {400}}},                  {"o ISO=400"}},
        {{{NOTE, 0x0014, SHORT,  {65535}}},                {"o ISO=Auto"}},
        {{{NOTE, 0x0016, SHORT,  {40}}},                   {"o Exposure Compensation=-1.0"}},
        {{{NOTE, 0x0016, SHORT,  {53, 0}}},                {"o Exposure Compensation=+0.3"}},
        {{{NOTE, 0x001D, LONG,   {1700}}},                 {"o Focal Length=17.0 mm"}},
        {{{NOTE, 0x001D, LONG,   {63}},
          {IFD0, 0x0110, ASCII,  {}, "PENTAX Optio 750Z"}}, {"o Focal Length=6.3 mm"}},
        {{{NOTE, 0x001F, SHORT,  {2, 0}}},                 {"i Saturation=+2 (high)"}},
        {{{NOTE, 0x0020, SHORT,  {65535}}},                {"i Contrast=None"}},
        {{{NOTE, 0x0021, SHORT,  {0}}},                    {"i Sharpness=-2 (soft)"}},
        {{{NOTE, 0x0023, SHORT,  {20}}},                   {"o Hometown City=London"}},
        {{{NOTE, 0x0024, SHORT,  {75}}},                   {"o Destination City=75"}},
        {{{NOTE, 0x0027, UNDEF,  {0xFE, 0xFD, 0xFF, 0xF5}}}, {"c DSP Firmware Version=1.02.00.10"}},
        {{{NOTE, 0x0033, BYTE,   {5, 0, 1}}},              {"i Picture Mode=Aperture Priority; 1/3 EV steps"}},
        {{{NOTE, 0x0033, BYTE,   {9, 9, 0}}},              {"i Picture Mode=9 9; 1/2 EV steps"}},
        {{{NOTE, 0x0034, BYTE,   {1, 2, 0, 0x10}}},        {"i Drive Mode=Continuous; Self-timer (2 s); Shutter Button; HDR"}},
        {{{NOTE, 0x003F, BYTE,   {7, 243, 0, 1}}},         {"i Lens Record=smc PENTAX-DA 70mm F2.4 Limited; extender attached"}},
        {{{NOTE, 0x003F, BYTE,   {9, 1}}},                 {"i Lens Record=9 1"}},
        {{{NOTE, 0x0047, SBYTE,  {0xFB}}},                 {"o Camera Temperature=-5 C"}},
        {{{NOTE, 0x004D, SLONG,  {s32(-512)}}},            {"i Flash Exposure Comp=-2.0"}},
        {{{NOTE, 0x004D, SBYTE,  {0xFD, 0}}},              {"i Flash Exposure Comp=-0.5"}},
        {{{NOTE, 0x0050, SHORT,  {48190}}},                {"i Color Temperature=5000 K"}},
        {{{NOTE, 0x0050, SHORT,  {0}}},                    {"i Color Temperature=n/a"}},
        {{{NOTE, 0x005C, BYTE,   {1, 1, 30, 36}}},         {"i Shake Reduction Info=Stabilized; On; 0.50 s; 18 mm"}},
        {{{NOTE, 0x005C, BYTE,   {0x41, 167, 0, 5}}},      {"i Shake Reduction Info=Stabilized, Not ready; On (mode 1); 0.00 s; 20 mm"}},
        {{{NOTE, 0x005C, BYTE,   {0, 15}}},                {"i Shake Reduction Info=On (AA simulation type 1)"}},
        {{{NOTE, 0x0071, BYTE,   {255, 1, 56}}},           {"i High ISO NR=Auto; Active; ISO>800"}},
        {{{NOTE, 0x0229, ASCII,  {}, "4012345"}},          {"c Serial Number=4012345"}},
        // A field of another type than its row's keeps its stored text.
        {{{NOTE, 0x0008, ASCII,  {}, "x"}},                {"i Quality=x"}},
        // A value outside the block is left as stored.
        {{{NOTE, 0x0034, BYTE | RAW, {4, 0xFFFFFFF0}}},    {"? Drive Mode=*"}},
    });
}

TEST(Pentax, ShutterCountNeedsTheDateAndTime)
{
    const Entry count{NOTE, 0x005D, UNDEF, bigendian(SCRAMBLED)}, date{NOTE, 0x0006, UNDEF, bigendian(DATE)},
        time{NOTE, 0x0007, UNDEF, {0x10, 0x2C, 0x0E}};
    expectcases(pentaxfile, {
        {{count, date, time}, {"c Shutter Count=5074"}},
        // Without both, the stored bytes say nothing and are not shown as a count.
        {{count},             {"!c Shutter Count", "u Shutter Count=*"}},
        {{count, date},       {"!c Shutter Count", "u Shutter Count=*"}},
    });
}

// The white balance of the note stands in for the standard one.
TEST(Pentax, WhiteBalanceSupersedesTheStandardOne)
{
    expectcases(pentaxfile, {
        {{{NOTE, 0x0019, SHORT, {9}}, {EXIF, 0xA403, SHORT, {0}}},
         {"i White Balance=Flash", "o White Balance=Auto"}},
    });
}

}  // namespace
}  // namespace exifkit::test
