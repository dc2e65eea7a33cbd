// The TIFF directory reader as a read shows it: header checks, the walk of
// directories and its limits, warnings, offsets and counts that point anywhere.
#include <gtest/gtest.h>

#include <sstream>

#include "support/delivery.h"
#include "support/hostile.h"

namespace exifkit::test {
namespace {

constexpr std::uint16_t MAKE = 0x010F, ORIENTATION = 0x0112, EXIFIFD = 0x8769, GPSIFD = 0x8825, INTEROP = 0xA005;
const std::string TOOMANY = "w too many directories; ignoring the rest";

class Reader : public ::testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(BothOrders, Reader, ::testing::Values(ORDER_LITTLE, ORDER_BIG));

// Bytes 6-13 are the TIFF header, 14-15 the entry count, 28-31 the next offset.
TEST_P(Reader, ChecksTheHeadersAndIfd0Bounds)
{
    TiffBuilder b(GetParam());
    const bytes good = b.shorts(b.dir(), ORIENTATION, {1}).exif();
    auto patched = [&](std::size_t at, const bytes& with) {
        bytes out = good;
        std::copy(with.begin(), with.end(), out.begin() + static_cast<long>(at));
        return out;
    };
    auto cut = [&](long n) { return bytes(good.begin(), good.begin() + n); };
    // The next offset of IFD0 may be cut short or point anywhere.
    for (const bytes& block : {good, cut(28), cut(31), patched(28, b.u32(0xFFFFFFF0))})
        expect(readblock(block), {"i Image Orientation=Top, Left-Hand"});
    const std::string header = "w invalid TIFF header", noifd0 = "w invalid Exif format (couldn't read IFD0)";
    const std::pair<bytes, std::string> rejected[] = {
        {patched(6, {'I', 'M'}), header},         {patched(6, {'m', 'm'}), header},         {patched(8, b.u16(43)), header},
        {patched(8, b.u16(0x2A00)), header},      {patched(0, {'e'}), ""},                  {patched(5, {1}), ""},
        {cut(0), ""},                             {cut(9), ""},                             {cut(13), ""},
        {cut(14), noifd0},                        {cut(15), noifd0},                        {patched(14, b.u16(2)), noifd0},
        {patched(14, b.u16(0xFFFF)), noifd0},     {patched(10, b.u32(0xFFFFFFFF)), noifd0}, {patched(10, b.u32(0xFFFFFFFE)), noifd0},
    };
    for (const auto& [block, warning] : rejected)
        expect(readblock(block), warning.empty() ? strings{"-"} : strings{"-", warning}, ::testing::PrintToString(block));
}

// Fields without a text show their value word: a SHORT of one value is the
// first 16 bits of the value field in file order.
TEST_P(Reader, ValueFieldsInFileOrder)
{
    TiffBuilder b(GetParam());
    const int d = b.dir();
    bytes five = b.u16(5), minus2 = b.u16(0xFFFE);
    minus2.resize(4, 0x77);
    b.field(d, 0x0150, TYPE_SHORT, 1, five).field(d, 0x0151, TYPE_SSHORT, 1, minus2).field(d, 0x0152, TYPE_SHORT, 0, five);
    b.field(d, 0x0153, TYPE_LONG, 1, {0, 5, 0, 0}).field(d, 0x0154, TYPE_SHORT, 2, {0, 5, 0, 0});
    const std::string word = "u Unknown=" + std::string(GetParam() == ORDER_BIG ? "327680" : "1280");
    EXPECT_EQ(readblock(b.exif()).lines, (strings{"u Unknown=5", "u Unknown=65534", "u Unknown=5", word, word}));
}

// IFD0 and IFD1 both point at the Exif IFD, whose chained directory is never
// read; the GPS IFD's chained directory is; the Exif IFD points at Interop.
// The main chain comes first, then subdirectories in the order found.
TEST_P(Reader, WalksAndTracesTheDirectories)
{
    TiffBuilder b(GetParam());
    const int ifd0 = b.dir(), ifd1 = b.dir(), exif = b.dir(), gps = b.dir(), gps2 = b.dir(), interop = b.dir(),
              behindexif = b.dir();
    b.ascii(ifd0, MAKE, "Canon").pointer(ifd0, EXIFIFD, exif).pointer(ifd0, GPSIFD, gps).chain(ifd0, ifd1);
    b.shorts(ifd1, 0x0103, {6}).pointer(ifd1, EXIFIFD, exif);
    b.rationals(exif, 0x829A, {{1, 125}}).pointer(exif, INTEROP, interop).chain(exif, behindexif);
    b.ascii(gps, 0x0001, "N").chain(gps, gps2).ascii(gps2, 0x0003, "E");
    b.ascii(interop, 1, "R98").longs(behindexif, 0x7777, {1});
    const Delivered d = readblock(b.exif(), true);
    expect(d, {"==", "c Equipment Make=Canon", "i Exposure Time=1/125 sec", "i Exposure Time=1/125 sec", "o Exif IFD Pointer=#",
               "o Compression Scheme=JPEG Compression (Thumbnail)", "o Exif IFD Pointer=#", "o Latitude Reference=N",
               "o Longitude Reference=E", "u GPS Info IFD Pointer=#", "u Interoperability IFD Pointer=#",
               "u Interoperability IFD Pointer=#", "u Unknown=R98", "u Unknown=R98"});
    const std::string endian = GetParam() == ORDER_BIG ? " entries, big-endian\n" : " entries, little-endian\n";
    std::string expected, heads;
    for (const char* head : {"directory 0, 3", "directory 1, 2", "ExifOffset directory, 2", "GPSInfo directory, 1",
                             "directory 4, 1", "ExifOffset directory, 2", "InteroperabilityOffset directory, 1",
                             "InteroperabilityOffset directory, 1"})
        expected += "Processing " + std::string(head) + endian;
    std::istringstream in(d.trace);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Processing", 0) == 0)
            heads += line + "\n";
    EXPECT_EQ(heads, expected);
    EXPECT_NE(d.trace.find("   Make (0x010F): ascii, 6; 50\n       "), std::string::npos) << d.trace;
}

// Entries of unknown types are dropped, mismatched ones read all the same; a
// pointer in a directory of its own kind is not followed.
TEST(Directories, UnknownTypesMismatchesSelfPointersAndOffsetsThatPointAnywhere)
{
    TiffBuilder b = camera(ORDER_LITTLE);
    b.longs(IFD0, 0x0100, {640}).longs(IFD0, ORIENTATION, {6}).raw(IFD0, 0x0103, 13, 1, 6);
    b.raw(IFD0, 0x1234, 0, 1, 6).raw(IFD0, 0x0101, 0xFFFF, 1, 6).shorts(IFD0, 0x0102, {8, 8, 8, 8});
    b.longs(IFD0, 0x4242, {1}).add(EXIF, 0x9286, TYPE_ASCII, 10, text(std::string("ASCII\0\0\0Hi", 10)));
    b.add(EXIF, 0xA300, TYPE_UNDEFINED, 2, {3, 3});
    expect(readblock(b.exif()),
           {"i Image Width=640", "i Image Orientation=Right-Hand, Top", "i Number of Bits Per Component=8, 8, 8, 8", "u Unknown=1",
            "!Compression Scheme", "!Image Height", "w field type mismatch (Orientation)",
            "w unknown TIFF field type; discarding (Compression)", "w unknown TIFF field type; discarding (Unknown)",
            "w unknown TIFF field type; discarding (ImageLength)", "w field count mismatch (BitsPerSample)"});
    TiffBuilder self;
    const int ifd0 = self.dir(), exif = self.dir(), gps = self.dir(), interop = self.dir();
    self.pointer(ifd0, EXIFIFD, exif).pointer(ifd0, GPSIFD, gps).pointer(exif, EXIFIFD, exif);
    self.pointer(exif, INTEROP, interop).pointer(gps, GPSIFD, gps).pointer(interop, INTEROP, interop);
    const Delivered d = readblock(self.exif());
    EXPECT_EQ(d.lines.size(), 6u);
    EXPECT_EQ(d.warnings, (strings{"w IFD tag refers to itself (ExifOffset)", "w IFD tag refers to itself (Unknown)",
                                   "w IFD tag refers to itself (InteroperabilityOffset)"}));
    // Offset 0 is the TIFF header, whose byte-order mark reads as a count far too
    // large. Pointers outside the block keep their property; data outside it give
    // no text (the version text alone never reads the data).
    for (std::uint32_t offset : {0u, 0x00FFFF00u, 0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFF2u, 0x80000000u}) {
        TiffBuilder b;
        b.raw(b.dir(), EXIFIFD, TYPE_LONG, 1, offset).raw(0, GPSIFD, TYPE_LONG, 1, offset).raw(0, INTEROP, TYPE_LONG, 1, offset);
        const Delivered d = readblock(b.nextraw(0, offset).exif());
        const std::string value = std::to_string(static_cast<std::int32_t>(offset));
        EXPECT_EQ(d.lines, (strings{"o Exif IFD Pointer=" + value, "u GPS Info IFD Pointer=" + value,
                                    "u Interoperability IFD Pointer=" + value}));
        EXPECT_EQ(d.warnings, (strings{"w invalid Exif format: IFD length mismatch (ExifOffset)",
                                       "w invalid Exif format: IFD length mismatch (GPSInfo)"}));
    }
    const struct { std::uint16_t tag, type; std::uint32_t count, value; } cases[] = {
        {0x010E, TYPE_ASCII, 20, 0xFFFFFFF8},     {0x010E, TYPE_ASCII, 20, 0xFFFFFFFF},     {0x010E, TYPE_ASCII, 0xFFFFFFFF, 8},
        {0x010E, TYPE_ASCII, 0xFFFFFFFF, 0},      {MAKE, TYPE_ASCII, 0xFFFFFFFF, 0},        {MAKE, TYPE_ASCII, 10, 0xFFFFFFFA},
        {0x829A, TYPE_RATIONAL, 1, 0xFFFFFFFC},   {0x829A, TYPE_RATIONAL, 1, 0xFFFFFFF8},   {0x829A, TYPE_RATIONAL, 0x20000000, 8},
        {0x829A, TYPE_RATIONAL, 0xFFFFFFFF, 0},   {0x9204, TYPE_SRATIONAL, 0x20000001, 8},  {0x9204, TYPE_SRATIONAL, 1, 0xFFFFFFFF},
        {0x0102, TYPE_SHORT, 3, 0xFFFFFFFF},      {0x0102, TYPE_SHORT, 8, 0xFFFFFFF2},      {0x0102, TYPE_SSHORT, 4, 0xFFFFFFFE},
        {0x0102, TYPE_SHORT, 0x80000003, 8},      {0x9286, TYPE_UNDEFINED, 0xFFFFFFFF, 0},  {0x9286, TYPE_UNDEFINED, 16, 0xFFFFFFF8},
        {0x9286, TYPE_UNDEFINED, 0x80000000, 0x80000000},
    };
    for (const auto& c : cases) {
        TiffBuilder b;
        const Delivered d = readblock(b.raw(b.dir(), c.tag, c.type, c.count, c.value).exif());
        ASSERT_EQ(d.lines.size(), 1u);
        EXPECT_EQ(d.lines[0].substr(d.lines[0].find('=')), "=" + std::to_string(static_cast<std::int32_t>(c.value)))
            << std::hex << c.tag << " " << c.count << " " << c.value;
    }
    for (std::uint32_t value : {0xFFFFFFFFu, 0xFFFFFFF8u, 0x7FFFFFFFu}) {
        TiffBuilder b;
        const int ifd0 = b.dir(), gps = b.dir();
        b.pointer(ifd0, GPSIFD, gps).raw(gps, 0x001B, TYPE_UNDEFINED, 12, value).raw(gps, 0x001C, TYPE_UNDEFINED, 0xFFFFFFF0, value);
        const std::string v = std::to_string(static_cast<std::int32_t>(value));
        expect(readblock(b.exif()), {"i GPS Processing Method=" + v, "i GPS Area=" + v}, std::to_string(value));
    }
}

// Chains that loop back stop there; pointer cycles and fan-out stop after 64
// directories.
TEST(Directories, StopsLoopsCyclesAndFanOut)
{
    TiffBuilder self, pair, gps, cycle, fan;
    self.longs(self.dir(), 0x0100, {1}).chain(0, 0);
    pair.longs(pair.dir(), 0x0100, {1}).longs(pair.dir(), 0x0101, {2}).chain(0, 1).chain(1, 0);
    gps.dir();
    gps.pointer(0, GPSIFD, gps.dir()).ascii(1, 0x0001, "N").ascii(gps.dir(), 0x0003, "E").chain(1, 2).chain(2, 2);
    const std::pair<TiffBuilder*, strings> loops[] = {
        {&self, {"i Image Width=1"}},
        {&pair, {"i Image Width=1", "o Image Height=2"}},
        {&gps,  {"o Latitude Reference=N", "o Longitude Reference=E", "u GPS Info IFD Pointer=#"}},
    };
    for (auto [builder, want] : loops) {
        const Delivered d = readblock(builder->exif());
        EXPECT_EQ(d.lines.size(), want.size());
        expect(d, cat(want, {"w directory chain loops back on itself; stopping"}));
    }
    const int ifd0 = cycle.dir(), exif = cycle.dir(), interop = cycle.dir();
    cycle.pointer(ifd0, EXIFIFD, exif).rationals(exif, 0x829A, {{1, 60}}).pointer(exif, INTEROP, interop);
    cycle.ascii(interop, 0x0001, "R98").pointer(interop, EXIFIFD, exif);
    const Delivered d = readblock(cycle.exif());
    EXPECT_EQ(std::count(d.lines.begin(), d.lines.end(), "i Exposure Time=1/60 sec"), 32);
    EXPECT_EQ(d.warnings, strings{TOOMANY});
    fan.dir();
    for (int i = 0; i < 100; i++)
        fan.pointer(0, INTEROP, 1);
    fan.ascii(fan.dir(), 0x0001, "R98");
    const Delivered f = readblock(fan.exif());
    EXPECT_EQ(std::count(f.lines.begin(), f.lines.end(), "u Unknown=R98"), 63);
    EXPECT_EQ(f.lines.size(), 163u);
    EXPECT_EQ(f.warnings, strings(37, TOOMANY));
}

// Blocks built to make the reader work as hard as it can stay within the
// quotas of entries, sub-values and copied text, and say so.
TEST(Limits, HostileBlocksAndFuzzRegressionsStayWithinTheQuotas)
{
    for (const bench::hostileblock& h : bench::hostileblocks()) {
        SCOPED_TRACE(h.name);
        const Delivered d = readblock(h.data);
        EXPECT_EQ(d.result, EXIF_OK);
        std::size_t text = 0;
        for (const std::string& l : d.lines)
            text += l.size();
        EXPECT_LE(d.lines.size(), 4096u + 8192u);
        EXPECT_LE(text, 4 * h.data.size() + 65536 + 100 * d.lines.size());
        const bool toomuchtext = h.name == "shared-text";
        const bool toomanyvalues = h.name == "deep-maker-array" || h.name == "shared-maker-arrays";
        EXPECT_EQ(std::count(d.warnings.begin(), d.warnings.end(), "w too much text; leaving the rest out"), toomuchtext);
        EXPECT_EQ(std::count_if(d.warnings.begin(), d.warnings.end(), [](const std::string& w) {
                      return w.rfind("w too many values; ignoring the rest", 0) == 0;
                  }) > 0, toomanyvalues);
    }
    // The inputs of tests/data/fuzz once crashed, leaked or stalled the library.
    // One GPS directory fanned out under 63 pointers once gave 340,000 properties.
    for (const auto& entry : std::filesystem::directory_iterator(EXIFKIT_TEST_DATA "/fuzz")) {
        if (entry.path().filename() == "README")
            continue;
        const bytes data = readfile(entry.path());
        const Delivered d = entry.path().extension() == ".app1" ? readblock(data) : readjpeg(data);
        EXPECT_TRUE(d.result == EXIF_OK || d.result == EXIF_NONE) << entry.path();
        if (entry.path().filename() == "gps-fanout.app1") {
            EXPECT_EQ(d.lines.size(), 4096u);
            expect(d, {"w*"});
            EXPECT_NE(std::find(d.warnings.begin(), d.warnings.end(), "w too many directory entries; ignoring the rest"),
                      d.warnings.end());
        }
    }
}

}  // namespace
}  // namespace exifkit::test
