// GPS directory texts. The version and reference letters are read from the value
// field in file order and the rationals in the block's, so both byte orders run.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "exifkit/exif.h"
#include "support/exifbuilder.h"
#include "support/recording.h"
#include "support/scanning.h"

namespace exifkit {
namespace {

using test::TiffBuilder;
using ratios = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

constexpr int GPS = 1;
constexpr const char* COORDINATE_WARNING = "unexpected GPS coordinate values";

// IFD0 with a GPSInfo pointer to a GPS directory.
TiffBuilder layout(int order)
{
    TiffBuilder b(order);
    const int ifd0 = b.dir();
    return b.pointer(ifd0, 0x8825, b.dir());
}

// The text of a GPS entry after exifparse on a heap copy of the block, less its last cut bytes.
std::string text(const TiffBuilder& b, std::uint16_t tag, std::size_t cut = 0)
{
    const test::bytes block = b.exif();
    const std::size_t size = block.size() - cut;
    const std::unique_ptr<unsigned char[]> copy(new unsigned char[size]);
    std::memcpy(copy.get(), block.data(), size);
    const exif_info_ptr info(exifparse(copy.get(), static_cast<std::uint32_t>(size)));
    return test::textof(findprop(info->props, gpstags, tag));
}

class Gps : public ::testing::TestWithParam<int> {
protected:
    test::RecordingSink sink;
};

// The version's bytes and reference letters; a version stored as text keeps it.
TEST_P(Gps, ValueFieldTexts)
{
    const struct { std::uint16_t tag, type; test::bytes field; const char* text; } cases[] = {
        {0x00, 1, {2, 2, 0, 0}, "2.2.0.0"}, {0x00, 2, {'2', '.', '1', 0}, "2.1"},  {0x01, 2, {'S', 0}, "S"},
        {0x09, 2, {'V', 0}, "Measurement Interoperability"}, {0x0C, 2, {'K', 0}, "km/h"}, {0x0C, 2, {'X', 0}, ""},
        {0x0E, 2, {'T', 0}, "True North"}, {0x10, 2, {'X', 0}, "Unknown"}, {0x19, 2, {'M', 0}, "mi"},
    };
    for (const auto& c : cases) {
        TiffBuilder b = layout(GetParam());
        b.field(GPS, c.tag, c.type, static_cast<std::uint32_t>(c.field.size()), c.field);
        EXPECT_EQ(text(b, c.tag), c.text) << std::hex << c.tag;
    }
}

// Coordinates, altitude, time stamp, and movement values that keep the reader's text.
// ref: value of the entry one tag lower (reference letter or altitude reference), placed behind; -1: none.
TEST_P(Gps, RationalTexts)
{
    const struct { std::uint16_t tag; ratios values; int ref; const char* text; } cases[] = {
        {0x02, {{37, 1}, {465, 10}, {0, 1}}, 'N', "N 37\xB0 46.5'"},
        {0x04, {{0, 100}, {30, 1}, {0, 1}}, 'E', "E 0\xB0 30'"}, {0x02, {{1, 0}, {1, 0}, {1, 0}}, -1, " 0\xB0 0'"},
        {0x14, {{3725, 100}, {0, 100}, {0, 1}}, 'S', "S 37.25\xB0 0'"},
        {0x16, {{37, 1}, {2790, 60}, {0, 1}}, 'W', "W 37\xB0 46.5'"},
        {0x02, {{37, 1}, {46, 1}, {301, 10}}, 'S', "S 37\xB0 46' 30.1"},
        {0x02, {{0xFFFFFFFF, 0xFFFFFFFF}, {0xFFFFFFFF, 3}, {0xFFFFFFFF, 7}}, 'N', "N 1.000000000\xB0 1431655765' 613"},
        {0x06, {{1234, 10}}, -1, "123.40 m"}, {0x06, {{1234, 10}}, 0, "123.40 m"}, {0x06, {{1234, 10}}, 1, "-123.40 m"},
        {0x06, {{0, 1}}, 1, "0.00 m"},        {0x06, {{5, 0}}, 1, "0.00 m"},       {0x06, {{1, 1000}}, 1, "0.00 m"},
        {0x07, {{9, 1}, {5, 1}, {7, 1}}, -1, "09:05:07"}, {0x07, {{9, 1}, {5, 1}, {55, 10}}, -1, "09:05:5.5"},
        {0x07, {{9, 1}, {5, 0}, {7, 1}}, -1, "09"},       {0x07, {{9, 0}, {5, 1}, {7, 1}}, -1, ""},
        {0x07, {{1, 1}, {2, 1}, {3, 1}, {4, 1}}, -1, "01:02:03"},
        {0x07, {{0xFFFFFFFF, 1}, {0xFFFFFFFF, 1}, {1, 0xFFFFFFFF}}, -1, "4294967:429496:0.0000"},
        {0x0B, {{5, 2}}, -1, "2.5"}, {0x0D, {{5, 2}}, -1, "2.5"}, {0x0F, {{5, 2}}, -1, "2.5"},
        {0x11, {{5, 2}}, -1, "2.5"}, {0x18, {{5, 2}}, -1, "2.5"}, {0x1A, {{5, 2}}, -1, "2.5"},
    };
    for (const auto& c : cases) {
        TiffBuilder b = layout(GetParam());
        b.rationals(GPS, c.tag, c.values);
        const std::uint16_t reftype = c.tag == 0x06 ? 1 : 2;  // BYTE or ASCII
        if (c.ref >= 0)
            b.field(GPS, static_cast<std::uint16_t>(c.tag - 1), reftype, reftype, {static_cast<unsigned char>(c.ref)});
        EXPECT_EQ(text(b, c.tag), c.text);
    }
    EXPECT_FALSE(sink.has(COORDINATE_WARNING));
}

// A coordinate count other than 3 keeps the reader's text; rationals far outside
// the block or straddling its end have none, and coordinates warn.
TEST_P(Gps, UnexpectedCoordinatesAndRationalsOutsideTheBlock)
{
    TiffBuilder two = layout(GetParam()), far = layout(GetParam()), straddle = layout(GetParam());
    two.rationals(GPS, 0x02, {{37, 1}, {465, 10}}).rationals(GPS, 0x06, {{1, 1}});
    far.raw(GPS, 0x02, 5, 3, 0xFFFFFFF0).field(GPS, 0x05, 1, 1, {1}).raw(GPS, 0x06, 5, 1, 0xFFFFFFF8);
    far.raw(GPS, 0x07, 5, 3, 0xFFFFFFE0);
    straddle.rationals(GPS, 0x02, {{37, 1}, {465, 10}, {0, 1}});
    auto warnedtext = [&](const TiffBuilder& b, std::size_t cut) {
        sink.warnings.clear();
        const std::string t = text(b, 0x02, cut);
        return sink.has(COORDINATE_WARNING) ? t : "no warning";
    };
    EXPECT_EQ(warnedtext(two, 0), "37");
    EXPECT_EQ(warnedtext(far, 0), "<none>");
    EXPECT_EQ(warnedtext(straddle, 8), "<none>");
    EXPECT_EQ(text(far, 0x06), "<none>");
    EXPECT_EQ(text(far, 0x07), "<none>");
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, Gps, ::testing::Values(ORDER_LITTLE, ORDER_BIG),
                         test::ordername<::testing::TestParamInfo<int>>);

}  // namespace
}  // namespace exifkit
