// What the Olympus and Sanyo maker notes share: their layout (an optional
// 8-byte header, then one directory in the Exif block's byte order) and the
// shooting-mode and digital-zoom fields.
#pragma once

#include <cstdint>

#include "exifkit/records.h"

namespace exifkit {

extern const tag_def olympus_tags[];

inline constexpr std::uint16_t TAG_SHOOTMODE = 0x0200, TAG_DIGIZOOM = 0x0204;

// Reads the one directory of the note at offset against table: 8 bytes in when
// the note begins with header, the maker's five-letter name, and a zero byte;
// else at the note's first byte. Null when the directory does not fit the view.
ifd_block* headedifd(std::uint32_t offset, const tiff_view& view, const char* header, const tag_def* table);

// Reads the first n values of a field of 32-bit numbers (LONG or SLONG) into
// out: the value word itself for a field of one value, else the field's data,
// which must lie wholly inside the view. n is at most the field's count. False,
// after a warning, when the field is of another type or its data lie outside.
bool readlongs(const exif_prop* prop, const tiff_view& view, std::uint32_t* out, std::uint32_t n);

// Replaces the text of a digital-zoom rational with "None" (no zoom: a ratio of
// one, or a zero term) or the zoom factor, "x1.5". A field that is not a
// rational, or whose data lie outside the view, keeps its text.
void zoomtext(exif_prop* prop, const tiff_view& view);

}  // namespace exifkit
