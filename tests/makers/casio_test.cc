// Casio maker notes: the plain and "QVC" layouts in both byte orders, one
// directory only, table texts without interpretation.
#include <gtest/gtest.h>

#include "makers/casio.h"
#include "support/makernote.h"
#include "support/recording.h"

namespace exifkit {
namespace {

using namespace std::string_literals;

TEST(CasioNote, LayoutsAndRefusalsInBothByteOrders)
{
    const struct { std::string header; std::size_t keep; const tag_def* table; } cases[] = {
        {"", SIZE_MAX, casio_tags0}, {"QVC\0\0\0"s, SIZE_MAX, casio_tags1}, {"QVC\0\0\0"s, 5, nullptr}, {"", 3, nullptr},
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& c : cases) {
            test::RecordingSink sink;
            const test::Scanned s = test::readnote(order, "CASIO", c.header, {{0x000c, 2}}, order, c.keep);
            EXPECT_EQ(test::textof(s.find(0x000c, casio_tags0)), c.table == casio_tags0 ? "High" : "<no property>");
            EXPECT_EQ(s.find(0x000c, casio_tags1) != nullptr, c.table == casio_tags1) << order << c.keep;
            EXPECT_EQ(sink.has("Casio maker note version not supported"), c.table != casio_tags0) << order << c.keep;
        }
}

// The directory chained behind is not read; nothing supersedes the standard Contrast.
TEST(CasioNote, OneDirectoryNoInterpretation)
{
    for (int order : {ORDER_LITTLE, ORDER_BIG}) {
        test::TiffBuilder b = test::noteblock(order, "CASIO");
        const int behind = b.dir();
        b.chain(test::NOTE_DIR, behind).shorts(behind, 0x0002, {3}).shorts(test::NOTE_EXIF, 0xA408, {0});
        b.shorts(test::NOTE_DIR, 0x000c, {2}).shorts(test::NOTE_DIR, 0x0007, {129});
        const test::Scanned s = test::parse(b.exif());
        EXPECT_EQ(test::textof(s.find(0x0007, casio_tags0)), "Manual");
        EXPECT_EQ(s.find(0x0002, casio_tags0), nullptr);
        EXPECT_EQ(s.find(0xA408)->lvl, LVL_IMAGE);
    }
}

}  // namespace
}  // namespace exifkit
