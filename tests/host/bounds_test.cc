// What one read may cost and how it fails: the exact counts at a file's bounds (the command's tests pin their
// warnings), the bytes taken from an endless stream, and the class and system reason of a failed read.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "exifkit/exifkit.h"
#include "support/hostile.h"

namespace exifkit::test {
namespace {

// The JPEG file with `copies` IFD0s of `entries` entries of this type and size, all sharing one copy of the data.
bytes entries(std::size_t copies, int entries, std::uint16_t type, std::uint32_t size)
{
    TiffBuilder b;
    bench::hostile::shared(b, b.dir(), 0x010E, type, size, bytes(size, 'x'), entries);
    return minimaljpeg(std::vector<bytes>(copies, b.exif()));
}

Metadata read(const bytes& file) { return readMetadata(file.data(), file.size()); }

// A stream's byte at each offset, or its END, or FAIL: a read error EIO. readstream counts the bytes it gave.
constexpr int END = -1, FAIL = -2;
using source = std::function<int(std::uint64_t offset)>;
Metadata readstream(const source& byte, std::uint64_t& given)
{
    struct state { const source& byte; std::uint64_t& at; } s{byte, given = 0};
    cookie_io_functions_t io{};
    io.read = [](void* cookie, char* buf, std::size_t size) -> ssize_t {
        auto& [byte, at] = *static_cast<state*>(cookie);
        std::size_t n = 0;
        for (int c; n < size && (c = byte(at)) >= 0; n++, at++)
            buf[n] = static_cast<char>(c);
        return n == 0 && byte(at) == FAIL ? (errno = EIO, -1) : static_cast<ssize_t>(n);
    };
    std::FILE* stream = fopencookie(&s, "rb", io);
    Metadata m = readMetadata(stream);
    std::fclose(stream);
    return m;
}

TEST(FileBounds, StopAtTheirExactCounts)
{
    const Metadata blocks = read(entries(1000, 1, 2, 8));
    EXPECT_EQ(blocks.groups.size(), 4u * 200);
    EXPECT_TRUE(blocks.frame) << "the header is scanned to its end";
    std::size_t properties = 0, text = 0;
    for (const Group& g : read(entries(100, 300, 2, 8)).groups)
        properties += g.properties.size();
    for (const Group& g : read(entries(20, 30, 2, 2000)).groups)
        for (const Property& p : g.properties)
            text += p.name.size() + p.text.size();
    EXPECT_EQ(properties, 25000u);
    EXPECT_TRUE(text <= 600000 && text > 600000 - 2100) << text;
    const Metadata warned = read(entries(200, 1000, 99, 1));  // a field type that does not exist: a warning each
    ASSERT_EQ(warned.warnings.size(), 100001u);
    EXPECT_EQ(warned.warnings.back().message, "too many warnings; ignoring the rest");
}

// A stream without a start of image in its first MiB, or of endless APP2 segments, is given up soon after
// the bound. A read that fails or ends early is classed by what was read before: only a failure has a
// system reason, only an early end a warning.
TEST(Streams, EndlessOrCutShortAreBoundedAndClassed)
{
    const bytes two = entries(2, 1, 2, 8);
    const std::size_t second = 2 + (two.size() - entries(1, 1, 2, 8).size()) + 10;  // inside the second block
    const auto cut = [&two](std::size_t n, int end) -> source { return [&two, n, end](std::uint64_t at) { return at < n ? two[at] : end; }; };
    const source segments = [](std::uint64_t at) {  // the start of image, then APP2 segments of 64 KiB for ever
        const std::uint64_t in = (at - 2) % (2 + 65535);
        return at == 1 ? 0xD8 : in == 1 ? 0xE2 : at == 0 || in < 4 ? 0xFF : 0;
    };
    const std::optional<std::string> none, nosoi = "Error: unknown file format (reads JPEG, TIFF and raw files, HEIF/HEIC, AVIF, CR3, PNG, WebP, JPEG XL and RAF)", eio = "Error: Input/output error",
                                     noscan = "Error: invalid JPEG format (no start of scan in the first 256 MiB)";
    const std::vector<Warning> quiet, early{{"file ends inside the Exif block", std::nullopt}},
                               lost{{"doesn't appear to be a JPEG file; searching for start of image", std::nullopt}};
    const struct { const char* what; source byte; int result, oserror; std::optional<std::string> error; std::size_t groups; std::vector<Warning> warnings; std::uint64_t bound; } cases[] = {
        // what                         stream                                           result             oserror  error    groups  warnings  bytes read at most
        {"zeros",                       [](std::uint64_t) { return 0; },                 EXIF_NONE,         0,       nosoi,   0,      lost,     (1 << 20) + 65536},
        {"a stray byte, then 0xFF",     [](std::uint64_t at) { return at ? 0xFF : 0; },  EXIF_NONE,         0,       nosoi,   0,      lost,     (1 << 20) + 65536},
        {"endless APP2 segments",       segments,                                        EXIF_NONE,         0,       noscan,  0,      quiet,    (256 << 20) + 2 * 65537},
        {"EIO before the first byte",   cut(0, FAIL),                                    EXIF_CANT_OPEN,    EIO,     none,    0,      quiet,    0},
        {"EIO in the first block",      cut(10, FAIL),                                   EXIF_NONE,         EIO,     eio,     0,      quiet,    10},
        {"EIO in the second block",     cut(second, FAIL),                               EXIF_READ_FAILED,  EIO,     eio,     4,      quiet,    second},
        {"an end in the first block",   cut(10, END),                                    EXIF_NONE,         0,       none,    0,      early,    10},
        {"an end in the second block",  cut(second, END),                                EXIF_READ_FAILED,  0,       none,    4,      early,    second},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::uint64_t given = 0;
        const Metadata m = readstream(c.byte, given);
        EXPECT_EQ(m.result, c.result);
        EXPECT_EQ(m.oserror, c.oserror);
        EXPECT_EQ(m.error, c.error);
        EXPECT_EQ(m.groups.size(), c.groups);
        EXPECT_EQ(m.warnings, c.warnings);
        EXPECT_LE(given, c.bound);
    }
}

// A Reader keeps the errno of its last failure, and forgets it on success.
TEST(ReadFailures, AFolderCannotBeReadAndReadersSayWhy)
{
    Reader reader;
    errno = 0;
    EXPECT_EQ(reader.read("/"), EXIF_CANT_OPEN);
    EXPECT_EQ(reader.oserror(), EISDIR);
    EXPECT_EQ(errno, EISDIR);
    EXPECT_EQ(readMetadata("/").oserror, EISDIR);
    EXPECT_EQ(reader.read(EXIFKIT_TEST_DATA "/Canon_40D.jpg"), EXIF_OK);
    EXPECT_EQ(reader.oserror(), 0);
}

}  // namespace
}  // namespace exifkit::test
