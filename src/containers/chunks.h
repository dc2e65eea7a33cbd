// What the PNG and WebP chunk walkers share: numbers in either byte order,
// how a walk ends, and the Exif data a chunk holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

#include "containers/container.h"

namespace exifkit::detail {

inline std::uint32_t be32(const unsigned char* p) noexcept
{
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}
inline std::uint32_t le16(const unsigned char* p) noexcept
{
    return std::uint32_t{p[1]} << 8 | p[0];
}
inline std::uint32_t le24(const unsigned char* p) noexcept
{
    return std::uint32_t{p[2]} << 16 | le16(p);
}
inline std::uint32_t le32(const unsigned char* p) noexcept
{
    return std::uint32_t{p[3]} << 24 | le24(p);
}

// Whether `end` lies past the end of the data as far as it is known: a
// source read forward learns its size only once it reaches the end.
inline bool beyond(const fetcher& bytes, std::uint64_t end) noexcept
{
    const std::optional<std::uint64_t> size = bytes.size();
    return size && end > *size;
}

// Ends a walk that found only `got` bytes (fewer than a chunk header) where
// the next chunk should start: quietly at the end of the data (true), else
// with a warning saying whether the previous chunk (its data ending at
// dataend) ran past the end, the header was cut short or the fetcher's hold
// ran out.
bool endwalk(const fetcher& bytes, context& ctx, std::uint64_t dataend, std::size_t got);

// The length bytes at offset, or null after a warning saying why they
// cannot be had; the walk stops then.
const unsigned char* chunkdata(fetcher& bytes, context& ctx, std::uint64_t offset, std::size_t length);

// What some writers put before TIFF data, as a JPEG's APP1 segment holds it.
inline constexpr unsigned char EXIFHEAD[6] = {'E', 'x', 'i', 'f', 0, 0};
inline bool exifheaded(std::span<const unsigned char> data) noexcept
{
    return data.size() >= sizeof EXIFHEAD && std::memcmp(data.data(), EXIFHEAD, sizeof EXIFHEAD) == 0;
}

// Adds Exif data (TIFF data, maybe behind "Exif\0\0") to found; warns and
// returns false when it holds no TIFF header.
bool addexif(std::span<const unsigned char> data, context& ctx, containerfound& found);

}  // namespace exifkit::detail
