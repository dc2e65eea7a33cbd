// Internals of the Canon maker note shared by its units and tests: the tag
// tables and the arrays of 16-bit values that most Canon entries hold.
#pragma once

#include <cstdint>

#include "exif/view.h"
#include "exifkit/records.h"

namespace exifkit {

// The top-level table of the note, and the tables of the arrays it points to,
// keyed by the position of a value in its array.
extern const tag_def canon_tags[];
extern const tag_def canon_tags01[];   // 0x0001, camera settings
extern const tag_def canon_tags04[];   // 0x0004, shot information
extern const tag_def canon_tags93[];   // 0x0093
extern const tag_def canon_tagsA0[];   // 0x00A0
extern const tag_def canon_tagsunk[];  // any other array, unpacked only while tracing

// The values of an array entry, every one of them inside the Exif block.
struct canon_array {
    tiff_view view;
    std::uint32_t offset;
    std::uint32_t count;

    // Value i read in the note's byte order; 0 past the end of the array.
    std::uint16_t at(std::uint32_t i) const noexcept
    {
        return i < count ? cursor(view).u16(offset + 2ull * i).value_or(0) : 0;
    }
};

}  // namespace exifkit
