// The marker scanner over any source of JPEG bytes.
#pragma once

#include "exif/context.h"
#include "jpeg/source.h"

namespace exifkit::detail {

// Finds the next APP1 or APP2 segment of src as the exported jpegscan does;
// warnings and the frame header go to the read's context.
int jpegscan(source& src, int* marker, unsigned int* length, int first, context& ctx);

}  // namespace exifkit::detail
