// Bounds-checked access to TIFF data. Every read of file data goes through
// viewspan: offsets and lengths come from the file and are never trusted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "exifkit/records.h"

namespace exifkit {

namespace detail {

// Loads the pages of a file read in pages (TIFF and raw files) as they are
// first used, so that only the bytes the metadata occupy are read.
class pager {
public:
    // Whether the n bytes at `at` are in memory, loading them when not.
    virtual bool load(const unsigned char* at, std::uint64_t n) noexcept = 0;

protected:
    ~pager() = default;
};

}  // namespace detail

// Where the length bytes at offset from the view's base stand, or null when
// any of them lies outside [base, end); not loaded. Overflow-safe for any
// offset and length.
inline const unsigned char* viewplace(const tiff_view& view, std::uint32_t offset, std::uint64_t length) noexcept
{
    if (!view.base || !view.end || view.base > view.end)
        return nullptr;
    const std::uint64_t avail = static_cast<std::uint64_t>(view.end - view.base);
    if (offset > avail || length > avail - offset)
        return nullptr;
    return view.base + offset;
}

// The same bytes in memory, ready to read; null also when they cannot be read.
inline const unsigned char* viewspan(const tiff_view& view, std::uint32_t offset,
                                     std::uint64_t length) noexcept
{
    const unsigned char* at = viewplace(view, offset, length);
    if (at && view.pager && !view.pager->load(at, length))
        return nullptr;
    return at;
}

inline bool viewhas(const tiff_view& view, std::uint32_t offset, std::uint64_t length) noexcept
{
    return viewspan(view, offset, length) != nullptr;
}

// The byte-order readers, inline for the readers' inner loops.
inline std::uint16_t get16(const unsigned char* b, int order) noexcept
{
    return order == ORDER_BIG ? static_cast<std::uint16_t>(b[0] << 8 | b[1])
                              : static_cast<std::uint16_t>(b[1] << 8 | b[0]);
}
inline std::uint32_t get32(const unsigned char* b, int order) noexcept
{
    const std::uint32_t b0 = b[0], b1 = b[1], b2 = b[2], b3 = b[3];
    return order == ORDER_BIG ? b0 << 24 | b1 << 16 | b2 << 8 | b3 : b3 << 24 | b2 << 16 | b1 << 8 | b0;
}
inline void put32(std::uint32_t value, unsigned char* b, int order) noexcept
{
    for (int i = 0; i < 4; i++)
        b[i] = static_cast<unsigned char>(value >> (order == ORDER_BIG ? 24 - 8 * i : 8 * i));
}

// The byte order of a TIFF header ("II" or "MM" followed by 42) at head, which
// must hold four bytes; -1 when it is none.
inline int tifforder(const unsigned char* head) noexcept
{
    const int order = head[0] == 'M' && head[1] == 'M'   ? ORDER_BIG
                      : head[0] == 'I' && head[1] == 'I' ? ORDER_LITTLE
                                                         : -1;
    return order >= 0 && get16(head + 2, order) == 42 ? order : -1;
}

// The bytes of a directory entry's 4-byte value field as they stand in the file.
struct valuebytes {
    unsigned char b[4];
};
inline valuebytes storedbytes(std::uint32_t value, int order) noexcept
{
    valuebytes v{};
    put32(value, v.b, order);
    return v;
}

// The data of a field whose count values of `size` bytes each stand outside
// the entry (more than four bytes) and lie wholly inside the view; null for a
// field stored in the entry itself or reaching outside the view.
inline const unsigned char* fielddata(const exif_prop* prop, const tiff_view& view, unsigned size) noexcept
{
    const std::uint64_t bytes = std::uint64_t{prop->count} * size;
    return bytes > 4 ? viewspan(view, prop->value, bytes) : nullptr;
}

struct urational {
    std::uint32_t num;
    std::uint32_t den;
    bool operator==(const urational&) const = default;
};

// Checked reads at offsets from a view's base: each read is its own bounds
// check and gives nothing when any of its bytes lies outside the view.
// Offsets are 64-bit, so that offset + 8 * index cannot wrap.
class cursor {
public:
    explicit cursor(const tiff_view& view) noexcept : view_(view) {}

    std::optional<std::uint16_t> u16(std::uint64_t offset) const noexcept
    {
        const unsigned char* at = span(offset, 2);
        return at ? std::optional(get16(at, view_.order)) : std::nullopt;
    }
    std::optional<std::uint32_t> u32(std::uint64_t offset) const noexcept
    {
        const unsigned char* at = span(offset, 4);
        return at ? std::optional(get32(at, view_.order)) : std::nullopt;
    }
    // The index-th of the rationals stored from offset on.
    std::optional<urational> rational(std::uint64_t offset, std::uint32_t index = 0) const noexcept
    {
        const unsigned char* at = span(offset + 8ull * index, 8);
        return at ? std::optional(urational{get32(at, view_.order), get32(at + 4, view_.order)}) : std::nullopt;
    }
    std::optional<std::span<const unsigned char>> bytes(std::uint64_t offset, std::uint64_t length) const noexcept
    {
        const unsigned char* at = span(offset, length);
        return at ? std::optional(std::span(at, static_cast<std::size_t>(length))) : std::nullopt;
    }
    // Whether length bytes from offset lie inside the view.
    bool has(std::uint64_t offset, std::uint64_t length) const noexcept { return span(offset, length) != nullptr; }

private:
    const unsigned char* span(std::uint64_t offset, std::uint64_t length) const noexcept
    {
        return offset <= UINT32_MAX ? viewspan(view_, static_cast<std::uint32_t>(offset), length) : nullptr;
    }

    tiff_view view_;
};

}  // namespace exifkit
