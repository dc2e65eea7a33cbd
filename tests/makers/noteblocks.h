// Exif blocks around a maker note, for the maker tests: IFD0 holds the Make
// and points to the Exif directory, which holds the MakerNote entry.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/exifbuilder.h"
#include "support/scanning.h"

namespace exifkit::test {

enum { NOTE_IFD0, NOTE_EXIF, NOTE_DIR };
using shortentries = std::vector<std::pair<std::uint16_t, std::uint16_t>>;

// The maker's directory NOTE_DIR follows `header`, in the block's byte order
// with offsets from the TIFF header.
inline TiffBuilder noteblock(int order, const std::string& make, const std::string& header = "")
{
    TiffBuilder b(order);
    for (int d = NOTE_IFD0; d <= NOTE_DIR; d++)
        b.dir();
    b.ascii(NOTE_IFD0, 0x010F, make).pointer(NOTE_IFD0, 0x8769, NOTE_EXIF);
    return b.note(NOTE_EXIF, NOTE_DIR, bytes(header.begin(), header.end()));
}

// Parses a block whose note, its last bytes, is `header` and a directory of
// SHORT entries in byte order noteorder; the block ends after `keep` note bytes.
inline Scanned readnote(int order, const std::string& make, const std::string& header, const shortentries& entries,
                        int noteorder, std::size_t keep = SIZE_MAX)
{
    TiffBuilder n(noteorder), b(order);
    n.header(bytes(header.begin(), header.end()));
    n.dir();
    for (const auto& [tag, value] : entries)
        n.shorts(NOTE_IFD0, tag, {value});
    const bytes note = n.tiff();
    b.dir();
    b.dir();
    b.ascii(NOTE_IFD0, 0x010F, make).pointer(NOTE_IFD0, 0x8769, NOTE_EXIF).undefined(NOTE_EXIF, 0x927C, note);
    bytes block = b.exif();
    block.resize(block.size() - note.size() + std::min(keep, note.size()));
    return parse(block);
}

}  // namespace exifkit::test
