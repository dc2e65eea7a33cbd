// Sigma maker notes: the two headers and the refusals in both byte orders, and
// the removal of the labels in front of the values.
#include <gtest/gtest.h>

#include "support/makernote.h"
#include "makers/sigma.h"
#include "support/recording.h"

namespace exifkit {
namespace {

using namespace std::string_literals;

// The directory starts ten bytes in, behind the signature and two bytes more.
TEST(SigmaNote, HeadersAndRefusals)
{
    const struct { std::string header; std::size_t keep; bool read; } cases[] = {
        {"SIGMA\0\0\0\x01\0"s, SIZE_MAX, true}, {"FOVEON\0\0\x01\0"s, SIZE_MAX, true},
        {"SIGMA2\0\0\x01\0"s, SIZE_MAX, false}, {"FOVEON\0\0\x01\0"s, 9, false},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& c : cases) {
            test::RecordingSink sink;
            const test::Scanned s = test::readnote(order, "SIGMA", c.header, {{0x0002, 1}}, order, c.keep);
            EXPECT_EQ(s.find(0x0002, sigma_tags) != nullptr, c.read) << order << " " << &c - cases;
            EXPECT_EQ(sink.has("Sigma maker note version not supported"), !c.read) << order << " " << &c - cases;
        }
}

// Only the tag's own label, whole and in its case, goes; leading spaces stay.
// Fields without text (another type, data outside the block) are left alone.
TEST(SigmaNote, LabelsAreRemoved)
{
    const struct { std::uint16_t tag; const char *stored, *text; } cases[] = {
        {0x000d, "Cont:+0.3", "+0.3"}, {0x000d, "Contrast", "Contrast"}, {0x000d, "cont:+0.3", "cont:+0.3"},
        {0x000c, "+1.0", "+1.0"},      {0x000c, "Expo: -0.7", " -0.7"},  {0x0014, "CC:0", "0"},
        {0x0016, "Qual:12", "12"},     {0x0012, "Fill:", ""},            {0x0011, "Cont:1", "Cont:1"},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& c : cases) {
            test::TiffBuilder b = test::noteblock(order, "SIGMA", "FOVEON\0\0\x01\0"s);
            b.ascii(test::NOTE_DIR, c.tag, c.stored).shorts(test::NOTE_DIR, 0x000e, {7});
            const test::Scanned s = test::parse(b.raw(test::NOTE_DIR, 0x000f, 2, 20, 0xFFFFFFF0).exif());
            EXPECT_EQ(test::textof(s.find(c.tag, sigma_tags)), c.text) << c.stored;
            EXPECT_EQ(test::textof(s.find(0x000e, sigma_tags)), "<none>");
        }
}

}  // namespace
}  // namespace exifkit
