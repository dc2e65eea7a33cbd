// The TIFF directory reader: header checks, directory walking, warnings,
// hostile offsets and allocation failures.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <set>
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

using test::bytes;
using test::RecordingSink;
using test::scan;
using test::Scanned;
using test::textof;
using test::TiffBuilder;
using test::TraceCapture;

constexpr std::uint16_t SHORT = 3, LONG = 4, SSHORT = 8, UNDEFINED = 7, ASCII = 2;
constexpr std::uint16_t IMAGEWIDTH = 0x0100, IMAGELENGTH = 0x0101, BITSPERSAMPLE = 0x0102,
                        COMPRESSION = 0x0103, MAKE = 0x010F, ORIENTATION = 0x0112,
                        EXPOSURETIME = 0x829A, EXIFIFD = 0x8769, GPSIFD = 0x8825,
                        USERCOMMENT = 0x9286, INTEROP = 0xA005, FILESOURCE = 0xA300,
                        GPSLATREF = 0x0001, GPSMETHOD = 0x001B;

const std::string badHeader = "invalid TIFF header";
const std::string noIfd0 = "invalid Exif format (couldn't read IFD0)";
const std::string unknownType = "unknown TIFF field type; discarding";
const std::string typeMismatch = "field type mismatch";
const std::string countMismatch = "field count mismatch";
const std::string selfRef = "IFD tag refers to itself";
const std::string lengthMismatch = "invalid Exif format: IFD length mismatch";
const std::string chainLoop = "directory chain loops back on itself; stopping";
const std::string tooMany = "too many directories; ignoring the rest";

std::vector<std::uint16_t> tagsof(const Scanned& s)
{
    std::vector<std::uint16_t> out;
    for (const exif_prop* p : s.props())
        out.push_back(p->tag);
    return out;
}

std::set<std::uint32_t> dirsof(const Scanned& s)
{
    std::set<std::uint32_t> out;
    for (const exif_prop* p : s.props())
        out.insert(p->ifdseq);
    return out;
}

class Reader : public ::testing::TestWithParam<int> {
protected:
    int order() const { return GetParam(); }
    RecordingSink sink;
};

INSTANTIATE_TEST_SUITE_P(BothOrders, Reader, ::testing::Values(ORDER_LITTLE, ORDER_BIG),
                         test::ordername<::testing::TestParamInfo<int>>);

// ---- Header ----------------------------------------------------------------------

TEST_P(Reader, EmptyIfd0GivesAnEmptyList)
{
    TiffBuilder b(order());
    b.dir();
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    EXPECT_EQ(s.info->props, nullptr);
    EXPECT_EQ(s.info->tiff.order, order());
    EXPECT_EQ(s.info->tiff.base, s.block.get() + 6);
    EXPECT_EQ(s.info->tiff.end, s.block.get() + b.exif().size());
    EXPECT_EQ(s.info->maker, 0);
    EXPECT_EQ(s.info->model, nullptr);
    EXPECT_EQ(s.info->exifmaj, 0);
    EXPECT_TRUE(sink.warnings.empty());
}

TEST_P(Reader, RejectsUnknownByteOrderMarks)
{
    TiffBuilder b(order());
    b.dir();
    for (const char* mark : {"IM", "MI", "ii", "mm", "\0\0"}) {
        bytes block = b.exif();
        block[6] = static_cast<unsigned char>(mark[0]);
        block[7] = static_cast<unsigned char>(mark[1]);
        RecordingSink local;
        EXPECT_FALSE(scan(block)) << mark;
        EXPECT_EQ(local.messages(), std::vector<std::string>{badHeader}) << mark;
    }
}

TEST_P(Reader, RejectsAMagicNumberOtherThan42)
{
    TiffBuilder b(order());
    b.dir();
    for (std::uint16_t magic : {43, 0, 0x2A00}) {
        bytes block = b.exif();
        const bytes m = b.u16(magic);
        std::copy(m.begin(), m.end(), block.begin() + 8);
        RecordingSink local;
        EXPECT_FALSE(scan(block)) << magic;
        EXPECT_EQ(local.messages(), std::vector<std::string>{badHeader}) << magic;
    }
}

TEST_P(Reader, IgnoresBlocksWithoutTheExifIdentifier)
{
    TiffBuilder b(order());
    b.dir();
    for (const char* id : {"Exif\0\1", "exif\0\0", "JFIF\0\0", "Exif  "}) {
        bytes block = b.exif();
        std::memcpy(block.data(), id, 6);
        EXPECT_FALSE(scan(block)) << id;
    }
    EXPECT_TRUE(sink.warnings.empty());
}

TEST_P(Reader, IgnoresBlocksShorterThanTheHeaders)
{
    TiffBuilder b(order());
    b.dir();
    const bytes full = b.exif();
    for (std::size_t n = 0; n < 14; n++)
        EXPECT_FALSE(scan(bytes(full.begin(), full.begin() + static_cast<long>(n)))) << n;
    EXPECT_TRUE(sink.warnings.empty());
    EXPECT_EQ(exifscan(nullptr, 0, 1), nullptr);
}

TEST_P(Reader, RejectsAnIfd0ThatDoesNotFit)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir();
    b.longs(ifd0, IMAGEWIDTH, {640}).longs(ifd0, IMAGELENGTH, {480});
    const bytes full = b.exif();
    // The headers alone; one byte of the count; the count and part of the entries.
    for (std::size_t n : {14, 15, 16, 16 + 12, 16 + 24 - 1}) {
        RecordingSink local;
        EXPECT_FALSE(scan(bytes(full.begin(), full.begin() + static_cast<long>(n)))) << n;
        EXPECT_EQ(local.messages(), std::vector<std::string>{noIfd0}) << n;
    }
    for (std::uint32_t offset : {0xFFFFFFFFu, 0xFFFFFFFEu, 0x80000000u}) {
        b.ifd0raw(offset);
        RecordingSink local;
        EXPECT_FALSE(scan(b.exif())) << offset;
        EXPECT_EQ(local.messages(), std::vector<std::string>{noIfd0}) << offset;
    }
}

TEST_P(Reader, RejectsAnIfd0WhoseCountRunsPastTheEnd)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir();
    b.longs(ifd0, IMAGEWIDTH, {640});
    bytes block = b.exif();
    const bytes count = b.u16(2);
    std::copy(count.begin(), count.end(), block.begin() + 14);
    EXPECT_FALSE(scan(block));
    EXPECT_EQ(sink.messages(), std::vector<std::string>{noIfd0});
}

TEST_P(Reader, KeepsIfd0WhenItsNextOffsetIsCutShort)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir();
    b.longs(ifd0, IMAGEWIDTH, {640}).longs(ifd0, IMAGELENGTH, {480});
    const bytes full = b.exif();
    for (std::size_t cut : {1, 2, 4}) {
        Scanned s = scan(bytes(full.begin(), full.end() - static_cast<long>(cut)));
        ASSERT_TRUE(s) << cut;
        EXPECT_EQ(tagsof(s), (std::vector<std::uint16_t>{IMAGEWIDTH, IMAGELENGTH})) << cut;
    }
    b.nextraw(ifd0, 0xFFFFFFF0);
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    EXPECT_EQ(s.props().size(), 2u);
    EXPECT_TRUE(sink.warnings.empty());
}

// ---- Entries ---------------------------------------------------------------------

TEST_P(Reader, DropsEntriesOfUnknownTypesAndKeepsTheirNeighbours)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir();
    b.longs(ifd0, IMAGEWIDTH, {640})
        .raw(ifd0, ORIENTATION, 13, 1, 6)
        .raw(ifd0, 0x1234, 0, 1, 6)
        .raw(ifd0, COMPRESSION, 0xFFFF, 1, 6)
        .longs(ifd0, IMAGELENGTH, {480});
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    EXPECT_EQ(tagsof(s), (std::vector<std::uint16_t>{IMAGEWIDTH, IMAGELENGTH}));
    EXPECT_EQ(sink.warnings, (std::vector<std::pair<std::string, std::string>>{
                                 {unknownType, "Orientation"},
                                 {unknownType, "Unknown"},
                                 {unknownType, "Compression"}}));
}

TEST_P(Reader, ShortFieldsOfOneValueTakeTheFirst16Bits)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir();
    bytes five = b.u16(5);
    five.resize(4, 0);
    bytes minus2 = b.u16(0xFFFE);
    minus2.resize(4, 0x77);
    b.field(ifd0, 0x0001, SHORT, 1, five)
        .field(ifd0, 0x0002, SSHORT, 1, minus2)
        .field(ifd0, 0x0003, SHORT, 0, five)
        .field(ifd0, 0x0004, LONG, 1, {0x00, 0x05, 0x00, 0x00})
        .field(ifd0, 0x0005, SHORT, 2, {0x00, 0x05, 0x00, 0x00});
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    const auto props = s.props();
    ASSERT_EQ(props.size(), 5u);
    EXPECT_EQ(props[0]->value, 5u);
    EXPECT_EQ(props[1]->value, 0xFFFEu);  // zero-extended, not sign-extended
    EXPECT_EQ(props[2]->value, 5u);
    const std::uint32_t word = order() == ORDER_BIG ? 5u << 16 : 5u << 8;
    EXPECT_EQ(props[3]->value, word);
    EXPECT_EQ(props[4]->value, word);
    for (const exif_prop* p : props)
        EXPECT_EQ(p->str, nullptr);
}

TEST_P(Reader, NamesEntriesFromTheTable)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir();
    b.longs(ifd0, IMAGEWIDTH, {640}).longs(ifd0, 0x4242, {1});
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    const auto props = s.props();
    ASSERT_EQ(props.size(), 2u);
    EXPECT_STREQ(props[0]->name, "ImageWidth");
    EXPECT_STREQ(props[0]->descr, "Image Width");
    EXPECT_EQ(props[0]->lvl, LVL_IMAGE);
    EXPECT_EQ(props[0]->type, LONG);
    EXPECT_EQ(props[0]->count, 1u);
    EXPECT_EQ(props[0]->value, 640u);
    EXPECT_EQ(props[0]->tagset, tags);
    EXPECT_STREQ(props[1]->name, "Unknown");
    EXPECT_EQ(props[1]->descr, nullptr);
    EXPECT_EQ(props[1]->lvl, LVL_UNKNOWN);
}

TEST_P(Reader, WarnsOfTypeAndCountMismatchesButKeepsTheProperty)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir(), exif = b.dir();
    b.longs(ifd0, IMAGEWIDTH, {640})                    // any type: no warning
        .longs(ifd0, ORIENTATION, {6})                  // expects SHORT
        .shorts(ifd0, BITSPERSAMPLE, {8, 8, 8, 8})      // expects 3 values
        .pointer(ifd0, EXIFIFD, exif);
    bytes comment = {'A', 'S', 'C', 'I', 'I', 0, 0, 0, 'H', 'i'};
    b.add(exif, USERCOMMENT, ASCII, static_cast<std::uint32_t>(comment.size()), comment)  // exempt from the type check
        .add(exif, FILESOURCE, UNDEFINED, 2, {3, 3});                                     // exempt from the count check
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    EXPECT_EQ(sink.warnings, (std::vector<std::pair<std::string, std::string>>{
                                 {typeMismatch, "Orientation"}, {countMismatch, "BitsPerSample"}}));
    const exif_prop* orient = s.find(ORIENTATION);
    ASSERT_NE(orient, nullptr);
    EXPECT_EQ(orient->lvl, LVL_IMAGE);
    EXPECT_EQ(textof(orient), "Right-Hand, Top");
    EXPECT_EQ(textof(s.find(BITSPERSAMPLE)), "8, 8, 8, 8");
    EXPECT_NE(s.find(USERCOMMENT), nullptr);
    EXPECT_NE(s.find(FILESOURCE), nullptr);
}

// ---- Directories -------------------------------------------------------------------

TEST_P(Reader, FollowsTheChainOfGpsButNotOfExif)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir(), exif = b.dir(), behindexif = b.dir(), gps = b.dir(), gps2 = b.dir();
    b.pointer(ifd0, EXIFIFD, exif).pointer(ifd0, GPSIFD, gps);
    b.rationals(exif, EXPOSURETIME, {{1, 125}}).chain(exif, behindexif);
    b.longs(behindexif, 0x7777, {1});
    b.ascii(gps, GPSLATREF, "N").chain(gps, gps2);
    b.ascii(gps2, 0x0003, "E");
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    EXPECT_EQ(tagsof(s), (std::vector<std::uint16_t>{EXIFIFD, GPSIFD, EXPOSURETIME, GPSLATREF, 0x0003}));
    const exif_prop* gpsptr = s.find(GPSIFD);
    const exif_prop* lat = s.find(GPSLATREF, gpstags);
    const exif_prop* lon = s.find(0x0003, gpstags);
    ASSERT_NE(lat, nullptr);
    ASSERT_NE(lon, nullptr);
    EXPECT_EQ(lat->par, gpsptr);
    EXPECT_EQ(lon->par, nullptr);  // behind the first directory of a chain
    EXPECT_STREQ(lon->name, "GPSLongitudeRef");
    EXPECT_EQ(textof(gpsptr), "<none>");
    EXPECT_TRUE(sink.warnings.empty());
}

TEST_P(Reader, APointerInADirectoryOfItsOwnKindIsNotFollowed)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir(), exif = b.dir(), gps = b.dir(), interop = b.dir();
    b.pointer(ifd0, EXIFIFD, exif).pointer(ifd0, GPSIFD, gps);
    b.pointer(exif, EXIFIFD, exif).pointer(exif, INTEROP, interop);
    b.pointer(gps, GPSIFD, gps);  // named from the GPS table, which does not list it
    b.pointer(interop, INTEROP, interop);
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    EXPECT_EQ(dirsof(s), (std::set<std::uint32_t>{0, 1, 2, 3}));
    EXPECT_EQ(s.props().size(), 6u);
    EXPECT_EQ(sink.warnings, (std::vector<std::pair<std::string, std::string>>{
                                 {selfRef, "ExifOffset"}, {selfRef, "Unknown"}, {selfRef, "InteroperabilityOffset"}}));
}

TEST_P(Reader, PointersOutsideTheBlockKeepTheirProperty)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir();
    b.raw(ifd0, EXIFIFD, LONG, 1, 0x00FFFF00).raw(ifd0, GPSIFD, LONG, 1, 0x00FFFF00).raw(ifd0, INTEROP, LONG, 1, 0x00FFFF00);
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    EXPECT_EQ(sink.warnings, (std::vector<std::pair<std::string, std::string>>{
                                 {lengthMismatch, "ExifOffset"}, {lengthMismatch, "GPSInfo"}}));
    for (std::uint16_t tag : {EXIFIFD, GPSIFD, INTEROP}) {
        const exif_prop* p = s.find(tag);
        ASSERT_NE(p, nullptr) << tag;
        EXPECT_EQ(p->value, 0x00FFFF00u);
        EXPECT_EQ(p->str, nullptr);
    }
}

TEST_P(Reader, SubdirectoryEntriesMustFitTheBlock)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir(), exif = b.dir(), interop = b.dir();
    b.pointer(ifd0, EXIFIFD, exif).pointer(ifd0, INTEROP, interop);
    b.longs(exif, 0x0001, {1});
    b.longs(interop, 0x0001, {1});
    bytes block = b.exif();
    const bytes huge = b.u16(0xFFFF);
    std::copy(huge.begin(), huge.end(), block.begin() + 6 + b.diroffset(exif));
    std::copy(huge.begin(), huge.end(), block.begin() + 6 + b.diroffset(interop));
    Scanned s = scan(block);
    ASSERT_TRUE(s);
    EXPECT_EQ(tagsof(s), (std::vector<std::uint16_t>{EXIFIFD, INTEROP}));
    EXPECT_EQ(sink.warnings, (std::vector<std::pair<std::string, std::string>>{{lengthMismatch, "ExifOffset"}}));
}

TEST_P(Reader, NumbersDirectoriesAndLinksParents)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir(), ifd1 = b.dir(), exif = b.dir();
    b.pointer(ifd0, EXIFIFD, exif).chain(ifd0, ifd1);
    b.shorts(ifd1, COMPRESSION, {6});
    b.rationals(exif, EXPOSURETIME, {{1, 60}});
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    const exif_prop* ptr = s.find(EXIFIFD);
    const exif_prop* thumb = s.find(COMPRESSION);
    const exif_prop* exposure = s.find(EXPOSURETIME);
    ASSERT_TRUE(ptr && thumb && exposure);
    EXPECT_EQ(ptr->ifdseq, 0u);
    EXPECT_EQ(ptr->par, nullptr);
    EXPECT_EQ(thumb->ifdseq, 1u);
    EXPECT_EQ(thumb->par, nullptr);
    EXPECT_EQ(exposure->ifdseq, 2u);
    EXPECT_EQ(exposure->par, ptr);
    EXPECT_EQ(exposure->tagset, tags);
}

TEST_P(Reader, ASecondPointerReadsTheDirectoryAgain)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir(), ifd1 = b.dir(), exif = b.dir();
    b.pointer(ifd0, EXIFIFD, exif).chain(ifd0, ifd1);
    b.pointer(ifd1, EXIFIFD, exif);
    b.rationals(exif, EXPOSURETIME, {{1, 60}});
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    const auto ptrs = s.all(EXIFIFD);
    const auto exposures = s.all(EXPOSURETIME);
    ASSERT_EQ(ptrs.size(), 2u);
    ASSERT_EQ(exposures.size(), 2u);
    EXPECT_EQ(exposures[0]->par, ptrs[0]);
    EXPECT_EQ(exposures[1]->par, ptrs[1]);
    EXPECT_EQ(exposures[0]->ifdseq, 2u);
    EXPECT_EQ(exposures[1]->ifdseq, 3u);
    EXPECT_EQ(textof(exposures[1]), "1/60");
    EXPECT_TRUE(sink.warnings.empty());
}

// IFD0 -> IFD1 in the chain; IFD0 points at Exif and GPS, Exif at Interop.
TiffBuilder camerafile(int order)
{
    TiffBuilder b(order);
    const int ifd0 = b.dir(), ifd1 = b.dir(), exif = b.dir(), gps = b.dir(), interop = b.dir();
    b.ascii(ifd0, MAKE, "Canon").pointer(ifd0, EXIFIFD, exif).pointer(ifd0, GPSIFD, gps).chain(ifd0, ifd1);
    b.shorts(ifd1, COMPRESSION, {6});
    b.rationals(exif, EXPOSURETIME, {{1, 125}}).pointer(exif, INTEROP, interop);
    b.ascii(gps, GPSLATREF, "N");
    b.ascii(interop, 0x0001, "R98");
    return b;
}

TEST_P(Reader, ProcessesMainChainThenSubdirectoriesInTheOrderFound)
{
    Scanned s = scan(camerafile(order()).exif());
    ASSERT_TRUE(s);
    EXPECT_EQ(tagsof(s), (std::vector<std::uint16_t>{MAKE, EXIFIFD, GPSIFD, COMPRESSION, EXPOSURETIME,
                                                     INTEROP, GPSLATREF, 0x0001}));
    std::vector<std::uint32_t> seqs;
    for (const exif_prop* p : s.props())
        seqs.push_back(p->ifdseq);
    EXPECT_EQ(seqs, (std::vector<std::uint32_t>{0, 0, 0, 1, 2, 2, 3, 4}));
    EXPECT_EQ(s.props().back()->par, s.find(INTEROP));
    EXPECT_EQ(s.props().back()->tagset, tags);
    EXPECT_EQ(s.props()[6]->tagset, gpstags);
    EXPECT_TRUE(sink.warnings.empty());
}

TEST_P(Reader, TracesEachDirectoryWithDebugOn)
{
    const bytes block = camerafile(order()).exif();
    TraceCapture trace;
    Scanned s = scan(block);
    ASSERT_TRUE(s);
    const std::string text = trace.text();
    const std::string endian = order() == ORDER_BIG ? "big" : "little";
    const std::vector<std::string> heads = {
        "Processing directory 0, 3 entries, " + endian + "-endian\n",
        "Processing directory 1, 1 entries, " + endian + "-endian\n",
        "Processing ExifOffset directory, 2 entries, " + endian + "-endian\n",
        "Processing GPSInfo directory, 1 entries, " + endian + "-endian\n",
        "Processing InteroperabilityOffset directory, 1 entries, " + endian + "-endian\n",
    };
    std::size_t at = 0;
    for (const std::string& head : heads) {
        const std::size_t found = text.find(head, at);
        ASSERT_NE(found, std::string::npos) << head << "in\n" << text;
        EXPECT_TRUE(found == 0 || text.compare(found - 2, 2, "\n\n") == 0) << head;
        at = found + head.size();
    }
    EXPECT_NE(text.find("   Make (0x010F): ascii, 6; "), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
}

// ---- Hostile input -------------------------------------------------------------------

struct Hostile {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    std::uint32_t value;
};

TEST_P(Reader, OffsetsAndCountsNearTheTopOfTheRangeGiveNoText)
{
    const std::vector<Hostile> cases = {
        {0x010E, ASCII, 20, 0xFFFFFFF8},        {0x010E, ASCII, 20, 0xFFFFFFFF},
        {0x010E, ASCII, 0xFFFFFFFF, 8},         {0x010E, ASCII, 0xFFFFFFFF, 0},
        {EXPOSURETIME, 5, 1, 0xFFFFFFFC},       {EXPOSURETIME, 5, 1, 0xFFFFFFF8},
        {EXPOSURETIME, 5, 0x20000000, 8},       {EXPOSURETIME, 5, 0xFFFFFFFF, 0},
        {0x9204, 10, 0x20000001, 8},            {0x9204, 10, 1, 0xFFFFFFFF},
        {BITSPERSAMPLE, SHORT, 3, 0xFFFFFFFF},  {BITSPERSAMPLE, SHORT, 8, 0xFFFFFFF2},
        {BITSPERSAMPLE, SSHORT, 4, 0xFFFFFFFE}, {BITSPERSAMPLE, SHORT, 0x80000003, 8},
        {USERCOMMENT, UNDEFINED, 0xFFFFFFFF, 0}, {USERCOMMENT, UNDEFINED, 16, 0xFFFFFFF8},
        {USERCOMMENT, UNDEFINED, 0x80000000, 0x80000000},
        {MAKE, ASCII, 0xFFFFFFFF, 0},           {MAKE, ASCII, 10, 0xFFFFFFFA},
        {0x9000, UNDEFINED, 0xFFFFFFFF, 0xFFFFFFFF},
    };
    for (const Hostile& c : cases) {
        TiffBuilder b(order());
        const int ifd0 = b.dir();
        b.raw(ifd0, c.tag, c.type, c.count, c.value);
        Scanned s = scan(b.exif());
        ASSERT_TRUE(s) << std::hex << c.tag << " " << c.count << " " << c.value;
        const auto props = s.props();
        ASSERT_EQ(props.size(), 1u);
        if (c.tag != 0x9000) {
            EXPECT_EQ(props[0]->str, nullptr) << std::hex << c.tag << " " << c.count << " " << c.value;
        }
    }
}

TEST_P(Reader, HostileCommentsInTheGpsDirectoryGiveNoText)
{
    for (std::uint32_t value : {0xFFFFFFFFu, 0xFFFFFFF8u, 0x7FFFFFFFu}) {
        TiffBuilder b(order());
        const int ifd0 = b.dir(), gps = b.dir();
        b.pointer(ifd0, GPSIFD, gps);
        b.raw(gps, GPSMETHOD, UNDEFINED, 12, value).raw(gps, 0x001C, UNDEFINED, 0xFFFFFFF0, value);
        Scanned s = scan(b.exif());
        ASSERT_TRUE(s);
        EXPECT_EQ(s.find(GPSMETHOD, gpstags)->str, nullptr);
        EXPECT_EQ(s.find(0x001C, gpstags)->str, nullptr);
    }
}

TEST_P(Reader, PointersNearTheTopOfTheRangeReadNothing)
{
    for (std::uint32_t offset : {0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFF2u, 0x80000000u}) {
        TiffBuilder b(order());
        const int ifd0 = b.dir();
        b.raw(ifd0, EXIFIFD, LONG, 1, offset).raw(ifd0, GPSIFD, LONG, 1, offset).raw(ifd0, INTEROP, LONG, 1, offset);
        b.nextraw(ifd0, offset);
        RecordingSink local;
        Scanned s = scan(b.exif());
        ASSERT_TRUE(s);
        EXPECT_EQ(s.props().size(), 3u);
        EXPECT_EQ(local.messages(), (std::vector<std::string>{lengthMismatch, lengthMismatch}));
    }
}

TEST_P(Reader, StopsAChainThatLoopsBackOnItself)
{
    {
        TiffBuilder b(order());
        const int ifd0 = b.dir();
        b.longs(ifd0, IMAGEWIDTH, {1}).chain(ifd0, ifd0);
        RecordingSink local;
        Scanned s = scan(b.exif());
        ASSERT_TRUE(s);
        EXPECT_EQ(tagsof(s), std::vector<std::uint16_t>{IMAGEWIDTH});
        EXPECT_EQ(local.messages(), std::vector<std::string>{chainLoop});
    }
    {
        TiffBuilder b(order());
        const int ifd0 = b.dir(), ifd1 = b.dir();
        b.longs(ifd0, IMAGEWIDTH, {1}).chain(ifd0, ifd1);
        b.longs(ifd1, IMAGELENGTH, {1}).chain(ifd1, ifd0);
        RecordingSink local;
        Scanned s = scan(b.exif());
        ASSERT_TRUE(s);
        EXPECT_EQ(tagsof(s), (std::vector<std::uint16_t>{IMAGEWIDTH, IMAGELENGTH}));
        EXPECT_EQ(local.messages(), std::vector<std::string>{chainLoop});
    }
    {
        TiffBuilder b(order());
        const int ifd0 = b.dir(), gps = b.dir(), gps2 = b.dir();
        b.pointer(ifd0, GPSIFD, gps);
        b.ascii(gps, GPSLATREF, "N").chain(gps, gps2);
        b.ascii(gps2, 0x0003, "E").chain(gps2, gps2);
        RecordingSink local;
        Scanned s = scan(b.exif());
        ASSERT_TRUE(s);
        EXPECT_EQ(tagsof(s), (std::vector<std::uint16_t>{GPSIFD, GPSLATREF, 0x0003}));
        EXPECT_EQ(local.messages(), std::vector<std::string>{chainLoop});
    }
}

TEST_P(Reader, StopsPointerCyclesAfter64Directories)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir(), exif = b.dir(), interop = b.dir();
    b.pointer(ifd0, EXIFIFD, exif);
    b.rationals(exif, EXPOSURETIME, {{1, 60}}).pointer(exif, INTEROP, interop);
    b.ascii(interop, 0x0001, "R98").pointer(interop, EXIFIFD, exif);
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    const auto dirs = dirsof(s);
    EXPECT_EQ(dirs.size(), 64u);
    EXPECT_EQ(*dirs.rbegin(), 63u);
    EXPECT_EQ(sink.messages(), std::vector<std::string>{tooMany});
    EXPECT_EQ(s.all(EXPOSURETIME).size(), 32u);
}

TEST_P(Reader, StopsFanOutAfter64Directories)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir(), target = b.dir();
    for (int i = 0; i < 100; i++)
        b.pointer(ifd0, INTEROP, target);
    b.ascii(target, 0x0001, "R98");
    Scanned s = scan(b.exif());
    ASSERT_TRUE(s);
    EXPECT_EQ(dirsof(s).size(), 64u);
    EXPECT_EQ(s.all(0x0001).size(), 63u);
    EXPECT_EQ(s.all(INTEROP).size(), 100u);
    ASSERT_FALSE(sink.warnings.empty());
    EXPECT_EQ(sink.messages().front(), tooMany);
}

TEST_P(Reader, ZeroLengthBlocksAreIgnored)
{
    EXPECT_FALSE(scan(bytes{}));
    EXPECT_TRUE(sink.warnings.empty());
}

TEST_P(Reader, MakerNotesAreLeftAloneWhenNotAskedFor)
{
    TiffBuilder b(order());
    const int ifd0 = b.dir();
    b.ascii(ifd0, MAKE, "Eastman Kodak Company").undefined(ifd0, 0x927C, bytes(20, 0));
    Scanned s = scan(b.exif(), 0);
    ASSERT_TRUE(s);
    EXPECT_EQ(s.find(0x927C)->str, nullptr);
    EXPECT_TRUE(sink.warnings.empty());
}

// ---- Allocation failure ----------------------------------------------------------------

// A block with five directories and a text of every kind.
bytes richblock(int order)
{
    TiffBuilder b(order);
    const int ifd0 = b.dir(), ifd1 = b.dir(), exif = b.dir(), gps = b.dir(), interop = b.dir();
    b.ascii(ifd0, MAKE, "Canon")
        .ascii(ifd0, 0x0110, "Canon PowerShot S40")
        .shorts(ifd0, ORIENTATION, {1})
        .rationals(ifd0, 0x011A, {{180, 1}})
        .shorts(ifd0, 0x0128, {2})
        .shorts(ifd0, BITSPERSAMPLE, {8, 8, 8})
        .pointer(ifd0, EXIFIFD, exif)
        .pointer(ifd0, GPSIFD, gps)
        .chain(ifd0, ifd1);
    b.shorts(ifd1, COMPRESSION, {6}).ascii(ifd1, 0x0131, "v1");
    b.add(exif, 0x9000, UNDEFINED, 4, {'0', '2', '2', '0'})
        .rationals(exif, EXPOSURETIME, {{1, 125}})
        .rationals(exif, 0x9204, {{static_cast<std::uint32_t>(-2), 3}}, 10)
        .undefined(exif, USERCOMMENT, {'A', 'S', 'C', 'I', 'I', 0, 0, 0, 'H', 'e', 'l', 'l', 'o', ' '})
        .undefined(exif, FILESOURCE, {3})
        .undefined(exif, 0xA301, {1})
        .undefined(exif, 0x927C, bytes(24, 0))
        .pointer(exif, INTEROP, interop);
    b.add(gps, 0x0000, 1, 4, {2, 2, 0, 0})
        .ascii(gps, GPSLATREF, "N")
        .rationals(gps, 0x0002, {{35, 1}, {40, 1}, {0, 1}})
        .undefined(gps, GPSMETHOD, {'A', 'S', 'C', 'I', 'I', 0, 0, 0, 'G', 'P', 'S'});
    b.ascii(interop, 0x0001, "R98");
    return b.exif();
}

class ReaderAllocation : public Reader {
protected:
    void TearDown() override { detail::failallocafter(-1); }
};

INSTANTIATE_TEST_SUITE_P(BothOrders, ReaderAllocation, ::testing::Values(ORDER_LITTLE, ORDER_BIG),
                         test::ordername<::testing::TestParamInfo<int>>);

TEST_P(ReaderAllocation, EveryFailureEndsCleanly)
{
    const bytes block = richblock(order());
    const std::size_t expected = scan(block).props().size();
    ASSERT_GT(expected, 20u);
    const std::string reason = std::string("Error: ") + std::strerror(ENOMEM);

    long n = 0;
    for (;; n++) {
        ASSERT_LT(n, 10000) << "the parse never succeeded";
        RecordingSink local;
        detail::failallocafter(n);
        try {
            Scanned s = scan(block);
            detail::failallocafter(-1);
            if (n == 0) {
                EXPECT_FALSE(s);
                EXPECT_EQ(local.warnings, (std::vector<std::pair<std::string, std::string>>{
                                              {"can't allocate file info", std::strerror(ENOMEM)}}));
                continue;
            }
            ASSERT_TRUE(s) << "allowance " << n;
            EXPECT_EQ(s.props().size(), expected);
            break;
        } catch (const ExifException& e) {
            detail::failallocafter(-1);
            EXPECT_NE(n, 0);
            EXPECT_EQ(std::string(e.reason()), reason) << "allowance " << n;
            EXPECT_STREQ(e.name(), "exifdie");
        }
    }
    EXPECT_GT(n, static_cast<long>(expected));  // every property, text and directory allocates
}

}  // namespace
}  // namespace exifkit
