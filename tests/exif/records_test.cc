// Byte-order readers, lookups and the property record helpers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "exifkit/exif.h"
#include "support/scanning.h"

namespace exifkit {
namespace {

using test::TraceCapture;

// ---- Byte-order readers ----------------------------------------------------

struct TwoBytes {
    unsigned char b[2];
    int order;
    std::uint16_t unsignedval;
    int signedval;
};

class ByteOrder2 : public ::testing::TestWithParam<TwoBytes> {};

TEST_P(ByteOrder2, ReadsUnsignedAndSigned)
{
    const TwoBytes& c = GetParam();
    EXPECT_EQ(exif2byte(c.b, c.order), c.unsignedval);
    EXPECT_EQ(exif2sbyte(c.b, c.order), c.signedval);
}

INSTANTIATE_TEST_SUITE_P(Records, ByteOrder2,
                         ::testing::Values(TwoBytes{{0x12, 0x34}, ORDER_BIG, 0x1234, 0x1234},
                                           TwoBytes{{0x12, 0x34}, ORDER_LITTLE, 0x3412, 0x3412},
                                           TwoBytes{{0x12, 0x34}, 7, 0x3412, 0x3412},
                                           TwoBytes{{0x12, 0x34}, -1, 0x3412, 0x3412},
                                           TwoBytes{{0xFF, 0xFE}, ORDER_BIG, 65534, -2},
                                           TwoBytes{{0xFE, 0xFF}, ORDER_LITTLE, 65534, -2},
                                           TwoBytes{{0x80, 0x00}, ORDER_BIG, 0x8000, -32768},
                                           TwoBytes{{0xFF, 0x7F}, ORDER_LITTLE, 0x7FFF, 32767}));

TEST(Records, FourByteReadersAndTheirInverse)
{
    const unsigned char b[4] = {0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(exif4byte(b, ORDER_BIG), 0x01020304u);
    EXPECT_EQ(exif4byte(b, ORDER_LITTLE), 0x04030201u);
    EXPECT_EQ(exif4byte(b, 7), 0x04030201u);
    const unsigned char neg[4] = {0xFF, 0xFF, 0xFF, 0xFE};
    EXPECT_EQ(exif4sbyte(neg, ORDER_BIG), -2);

    unsigned char out[4];
    byte4exif(0x01020304, out, ORDER_BIG);
    EXPECT_EQ(std::memcmp(out, "\x01\x02\x03\x04", 4), 0);
    for (int order : {ORDER_LITTLE, 7}) {
        byte4exif(0x01020304, out, order);
        EXPECT_EQ(std::memcmp(out, "\x04\x03\x02\x01", 4), 0) << "order " << order;
    }
}

TEST(Records, Gcd)
{
    EXPECT_EQ(gcd(12, 18), 6u);
    EXPECT_EQ(gcd(18, 12), 6u);
    EXPECT_EQ(gcd(7, 0), 7u);
    EXPECT_EQ(gcd(0, 7), 7u);
    EXPECT_EQ(gcd(0, 0), 0u);
    EXPECT_EQ(gcd(0xFFFFFFFF, 0xFFFFFFFF), 0xFFFFFFFFu);
    EXPECT_EQ(gcd(0x80000000, 0x40000000), 0x40000000u);
    EXPECT_EQ(gcd(4294967291u, 65521), 1u);  // two primes
}

// ---- Value-description tables ------------------------------------------------

const descr_entry colours[] = {
    {0, "Black"},
    {5, "Green"},
    {65535, "All"},
    {-1, "Default"},
};

TEST(Records, FinddescrCopiesTheRowOrTheDefault)
{
    struct Case {
        std::uint16_t value;
        const char* text;
    };
    for (const Case& c : {Case{0, "Black"}, Case{5, "Green"}, Case{4, "Default"}, Case{65535, "All"}}) {
        char* copy = finddescr(colours, c.value);
        EXPECT_STREQ(copy, c.text);
        EXPECT_NE(copy, c.text);
        std::free(copy);
    }
    // 0xFFFF never matches the end row's -1.
    const descr_entry onlyend[] = {{1, "One"}, {-1, "Other"}};
    char* copy = finddescr(onlyend, 0xFFFF);
    EXPECT_STREQ(copy, "Other");
    std::free(copy);
}

TEST(Records, CatdescrAppendsWithSeparator)
{
    char buf[32] = "";
    EXPECT_EQ(catdescr(buf, colours, 5, sizeof buf), 5);
    EXPECT_STREQ(buf, "Green");
    EXPECT_EQ(catdescr(buf, colours, 0, sizeof buf), 7);
    EXPECT_STREQ(buf, "Green, Black");

    char one[32] = "A";
    EXPECT_EQ(catdescr(one, colours, 0, sizeof one), 7);
    EXPECT_STREQ(one, "A, Black");
}

TEST(Records, CatdescrIgnoresUnlistedValues)
{
    char buf[32] = "Green";
    EXPECT_EQ(catdescr(buf, colours, 4, sizeof buf), 0);
    EXPECT_STREQ(buf, "Green");
}

TEST(Records, CatdescrCutsAtTheBufferAndCountsWhatWasMeant)
{
    const descr_entry five[] = {{1, "World"}, {-1, "Unknown"}};
    char buf[8 + 4];
    std::memset(buf, '#', sizeof buf);
    std::memcpy(buf, "Hello", 6);
    EXPECT_EQ(catdescr(buf, five, 1, 8), 7);
    EXPECT_STREQ(buf, "Hello, ");
    EXPECT_EQ(std::string(buf + 8, 4), "####");  // nothing written past the length
}

TEST(Records, CatdescrTerminatesAnUnterminatedBuffer)
{
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(catdescr(buf, colours, 5, sizeof buf), 7);
    EXPECT_STREQ(buf, "xxxxxxx");
}

// ---- Property records --------------------------------------------------------

const tag_def makertable[] = {
    {0x0001, 0, 0, LVL_CAMERA, "MakerOne", "Maker One", nullptr},
    {0xFFFF, 0, 0, LVL_UNKNOWN, "MakerUnknown", "Maker Unknown", nullptr},
};

// Owns a hand-made list of properties the way a parse does.
struct PropList {
    exif_info* info = static_cast<exif_info*>(std::calloc(1, sizeof(exif_info)));
    exif_info_ptr owner{info};

    // Appends at the very end, behind any sub-values made meanwhile.
    exif_prop* add(std::uint16_t tag, const tag_def* table)
    {
        exif_prop** tail = &info->props;
        while (*tail)
            tail = &(*tail)->next;
        exif_prop* p = newprop();
        p->tag = tag;
        p->tagset = table;
        *tail = p;
        return p;
    }
};

TEST(Records, ChildpropCopiesParentFieldsAndLinksBehindIt)
{
    PropList list;
    exif_prop* p = list.add(0x0112, tags);
    p->type = 3;
    p->count = 1;
    p->value = 6;
    p->name = "Orientation";
    p->descr = "Image Orientation";
    p->lvl = LVL_IMAGE;
    p->ifdseq = 2;
    p->override = 0xA403;
    exifstralloc(&p->str, 4);
    exif_prop* after = list.add(0x0128, tags);

    exif_prop* c1 = childprop(p);
    exif_prop* c2 = childprop(p);

    EXPECT_EQ(p->next, c2);
    EXPECT_EQ(c2->next, c1);
    EXPECT_EQ(c1->next, after);
    for (const exif_prop* c : {c1, c2}) {
        EXPECT_EQ(c->tag, 0x0112);
        EXPECT_STREQ(c->name, "Orientation");
        EXPECT_STREQ(c->descr, "Image Orientation");
        EXPECT_EQ(c->lvl, LVL_IMAGE);
        EXPECT_EQ(c->ifdseq, 2u);
        EXPECT_EQ(c->type, 0);
        EXPECT_EQ(c->par, p);
        EXPECT_EQ(c->count, 0u);
        EXPECT_EQ(c->value, 0u);
        EXPECT_EQ(c->str, nullptr);
        EXPECT_EQ(c->override, 0);
        EXPECT_EQ(c->tagset, nullptr);
    }
}

TEST(Records, FindpropMatchesTableAndTagOnly)
{
    PropList list;
    exif_prop* standard = list.add(0x0001, tags);
    exif_prop* sub = childprop(standard);  // tag 0x0001, no table
    exif_prop* maker = list.add(0x0001, makertable);
    exif_prop* gps = list.add(0x0001, gpstags);
    exif_prop* gps2 = list.add(0x0001, gpstags);
    ASSERT_EQ(standard->next, sub);

    EXPECT_EQ(findprop(list.info->props, tags, 0x0001), standard);
    EXPECT_EQ(findprop(list.info->props, makertable, 0x0001), maker);
    EXPECT_EQ(findprop(list.info->props, gpstags, 0x0001), gps);
    EXPECT_NE(findprop(list.info->props, gpstags, 0x0001), gps2);
    EXPECT_EQ(findprop(list.info->props, gpstags, 0x0002), nullptr);
    EXPECT_EQ(findprop(list.info->props, nullptr, 0x0001), nullptr);  // sub-values are never found
    EXPECT_EQ(findprop(nullptr, tags, 0x0001), nullptr);
}

TEST(RecordsDeathTest, ExifstrallocOnAnOccupiedSlotAborts)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    char text[] = "taken";
    char* slot = text;
    EXPECT_DEATH(exifstralloc(&slot, 8), "");
}

// The leak checker proves that every owned text and property goes.
TEST(Records, ExiffreeReleasesTheWholeParse)
{
    exiffree(nullptr);
    exiffree(static_cast<exif_info*>(std::calloc(1, sizeof(exif_info))));

    PropList list;
    exif_prop* p = list.add(0x010F, tags);
    p->name = "Make";
    exifstralloc(&p->str, 16);
    exifstralloc(&childprop(p)->str, 8);
    list.add(0x0110, tags)->str = finddescr(colours, 5);
    list.owner.reset();
}

// ---- Trace --------------------------------------------------------------------

exif_prop tracedprop(std::uint16_t type, std::uint32_t value)
{
    exif_prop p{};
    p.tag = 0x010F;
    p.type = type;
    p.count = 6;
    p.value = value;
    p.name = "Make";
    return p;
}

TEST(Records, DumppropTracesEntryWithRawBytes)
{
    const exif_prop p = tracedprop(2, 26);
    const unsigned char raw[12] = {0x01, 0x0F, 0x00, 0x02, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x1A};
    TraceCapture trace;
    dumpprop(&p, raw);
    EXPECT_EQ(trace.text(),
              "   Make (0x010F): ascii, 6; 26\n"
              "       01 0F | 00 02 | 00 00 00 06 | 00 00 00 1A\n");
}

TEST(Records, DumppropTracesWithoutRawBytes)
{
    const exif_prop p = tracedprop(5, 0xFFFFFFFF);
    TraceCapture trace;
    dumpprop(&p, nullptr);
    EXPECT_EQ(trace.text(), "   Make (0x010F): rational, 6; -1, 0xFFFFFFFF\n");
}

TEST(Records, DumppropNamesUnknownTypesAndIsSilentWithoutDebug)
{
    const exif_prop p = tracedprop(13, 0x1A);
    TraceCapture trace;
    dumpprop(&p, nullptr);
    EXPECT_EQ(trace.text(), "   Make (0x010F): unknown, 6; 26, 0x001A\n");
    debug = 0;
    dumpprop(&p, nullptr);
    EXPECT_EQ(trace.text(), "   Make (0x010F): unknown, 6; 26, 0x001A\n");
}

}  // namespace
}  // namespace exifkit
