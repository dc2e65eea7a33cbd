// The texts and groups of standard and GPS properties: arithmetic, units,
// flags, generic texts by field type, comments, overrides and the finishing
// rules, in both byte orders where the data are read in the block's order.
#include <gtest/gtest.h>

#include <map>

#include "support/delivery.h"

namespace exifkit::test {
namespace {

using namespace std::string_literals;

const std::string ASCIICODE = "ASCII\0\0\0"s;
const Base exifdir = [](int order) { return camera(order); };

// Resolutions look their unit up in the whole list, so it may come after them;
// an exposure time supersedes a shown shutter speed in either order. Lookups
// find the same behind hundreds of entries, where the list is indexed.
TEST(Standard, RationalTextsFlagsVersionsAndValueTables)
{
    const Base longlist = [](int order) {
        TiffBuilder b = camera(order);
        // The resolution's unit is looked up first, past all the entries.
        b.rationals(IFD0, 0x011A, {{72, 1}});
        for (std::uint16_t tag = 0x6000; tag < 0x6300; tag++)  // no table names these
            b.shorts(IFD0, tag, {1});
        return b;
    };
    const Entry time{EXIF, 0x829A, RATIONAL, {1, 125}}, speed{EXIF, 0x9201, SRATIONAL, {7, 1}};
    const Entry dpi{EXIF, 0x0128, SHORT, {2}}, dpcm{EXIF, 0x0128, SHORT, {3}};
    const Entry planedpi{EXIF, 0xA210, SHORT, {2}}, planedpcm{EXIF, 0xA210, SHORT, {3}};
    // A rational entry with the given entries, and its line.
    const auto r = [](std::uint16_t tag, int type, std::uint32_t num, std::uint32_t den, const char* line, Entries more = {}) {
        more.insert(more.begin(), {EXIF, tag, type, {num, den}});
        return Case{more, {line}};
    };
    const std::vector<Case> rationals = {
        {{time}, {"i Exposure Time=1/125 sec"}},
        {{time, speed}, {"i Exposure Time=1/125 sec", "o Shutter Speed=1/128 sec"}},
        {{speed, time}, {"i Exposure Time=1/125 sec", "o Shutter Speed=1/128 sec"}},
        {{speed}, {"i Shutter Speed=1/128 sec"}},
        r(0x9201, SRATIONAL, 0, 0, "i Shutter Speed=1/1 sec"),       r(0x9201, SRATIONAL, s32(-1), 1, "i Shutter Speed=1/1 sec"),
        r(0x9201, SRATIONAL, 3, s32(-1), "i Shutter Speed=8.0 sec"), r(0x9201, SRATIONAL, 31, 1, "i Shutter Speed=Unknown"),
        r(0x9201, SRATIONAL, 30, 1, "i Shutter Speed=1/1073741824 sec"),
        r(0x9201, SRATIONAL, s32(-40), 1, "i Shutter Speed=Unknown"),
        r(0x9201, SRATIONAL, s32(-3), 2, "i Shutter Speed=2.8 sec"), r(0x9201, SRATIONAL, s32(-4), 1, "i Shutter Speed=16 sec"),
        r(0x9201, SRATIONAL, 1, 0, "i Shutter Speed=Unknown"),       r(0x829D, RATIONAL, 28, 10, "i F-Number=f/2.8"),
        r(0x829D, RATIONAL, 1, 0, "i F-Number=f/inf"),               r(0x9202, RATIONAL, 6, 1, "i Lens Aperture=f/8.0"),
        r(0x9205, RATIONAL, 3, 1, "c Maximum Lens Aperture=f/2.8"),  r(0x9203, SRATIONAL, 0xFFFFFFFF, 3, "i Brightness=Unknown"),
        r(0x9203, SRATIONAL, s32(-2), 3, "i Brightness=-0.7 EV"),    r(0x9204, SRATIONAL, s32(-1), 3, "i Exposure Bias=-1/3 EV"),
        r(0x9206, RATIONAL, 0xFFFFFFFF, 1, "i Subject Distance=Infinity"),
        r(0x9206, RATIONAL, 5, 0, "i Subject Distance=Unknown"),     r(0x9206, RATIONAL, 1, 3, "i Subject Distance=0.33 m"),
        r(0x920A, RATIONAL, 5800, 1000, "i Focal Length=5.80 mm"),   r(0xA404, RATIONAL, 2, 1, "i Digital Zoom Ratio=2"),
        r(0xA404, RATIONAL, 100, 100, "o Digital Zoom Ratio=1"),     r(0xA404, RATIONAL, 0, 1, "o Digital Zoom Ratio=Unused"),
        r(0x011A, RATIONAL, 72, 1, "i Horizontal Resolution=72"),
        r(0x011A, RATIONAL, 72, 1, "i Horizontal Resolution=72 dpi", {dpi}),
        r(0x011B, RATIONAL, 72, 1, "i Vertical Resolution=72 dpcm", {dpcm}),
        r(0x011A, RATIONAL, 300, 7, "i Horizontal Resolution=42 dpi", {dpi}),
        r(0x011A, RATIONAL, 72, 0, "i Horizontal Resolution=Infinite", {dpi}),
        r(0x011A, RATIONAL, 72, 1, "i Horizontal Resolution=72", {planedpi}),
        r(0xA20E, RATIONAL, 3000, 1, "o Focal Plane Horiz Resolution=3000", {dpi}),
        r(0xA20E, RATIONAL, 3000, 1, "o Focal Plane Horiz Resolution=3000 dpi", {planedpi}),
        r(0xA20F, RATIONAL, 1181, 1, "o Focal Plane Vert Resolution=1181 dpcm", {planedpcm}),
        r(0x9400, SRATIONAL, s32(-35), 10, "o Ambient Temperature=-3.5 C"),
        r(0x9400, SRATIONAL, 0, s32(-5), "o Ambient Temperature=0.0 C"),
        {{{EXIF, 0xA434, ASCII, {}, "EF24-70mm f/2.8L"}, {EXIF, 0x9011, ASCII, {}, "+02:00"}},
         {"c Lens Model=EF24-70mm f/2.8L", "o Time Zone Offset (Original)=+02:00"}},
    };
    for (const Base& base : {exifdir, longlist})
        expectcases(base, rationals);
    // Lens ranges: unknown (zero) f-numbers are left out; unknown focal
    // lengths, a lone f-number or a zero denominator keep the generic text.
    const auto lens = [](std::vector<std::uint32_t> v, const std::string& line) {
        return Case{{{EXIF, 0xA432, RATIONAL, std::move(v)}}, {"c Lens Focal and Aperture Range=" + line}};
    };
    expectcases(exifdir, {
        lens({18, 1, 55, 1, 35, 10, 56, 10}, "18-55mm f/3.5-5.6"), lens({50, 1, 50, 1, 18, 10, 18, 10}, "50mm f/1.8"),
        lens({83, 20, 72, 1, 0, 0, 0, 0}, "4.15-72mm"),            lens({50, 1, 50, 1, 18, 10, 0, 0}, "50"),
        lens({70, 1, 24, 1, 28, 10, 28, 10}, "70"),                 lens({0, 0, 0, 0, 28, 10, 28, 10}, "0"),
        lens({24, 1, 70, 1, 28, 0, 28, 10}, "24"),
        {{{EXIF, 0xA432, RATIONAL, {24, 1, 70, 1, 4, 1}}},
         {"c Lens Focal and Aperture Range=24", "w field count mismatch (LensSpecification)"}},
    });
    // The Exif version sets the version numbers the flash text depends on.
    const auto flash = [](const char* version, std::uint16_t value) {
        return Entries{{EXIF, 0x9000, UNDEF, {}, version}, {EXIF, 0x9209, SHORT, {value}}};
    };
    const auto version = [](std::uint16_t type, const char* stored) {
        return [=](TiffBuilder& b) { b.field(IFD0, 0x9000, type, 4, text(stored)).shorts(IFD0, 0x9209, {0x20}); };
    };
    expectcases(exifdir, {
        {flash("0220", 0x20), {"i Flash=No Flash Function"}},
        {flash("0220", 0x5F), {"i Flash=Flash, Auto, Red-Eye Reduce, Return Detected"}},
        {flash("0210", 0x20), {"i Flash=No Flash"}},               {flash("0210", 0x5F), {"i Flash=Flash, Return Detected"}},
        {flash("0300", 0x20), {"i Flash=No Flash Function"}},      {{{EXIF, 0x9209, SHORT, {0x19}}}, {"i Flash=Flash"}},
        {version(TYPE_UNDEFINED, "0221"), {"o Exif Version=2.21", "i Flash=No Flash Function"}},
        {version(TYPE_LONG, "0100"), {"o Exif Version=1.00", "i Flash=No Flash", "w field type mismatch (ExifVersion)"}},
        {version(TYPE_UNDEFINED, "xy23"), {"o Exif Version=0.23", "i Flash=No Flash Function"}},
        {version(TYPE_ASCII, "9999"),     {"o Exif Version=99.99", "i Flash=No Flash Function",
                                           "w field type mismatch (ExifVersion)"}},
        {[](TiffBuilder& b) {
             b.undefined(IFD0, 0xA300, {3}).field(IFD0, 0xA300, TYPE_UNDEFINED, 1, {0, 3, 3, 3}).undefined(IFD0, 0xA301, {1});
             b.longs(IFD0, 0x0112, {0x00010006}).shorts(IFD0, 0xA001, {65535});
         },
         {"o File Source=Digital Still Camera", "o File Source=Other", "o Scene Type=Directly Photographed",
          "i Image Orientation=Right-Hand, Top", "i Color Space Information=Uncalibrated", "w field type mismatch (Orientation)"}},
    });
}

// Finishing trims and cleans ASCII texts. Only directory 1 of the main chain,
// the thumbnail's, becomes "other" (but not what is unsupported); its
// ShutterSpeedValue is no longer shown, so not overridden.
TEST(Standard, FinishingAndEntriesOutsideTheBlockOrOfAnotherShape)
{
    expectcases(exifdir, {
        {{{IFD0, 0x013B, ASCII, {}, "        "}},         {"o Photographer="}},
        {{{IFD0, 0x013B, ASCII, {}, " \t\n "}},           {"o Photographer= __"}},
        {{{IFD0, 0x013B, ASCII, {}, "\x01\x02"}},         {"o Photographer=__"}},
        {{{IFD0, 0x0131, ASCII, {}, " \tX"}},             {"c Camera Software= _X"}},
        {{{IFD0, 0x0131, ASCII, {}, "v2\r"}},             {"c Camera Software=v2_"}},
        {{{IFD0, 0x013B, RAW | ASCII, {20, 0xFFFFFF00}}}, {"o Photographer=-256"}},
    });
    TiffBuilder b = camera(ORDER_LITTLE);
    const int ifd1 = b.dir(), ifd2 = b.dir();
    b.chain(IFD0, ifd1).chain(ifd1, ifd2).rationals(EXIF, 0x829A, {{1, 125}});
    for (int d : {IFD0, ifd1, ifd2})
        b.ascii(d, 0x0110, "Cam  ").ascii(d, 0xC7F0, " ");
    b.rationals(ifd1, 0x9201, {{7, 1}}, TYPE_SRATIONAL);
    expect(readblock(b.exif()), {"==", "c Camera Model=Cam", "c Camera Model=Cam", "i Exposure Time=1/125 sec",
                                 "o Exif IFD Pointer=#", "o Camera Model=Cam", "o Shutter Speed=1/128 sec", "u Unknown=",
                                 "u Unknown=", "u Unknown="});
    // Rationals whose data lie far outside the block, or straddle its end, keep
    // no text. Flash and FocalLenIn35mmFilm with several values keep the reader's
    // text; rational tags stored as ASCII get texts in buffers of their own,
    // suffixes only where they fit.
    const std::map<std::uint16_t, std::string> names = {
        {0x829A, "Exposure Time"}, {0x9201, "Shutter Speed"}, {0x829D, "F-Number"}, {0x9202, "Lens Aperture"},
        {0x9203, "Brightness"}, {0x9204, "Exposure Bias"}, {0x9206, "Subject Distance"}, {0x920A, "Focal Length"},
        {0xA404, "Digital Zoom Ratio"}, {0x011A, "Horizontal Resolution"}};
    for (const auto& [tag, name] : names) {
        TiffBuilder far = camera(ORDER_LITTLE), cut = camera(ORDER_LITTLE);
        far.shorts(IFD0, 0x0128, {2}).raw(EXIF, tag, TYPE_RATIONAL, 1, 0xFFFFFFF8);
        const bytes cutblock = cut.shorts(IFD0, 0x0128, {2}).rationals(EXIF, tag, {{1, 2}}).exif();
        expect(readblock(far.exif()), {"i " + name + "=-8", "w*"}, name);
        expect(readblock(bytes(cutblock.begin(), cutblock.end() - 4)), {"i " + name + "=#", "w*"}, name);
    }
    const std::string x27(27, 'x'), y28(28, 'y');
    TiffBuilder l = camera(ORDER_LITTLE), m = camera(ORDER_LITTLE);
    l.shorts(EXIF, 0xA405, {35}).ascii(EXIF, 0x829A, x27);
    m.shorts(EXIF, 0x9209, {0x19, 0, 0}).shorts(EXIF, 0xA405, {35, 0, 0}).ascii(EXIF, 0x829A, x27 + "x");
    m.ascii(EXIF, 0x829D, "abcdefgh").ascii(EXIF, 0x920A, "abc").ascii(EXIF, 0x9204, y28).ascii(EXIF, 0x9203, y28 + "y");
    expect(readblock(l.exif()), {"c Focal Length (35mm Equiv)=35 mm", "i Exposure Time=" + x27 + " sec", "w*"});
    const Delivered d = readblock(m.exif());
    expect(d, {"i Flash=25, 0, 0", "c Focal Length (35mm Equiv)=35, 0, 0", "i Exposure Time=" + x27 + "x", "i Focal Length=abc",
               "i Exposure Bias=" + y28 + " EV", "i Brightness=" + y28 + "y", "w*"});
    EXPECT_EQ(d["F-Number"].substr(0, 2), "f/");
}

// Texts of generic fields: tags no table lists, so only their type counts.
// Rationals reduce to a fraction, a whole or a decimal.
TEST(Texts, RationalsReduceToAFractionAWholeOrADecimal)
{
    const struct { std::uint32_t num, den; std::uint16_t type; const char* text; } cases[] = {
        {10, 1250, RATIONAL, "1/125"},             {28, 10, RATIONAL, "2.8"},                 {2, 15, RATIONAL, "0.1"},
        {2, 4, RATIONAL, "1/2"},                   {9, 91, RATIONAL, "9/91"},                 {2, 3, RATIONAL, "0.7"},
        {72, 1, RATIONAL, "72"},                   {3, 3, RATIONAL, "1"},                     {0, 0, RATIONAL, "0"},
        {5, 0, RATIONAL, "Infinite"},              {0x80000000, 1, RATIONAL, "2147483648"},   {0xFFFFFFFF, 2, RATIONAL, "2147483647.5"},
        {1, 0xFFFFFFFF, RATIONAL, "1/4294967295"}, {3, 0x80000000, RATIONAL, "3/2147483648"}, {0x80000000, 0xC0000000, RATIONAL, "0.7"},
        {s32(-1), 3, SRATIONAL, "-1/3"},           {s32(-2), 3, SRATIONAL, "-0.7"},           {6, s32(-2), SRATIONAL, "-3"},
        {s32(-7), 2, SRATIONAL, "-3.5"},           {s32(-3), s32(-3), SRATIONAL, "1"},        {s32(-3), 100, SRATIONAL, "-3/100"},
        {0, s32(-3), SRATIONAL, "0"},              {s32(-5), 0, SRATIONAL, "Infinite"},
        {0x80000000, s32(-1), SRATIONAL, "2147483648"},
        {0x80000000, 1, SRATIONAL, "-2147483648"},
        {0x7FFFFFFF, 0x80000000, SRATIONAL, "-1.0"},
        {s32(-1), 0x7FFFFFFF, SRATIONAL, "-1/2147483647"},
    };
    std::vector<Case> rows;
    for (const auto& c : cases)
        rows.push_back({{{IFD0, 0x0150, c.type, {c.num, c.den}}}, {"u Unknown="s + c.text}});
    expectcases(exifdir, rows);
}

TEST(Texts, GenericTextsByFieldTypeOfDataWhollyInsideTheBlock)
{
    expectcases(exifdir, {{[](TiffBuilder& b) {
        const int d = IFD0;
        b.rationals(d, 0x0150, {{10, 1250}, {1, 2}}).rationals(d, 0x0151, {{s32(-2), 3}}, TYPE_SRATIONAL)
            .rationals(d, 0x0152, {{0x80000000, 1}}, TYPE_SRATIONAL).rationals(d, 0x0153, {{0x80000000, 1}})
            .shorts(d, 0x0154, {0xFFFF, 0, 1}).shorts(d, 0x0155, std::vector<std::uint16_t>(8, 0x8000), TYPE_SSHORT)
            .shorts(d, 0x0156, std::vector<std::uint16_t>(9, 1)).field(d, 0x0157, 3, 2, {0, 0, 0, 0})
            .field(d, 0x0158, TYPE_ASCII, 4, {'A', 'b', 'c', 'd'}).field(d, 0x0159, TYPE_ASCII, 4, {'A', 'b', 0, 'd'})
            .add(d, 0x015A, TYPE_ASCII, 8, {'a', 'b', 0, 'c', 'd', 'e', 'f', 'g'})
            .add(d, 0x015B, TYPE_ASCII, 6, {'L', 'o', 'n', 'g', 'e', 'r'})
            .add(d, 0x015C, 1, 4, {1, 2, 3, 4}).longs(d, 0x015D, {7}).longs(d, 0x015E, {7}, 9)
            .undefined(d, 0x015F, {'a', 'b', 'c', 0}).longs(d, 0x0160, {0x3F800000}, 11)
            .add(d, 0x0161, 12, 1, bytes(8, 0)).add(d, 0x0162, 6, 1, {0xFF})
            .add(d, 0x9286, TYPE_ASCII, 10, text(ASCIICODE + "Hi")).undefined(d, 0x001B, text(ASCIICODE + "Hi"));
    }, {"==", "o Exif IFD Pointer=#", "u Unknown=1/125", "u Unknown=-0.7", "u Unknown=-2147483648", "u Unknown=2147483648",
        "u Unknown=65535, 0, 1", "u Unknown=-32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768", "u TransferRange=#",
        "u Unknown=0", "u Unknown=Abcd", "u Unknown=Ab", "u Unknown=ab", "u Unknown=Longer", "u Unknown=#", "u Unknown=7",
        "u Unknown=7", "u Unknown=#", "u Unknown=1065353216", "u Unknown=#", "u Unknown=#", "u Comment=ASCII", "u Unknown=#"}}});
    // Each field's data end the block: whole they give a text, one byte short none.
    const std::pair<Fill, std::string> cases[] = {
        {[](TiffBuilder& b) { b.rationals(0, 0x0150, {{1, 2}, {3, 4}}); },                     "u Unknown=1/2"},
        {[](TiffBuilder& b) { b.add(0, 0x0150, TYPE_RATIONAL, 0, {0, 0, 0, 3, 0, 0, 0, 3}); }, "u Unknown=1"},
        {[](TiffBuilder& b) { b.shorts(0, 0x0150, {1, 2, 3, 4}); },                            "u Unknown=1, 2, 3, 4"},
        {[](TiffBuilder& b) { b.ascii(0, 0x0150, "Hello world"); },                            "u Unknown=Hello world"},
        {[](TiffBuilder& b) { b.undefined(0, 0x9286, text(ASCIICODE + "Hello")); },            "i Comment=Hello"},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& [fill, line] : cases) {
            TiffBuilder b(order);
            b.dir();
            fill(b);
            const bytes block = b.exif();
            expect(readblock(block), {"==", line});
            const std::string name = line.substr(0, line.find('='));
            expect(readblock(bytes(block.begin(), block.end() - 1)), {"==", (name == "i Comment" ? "u Comment" : name) + "=#"});
        }
}

// Comments coded as ASCII are trimmed; others, and a null text, keep no text
// and the level of the row.
TEST(Texts, Comments)
{
    const std::pair<std::string, const char*> cases[] = {
        {ASCIICODE + "Hello     ", "i=Hello"}, {ASCIICODE + "          ", "o="},      {ASCIICODE, "o="},
        {ASCIICODE + "Hello\0garbage"s, "i=Hello"},
        {ASCIICODE + "  Hi \t\n\r\v\f", "i=  Hi"},
        {"UNICODE\0H\0i\0"s, nullptr},         {"XYZ\0\0\0\0\0Hello"s, nullptr},      {"ASCII\0\0"s, nullptr},
    };
    const struct { std::uint16_t pointer, tag; const char *name, *row; } places[] = {
        {0x8769, 0x9286, "Comment",               "u"},
        {0x8825, 0x001B, "GPS Processing Method", "i"},
        {0x8825, 0x001C, "GPS Area",              "i"},
    };
    for (const auto& at : places)
        for (const auto& [data, want] : cases) {
            TiffBuilder b;
            const int ifd0 = b.dir(), sub = b.dir();
            b.pointer(ifd0, at.pointer, sub).undefined(sub, at.tag, text(data));
            const std::string line = want ? std::string(1, want[0]) + " " + at.name + (want + 1)
                                          : std::string(at.row) + " " + at.name + "=#";
            expect(readblock(b.exif()), {line}, data);
        }
}

// GPS: the version and reference letters are read from the value field in file
// order and the rationals in the block's.
constexpr int GPS = 1;
const Base gpsdir = [](int order) {
    TiffBuilder b(order);
    b.dir();
    return b.pointer(IFD0, 0x8825, b.dir());
};

TEST(Gps, ValueFieldAndRationalTextsUnexpectedCoordinatesAndDataOutsideTheBlock)
{
    const auto ref = [](std::uint16_t tag, char letter) { return Entry{GPS, tag, ASCII, {}, std::string(1, letter)}; };
    const auto below = [](std::uint32_t v) { return Entry{GPS, 0x05, BYTE, {v}}; };
    // A rational entry with the given entries, and its line.
    const auto g = [](std::uint16_t tag, std::vector<std::uint32_t> v, const char* line, Entries more = {}) {
        more.insert(more.begin(), {GPS, tag, RATIONAL, std::move(v)});
        return Case{more, {line}};
    };
    expectcases(gpsdir, {
        {{{GPS, 0x00, BYTE, {2, 2, 0, 0}}}, {"o GPS Info Version=2.2.0.0"}},
        {{{GPS, 0x00, ASCII, {}, "2.1"}}, {"o GPS Info Version=2.1", "w field type mismatch (GPSVersionID)"}},
        {{{GPS, 0x0C, ASCII, {}, "X"}}, {"o GPS Speed Reference="}},
        {{{GPS, 0x01, ASCII, {}, "S"}, {GPS, 0x09, ASCII, {}, "V"}, {GPS, 0x0C, ASCII, {}, "K"}, {GPS, 0x0E, ASCII, {}, "T"},
          {GPS, 0x10, ASCII, {}, "X"}, {GPS, 0x19, ASCII, {}, "M"}},
         {"o Latitude Reference=S", "i GPS Status=Measurement Interoperability", "o GPS Speed Reference=km/h",
          "o GPS Direction Reference=True North", "o GPS Image Direction Ref=Unknown", "o GPS Dest Distance Ref=mi"}},
        // Each coordinate, altitude or direction with the entry one tag lower: its
        // reference letter or the altitude reference.
        g(0x02, {37, 1, 465, 10, 0, 1}, "i Latitude=N 37\xB0 46.5'", {ref(0x01, 'N')}),
        g(0x04, {0, 100, 30, 1, 0, 1}, "i Longitude=E 0\xB0 30'", {ref(0x03, 'E')}),
        g(0x02, {1, 0, 1, 0, 1, 0}, "i Latitude= 0\xB0 0'"),
        g(0x14, {3725, 100, 0, 100, 0, 1}, "i Destination Latitude=S 37.25\xB0 0'", {ref(0x13, 'S')}),
        g(0x16, {37, 1, 2790, 60, 0, 1}, "i Destination Longitude=W 37\xB0 46.5'", {ref(0x15, 'W')}),
        g(0x02, {37, 1, 46, 1, 301, 10}, "i Latitude=S 37\xB0 46' 30.1", {ref(0x01, 'S')}),
        g(0x02, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 3, 0xFFFFFFFF, 7}, "i Latitude=N 1.000000000\xB0 1431655765' 613",
          {ref(0x01, 'N')}),
        g(0x06, {1234, 10}, "i Altitude=123.40 m"),              g(0x06, {1234, 10}, "i Altitude=123.40 m", {below(0)}),
        g(0x06, {1234, 10}, "i Altitude=-123.40 m", {below(1)}), g(0x06, {0, 1}, "i Altitude=0.00 m", {below(1)}),
        g(0x06, {5, 0}, "i Altitude=0.00 m", {below(1)}),        g(0x06, {1, 1000}, "i Altitude=0.00 m", {below(1)}),
        g(0x07, {9, 1, 5, 1, 7, 1}, "i Time (UTC)=09:05:07"),    g(0x07, {9, 1, 5, 1, 55, 10}, "i Time (UTC)=09:05:5.5"),
        g(0x07, {9, 1, 5, 0, 7, 1}, "i Time (UTC)=09"),          g(0x07, {9, 0, 5, 1, 7, 1}, "i Time (UTC)="),
        {{{GPS, 0x07, RATIONAL, {1, 1, 2, 1, 3, 1, 4, 1}}}, {"i Time (UTC)=01:02:03", "w field count mismatch (GPSTimeStamp)"}},
        g(0x07, {0xFFFFFFFF, 1, 0xFFFFFFFF, 1, 1, 0xFFFFFFFF}, "i Time (UTC)=4294967:429496:0.0000"),
        g(0x07, {7, 1, 30, 1, 123456, 10000}, "i Time (UTC)=07:30:12.345"),  // each part is cut at 7 characters
        {[](TiffBuilder& b) { for (std::uint16_t t : {0x0B, 0x0D, 0x0F, 0x11, 0x18, 0x1A}) b.rationals(GPS, t, {{5, 2}}); },
         {"u GPS Degree of Precision=2.5", "u Movement Speed=2.5", "u Movement Direction=2.5", "u Image Direction=2.5",
          "u Destination Direction=2.5", "u Destination Distance=2.5"}},
    });
    // A coordinate count other than 3 keeps the reader's text; rationals far
    // outside the block or straddling its end have none, and coordinates warn.
    for (int order : {ORDER_LITTLE, ORDER_BIG}) {
        TiffBuilder two = gpsdir(order), far = gpsdir(order), straddle = gpsdir(order);
        two.rationals(GPS, 0x02, {{37, 1}, {465, 10}}).rationals(GPS, 0x06, {{1, 1}});
        far.raw(GPS, 0x02, 5, 3, 0xFFFFFFF0).field(GPS, 0x05, 1, 1, {1}).raw(GPS, 0x06, 5, 1, 0xFFFFFFF8);
        far.raw(GPS, 0x07, 5, 3, 0xFFFFFFE0);
        const bytes cut = straddle.rationals(GPS, 0x02, {{37, 1}, {465, 10}, {0, 1}}).exif();
        const std::string warning = "w unexpected GPS coordinate values (GPSLatitude)";
        expect(readblock(two.exif()), {"i Latitude=37", "i Altitude=1.00 m", warning, "w*"});
        expect(readblock(far.exif()), {"i Latitude=-16", "i Altitude=-8", "i Time (UTC)=-32", warning, "w*"});
        expect(readblock(bytes(cut.begin(), cut.end() - 8)), {"i Latitude=#", warning, "w*"});
    }
}

}  // namespace
}  // namespace exifkit::test
