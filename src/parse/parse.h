// Parsing one Exif block within a read.
#pragma once

#include <cstdint>
#include <span>

#include "exif/context.h"
#include "exifkit/records.h"

namespace exifkit::detail {

// Reads and interprets the block as exifparse does, in the context's memory:
// the record lives until the context's next parse (or its end). Null when
// the block is not usable Exif data.
exif_info* parseblock(context& ctx, const unsigned char* block, std::uint32_t length);

// The same for TIFF data without the "Exif\0\0" before it: a TIFF or raw
// file (read in pages by `pager`, null for data in memory) or a container's
// Exif payload. Besides magic 42, takes the magics of ORF (IIRO, IIRS, MMOR)
// and RW2 (IIU).
exif_info* parsetiff(context& ctx, const unsigned char* tiff, std::uint64_t length, pager* pages);

// The pieces of a CR3 file, each TIFF data of its own: IFD0, the Exif IFD,
// Canon's maker note and the GPS IFD (any may be missing), read as one
// block whose IFD0 points at the others.
struct tiffpieces {
    std::span<const unsigned char> ifd0, exif, makernote, gps;
};
exif_info* parsepieces(context& ctx, const tiffpieces& pieces);

}  // namespace exifkit::detail
