// The lowest level, for hosts that build or walk the Exif records themselves:
// byte-order readers, record and lookup helpers, the TIFF directory reader,
// the standard and GPS tag tables, and the delivery of a property list. An
// ordinary host needs none of it: exifkit/exifkit.h reads files and hands
// back their metadata.
#pragma once

#include <cstddef>
#include <cstdint>

#include "exifkit/export.h"

#include "exifkit/exif.h"

namespace exifkit {

// Byte-order readers.
EXIFKIT_API std::uint16_t exif2byte(const unsigned char* b, int order) noexcept;
EXIFKIT_API int exif2sbyte(const unsigned char* b, int order) noexcept;
EXIFKIT_API std::uint32_t exif4byte(const unsigned char* b, int order) noexcept;
EXIFKIT_API std::int32_t exif4sbyte(const unsigned char* b, int order) noexcept;
EXIFKIT_API void byte4exif(std::uint32_t value, unsigned char* b, int order) noexcept;

// Lookups and record helpers.
EXIFKIT_API std::uint32_t gcd(std::uint32_t a, std::uint32_t b) noexcept;
EXIFKIT_API exif_prop* findprop(exif_prop* list, const tag_def* table, std::uint16_t tag) noexcept;
EXIFKIT_API char* finddescr(const descr_entry* table, std::uint16_t value);
EXIFKIT_API int catdescr(char* buf, const descr_entry* table, std::uint16_t value, int len) noexcept;
EXIFKIT_API exif_prop* newprop();
EXIFKIT_API exif_prop* childprop(exif_prop* parent);
EXIFKIT_API char* exifstralloc(char** slot, std::size_t size);
EXIFKIT_API void dumpprop(const exif_prop* prop, const unsigned char* raw);
EXIFKIT_API void hexprint(const unsigned char* b, int n);

// Frees a chain of directory records linked through `next`.
EXIFKIT_API void ifdfree(ifd_block* block) noexcept;

// The TIFF directory reader.
EXIFKIT_API extern const ftype_def ftypes[];
EXIFKIT_API exif_info* exifscan(const unsigned char* block, std::uint32_t length, int readmakers);
EXIFKIT_API std::uint32_t readifd(std::uint32_t offset, ifd_block** out, const tag_def* table,
                      const tiff_view& view);
EXIFKIT_API ifd_block* readifds(std::uint32_t offset, const tag_def* table, const tiff_view& view);

// Tag tables.
EXIFKIT_API extern const tag_def tags[];
EXIFKIT_API extern const tag_def gpstags[];
EXIFKIT_API void gpsprop(exif_prop* prop, exif_info* info);

// Delivers the properties of one level of a list to the default reader's
// handler; a point-and-shoot flag of non-zero puts LVL_PAS properties into
// the camera group, zero into the image group.
EXIFKIT_API void printprops(exif_prop* list, int level, int pas);

}  // namespace exifkit
