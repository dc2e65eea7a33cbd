// The Fujifilm maker-note layout, which some Leica cameras write as well.
#pragma once

#include <cstdint>

#include "exifkit/records.h"

namespace exifkit {

extern const tag_def fuji_tags[];

// Whether the note at offset begins with the "FUJIFILM" header.
bool fujilayout(const tiff_view& view, std::uint32_t offset) noexcept;

}  // namespace exifkit
