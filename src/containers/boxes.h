// The boxes of ISO BMFF files (HEIF, AVIF, CR3) and of JPEG XL containers:
// a walker over the boxes of one level, read through a fetcher, and a
// big-endian reader of a box's payload.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "containers/container.h"

namespace exifkit::detail {

constexpr std::uint32_t fourcc(const char (&name)[5]) noexcept
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(name[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(name[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(name[2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(name[3]));
}

// An end that is not known: a box of size 0 at the top of a stream whose
// size is not known yet.
inline constexpr std::uint64_t UNKNOWN_END = UINT64_MAX;

struct box {
    std::uint32_t type = 0;
    std::uint64_t at = 0;       // offset of the box's first byte
    std::uint64_t payload = 0;  // offset of the payload, after the header (and extended type)
    std::uint64_t end = 0;      // offset after its last byte, or UNKNOWN_END
    std::array<unsigned char, 16> uuid{};  // the extended type of a `uuid` box
};

// What the walkers of one read share: the fetcher, the context and the count
// of boxes walked.
struct boxfile {
    // The samples walk fewer than 400 boxes (an iPhone HEIC: 48 tiles with
    // their properties); a crafted file of empty 8-byte boxes could walk
    // millions, each a fetch.
    static constexpr std::uint32_t MAX_BOXES = 65536;

    fetcher& bytes;
    context& ctx;
    std::uint32_t boxes = 0;
    bool stopped = false;  // MAX_BOXES reached: every walker ends
};

// Walks the boxes of [begin, end) in order. A header that cannot be
// trusted (a size below the header, past the end of the parent) warns and
// ends the walk of that level; what came before stays read.
class boxwalk {
public:
    // The boxes a reader descends into: meta/iprp/ipco/ispe is the deepest
    // path the readers take (4 levels); a walker created deeper warns and has
    // no boxes.
    static constexpr int MAX_DEPTH = 8;

    // The top level of the file, up to its size (when known).
    explicit boxwalk(boxfile& file) noexcept;
    // The children of b, from `skip` bytes into its payload (after the
    // version and flags of a full box, or a count).
    boxwalk(const boxwalk& parent, const box& b, std::uint64_t skip = 0);

    // The next box; false at the end of the level or after a warning.
    bool next(box& b);

private:
    boxwalk(boxfile& file, std::uint64_t begin, std::uint64_t end, int depth, bool top) noexcept;
    bool stop(const char* why);

    boxfile& file_;
    std::uint64_t at_;
    std::uint64_t end_;
    int depth_;
    bool top_;
    bool done_ = false;
};

// The payload of b whole, held by the fetcher; empty (with a warning that
// names `what`) when it exceeds cap bytes or the file ends inside it.
std::span<const unsigned char> readpayload(boxfile& file, const box& b, std::uint64_t cap, const char* what);

// Reads big-endian numbers from a span; reading past its end yields 0 and
// leaves the reader failed.
class bereader {
public:
    explicit bereader(std::span<const unsigned char> data) noexcept : data_(data) {}

    // size bytes (0 to 8) as one number; 0, and no longer ok, past the end.
    std::uint64_t num(unsigned size) noexcept
    {
        if (!ok_ || size > 8 || size > left()) {
            ok_ = false;
            at_ = data_.size();
            return 0;
        }
        std::uint64_t v = 0;
        for (unsigned i = 0; i < size; i++)
            v = v << 8 | data_[at_ + i];
        at_ += size;
        return v;
    }
    std::uint8_t u8() noexcept { return static_cast<std::uint8_t>(num(1)); }
    std::uint16_t u16() noexcept { return static_cast<std::uint16_t>(num(2)); }
    std::uint32_t u32() noexcept { return static_cast<std::uint32_t>(num(4)); }
    void skip(std::size_t n) noexcept;

    bool ok() const noexcept { return ok_; }
    std::size_t offset() const noexcept { return at_; }
    std::size_t left() const noexcept { return data_.size() - at_; }
    std::span<const unsigned char> rest() const noexcept { return data_.subspan(at_); }

private:
    std::span<const unsigned char> data_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

// Whether data starts with a TIFF header: `II*\0` or `MM\0*`.
bool istiff(std::span<const unsigned char> data) noexcept;

// The TIFF data of an Exif item or box payload: a 32-bit big-endian offset,
// the TIFF header at 4 + that offset. Empty, with a warning naming `what`,
// when there is none.
std::span<const unsigned char> exifpayload(context& ctx, std::span<const unsigned char> data, const char* what);

// A real Exif block is a few KB, and a JPEG's cannot exceed 64 KB; anything
// near this is crafted.
inline constexpr std::uint64_t MAX_EXIF_BYTES = 16u << 20;
// A file holds one Exif block (item or box); a few more is odd, many is crafted.
inline constexpr std::size_t MAX_EXIF_BLOCKS = 16;

}  // namespace exifkit::detail
