// Which maker reads a note, notes cut short by the block's end or with broken
// headers, and the Canon and Nikon notes: arrays unpacked into sub-values,
// derived properties, custom functions by model, the Nikon layouts in every
// pairing of byte orders, and the standard properties a maker value supersedes.
#include <gtest/gtest.h>

#include <map>

#include "support/delivery.h"

namespace exifkit::test {
namespace {

using namespace std::string_literals;
using Values = std::map<std::size_t, int>;

// The same note (a plain directory holding tag 1) read by the maker the Make
// names: the key must begin the lower-case Make, cut at its count or first NUL.
TEST(Makers, TheMakeKnownWhenTheNoteIsMetChoosesTheReader)
{
    const strings canon = {"u Canon Tag1 Offset=2", "w Canon maker tag appears corrupt"},
                  asahi = {"w Asahi maker note version not supported"}, panasonic = {"w Maker note format not supported"},
                  unknown = {"w maker note not supported"};
    // A count of 0 stands for the text and its NUL.
    const struct { std::string make; strings want; std::uint32_t count = 0; } cases[] = {
        {"CANON INC.", canon},
        {"Canon and a very long tail beyond thirty-one characters", canon},
        {"OLYMPUS OPTICAL CO.,LTD", {"u Olympus Unknown=2"}},    {"FUJIFILM", {"u Fuji Unknown=2"}},
        {"NIKON CORPORATION", {"o Nikon Note Version=*", "w*"}}, {"CASIO", {"i Recording Mode=Unknown"}},
        {"Minolta Co., Ltd.", {"w Minolta maker note version not supported"}},
        {"SANYO Electric Co.,Ltd.", {"u Sanyo Unknown=2"}},      {"Asahi Optical Co.,Ltd", asahi},
        {"PENTAX Corporation", asahi},                           {"LEICA", {"i Compression Rate=Low"}},
        {"Panasonic", panasonic},                                {"Panasonic", panasonic, 9},
        {"Panasonic", unknown, 5},                               {"SIGMA", {"w Sigma maker note version not supported"}},
        // A header-less Sony note may not begin 01 00, as this one-entry directory does.
        {"Apple", unknown},                                      {"SONY", unknown},
        {"Sony", unknown},                                       {"OM Digital Solutions", {"u Olympus Unknown=2"}},
        {"RICOH IMAGING COMPANY, LTD.", unknown},                {"HASSELBLAD", unknown},
        {"SAMSUNG", unknown},                                    {"samsung", unknown},
        {"KONICA MINOLTA", unknown},                             {"Can", unknown},
        {"", unknown},                                           {"Can\0on\0"s, unknown, 8},
    };
    for (const auto& c : cases) {
        TiffBuilder b = withnote(ORDER_LITTLE, "");
        const bytes data = cat({text(c.make), {0}});
        b.add(IFD0, 0x010F, TYPE_ASCII, c.count ? c.count : static_cast<std::uint32_t>(data.size()), data);
        expect(readblock(b.shorts(NOTE, 0x0001, {2}).exif()), c.want, c.make);
    }
    // A later Make overwrites the match, but not one outside the block; the maker
    // is the one known when the note is met, so a Make behind it comes too late.
    for (std::uint32_t value : {0x00FFFF00u, 0xFFFFFFFAu}) {
        TiffBuilder b = withnote(ORDER_BIG, "Canon");
        b.ascii(IFD0, 0x010F, "NIKON").raw(IFD0, 0x010F, TYPE_ASCII, 10, value).shorts(NOTE, 0x0001, {2});
        expect(readblock(b.exif()), {"o Nikon Note Version=*", "w field type mismatch (NikonVersion)",
                                     "w invalid field offset (Make)", "w*"});
    }
    TiffBuilder b = camera(ORDER_BIG, "Eastman Kodak Company");
    b.undefined(EXIF, 0x927C, bytes(24, 'k')).ascii(EXIF, 0x010F, "Canon");
    expect(readblock(b.exif()), {"u Manufacturer Notes=#", "w maker note not supported"});
}

// ---- Canon ------------------------------------------------------------------

constexpr const char* S40 = "Canon PowerShot S40";

// IFD0 with the Make and a Model, an Exif directory and a Canon note in it.
Base canon(const char* model = S40)
{
    return [model](int order) {
        TiffBuilder b = withnote(order, "Canon");
        return model ? b.ascii(IFD0, 0x0110, model) : b;
    };
}

// A note array of count values whose value 0 is its length in bytes, unless set.
Entry array(std::uint16_t tag, std::size_t count, const Values& values)
{
    std::vector<std::uint32_t> v(count);
    v[0] = static_cast<std::uint32_t>(2 * count);
    for (auto [i, x] : values)
        v.at(i) = static_cast<std::uint16_t>(x);
    return {NOTE, tag, SHORT, v};
}

// Camera settings (array 1) and shot information (array 4): of the latter,
// index 2 is the sensor's ISO speed, index 6 an exposure compensation in 1/32
// EV, index 19 the subject distance, in centimetres on the models that say so.
// The colour temperature counts only when the white balance was set by it.
TEST(Canon, CameraSettingsShotInformationAndSubValues)
{
    const auto settings = [](const Values& v, std::size_t count = 40) { return Entries{array(0x0001, count, v)}; };
    const auto shot = [](const Values& v) { return Entries{array(0x0004, 40, v)}; };
    // One value of the camera settings or the shot information, and its line.
    const auto set = [&](std::size_t i, int x, const char* line) { return Case{settings({{i, x}}), {line}}; };
    const auto sh = [&](std::size_t i, int x, const char* line) { return Case{shot({{i, x}}), {line}}; };
    const Entry temperature = array(0x00A0, 14, {{9, 5200}});
    expectcases(canon(), {
        set(1, 1, "i Macro Mode=Macro"),                         set(3, 5, "i Compression Setting=Superfine"),
        set(13, 65535, "i Contrast=Low"),                        set(4, 9, "i Flash Mode=Unknown"),
        set(12, 1, "i Digital Zoom=x2"),                         set(16, 17, "i ISO Speed Rating=100"),
        set(16, 20, "o ISO Speed Rating=Unknown"),               set(17, 9, "o Metering Mode=Unknown"),
        set(20, 3, "i Exposure Mode=Av-Priority"),               set(19, 0x3004, "u Autofocus Point=num 19, val 0x3004"),
        set(30, 7, "u Canon Tag1 Unknown=num 30, val 0x0007"),   sh(2, 160, "i Sensor ISO Speed=100"),
        sh(2, 192, "i Sensor ISO Speed=200"),                    sh(2, -32, "i Sensor ISO Speed=2"),
        sh(2, 32767, "i Sensor ISO Speed=Unknown"),              sh(6, 32, "i Exposure Compensation=1.00 EV"),
        sh(6, -16, "i Exposure Compensation=-0.50 EV"),          sh(7, 9, "i White Balance=Manual Temperature"),
        sh(9, 4, "i Sequence Number=4"),                         sh(15, -16, "i Flash Bias=-0.50 EV"),
        sh(19, 0xFFFF, "i Subject Distance=Infinity"),           sh(19, 1234, "i Subject Distance=1.234 m"),
        sh(14, 3, "u Autofocus Point=num 14, val 0x0003"),
        {settings({{2, 100}}), {"i Self-Timer Length=10 sec", "i Drive Mode=Timed"}},
        {settings({}), {"o Self-Timer Length=0 sec", "i Drive Mode=Single", "o Digital Zoom=None", "o Exposure Mode=Easy Shooting",
                        "o Canon Tag1 Length=80"}},
        {settings({{2, 100}, {5, 1}}), {"i Drive Mode=Continuous"}},
        {settings({{12, 3}, {36, 1600}, {37, 2048}}), {"i Digital Zoom=x2.6", "o Zoomed Resolution=1600"}},
        {settings({{12, 3}, {36, 1600}}, 37), {"i Digital Zoom=Unknown"}},
        {settings({{12, 3}, {37, 2048}}), {"i Digital Zoom=Unknown"}},
        {shot({}), {"i Sensor ISO Speed=3", "i Exposure Compensation=0.00 EV", "o Sequence Number=0", "o Flash Bias=0.00 EV",
                    "o Subject Distance=Unknown"}},
        {{temperature}, {"i Color Temperature=5200 K", "u Canon TagA0 Unknown=num 01, val 0x0000"}},
        {{array(0x0004, 20, {{7, 9}}), temperature}, {"i Color Temperature=5200 K"}},
        {{array(0x0004, 20, {{7, 1}}), temperature}, {"o Color Temperature=5200 K"}},
    });
    for (const char* model : {"Canon EOS 40D", static_cast<const char*>(nullptr)})
        expectcases(canon(model), {{shot({{19, 1234}}), {"i Subject Distance=12.340 m"}}});
    // The last Model of the list counts, here the thumbnail directory's.
    expectcases(canon(), {{[&](TiffBuilder& b) {
        const int ifd1 = b.dir();
        put(b.chain(IFD0, ifd1).ascii(ifd1, 0x0110, "Canon EOS 40D"), shot({{19, 1234}}));
    }, {"i Subject Distance=12.340 m"}}});
    // Sub-values stand behind their array in descending order, the lens size in front of them.
    TiffBuilder b = canon()(ORDER_BIG);
    put(b, {array(0x0001, 26, {{23, 300}, {24, 75}, {25, 1}, {22, 9}, {6, 7}})});
    const Delivered d = readblock(b.exif());
    expect(d, {"c Lens Size=75.00 - 300.00 mm"});
    EXPECT_EQ(d.group('u'),
              (strings{"u Manufacturer Notes=94", "u Canon Tag1 Offset=112", "u Focal Units/mm=num 25, val 0x0001",
                       "u Min Focal Length=num 24, val 0x004B", "u Max Focal Length=num 23, val 0x012C",
                       "u Canon Tag1 Unknown=num 22, val 0x0009", "u Canon Tag1 Unknown=num 21, val 0x0000",
                       "u Autofocus Point=num 19, val 0x0000", "u Canon Tag1 Unknown=num 09, val 0x0000",
                       "u Canon Tag1 Unknown=num 08, val 0x0000", "u Canon Tag1 Unknown=num 06, val 0x0007"}));
    // Unknown short arrays are unpacked, without texts, only while tracing.
    TiffBuilder u = canon()(ORDER_LITTLE);
    u.shorts(NOTE, 0x0013, {7, 8, 9, 10});
    EXPECT_EQ(readblock(u.exif()).group('u'), (strings{"u Manufacturer Notes=94", "u Canon Unknown=7, 8, 9, 10"}));
    const Delivered traced = readblock(u.exif(), true);
    EXPECT_EQ(traced.group('u'), (strings{"u Manufacturer Notes=94", "u Canon Unknown=7, 8, 9, 10", "u Canon Unknown=10",
                                          "u Canon Unknown=9", "u Canon Unknown=8", "u Canon Unknown=7"}));
    EXPECT_NE(traced.trace.find("Processing CanonUnknown (0x0013) directory, 4 entries\n"), std::string::npos);
}

// Derived from several values: image number, serial number, lens size, and
// by model image number or actuations.
TEST(Canon, PlainDerivedAndOverridingPropertiesAndArraysThatCannotBeUnpacked)
{
    const auto lens = [](std::size_t count, const Values& v) { return Entries{array(0x0001, count, v)}; };
    expectcases(canon(), {
        {{{NOTE, 0x0008, LONG, {1001234}}}, {"i Image Number=100-1234"}},
        {{{NOTE, 0x0008, LONG, {0}}}, {"o Image Number=000-0000"}},
        {{{NOTE, 0x000C, LONG, {1234567}}}, {"c Serial Number=0001234567"}},
        {{{NOTE, 0x000C, LONG, {0x80000000}}}, {"c Serial Number=-214748364"}},
        {lens(26, {{23, 300}, {24, 75}, {25, 1}}), {"c Lens Size=75.00 - 300.00 mm"}},
        {lens(40, {{23, 682}, {24, 227}, {25, 32}}), {"c Lens Size=7.09 - 21.31 mm"}},
        {lens(26, {{23, 50}, {24, 50}, {25, 1}}), {"o Lens Size=50.00 mm"}},
        {lens(26, {{23, 50}, {24, 50}}), {"!Lens Size"}}, {lens(26, {{25, 1}}), {"!Lens Size"}},
        {lens(25, {{23, 300}, {24, 75}}), {"!Lens Size"}},
    });
    expectcases(canon("Canon EOS 20D"), {
        {{array(0x0093, 9, {{1, 0x1C05}, {2, 0x0123}})}, {"i Image Number=112-1571"}},
        {{array(0x0093, 9, {{1, 0x0005}, {2, 0x0123}})}, {"!Image Number"}},
    });
    expectcases(canon("Canon EOS 300D DIGITAL"), {
        {{array(0x0093, 9, {{1, 1}, {2, 500}})}, {"i Camera Actuations=66036"}},
        {{array(0x0093, 9, {})},                 {"!Camera Actuations"}},
    });
    // A Canon value supersedes a shown standard one (not one already "other", here
    // the thumbnail directory's); a standard subject distance that is known keeps
    // its place and pushes the Canon one down instead.
    expectcases(canon(), {
        {{{EXIF, 0x8827, SHORT, {100}}, {EXIF, 0x9207, SHORT, {2}}, {EXIF, 0x9206, RATIONAL, {5, 0}},
          {EXIF, 0xA403, SHORT, {0}}, array(0x0001, 20, {{16, 17}, {17, 3}}), array(0x0004, 20, {{19, 300}, {7, 1}})},
         {"o ISO Speed Rating=100", "o Metering Mode=Center Weighted Average", "o Subject Distance=Unknown", "o White Balance=Auto",
          "i ISO Speed Rating=100", "i Metering Mode=Evaluative", "i Subject Distance=0.300 m", "i White Balance=Daylight"}},
        {{{EXIF, 0x8827, SHORT, {100}}, {EXIF, 0x9206, RATIONAL, {2, 1}}, array(0x0001, 20, {{16, 20}}),
          array(0x0004, 20, {{19, 300}})},
         {"i ISO Speed Rating=100", "i Subject Distance=2.00 m", "o Subject Distance=0.300 m"}},
        {[](TiffBuilder& b) {
             const int ifd1 = b.dir();
             put(b.chain(IFD0, ifd1).shorts(ifd1, 0xA403, {0}), {array(0x0004, 20, {{7, 1}})});
         },
         {"o White Balance=Auto", "i White Balance=Daylight"}},
    });
    // Arrays that cannot be unpacked soundly are refused with the warning; the
    // rest of the note is read as usual.
    const Entry number{NOTE, 0x0008, LONG, {1001234}};
    const strings want = {"i Image Number=100-1234", "!Canon Tag1 Length", "w Canon maker tag appears corrupt"};
    expectcases(canon(), {
        {{number, {NOTE, 0x0001, RAW | SHORT, {40, 0xFFFFFF00}}}, want},
        {{number, {NOTE, 0x0001, SHORT, {4, 2}}},                 want},
        {{number, array(0x0001, 30, {{0, 58}})},                  want},
        // Half the array's data past the block's end.
        {[&](TiffBuilder& b) {
             put(b, {number});
             b.raw(NOTE, 0x0001, 3, 40, static_cast<std::uint32_t>(b.tiff().size() + 12 - 40));
         }, want},
    });
}

// Custom functions: the table by model, one value per word in reverse order,
// with a length word of 2 x count or 2 x count - 2 bytes.
TEST(Canon, CustomFunctionsByModelAndRefusals)
{
    const std::string settext = "o Custom Function=SET button function when shooting - Not Assigned",
                      noise = "o Custom Function=Long exposure noise reduction - Off";
    const struct { const char* model; std::uint16_t tag, word; std::string line, first; } cases[] = {
        {"Canon EOS 10D", 0x000F, 0x0C01, "o Custom Function=Mirror lockup - Enabled",                    settext},
        {"Canon EOS 10D", 0x000F, 0x0C07, "o Custom Function=Mirror lockup - Unknown",                    settext},
        {"Canon EOS 10D", 0x000F, 0x1E02, "u Custom Function=Canon 10D Custom Unknown 30 - 2",            settext},
        {"Canon EOS D60", 0x000F, 0x0D01, "o Custom Function=Sensor cleaning - Enabled",                  noise},
        {"Canon EOS 20D", 0x000F, 0x0D01, "o Custom Function=E-TTL II - Average",                         noise},
        {"Canon EOS 10D", 0x0090, 0x0D03, "o Custom Function=# AF points/spot metering - 9/Active AF Point",
                                          "o Custom Function=Finder display during exposure - Off"},
    };
    for (const auto& c : cases)
        expectcases(canon(c.model), {{{{NOTE, c.tag, SHORT, {6, 0x0100, c.word}}}, {c.line, c.first}},
                                     {{{NOTE, c.tag, SHORT, {4, 0x0100, c.word}}}, {c.line, c.first}}});
    TiffBuilder b = canon("Canon EOS 10D")(ORDER_BIG);
    b.shorts(NOTE, 0x000F, {6, 0x0100, 0x0C01});
    EXPECT_EQ(readblock(b.exif()).group('o'), (strings{"o Exif IFD Pointer=70", cases[0].line, settext}));
    // Arrays of a bad length and models without a table are refused.
    const std::string corrupt = "w Canon custom tag appears corrupt", unset = "w Canon model unset; please report to author";
    const struct { const char* model; std::uint16_t tag; std::vector<std::uint32_t> words; std::string warning; } refused[] = {
        {"Canon EOS 10D", 0x000F, {2, 0x0C01, 0x0D01}, corrupt}, {"Canon EOS 10D", 0x000F, {6, 0x0C01}, corrupt},
        {nullptr, 0x000F, {6, 0x0C01, 0x0D01}, unset},           {nullptr, 0x0093, {6, 0x0C01, 0x0D01}, unset},
        {S40, 0x000F, {6, 0x0C01, 0x0D01}, "w Custom function unsupported; please report to author ("s + S40 + ")"},
    };
    for (const auto& c : refused)
        expectcases(canon(c.model), {{{{NOTE, c.tag, SHORT, c.words}}, {c.warning, "!o Custom Function=Mirror lockup - Enabled"}}});
}

// ---- Nikon ------------------------------------------------------------------

enum Layout { PLAIN, V1, V2 };
const int orders[][2] = {{ORDER_LITTLE, ORDER_LITTLE}, {ORDER_BIG, ORDER_BIG}, {ORDER_LITTLE, ORDER_BIG},
                         {ORDER_BIG, ORDER_LITTLE}};

bytes signature(std::uint16_t version)
{
    return {'N', 'i', 'k', 'o', 'n', 0, static_cast<unsigned char>(version >> 8), static_cast<unsigned char>(version), 0, 0};
}

// A NIKON file with WhiteBalance and Saturation shown, whose Exif directory
// ends with the note in a layout, holding the entries. A version-2 note has a
// byte order of its own (inner); the others share the block's (outer).
bytes nikonexif(Layout layout, int outer, int inner, Entries entries)
{
    TiffBuilder b = camera(outer, "NIKON CORPORATION"), note(inner);
    b.shorts(EXIF, 0xA403, {0}).shorts(EXIF, 0xA409, {0});
    if (layout == V2) {
        const int d = note.dir();
        for (Entry& e : entries)
            e.dir = d;
        put(note, entries);
        return b.undefined(EXIF, 0x927C, cat({signature(0x0210), note.tiff()})).exif();
    }
    put(b.note(EXIF, b.dir(), layout == V1 ? bytes{'N', 'i', 'k', 'o', 'n', 0, 1, 0} : bytes{}), entries);
    return b.exif();
}

// Notes standing last in the block, so cut short by its end, or with broken headers, are read no further than
// their own entry, with these warnings ("w*": any).
TEST(Notes, NotesCutShortOrWithBrokenHeadersAreNotRead)
{
    TiffBuilder inner(ORDER_BIG);
    inner.shorts(inner.dir(), 0x0002, {0, 200});
    const bytes tiff = inner.tiff(), sig = signature(0x0210), rest(tiff.begin() + 8, tiff.end());
    const std::string olympus = "OLYMPUS OPTICAL CO.,LTD", nikon = "NIKON CORPORATION";
    const std::string version = "w Nikon maker note version not supported", header = "w invalid Nikon TIFF header";
    const struct { std::string make; bytes note; strings warnings = {"w*"}; } cases[] = {
        {olympus, text("OLY")},                                     {olympus, text("OLYMP\0\1"s)},
        {olympus, text("OLYMP\0\1\0\1"s)},                          {"FUJIFILM", text("FUJIFILM")},
        {"FUJIFILM", text("FUJIFILM\x0C")},                         {"FUJIFILM", text("FUJIFILM\xF0\xFF\0\0"s)},
        {"FUJIFILM", text("FUJIFILM\x0C\0\0\0\x05"s)},              {"LEICA", text("LEI")},
        {"LEICA", text("LEICA\0\0"s)},                              {"LEICA", text("FUJIFILM\x0C")},
        {nikon, cat({signature(0x0300), tiff}), {version}},         {nikon, cat({signature(0x0101), tiff}), {version}},
        {nikon, cat({sig, {'M', 'I', 0, 42, 0, 0, 0, 8}, rest}), {header}},
        {nikon, cat({sig, {'M', 'M', 0, 43, 0, 0, 0, 8}, rest}), {header}},
        {nikon, cat({sig, bytes(tiff.begin(), tiff.begin() + 7)}), {header}},
        {nikon, bytes(sig.begin(), sig.begin() + 7), {version}},    {nikon, {'N', 'i', 'k', 'o', 'n'}, {}},
        {nikon, cat({sig, {'M', 'M', 0, 42, 0xFF, 0xFF, 0xFF, 0xF0}, rest}), {}},
        {nikon, {'N', 'i', 'k', 'o', 'n', 0, 1, 0, 9}, {}},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& c : cases) {
            TiffBuilder b = camera(order, c.make);
            b.raw(EXIF, 0x927C, 7, static_cast<std::uint32_t>(c.note.size()), static_cast<std::uint32_t>(b.tiff().size() + 12));
            expect(readblock(cat({b.exif(), c.note})),
                   cat({"==", "c Equipment Make=" + c.make, "o Exif IFD Pointer=#", "u Manufacturer Notes=#"}, c.warnings),
                   c.make + " " + ::testing::PrintToString(c.note));
        }
}

// Each layout reads its table with its offset origin and byte order. Signed
// flash compensation, zero denominators and a lens range whose count leaves
// its four rationals past the block's end are faults mended.
TEST(Nikon, FormulasInEveryPairingOfByteOrdersOverridesAndMismatches)
{
    const struct { struct { std::uint16_t tag; int type; std::vector<std::uint32_t> v; std::string s = {}; } e; const char* line;
                   Layout layout = V2; } cases[] = {
        {{0x0003, SHORT, {6}}, "i Image Quality=SXGA Fine", V1},       {{0x000A, RATIONAL, {3, 2}}, "i Digital Zoom=x1.5", V1},
        {{0x0002, SHORT, {0, 200}}, "i ISO Speed Used=200", PLAIN},
        {{0x0085, RATIONAL, {150, 100}}, "i Focus Distance=x1.5 m", PLAIN},
        {{0x0085, RATIONAL, {150, 100}}, "i Focus Distance=x1.5 m"},   {{0x0001, UNDEF, {}, "0210"}, "o Nikon Note Version=2.10"},
        {{0x0001, UNDEF, {}, "0100"}, "o Nikon Note Version=1.0"},     {{0x0001, UNDEF, {0, 2, 0, 0}}, "o Nikon Note Version=2.0"},
        {{0x0002, SHORT, {0, 200}}, "i ISO Speed Used=200"},           {{0x0013, SHORT, {0, 0}}, "o ISO Speed Requested=0"},
        {{0x0012, UNDEF, {6, 0, 0, 0}}, "i Flash Compensation=1.0 EV"},
        {{0x0012, UNDEF, {0xFA, 0, 0, 0}}, "i Flash Compensation=-1.0 EV"},
        {{0x0018, UNDEF, {0x80, 1, 2, 3}}, "i Flash Bracket Compensation=-21.3 EV"},
        {{0x0019, SRATIONAL, {s32(-2), 3}}, "i AE Bracket Compensation=-0.7 EV"},
        {{0x0019, SRATIONAL, {1, 0}}, "o AE Bracket Compensation=n/a"},
        {{0x0019, SRATIONAL, {0, 0}}, "i AE Bracket Compensation=0.0 EV"},
        {{0x0083, BYTE, {14}}, "i Lens Type=Nikon G Series"},          {{0x0083, BYTE, {7}}, "i Lens Type=Unknown"},
        {{0x0084, RATIONAL, {50, 1, 50, 1, 14, 10, 14, 10}}, "i Lens Range=50.0 mm; f/1.4"},
        {{0x0084, RATIONAL, {50, 1, 100, 2, 14, 10, 14, 10}}, "i Lens Range=50.0 - 50.0 mm; f/1.4"},
        {{0x0084, RATIONAL, {50, 1, 50, 1, 14, 10, 28, 10}}, "i Lens Range=50.0 mm; f/1.4 - f/2.8"},
        {{0x0084, RATIONAL, {18, 1, 70, 1, 35, 10, 35, 10}}, "i Lens Range=18.0 - 70.0 mm; f/3.5"},
        {{0x0084, RATIONAL, {18, 1, 70, 1, 35, 10, 45, 10}}, "i Lens Range=18.0 - 70.0 mm; f/3.5 - f/4.5"},
        {{0x0084, RATIONAL, {18, 0, 70, 1, 35, 10, 45, 10}}, "o Lens Range=n/a"},
        {{0x0084, RATIONAL, {18, 1, 70, 1, 0, 0, 45, 10}}, "o Lens Range=n/a"},
        {{0x0084, RATIONAL, {50, 1}}, "i Lens Range=50"},              {{0x0085, RATIONAL, {100, 100}}, "o Focus Distance=n/a"},
        {{0x0085, RATIONAL, {0, 100}}, "i Focus Distance=x0.0 m"},     {{0x0085, RATIONAL, {5, 0}}, "o Focus Distance=n/a"},
        {{0x0086, RATIONAL, {200, 100}}, "i Digital Zoom=x2.0"},       {{0x0086, RATIONAL, {0, 100}}, "o Digital Zoom=None"},
        {{0x0086, RATIONAL, {3, 0}}, "o Digital Zoom=None"},           {{0x0088, UNDEF, {0, 0, 0, 0}}, "i Auto Focus=Center"},
        {{0x0088, UNDEF, {0, 0, 1, 0}}, "i Auto Focus=Top"},
        {{0x0088, UNDEF, {1, 0, 0, 0}}, "i Auto Focus=Dynamic Area, Center"},
        {{0x0088, UNDEF, {1, 2, 0, 3}}, "i Auto Focus=Dynamic Area, Bottom Selected, Left Focused"},
        {{0x0089, BYTE, {0x03}}, "i Shooting/Bracketing Mode=Remote Timer/Off"},
        {{0x0089, BYTE, {0x11}}, "i Shooting/Bracketing Mode=Continuous/On"},
        {{0x0089, SHORT, {0x5100}}, "i Shooting/Bracketing Mode=Continuous/On, White Balance"},
        {{0x0089, LONG, {0x44}}, "i Shooting/Bracketing Mode=Single Frame/Off, White Balance"},
        {{0x008D, ASCII, {}, "MODE1a"}, "i Color Mode=Portrait sRGB"}, {{0x008D, ASCII, {}, "MODE1"}, "i Color Mode=MODE1"},
        {{0x008D, ASCII, {}, "MODE2"}, "i Color Mode=Adobe RGB"},
        {{0x008D, ASCII, {}, "MODE3a+"}, "i Color Mode=Landscape sRGB"},
        {{0x0094, SSHORT, {0xFFFD}}, "i Saturation=Black & White"},    {{0x0094, SSHORT, {1}}, "o Saturation=1"},
        {{0x00A0, ASCII, {}, "NO= 3012345"}, "c Serial Number=3012345"},
        {{0x00A0, ASCII, {}, "  3012345"}, "c Serial Number=3012345"}, {{0x000A, RATIONAL, {0, 100}}, "o Digital Zoom=None", V1},
        {{0x000A, RATIONAL, {5, 0}}, "o Digital Zoom=None", V1},       {{0x0086, RATIONAL, {0, 100}}, "o Digital Zoom=None", PLAIN},
    };
    for (const auto& [outer, inner] : orders)
        for (const auto& c : cases)
            expect(readblock(nikonexif(c.layout, outer, inner, {{NOTE, c.e.tag, c.e.type, c.e.v, c.e.s}})), {c.line, "w*"},
                   std::to_string(outer) + std::to_string(inner));
    // Mismatched fields are reported, then interpreted all the same; the
    // autofocus text replaces an earlier one without a word on standard output.
    const std::pair<Entries, strings> mismatched[] = {
        {{{NOTE, 0x0005, ASCII, {}, "AUTO"}, {NOTE, 0x0094, SSHORT, {0}}},
         {"o White Balance=Auto", "o Saturation=Normal"}},
        {{{NOTE, 0x0094, SSHORT, {2}}, {NOTE, 0x00AA, ASCII, {}, "NORMAL"}},
         {"i White Balance=Auto", "o Saturation=Normal"}},
        {{{NOTE, 0x0012, LONG, {0x0C000000}}, {NOTE, 0x0002, SHORT, {0, 400, 0}}},
         {"i White Balance=Auto", "i Saturation=Normal", "w field type mismatch (NikonFlashComp)",
          "w field count mismatch (NikonFlashComp)", "w field count mismatch (NikonISOUsed)"}},
    };
    for (const auto& [entries, want] : mismatched)
        expect(readblock(nikonexif(PLAIN, ORDER_BIG, ORDER_BIG, entries)), want);
    testing::internal::CaptureStdout();
    // The value field holds 0, 0, 2, 0 in the note's little-endian order.
    const Delivered d = readblock(nikonexif(V2, ORDER_BIG, ORDER_LITTLE, {{NOTE, 0x0088, RAW | ASCII, {4, 0x00020000}}}), true);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    expect(d, {"i Auto Focus=Bottom", "w field type mismatch (NikonAutoFocus)"});
    EXPECT_NE(d.trace.find("NikonAutoFocus: replacing the text \"\""), std::string::npos);
}

}  // namespace
}  // namespace exifkit::test
