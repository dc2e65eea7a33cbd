// Files of every format through every entry point: recognition by content,
// TIFF and raw files read in pages (only what the metadata occupy), raw
// files' embedded JPEGs, a host's source that lacks ranges, and the
// samples of each format.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "exifkit/exifkit.h"
#include "support/delivery.h"
#include "support/rawfile.h"

namespace exifkit::test {
namespace {

// A host's source over bytes in memory that counts what it is asked for,
// and holds only the first `held` bytes (MISSING past them).
class CountingSource final : public Source {
public:
    explicit CountingSource(const bytes& data, std::uint64_t held = UINT64_MAX) : data_(data), held_(held) {}
    std::optional<std::uint64_t> size() const override { return data_.size(); }
    std::int64_t read(std::uint64_t offset, void* out, std::size_t length) override
    {
        ++calls;
        if (offset >= data_.size())
            return 0;
        const std::size_t n = std::min<std::uint64_t>(length, data_.size() - offset);
        if (offset + n > held_)
            return MISSING;
        std::memcpy(out, data_.data() + offset, n);
        bytesread += n;
        return static_cast<std::int64_t>(n);
    }
    std::uint64_t calls = 0, bytesread = 0;

private:
    const bytes& data_;
    std::uint64_t held_;
};

using raw::entry;
using raw::put16;
using raw::put32;

std::string value(const Metadata& m, std::string_view key)
{
    const Property* p = m.find(key);
    return p ? p->text : "<none>";
}

// A 50 MB raw file costs a few pages of reading, however it comes: from a
// path, a stream, a host's source, memory; all give the same result.
TEST(Formats, ARawFileIsReadOnlyWhereItsMetadataLie)
{
    const bytes raw = bigraw(50u << 20);
    CountingSource counted(raw);
    const Metadata m = readMetadata(counted);
    EXPECT_EQ(m.format, "tiff");
    EXPECT_EQ(m.result, EXIF_OK);
    EXPECT_EQ(value(m, "Make"), "NOK");
    EXPECT_EQ(value(m, "ExposureTime"), "1/250 sec");
    EXPECT_LT(counted.bytesread, 1u << 20);
    EXPECT_LE(counted.calls, 4u);
    EXPECT_EQ(m, readMetadata(raw.data(), raw.size()));
    const TempFile file(raw);
    EXPECT_EQ(m, readMetadata(file.path()));
    std::FILE* stream = std::fopen(file.path(), "rb");
    EXPECT_EQ(m, readMetadata(stream));
    std::fclose(stream);
    // A pipe is read forward, as far as the metadata reach.
    std::FILE* pipe = popen(("cat " + std::string(file.path())).c_str(), "r");
    EXPECT_EQ(m, readMetadata(pipe));
    pclose(pipe);
}

// A source that holds only the start of a file says which range it lacked;
// given that range, the read is whole.
TEST(Formats, ASourceThatLacksARangeNamesIt)
{
    const bytes raw = bigraw(8u << 20);
    CountingSource partial(raw, 256 * 1024);
    const Metadata first = readMetadata(partial);
    ASSERT_TRUE(first.missing);
    EXPECT_LE(first.missing->offset, raw.size() - 64);
    EXPECT_GE(first.missing->offset + first.missing->length, raw.size() - 64 + 40);
    EXPECT_EQ(value(first, "Make"), "NOK");
    EXPECT_EQ(value(first, "ExposureTime"), "<none>");
    CountingSource whole(raw);
    const Metadata second = readMetadata(whole);
    EXPECT_FALSE(second.missing);
    EXPECT_EQ(value(second, "ExposureTime"), "1/250 sec");
}

// The thumbnail through a host's source: one that holds too little names the
// range to fetch; the whole file gives what memory gives.
TEST(Formats, AThumbnailFromASourceNamesWhatItLacks)
{
    const bytes photo = readfile(EXIFKIT_TEST_DATA "/Canon_40D.jpg");
    const auto expected = thumbnail(photo.data(), photo.size());
    ASSERT_FALSE(expected.empty());
    CountingSource whole(photo);
    std::optional<ByteRange> missing{ByteRange{1, 1}};
    EXPECT_EQ(thumbnail(whole, &missing), expected);
    EXPECT_FALSE(missing);
    CountingSource head(photo, 1024);
    EXPECT_TRUE(thumbnail(head, &missing).empty());
    ASSERT_TRUE(missing);
    EXPECT_LE(missing->offset, 1024u);
    CountingSource enough(photo, missing->offset + missing->length);
    EXPECT_EQ(thumbnail(enough), expected);
}

// However much of a file the first read holds, the file reads the same:
// from memory (all of it), through a host's source (16 KiB first), and from
// a pipe (forward only, its size unknown).
TEST(Formats, TheFirstReadDoesNotDecide)
{
    for (const auto& entry : std::filesystem::directory_iterator(EXIFKIT_TEST_DATA "/fuzz")) {
        const bytes data = readfile(entry.path());
        CountingSource source(data);
        const Metadata inmemory = readMetadata(data.data(), data.size());
        EXPECT_EQ(readMetadata(source), inmemory) << entry.path();
        std::FILE* pipe = popen(("cat '" + entry.path().string() + "'").c_str(), "r");
        const Metadata piped = readMetadata(pipe);
        pclose(pipe);
        EXPECT_EQ(piped.result, inmemory.result) << entry.path();
        EXPECT_EQ(textsof(piped).groups, textsof(inmemory).groups) << entry.path();
    }
}

// Magics and headers decide, never names; each raw family its own way.
TEST(Formats, RecognisedByContent)
{
    bytes orf = bigraw(70000, "IIRO"), rw2 = bigraw(70000, "IIU");
    const bytes jpeg = minimaljpeg({makeexif("Inside")});
    // RW2: the complete Exif block is in the embedded JPEG, which wins.
    put16(rw2, 8, 5);
    entry(rw2, 58, 0x002E, 7, static_cast<std::uint32_t>(jpeg.size()), 60000);
    std::memcpy(rw2.data() + 60000, jpeg.data(), jpeg.size());
    bytes raf(200, 0);
    std::memcpy(raf.data(), "FUJIFILMCCD-RAW 0201FF383501", 28);
    raf[84 + 3] = 100, raf[88 + 3] = static_cast<unsigned char>(jpeg.size());
    raf.resize(100);
    raf.insert(raf.end(), jpeg.begin(), jpeg.end());
    const bytes crw = cat({{'I', 'I', 0x1A, 0, 0, 0}, text("HEAPCCDR"), bytes(20, 0)});
    const bytes bigtiff{'I', 'I', 43, 0, 8, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0};
    TiffBuilder named;
    const bytes tiffasjpg = named.ascii(named.dir(), 0x010F, "Named.jpg").tiff();
    const struct {
        const char* what;
        bytes file;
        std::string format, make;
        std::vector<std::string> warnings;
    } cases[] = {
        {"ORF",              orf,       "tiff", "NOK",       {}},
        {"RW2",              rw2,       "tiff", "Inside",    {}},
        {"RAF",              raf,       "raf",  "Inside",    {}},
        {"CRW",              crw,       "crw",  "<none>",    {"a CRW file holds no Exif block"}},
        {"BigTIFF",          bigtiff,   "tiff", "<none>",    {"BigTIFF files are not read"}},
        {"TIFF named .jpg",  tiffasjpg, "tiff", "Named.jpg", {}},
        {"JPEG",             jpeg,      "jpeg", "Inside",    {}},
    };
    for (const auto& c : cases) {
        const Metadata m = readMetadata(c.file.data(), c.file.size());
        EXPECT_EQ(m.format, c.format) << c.what;
        EXPECT_EQ(value(m, "Make"), c.make) << c.what;
        std::vector<std::string> warnings;
        for (const Warning& w : m.warnings)
            warnings.push_back(w.message);
        EXPECT_EQ(warnings, c.warnings) << c.what;
    }
    const Metadata rw2read = readMetadata(rw2.data(), rw2.size());
    EXPECT_EQ(rw2read.groups.size(), 4u) << "the RW2's own directories are not delivered beside the JPEG's";
}

// Hostile TIFF structures: directories that loop or point past the end,
// an embedded JPEG past the end, an offset that wraps.
TEST(Formats, HostileTiffStructuresEndCleanly)
{
    bytes loop = bigraw(100000);
    put32(loop, 58, 8);  // IFD0's next directory is itself
    bytes wrap = bigraw(100000);
    entry(wrap, 46, 0x8769, 4, 1, 0xFFFFFFF8u);
    bytes jpegpast = bigraw(100000, "IIU");
    put16(jpegpast, 8, 5);
    entry(jpegpast, 58, 0x002E, 7, 5000, 99000);
    bytes rafpast(100, 0);
    std::memcpy(rafpast.data(), "FUJIFILMCCD-RAW ", 16);
    rafpast[84] = 0x7F;
    for (const bytes& file : {loop, wrap, jpegpast, rafpast}) {
        const Metadata m = readMetadata(file.data(), file.size());
        EXPECT_NE(m.result, EXIF_CANT_OPEN);
        EXPECT_FALSE(m.missing);
        EXPECT_FALSE(m.warnings.empty());
    }
}

}  // namespace
}  // namespace exifkit::test

namespace exifkit::test {
namespace {

// The samples of each format give what the same camera's JPEG would: make,
// model, exposure and capture time, and the size the container gives.
TEST(Formats, SamplesOfEachFormatGiveTheirCamerasValues)
{
    if (corpusfiles().empty())
        GTEST_SKIP() << "no corpus at " << EXIFKIT_CORPUS;
    const struct {
        const char* file;
        const char* format;
        const char* model;
        Rational exposure;
        const char* taken;
        int width, height;  // the frame: the container's size, or a TIFF's IFD0
    } samples[] = {
        {"exiftool-Nikon.nef",              "tiff", "NIKON D70",              {1, 20},   "2004-06-09T16:02:35",       160,  106},
        {"exiftool-CanonRaw.cr2",           "tiff", "Canon EOS 350D DIGITAL", {1, 15},   "2005-08-03T18:59:18",       1536, 1024},
        {"exiv2-IMG_1361.dng",              "tiff", "iPhone 12 Pro",          {1, 5556}, "2020-12-29T14:24:45-05:00", 4032, 3024},
        {"exiv2-Canon-R6-pruned.CR3",       "cr3",  "Canon EOS R6",           {1, 4},    "2021-05-12T12:21:21+02:00", 0,    0},
        {"exifr-heic-iphone.heic",          "heif", "iPhone XS Max",          {1, 2208}, "2019-08-21T10:57:23",       4032, 3024},
        {"exiv2-Sony.HIF",                  "heif", "ILCE-1",                 {1, 1000}, "2021-02-18T19:55:41Z",      8640, 5760},
        {"exiv2-Reagan.jxl",                "jxl",  "NIKON D1X",              {1, 125},  "2004-06-21T23:37:53",       200,  130},
        {"exifr-png_with_exif_and_gps.png", "png",  "Canon PowerShot S40",    {1, 500},  "2003-12-14T12:01:44",       1,    1},
        {"exiv2-ReaganSmallPng.png",        "png",  "NIKON D1X",              {1, 125},  "2004-06-21T23:37:53",       200,  130},
        {"exiv2-exiv2-bug1199.webp",        "webp", "NIKON D5300",            {1, 400},  "2015-07-16T15:38:54",       1200, 800},
        {"exiv2-avif_metadata2.avif",       "avif", nullptr,                  {0, 0},    nullptr,                     120,  120},
    };
    for (const auto& s : samples) {
        SCOPED_TRACE(s.file);
        const Metadata m = readMetadata((std::string(EXIFKIT_CORPUS) + "/formats/camera/" + s.file).c_str());
        EXPECT_EQ(m.result, s.model ? EXIF_OK : m.result);
        EXPECT_EQ(m.format, s.format);
        EXPECT_EQ(m.summary.model.value_or(""), s.model ? s.model : "");
        EXPECT_EQ(m.summary.exposure_time.value_or(Rational{0, 0}), s.exposure);
        EXPECT_EQ(m.summary.datetime_original ? m.summary.datetime_original->iso() : "", s.taken ? s.taken : "");
        EXPECT_EQ(m.frame ? m.frame->width : 0, s.width);
        EXPECT_EQ(m.frame ? m.frame->height : 0, s.height);
    }
    // CR3's maker note is read as Canon's, and its pieces take their names.
    const Metadata cr3 = readMetadata(EXIFKIT_CORPUS "/formats/camera/exiv2-Canon-R6-pruned.CR3");
    EXPECT_NE(cr3.find("Canon", "FirmwareVer"), nullptr);
    EXPECT_NE(cr3.find("GPS", "GPSVersionID"), nullptr);
    EXPECT_NE(cr3.find("Exif", "ExposureTime"), nullptr);
}

}  // namespace
}  // namespace exifkit::test
