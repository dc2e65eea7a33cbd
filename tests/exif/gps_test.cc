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

using ratios = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

constexpr const char* COORDINATE_WARNING = "unexpected GPS coordinate values";

// IFD0 with a GPSInfo pointer to a GPS directory.
struct GpsLayout {
    explicit GpsLayout(int order) : b(order), ifd0(b.dir()), gps(b.dir()) { b.pointer(ifd0, 0x8825, gps); }
    test::TiffBuilder b;
    int ifd0, gps;
};

// A GPS block parsed with exifparse; keeps the block alive as long as the result.
class Parsed {
public:
    explicit Parsed(const GpsLayout& l)
        : block_(l.b.exif()), info_(exifparse(block_.data(), static_cast<std::uint32_t>(block_.size())))
    {
    }
    const exif_prop* gps(std::uint16_t tag) const { return findprop(info_->props, gpstags, tag); }
    std::string text(std::uint16_t tag) const
    {
        const exif_prop* prop = gps(tag);
        return !prop ? "<no property>" : prop->str ? prop->str : "<null>";
    }

private:
    test::bytes block_;
    exif_info_ptr info_;
};

class Gps : public ::testing::TestWithParam<int> {
protected:
    test::RecordingSink sink;
};

TEST_P(Gps, VersionBytesInFileOrder)
{
    for (const test::bytes& stored : {test::bytes{2, 2, 0, 0}, test::bytes{2, 0, 0, 1}}) {
        GpsLayout l(GetParam());
        l.b.field(l.gps, 0x0000, 1, 4, stored);
        Parsed p(l);
        EXPECT_EQ(p.text(0x0000), stored[3] ? "2.0.0.1" : "2.2.0.0");
        ASSERT_NE(p.gps(0x0000)->par, nullptr);
        EXPECT_EQ(p.gps(0x0000)->par->tag, 0x8825);
    }
    // A version stored as text keeps the reader's text.
    GpsLayout l(GetParam());
    l.b.ascii(l.gps, 0x0000, "2.2.0.0");
    EXPECT_EQ(Parsed(l).text(0x0000), "2.2.0.0");
}

TEST_P(Gps, ReferenceLetters)
{
    const struct {
        std::uint16_t tag;
        const char* letter;
        const char* text;
    } cases[] = {
        {0x01, "S", "S"},          {0x09, "A", "Measurement In Progress"}, {0x09, "V", "Measurement Interoperability"},
        {0x0A, "3", "3"},          {0x0C, "K", "km/h"},                    {0x0C, "X", ""},
        {0x0E, "T", "True North"}, {0x10, "X", "Unknown"},                 {0x19, "M", "mi"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "tag 0x" << c.tag << " " << c.letter);
        GpsLayout l(GetParam());
        l.b.ascii(l.gps, c.tag, c.letter);
        EXPECT_EQ(Parsed(l).text(c.tag), c.text);
    }
}

TEST_P(Gps, Coordinates)
{
    const struct {
        ratios values;
        const char* ref;  // null: no reference entry
        const char* text;
    } cases[] = {
        {{{37, 1}, {465, 10}, {0, 1}}, "N", "N 37\xB0 46.5'"},
        {{{37, 1}, {465, 10}, {0, 1}}, nullptr, " 37\xB0 46.5'"},
        {{{0, 100}, {30, 1}, {0, 1}}, "N", "N 0\xB0 30'"},
        {{{3725, 100}, {0, 1}, {0, 1}}, "N", "N 37.25\xB0 0'"},
        {{{37, 1}, {4650, 100}, {0, 1}}, "N", "N 37\xB0 46.50'"},
        {{{37, 1}, {92, 2}, {0, 1}}, "N", "N 37\xB0 46'"},
        {{{37, 1}, {2790, 60}, {0, 1}}, "N", "N 37\xB0 46.5'"},
        {{{37, 1}, {46, 1}, {301, 10}}, "S", "S 37\xB0 46' 30.1"},
        {{{37, 0}, {46, 0}, {30, 0}}, "S", "S 0\xB0 0'"},
        {{{0xFFFFFFFF, 0xFFFFFFFF}, {0xFFFFFFFF, 3}, {0xFFFFFFFF, 7}}, "N", "N 1.000000000\xB0 1431655765' 613"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        GpsLayout l(GetParam());
        if (c.ref)
            l.b.ascii(l.gps, 0x01, c.ref);
        l.b.rationals(l.gps, 0x02, c.values);
        EXPECT_EQ(Parsed(l).text(0x02), c.text);
    }
    EXPECT_FALSE(sink.has(COORDINATE_WARNING));
}

// Each coordinate takes the reference of the tag before it, wherever that stands.
TEST_P(Gps, EachCoordinateHasItsOwnReference)
{
    GpsLayout l(GetParam());
    for (std::uint16_t tag : {0x02, 0x04, 0x14, 0x16})
        l.b.rationals(l.gps, tag, {{37, 1}, {465, 10}, {0, 1}});
    l.b.ascii(l.gps, 0x01, "N").ascii(l.gps, 0x03, "E").ascii(l.gps, 0x13, "S").ascii(l.gps, 0x15, "W");
    Parsed p(l);
    EXPECT_EQ(p.text(0x02), "N 37\xB0 46.5'");
    EXPECT_EQ(p.text(0x04), "E 37\xB0 46.5'");
    EXPECT_EQ(p.text(0x14), "S 37\xB0 46.5'");
    EXPECT_EQ(p.text(0x16), "W 37\xB0 46.5'");
}

TEST_P(Gps, UnexpectedCoordinatesKeepTheirTextAndWarn)
{
    GpsLayout two(GetParam());
    two.b.ascii(two.gps, 0x01, "N").rationals(two.gps, 0x02, {{37, 1}, {465, 10}});
    EXPECT_EQ(Parsed(two).text(0x02), "37");
    EXPECT_TRUE(sink.has(COORDINATE_WARNING));

    auto make = [&](std::uint32_t offset) {
        GpsLayout l(GetParam());
        l.b.ascii(l.gps, 0x01, "N").raw(l.gps, 0x02, 5, 3, offset);
        return l;
    };
    const auto size = static_cast<std::uint32_t>(make(0).b.tiff().size());
    for (std::uint32_t offset : {size - 16, 0xFFFFFFF0u}) {
        sink.warnings.clear();
        EXPECT_EQ(Parsed(make(offset)).text(0x02), "<null>");
        EXPECT_TRUE(sink.has(COORDINATE_WARNING)) << offset;
    }
}

TEST_P(Gps, Altitude)
{
    const struct {
        std::pair<std::uint32_t, std::uint32_t> value;
        int ref;  // -1: no reference entry
        const char* text;
    } cases[] = {
        {{1234, 10}, -1, "123.40 m"}, {{1234, 10}, 0, "123.40 m"}, {{1234, 10}, 1, "-123.40 m"},
        {{0, 1}, 1, "0.00 m"},        {{5, 0}, 1, "0.00 m"},        {{1, 1000}, 1, "0.00 m"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        GpsLayout l(GetParam());
        if (c.ref >= 0)
            l.b.field(l.gps, 0x05, 1, 1, {static_cast<unsigned char>(c.ref)});
        l.b.rationals(l.gps, 0x06, {c.value});
        EXPECT_EQ(Parsed(l).text(0x06), c.text);
    }
}

TEST_P(Gps, TimeStamp)
{
    const struct {
        ratios values;
        const char* text;
    } cases[] = {
        {{{9, 1}, {5, 1}, {7, 1}}, "09:05:07"},
        {{{14, 1}, {30, 1}, {1523, 100}}, "14:30:15.23"},
        {{{9, 1}, {5, 1}, {55, 10}}, "09:05:5.5"},
        {{{9, 1}, {5, 0}, {7, 1}}, "09"},
        {{{9, 0}, {5, 1}, {7, 1}}, ""},
        {{{1, 1}, {2, 1}, {3, 1}, {4, 1}}, "01:02:03"},
        {{{0xFFFFFFFF, 1}, {0xFFFFFFFF, 1}, {1, 0xFFFFFFFF}}, "4294967:429496:0.0000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        GpsLayout l(GetParam());
        l.b.rationals(l.gps, 0x07, c.values);
        EXPECT_EQ(Parsed(l).text(0x07), c.text);
    }
}

// Values left to the reader: generic rational texts at the unsupported level,
// an out-of-block altitude and time without text, the processing method's text.
TEST_P(Gps, UninterpretedEntriesKeepTheReaderText)
{
    const std::uint16_t movement[] = {0x0B, 0x0D, 0x0F, 0x11, 0x18, 0x1A};
    const std::string method = std::string("ASCII\0\0\0", 8) + "GPS-FIX  ";
    GpsLayout l(GetParam());
    for (std::uint16_t tag : movement)
        l.b.rationals(l.gps, tag, {{5, 2}});
    l.b.field(l.gps, 0x05, 1, 1, {1}).raw(l.gps, 0x06, 5, 1, 0xFFFFFFF8).raw(l.gps, 0x07, 5, 3, 0xFFFFFFE0);
    l.b.undefined(l.gps, 0x1B, test::bytes(method.begin(), method.end()));
    Parsed p(l);
    for (std::uint16_t tag : movement) {
        EXPECT_EQ(p.text(tag), "2.5") << tag;
        EXPECT_EQ(p.gps(tag)->lvl, LVL_UNKNOWN) << tag;
    }
    EXPECT_EQ(p.text(0x06), "<null>");
    EXPECT_EQ(p.text(0x07), "<null>");
    EXPECT_EQ(p.text(0x1B), "GPS-FIX");
    EXPECT_EQ(p.gps(0x1B)->lvl, LVL_IMAGE);
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, Gps, ::testing::Values(ORDER_LITTLE, ORDER_BIG),
                         [](const auto& info) { return info.param == ORDER_BIG ? "Big" : "Little"; });

}  // namespace
}  // namespace exifkit
