// Nikon maker notes: the tag tables of the two directory layouts.
#pragma once

#include "exifkit/makers.h"

namespace exifkit {

// Version-1 notes ("Nikon" signature, version 0x0100).
extern const tag_def nikon_tags0[];

// Version-2 notes (embedded TIFF header) and notes without a signature.
extern const tag_def nikon_tags1[];

}  // namespace exifkit
