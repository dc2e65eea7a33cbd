// Casio maker notes: the plain and "QVC" layouts in both byte orders, one
// directory only, and table texts without interpretation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "makers/casio.h"
#include "makers/noteblocks.h"
#include "support/recording.h"
#include "support/scanning.h"

namespace exifkit {
namespace {

using namespace std::string_literals;
using test::textof;

constexpr const char* UNSUPPORTED = "Casio maker note version not supported";
const std::string CASIO = "CASIO COMPUTER CO.,LTD.";

class CasioNote : public testing::TestWithParam<int> {};

// The directory behind the note's is not read: the link is ignored.
TEST_P(CasioNote, PlainDirectoryGetsTableTextsOnly)
{
    test::TiffBuilder b = test::noteblock(GetParam(), CASIO);
    const int behind = b.dir();
    b.chain(test::NOTE_DIR, behind).shorts(behind, 0x0002, {3});
    b.shorts(test::NOTE_DIR, 0x000c, {2}).shorts(test::NOTE_DIR, 0x0007, {129}).longs(test::NOTE_DIR, 0x0006, {1500});
    b.shorts(test::NOTE_DIR, 0x0014, {7}).shorts(test::NOTE_EXIF, 0xA408, {0});
    test::RecordingSink sink;
    const test::Scanned s = test::parse(b.exif());
    EXPECT_EQ(textof(s.find(0x000c, casio_tags0)), "High");
    EXPECT_EQ(textof(s.find(0x0007, casio_tags0)), "Manual");
    EXPECT_EQ(textof(s.find(0x0014, casio_tags0)), "Unknown");
    EXPECT_EQ(textof(s.find(0x0006, casio_tags0)), "<none>");
    EXPECT_EQ(s.find(0x0006, casio_tags0)->value, 1500u);
    EXPECT_EQ(s.find(0x0002, casio_tags0), nullptr);
    EXPECT_EQ(s.find(0x000c, casio_tags0)->override, 0);
    EXPECT_EQ(s.find(0xA408)->lvl, LVL_IMAGE);
    EXPECT_TRUE(sink.warnings.empty());
}

TEST_P(CasioNote, QvcDirectoryIsReadWithTheWarning)
{
    test::TiffBuilder b = test::noteblock(GetParam(), CASIO, test::bytesof("QVC\0\0\0"s));
    b.ascii(test::NOTE_DIR, 0x2001, "0301").ascii(test::NOTE_DIR, 0x3006, "San Jose").shorts(test::NOTE_DIR, 0x000c, {2});
    test::RecordingSink sink;
    const test::Scanned s = test::parse(b.exif());
    EXPECT_EQ(textof(s.find(0x2001, casio_tags1)), "0301");
    EXPECT_EQ(textof(s.find(0x3006, casio_tags1)), "San Jose");
    EXPECT_EQ(s.find(0x000c, casio_tags1)->name, "CasioUnknown"s);
    EXPECT_EQ(sink.messages(), std::vector<std::string>{UNSUPPORTED});
}

TEST_P(CasioNote, NotesShorterThanTheHeaderAreRefused)
{
    const test::bytes note = test::shortnote(GetParam(), test::bytesof("QVC\0\0\0"s), {{0x2001, 1}});
    for (std::size_t cut : {note.size() - 5, note.size() - 3}) {
        test::RecordingSink sink;
        const test::Scanned s = test::parse(test::rawnoteblock(GetParam(), CASIO, note, cut));
        EXPECT_EQ(s.find(0x2001, casio_tags1), nullptr);
        EXPECT_EQ(sink.messages(), std::vector<std::string>{UNSUPPORTED}) << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, CasioNote, testing::Values(ORDER_LITTLE, ORDER_BIG),
                         test::ordername<testing::TestParamInfo<int>>);

}  // namespace
}  // namespace exifkit
