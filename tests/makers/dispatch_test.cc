// Maker-note dispatch with a real maker: the note reaches the maker's reader
// with its offset and the main view, and a maker value that supersedes a
// standard one moves that one to the "other" group.
#include <gtest/gtest.h>

#include "exifkit/makers.h"
#include "makers/canon.h"
#include "support/exifbuilder.h"
#include "support/scanning.h"

namespace exifkit {
namespace {

using test::Scanned;
using test::TiffBuilder;

constexpr int IFD0 = 0, EXIF = 1, NOTE = 2;

// A Canon block whose note holds a shot-information array with white balance 1.
TiffBuilder canonblock(int order)
{
    TiffBuilder b(order);
    for (int d : {IFD0, EXIF, NOTE})
        EXPECT_EQ(b.dir(), d);
    b.ascii(IFD0, 0x010F, "Canon").pointer(IFD0, 0x8769, EXIF).note(EXIF, NOTE);
    b.shorts(NOTE, 0x0004, {16, 0, 0, 0, 0, 0, 0, 1});
    return b;
}

TEST(MakerDispatch, CanonNoteReachesItsReaderWithTheMainView)
{
    for (int order : {ORDER_LITTLE, ORDER_BIG}) {
        const TiffBuilder b = canonblock(order);
        const Scanned s = test::scan(b.exif());
        const exif_prop* array = s.find(0x0004, canon_tags);
        ASSERT_NE(array, nullptr);
        EXPECT_EQ(array->par, s.find(0x927C));
        EXPECT_EQ(array->par->value, b.diroffset(NOTE));
        EXPECT_EQ(s.info->mkrview.order, order);
        EXPECT_EQ(s.info->mkrview.base, s.info->tiff.base);
        EXPECT_EQ(s.info->mkrview.end, s.info->tiff.end);

        tiff_view view = s.info->tiff;
        ifd_block* dir = canon_ifd(b.diroffset(NOTE), &view);
        ASSERT_NE(dir, nullptr);
        EXPECT_EQ(dir->num, 1);
        EXPECT_EQ(dir->tagset, canon_tags);
        EXPECT_TRUE(view.base == s.info->tiff.base && view.order == order);
        ifdfree(dir);
        EXPECT_EQ(canon_ifd(0xFFFFFFF0, &view), nullptr);
    }
}

// Only a standard value that is shown is pushed down; one already among the
// "other" properties (here the thumbnail directory's) stays where it is.
TEST(MakerDispatch, OverrideMovesAShownStandardWhiteBalanceToOther)
{
    for (int order : {ORDER_LITTLE, ORDER_BIG}) {
        TiffBuilder shown = canonblock(order), thumbnail = canonblock(order);
        shown.shorts(EXIF, 0xA403, {0});
        const int ifd1 = thumbnail.dir();
        thumbnail.chain(IFD0, ifd1).shorts(ifd1, 0xA403, {0});
        const Scanned s = test::parse(shown.exif()), t = test::parse(thumbnail.exif());
        EXPECT_EQ(s.find(7, canon_tags04)->override, 0xA403);
        EXPECT_EQ(s.find(0xA403)->lvl, LVL_OVERRIDE);
        EXPECT_EQ(t.find(0xA403)->lvl, LVL_VERBOSE);
    }
}

}  // namespace
}  // namespace exifkit
