// The first text of a property, given by the directory reader.
#pragma once

#include <cstddef>
#include <cstdint>

#include "exifkit/records.h"

namespace exifkit {

// Text from the value table of the tag's row.
void tabletext(exif_prop* prop, const descr_entry* table, const tiff_view& view);

// "2.20" from an ExifVersion field; also stores the version in info.
void versiontext(exif_prop* prop, exif_info* info, const tiff_view& view);

// A character-coded comment (UserComment, GPSProcessingMethod, GPSAreaInformation).
void commenttext(exif_prop* prop, const tiff_view& view);

// FileSource: the text of its single byte.
void filesrctext(exif_prop* prop, const tiff_view& view);

// The generic text of the property's field type, or none.
void generictext(exif_prop* prop, const tiff_view& view);

// Writes the text of a rational into buf (at most size - 1 characters):
// reduced fraction, whole number or one decimal, "0" or "Infinite".
void rationaltext(char* buf, std::size_t size, std::uint32_t num, std::uint32_t den, bool is_signed);

// The decimal number of two characters, as atoi reads them ("02" is 2).
int twodigits(unsigned char a, unsigned char b);

}  // namespace exifkit
