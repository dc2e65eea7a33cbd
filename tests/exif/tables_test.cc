// Structure of the constant tag, value and type tables, and the rows most prone to slips.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <utility>

#include "exif/tables.h"
#include "exifkit/exif.h"

namespace exifkit {
namespace {

constexpr std::uint16_t END_TAG = 0xFFFF;

const tag_def& rowOf(const tag_def* table, std::uint16_t tag)
{
    while (table->tag != tag && table->tag != END_TAG)
        ++table;
    return *table;
}

// Every field of a row, the value table by address.
std::string show(const tag_def& row)
{
    std::ostringstream out;
    out << std::hex << row.tag << std::dec << " " << row.type << " " << row.count << " " << row.lvl << " "
        << row.name << " " << (row.descr ? row.descr : "<null>") << " " << row.table;
    return out.str();
}

// The first row's text for the value, else the end row's; "<no end>" without an end row in reach.
std::string textOf(const descr_entry* table, std::int32_t value)
{
    for (int i = 0; table && i < 64; ++i)
        if (table[i].val == value || table[i].val == -1)
            return table[i].descr ? table[i].descr : "<null>";
    return "<no end>";
}

TEST(TagTables, SentinelsLengthsAscendingTagsAndValueTablesEndingWithDefault)
{
    for (const auto& [table, rows] : {std::pair<const tag_def*, int>{tags, 99}, {gpstags, 31}}) {
        int n = 0;
        for (; table[n].tag != END_TAG && n < rows; ++n) {
            EXPECT_LT(table[n].tag, table[n + 1].tag) << table[n].name;
            EXPECT_TRUE(!table[n].table || textOf(table[n].table, -1) != "<no end>") << table[n].name;
        }
        ASSERT_EQ(n, rows);
        EXPECT_EQ(show(table[rows]), show({END_TAG, 0, 0, LVL_UNKNOWN, "Unknown", nullptr, nullptr}));
    }
    for (const descr_entry* table : {flash_fire, flash_return, flash_mode, flash_func, flash_redeye, filesrcs})
        EXPECT_NE(textOf(table, -1), "<no end>");
}

TEST(TagTables, SpotRowsAndValueTexts)
{
    const struct { const tag_def* table; tag_def row; } cases[] = {
        {tags, {0x0211, 5, 3, LVL_VERBOSE, "YCbCrCoefficients", "Color Space Xform Matrix Coeff's", nullptr}},
        {tags, {0x828e, 0, 0, LVL_UNKNOWN, "CFAPattern", nullptr, nullptr}},
        {tags, {0x9291, 2, 0, LVL_VERBOSE, "SubsecTimeOrginal", "DateTimeOriginal Second Fraction", nullptr}},
        {tags, {0xa002, 0, 1, LVL_IMAGE, "PixelXDimension", "Image Width", nullptr}},
        {tags, {0xa302, 7, 0, LVL_CAMERA, "CFAPattern", "Color Filter Array Pattern", nullptr}},
        {tags, {0xa420, 2, 33, LVL_IMAGE, "ImageUniqueID", "Unique Image ID", nullptr}},
        {gpstags, {0x001e, 3, 1, LVL_IMAGE, "GPSDifferental", "GPS Differential Correction", gps_diff}},
    };
    for (const auto& [table, want] : cases)
        EXPECT_EQ(show(rowOf(table, want.tag)), show(want));

    const struct { std::uint16_t tag; std::int32_t value; const char* text; } values[] = {
        {0x9207, 0, "Unknown"}, {0x9207, 255, "Other"}, {0x9208, 24, "ISO Studio Tungsten"},
        {0xa408, 2, "Hard"},    {0xa40a, 2, "Hard"},    {0xa210, 7, ""},
    };
    for (const auto& c : values)
        EXPECT_EQ(textOf(rowOf(tags, c.tag).table, c.value), c.text) << std::hex << c.tag << " " << c.value;
    EXPECT_EQ(rowOf(tags, 0x9207).table[0].val, 0);  // its own row, not the end row
}

TEST(ValueTables, UserCommentCodesEndAndFieldTypeSizes)
{
    EXPECT_EQ(std::string(ucomment[0].code, UCOMMENT_CODE_LEN), std::string("ASCII\0\0\0", 8));
    EXPECT_EQ(ucomment[4].code, nullptr);
    EXPECT_EQ(ucomment[4].type, 7);

    const int sizes[] = {1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(std::pair(int{ftypes[i].type}, ftypes[i].size), std::pair(i + 1, sizes[i])) << ftypes[i].name;
    EXPECT_EQ(ftypes[12].type, 0);
}

}  // namespace
}  // namespace exifkit
