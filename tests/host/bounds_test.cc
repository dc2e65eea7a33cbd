// What one read may cost and how it fails: the bounds of a file (its Exif
// blocks, properties, text and warnings), the bounds of a stream that never
// ends, and the class and reason of a read that fails.
#include <gtest/gtest.h>

#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "exifkit/exifkit.h"
#include "support/exifbuilder.h"

namespace exifkit::test {
namespace {

bytes makeexif(const std::string& make)
{
    TiffBuilder b;
    b.ascii(b.dir(), 0x010F, make);
    return b.exif();
}

// An IFD0 of `entries` texts of `size` bytes each, one copy shared by all.
bytes textsexif(int entries, std::uint32_t size)
{
    TiffBuilder b;
    const int ifd0 = b.dir();
    b.add(ifd0, 0x010E, 2, size, bytes(size, 'x'));
    const std::uint32_t at = b.diroffset(ifd0) + 2 + 12 * static_cast<std::uint32_t>(entries) + 4;
    for (int i = 1; i < entries; i++)
        b.raw(ifd0, 0x010E, 2, size, at);
    return b.exif();
}

// An IFD0 of `entries` entries of a field type that does not exist, each a warning.
bytes warningsexif(int entries)
{
    TiffBuilder b;
    const int ifd0 = b.dir();
    for (int i = 0; i < entries; i++)
        b.raw(ifd0, static_cast<std::uint16_t>(0x0100 + i), 99, 1, 0);
    return b.exif();
}

std::size_t properties(const Metadata& m)
{
    std::size_t n = 0;
    for (const Group& g : m.groups)
        n += g.properties.size();
    return n;
}

// A stream whose bytes come from a function: given the offset, it fills the
// buffer and returns how many bytes it wrote, 0 at the end, or -1 with errno
// set on a read error. Counts the bytes it gave.
class FunctionStream {
public:
    using source = std::function<ssize_t(std::uint64_t offset, char* buf, std::size_t size)>;

    explicit FunctionStream(source fill) : fill_(std::move(fill))
    {
        cookie_io_functions_t io{};
        io.read = [](void* self, char* buf, std::size_t size) -> ssize_t {
            auto* s = static_cast<FunctionStream*>(self);
            const ssize_t got = s->fill_(s->given_, buf, size);
            if (got > 0)
                s->given_ += static_cast<std::uint64_t>(got);
            return got;
        };
        stream_ = fopencookie(this, "rb", io);
    }
    ~FunctionStream() { std::fclose(stream_); }
    FunctionStream(const FunctionStream&) = delete;
    FunctionStream& operator=(const FunctionStream&) = delete;

    std::FILE* get() const { return stream_; }
    std::uint64_t given() const { return given_; }

private:
    source fill_;
    std::uint64_t given_ = 0;
    std::FILE* stream_ = nullptr;
};

// The bytes of `head`, then the byte `fill` for ever.
FunctionStream::source endless(bytes head, unsigned char fill)
{
    return [head = std::move(head), fill](std::uint64_t at, char* buf, std::size_t size) -> ssize_t {
        for (std::size_t i = 0; i < size; i++, at++)
            buf[i] = static_cast<char>(at < head.size() ? head[at] : fill);
        return static_cast<ssize_t>(size);
    };
}

// The bytes of `data`, then a read error.
FunctionStream::source failingafter(bytes data, int error)
{
    return [data = std::move(data), error](std::uint64_t at, char* buf, std::size_t size) -> ssize_t {
        if (at >= data.size()) {
            errno = error;
            return -1;
        }
        const std::size_t n = std::min<std::size_t>(size, data.size() - at);
        std::memcpy(buf, data.data() + at, n);
        return static_cast<ssize_t>(n);
    };
}

TEST(FileBounds, ExifBlocksPropertiesTextAndWarnings)
{
    const bytes blocks = minimaljpeg(std::vector<bytes>(1000, makeexif("Again")));
    const Metadata many = readMetadata(blocks.data(), blocks.size());
    EXPECT_EQ(many.result, EXIF_OK);
    EXPECT_EQ(many.groups.size(), 4u * 200);
    EXPECT_EQ(many.warnings, (std::vector<Warning>{{"too many Exif blocks; ignoring the rest", std::nullopt}}));
    EXPECT_TRUE(many.frame) << "the header is scanned to its end";

    const bytes props = minimaljpeg(std::vector<bytes>(100, textsexif(300, 8)));
    const Metadata capped = readMetadata(props.data(), props.size());
    EXPECT_EQ(properties(capped), 25000u);
    EXPECT_EQ(capped.warnings, (std::vector<Warning>{{"too many properties; ignoring the rest", std::nullopt}}));

    const bytes texts = minimaljpeg(std::vector<bytes>(20, textsexif(30, 2000)));
    const Metadata cut = readMetadata(texts.data(), texts.size());
    std::size_t textbytes = 0;
    for (const Group& g : cut.groups)
        for (const Property& p : g.properties)
            textbytes += p.name.size() + p.value.size();
    EXPECT_LE(textbytes, 600000u);
    EXPECT_GT(textbytes, 600000u - 2100);
    EXPECT_EQ(cut.warnings.back().message, "too much text in the file; ignoring the rest");

    const bytes noisy = minimaljpeg(std::vector<bytes>(200, warningsexif(1000)));
    const Metadata warned = readMetadata(noisy.data(), noisy.size());
    ASSERT_EQ(warned.warnings.size(), 100001u);
    EXPECT_EQ(warned.warnings.back().message, "too many warnings; ignoring the rest");
    EXPECT_EQ(warned.warnings.front().message, "unknown TIFF field type; discarding");
}

// Zeros for ever, or one stray byte and then fill bytes for ever: no start
// of image in the first MiB.
TEST(FileBounds, AStreamWithoutStartOfImageIsGivenUp)
{
    for (const auto& [head, fill] : {std::pair<bytes, unsigned char>{{}, 0x00}, {{0x00}, 0xFF}}) {
        FunctionStream stream(endless(head, fill));
        const Metadata m = readMetadata(stream.get());
        EXPECT_EQ(m.result, EXIF_NONE);
        EXPECT_EQ(m.error, "Error: start of image not found");
        EXPECT_LE(stream.given(), (1u << 20) + 8192);
    }
}

// APP2 segments of 64 KiB for ever, each passed over: the header bound holds
// across segments too.
TEST(FileBounds, EndlessSegmentsAreGivenUp)
{
    FunctionStream stream([](std::uint64_t at, char* buf, std::size_t size) -> ssize_t {
        constexpr std::uint64_t SEGMENT = 4 + 65533;
        for (std::size_t i = 0; i < size; i++, at++) {
            const std::uint64_t in = at < 2 ? at : (at - 2) % SEGMENT;
            const unsigned char soi[2] = {0xFF, 0xD8}, head[4] = {0xFF, 0xE2, 0xFF, 0xFF};
            buf[i] = static_cast<char>(at < 2 ? soi[in] : in < 4 ? head[in] : 0);
        }
        return static_cast<ssize_t>(size);
    });
    const Metadata m = readMetadata(stream.get());
    EXPECT_EQ(m.result, EXIF_NONE);
    EXPECT_EQ(m.error, "Error: invalid JPEG format (no start of scan in the first 256 MiB)");
    EXPECT_LE(stream.given(), (256ull << 20) + 2 * 65537);
}

TEST(ReadFailures, ClassedByWhatWasReadBeforeThem)
{
    const bytes two = minimaljpeg({makeexif("First"), makeexif("Second")});
    const std::size_t second = 2 + 4 + makeexif("First").size();
    struct failcase {
        const char* what;
        std::size_t readable;
        int result;
        std::optional<std::string> error;
        std::size_t groups;
    };
    const failcase cases[] = {
        {"before the first byte", 0, EXIF_CANT_OPEN, std::nullopt, 0},
        {"inside the first block", 10, EXIF_NONE, "Error: Input/output error", 0},
        {"inside the second block", second + 10, EXIF_READ_FAILED, "Error: Input/output error", 4},
    };
    for (const failcase& c : cases) {
        SCOPED_TRACE(c.what);
        FunctionStream stream(failingafter(bytes(two.begin(), two.begin() + static_cast<long>(c.readable)), EIO));
        const Metadata m = readMetadata(stream.get());
        EXPECT_EQ(m.result, c.result);
        EXPECT_EQ(m.oserror, EIO);
        EXPECT_EQ(m.error, c.error);
        EXPECT_EQ(m.groups.size(), c.groups);
        EXPECT_TRUE(m.warnings.empty()) << m.warnings.front().message;
    }
}

TEST(ReadFailures, AFolderCannotBeReadAndReadersSayWhy)
{
    Reader reader;
    errno = 0;
    EXPECT_EQ(reader.read("/"), EXIF_CANT_OPEN);
    EXPECT_EQ(reader.oserror(), EISDIR);
    EXPECT_EQ(errno, EISDIR);
    EXPECT_EQ(readMetadata("/").oserror, EISDIR);
    const bytes photo = minimaljpeg({makeexif("Fine")});
    EXPECT_EQ(reader.read(photo.data(), photo.size()), EXIF_OK);
    EXPECT_EQ(reader.oserror(), 0);
}

TEST(ReadFailures, AFileEndingInsideAnExifBlockSaysSo)
{
    const bytes two = minimaljpeg({makeexif("First"), makeexif("Second")});
    const std::size_t second = 2 + 4 + makeexif("First").size();
    const std::pair<std::size_t, int> cuts[] = {{20, EXIF_NONE}, {second + 20, EXIF_READ_FAILED}};
    for (const auto& [length, result] : cuts) {
        const Metadata m = readMetadata(two.data(), length);
        EXPECT_EQ(m.result, result);
        EXPECT_EQ(m.oserror, 0);
        EXPECT_EQ(m.warnings, (std::vector<Warning>{{"file ends inside the Exif block", std::nullopt}}));
    }
}

}  // namespace
}  // namespace exifkit::test
