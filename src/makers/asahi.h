// Asahi/Pentax maker notes: the tag tables, for readers of the parsed list.
#pragma once

#include "exifkit/records.h"

namespace exifkit {

extern const tag_def asahi_tags[];
// The table of the Pentax layouts with a byte order of their own ("AOC\0MM",
// "AOC\0II", "PENTAX \0", "RICOH\0").
extern const tag_def pentax_tags[];

void pentax_prop(exif_prop* prop, exif_info* info);

}  // namespace exifkit
