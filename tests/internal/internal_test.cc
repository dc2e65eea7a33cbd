// What no read shows: the printf-free formatting against printf on many
// values, every allocation failure of a read (through the test hook), and the
// record helpers of exifkit/records.h that hosts call on records of their own.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

#include "exif/alloc.h"
#include "exif/format.h"
#include "exifkit/records.h"
#include "support/delivery.h"

namespace exifkit::test {
namespace {

TEST(Format, MatchesPrintfOnTiesEdgesAndRandomValuesAndCutsAsSnprintfDoes)
{
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> values = {0.0, -0.0, 0.05, 0.15, 0.25, 0.35, 2.5, 3.5, 1.005, 1.0049999, 0.125, -0.125, -0.04,
                                  1e-320, 1e300, 9007199254740993.0, 4294967295.0 / 7, inf, -inf, std::nan(""),
                                  123456.785, 0.0625, 7.9995, -1.0 / 3};
    std::mt19937_64 random(42);
    for (int i = 0; i < 20000; i++) {
        const double scale = std::pow(10.0, static_cast<int>(random() % 12) - 4);
        values.push_back((static_cast<double>(random() % 2000000) - 1000000.0) / 1000.0 * scale);
        values.push_back(static_cast<float>(random() % 100000) / static_cast<float>(random() % 999 + 1));
        values.push_back(static_cast<double>(random() % 40000) / 8.0);  // exact binary ties
    }
    for (double v : values)
        for (int d = 0; d <= 10; d++) {
            char ours[64], theirs[64];
            detail::textout(ours, sizeof ours).fixed(v, d);
            std::snprintf(theirs, sizeof theirs, "%.*f", d, v);
            ASSERT_STREQ(ours, theirs) << v << " " << d;
        }
    // Output cut short is cut and terminated as snprintf does it.
    for (std::size_t size : {1u, 2u, 4u, 7u, 30u}) {
        char ours[32], theirs[32];
        std::memset(ours, '#', sizeof ours);
        std::memset(theirs, '#', sizeof theirs);
        std::size_t length = 0;
        {
            detail::textout out(ours, size);
            out.put("f/").fixed(-12.345, 2).put(' ').num(-2147483648LL).put(" x").unum(18446744073709551615ULL);
            length = out.padded(7, 3).hex(0xBEEF, 6).length();
        }
        const int n = std::snprintf(theirs, size, "f/%.2f %lld x%llu%03d%06X", -12.345, -2147483648LL,
                                    18446744073709551615ULL, 7, 0xBEEF);
        EXPECT_EQ(std::string(ours, sizeof ours), std::string(theirs, sizeof theirs)) << size;
        EXPECT_EQ(length, static_cast<std::size_t>(n));
    }
}

// Whatever allocation of a read fails, the value comes back and nothing leaks:
// the whole result, or none with the reason. The block takes several pieces of
// memory (a long text, many entries that an index is built for, a maker note).
TEST(Allocation, EveryFailureOfAReadEndsCleanly)
{
    TiffBuilder b = withnote(ORDER_LITTLE, "Canon");
    const int gps = b.dir();
    b.ascii(IFD0, 0x0110, "Canon EOS 20D").pointer(IFD0, 0x8825, gps).ascii(IFD0, 0x010E, std::string(40000, 'x'));
    for (std::uint16_t tag = 0x0150; tag < 0x0350; tag++)
        b.shorts(IFD0, tag, {1});
    b.rationals(EXIF, 0x829A, {{1, 125}}).shorts(EXIF, 0x9209, {0x19}).undefined(EXIF, 0x9286, text("ASCII\0\0\0Hi"));
    b.shorts(NOTE, 0x0001, std::vector<std::uint16_t>(40, 1)).shorts(NOTE, 0x0004, std::vector<std::uint16_t>(20, 1));
    b.rationals(gps, 0x0002, {{37, 1}, {465, 10}, {0, 1}}).field(gps, 0x0001, 2, 2, {'N'});
    const bytes jpeg = minimaljpeg({b.exif()});
    const Metadata whole = readMetadata(jpeg.data(), jpeg.size());
    ASSERT_EQ(whole.result, EXIF_OK);
    long n = 0;
    for (;; n++) {
        ASSERT_LT(n, 1000);
        detail::failallocafter(n);
        const Metadata m = readMetadata(jpeg.data(), jpeg.size());
        detail::failallocafter(-1);
        if (m == whole)
            break;
        EXPECT_EQ(m.result, EXIF_NONE) << n;
        EXPECT_TRUE(m.groups.empty()) << n;
        const bool noinfo = m.warnings == std::vector<Warning>{{"can't allocate file info", std::strerror(ENOMEM)}};
        EXPECT_TRUE(m.error == "Error: " + std::string(std::strerror(ENOMEM)) || noinfo) << n;
    }
    EXPECT_GE(n, 2);
}

// Any order but big-endian reads as little-endian.
TEST(Records, ByteOrderReadersGcdAndDescriptionLookups)
{
    const unsigned char b[4] = {0x12, 0x34, 0x56, 0x78}, neg[4] = {0xFF, 0xFF, 0xFF, 0xFE};
    EXPECT_EQ((std::vector<long>{exif2byte(b, ORDER_BIG), exif2byte(b, 7), exif2sbyte(neg + 2, ORDER_BIG),
                                 exif2sbyte(neg + 2, ORDER_LITTLE), exif4byte(b, ORDER_BIG), exif4byte(b, 7),
                                 exif4sbyte(neg, ORDER_BIG)}),
              (std::vector<long>{0x1234, 0x3412, -2, -257, 0x12345678, 0x78563412, -2}));
    for (int order : {ORDER_BIG, ORDER_LITTLE, 7}) {
        unsigned char out[4];
        byte4exif(exif4byte(b, order), out, order);
        EXPECT_EQ(std::memcmp(out, b, 4), 0) << order;
    }
    EXPECT_EQ((std::vector<unsigned>{gcd(12, 18), gcd(7, 0), gcd(0, 7), gcd(0, 0)}), (std::vector<unsigned>{6, 7, 7, 0}));
    const descr_entry colours[] = {{0, "Black"}, {5, "Green"}, {65535, "All"}, {-1, "Default"}};
    for (auto [value, want] : {std::pair<std::uint16_t, const char*>{5, "Green"}, {4, "Default"}, {65535, "All"}}) {
        char* copy = finddescr(colours, value);
        EXPECT_STREQ(copy, want);
        std::free(copy);
    }
    // catdescr appends within the buffer; a null `before` leaves it without any NUL.
    struct Case { const char* before; std::uint16_t value; int len; const char* after; int result; };
    for (const Case& c : {Case{"", 5, 32, "Green", 5}, Case{"A", 0, 32, "A, Black", 7}, Case{"Green", 4, 32, "Green", 0},
                          Case{"Hello", 5, 8, "Hello, ", 7}, Case{nullptr, 5, 8, "#######", 7}}) {
        char buf[40];
        std::memset(buf, '#', sizeof buf);
        if (c.before)
            std::strcpy(buf, c.before);
        EXPECT_EQ(catdescr(buf, colours, c.value, c.len), c.result) << c.after;
        EXPECT_STREQ(buf, c.after);
        EXPECT_EQ(std::string(buf + c.len, buf + sizeof buf), std::string(sizeof buf - c.len, '#'));
    }
}

// On a host's own records: children stand behind their parent, newest first,
// and are never found; exiffree frees them all (the leak checker shows it).
TEST(Records, HandMadeRecords)
{
    const tag_def makertable[] = {{0xFFFF, 0, 0, LVL_UNKNOWN, "MakerUnknown", nullptr, nullptr}};
    exif_info_ptr info(static_cast<exif_info*>(std::calloc(1, sizeof(exif_info))));
    exif_prop** tail = &info->props;
    for (const tag_def* table : {tags, makertable, gpstags}) {
        exif_prop* p = *tail = newprop();
        p->tag = 1;
        p->tagset = table;
        p->lvl = LVL_IMAGE;
        tail = &p->next;
    }
    exif_prop* p = info->props;
    exifstralloc(&p->str, 4);
    exif_prop *c1 = childprop(p), *c2 = childprop(p);
    EXPECT_TRUE(p->next == c2 && c2->next == c1 && c1->par == p && c1->lvl == LVL_IMAGE && !c1->tagset && !c1->str);
    EXPECT_EQ(findprop(info->props, tags, 1), p);
    EXPECT_EQ(findprop(info->props, makertable, 1), c1->next);
    EXPECT_EQ(findprop(info->props, gpstags, 2), nullptr);
    EXPECT_EQ(findprop(info->props, nullptr, 1), nullptr);
    exiffree(nullptr);
}

TEST(RecordsDeathTest, ASecondTextOnTheSameSlotAborts)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    char taken[] = "taken";
    char* slot = taken;
    EXPECT_DEATH(exifstralloc(&slot, 8), "");
}

// A host's own calls report to the default reader: its warnings to the
// registered sink, trace lines (with `debug` on) to the trace stream.
TEST(Records, HostCallsReportToTheDefaultReaderAndParseBlocks)
{
    struct : WarningSink {
        strings got;
        void warning(const char* m, const char* d) override { got.push_back(std::string(m) + "/" + (d ? d : "-")); }
    } sink;
    WarningSink* previous = setWarningSink(&sink);
    exifwarn("one");
    exifwarn2("two", "Make");
    setWarningSink(previous);
    EXPECT_EQ(sink.got, (strings{"one/-", "two/Make"}));

    std::FILE* trace = std::tmpfile();
    std::FILE* before = setTraceStream(trace);
    exif_prop p{0x010F, 2, 6, 26, "Make", nullptr, nullptr, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, PROP_MADE, 0};
    const unsigned char raw[12] = {0x01, 0x0F, 0x00, 0x02, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x1A};
    debug = 1;
    dumpprop(&p, raw);
    p.type = 13;
    dumpprop(&p, nullptr);
    debug = 0;
    dumpprop(&p, raw);
    EXPECT_EQ(setTraceStream(before), trace);
    EXPECT_EQ(readclose(trace), "   Make (0x010F): ascii, 6; 26\n       01 0F | 00 02 | 00 00 00 06 | 00 00 00 1A\n"
                                "   Make (0x010F): unknown, 6; 26, 0x001A\n");
    // The parse entry points for a host's own blocks, the scan one asked to leave
    // maker notes alone or not.
    const bytes block = withnote(ORDER_BIG, "Canon").shorts(NOTE, 0x0008, {1}).exif();
    const exif_info_ptr info(exifparse(block.data(), static_cast<std::uint32_t>(block.size())));
    ASSERT_TRUE(info && info->props);
    EXPECT_STREQ(info->props->str, "Canon");
    EXPECT_EQ(exifparse(block.data(), 10), nullptr);
    for (int readmakers : {0, 1}) {
        exif_info_ptr scanned(exifscan(block.data(), static_cast<std::uint32_t>(block.size()), readmakers));
        int n = 0;
        for (const exif_prop* q = scanned ? scanned->props : nullptr; q; q = q->next)
            n++;
        EXPECT_EQ(n, readmakers ? 4 : 3);
    }
}

}  // namespace
}  // namespace exifkit::test
