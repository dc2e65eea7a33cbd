// JPEG XL: the Exif boxes of the container, and the image size from the
// size header at the start of the codestream.
#include <algorithm>
#include <cstring>

#include "containers/boxes.h"
#include "containers/container.h"

namespace exifkit::detail {

namespace {

constexpr unsigned char SIGNATURE[12] = {0x00, 0x00, 0x00, 0x0C, 'J', 'X', 'L', ' ', 0x0D, 0x0A, 0x87, 0x0A};
constexpr unsigned char CODESTREAM[2] = {0xFF, 0x0A};
// The codestream's signature and size header: 2 bytes and at most 68 bits.
constexpr std::size_t SIZE_HEADER_BYTES = 11;

// Reads bits from the lowest of each byte on, as the codestream stores them.
class bitreader {
public:
    explicit bitreader(std::span<const unsigned char> data) noexcept : data_(data) {}

    std::uint32_t bits(unsigned n) noexcept
    {
        std::uint32_t v = 0;
        for (unsigned i = 0; i < n; i++, at_++) {
            if (at_ / 8 >= data_.size()) {
                ok_ = false;
                return 0;
            }
            v |= static_cast<std::uint32_t>(data_[at_ / 8] >> (at_ % 8) & 1) << i;
        }
        return v;
    }
    bool ok() const noexcept { return ok_; }

private:
    std::span<const unsigned char> data_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

// A side of the image: 2 bits choose how many bits hold it, less one.
std::uint32_t side(bitreader& r)
{
    static constexpr unsigned WIDTHS[4] = {9, 13, 18, 30};
    return r.bits(WIDTHS[r.bits(2)]) + 1;
}

// The width as a ratio of the height, by the 3-bit code (0: stored apart).
struct ratio {
    std::uint32_t num, den;
};
constexpr ratio RATIOS[8] = {
    {0,  0 },
    {1,  1 },
    {12, 10},
    {4,  3 },
    {3,  2 },
    {16, 9 },
    {5,  4 },
    {2,  1 },
};

// The size header after the codestream's signature; nothing unless data
// starts with that signature and holds the whole header.
void codestreamsize(std::span<const unsigned char> data, containerfound& found)
{
    if (data.size() < sizeof CODESTREAM || std::memcmp(data.data(), CODESTREAM, sizeof CODESTREAM) != 0)
        return;
    bitreader r(data.subspan(sizeof CODESTREAM));
    const bool small = r.bits(1);  // sides in multiples of 8, up to 256
    const std::uint32_t height = small ? (r.bits(5) + 1) * 8 : side(r);
    const ratio shape = RATIOS[r.bits(3)];
    const std::uint32_t width = shape.num ? static_cast<std::uint32_t>(std::uint64_t{height} * shape.num / shape.den)
                                : small   ? (r.bits(5) + 1) * 8
                                          : side(r);
    if (!r.ok())
        return;
    found.width = width;
    found.height = height;
}

}  // namespace

void readjxl(fetcher& bytes, context& ctx, containerfound& found)
{
    const std::span<const unsigned char> head = bytes.upto(0, sizeof SIGNATURE);
    if (head.size() >= sizeof CODESTREAM && std::memcmp(head.data(), CODESTREAM, sizeof CODESTREAM) == 0) {
        codestreamsize(bytes.upto(0, SIZE_HEADER_BYTES), found);
        return;  // a bare codestream holds no Exif
    }
    if (head.size() < sizeof SIGNATURE || std::memcmp(head.data(), SIGNATURE, sizeof SIGNATURE) != 0) {
        ctx.warn("not a JPEG XL container");
        return;
    }
    boxfile file{bytes, ctx};
    boxwalk top(file);
    box b;
    bool codestream = false;  // the first jxlc or jxlp box was seen
    std::size_t blocks = 0;
    while (top.next(b)) {
        const std::uint64_t length = b.end - b.payload;  // huge when the end is not known
        switch (b.type) {
        case fourcc("Exif"): {
            if (blocks == MAX_EXIF_BLOCKS) {
                ctx.warn("too many Exif boxes; ignoring the rest");
                return;
            }
            blocks++;
            const std::span<const unsigned char> data = readpayload(file, b, MAX_EXIF_BYTES, "Exif");
            if (data.empty())
                break;
            if (const std::span<const unsigned char> tiff = exifpayload(ctx, data, "Exif box"); !tiff.empty())
                found.tiff.push_back({tiff, tiffpart::whole});
            break;
        }
        case fourcc("brob"): {
            // Brotli-compressed; its first 4 bytes name the box it holds.
            const unsigned char* inner = length >= 4 ? bytes.get(b.payload, 4) : nullptr;
            if (inner && std::memcmp(inner, "Exif", 4) == 0)
                ctx.warn("compressed Exif box (brob) not read");
            break;
        }
        case fourcc("jxlc"):
        case fourcc("jxlp"): {
            if (codestream)
                break;
            codestream = true;
            // A jxlp box starts with a 4-byte counter.
            const std::uint64_t skip = b.type == fourcc("jxlp") ? 4 : 0;
            if (length >= skip)
                codestreamsize(bytes.upto(b.payload + skip, static_cast<std::size_t>(
                                                                std::min<std::uint64_t>(length - skip, SIZE_HEADER_BYTES))),
                               found);
            break;
        }
        default: break;
        }
    }
}

}  // namespace exifkit::detail
