// The texts and groups of standard and GPS properties: arithmetic, units,
// flags, generic texts by field type, comments, overrides and the finishing
// rules, in both byte orders where the data are read in the block's order.
#include <gtest/gtest.h>

#include <map>

#include "support/delivery.h"

namespace exifkit::test {
namespace {

using namespace std::string_literals;
using ratios = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

constexpr std::uint32_t s32(std::int32_t v) { return static_cast<std::uint32_t>(v); }
const std::string ASCIICODE = "ASCII\0\0\0"s;

TiffBuilder exifdir(int order) { return camera(order); }

TEST(Standard, RationalTexts)
{
    const struct { std::uint16_t tag; std::uint32_t num, den; const char* line; std::uint16_t unittag = 0, unit = 0; } cases[] = {
        {0x829A, 1, 125, "i Exposure Time=1/125 sec"},       {0x9201, 7, 1, "i Shutter Speed=1/128 sec"},
        {0x9201, 0, 0, "i Shutter Speed=1/1 sec"},           {0x9201, s32(-1), 1, "i Shutter Speed=1/1 sec"},
        {0x9201, 3, s32(-1), "i Shutter Speed=8.0 sec"},     {0x9201, 31, 1, "i Shutter Speed=Unknown"},
        {0x9201, 30, 1, "i Shutter Speed=1/1073741824 sec"}, {0x9201, s32(-40), 1, "i Shutter Speed=Unknown"},
        {0x9201, s32(-3), 2, "i Shutter Speed=2.8 sec"},     {0x9201, s32(-4), 1, "i Shutter Speed=16 sec"},
        {0x9201, 1, 0, "i Shutter Speed=Unknown"},           {0x829D, 28, 10, "i F-Number=f/2.8"},
        {0x829D, 1, 0, "i F-Number=f/inf"},                  {0x9202, 6, 1, "i Lens Aperture=f/8.0"},
        {0x9205, 3, 1, "c Maximum Lens Aperture=f/2.8"},     {0x9203, 0xFFFFFFFF, 3, "i Brightness=Unknown"},
        {0x9203, s32(-2), 3, "i Brightness=-0.7 EV"},        {0x9204, s32(-1), 3, "i Exposure Bias=-1/3 EV"},
        {0x9206, 0xFFFFFFFF, 1, "i Subject Distance=Infinity"}, {0x9206, 5, 0, "i Subject Distance=Unknown"},
        {0x9206, 1, 3, "i Subject Distance=0.33 m"},         {0x920A, 5800, 1000, "i Focal Length=5.80 mm"},
        {0xA404, 2, 1, "i Digital Zoom Ratio=2"},            {0xA404, 100, 100, "o Digital Zoom Ratio=1"},
        {0xA404, 0, 1, "o Digital Zoom Ratio=Unused"},       {0x011A, 72, 1, "i Horizontal Resolution=72"},
        // Resolutions look their unit up in the whole list, so it may come after them.
        {0x011A, 72, 1, "i Horizontal Resolution=72 dpi", 0x0128, 2},
        {0x011B, 72, 1, "i Vertical Resolution=72 dpcm", 0x0128, 3},
        {0x011A, 300, 7, "i Horizontal Resolution=42 dpi", 0x0128, 2},
        {0x011A, 72, 0, "i Horizontal Resolution=Infinite", 0x0128, 2},
        {0x011A, 72, 1, "i Horizontal Resolution=72", 0xA210, 2},
        {0xA20E, 3000, 1, "o Focal Plane Horiz Resolution=3000", 0x0128, 2},
        {0xA20E, 3000, 1, "o Focal Plane Horiz Resolution=3000 dpi", 0xA210, 2},
        {0xA20F, 1181, 1, "o Focal Plane Vert Resolution=1181 dpcm", 0xA210, 3},
    };
    std::vector<Case> rows;
    for (const auto& c : cases) {
        const bool signedtag = c.tag == 0x9201 || c.tag == 0x9203 || c.tag == 0x9204;
        rows.push_back({[c, signedtag](TiffBuilder& b) {
                            b.rationals(EXIF, c.tag, {{c.num, c.den}}, signedtag ? TYPE_SRATIONAL : TYPE_RATIONAL);
                            if (c.unittag)
                                b.shorts(EXIF, c.unittag, {c.unit});
                        },
                        {c.line}});
    }
    expectcases(exifdir, rows);
}

TEST(Standard, FlagsAndValueTables)
{
    auto flash = [](const char* version, std::uint16_t value) {
        return [=](TiffBuilder& b) {
            if (version)
                b.undefined(EXIF, 0x9000, bytes(version, version + 4));
            b.shorts(EXIF, 0x9209, {value});
        };
    };
    expectcases(exifdir, {
        {flash("0220", 0x20), {"i Flash=No Flash Function"}},
        {flash("0220", 0x5F), {"i Flash=Flash, Auto, Red-Eye Reduce, Return Detected"}},
        {flash("0210", 0x20), {"i Flash=No Flash"}}, {flash("0210", 0x5F), {"i Flash=Flash, Return Detected"}},
        {flash(nullptr, 0x19), {"i Flash=Flash"}}, {flash("0300", 0x20), {"i Flash=No Flash Function"}},
        {[](TiffBuilder& b) {
             b.undefined(IFD0, 0xA300, {3}).field(IFD0, 0xA300, TYPE_UNDEFINED, 1, {0, 3, 3, 3}).undefined(IFD0, 0xA301, {1});
             b.longs(IFD0, 0x0112, {0x00010006}).shorts(IFD0, 0xA001, {65535});
         },
         {"o File Source=Digital Still Camera", "o File Source=Other", "o Scene Type=Directly Photographed",
          "i Image Orientation=Right-Hand, Top", "i Color Space Information=Uncalibrated",
          "w field type mismatch (Orientation)"}},
    });
}

// The version sets the version numbers the flash text depends on.
TEST(Standard, ExifVersion)
{
    const struct { const char* stored; std::uint16_t type; const char *text, *flash; } cases[] = {
        {"0221", TYPE_UNDEFINED, "2.21", "No Flash Function"}, {"0100", TYPE_LONG, "1.00", "No Flash"},
        {"xy23", TYPE_UNDEFINED, "0.23", "No Flash Function"}, {"9999", TYPE_ASCII, "99.99", "No Flash Function"}};
    std::vector<Case> rows;
    for (const auto& c : cases)
        rows.push_back({[c](TiffBuilder& b) {
                            b.field(IFD0, 0x9000, c.type, 4, bytes(c.stored, c.stored + 4)).shorts(IFD0, 0x9209, {0x20});
                        },
                        {"o Exif Version="s + c.text, "i Flash="s + c.flash, "w*"}});
    expectcases(exifdir, rows);
}

TEST(Standard, ExposureTimeOverridesAShownShutterSpeedInEitherOrder)
{
    const auto time = [](TiffBuilder& b) { b.rationals(EXIF, 0x829A, {{1, 125}}); };
    const auto speed = [](TiffBuilder& b) { b.rationals(EXIF, 0x9201, {{7, 1}}, TYPE_SRATIONAL); };
    const strings want = {"i Exposure Time=1/125 sec", "o Shutter Speed=1/128 sec"};
    expectcases(exifdir, {{[&](TiffBuilder& b) { time(b), speed(b); }, want}, {[&](TiffBuilder& b) { speed(b), time(b); }, want}});
}

TEST(Standard, FinishingCleansAsciiTexts)
{
    const auto ascii = [](std::uint16_t tag, const char* stored) {
        return [=](TiffBuilder& b) { b.ascii(IFD0, tag, stored); };
    };
    expectcases(exifdir, {
        {ascii(0x013B, "        "), {"o Photographer="}}, {ascii(0x013B, " \t\n "), {"o Photographer= __"}},
        {ascii(0x013B, "\x01\x02"), {"o Photographer=__"}}, {ascii(0x0131, " \tX"), {"c Camera Software= _X"}},
        {ascii(0x0131, "v2\r"), {"c Camera Software=v2_"}},
        {[](TiffBuilder& b) { b.raw(IFD0, 0x013B, 2, 20, 0xFFFFFF00); }, {"o Photographer=-256"}},
    });
}

// Only directory 1 of the main chain, the thumbnail's, becomes "other" (but not
// what is unsupported); its ShutterSpeedValue is no longer shown, so not overridden.
TEST(Standard, ThumbnailDirectoryIsOther)
{
    TiffBuilder b = camera(ORDER_LITTLE);
    const int ifd1 = b.dir(), ifd2 = b.dir();
    b.chain(IFD0, ifd1).chain(ifd1, ifd2).rationals(EXIF, 0x829A, {{1, 125}});
    for (int d : {IFD0, ifd1, ifd2})
        b.ascii(d, 0x0110, "Cam  ").ascii(d, 0xC7F0, " ");
    b.rationals(ifd1, 0x9201, {{7, 1}}, TYPE_SRATIONAL);
    expect(readblock(b.exif()), {"==", "c Camera Model=Cam", "c Camera Model=Cam", "i Exposure Time=1/125 sec",
                                 "o Exif IFD Pointer=#", "o Camera Model=Cam", "o Shutter Speed=1/128 sec",
                                 "u Unknown=", "u Unknown=", "u Unknown="});
}

// Rationals whose data lie far outside the block, or straddle its end, keep no text.
TEST(Standard, RationalsOutsideTheBlockKeepNoText)
{
    const std::map<std::uint16_t, std::string> names = {
        {0x829A, "Exposure Time"}, {0x9201, "Shutter Speed"}, {0x829D, "F-Number"}, {0x9202, "Lens Aperture"},
        {0x9203, "Brightness"}, {0x9204, "Exposure Bias"}, {0x9206, "Subject Distance"}, {0x920A, "Focal Length"},
        {0xA404, "Digital Zoom Ratio"}, {0x011A, "Horizontal Resolution"}};
    for (const auto& [tag, name] : names) {
        TiffBuilder far = camera(ORDER_LITTLE), cut = camera(ORDER_LITTLE);
        far.shorts(IFD0, 0x0128, {2}).raw(EXIF, tag, TYPE_RATIONAL, 1, 0xFFFFFFF8);
        cut.shorts(IFD0, 0x0128, {2}).rationals(EXIF, tag, {{1, 2}});
        bytes cutblock = cut.exif();
        cutblock.resize(cutblock.size() - 4);
        expect(readblock(far.exif()), {"i " + name + "=-8", "w*"}, name);
        expect(readblock(cutblock), {"i " + name + "=#", "w*"}, name);
    }
}

// Flash and FocalLenIn35mmFilm with several values keep the reader's text;
// rational tags stored as ASCII get texts in buffers of their own, suffixes
// only where they fit.
TEST(Standard, EntriesOfAnotherShape)
{
    const std::string x27(27, 'x'), y28(28, 'y');
    TiffBuilder l = camera(ORDER_LITTLE), m = camera(ORDER_LITTLE);
    l.shorts(EXIF, 0xA405, {35}).ascii(EXIF, 0x829A, x27);
    m.shorts(EXIF, 0x9209, {0x19, 0, 0}).shorts(EXIF, 0xA405, {35, 0, 0}).ascii(EXIF, 0x829A, x27 + "x");
    m.ascii(EXIF, 0x829D, "abcdefgh").ascii(EXIF, 0x920A, "abc").ascii(EXIF, 0x9204, y28).ascii(EXIF, 0x9203, y28 + "y");
    expect(readblock(l.exif()), {"c Focal Length (35mm Equiv)=35 mm", "i Exposure Time=" + x27 + " sec", "w*"});
    const Delivered d = readblock(m.exif());
    expect(d, {"i Flash=25, 0, 0", "c Focal Length (35mm Equiv)=35, 0, 0", "i Exposure Time=" + x27 + "x",
               "i Focal Length=abc", "i Exposure Bias=" + y28 + " EV", "i Brightness=" + y28 + "y", "w*"});
    EXPECT_EQ(d["F-Number"].substr(0, 2), "f/");
}

// Reads the text of a generic field: a tag no table lists, so only its type counts.
TEST(Texts, RationalsReduceToAFractionAWholeOrADecimal)
{
    const struct { std::uint32_t num, den; bool is_signed; const char* text; } cases[] = {
        {10, 1250, false, "1/125"}, {28, 10, false, "2.8"}, {2, 15, false, "0.1"}, {2, 4, false, "1/2"},
        {9, 91, false, "9/91"}, {2, 3, false, "0.7"}, {72, 1, false, "72"}, {3, 3, false, "1"},
        {0, 0, false, "0"}, {5, 0, false, "Infinite"}, {0x80000000, 1, false, "2147483648"},
        {0xFFFFFFFF, 2, false, "2147483647.5"}, {1, 0xFFFFFFFF, false, "1/4294967295"},
        {3, 0x80000000, false, "3/2147483648"}, {0x80000000, 0xC0000000, false, "0.7"},
        {s32(-1), 3, true, "-1/3"}, {s32(-2), 3, true, "-0.7"}, {6, s32(-2), true, "-3"}, {s32(-7), 2, true, "-3.5"},
        {s32(-3), s32(-3), true, "1"}, {s32(-3), 100, true, "-3/100"}, {0, s32(-3), true, "0"},
        {s32(-5), 0, true, "Infinite"}, {0x80000000, s32(-1), true, "2147483648"}, {0x80000000, 1, true, "-2147483648"},
        {0x7FFFFFFF, 0x80000000, true, "-1.0"}, {s32(-1), 0x7FFFFFFF, true, "-1/2147483647"},
    };
    std::vector<Case> rows;
    for (const auto& c : cases)
        rows.push_back({[c](TiffBuilder& b) {
                            b.rationals(IFD0, 0x0150, {{c.num, c.den}}, c.is_signed ? TYPE_SRATIONAL : TYPE_RATIONAL);
                        },
                        {"u Unknown="s + c.text}});
    expectcases(exifdir, rows);
}

TEST(Texts, GenericTextsByFieldType)
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
        "u Unknown=65535, 0, 1", "u Unknown=-32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768",
        "u TransferRange=#", "u Unknown=0", "u Unknown=Abcd", "u Unknown=Ab", "u Unknown=ab", "u Unknown=Longer", "u Unknown=#",
        "u Unknown=7", "u Unknown=7", "u Unknown=#", "u Unknown=1065353216", "u Unknown=#", "u Unknown=#",
        "u Comment=ASCII", "u Unknown=#"}}});
}

// Each field's data end the block: whole they give a text, one byte short none.
TEST(Texts, DataMustLieWhollyInsideTheBlock)
{
    const std::pair<std::function<void(TiffBuilder&)>, std::string> cases[] = {
        {[](TiffBuilder& b) { b.rationals(0, 0x0150, {{1, 2}, {3, 4}}); }, "u Unknown=1/2"},
        {[](TiffBuilder& b) { b.add(0, 0x0150, TYPE_RATIONAL, 0, {0, 0, 0, 3, 0, 0, 0, 3}); }, "u Unknown=1"},
        {[](TiffBuilder& b) { b.shorts(0, 0x0150, {1, 2, 3, 4}); }, "u Unknown=1, 2, 3, 4"},
        {[](TiffBuilder& b) { b.ascii(0, 0x0150, "Hello world"); }, "u Unknown=Hello world"},
        {[](TiffBuilder& b) { b.undefined(0, 0x9286, text(ASCIICODE + "Hello")); }, "i Comment=Hello"},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& [fill, line] : cases) {
            TiffBuilder b(order);
            b.dir();
            fill(b);
            bytes block = b.exif();
            expect(readblock(block), {"==", line});
            block.pop_back();
            expect(readblock(block), {"==", line.substr(0, line.find('=')) == "i Comment" ? "u Comment=#"
                                                                                          : line.substr(0, line.find('=')) + "=#"});
        }
}

// Comments coded as ASCII are trimmed; others, and a null text, keep no text
// and the level of the row.
TEST(Texts, Comments)
{
    const std::pair<std::string, const char*> cases[] = {
        {ASCIICODE + "Hello     ", "i=Hello"}, {ASCIICODE + "          ", "o="}, {ASCIICODE, "o="},
        {ASCIICODE + "Hello\0garbage"s, "i=Hello"}, {ASCIICODE + "  Hi \t\n\r\v\f", "i=  Hi"},
        {"UNICODE\0H\0i\0"s, nullptr}, {"XYZ\0\0\0\0\0Hello"s, nullptr}, {"ASCII\0\0"s, nullptr},
    };
    const struct { std::uint16_t pointer, tag; const char *name, *row; } places[] = {
        {0x8769, 0x9286, "Comment", "u"}, {0x8825, 0x001B, "GPS Processing Method", "i"},
        {0x8825, 0x001C, "GPS Area", "i"}};
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
TiffBuilder gpsdir(int order)
{
    TiffBuilder b(order);
    b.dir();
    return b.pointer(IFD0, 0x8825, b.dir());
}
constexpr int GPS = 1;

TEST(Gps, ValueFieldTexts)
{
    const struct { std::uint16_t tag, type; bytes field; const char* line; } cases[] = {
        {0x00, 1, {2, 2, 0, 0}, "o GPS Info Version=2.2.0.0"}, {0x00, 2, {'2', '.', '1', 0}, "o GPS Info Version=2.1"},
        {0x01, 2, {'S', 0}, "o Latitude Reference=S"}, {0x09, 2, {'V', 0}, "i GPS Status=Measurement Interoperability"},
        {0x0C, 2, {'K', 0}, "o GPS Speed Reference=km/h"}, {0x0C, 2, {'X', 0}, "o GPS Speed Reference="},
        {0x0E, 2, {'T', 0}, "o GPS Direction Reference=True North"},
        {0x10, 2, {'X', 0}, "o GPS Image Direction Ref=Unknown"}, {0x19, 2, {'M', 0}, "o GPS Dest Distance Ref=mi"},
    };
    std::vector<Case> rows;
    for (const auto& c : cases)
        rows.push_back({[c](TiffBuilder& b) { b.field(GPS, c.tag, c.type, static_cast<std::uint32_t>(c.field.size()), c.field); },
                        {c.line, "w*"}});
    expectcases(gpsdir, rows);
}

// ref: value of the entry one tag lower (reference letter or altitude
// reference), placed behind; -1: none.
TEST(Gps, RationalTexts)
{
    const struct { std::uint16_t tag; ratios values; int ref; const char* line; } cases[] = {
        {0x02, {{37, 1}, {465, 10}, {0, 1}}, 'N', "i Latitude=N 37\xB0 46.5'"},
        {0x04, {{0, 100}, {30, 1}, {0, 1}}, 'E', "i Longitude=E 0\xB0 30'"},
        {0x02, {{1, 0}, {1, 0}, {1, 0}}, -1, "i Latitude= 0\xB0 0'"},
        {0x14, {{3725, 100}, {0, 100}, {0, 1}}, 'S', "i Destination Latitude=S 37.25\xB0 0'"},
        {0x16, {{37, 1}, {2790, 60}, {0, 1}}, 'W', "i Destination Longitude=W 37\xB0 46.5'"},
        {0x02, {{37, 1}, {46, 1}, {301, 10}}, 'S', "i Latitude=S 37\xB0 46' 30.1"},
        {0x02, {{0xFFFFFFFF, 0xFFFFFFFF}, {0xFFFFFFFF, 3}, {0xFFFFFFFF, 7}}, 'N', "i Latitude=N 1.000000000\xB0 1431655765' 613"},
        {0x06, {{1234, 10}}, -1, "i Altitude=123.40 m"}, {0x06, {{1234, 10}}, 0, "i Altitude=123.40 m"},
        {0x06, {{1234, 10}}, 1, "i Altitude=-123.40 m"}, {0x06, {{0, 1}}, 1, "i Altitude=0.00 m"},
        {0x06, {{5, 0}}, 1, "i Altitude=0.00 m"}, {0x06, {{1, 1000}}, 1, "i Altitude=0.00 m"},
        {0x07, {{9, 1}, {5, 1}, {7, 1}}, -1, "i Time (UTC)=09:05:07"}, {0x07, {{9, 1}, {5, 1}, {55, 10}}, -1, "i Time (UTC)=09:05:5.5"},
        {0x07, {{9, 1}, {5, 0}, {7, 1}}, -1, "i Time (UTC)=09"}, {0x07, {{9, 0}, {5, 1}, {7, 1}}, -1, "i Time (UTC)="},
        {0x07, {{1, 1}, {2, 1}, {3, 1}, {4, 1}}, -1, "i Time (UTC)=01:02:03"},
        {0x07, {{0xFFFFFFFF, 1}, {0xFFFFFFFF, 1}, {1, 0xFFFFFFFF}}, -1, "i Time (UTC)=4294967:429496:0.0000"},
        {0x0B, {{5, 2}}, -1, "u GPS Degree of Precision=2.5"}, {0x0D, {{5, 2}}, -1, "u Movement Speed=2.5"},
        {0x0F, {{5, 2}}, -1, "u Movement Direction=2.5"}, {0x11, {{5, 2}}, -1, "u Image Direction=2.5"},
        {0x18, {{5, 2}}, -1, "u Destination Direction=2.5"}, {0x1A, {{5, 2}}, -1, "u Destination Distance=2.5"},
    };
    std::vector<Case> rows;
    for (const auto& c : cases)
        rows.push_back({[c](TiffBuilder& b) {
                            b.rationals(GPS, c.tag, c.values);
                            const std::uint16_t reftype = c.tag == 0x06 ? 1 : 2;  // BYTE or ASCII
                            if (c.ref >= 0)
                                b.field(GPS, static_cast<std::uint16_t>(c.tag - 1), reftype, reftype,
                                        {static_cast<unsigned char>(c.ref)});
                        },
                        {c.line, "w*"}});
    expectcases(gpsdir, rows);
}

// A coordinate count other than 3 keeps the reader's text; rationals far
// outside the block or straddling its end have none, and coordinates warn.
TEST(Gps, UnexpectedCoordinatesAndRationalsOutsideTheBlock)
{
    for (int order : {ORDER_LITTLE, ORDER_BIG}) {
        TiffBuilder two = gpsdir(order), far = gpsdir(order), straddle = gpsdir(order);
        two.rationals(GPS, 0x02, {{37, 1}, {465, 10}}).rationals(GPS, 0x06, {{1, 1}});
        far.raw(GPS, 0x02, 5, 3, 0xFFFFFFF0).field(GPS, 0x05, 1, 1, {1}).raw(GPS, 0x06, 5, 1, 0xFFFFFFF8);
        far.raw(GPS, 0x07, 5, 3, 0xFFFFFFE0);
        straddle.rationals(GPS, 0x02, {{37, 1}, {465, 10}, {0, 1}});
        bytes cut = straddle.exif();
        cut.resize(cut.size() - 8);
        const std::string warning = "w unexpected GPS coordinate values (GPSLatitude)";
        expect(readblock(two.exif()), {"i Latitude=37", "i Altitude=1.00 m", warning, "w*"});
        expect(readblock(far.exif()), {"i Latitude=-16", "i Altitude=-8", "i Time (UTC)=-32", warning, "w*"});
        expect(readblock(cut), {"i Latitude=#", warning, "w*"});
    }
}

}  // namespace
}  // namespace exifkit::test
