// Structure and content checks of the constant tag, value and type tables.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "exif/tables.h"
#include "exifkit/exif.h"

namespace exifkit {
namespace {

constexpr std::uint16_t END_TAG = 0xFFFF;
constexpr int MAX_VALUE_ROWS = 64;

int dataRows(const tag_def* table) {
    int n = 0;
    while (table[n].tag != END_TAG) ++n;
    return n;
}

const tag_def& rowOf(const tag_def* table, std::uint16_t tag) {
    const tag_def* row = table;
    while (row->tag != tag && row->tag != END_TAG) ++row;
    return *row;
}

// Text of the first row with the value, or the end row's text.
std::string textOf(const descr_entry* table, std::int32_t value) {
    const descr_entry* row = table;
    while (row->val != value && row->val != -1) ++row;
    return row->descr;
}

bool endsWithDefaultRow(const descr_entry* table) {
    for (int i = 0; i < MAX_VALUE_ROWS; ++i)
        if (table[i].val == -1) return table[i].descr != nullptr;
    return false;
}

void expectSorted(const tag_def* table) {
    for (int i = 1; table[i - 1].tag != END_TAG; ++i)
        EXPECT_LT(table[i - 1].tag, table[i].tag) << "row " << i;
}

void expectEndRow(const tag_def& row) {
    EXPECT_EQ(row.tag, END_TAG);
    EXPECT_STREQ(row.name, "Unknown");
    EXPECT_EQ(row.descr, nullptr);
    EXPECT_EQ(row.lvl, LVL_UNKNOWN);
    EXPECT_EQ(row.type, 0);
    EXPECT_EQ(row.count, 0);
    EXPECT_EQ(row.table, nullptr);
}

TEST(TagTables, LengthsAndEndRows) {
    ASSERT_EQ(dataRows(tags), 99);
    ASSERT_EQ(dataRows(gpstags), 31);
    expectEndRow(tags[99]);
    expectEndRow(gpstags[31]);
}

TEST(TagTables, TagsStrictlyAscending) {
    expectSorted(tags);
    expectSorted(gpstags);
}

TEST(TagTables, EveryValueTableEndsWithDefaultRow) {
    for (const tag_def* table : {tags, gpstags})
        for (const tag_def* row = table; row->tag != END_TAG; ++row)
            if (row->table) {
                EXPECT_TRUE(endsWithDefaultRow(row->table)) << row->name;
            }
    for (const descr_entry* table : {flash_fire, flash_return, flash_mode, flash_func, flash_redeye,
                                     filesrcs, gps_status, gps_speed, gps_bear, gps_dist, gps_diff})
        EXPECT_TRUE(endsWithDefaultRow(table));
}

struct RowCase {
    const tag_def* table;
    tag_def expected;
    std::int32_t value;       // looked up in the row's value table
    const char* valueText;    // null: the row has no value table
};

TEST(TagTables, SpotRows) {
    const RowCase cases[] = {
        {tags, {0x0102, 3, 3, LVL_IMAGE, "BitsPerSample", "Number of Bits Per Component", nullptr}, 0, nullptr},
        {tags, {0x010a, 0, 0, LVL_UNKNOWN, "FillOrder", nullptr, nullptr}, 0, nullptr},
        {tags, {0x0128, 3, 1, LVL_VERBOSE, "ResolutionUnit", "Resolution Unit", nullptr}, 2, "i"},
        {tags, {0x0132, 2, 20, LVL_IMAGE, "DateTime", "Image Created", nullptr}, 0, nullptr},
        {tags, {0x0211, 5, 3, LVL_VERBOSE, "YCbCrCoefficients", "Color Space Xform Matrix Coeff's", nullptr}, 0, nullptr},
        {tags, {0x828e, 0, 0, LVL_UNKNOWN, "CFAPattern", nullptr, nullptr}, 0, nullptr},
        {tags, {0x8825, 4, 1, LVL_UNKNOWN, "GPSInfo", "GPS Info IFD Pointer", nullptr}, 0, nullptr},
        {tags, {0x9201, 10, 1, LVL_IMAGE, "ShutterSpeedValue", "Shutter Speed", nullptr}, 0, nullptr},
        {tags, {0x9205, 5, 1, LVL_PAS, "MaxApertureValue", "Maximum Lens Aperture", nullptr}, 0, nullptr},
        {tags, {0x9291, 2, 0, LVL_VERBOSE, "SubsecTimeOrginal", "DateTimeOriginal Second Fraction", nullptr}, 0, nullptr},
        {tags, {0xa300, 7, 1, LVL_VERBOSE, "FileSource", "File Source", nullptr}, 0, nullptr},
        {tags, {0xa302, 7, 0, LVL_CAMERA, "CFAPattern", "Color Filter Array Pattern", nullptr}, 0, nullptr},
        {tags, {0xa405, 3, 1, LVL_PAS, "FocalLenIn35mmFilm", "Focal Length (35mm Equiv)", nullptr}, 0, nullptr},
        {tags, {0xa420, 2, 33, LVL_IMAGE, "ImageUniqueID", "Unique Image ID", nullptr}, 0, nullptr},
        {tags, {0xa500, 5, 1, LVL_UNKNOWN, "GammaCoefficient", "Gamma Coefficient", nullptr}, 0, nullptr},
        {gpstags, {0x0000, 1, 4, LVL_VERBOSE, "GPSVersionID", "GPS Info Version", nullptr}, 0, nullptr},
        {gpstags, {0x0007, 5, 3, LVL_IMAGE, "GPSTimeStamp", "Time (UTC)", nullptr}, 0, nullptr},
        {gpstags, {0x001d, 2, 11, LVL_IMAGE, "GPSDateStamp", "Date (UTC)", nullptr}, 0, nullptr},
        {gpstags, {0x001e, 3, 1, LVL_IMAGE, "GPSDifferental", "GPS Differential Correction", nullptr}, 1,
         "Correction Applied"},
    };
    for (const RowCase& c : cases) {
        const tag_def& row = rowOf(c.table, c.expected.tag);
        SCOPED_TRACE(c.expected.name);
        EXPECT_EQ(row.tag, c.expected.tag);
        EXPECT_EQ(row.type, c.expected.type);
        EXPECT_EQ(row.count, c.expected.count);
        EXPECT_EQ(row.lvl, c.expected.lvl);
        EXPECT_STREQ(row.name, c.expected.name);
        EXPECT_STREQ(row.descr, c.expected.descr);
        if (c.valueText) {
            ASSERT_NE(row.table, nullptr);
            EXPECT_EQ(textOf(row.table, c.value), c.valueText);
        } else {
            EXPECT_EQ(row.table, nullptr);
        }
    }
}

struct ValueCase {
    const tag_def* table;
    std::uint16_t tag;
    std::int32_t value;
    const char* text;
};

TEST(TagTables, ValueTexts) {
    const ValueCase cases[] = {
        {tags, 0xa001, 65535, "Uncalibrated"},
        {tags, 0xa001, 2, "Unknown"},
        {tags, 0x0128, 1, ""},
        {tags, 0xa210, 3, "cm"},
        {tags, 0xa210, 7, ""},
        {tags, 0x9207, 255, "Other"},
        {tags, 0x9208, 24, "ISO Studio Tungsten"},
        {tags, 0x0112, 8, "Left-Hand, Bottom"},
        {tags, 0xa408, 2, "Hard"},
        {tags, 0xa40a, 2, "Hard"},
        {tags, 0xa301, 1, "Directly Photographed"},
        {gpstags, 0x0009, 'V', "Measurement Interoperability"},
        {gpstags, 0x000c, 'K', "km/h"},
        {gpstags, 0x000c, 'X', ""},
        {gpstags, 0x000e, 'T', "True North"},
        {gpstags, 0x0010, 'X', "Unknown"},
        {gpstags, 0x0019, 'M', "mi"},
    };
    for (const ValueCase& c : cases) {
        const tag_def& row = rowOf(c.table, c.tag);
        ASSERT_NE(row.table, nullptr) << row.name;
        EXPECT_EQ(textOf(row.table, c.value), c.text) << row.name << " " << c.value;
    }
}

TEST(TagTables, ZeroMeteringAndLightSourceHaveOwnUnknownRow) {
    for (std::uint16_t tag : {0x9207, 0x9208}) {
        const descr_entry* first = rowOf(tags, tag).table;
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->val, 0);
        EXPECT_STREQ(first->descr, "Unknown");
    }
}

TEST(TagTables, ImageSizeDescriptionsShared) {
    EXPECT_STREQ(rowOf(tags, 0x0100).descr, rowOf(tags, 0xa002).descr);
    EXPECT_STREQ(rowOf(tags, 0x0101).descr, rowOf(tags, 0xa003).descr);
    EXPECT_STREQ(rowOf(tags, 0x0101).descr, "Image Height");
}

TEST(TagTables, UnlistedTagTakesEndRow) {
    expectEndRow(rowOf(tags, 0x0001));
    expectEndRow(rowOf(gpstags, 0x001f));
}

TEST(ValueTables, FlashAndFileSource) {
    EXPECT_EQ(textOf(flash_fire, 0), "No Flash");
    EXPECT_EQ(textOf(flash_return, 6), "Return Detected");
    EXPECT_EQ(textOf(flash_mode, 8), "Compulsory");
    EXPECT_EQ(textOf(flash_mode, 16), "Compulsory");
    EXPECT_EQ(textOf(flash_mode, 24), "Auto");
    EXPECT_EQ(textOf(flash_func, 32), "No Flash Function");
    EXPECT_EQ(textOf(flash_redeye, 64), "Red-Eye Reduce");
    EXPECT_EQ(textOf(filesrcs, 3), "Digital Still Camera");
    EXPECT_EQ(textOf(filesrcs, 4), "Unknown");
    EXPECT_EQ(textOf(gps_diff, 0), "No Correction");
}

TEST(ValueTables, UserCommentCodesAreEightBytes) {
    const struct {
        std::int32_t type;
        std::string code;
    } expected[] = {
        {2, std::string("ASCII\0\0\0", 8)},
        {7, std::string("JIS\0\0\0\0\0", 8)},
        {7, std::string("UNICODE\0", 8)},
        {7, std::string(8, '\0')},
    };
    int i = 0;
    for (const auto& e : expected) {
        EXPECT_EQ(ucomment[i].type, e.type);
        ASSERT_NE(ucomment[i].code, nullptr);
        EXPECT_EQ(std::string(ucomment[i].code, UCOMMENT_CODE_LEN), e.code) << "row " << i;
        ++i;
    }
    EXPECT_EQ(ucomment[i].type, 7);
    EXPECT_EQ(ucomment[i].code, nullptr);
}

TEST(ValueTables, FieldTypes) {
    const std::vector<std::pair<const char*, int>> expected = {
        {"byte", 1},   {"ascii", 1},  {"short", 2},     {"long", 4},
        {"rational", 8}, {"sbyte", 1}, {"undefined", 1}, {"sshort", 2},
        {"slong", 4},  {"srational", 8}, {"float", 4},   {"double", 8},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(ftypes[i].type, i + 1);
        EXPECT_STREQ(ftypes[i].name, expected[i].first);
        EXPECT_EQ(ftypes[i].size, expected[i].second);
    }
    const ftype_def& end = ftypes[expected.size()];
    EXPECT_EQ(end.type, 0);
    EXPECT_STREQ(end.name, "unknown");
    EXPECT_EQ(end.size, 0);
}

}  // namespace
}  // namespace exifkit
