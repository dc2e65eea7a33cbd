// GPS directory texts: version, reference letters, coordinates, altitude and
// time stamp, in both byte orders.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "exifkit/exif.h"
#include "support/exifbuilder.h"
#include "support/recording.h"

namespace exifkit {
namespace {

using test::TiffBuilder;
using ratios = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

constexpr std::uint16_t TAG_GPSIFD = 0x8825;
constexpr const char* COORDINATE_WARNING = "unexpected GPS coordinate values";

// IFD0 with a pointer to a GPS directory.
struct GpsLayout {
    explicit GpsLayout(int order) : b(order), ifd0(b.dir()), gps(b.dir()) { b.pointer(ifd0, TAG_GPSIFD, gps); }
    TiffBuilder b;
    int ifd0;
    int gps;
};

// A GPS block parsed with exifparse; keeps the block alive as long as the result.
class Parsed {
public:
    explicit Parsed(const GpsLayout& l)
        : block_(l.b.exif()), info_(exifparse(block_.data(), static_cast<std::uint32_t>(block_.size())))
    {
    }

    exif_prop* gps(std::uint16_t tag) const { return info_ ? findprop(info_->props, gpstags, tag) : nullptr; }

    std::string text(std::uint16_t tag) const
    {
        const exif_prop* prop = gps(tag);
        if (!prop)
            return "<no property>";
        return prop->str ? prop->str : "<null>";
    }

private:
    test::bytes block_;
    exif_info_ptr info_;
};

class Gps : public ::testing::TestWithParam<int> {
protected:
    test::RecordingSink sink;
};

std::string orderName(const ::testing::TestParamInfo<int>& info)
{
    return info.param == ORDER_BIG ? "Big" : "Little";
}

TEST_P(Gps, PropertiesHangOffTheGpsInfoEntry)
{
    GpsLayout l(GetParam());
    l.b.field(l.gps, 0x0000, 1, 4, {2, 2, 0, 0});
    Parsed p(l);
    const exif_prop* version = p.gps(0x0000);
    ASSERT_NE(version, nullptr);
    ASSERT_NE(version->par, nullptr);
    EXPECT_EQ(version->par->tag, TAG_GPSIFD);
    EXPECT_EQ(version->par->tagset, tags);
}

TEST_P(Gps, VersionBytesInFileOrder)
{
    const struct {
        test::bytes stored;
        const char* text;
    } cases[] = {{{2, 2, 0, 0}, "2.2.0.0"}, {{2, 0, 0, 1}, "2.0.0.1"}, {{9, 3, 1, 7}, "9.3.1.7"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        GpsLayout l(GetParam());
        l.b.field(l.gps, 0x0000, 1, 4, c.stored);
        Parsed p(l);
        EXPECT_EQ(p.text(0x0000), c.text);
        EXPECT_EQ(p.gps(0x0000)->lvl, LVL_VERBOSE);
    }
}

// A version stored as text already has the reader's text and keeps it.
TEST_P(Gps, VersionWithReaderTextKeepsIt)
{
    GpsLayout l(GetParam());
    l.b.ascii(l.gps, 0x0000, "2.2.0.0");
    Parsed p(l);
    EXPECT_EQ(p.text(0x0000), "2.2.0.0");
}

struct ReferenceCase {
    std::uint16_t tag;
    const char* letter;
    const char* text;
};

const ReferenceCase referenceCases[] = {
    {0x01, "S", "S"},
    {0x03, "W", "W"},
    {0x09, "A", "Measurement In Progress"},
    {0x09, "V", "Measurement Interoperability"},
    {0x09, "X", "Unknown"},
    {0x0A, "3", "3"},
    {0x0C, "K", "km/h"},
    {0x0C, "N", "knots"},
    {0x0C, "X", ""},
    {0x0E, "T", "True North"},
    {0x10, "M", "Magnetic North"},
    {0x10, "X", "Unknown"},
    {0x13, "N", "N"},
    {0x15, "E", "E"},
    {0x17, "T", "True North"},
    {0x19, "M", "mi"},
    {0x19, "X", ""},
};

TEST_P(Gps, ReferenceLetters)
{
    for (const ReferenceCase& c : referenceCases) {
        SCOPED_TRACE(testing::Message() << std::hex << "tag 0x" << c.tag << " " << c.letter);
        GpsLayout l(GetParam());
        l.b.ascii(l.gps, c.tag, c.letter);
        Parsed p(l);
        EXPECT_EQ(p.text(c.tag), c.text);
    }
}

struct CoordinateCase {
    ratios values;
    const char* ref;  // null: no reference entry
    const char* text;
};

const CoordinateCase coordinateCases[] = {
    {{{37, 1}, {465, 10}, {0, 1}}, "N", "N 37\xB0 46.5'"},
    {{{37, 1}, {465, 10}, {0, 1}}, nullptr, " 37\xB0 46.5'"},
    {{{0, 100}, {30, 1}, {0, 1}}, "N", "N 0\xB0 30'"},
    {{{37, 0}, {30, 1}, {0, 1}}, "N", "N 0\xB0 30'"},
    {{{3725, 100}, {0, 1}, {0, 1}}, "N", "N 37.25\xB0 0'"},
    {{{37, 1}, {4650, 100}, {0, 1}}, "N", "N 37\xB0 46.50'"},
    {{{37, 1}, {92, 2}, {0, 1}}, "N", "N 37\xB0 46'"},
    {{{37, 1}, {2790, 60}, {0, 1}}, "N", "N 37\xB0 46.5'"},
    {{{37, 1}, {46, 0}, {0, 1}}, "N", "N 37\xB0 0'"},
    {{{37, 1}, {46, 1}, {301, 10}}, "N", "N 37\xB0 46' 30.1"},
    {{{37, 1}, {46, 1}, {30, 1}}, "S", "S 37\xB0 46' 30"},
    {{{37, 1}, {46, 1}, {30, 0}}, "S", "S 37\xB0 46'"},
    {{{0xFFFFFFFF, 0xFFFFFFFF}, {0xFFFFFFFF, 3}, {0xFFFFFFFF, 7}}, "N", "N 1.000000000\xB0 1431655765' 613"},
};

TEST_P(Gps, Coordinates)
{
    for (const CoordinateCase& c : coordinateCases) {
        SCOPED_TRACE(c.text);
        GpsLayout l(GetParam());
        if (c.ref)
            l.b.ascii(l.gps, 0x01, c.ref);
        l.b.rationals(l.gps, 0x02, c.values);
        Parsed p(l);
        EXPECT_EQ(p.text(0x02), c.text);
        EXPECT_FALSE(sink.has(COORDINATE_WARNING));
    }
}

// Each coordinate takes the reference of the tag before it, wherever that stands.
TEST_P(Gps, EachCoordinateHasItsOwnReference)
{
    GpsLayout l(GetParam());
    const ratios place{{37, 1}, {465, 10}, {0, 1}};
    for (std::uint16_t tag : {0x02, 0x04, 0x14, 0x16})
        l.b.rationals(l.gps, tag, place);
    l.b.ascii(l.gps, 0x01, "N").ascii(l.gps, 0x03, "E").ascii(l.gps, 0x13, "S").ascii(l.gps, 0x15, "W");
    Parsed p(l);
    EXPECT_EQ(p.text(0x02), "N 37\xB0 46.5'");
    EXPECT_EQ(p.text(0x04), "E 37\xB0 46.5'");
    EXPECT_EQ(p.text(0x14), "S 37\xB0 46.5'");
    EXPECT_EQ(p.text(0x16), "W 37\xB0 46.5'");
}

TEST_P(Gps, UnexpectedCoordinatesKeepTheirTextAndWarn)
{
    {
        GpsLayout l(GetParam());
        l.b.ascii(l.gps, 0x01, "N").rationals(l.gps, 0x02, {{37, 1}, {465, 10}});
        Parsed p(l);
        EXPECT_EQ(p.text(0x02), "37");
        EXPECT_TRUE(sink.has(COORDINATE_WARNING));
    }
    for (bool straddle : {false, true}) {
        SCOPED_TRACE(straddle ? "reaching past the end" : "far outside");
        sink.warnings.clear();
        auto make = [&](std::uint32_t offset) {
            GpsLayout l(GetParam());
            l.b.ascii(l.gps, 0x01, "N").raw(l.gps, 0x02, 5, 3, offset);
            return l;
        };
        const auto size = static_cast<std::uint32_t>(make(0).b.tiff().size());
        Parsed p(make(straddle ? size - 16 : 0xFFFFFFF0));
        EXPECT_EQ(p.text(0x02), "<null>");
        EXPECT_TRUE(sink.has(COORDINATE_WARNING));
    }
}

struct AltitudeCase {
    std::pair<std::uint32_t, std::uint32_t> value;
    int ref;  // -1: no reference entry
    const char* text;
};

const AltitudeCase altitudeCases[] = {
    {{1234, 10}, -1, "123.40 m"},
    {{1234, 10}, 0, "123.40 m"},
    {{1234, 10}, 1, "-123.40 m"},
    {{0, 1}, 1, "0.00 m"},
    {{0, 1}, 0, "0.00 m"},
    {{5, 0}, 1, "0.00 m"},
    {{1, 3}, -1, "0.33 m"},
};

TEST_P(Gps, Altitude)
{
    for (const AltitudeCase& c : altitudeCases) {
        SCOPED_TRACE(c.text);
        GpsLayout l(GetParam());
        if (c.ref >= 0)
            l.b.field(l.gps, 0x05, 1, 1, {static_cast<unsigned char>(c.ref)});
        l.b.rationals(l.gps, 0x06, {c.value});
        Parsed p(l);
        EXPECT_EQ(p.text(0x06), c.text);
    }
}

struct TimeCase {
    ratios values;
    const char* text;
};

const TimeCase timeCases[] = {
    {{{9, 1}, {5, 1}, {7, 1}}, "09:05:07"},
    {{{14, 1}, {30, 1}, {15, 1}}, "14:30:15"},
    {{{14, 1}, {30, 1}, {1523, 100}}, "14:30:15.23"},
    {{{9, 1}, {5, 1}, {55, 10}}, "09:05:5.5"},
    {{{9, 1}, {5, 0}, {7, 1}}, "09"},
    {{{9, 0}, {5, 1}, {7, 1}}, ""},
    {{{9, 1}, {5, 1}}, "09:05"},
    {{{1, 1}, {2, 1}, {3, 1}, {4, 1}}, "01:02:03"},
    {{{0xFFFFFFFF, 1}, {0xFFFFFFFF, 1}, {0xFFFFFFFF, 1}}, "4294967:429496:429496"},
    {{{1, 0xFFFFFFFF}, {0, 1}, {0, 1}}, "0.00000:00:00"},
};

TEST_P(Gps, TimeStamp)
{
    for (const TimeCase& c : timeCases) {
        SCOPED_TRACE(c.text);
        GpsLayout l(GetParam());
        l.b.rationals(l.gps, 0x07, c.values);
        Parsed p(l);
        EXPECT_EQ(p.text(0x07), c.text);
    }
}

// Altitude and time stamp whose rationals lie outside the block keep their state.
TEST_P(Gps, RationalsOutsideTheBlockStayUntouched)
{
    GpsLayout l(GetParam());
    l.b.field(l.gps, 0x05, 1, 1, {1});
    l.b.raw(l.gps, 0x06, 5, 1, 0xFFFFFFF8).raw(l.gps, 0x07, 5, 3, 0xFFFFFFE0);
    Parsed p(l);
    EXPECT_EQ(p.text(0x06), "<null>");
    EXPECT_EQ(p.text(0x07), "<null>");
}

// Movement and direction values are not interpreted: the reader's text at the
// unsupported level.
TEST_P(Gps, UninterpretedRationalsKeepGenericText)
{
    GpsLayout l(GetParam());
    for (std::uint16_t tag : {0x0B, 0x0D, 0x0F, 0x11, 0x18, 0x1A})
        l.b.rationals(l.gps, tag, {{5, 2}});
    Parsed p(l);
    for (std::uint16_t tag : {0x0B, 0x0D, 0x0F, 0x11, 0x18, 0x1A}) {
        SCOPED_TRACE(testing::Message() << std::hex << "tag 0x" << tag);
        EXPECT_EQ(p.text(tag), "2.5");
        EXPECT_EQ(p.gps(tag)->lvl, LVL_UNKNOWN);
    }
}

TEST_P(Gps, TextEntries)
{
    GpsLayout l(GetParam());
    const std::string method = std::string("ASCII\0\0\0", 8) + "GPS-FIX  ";
    l.b.undefined(l.gps, 0x1B, test::bytes(method.begin(), method.end()));
    l.b.ascii(l.gps, 0x1D, "2024:01:02");
    l.b.shorts(l.gps, 0x1E, {1});
    Parsed p(l);
    EXPECT_EQ(p.text(0x1B), "GPS-FIX");
    EXPECT_EQ(p.gps(0x1B)->lvl, LVL_IMAGE);
    EXPECT_EQ(p.text(0x1D), "2024:01:02");
    EXPECT_EQ(p.text(0x1E), "Correction Applied");
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, Gps, ::testing::Values(ORDER_LITTLE, ORDER_BIG), orderName);

}  // namespace
}  // namespace exifkit
