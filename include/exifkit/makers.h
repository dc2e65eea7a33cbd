// Maker-note dispatch: the camera maker's directory reader and property
// interpreter, selected by the Make text.
#pragma once

#include <cstdint>

#include "exifkit/exif.h"

namespace exifkit {

// Interprets one property of the maker's directory.
using maker_propfn = void (*)(exif_prop* prop, exif_info* info);

// Reads the maker note at offset (from view->base) and returns its directories,
// or null for a layout it does not support. May change view->order and view->base.
using maker_ifdfn = ifd_block* (*)(std::uint32_t offset, tiff_view* view);

struct maker_entry {
    std::int32_t id;      // -1 ends the table
    const char* key;      // lower-case prefix the Make text must begin with
    maker_propfn propfn;  // may be null
    maker_ifdfn ifdfn;    // may be null
};

extern const maker_entry makers[];

}  // namespace exifkit
