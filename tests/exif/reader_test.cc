// The TIFF directory reader: header checks, directory walking, warnings,
// hostile offsets and allocation failures.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "exif/alloc.h"
#include "exifkit/errors.h"
#include "exifkit/exif.h"
#include "support/exifbuilder.h"
#include "support/recording.h"
#include "support/scanning.h"

namespace exifkit {
namespace {

using namespace test;

constexpr std::uint16_t IMAGEWIDTH = 0x0100, IMAGELENGTH = 0x0101, BITSPERSAMPLE = 0x0102, COMPRESSION = 0x0103,
                        MAKE = 0x010F, ORIENTATION = 0x0112, EXPOSURETIME = 0x829A, EXIFIFD = 0x8769,
                        GPSIFD = 0x8825, USERCOMMENT = 0x9286, INTEROP = 0xA005, FILESOURCE = 0xA300,
                        GPSLATREF = 0x0001, GPSLONREF = 0x0003, GPSMETHOD = 0x001B, GPSAREA = 0x001C;

const std::string badHeader = "invalid TIFF header", noIfd0 = "invalid Exif format (couldn't read IFD0)",
                  unknownType = "unknown TIFF field type; discarding", selfRef = "IFD tag refers to itself",
                  lengthMismatch = "invalid Exif format: IFD length mismatch",
                  tooMany = "too many directories; ignoring the rest";
using strings = std::vector<std::string>;
using warnings = std::vector<std::pair<std::string, std::string>>;
using tagseq = std::vector<std::uint16_t>;

// One field of every property, in list order.
template <class T>
std::vector<T> each(const Scanned& s, T exif_prop::*field)
{
    std::vector<T> out;
    for (const exif_prop* p : s.props())
        out.push_back(p->*field);
    return out;
}

tagseq tagsof(const Scanned& s) { return each(s, &exif_prop::tag); }
std::uint32_t lastdir(const Scanned& s) { return s.props().back()->ifdseq; }

class Reader : public ::testing::Test {
protected:
    void TearDown() override { detail::failallocafter(-1); }
    RecordingSink sink;
};

// Where the byte order changes what is read.
class ReaderOrders : public Reader, public ::testing::WithParamInterface<int> {};
INSTANTIATE_TEST_SUITE_P(BothOrders, ReaderOrders, ::testing::Values(ORDER_LITTLE, ORDER_BIG),
                         ordername<::testing::TestParamInfo<int>>);

TEST_P(ReaderOrders, ChecksTheHeadersAndIfd0Bounds)
{
    TiffBuilder b(GetParam());
    b.dir();
    const bytes good = b.exif();  // headers, an IFD0 of no entries and its next offset
    auto patched = [&](std::size_t at, const bytes& with) {
        bytes out = good;
        std::copy(with.begin(), with.end(), out.begin() + static_cast<long>(at));
        return out;
    };
    auto cut = [&](long n) { return bytes(good.begin(), good.begin() + n); };
    Scanned s = scan(good);
    ASSERT_TRUE(s);
    EXPECT_EQ(s.info->props, nullptr);
    EXPECT_EQ(s.info->tiff.order, GetParam());
    EXPECT_EQ(s.info->tiff.base, s.block.get() + 6);
    EXPECT_EQ(s.info->tiff.end, s.block.get() + good.size());
    // The next offset of IFD0 may be cut short or point anywhere: IFD0 stays.
    for (const bytes& block : {cut(19), cut(16), patched(16, b.u32(0xFFFFFFF0))})
        EXPECT_TRUE(scan(block)) << ::testing::PrintToString(block);
    EXPECT_TRUE(sink.warnings.empty());
    const std::pair<bytes, strings> rejected[] = {
        {patched(6, {'I', 'M'}), {badHeader}}, {patched(6, {'m', 'm'}), {badHeader}},
        {patched(8, b.u16(43)), {badHeader}}, {patched(8, b.u16(0x2A00)), {badHeader}},
        {patched(0, {'e'}), {}}, {patched(5, {1}), {}}, {cut(0), {}}, {cut(9), {}}, {cut(13), {}},
        {cut(14), {noIfd0}}, {cut(15), {noIfd0}}, {patched(14, b.u16(1)), {noIfd0}},
        {patched(14, b.u16(0xFFFF)), {noIfd0}}, {patched(10, b.u32(0xFFFFFFFF)), {noIfd0}},
        {patched(10, b.u32(0xFFFFFFFE)), {noIfd0}},
    };
    for (const auto& [block, messages] : rejected) {
        RecordingSink local;
        EXPECT_FALSE(scan(block)) << ::testing::PrintToString(block);
        EXPECT_EQ(local.messages(), messages) << ::testing::PrintToString(block);
    }
    EXPECT_EQ(exifscan(nullptr, 0, 1), nullptr);
}

TEST_P(ReaderOrders, ShortFieldsOfOneValueTakeTheFirst16Bits)
{
    TiffBuilder b(GetParam());
    const int d = b.dir();
    bytes five = b.u16(5), minus2 = b.u16(0xFFFE);
    minus2.resize(4, 0x77);
    b.field(d, 1, TYPE_SHORT, 1, five).field(d, 2, TYPE_SSHORT, 1, minus2).field(d, 3, TYPE_SHORT, 0, five);
    b.field(d, 4, TYPE_LONG, 1, {0, 5, 0, 0}).field(d, 5, TYPE_SHORT, 2, {0, 5, 0, 0});
    const std::uint32_t word = GetParam() == ORDER_BIG ? 5u << 16 : 5u << 8;
    EXPECT_EQ(each(scan(b.exif()), &exif_prop::value), (std::vector<std::uint32_t>{5, 0xFFFE, 5, word, word}));
}

TEST_F(Reader, NamesEntriesAndWarnsOfUnknownTypesAndMismatches)
{
    TiffBuilder b;
    const int ifd0 = b.dir(), exif = b.dir();
    b.longs(ifd0, IMAGEWIDTH, {640}).longs(ifd0, ORIENTATION, {6}).raw(ifd0, COMPRESSION, 13, 1, 6);
    b.raw(ifd0, 0x1234, 0, 1, 6).raw(ifd0, IMAGELENGTH, 0xFFFF, 1, 6).shorts(ifd0, BITSPERSAMPLE, {8, 8, 8, 8});
    b.longs(ifd0, 0x4242, {1}).pointer(ifd0, EXIFIFD, exif);
    b.add(exif, USERCOMMENT, TYPE_ASCII, 10, {'A', 'S', 'C', 'I', 'I', 0, 0, 0, 'H', 'i'}).add(exif, FILESOURCE, TYPE_UNDEFINED, 2, {3, 3});
    Scanned s = scan(b.exif());
    EXPECT_EQ(sink.warnings, (warnings{{"field type mismatch", "Orientation"}, {unknownType, "Compression"},
                                       {unknownType, "Unknown"}, {unknownType, "ImageLength"},
                                       {"field count mismatch", "BitsPerSample"}}));
    EXPECT_EQ(tagsof(s), (tagseq{IMAGEWIDTH, ORIENTATION, BITSPERSAMPLE, 0x4242, EXIFIFD, USERCOMMENT, FILESOURCE}));
    const exif_prop *width = s.find(IMAGEWIDTH), *orientation = s.find(ORIENTATION), *unknown = s.find(0x4242);
    EXPECT_STREQ(width->descr, "Image Width");
    EXPECT_TRUE(width->lvl == LVL_IMAGE && width->type == TYPE_LONG && width->count == 1 && width->value == 640);
    EXPECT_TRUE(orientation->lvl == LVL_IMAGE && textof(orientation) == "Right-Hand, Top");
    EXPECT_EQ(textof(s.find(BITSPERSAMPLE)), "8, 8, 8, 8");
    EXPECT_TRUE(!std::strcmp(unknown->name, "Unknown") && !unknown->descr && unknown->lvl == LVL_UNKNOWN);
}

TEST_F(Reader, APointerInADirectoryOfItsOwnKindIsNotFollowed)
{
    TiffBuilder b;
    const int ifd0 = b.dir(), exif = b.dir(), gps = b.dir(), interop = b.dir();
    b.pointer(ifd0, EXIFIFD, exif).pointer(ifd0, GPSIFD, gps).pointer(exif, EXIFIFD, exif);
    b.pointer(exif, INTEROP, interop).pointer(gps, GPSIFD, gps).pointer(interop, INTEROP, interop);
    Scanned s = scan(b.exif());
    EXPECT_EQ(s.props().size(), 6u);
    EXPECT_EQ(lastdir(s), 3u);
    EXPECT_EQ(sink.warnings, (warnings{{selfRef, "ExifOffset"}, {selfRef, "Unknown"}, {selfRef, "InteroperabilityOffset"}}));
}

// Offset 0 is the TIFF header, whose byte-order mark reads as a count far too large.
TEST_F(Reader, PointersOutsideTheBlockKeepTheirProperty)
{
    for (std::uint32_t offset : {0u, 0x00FFFF00u, 0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFF2u, 0x80000000u}) {
        RecordingSink local;
        TiffBuilder b;
        b.raw(b.dir(), EXIFIFD, TYPE_LONG, 1, offset).raw(0, GPSIFD, TYPE_LONG, 1, offset).raw(0, INTEROP, TYPE_LONG, 1, offset);
        Scanned s = scan(b.nextraw(0, offset).exif());
        EXPECT_EQ(local.warnings, (warnings{{lengthMismatch, "ExifOffset"}, {lengthMismatch, "GPSInfo"}})) << offset;
        EXPECT_EQ(each(s, &exif_prop::value), std::vector<std::uint32_t>(3, offset));
        EXPECT_EQ(each(s, &exif_prop::str), std::vector<char*>(3, nullptr));
    }
}

// IFD0 and IFD1 both point at the Exif IFD, whose chained directory is never
// read; the GPS IFD's chained directory is; the Exif IFD points at Interop.
TiffBuilder camerafile(int order = ORDER_LITTLE)
{
    TiffBuilder b(order);
    const int ifd0 = b.dir(), ifd1 = b.dir(), exif = b.dir(), gps = b.dir(), gps2 = b.dir(), interop = b.dir(),
              behindexif = b.dir();
    b.ascii(ifd0, MAKE, "Canon").pointer(ifd0, EXIFIFD, exif).pointer(ifd0, GPSIFD, gps).chain(ifd0, ifd1);
    b.shorts(ifd1, COMPRESSION, {6}).pointer(ifd1, EXIFIFD, exif);
    b.rationals(exif, EXPOSURETIME, {{1, 125}}).pointer(exif, INTEROP, interop).chain(exif, behindexif);
    b.ascii(gps, GPSLATREF, "N").chain(gps, gps2).ascii(gps2, GPSLONREF, "E");
    b.ascii(interop, 1, "R98").longs(behindexif, 0x7777, {1});
    return b;
}

TEST_F(Reader, ProcessesMainChainThenSubdirectoriesInTheOrderFound)
{
    Scanned s = scan(camerafile().exif());
    EXPECT_EQ(tagsof(s), (tagseq{MAKE, EXIFIFD, GPSIFD, COMPRESSION, EXIFIFD, EXPOSURETIME, INTEROP, GPSLATREF,
                                 GPSLONREF, EXPOSURETIME, INTEROP, 1, 1}));
    EXPECT_EQ(each(s, &exif_prop::ifdseq), (std::vector<std::uint32_t>{0, 0, 0, 1, 1, 2, 2, 3, 4, 5, 5, 6, 7}));
    std::vector<exif_prop*> p;
    for (exif_prop* prop = s.info->props; prop; prop = prop->next)
        p.push_back(prop);
    EXPECT_EQ(each(s, &exif_prop::par), (std::vector<exif_prop*>{nullptr, nullptr, nullptr, nullptr, nullptr, p[1], p[1],
                                                                 p[2], nullptr, p[4], p[4], p[6], p[10]}));
    EXPECT_EQ(each(s, &exif_prop::tagset), (std::vector<const tag_def*>{tags, tags, tags, tags, tags, tags, tags, gpstags,
                                                                        gpstags, tags, tags, tags, tags}));
    EXPECT_EQ(textof(p[9]), "1/125");
    EXPECT_EQ(textof(p[2]), "<none>");
    EXPECT_TRUE(sink.warnings.empty());
}

TEST_P(ReaderOrders, TracesEachDirectoryWithDebugOn)
{
    const bytes block = camerafile(GetParam()).exif();
    TraceCapture trace;
    ASSERT_TRUE(scan(block));
    const std::string endian = GetParam() == ORDER_BIG ? " entries, big-endian\n\n" : " entries, little-endian\n\n";
    std::string expected;
    for (const char* head : {"directory 0, 3", "directory 1, 2", "ExifOffset directory, 2", "GPSInfo directory, 1",
                             "directory 4, 1", "ExifOffset directory, 2", "InteroperabilityOffset directory, 1",
                             "InteroperabilityOffset directory, 1"})
        expected += "Processing " + std::string(head) + endian;
    std::istringstream lines(trace.text());
    std::string line, heads;
    while (std::getline(lines, line))
        if (line.rfind("   ", 0) != 0)  // entry lines are indented
            heads += line + "\n";
    EXPECT_EQ(heads, expected);
    EXPECT_NE(trace.text().find("   Make (0x010F): ascii, 6; "), std::string::npos);
}

TEST_F(Reader, OffsetsAndCountsNearTheTopOfTheRangeGiveNoText)
{
    const struct { std::uint16_t tag, type; std::uint32_t count, value; } cases[] = {
        {0x010E, TYPE_ASCII, 20, 0xFFFFFFF8}, {0x010E, TYPE_ASCII, 20, 0xFFFFFFFF}, {0x010E, TYPE_ASCII, 0xFFFFFFFF, 8},
        {0x010E, TYPE_ASCII, 0xFFFFFFFF, 0}, {MAKE, TYPE_ASCII, 0xFFFFFFFF, 0}, {MAKE, TYPE_ASCII, 10, 0xFFFFFFFA},
        {EXPOSURETIME, TYPE_RATIONAL, 1, 0xFFFFFFFC}, {EXPOSURETIME, TYPE_RATIONAL, 1, 0xFFFFFFF8},
        {EXPOSURETIME, TYPE_RATIONAL, 0x20000000, 8}, {EXPOSURETIME, TYPE_RATIONAL, 0xFFFFFFFF, 0},
        {0x9204, TYPE_SRATIONAL, 0x20000001, 8}, {0x9204, TYPE_SRATIONAL, 1, 0xFFFFFFFF},
        {BITSPERSAMPLE, TYPE_SHORT, 3, 0xFFFFFFFF}, {BITSPERSAMPLE, TYPE_SHORT, 8, 0xFFFFFFF2},
        {BITSPERSAMPLE, TYPE_SSHORT, 4, 0xFFFFFFFE}, {BITSPERSAMPLE, TYPE_SHORT, 0x80000003, 8},
        {USERCOMMENT, TYPE_UNDEFINED, 0xFFFFFFFF, 0}, {USERCOMMENT, TYPE_UNDEFINED, 16, 0xFFFFFFF8},
        {USERCOMMENT, TYPE_UNDEFINED, 0x80000000, 0x80000000}, {0x9000, TYPE_UNDEFINED, 0xFFFFFFFF, 0xFFFFFFFF},
    };
    for (const auto& c : cases) {
        TiffBuilder b;
        Scanned s = scan(b.raw(b.dir(), c.tag, c.type, c.count, c.value).exif());
        ASSERT_EQ(s.props().size(), 1u);
        // The version text never reads the data.
        EXPECT_TRUE(c.tag == 0x9000 || !s.props()[0]->str) << std::hex << c.tag << " " << c.count << " " << c.value;
    }
    for (std::uint32_t value : {0xFFFFFFFFu, 0xFFFFFFF8u, 0x7FFFFFFFu}) {
        TiffBuilder b;
        const int ifd0 = b.dir(), gps = b.dir();
        b.pointer(ifd0, GPSIFD, gps).raw(gps, GPSMETHOD, TYPE_UNDEFINED, 12, value);
        b.raw(gps, GPSAREA, TYPE_UNDEFINED, 0xFFFFFFF0, value);
        Scanned s = scan(b.exif());
        EXPECT_TRUE(!s.find(GPSMETHOD, gpstags)->str && !s.find(GPSAREA, gpstags)->str) << value;
    }
}

TEST_F(Reader, StopsAChainThatLoopsBackOnItself)
{
    TiffBuilder self, pair, gps;
    self.longs(self.dir(), IMAGEWIDTH, {1}).chain(0, 0);
    pair.longs(pair.dir(), IMAGEWIDTH, {1}).longs(pair.dir(), IMAGELENGTH, {1}).chain(0, 1).chain(1, 0);
    gps.dir();
    gps.pointer(0, GPSIFD, gps.dir()).ascii(1, GPSLATREF, "N").ascii(gps.dir(), GPSLONREF, "E").chain(1, 2).chain(2, 2);
    const std::pair<TiffBuilder*, tagseq> cases[] = {
        {&self, {IMAGEWIDTH}}, {&pair, {IMAGEWIDTH, IMAGELENGTH}}, {&gps, {GPSIFD, GPSLATREF, GPSLONREF}}};
    for (const auto& [builder, expected] : cases) {
        RecordingSink local;
        EXPECT_EQ(tagsof(scan(builder->exif())), expected);
        EXPECT_EQ(local.messages(), strings{"directory chain loops back on itself; stopping"});
    }
}

TEST_F(Reader, StopsPointerCyclesAndFanOutAfter64Directories)
{
    TiffBuilder cycle, fan;
    const int ifd0 = cycle.dir(), exif = cycle.dir(), interop = cycle.dir();
    cycle.pointer(ifd0, EXIFIFD, exif).rationals(exif, EXPOSURETIME, {{1, 60}}).pointer(exif, INTEROP, interop);
    cycle.ascii(interop, 0x0001, "R98").pointer(interop, EXIFIFD, exif);
    Scanned s = scan(cycle.exif());
    EXPECT_EQ(lastdir(s), 63u);
    EXPECT_EQ(s.all(EXPOSURETIME).size(), 32u);
    EXPECT_EQ(sink.messages(), strings{tooMany});

    fan.dir();
    for (int i = 0; i < 100; i++)
        fan.pointer(0, INTEROP, 1);
    fan.ascii(fan.dir(), 0x0001, "R98");
    Scanned t = scan(fan.exif());
    EXPECT_EQ(lastdir(t), 63u);
    EXPECT_EQ(t.all(INTEROP).size(), 100u);
    EXPECT_EQ(sink.messages().at(1), tooMany);
}

TEST_F(Reader, MakerNotesAreLeftAloneWhenNotAskedFor)
{
    TiffBuilder b;
    Scanned s = scan(b.ascii(b.dir(), MAKE, "Eastman Kodak Company").undefined(0, 0x927C, bytes(20, 0)).exif(), 0);
    EXPECT_EQ(s.find(0x927C)->str, nullptr);
    EXPECT_TRUE(sink.warnings.empty());
}

// A parse takes its memory in a few large pieces: a camera-size block needs
// one, and a block with a long text a second, whose failure ends the parse
// with the fatal error and, the leak checker shows, leaks nothing.
TEST_F(Reader, EveryAllocationFailureEndsCleanly)
{
    TiffBuilder b = camerafile();  // IFD0 is directory 0, Exif 2 and GPS 3
    const bytes comment = {'A', 'S', 'C', 'I', 'I', 0, 0, 0, 'H', 'i'};
    b.shorts(0, ORIENTATION, {1}).shorts(0, BITSPERSAMPLE, {8, 8, 8}).add(2, 0x9000, TYPE_UNDEFINED, 4, {'0', '2', '2', '0'});
    b.rationals(2, 0x9204, {{0xFFFFFFFE, 3}}, TYPE_SRATIONAL).undefined(2, USERCOMMENT, comment).undefined(2, FILESOURCE, {3});
    b.undefined(2, 0x927C, bytes(24, 0)).undefined(3, GPSMETHOD, comment).rationals(3, 2, {{35, 1}, {40, 1}, {0, 1}});
    const bytes small = b.exif();
    const bytes large = b.ascii(0, 0x010E, std::string(40000, 'x')).exif();
    for (const auto& [block, pieces] : {std::pair{small, 1L}, std::pair{large, 2L}}) {
        const std::size_t expected = scan(block).props().size();
        for (long n = 0; n <= pieces; n++) {
            RecordingSink local;
            detail::failallocafter(n);
            try {
                Scanned s = scan(block);
                detail::failallocafter(-1);
                if (n == pieces) {
                    EXPECT_EQ(s.props().size(), expected);
                } else {
                    EXPECT_TRUE(n == 0 && !s);
                    EXPECT_EQ(local.warnings, (warnings{{"can't allocate file info", std::strerror(ENOMEM)}}));
                }
            } catch (const ExifException& e) {
                detail::failallocafter(-1);
                EXPECT_TRUE(n > 0 && n < pieces) << n;
                EXPECT_EQ(std::string(e.reason()), std::string("Error: ") + std::strerror(ENOMEM)) << n;
            }
        }
    }
}

}  // namespace
}  // namespace exifkit
