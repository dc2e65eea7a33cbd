// What the Olympus and Sanyo maker notes share: their layout (an optional
// 8-byte header, then one directory in the Exif block's byte order) and the
// shooting-mode and digital-zoom fields; and the tables of the newer Olympus
// layout, whose main directory leads to directories of its own.
#pragma once

#include <cstdint>

#include "exifkit/records.h"
#include "makers/common.h"

namespace exifkit {

extern const tag_def olympus_tags[];

// The newer layout ("OLYMPUS\0II", "OM SYSTEM\0\0\0II"): the main directory's
// table and those of the directories its entries lead to.
extern const tag_def olympus2_tags[], olympus_equipment_tags[], olympus_camera_tags[],
    olympus_rawdev_tags[], olympus_rawdev2_tags[], olympus_imaging_tags[], olympus_focus_tags[];

// The interpreter of every directory of the newer layout.
void olympus2_prop(exif_prop* prop, exif_info* info);

// The directory an entry of the newer layout's main directory leads to
// (equipment, camera settings, raw development, image processing, focus
// information), or null for any other entry.
ifd_block* olympus_subdirectory(const exif_prop* prop, const tiff_view& view);

inline constexpr std::uint16_t TAG_SHOOTMODE = 0x0200, TAG_DIGIZOOM = 0x0204;

// Reads the one directory of the note at offset against table: 8 bytes in when
// the note begins with header, the maker's five-letter name, and a zero byte;
// else at the note's first byte. Null when the directory does not fit the view.
ifd_block* headedifd(std::uint32_t offset, const tiff_view& view, const char* header, const tag_def* table);

// Whether the field holds 32-bit numbers (LONG or SLONG) that can be read:
// in the value word for a field of one value, else wholly inside the view.
// Warns when not.
bool longsreadable(const exif_prop* prop, const tiff_view& view);

// Value i of a readable field of 32-bit numbers, i below its count.
std::uint32_t longvalue(const exif_prop* prop, const tiff_view& view, std::uint32_t i);

// Replaces the text of a digital-zoom rational with the zoom factor, "x1.5",
// or "None" for no zoom by the maker's rule. A field that is not a rational,
// or whose data lie outside the view, keeps its text.
void digitalzoom(exif_prop* prop, const tiff_view& view, nozoom rule);

}  // namespace exifkit
