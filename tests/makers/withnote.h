// Exif blocks that carry a maker note, for the maker-note tests.
#pragma once

#include <cstdint>
#include <string>

#include "support/exifbuilder.h"

namespace exifkit::test {

// Directories of withmake(): IFD0 with the Make, the Exif directory that holds
// the MakerNote entry, and the next directory made, which note() turns into
// the maker note.
inline constexpr int IFD0 = 0, EXIF = 1, NOTE = 2;
inline constexpr std::uint16_t TAG_MAKERNOTE = 0x927C;

inline TiffBuilder withmake(int order, const std::string& make)
{
    TiffBuilder b(order);
    const int ifd0 = b.dir(), exif = b.dir();
    b.ascii(ifd0, 0x010F, make).pointer(ifd0, 0x8769, exif);
    return b;
}

// The block of b, whose last directory is EXIF, followed by tail, which a
// MakerNote entry points at: a note cut short by the end of the block.
inline bytes tailnote(TiffBuilder b, const bytes& tail)
{
    // The new entry makes the TIFF data 12 bytes longer.
    const auto at = static_cast<std::uint32_t>(b.tiff().size() + 12);
    b.raw(EXIF, TAG_MAKERNOTE, 7, static_cast<std::uint32_t>(tail.size()), at);
    bytes block = b.exif();
    block.insert(block.end(), tail.begin(), tail.end());
    return block;
}

inline bytes text(const std::string& s)
{
    return bytes(s.begin(), s.end());
}

// A note in the Fujifilm layout: "FUJIFILM", the directory's position (12)
// and a little-endian directory, whose data offsets count from the note's
// first byte; fill(builder, directory) adds its entries.
template <class Fill>
bytes fujinote(Fill fill)
{
    TiffBuilder n(ORDER_LITTLE);
    bytes head = text("FUJIFILM");
    const bytes position = n.u32(12);
    head.insert(head.end(), position.begin(), position.end());
    fill(n.header(head), n.dir());
    return n.tiff();
}

}  // namespace exifkit::test
