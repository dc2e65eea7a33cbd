// Nikon maker notes: the three layouts and their refusals, the value texts in
// every pairing of byte orders, the overrides and the faults mended.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "makers/nikon.h"
#include "support/exifbuilder.h"
#include "support/recording.h"
#include "support/scanning.h"

namespace exifkit {
namespace {

using test::bytes;
using test::RecordingSink;
using test::Scanned;
using test::textof;
using test::TiffBuilder;
using Fill = std::function<void(TiffBuilder&, int)>;
using Strings = std::vector<std::string>;

enum Layout { PLAIN, V1, V2 };
constexpr int IFD0 = 0, EXIF = 1;
const int orders[][2] = {{ORDER_LITTLE, ORDER_LITTLE}, {ORDER_BIG, ORDER_BIG}, {ORDER_LITTLE, ORDER_BIG},
                         {ORDER_BIG, ORDER_LITTLE}};

bytes cat(bytes a, const bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

bytes signature(std::uint16_t version)
{
    const auto hi = static_cast<unsigned char>(version >> 8), lo = static_cast<unsigned char>(version);
    return {'N', 'i', 'k', 'o', 'n', 0, hi, lo, 0, 0};
}

// A NIKON file with WhiteBalance and Saturation shown, whose Exif directory
// ends with the maker note: the note's data stand last in the block.
TiffBuilder nikonfile(int order)
{
    TiffBuilder b(order);
    b.dir(), b.dir();
    b.ascii(IFD0, 0x010F, "NIKON CORPORATION").pointer(IFD0, 0x8769, EXIF);
    b.shorts(EXIF, 0xA403, {0}).shorts(EXIF, 0xA409, {0});
    return b;
}

// The note in a layout, holding what fill adds. A version-2 note has a byte
// order of its own (inner); the others share the block's (outer).
bytes nikonexif(Layout layout, int outer, int inner, const Fill& fill)
{
    TiffBuilder b = nikonfile(outer), note(inner);
    if (layout == V2) {
        fill(note, note.dir());
        return b.undefined(EXIF, 0x927C, cat(signature(0x0210), note.tiff())).exif();
    }
    fill(b, b.dir());
    return b.note(EXIF, 2, layout == V1 ? bytes{'N', 'i', 'k', 'o', 'n', 0, 1, 0} : bytes{}).exif();
}

TEST(NikonLayouts, EachLayoutReadsItsTableWithItsOriginAndByteOrder)
{
    const Fill v2 = [](TiffBuilder& b, int d) { b.shorts(d, 0x0002, {0, 200}).rationals(d, 0x0085, {{150, 100}}); };
    const Fill v1 = [](TiffBuilder& b, int d) { b.shorts(d, 0x0003, {6}).rationals(d, 0x000A, {{3, 2}}); };
    for (const auto& [outer, inner] : orders)
        for (Layout layout : {PLAIN, V1, V2}) {
            RecordingSink sink;
            const Scanned s = test::parse(nikonexif(layout, outer, inner, layout == V1 ? v1 : v2));
            const tag_def* table = layout == V1 ? nikon_tags0 : nikon_tags1;
            EXPECT_TRUE(sink.warnings.empty());
            EXPECT_EQ(s.info->mkrview.order, layout == V2 ? inner : outer);
            EXPECT_EQ(textof(s.find(layout == V1 ? 0x0003 : 0x0002, table)), layout == V1 ? "SXGA Fine" : "200");
            EXPECT_EQ(textof(s.find(layout == V1 ? 0x000A : 0x0085, table)), layout == V1 ? "x1.5" : "x1.5 m");
        }
}

// The note stands last in the block, so a short note is one cut by the block's end.
TEST(NikonLayouts, RefusesUnknownVersionsAndBrokenOrTruncatedHeaders)
{
    TiffBuilder inner(ORDER_BIG);
    inner.shorts(inner.dir(), 0x0002, {0, 200});
    const bytes tiff = inner.tiff(), sig = signature(0x0210), rest(tiff.begin() + 8, tiff.end());
    const std::string version = "Nikon maker note version not supported", header = "invalid Nikon TIFF header";
    const struct { bytes note; std::string warning; } cases[] = {
        {cat(signature(0x0300), tiff), version},
        {cat(signature(0x0101), tiff), version},
        {cat(sig, cat({'M', 'I', 0, 42, 0, 0, 0, 8}, rest)), header},
        {cat(sig, cat({'M', 'M', 0, 43, 0, 0, 0, 8}, rest)), header},
        {cat(sig, bytes(tiff.begin(), tiff.begin() + 7)), header},
        {bytes(sig.begin(), sig.begin() + 7), version},
        {bytes{'N', 'i', 'k', 'o', 'n'}, ""},
        {cat(sig, cat({'M', 'M', 0, 42, 0xFF, 0xFF, 0xFF, 0xF0}, rest)), ""},
        {bytes{'N', 'i', 'k', 'o', 'n', 0, 1, 0, 9}, ""},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& c : cases) {
            RecordingSink sink;
            const Scanned s = test::parse(nikonfile(order).undefined(EXIF, 0x927C, c.note).exif());
            EXPECT_EQ(s.find(0x0002, nikon_tags1), nullptr) << &c - cases;
            EXPECT_EQ(sink.messages(), c.warning.empty() ? Strings{} : Strings{c.warning}) << &c - cases;
        }
}

// A field as stored: bytes for BYTE and UNDEFINED, numbers for SHORT, SSHORT and
// LONG, numerator-denominator pairs for rationals, or an ASCII text.
struct field {
    std::uint16_t tag, type;
    std::vector<std::uint32_t> v;
    std::string ascii = {};
};

void addfield(TiffBuilder& b, int d, const field& f)
{
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs;
    for (std::size_t i = 0; i + 1 < f.v.size(); i += 2)
        pairs.emplace_back(f.v[i], f.v[i + 1]);
    if (f.type == TYPE_ASCII)
        b.ascii(d, f.tag, f.ascii);
    else if (f.type == TYPE_SHORT || f.type == TYPE_SSHORT)
        b.shorts(d, f.tag, std::vector<std::uint16_t>(f.v.begin(), f.v.end()), f.type);
    else if (f.type == TYPE_LONG)
        b.longs(d, f.tag, f.v);
    else if (f.type == TYPE_RATIONAL || f.type == TYPE_SRATIONAL)
        b.rationals(d, f.tag, pairs, f.type);
    else
        b.undefined(d, f.tag, bytes(f.v.begin(), f.v.end()), f.type);
}

// Signed flash compensation, zero denominators and a lens range whose count
// leaves its four rationals past the block's end are faults mended.
TEST(NikonValues, FormulasGiveTheSameTextsInEveryPairingOfByteOrders)
{
    constexpr std::uint16_t I = LVL_IMAGE, V = LVL_VERBOSE;
    const struct { field f; const char* text; std::uint16_t lvl = I; Layout layout = V2; } cases[] = {
        {{0x0001, 7, {'0', '2', '1', '0'}}, "2.10", V},       {{0x0001, 7, {'0', '1', '0', '0'}}, "1.0", V},
        {{0x0002, 3, {0, 200}}, "200"},                       {{0x0013, 3, {0, 0}}, "0", V},
        {{0x0012, 7, {6, 0, 0, 0}}, "1.0 EV"},                {{0x0012, 7, {0xFA, 0, 0, 0}}, "-1.0 EV"},
        {{0x0018, 7, {0x80, 1, 2, 3}}, "-21.3 EV"},           {{0x0019, 10, {0xFFFFFFFE, 3}}, "-0.7 EV"},
        {{0x0019, 10, {1, 0}}, "n/a", V},                     {{0x0019, 10, {0, 0}}, "0.0 EV"},
        {{0x0083, 1, {14}}, "Nikon G Series"},                {{0x0083, 1, {7}}, "Unknown"},
        {{0x0084, 5, {50, 1, 50, 1, 14, 10, 14, 10}}, "50.0 mm; f/1.4"},
        {{0x0084, 5, {50, 1, 100, 2, 14, 10, 14, 10}}, "50.0 - 50.0 mm; f/1.4"},
        {{0x0084, 5, {50, 1, 50, 1, 14, 10, 28, 10}}, "50.0 mm; f/1.4 - f/2.8"},
        {{0x0084, 5, {18, 1, 70, 1, 35, 10, 35, 10}}, "18.0 - 70.0 mm; f/3.5"},
        {{0x0084, 5, {18, 1, 70, 1, 35, 10, 45, 10}}, "18.0 - 70.0 mm; f/3.5 - f/4.5"},
        {{0x0084, 5, {18, 0, 70, 1, 35, 10, 45, 10}}, "n/a", V},
        {{0x0084, 5, {18, 1, 70, 1, 0, 0, 45, 10}}, "n/a", V}, {{0x0084, 5, {50, 1}}, "50"},
        {{0x0085, 5, {100, 100}}, "n/a", V},                  {{0x0085, 5, {0, 100}}, "x0.0 m"},
        {{0x0085, 5, {5, 0}}, "n/a", V},                      {{0x0086, 5, {200, 100}}, "x2.0"},
        {{0x0086, 5, {0, 100}}, "None", V},                   {{0x0086, 5, {3, 0}}, "None", V},
        {{0x0088, 7, {0, 0, 0, 0}}, "Center"},                {{0x0088, 7, {0, 0, 1, 0}}, "Top"},
        {{0x0088, 7, {1, 0, 0, 0}}, "Dynamic Area, Center"},
        {{0x0088, 7, {1, 2, 0, 3}}, "Dynamic Area, Bottom Selected, Left Focused"},
        {{0x0089, 1, {0x03}}, "Remote Timer/Off"},            {{0x0089, 1, {0x11}}, "Continuous/On"},
        {{0x0089, 3, {0x5100}}, "Continuous/On, White Balance"},
        {{0x0089, 4, {0x44}}, "Single Frame/Off, White Balance"},
        {{0x008D, 2, {}, "MODE1a"}, "Portrait sRGB"},         {{0x008D, 2, {}, "MODE1"}, "MODE1"},
        {{0x008D, 2, {}, "MODE2"}, "Adobe RGB"},              {{0x008D, 2, {}, "MODE3a+"}, "Landscape sRGB"},
        {{0x0094, 8, {0xFFFD}}, "Black & White"},             {{0x0094, 8, {1}}, "<none>", V},
        {{0x00A0, 2, {}, "NO= 3012345"}, "3012345", LVL_CAMERA}, {{0x00A0, 2, {}, "  3012345"}, "3012345", LVL_CAMERA},
        {{0x000A, 5, {0, 100}}, "None", V, V1},               {{0x000A, 5, {5, 0}}, "None", V, V1},
        {{0x0086, 5, {0, 100}}, "None", V, PLAIN},
    };
    for (const auto& [outer, inner] : orders)
        for (const auto& c : cases) {
            const Fill fill = [&](TiffBuilder& b, int d) { addfield(b, d, c.f); };
            const Scanned s = test::parse(nikonexif(c.layout, outer, inner, fill));
            const exif_prop* p = s.find(c.f.tag, c.layout == V1 ? nikon_tags0 : nikon_tags1);
            ASSERT_NE(p, nullptr) << &c - cases;
            EXPECT_EQ(textof(p), c.text) << outer << inner;
            EXPECT_EQ(p->lvl, c.lvl) << c.text;
        }
}

// Mismatched fields are reported, then interpreted all the same (see 0x0089 as LONG above).
TEST(NikonValues, OverridesAndTypeOrCountMismatches)
{
    const struct { Fill fill; std::uint16_t whitebalance, saturation; Strings warnings; } cases[] = {
        {[](TiffBuilder& b, int d) { b.ascii(d, 0x0005, "AUTO").shorts(d, 0x0094, {0}, TYPE_SSHORT); },
         LVL_OVERRIDE, LVL_OVERRIDE, {}},
        {[](TiffBuilder& b, int d) { b.shorts(d, 0x0094, {2}, TYPE_SSHORT).ascii(d, 0x00AA, "NORMAL"); },
         LVL_IMAGE, LVL_OVERRIDE, {}},
        {[](TiffBuilder& b, int d) { b.longs(d, 0x0012, {0x0C000000}).shorts(d, 0x0002, {0, 400, 0}); },
         LVL_IMAGE, LVL_IMAGE, {"field type mismatch", "field count mismatch", "field count mismatch"}},
    };
    for (const auto& c : cases) {
        RecordingSink sink;
        const Scanned s = test::parse(nikonexif(PLAIN, ORDER_BIG, ORDER_BIG, c.fill));
        EXPECT_EQ(s.find(0xA403)->lvl, c.whitebalance);
        EXPECT_EQ(s.find(0xA409)->lvl, c.saturation);
        EXPECT_EQ(sink.messages(), c.warnings);
    }
}

// The autofocus text replaces an earlier one without a word on standard output.
TEST(NikonFaults, AutofocusReplacesAnEarlierTextQuietly)
{
    testing::internal::CaptureStdout();
    test::TraceCapture capture;
    const Scanned s = test::parse(nikonexif(V2, ORDER_BIG, ORDER_LITTLE, [](TiffBuilder& b, int d) {
        b.field(d, 0x0088, TYPE_ASCII, 4, {0, 0, 2, 0});
    }));
    EXPECT_EQ(textof(s.find(0x0088, nikon_tags1)), "Bottom");
    EXPECT_NE(capture.text().find("NikonAutoFocus: replacing the text \"\""), std::string::npos);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

}  // namespace
}  // namespace exifkit
