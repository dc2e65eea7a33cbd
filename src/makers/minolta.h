// Minolta maker notes: the directory's table, the tables of the camera-settings
// array and the routines that expand and mark its values.
#pragma once

#include "exifkit/makers.h"

namespace exifkit {

// The entries of the note's directory.
extern const tag_def minolta_tags[];

// The camera-settings array, by index; the array of an unknown layout, whose
// every value takes the end row.
extern const tag_def minolta_MLT0[];
extern const tag_def minolta_unkn[];

// Adds one child of parent per 4-byte big-endian value of the array at offset
// in the view, which holds parent->count bytes there; a partial value at the
// end is not read.
void minolta_cprop(exif_prop* parent, const tiff_view& view, std::uint32_t offset, const tag_def* table);

// Gives the first property of list with this table and tag the text "n/a" and
// the level LVL_BAD; does nothing when there is none.
void minolta_naval(exif_prop* list, const tag_def* table, std::uint16_t tag);

}  // namespace exifkit
