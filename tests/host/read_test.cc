// Reading files: result codes, fatal errors, the process-wide reader and its
// handler, sink and frame, Readers of their own, streams, the JPEG scanner,
// and the values of the sample photos.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <thread>

#include "exifkit/records.h"
#include "support/delivery.h"

namespace exifkit::test {
namespace {

// Records deliveries as "begin N" and "name=value", and warnings and errors.
struct Recorder : InfoHandler, WarningSink {
    strings calls, warnings, errors;
    void beginOfInfoType(int level) override { calls.push_back("begin " + std::to_string(level)); }
    void handleInfoWithName(const char* n, const char* v) override { calls.push_back(std::string(n) + "=" + v); }
    void warning(const char* m, const char* d) override { warnings.push_back(std::string(m) + (d ? d : "")); }
    void error(const char* reason) override { errors.push_back(reason); }
};

constexpr const char* UNKNOWN_FORMAT =
    "Error: unknown file format (reads JPEG, TIFF and raw files, HEIF/HEIC, AVIF, CR3, PNG, WebP, JPEG XL and RAF)";

// Whole files that end every way a read can end read alike from memory, a
// stream, a path, and into a value read into again and again; so does the corpus.
TEST(Read, ResultsOfWholeFilesReadAlikeEveryWay)
{
    TiffBuilder empty;
    empty.dir();
    const bytes one = makeexif("One"), two = makeexif("Two", ORDER_BIG), good = minimaljpeg({one, two});
    const bytes truncated{0xFF, 0xE1, 0x10, 0x00, 'E', 'x', 'i', 'f', 0, 0};
    // Every Exif segment is delivered, APP2 segments skipped.
    const bytes app2s = cat({SOI, segment(0xE2, bytes(300, 0xAB)), app1(one), segment(0xE2, bytes(9, 1)), app1(two), SOS});
    struct Case { bytes jpeg; int result; std::size_t lines; const char* error = nullptr; };
    std::vector<Case> cases = {
        {cat({SOI, app1(one), SOS, EOI}),                                   EXIF_OK,          1},
        {cat({SOI, sof0(8, 8), SOS, EOI}),                                  EXIF_NONE,        0},
        {cat({SOI, app1(text("http://")), SOS}),                            EXIF_NONE,        0},
        {cat({SOI, app1(empty.exif()), SOS}),                               EXIF_NONE,        0},
        {minimaljpeg({}),                                                   EXIF_NONE,        0},
        {cat({SOI, {0, 0x12}, app1(makeexif("Four")), sof0(8, 8, 9), SOS}), EXIF_OK,          1},
        {app2s,                                                             EXIF_OK,          2},
        {{},                                                                EXIF_NONE,        0, UNKNOWN_FORMAT},
        {{'I', 'I', 42, 0, 0xFF, 0x00, 1, 2},                               EXIF_NONE,        0},
        {text("not jpeg"),                                                  EXIF_NONE,        0, UNKNOWN_FORMAT},
        {{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01},                              EXIF_NONE,        0, "Error: invalid JPEG marker (length mismatch)"},
        // A fatal error after a delivery keeps what was delivered.
        {cat({SOI, app1(one), {0xFF, 0xDB, 0x00, 0x40, 1, 2, 3}}),          EXIF_NONE,        1, "Error: invalid JPEG format"},
        {cat({SOI, app1(one), {0xFF, 0xE2, 0x10, 0x00, 1, 2, 3}}),          EXIF_NONE,        1, "Error: invalid JPEG format"},
        // A segment cut short is no Exif before a delivery, a failed read after one.
        {cat({SOI, truncated}),                                             EXIF_NONE,        0},
        {cat({SOI, app1(one), truncated}),                                  EXIF_READ_FAILED, 1},
        {bytes(good.begin(), good.end() - 40),                              EXIF_READ_FAILED, 1},
    };
    for (const std::string& path : corpusfiles())
        cases.push_back({readfile(path), -1, 0});  // read alike, whatever they hold
    Metadata reused;
    for (const Case& c : cases) {
        const TempFile file(c.jpeg);
        const Metadata byname = readMetadata(file.path());
        EXPECT_EQ(readMetadata(c.jpeg.data(), c.jpeg.size()), byname) << file.path();
        readMetadata(file.path(), reused);
        EXPECT_EQ(reused, byname);
        std::FILE* stream = std::fopen(file.path(), "rb");
        EXPECT_EQ(readMetadata(stream), byname);
        std::fclose(stream);
        if (c.result < 0)
            continue;
        const Delivered d = delivered(byname);
        const std::string row = std::to_string(&c - cases.data());
        EXPECT_EQ(d.result, c.result) << row;
        EXPECT_EQ(d.lines.size(), c.lines) << row;
        EXPECT_EQ(d.error, c.error ? c.error : "") << row;
        // The reason is reported as the error, never as a warning.
        EXPECT_EQ(std::count(d.warnings.begin(), d.warnings.end(), "w " + d.error), 0);
    }
    const Metadata m = readMetadata(good.data(), good.size());
    EXPECT_EQ(m.frame, (Frame{8, 3, 68, 100}));
    ASSERT_EQ(m.groups.size(), 8u);
    EXPECT_EQ(textsof(m).groups[4], (Group{LVL_CAMERA, {textproperty("Equipment Make", "Two", LVL_CAMERA)}}));
    EXPECT_EQ(readMetadata("/nonexistent/photo.jpg").oserror, ENOENT);
}

// The process-wide reader delivers four groups per block to the registered
// handler, reports to the registered sink, and keeps the frame of the current
// file only; a Reader reports to its own and leaves those alone.
TEST(Read, TheProcessWideReaderReadersOfTheirOwnNestedReadsAndStreams)
{
    Recorder global, own;
    setEXIFInfoHandler(&global);
    WarningSink* previous = setWarningSink(&global);
    const bytes jpeg = cat({SOI, {0x00}, app1(makeexif("One")), sof0(80, 120), SOS});
    int p = 0, c = 0, h = 0, w = 0;
    {
        std::FILE* trace = std::tmpfile();
        Reader reader;
        reader.setHandler(&own);
        reader.setWarningSink(&own);
        reader.setTrace(true, trace);
        EXPECT_EQ(reader.read(jpeg.data(), jpeg.size()), EXIF_OK);
        EXPECT_GT(std::ftell(trace), 0);
        std::fclose(trace);
        EXPECT_EQ(reader.frame(&p, &c, &h, &w), 1);
        EXPECT_EQ((std::vector<int>{p, c, h, w}), (std::vector<int>{8, 3, 80, 120}));
        EXPECT_EQ(own.calls, (strings{"begin 2", "Equipment Make=One", "begin 4", "begin 8", "begin 1"}));
        EXPECT_EQ(own.warnings, strings{"skipped spurious bytes in JPEG"});
        EXPECT_TRUE(global.calls.empty() && global.warnings.empty());
        EXPECT_EQ(jpeginfo(&p, &c, &h, &w), 0);
    }
    const TempFile file(jpeg);
    EXPECT_EQ(readEXIF(file.path()), EXIF_OK);
    EXPECT_EQ(global.calls, own.calls);
    EXPECT_EQ(jpeginfo(&p, &c, &h, &w), 1);
    EXPECT_EQ(h, 80);
    std::FILE* stream = std::fopen(file.path(), "rb");
    EXPECT_EQ(readEXIFStream(stream), EXIF_OK);
    std::fclose(stream);
    EXPECT_EQ(readEXIFMemory(jpeg.data(), jpeg.size()), EXIF_OK);
    EXPECT_EQ(global.calls.size(), 15u);
    // A file without a frame header, or one that cannot be opened, forgets it.
    EXPECT_EQ(readEXIFMemory(minimaljpeg({}).data(), 4), EXIF_NONE);
    EXPECT_EQ(jpeginfo(&p, &c, &h, &w), 0);
    readEXIFMemory(jpeg.data(), jpeg.size());
    EXPECT_EQ(readEXIF("/nonexistent/photo.jpg"), EXIF_CANT_OPEN);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(readEXIF(nullptr), EXIF_CANT_OPEN);
    EXPECT_EQ(jpeginfo(&p, &c, &h, &w), 0);
    EXPECT_EQ(readEXIFMemory("not jpeg", 8), EXIF_NONE);
    EXPECT_EQ(global.errors, (strings{"Error: invalid JPEG format", UNKNOWN_FORMAT}));
    setEXIFInfoHandler(nullptr);
    EXPECT_EQ(readEXIFMemory(jpeg.data(), jpeg.size()), EXIF_OK);
    EXPECT_EQ(global.calls.size(), 20u);
    EXPECT_EQ(setWarningSink(previous), &global);
    // A handler may read another file from its callbacks, on the same thread.
    const bytes outer = minimaljpeg({makeexif("Outer")}), inner = minimaljpeg({makeexif("Inner")});
    struct Nesting : InfoHandler {
        const bytes* inner = nullptr;
        strings seen;
        void beginOfInfoType(int) override
        {
            seen.push_back(readMetadata(inner->data(), inner->size()).groups.at(0).properties.at(0).text);
        }
        void handleInfoWithName(const char*, const char* value) override { seen.push_back(value); }
    } nesting;
    nesting.inner = &inner;
    Reader reader;
    reader.setHandler(&nesting);
    EXPECT_EQ(reader.read(outer.data(), outer.size()), EXIF_OK);
    EXPECT_EQ(nesting.seen, (strings{"Inner", "Outer", "Inner", "Inner", "Inner"}));
    // A seekable stream is left just past the start-of-scan marker, as if read
    // byte by byte; a pipe, which cannot seek, still has its APP2 passed over.
    const bytes head = cat({SOI, segment(0xE2, bytes(500, 7)), app1(makeexif("One")), SOS});
    const TempFile headfile(head);
    std::FILE* seekable = std::fopen(headfile.path(), "rb");
    EXPECT_EQ(readEXIFStream(seekable), EXIF_OK);
    EXPECT_EQ(std::ftell(seekable), static_cast<long>(head.size() - SOS.size() + 2));
    std::fclose(seekable);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::thread writer([&] {
        EXPECT_EQ(write(fds[1], head.data(), head.size()), static_cast<ssize_t>(head.size()));
        close(fds[1]);
    });
    std::FILE* piped = fdopen(fds[0], "rb");
    const Delivered d = delivered(readMetadata(piped));
    writer.join();
    std::fclose(piped);
    expect(d, {"==", "c Equipment Make=One"});
}

// printprops settles the levels on its first pass: point-and-shoot ones go
// with the camera group when asked, overridden and bad ones with "other".
TEST(Read, PrintpropsSettlesLevels)
{
    Recorder handler;
    setEXIFInfoHandler(&handler);
    exif_prop props[5] = {};
    const std::uint16_t levels[] = {LVL_PAS, LVL_OVERRIDE, LVL_BAD, LVL_CAMERA | LVL_IMAGE, 0};
    const char* names[] = {"pas", "override", "bad", "combined", "zero"};
    for (int i = 0; i < 5; i++)
        props[i] = {0, 0, 0, 0xFFFFFFFF, names[i], i == 1 ? "Described" : nullptr, nullptr, levels[i], 0, 0, nullptr,
                    nullptr, i < 4 ? &props[i + 1] : nullptr, nullptr, nullptr, PROP_MADE, 0};
    for (int level : {LVL_CAMERA, LVL_IMAGE, LVL_VERBOSE, LVL_UNKNOWN})
        printprops(props, level, 1);
    EXPECT_EQ(handler.calls, (strings{"begin 2", "pas=-1", "begin 4", "begin 8", "Described=-1", "bad=-1", "begin 1"}));
    props[0].lvl = LVL_PAS;
    handler.calls.clear();
    printprops(props, LVL_IMAGE, 0);
    setEXIFInfoHandler(nullptr);
    EXPECT_EQ(handler.calls, (strings{"begin 4", "pas=-1"}));
}

// The scanner on a stream of the caller's: the stops as "marker:length" (it
// skips each segment's data), then the end marker or the fatal error's
// reason, and the warnings.
TEST(JpegScan, WalksSegmentsToTheEndOfTheHeader)
{
    const auto mark = [](unsigned char code, long length = -1) {
        return length < 0 ? bytes{0xFF, code}
                          : bytes{0xFF, code, static_cast<unsigned char>(length >> 8), static_cast<unsigned char>(length)};
    };
    const auto seg = [](unsigned char code, std::size_t n) { return segment(code, bytes(n)); };
    const auto sof = [&](unsigned char code, long length, unsigned char comps) {
        return cat({mark(code, length), {8, 0x01, 0xE0, 0x02, 0x80, comps}, bytes(comps * 3u, 0x11)});
    };
    const std::string spurious = "skipped spurious bytes in JPEG", badsof = "Error: invalid JPEG SOF marker (length mismatch)",
                      notjpeg = "doesn't appear to be a JPEG file; searching for start of image",
                      badlength = "Error: invalid JPEG marker (length mismatch)", format = "Error: invalid JPEG format";
    const struct { bytes jpeg; strings seen, warnings = {}; } cases[] = {
        {cat({SOI, seg(0xE2, 3), seg(0xE1, 4), mark(0xDA)}),           {"226:3", "225:4", "218"}},
        {cat({SOI, {0xFF, 0xFF, 0xFF}, seg(0xE1, 1), mark(0xD9)}),     {"225:1", "217"}},
        {cat({SOI, seg(0xE1, 0), mark(0xD9)}),                         {"225:0", "217"}},
        {cat({SOI, seg(0xED, 0xFFFD), seg(0xE1, 0xFFFD), mark(0xD9)}), {"225:65533", "217"}},
        {cat({SOI, mark(0xD0, 3), {0}, mark(0xD8, 2), mark(0xD9)}),    {"217"}},
        {cat({SOI, {1, 2}, seg(0xE1, 1), {3, 0xFF, 0xFF, 0xD9}}),      {"225:1", "217"},                    {spurious, spurious}},
        {cat({{'x', 'y'}, SOI, seg(0xE1, 2), mark(0xDA)}),             {"225:2", "218"},                    {notjpeg, spurious}},
        {cat({{'x', 0xFF}, SOI, mark(0xD9)}),                          {"217"},                             {notjpeg}},
        {cat({{0xFF}, SOI, mark(0xE0, 2), mark(0xD9)}),                {"Error: start of image not found"}, {notjpeg, spurious}},
        {cat({SOI, {0xFF, 0xE1, 0}}),                                  {format}},
        {cat({SOI, mark(0xDB, 67), {0, 1, 2}}),                        {format}},
        {cat({SOI, mark(0xE1, 0)}),                                    {badlength}},
        {cat({SOI, mark(0xE0, 1)}),                                    {badlength}},
        {cat({SOI, sof(0xC0, 2, 0), mark(0xDA)}),                      {badsof}},
    };
    Recorder sink;
    WarningSink* previous = setWarningSink(&sink);
    const auto scanall = [&](const bytes& data) {
        std::FILE* f = std::tmpfile();
        std::fwrite(data.data(), 1, data.size(), f);
        std::rewind(f);
        strings seen;
        int marker = -1;
        unsigned length = 0xDEAD;
        try {
            for (int first = 1; jpegscan(f, &marker, &length, first) == 1; first = 0) {
                seen.push_back(std::to_string(marker) + ":" + std::to_string(length));
                std::fseek(f, length, SEEK_CUR);
            }
            seen.push_back(std::to_string(marker));
        } catch (const ExifException& e) {
            seen.emplace_back(e.reason());
        }
        std::fclose(f);
        return seen;
    };
    for (const auto& c : cases) {
        sink.warnings.clear();
        EXPECT_EQ(scanall(c.jpeg), c.seen) << &c - cases;
        EXPECT_EQ(sink.warnings, c.warnings) << &c - cases;
    }
    // Only SOF codes carry a frame header, read whole; a first call forgets an
    // earlier stream's frame; a bad frame header keeps the values read before
    // its length check.
    const auto info = [] {
        int p, c, h, w;
        const int seen = jpeginfo(&p, &c, &h, &w);
        return seen ? std::vector<int>{p, c, h, w} : std::vector<int>{};
    };
    for (unsigned char code = 0xC0; code <= 0xCF; ++code) {
        EXPECT_EQ(scanall(cat({SOI, sof(code, 11, 1), mark(0xDA)})), strings{"218"});
        const bool frame = code != 0xC4 && code != 0xC8 && code != 0xCC;
        EXPECT_EQ(info(), frame ? (std::vector<int>{8, 1, 480, 640}) : std::vector<int>{}) << int{code};
    }
    scanall(cat({SOI, mark(0xD9)}));
    EXPECT_EQ(info(), std::vector<int>{});
    EXPECT_EQ(scanall(cat({SOI, seg(0xE0, 0), sof(0xC2, 18, 3)})), strings{badsof});
    int p, c, h, w;
    EXPECT_EQ(jpeginfo(&p, &c, &h, &w), 0);
    EXPECT_EQ((std::vector<int>{p, c, h, w}), (std::vector<int>{8, 3, 480, 640}));
    jpegreset();
    EXPECT_EQ(info(), std::vector<int>{});
    setWarningSink(previous);
}

// The maker notes of real photos: values, and the standard values they supersede.
TEST(Samples, MakerNotesOfRealPhotos)
{
    const std::string data = EXIFKIT_TEST_DATA "/", corpus = EXIFKIT_CORPUS "/";
    const struct { std::string file; strings want; bool incorpus = false; } cases[] = {
        {data + "Canon_DIGITAL_IXUS_400.jpg",
         {"c Lens Size=7.41 - 22.22 mm", "c Firmware Version=Firmware Version 1.00", "c Owner Name=Jean-Pierre Grignon",
          "i Metering Mode=Evaluative", "i ISO Speed Rating=Auto", "i Focus Mode=Single", "i Drive Mode=Single",
          "i Flash Mode=Auto", "i Compression Setting=Fine", "i Macro Mode=Normal", "i Subject Distance=2.160 m",
          "i Sensor ISO Speed=50", "i Image Number=124-2489", "o Metering Mode=Pattern", "o White Balance=Auto",
          "o Self-Timer Length=0 sec"}},
        {data + "Fujifilm_FinePix_E500.jpg",
         {"c Sensing Method=One-Chip Color Area", "c Maker Note Version=0130", "i Sharpness=Normal", "i White Balance=Auto",
          "i Chroma Saturation=Normal", "i Flash Mode=Off", "i Macro Mode=On", "i Focus Mode=Auto", "? Quality Setting=FINE",
          "? Flash Strength=0"}},
        {data + "Nikon_COOLPIX_P1.jpg",
         {"i White Balance=AUTO", "i Focus Mode=AF-S", "i ISO Selection=AUTO", "i Auto Focus=Center", "i Image Quality=NORMAL",
          "i Saturation=Normal", "o White Balance=Auto", "o ISO Speed Used=0", "o Focus Distance=n/a", "o Digital Zoom=None",
          "i ISO Speed Rating=50"}},
        {data + "Panasonic_DMC-FZ30.jpg",
         {"i Image Quality=Fine", "i White Balance=Auto", "i Focus Mode=Auto", "i Spot Mode=Off", "i Image Stabilizer=Mode 1",
          "i Macro Mode=Normal", "i Audio=No", "i Flash Bias=0.00 EV", "i Color Effect=Off", "i Contrast=Standard",
          "i Noise Reduction=Standard", "o White Balance=Auto", "o Scene Type=Directly Photographed", "? White Balance Adjust=0"}},
        {corpus + "tests/35-empty.jpg", {"u Casio ASCII Val 1=0504", "u Casio ASCII Val 3=San Jose",
                                         "w Casio maker note version not supported"}, true},
        {corpus + "tests/36-memory_error.jpg", {"u Casio ASCII Val 1=0301", "w Casio maker note version not supported"}, true},
        {corpus + "exiv2-suite/exiv2-sigma-d10.jpg", {"i Drive Mode=2S", "i Contrast=+0.0", "i Quality=12",
                                                      "i Adjustment Mode=X3F Setting Mode"}, true},
    };
    for (const auto& c : cases) {
        if (c.incorpus && corpusfiles().empty())
            continue;
        const bytes jpeg = readfile(c.file);
        ASSERT_FALSE(jpeg.empty()) << c.file;
        expect(readjpeg(jpeg), c.want, c.file);
    }
}

}  // namespace
}  // namespace exifkit::test
