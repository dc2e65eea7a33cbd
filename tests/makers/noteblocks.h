// Exif blocks around a maker note, for the maker tests: IFD0 with the Make and
// a pointer to the Exif directory, which holds the MakerNote entry.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/exifbuilder.h"

namespace exifkit::test {

enum { NOTE_IFD0, NOTE_EXIF, NOTE_DIR };

// The maker's directory NOTE_DIR follows `header` in the block's byte order,
// its offsets counting from the TIFF header.
inline TiffBuilder noteblock(int order, const std::string& make, const bytes& header = {})
{
    TiffBuilder b(order);
    for (int d = NOTE_IFD0; d <= NOTE_DIR; d++)
        b.dir();
    b.ascii(NOTE_IFD0, 0x010F, make).pointer(NOTE_IFD0, 0x8769, NOTE_EXIF).note(NOTE_EXIF, NOTE_DIR, header);
    return b;
}

// A block whose maker note is these bytes, standing last in the block, less
// the last `cut` bytes of the block.
inline bytes rawnoteblock(int order, const std::string& make, const bytes& note, std::size_t cut = 0)
{
    TiffBuilder b(order);
    b.dir();
    b.dir();
    b.ascii(NOTE_IFD0, 0x010F, make).pointer(NOTE_IFD0, 0x8769, NOTE_EXIF).undefined(NOTE_EXIF, 0x927C, note);
    bytes block = b.exif();
    block.resize(block.size() - cut);
    return block;
}

// Note bytes: `header`, then one directory in byte order `order` of SHORT
// entries (tag, value) held in the entries themselves.
inline bytes shortnote(int order, const bytes& header, const std::vector<std::pair<std::uint16_t, std::uint16_t>>& entries)
{
    TiffBuilder n(order);
    n.header(header);
    const int d = n.dir();
    for (const auto& [tag, value] : entries)
        n.shorts(d, tag, {value});
    return n.tiff();
}

// The bytes of a text, NUL bytes included ("AOC\0  "s).
inline bytes bytesof(const std::string& s)
{
    return bytes(s.begin(), s.end());
}

}  // namespace exifkit::test
