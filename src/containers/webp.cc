// WebP: the image size from VP8X, VP8 or VP8L, and the Exif data of the EXIF
// chunk.
#include <cstring>
#include <string_view>

#include "containers/chunks.h"
#include "containers/container.h"

namespace exifkit::detail {

namespace {

// Still images hold a handful of chunks, animations one per frame: 100,000
// frames is over an hour at 25 per second. A file of empty chunks would
// otherwise be walked 8 bytes a step to its end.
constexpr std::uint32_t MAX_CHUNKS = 100000;

// Where the image size came from, in the order of trust.
enum class sizefrom : unsigned char { none, lossless, lossy, extended };

}  // namespace

void readwebp(fetcher& bytes, context& ctx, containerfound& found)
{
    const unsigned char* riff = bytes.get(0, 12);
    if (!riff || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WEBP", 4) != 0)
        return ctx.warn("invalid WebP header");
    // The RIFF size counts from after itself. When it disagrees with the
    // file, the file's end is what holds.
    const std::uint64_t riffend = 8 + std::uint64_t{le32(riff + 4)};
    bool lied = false;
    const auto lie = [&] {
        if (!lied)
            ctx.warn("RIFF size does not match the file; reading to its end");
        lied = true;
    };

    sizefrom sized = sizefrom::none;
    const auto size = [&](sizefrom from, std::uint32_t width, std::uint32_t height) {
        if (from > sized) {
            sized = from;
            found.width = width;
            found.height = height;
        }
    };
    std::uint64_t at = 12, dataend = at;
    // Each chunk: a fourcc, a 32-bit little-endian size, the data and a pad
    // byte when the size is odd.
    for (std::uint32_t n = 0;; n++) {
        const std::span<const unsigned char> head = bytes.upto(at, 8);
        if (head.size() < 8) {
            // A file cut short says so already; one that ends in one piece
            // before its RIFF size is another lie.
            if (endwalk(bytes, ctx, dataend, head.size()) && beyond(bytes, riffend))
                lie();
            return;
        }
        if (n == MAX_CHUNKS)
            return ctx.warn("too many chunks; stopping");
        const std::string_view fourcc(reinterpret_cast<const char*>(head.data()), 4);
        const std::uint32_t length = le32(head.data() + 4);
        const std::uint64_t data = at + 8;
        dataend = data + length;
        if (beyond(bytes, dataend))
            return ctx.warn("chunk length runs past the end of the file; stopping");
        if (dataend > riffend)
            lie();
        at = dataend + (length & 1);

        if (fourcc == "EXIF") {
            const unsigned char* exif = chunkdata(bytes, ctx, data, length);
            if (!exif)
                return;
            addexif({exif, length}, ctx, found);
        } else if (fourcc == "VP8X" && length >= 10) {
            // Flags, 3 reserved bytes, then the canvas width and height less one.
            const unsigned char* d = chunkdata(bytes, ctx, data, 10);
            if (!d)
                return;
            size(sizefrom::extended, le24(d + 4) + 1, le24(d + 7) + 1);
        } else if (fourcc == "VP8 " && length >= 10) {
            // A 3-byte frame tag, the start code, then 14-bit width and height
            // (the top 2 bits of each scale the image on display).
            const unsigned char* d = chunkdata(bytes, ctx, data, 10);
            if (!d)
                return;
            if (d[3] == 0x9D && d[4] == 0x01 && d[5] == 0x2A)
                size(sizefrom::lossy, le16(d + 6) & 0x3FFF, le16(d + 8) & 0x3FFF);
        } else if (fourcc == "VP8L" && length >= 5) {
            // The signature, then the width and height less one in 14 bits each.
            const unsigned char* d = chunkdata(bytes, ctx, data, 5);
            if (!d)
                return;
            const std::uint32_t bits = le32(d + 1);
            if (d[0] == 0x2F)
                size(sizefrom::lossless, (bits & 0x3FFF) + 1, (bits >> 14 & 0x3FFF) + 1);
        }
    }
}

}  // namespace exifkit::detail
