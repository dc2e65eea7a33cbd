// Exif blocks that carry a maker note, for the maker tests: IFD0 holds the
// Make and points at the Exif directory, which holds the MakerNote entry.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/exifbuilder.h"
#include "support/scanning.h"

namespace exifkit::test {

// IFD0 holds the Make and points at EXIF, which holds the MakerNote entry;
// note() makes the next directory made, NOTE, the maker note.
inline constexpr int IFD0 = 0, EXIF = 1, NOTE = 2;
inline constexpr std::uint16_t TAG_MAKERNOTE = 0x927C;

inline TiffBuilder withmake(int order, const std::string& make)
{
    TiffBuilder b(order);
    b.dir();
    b.dir();
    return b.ascii(IFD0, 0x010F, make).pointer(IFD0, 0x8769, EXIF);
}

inline bytes text(const std::string& s) { return bytes(s.begin(), s.end()); }

// The block of b, whose last directory is EXIF, with a note of these bytes
// appended: a note cut short by the end of the block.
inline bytes tailnote(TiffBuilder b, const std::string& tail)
{
    const auto at = static_cast<std::uint32_t>(b.tiff().size() + 12);  // behind the new entry
    b.raw(EXIF, TAG_MAKERNOTE, 7, static_cast<std::uint32_t>(tail.size()), at);
    bytes block = b.exif();
    block.insert(block.end(), tail.begin(), tail.end());
    return block;
}

// A Fujifilm-layout note: "FUJIFILM", the position 12 and a little-endian
// directory whose offsets count from the note; fill(builder, dir) fills it.
template <class Fill>
bytes fujinote(Fill fill)
{
    TiffBuilder n(ORDER_LITTLE);
    bytes head = text("FUJIFILM");
    head.insert(head.end(), {12, 0, 0, 0});
    fill(n.header(head), n.dir());
    return n.tiff();
}

// The text of each named property, "<none>" for none.
inline void expecttexts(const Scanned& s, const std::vector<std::pair<std::string, std::string>>& texts)
{
    for (const auto& [name, value] : texts)
        EXPECT_EQ(textof(s.named(name)), value) << name;
}



enum { NOTE_IFD0 = IFD0, NOTE_EXIF = EXIF, NOTE_DIR = NOTE };
using shortentries = std::vector<std::pair<std::uint16_t, std::uint16_t>>;

// The maker's directory NOTE_DIR follows `header`, in the block's byte order
// with offsets from the TIFF header.
inline TiffBuilder noteblock(int order, const std::string& make, const std::string& header = "")
{
    TiffBuilder b = withmake(order, make);
    b.dir();
    return b.note(NOTE_EXIF, NOTE_DIR, text(header));
}

// Parses a block whose note, its last bytes, is `header` and a directory of
// SHORT entries in byte order noteorder; the block ends after `keep` note bytes.
inline Scanned readnote(int order, const std::string& make, const std::string& header, const shortentries& entries,
                        int noteorder, std::size_t keep = SIZE_MAX)
{
    TiffBuilder n(noteorder);
    n.header(text(header));
    n.dir();
    for (const auto& [tag, value] : entries)
        n.shorts(NOTE_IFD0, tag, {value});
    const bytes note = n.tiff();
    bytes block = withmake(order, make).undefined(NOTE_EXIF, TAG_MAKERNOTE, note).exif();
    block.resize(block.size() - note.size() + std::min(keep, note.size()));
    return parse(block);
}

}  // namespace exifkit::test
