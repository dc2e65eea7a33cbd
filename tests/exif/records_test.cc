// Byte-order readers, lookups and the property record helpers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>

#include "exifkit/exif.h"
#include "support/scanning.h"

namespace exifkit {
namespace {

TEST(Records, ByteOrderReadersAndGcd)
{
    const unsigned char b[4] = {0x12, 0x34, 0x56, 0x78}, neg[4] = {0xFF, 0xFF, 0xFF, 0xFE};
    EXPECT_EQ(exif2byte(b, ORDER_BIG), 0x1234);
    EXPECT_EQ(exif2byte(b, 7), 0x3412);
    EXPECT_EQ(exif2byte(neg + 2, ORDER_BIG), 65534);
    EXPECT_EQ(exif2sbyte(neg + 2, ORDER_BIG), -2);
    EXPECT_EQ(exif2sbyte(neg + 2, ORDER_LITTLE), -257);
    EXPECT_EQ(exif4byte(b, ORDER_BIG), 0x12345678u);
    EXPECT_EQ(exif4byte(b, 7), 0x78563412u);
    EXPECT_EQ(exif4sbyte(neg, ORDER_BIG), -2);
    for (int order : {ORDER_BIG, ORDER_LITTLE, 7}) {
        unsigned char out[4];
        byte4exif(exif4byte(b, order), out, order);
        EXPECT_EQ(std::memcmp(out, b, 4), 0) << order;
    }
    EXPECT_EQ(gcd(12, 18), 6u);
    EXPECT_EQ(gcd(7, 0), 7u);
    EXPECT_EQ(gcd(0, 7), 7u);
    EXPECT_EQ(gcd(0, 0), 0u);
}

const descr_entry colours[] = {{0, "Black"}, {5, "Green"}, {65535, "All"}, {-1, "Default"}};

TEST(Records, FinddescrCopiesTheRowOrTheDefault)
{
    const descr_entry onlyend[] = {{1, "One"}, {-1, "Other"}};
    const std::tuple<const descr_entry*, std::uint16_t, const char*> cases[] = {
        {colours, 5, "Green"}, {colours, 4, "Default"}, {colours, 65535, "All"}, {onlyend, 0xFFFF, "Other"}};
    for (auto [table, value, text] : cases) {
        char* copy = finddescr(table, value);
        EXPECT_STREQ(copy, text);
        std::free(copy);
    }
}

TEST(Records, CatdescrAppendsWithinTheBuffer)
{
    struct Case { const char* before; std::uint16_t value; int len; const char* after; int result; };
    // A null `before` leaves the buffer without any NUL.
    for (const Case& c : {Case{"", 5, 32, "Green", 5}, Case{"A", 0, 32, "A, Black", 7},
                          Case{"Green", 4, 32, "Green", 0}, Case{"Hello", 5, 8, "Hello, ", 7},
                          Case{nullptr, 5, 8, "#######", 7}}) {
        char buf[40];
        std::memset(buf, '#', sizeof buf);
        if (c.before)
            std::strcpy(buf, c.before);
        EXPECT_EQ(catdescr(buf, colours, c.value, c.len), c.result) << c.after;
        EXPECT_STREQ(buf, c.after);
        EXPECT_EQ(std::string(buf + c.len, buf + sizeof buf), std::string(sizeof buf - c.len, '#'));
    }
}

// Freed with exiffree: the leak checker proves that every text and property goes.
TEST(Records, ChildpropLinksBehindItsParentAndFindpropNeverFindsIt)
{
    const tag_def makertable[] = {{0xFFFF, 0, 0, LVL_UNKNOWN, "MakerUnknown", nullptr, nullptr}};
    exif_info_ptr info(static_cast<exif_info*>(std::calloc(1, sizeof(exif_info))));
    exif_prop** tail = &info->props;
    auto add = [&](const tag_def* table) {
        exif_prop* p = *tail = newprop();
        p->tag = 0x0001;
        p->tagset = table;
        tail = &p->next;
        return p;
    };
    exif_prop* p = add(tags);
    *p = {0x0001, 3, 1, 6, "Orientation", "Image Orientation", nullptr, LVL_IMAGE, 2, 0xA403, tags, nullptr, nullptr, nullptr};
    exifstralloc(&p->str, 4);
    exif_prop *maker = add(makertable), *gps = add(gpstags);
    add(gpstags)->str = finddescr(colours, 5);
    exif_prop *c1 = childprop(p), *c2 = childprop(p);
    EXPECT_EQ(p->next, c2);
    EXPECT_EQ(c2->next, c1);
    EXPECT_EQ(c1->next, maker);
    for (const exif_prop* c : {c1, c2}) {
        EXPECT_EQ(c->par, p);
        EXPECT_TRUE(c->tag == 1 && c->lvl == LVL_IMAGE && c->ifdseq == 2 && c->name == p->name && c->descr == p->descr);
        EXPECT_TRUE(!c->type && !c->count && !c->value && !c->str && !c->override && !c->tagset);
    }
    EXPECT_EQ(findprop(info->props, tags, 1), p);
    EXPECT_EQ(findprop(info->props, makertable, 1), maker);
    EXPECT_EQ(findprop(info->props, gpstags, 1), gps);
    EXPECT_EQ(findprop(info->props, gpstags, 2), nullptr);
    EXPECT_EQ(findprop(info->props, nullptr, 1), nullptr);
}

TEST(RecordsDeathTest, ExifstrallocOnAnOccupiedSlotAborts)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    char text[] = "taken";
    char* slot = text;
    EXPECT_DEATH(exifstralloc(&slot, 8), "");
}

TEST(Records, ExiffreeOfNullOrAnEmptyList)
{
    exiffree(nullptr);
    exiffree(static_cast<exif_info*>(std::calloc(1, sizeof(exif_info))));
}

TEST(Records, DumppropTracesOnlyWithDebugOn)
{
    exif_prop p{0x010F, 2, 6, 26, "Make", nullptr, nullptr, 0, 0, 0, nullptr, nullptr, nullptr, nullptr};
    const unsigned char raw[12] = {0x01, 0x0F, 0x00, 0x02, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x1A};
    test::TraceCapture trace;
    dumpprop(&p, raw);
    p.type = 13;
    dumpprop(&p, nullptr);
    p.type = 5;
    p.value = 0xFFFFFFFF;
    dumpprop(&p, nullptr);
    debug = 0;
    dumpprop(&p, raw);
    EXPECT_EQ(trace.text(), "   Make (0x010F): ascii, 6; 26\n"
                            "       01 0F | 00 02 | 00 00 00 06 | 00 00 00 1A\n"
                            "   Make (0x010F): unknown, 6; 26, 0x001A\n"
                            "   Make (0x010F): rational, 6; -1, 0xFFFFFFFF\n");
}

}  // namespace
}  // namespace exifkit
