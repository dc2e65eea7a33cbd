// The value API's records: keys, directories, typed values, the summary, the
// lookup and the thumbnail, on crafted entries, hostile values and real photos.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "exifkit/exifkit.h"
#include "support/delivery.h"
#include "support/hostile.h"

namespace exifkit::test {
namespace {

Metadata read(const bytes& file) { return readMetadata(file.data(), file.size()); }
Metadata readexif(const TiffBuilder& b) { return read(minimaljpeg({b.exif()})); }

// A value as one line: 5, [1, 2], 1/160, 2.5, "text", <0a1b>, {length 2000}, or - for none.
std::string show(const Value& v)
{
    if (!v.has())
        return "-";
    if (v.truncated())
        return "{length " + std::to_string(v.size()) + "}";
    if (v.kind() == Value::Kind::Text)
        return '"' + std::string(v.text()) + '"';
    if (v.kind() == Value::Kind::Bytes) {
        std::string hex = "<";
        char two[3];
        for (std::uint8_t b : v.bytes()) {
            std::snprintf(two, sizeof two, "%02x", b);
            hex += two;
        }
        return hex + ">";
    }
    std::string out = v.isArray() ? "[" : "";
    for (std::size_t i = 0; i < v.size(); i++) {
        out += i ? ", " : "";
        if (v.kind() == Value::Kind::Rational)
            out += std::to_string(v.rational(i).numerator) + "/" + std::to_string(v.rational(i).denominator);
        else if (v.kind() == Value::Kind::Real) {
            char real[32];
            std::snprintf(real, sizeof real, "%g", v.real(i));
            out += real;
        } else
            out += std::to_string(v.integer(i));
    }
    return out + (v.isArray() ? "]" : "");
}

// "Directory Key tag/type/count = value" of a property, parent appended.
std::string show(const Property& p)
{
    std::string line = std::string(p.directory) + " " + std::string(p.key) + " " + std::to_string(p.tag) + "/" +
                       std::to_string(p.type) + "/" + std::to_string(p.count) + " = " + show(p.value);
    return p.parent.empty() ? line : line + " < " + std::string(p.parent);
}

std::string repeat(const std::string& s, int n)
{
    std::string out;
    while (n-- > 0)
        out += s;
    return out;
}

std::string showfound(const Metadata& m, std::string_view directory, std::string_view key)
{
    const Property* p = m.find(directory, key);
    return p ? show(*p) : "<none>";
}

struct Typed {
    Entries entries;
    std::string directory, key, want;
};

// Every TIFF type, as an entry of IFD0, of the Exif directory (1) or of the
// thumbnail's IFD1 (2), in both byte orders.
TEST(TypedValues, KeepTheStoredValueOfEveryType)
{
    const std::vector<Typed> cases = {
        {{{IFD0, 0x0112, SHORT, {6}}},                       "IFD0", "Orientation",     "IFD0 Orientation 274/3/1 = 6"},
        {{{EXIF, 0x829A, RATIONAL, {1, 160}}},               "Exif", "ExposureTime",    "Exif ExposureTime 33434/5/1 = 1/160"},
        {{{EXIF, 0x9204, SRATIONAL, {s32(-2), 3}}},          "Exif", "ExposureBiasValue", "Exif ExposureBiasValue 37380/10/1 = -2/3"},
        {{{EXIF, 0x8827, SHORT, {100, 200}}},                "Exif", "ISOSpeedRatings", "Exif ISOSpeedRatings 34855/3/2 = [100, 200]"},
        {{{EXIF, 0x9214, SSHORT, {0xFFFF, 2, 0x8000}}},      "Exif", "SubjectArea",     "Exif SubjectArea 37396/8/3 = [-1, 2, -32768]"},
        {{{EXIF, 0xA002, LONG, {4000000000u}}},              "Exif", "PixelXDimension", "Exif PixelXDimension 40962/4/1 = 4000000000"},
        {{{EXIF, 0xA002, TYPE_SLONG, {s32(-5)}}},            "Exif", "PixelXDimension", "Exif PixelXDimension 40962/9/1 = -5"},
        {{{EXIF, 0x9000, UNDEF, {}, "0230"}},                "Exif", "ExifVersion",     "Exif ExifVersion 36864/7/4 = <30323330>"},
        {{{EXIF, 0xA301, 6, {0xFE}}},                        "Exif", "SceneType",       "Exif SceneType 41729/6/1 = -2"},
        {{{EXIF, 0x0000, BYTE, {1, 2, 3, 4, 5}}},            "Exif", "Unknown",         "Exif Unknown 0/1/5 = [1, 2, 3, 4, 5]"},
        // Bytes that are UTF-8 stay UTF-8; others are ISO 8859-1.
        {{{IFD0, 0x013B, ASCII, {}, "J\xC3\xA9r\xC3\xB4me"}}, "IFD0", "Artist",         "IFD0 Artist 315/2/9 = \"J\xC3\xA9r\xC3\xB4me\""},
        {{{IFD0, 0x013B, ASCII, {}, "J\xE9r\xF4me"}},        "IFD0", "Artist",          "IFD0 Artist 315/2/7 = \"J\xC3\xA9r\xC3\xB4me\""},
        {{{IFD0, 0x013B, ASCII, {}, "\xED\xA0\x80"}},        "IFD0", "Artist",          "IFD0 Artist 315/2/4 = \"\xC3\xAD\xC2\xA0\xC2\x80\""},
        // Over the caps: the length alone; outside the block: no value.
        {{{EXIF, 0x927C, UNDEF, std::vector<std::uint32_t>(257, 7)}}, "Exif", "MakerNote",     "Exif MakerNote 37500/7/257 = {length 257}"},
        {{{EXIF, 0xA302, UNDEF, std::vector<std::uint32_t>(256, 7)}}, "Exif", "CFAPattern",    "Exif CFAPattern 41730/7/256 = <" + repeat("07", 256) + ">"},
        {{{EXIF, 0x9214, SHORT, std::vector<std::uint32_t>(1025, 1)}}, "Exif", "SubjectArea", "Exif SubjectArea 37396/3/1025 = {length 1025}"},
        {{{EXIF, 0x829A, RATIONAL | RAW, {0x80000000u, 8}}}, "Exif", "ExposureTime",    "Exif ExposureTime 33434/5/2147483648 = -"},
        {{{EXIF, 0x829A, RATIONAL | RAW, {1, 0xFFFFFFF0u}}}, "Exif", "ExposureTime",    "Exif ExposureTime 33434/5/1 = -"},
        {{{EXIF, 0x829A, RATIONAL, {1, 0}}},                 "Exif", "ExposureTime",    "Exif ExposureTime 33434/5/1 = 1/0"},
        // The thumbnail's directory and the Interoperability directory.
        {{{2, 0x011A, RATIONAL, {72, 1}}},                   "IFD1", "XResolution",     "IFD1 XResolution 282/5/1 = 72/1"},
        {{{3, 0x0001, ASCII, {}, "R98"}},                    "Interop", "Unknown",      "Interop Unknown 1/2/4 = \"R98\""},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const Typed& c : cases) {
            TiffBuilder b = camera(order);
            b.dir();
            b.chain(IFD0, 2);
            b.pointer(EXIF, 0xA005, b.dir());
            put(b, c.entries);
            const Metadata m = readexif(b);
            EXPECT_EQ(showfound(m, c.directory, c.key), c.want) << (order == ORDER_BIG ? "big-endian" : "little");
        }
}

// Texts end at their first NUL, or at their count without one; reals keep
// their bits.
TEST(TypedValues, TextsAndRealsAsStored)
{
    for (int order : {ORDER_LITTLE, ORDER_BIG}) {
        TiffBuilder b = camera(order);
        b.add(IFD0, 0x010F, ASCII, 8, text(std::string("Canon\0\0\0", 8)))
            .add(IFD0, 0x0110, ASCII, 3, text("ABC"))
            .add(IFD0, 0x0131, ASCII, 8, text(std::string("A\0B\0\0\0\0\0", 8)))
            .longs(EXIF, 0xA20E, {0x40200000}, 11)
            .add(EXIF, 0xA20F, 12, 1, order == ORDER_BIG ? cat({b.u32(0xC0040000), b.u32(0)})
                                                         : cat({b.u32(0), b.u32(0xC0040000)}));
        const Metadata m = readexif(b);
        EXPECT_EQ(show(*m.find("Make")), "IFD0 Make 271/2/8 = \"Canon\"");
        EXPECT_EQ(show(*m.find("Model")), "IFD0 Model 272/2/3 = \"ABC\"");
        EXPECT_EQ(show(*m.find("Software")), "IFD0 Software 305/2/8 = \"A\"");
        EXPECT_EQ(show(*m.find("FocalPlaneXResolution")), "Exif FocalPlaneXResolution 41486/11/1 = 2.5");
        EXPECT_EQ(show(*m.find("FocalPlaneYResolution")), "Exif FocalPlaneYResolution 41487/12/1 = -2.5");
    }
}

// Entries pointing at one piece of data cost no more memory than the file's
// budget: the values after it are given by their length, with one warning.
TEST(TypedValues, SharedDataStopsAtTheFilesBudget)
{
    TiffBuilder b;
    bench::hostile::shared(b, b.dir(), 0x0214, 5, 1000, bytes(8000, 1), 200);
    const Metadata m = readexif(b);
    std::size_t given = 0, bylength = 0;
    for (const Group& g : m.groups)
        for (const Property& p : g.properties)
            (p.value.truncated() ? bylength : given)++;
    EXPECT_EQ(given, (1u << 20) / 16000);
    EXPECT_EQ(given + bylength, 200u);
    expect(delivered(m), {"w*", "w too much value data; giving the rest by length"});
}

// Maker entries name their maker; unpacked array values name their array.
TEST(TypedValues, MakerDirectoriesAndSubValues)
{
    const Metadata canon = readMetadata(EXIFKIT_TEST_DATA "/Canon_DIGITAL_IXUS_400.jpg");
    EXPECT_EQ(showfound(canon, "Canon", "CanonMacroMode"), "Canon CanonMacroMode 1/3/1 = 2 < Canon1Tag");
    EXPECT_EQ(showfound(canon, "Canon", "ImageType"), "Canon ImageType 6/2/32 = \"IMG:DIGITAL IXUS 400 JPEG\"");
    EXPECT_EQ(showfound(canon, "Canon", "CanonLensSz").substr(0, 29), "Canon CanonLensSz 1/0/0 = - <");
    const Metadata nikon = readMetadata(EXIFKIT_TEST_DATA "/Nikon_COOLPIX_P1.jpg");
    EXPECT_EQ(showfound(nikon, "Nikon", "NikonISOUsed"), "Nikon NikonISOUsed 2/3/2 = [0, 0]");
    EXPECT_EQ(nikon.find("Canon", "NikonISOUsed"), nullptr);
    EXPECT_EQ(nikon.find("NoSuchKey"), nullptr);
}

// The first of a key in delivery order, or the one of a directory.
TEST(TypedValues, FindByKeyAndDirectory)
{
    TiffBuilder b = camera(ORDER_LITTLE);
    b.chain(IFD0, b.dir());
    put(b, {{IFD0, 0x011A, RATIONAL, {300, 1}}, {2, 0x011A, RATIONAL, {72, 1}}});
    Metadata m = readexif(b);
    EXPECT_EQ(show(*m.find("XResolution")), "IFD0 XResolution 282/5/1 = 300/1");
    EXPECT_EQ(showfound(m, "IFD1", "XResolution"), "IFD1 XResolution 282/5/1 = 72/1");
    EXPECT_EQ(m.find("Exif", "XResolution"), nullptr);
    // A value read into again finds this read's properties only.
    const bytes other = minimaljpeg({makeexif("Other")});
    readMetadata(other.data(), other.size(), m);
    EXPECT_EQ(m.find("XResolution"), nullptr);
    EXPECT_EQ(m.find("Make")->text, "Other");
    EXPECT_EQ(m, read(other));
}

struct Sample {
    const char* file;
    Summary want;
};

Summary summary(std::optional<std::string> make, std::optional<Rational> exposure, std::optional<double> f,
                std::optional<std::int64_t> iso, std::optional<Position> gps = std::nullopt)
{
    Summary s;
    s.make = std::move(make);
    s.exposure_time = exposure;
    s.f_number = f;
    s.iso = iso;
    s.gps = gps;
    return s;
}

// Over real photos the summary says what the standard tags store; a GPS
// position lies within 1e-6 degrees of its degrees, minutes and seconds.
TEST(Summary, AgreesWithTheStoredTags)
{
    if (corpusfiles().empty())
        GTEST_SKIP() << "no corpus at " << EXIFKIT_CORPUS;
    Position furnace{36.44833333, -116.855, -14.28, DateTime{2008, 5, 8, 9, 54, 28, 0, 0}, std::nullopt};
    Position dscn{43.46744833, 11.88512667, std::nullopt, DateTime{2008, 10, 23, 14, 27, 7, 240000, 0}, std::nullopt};
    Position poc{47.8318, 12.98805667, 412, DateTime{2012, 10, 31, 13, 52, 34, 0, 0}, 100.53};
    Position kodak{-0.3713, 36.05641667, std::nullopt, std::nullopt, std::nullopt};
    const std::vector<Sample> samples = {
        {"exiv2-suite/exiv2-canon-eos-20d.jpg", summary("Canon", Rational{1, 60}, 5.6, 100)},
        {"exiv2-suite/FurnaceCreekInn.jpg",     summary("Canon", Rational{1, 1000}, 4, 80, furnace)},
        {"gps/DSCN0010.jpg",                    summary("NIKON", Rational{1, 75}, 5.9, 64, dscn)},
        {"exiv2-suite/pr_1994_poc2.jpg",        summary("NIKON CORPORATION", Rational{1, 1000}, 7.1, 200, poc)},
        {"Kodak_CX7530.jpg",                    summary("EASTMAN KODAK COMPANY", Rational{1, 250}, 4.6, std::nullopt, kodak)},
    };
    for (const Sample& s : samples) {
        const Summary got = readMetadata((std::string(EXIFKIT_CORPUS) + "/" + s.file).c_str()).summary;
        EXPECT_EQ(got.make, s.want.make) << s.file;
        EXPECT_EQ(got.exposure_time, s.want.exposure_time) << s.file;
        EXPECT_EQ(got.f_number, s.want.f_number) << s.file;
        EXPECT_EQ(got.iso, s.want.iso) << s.file;
        ASSERT_EQ(got.gps.has_value(), s.want.gps.has_value()) << s.file;
        if (!got.gps)
            continue;
        const auto near = [](std::optional<double> a, std::optional<double> b, double within) {
            return a.has_value() == b.has_value() && (!a || std::fabs(*a - *b) < within);
        };
        EXPECT_TRUE(near(got.gps->latitude, s.want.gps->latitude, 1e-6)) << s.file;
        EXPECT_TRUE(near(got.gps->longitude, s.want.gps->longitude, 1e-6)) << s.file;
        EXPECT_TRUE(near(got.gps->altitude, s.want.gps->altitude, 1e-9)) << s.file;
        EXPECT_TRUE(near(got.gps->direction, s.want.gps->direction, 1e-9)) << s.file;
        EXPECT_EQ(got.gps->timestamp, s.want.gps->timestamp) << s.file;
    }
}

TEST(Summary, ReadsEveryFieldFromItsTag)
{
    TiffBuilder b = camera(ORDER_BIG, "Canon ");
    b.pointer(IFD0, 0x8825, b.dir());
    put(b, {{IFD0, 0x0110, ASCII, {}, "EOS"},           {IFD0, 0x0131, ASCII, {}, "fw 1.0"},
            {IFD0, 0x0112, SHORT, {8}},                 {IFD0, 0x0132, ASCII, {}, "2020:02:29 23:59:59"},
            {EXIF, 0x9003, ASCII, {}, "2008:05:30 15:56:01"}, {EXIF, 0x9011, ASCII, {}, "-03:30"},
            {EXIF, 0x9004, ASCII, {}, "2008:05:30 15:56:02"}, {EXIF, 0x9012, ASCII, {}, "+00:00"},
            {EXIF, 0x829A, RATIONAL, {10, 1600}},       {EXIF, 0x829D, RATIONAL, {28, 10}},
            {EXIF, 0x8827, SHORT, {65535}},             {EXIF, 0x8833, LONG, {102400}},
            {EXIF, 0x920A, RATIONAL, {50, 1}},          {EXIF, 0xA405, SHORT, {80}},
            {EXIF, 0xA002, LONG, {6000}},               {EXIF, 0xA003, SHORT, {4000}},
            {EXIF, 0xA434, ASCII, {}, "EF50mm f/1.8"},
            {2, 0x0001, ASCII, {}, "S"}, {2, 0x0002, RATIONAL, {33, 1, 52, 1, 3456, 100}},
            {2, 0x0003, ASCII, {}, "W"}, {2, 0x0004, RATIONAL, {151, 1, 12, 1, 0, 1}},
            {2, 0x0005, BYTE, {1}},      {2, 0x0006, RATIONAL, {5, 2}},
            {2, 0x0007, RATIONAL, {23, 1, 59, 1, 5999, 100}}, {2, 0x001D, ASCII, {}, "2020:01:02"},
            {2, 0x0011, RATIONAL, {0, 1}}});
    const Summary s = readexif(b).summary;
    EXPECT_EQ(s.make, "Canon");
    EXPECT_EQ(s.model, "EOS");
    EXPECT_EQ(s.software, "fw 1.0");
    EXPECT_EQ(s.lens, "EF50mm f/1.8");
    EXPECT_EQ(s.orientation, 8);
    EXPECT_EQ(s.datetime_modified->iso(), "2020-02-29T23:59:59");
    EXPECT_EQ(s.datetime_original->iso(), "2008-05-30T15:56:01-03:30");
    EXPECT_EQ(s.datetime_digitized->iso(), "2008-05-30T15:56:02Z");
    EXPECT_EQ(s.exposure_time, (Rational{1, 160}));
    EXPECT_EQ(s.f_number, 2.8);
    EXPECT_EQ(s.iso, 102400);
    EXPECT_EQ(s.focal_length, 50);
    EXPECT_EQ(s.focal_length_35mm, 80);
    EXPECT_EQ(s.width, 100) << "the JPEG frame comes before the Exif dimensions";
    ASSERT_TRUE(s.gps);
    EXPECT_NEAR(*s.gps->latitude, -(33 + 52 / 60.0 + 34.56 / 3600), 1e-12);
    EXPECT_EQ(s.gps->longitude, -(151 + 12 / 60.0));
    EXPECT_EQ(s.gps->altitude, -2.5);
    EXPECT_EQ(s.gps->direction, 0);
    EXPECT_EQ(s.gps->timestamp->iso(), "2020-01-02T23:59:59.99Z");
}

// Malformed values leave their fields empty: never 0, 0 or a made-up number.
TEST(Summary, MalformedValuesLeaveFieldsEmpty)
{
    const std::vector<Entries> hostile = {
        {{EXIF, 0x829A, RATIONAL, {1, 0}},  {EXIF, 0x829D, RATIONAL, {0, 0}}, {EXIF, 0x920A, RATIONAL, {5, 0}},
         {IFD0, 0x0112, SHORT, {9}},        {EXIF, 0x8827, SHORT, {0}},       {EXIF, 0xA405, SHORT, {0}}},
        {{EXIF, 0x9003, ASCII, {}, "0000:00:00 00:00:00"}, {EXIF, 0x9004, ASCII, {}, "2021:02:29 10:00:00"},
         {IFD0, 0x0132, ASCII, {}, "2021:01:01 24:00:00"}, {EXIF, 0x829A, SRATIONAL, {s32(-1), 100}}},
        {{2, 0x0001, ASCII, {}, "X"},  {2, 0x0002, RATIONAL, {10, 1, 0, 1, 0, 1}},
         {2, 0x0003, ASCII, {}, "E"},  {2, 0x0004, RATIONAL, {500, 1, 0, 1, 0, 1}},
         {2, 0x0005, BYTE, {7}},       {2, 0x0006, RATIONAL, {10, 1}},
         {2, 0x0007, RATIONAL, {25, 1, 0, 1, 0, 1}}, {2, 0x001D, ASCII, {}, "2020:01:02"},
         {2, 0x0011, RATIONAL, {361, 1}}},
        {{2, 0x0002, RATIONAL, {10, 1, 0, 1, 0, 1}}, {2, 0x0004, RATIONAL, {10, 1, 60, 1, 0, 1}},
         {2, 0x0003, ASCII, {}, "E"}, {2, 0x0006, SRATIONAL, {s32(-10), 1}}},
        {{2, 0x0001, ASCII, {}, "N"}, {2, 0x0002, RATIONAL, {10, 1, 0, 1}}},
        {{2, 0x0001, ASCII | RAW, {0x80000000u, 8}}, {2, 0x0002, RATIONAL | RAW, {2, 0xFFFFFFF0u}}},
    };
    for (std::size_t i = 0; i < hostile.size(); i++) {
        TiffBuilder b = camera(ORDER_LITTLE);
        b.pointer(IFD0, 0x8825, b.dir());
        put(b, hostile[i]);
        Summary s = readexif(b).summary;
        s.width = s.height = std::nullopt;  // the frame's
        EXPECT_EQ(s, Summary{}) << "case " << i;
    }
}

TEST(Thumbnail, IsTheJpegThatIfd1PointsAt)
{
    const bytes thumb = {0xFF, 0xD8, 0xFF, 0xDB, 1, 2, 3, 0xFF, 0xD9};
    const auto file = [&](std::uint32_t length, const bytes& data) {
        TiffBuilder b = camera(ORDER_LITTLE);
        const int ifd1 = b.dir();
        b.chain(IFD0, ifd1).add(ifd1, 0x0111, 1, static_cast<std::uint32_t>(data.size()), data);
        const std::uint32_t at = b.diroffset(ifd1) + 2 + 12 * 3 + 4;
        b.raw(ifd1, 0x0201, LONG, 1, at).raw(ifd1, 0x0202, LONG, 1, length);
        return minimaljpeg({makeexif("none"), b.exif(), b.exif()});
    };
    const bytes good = file(9, thumb);
    EXPECT_EQ(thumbnail(good.data(), good.size()), std::vector<std::uint8_t>(thumb.begin(), thumb.end()));
    const TempFile onfile(good);
    int oserror = -1;
    EXPECT_EQ(thumbnail(onfile.path(), &oserror).size(), 9u);
    EXPECT_EQ(oserror, 0);
    for (const bytes& none : {file(10000, thumb), file(9, bytes(9, 0)), file(0xFFFFFFFF, thumb), minimaljpeg({})}) {
        EXPECT_TRUE(thumbnail(none.data(), none.size()).empty());
    }
    EXPECT_TRUE(thumbnail("/nonexistent/photo.jpg", &oserror).empty());
    EXPECT_EQ(oserror, ENOENT);
    const bytes real = readfile(EXIFKIT_TEST_DATA "/Canon_40D.jpg");
    const std::vector<std::uint8_t> canon = thumbnail(real.data(), real.size());
    ASSERT_GT(canon.size(), 4u);
    EXPECT_EQ(canon[0], 0xFF);
    EXPECT_EQ(canon[canon.size() - 1], 0xD9);
    EXPECT_EQ(canon.size(), static_cast<std::size_t>(readMetadata(real.data(), real.size())
                                                         .find("IFD1", "JPEGInterchangeFormatLength")
                                                         ->value.integer()));
}

}  // namespace
}  // namespace exifkit::test
