// Sigma maker notes: the two headers in both byte orders, the refusals, and
// the removal of the labels in front of the values.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "makers/noteblocks.h"
#include "makers/sigma.h"
#include "support/recording.h"
#include "support/scanning.h"

namespace exifkit {
namespace {

using namespace std::string_literals;
using test::textof;

constexpr const char* REFUSED = "Sigma maker note version not supported";

class SigmaNote : public testing::TestWithParam<int> {};

// The directory starts ten bytes in, behind the signature and two bytes more.
TEST_P(SigmaNote, HeadersAndRefusals)
{
    const int order = GetParam();
    const struct { std::string header; std::size_t keep; bool read; } cases[] = {
        {"SIGMA\0\0\0\x01\0"s, 99, true}, {"FOVEON\0\0\x01\0"s, 99, true}, {"SIGMA2\0\0\x01\0"s, 99, false},
        {"FOVEON\0\0\x01\0"s, 9, false},  {"SIGMA\0\0\0\x01\0"s, 3, false},
    };
    for (const auto& c : cases) {
        test::TiffBuilder n(order);
        n.header(test::bytesof(c.header)).ascii(n.dir(), 0x0002, "123");
        const test::bytes note = n.tiff();
        test::RecordingSink sink;
        const test::Scanned s = test::parse(
            test::rawnoteblock(order, "SIGMA", note, note.size() - std::min(note.size(), c.keep)));
        EXPECT_EQ(textof(s.find(0x0002, sigma_tags)), c.read ? "123" : "<no property>") << c.header << c.keep;
        EXPECT_EQ(sink.has(REFUSED), !c.read) << c.header << c.keep;
    }
}

// Only the tag's own label, whole and in its case, leaves; leading spaces stay.
TEST_P(SigmaNote, LabelsAreRemoved)
{
    const struct { std::uint16_t tag; const char *stored, *text; } cases[] = {
        {0x000d, "Cont:+0.3", "+0.3"},    {0x000d, "Contrast", "Contrast"}, {0x000d, "cont:+0.3", "cont:+0.3"},
        {0x000c, "+1.0", "+1.0"},         {0x000c, "Expo: -0.7", " -0.7"},  {0x0014, "CC:0", "0"},
        {0x0016, "Qual:12", "12"},        {0x0012, "Fill:", ""},            {0x0011, "Cont:1", "Cont:1"},
        {0x0002, "Shar:1", "Shar:1"},
    };
    for (const auto& c : cases) {
        test::TiffBuilder b = test::noteblock(GetParam(), "SIGMA", test::bytesof("FOVEON\0\0\x01\0"s));
        b.ascii(test::NOTE_DIR, c.tag, c.stored);
        EXPECT_EQ(textof(test::parse(b.exif()).find(c.tag, sigma_tags)), c.text) << c.stored;
    }
    test::TiffBuilder b = test::noteblock(GetParam(), "SIGMA", test::bytesof("SIGMA\0\0\0\x01\0"s));
    b.shorts(test::NOTE_DIR, 0x000d, {7}).raw(test::NOTE_DIR, 0x000e, 2, 20, 0xFFFFFFF0);
    const test::Scanned s = test::parse(b.exif());
    EXPECT_EQ(textof(s.find(0x000d, sigma_tags)), "<none>");
    EXPECT_EQ(textof(s.find(0x000e, sigma_tags)), "<none>");
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, SigmaNote, testing::Values(ORDER_LITTLE, ORDER_BIG),
                         test::ordername<testing::TestParamInfo<int>>);

}  // namespace
}  // namespace exifkit
