// A synthetic raw file for the tests and the benchmarks: mostly image data,
// little-endian TIFF with IFD0 at 8 (Make "NOK", one strip over the rest,
// the Exif pointer) and the Exif directory with its exposure time (1/250) at
// the very end, as some writers put them. Header-only, with no dependency
// beyond the standard library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace exifkit::test {

namespace raw {

inline void put16(std::vector<unsigned char>& b, std::size_t at, std::uint16_t v)
{
    b[at] = v & 0xFF, b[at + 1] = static_cast<unsigned char>(v >> 8);
}
inline void put32(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
// A little-endian directory entry at `at`.
inline void entry(std::vector<unsigned char>& b, std::size_t at, std::uint16_t tag, std::uint16_t type,
                  std::uint32_t count, std::uint32_t value)
{
    put16(b, at, tag), put16(b, at + 2, type), put32(b, at + 4, count), put32(b, at + 8, value);
}

}  // namespace raw

// A raw file of `size` bytes whose first four bytes are `magic` (a TIFF
// magic, or a raw family's: "IIRO", "IIU").
inline std::vector<unsigned char> bigraw(std::size_t size, const char magic[4] = "II*")
{
    using namespace raw;
    std::vector<unsigned char> b(size, 0);
    std::memcpy(b.data(), magic, 4);
    put32(b, 4, 8);
    put16(b, 8, 4);
    entry(b, 10, 0x010F, 2, 4, 0x004B4F4E);  // "NOK" in the entry
    entry(b, 22, 0x0111, 4, 1, 4096);
    entry(b, 34, 0x0117, 4, 1, static_cast<std::uint32_t>(size - 4096 - 64));
    const std::size_t exif = size - 64;
    entry(b, 46, 0x8769, 4, 1, static_cast<std::uint32_t>(exif));
    put16(b, exif, 1);
    entry(b, exif + 2, 0x829A, 5, 1, static_cast<std::uint32_t>(exif + 32));
    put32(b, exif + 32, 1), put32(b, exif + 36, 250);
    return b;
}

}  // namespace exifkit::test
