// What the container readers share: the formats photos come in, and what a
// container holds for the Exif reader.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "exif/context.h"
#include "io/fetch.h"

namespace exifkit::detail {

enum class fileformat : unsigned char { unknown, jpeg, tiff, heif, avif, cr3, png, webp, jxl, raf, crw, video };

// "jpeg", "tiff", "heif", "avif", "cr3", "png", "webp", "jxl", "raf", "crw";
// "unknown" for the others.
const char* formatname(fileformat format) noexcept;

// One stretch of TIFF data (from its byte-order mark on, offsets counting
// from there) and what it holds: a whole TIFF structure, or one of the
// pieces a CR3 file keeps apart (IFD0, the Exif IFD, Canon's maker note,
// the GPS IFD), each a TIFF structure of its own whose first directory is
// that piece.
struct tiffpart {
    enum kind : unsigned char { whole, ifd0, exif, makernote, gps };
    std::span<const unsigned char> data;
    kind role = whole;
};

// What a container reader found. The spans point into the fetcher's pieces
// or into `owned` (bytes joined from several extents, decoded from text or
// inflated), which live as long as this record and the fetcher.
struct containerfound {
    std::vector<tiffpart> tiff;
    // The stored image size (width, height), when the container gives one.
    std::optional<std::uint32_t> width, height;
    std::vector<std::vector<unsigned char>> owned;
};

// The container readers: each adds what it finds to `found` and warns
// through ctx about what it had to pass over.
void readbmff(fetcher& bytes, context& ctx, fileformat format, containerfound& found);
void readjxl(fetcher& bytes, context& ctx, containerfound& found);
void readpng(fetcher& bytes, context& ctx, containerfound& found);
void readwebp(fetcher& bytes, context& ctx, containerfound& found);

// The format of a file from its first bytes (all it has when it is short):
// the signatures of each format, TIFF's byte orders and magics (a raw
// file's own among them), `ftyp` for ISO BMFF (see bmffformat). Unknown
// when none matches; JPEG is tried on those.
fileformat recognise(std::span<const unsigned char> head) noexcept;

// The format of an ISO BMFF file from its `ftyp` box at the start of head:
// heif, avif, cr3, video (MP4, MOV and other brands that are no still
// image), or unknown when head holds no `ftyp` box.
fileformat bmffformat(std::span<const unsigned char> head) noexcept;

}  // namespace exifkit::detail
