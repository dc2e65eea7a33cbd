// Maker-note dispatch: the camera maker's directory reader and property
// interpreter, selected by the Make text.
#pragma once

#include <cstdint>

#include "exifkit/export.h"

#include "exifkit/records.h"

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

EXIFKIT_API extern const maker_entry makers[];

// The directory reader and property interpreter of each maker, as the rows of
// `makers` call them. Casio has no interpreter; Asahi, Pentax, Ricoh and
// Samsung share an interpreter, Olympus and OM Digital Solutions a pair.
EXIFKIT_API ifd_block* canon_ifd(std::uint32_t offset, tiff_view* view);
EXIFKIT_API void canon_prop(exif_prop* prop, exif_info* info);
EXIFKIT_API ifd_block* olympus_ifd(std::uint32_t offset, tiff_view* view);
EXIFKIT_API void olympus_prop(exif_prop* prop, exif_info* info);
EXIFKIT_API ifd_block* fuji_ifd(std::uint32_t offset, tiff_view* view);
EXIFKIT_API void fuji_prop(exif_prop* prop, exif_info* info);
EXIFKIT_API ifd_block* nikon_ifd(std::uint32_t offset, tiff_view* view);
EXIFKIT_API void nikon_prop(exif_prop* prop, exif_info* info);
EXIFKIT_API ifd_block* casio_ifd(std::uint32_t offset, tiff_view* view);
EXIFKIT_API ifd_block* minolta_ifd(std::uint32_t offset, tiff_view* view);
EXIFKIT_API void minolta_prop(exif_prop* prop, exif_info* info);
EXIFKIT_API ifd_block* sanyo_ifd(std::uint32_t offset, tiff_view* view);
EXIFKIT_API void sanyo_prop(exif_prop* prop, exif_info* info);
EXIFKIT_API ifd_block* asahi_ifd(std::uint32_t offset, tiff_view* view);
EXIFKIT_API void asahi_prop(exif_prop* prop, exif_info* info);
EXIFKIT_API ifd_block* leica_ifd(std::uint32_t offset, tiff_view* view);
EXIFKIT_API void leica_prop(exif_prop* prop, exif_info* info);
EXIFKIT_API ifd_block* panasonic_ifd(std::uint32_t offset, tiff_view* view);
EXIFKIT_API void panasonic_prop(exif_prop* prop, exif_info* info);
EXIFKIT_API ifd_block* sigma_ifd(std::uint32_t offset, tiff_view* view);
EXIFKIT_API void sigma_prop(exif_prop* prop, exif_info* info);
EXIFKIT_API ifd_block* apple_ifd(std::uint32_t offset, tiff_view* view);
EXIFKIT_API void apple_prop(exif_prop* prop, exif_info* info);
EXIFKIT_API ifd_block* sony_ifd(std::uint32_t offset, tiff_view* view);
EXIFKIT_API void sony_prop(exif_prop* prop, exif_info* info);
EXIFKIT_API ifd_block* hasselblad_ifd(std::uint32_t offset, tiff_view* view);
EXIFKIT_API ifd_block* ricoh_ifd(std::uint32_t offset, tiff_view* view);
EXIFKIT_API ifd_block* samsung_ifd(std::uint32_t offset, tiff_view* view);

}  // namespace exifkit
