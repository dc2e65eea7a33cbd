// Parsing one Exif block within a read.
#pragma once

#include <cstdint>

#include "exif/context.h"
#include "exifkit/records.h"

namespace exifkit::detail {

// Reads and interprets the block as exifparse does, in the context's memory:
// the record lives until the context's next parse (or its end). Null when
// the block is not usable Exif data.
exif_info* parseblock(context& ctx, const unsigned char* block, std::uint32_t length);

}  // namespace exifkit::detail
