// The marker scanner over any source of JPEG bytes.
#pragma once

#include "exifkit/reader.h"
#include "jpeg/source.h"

namespace exifkit::detail {

// jpegscan reading from src and keeping the frame header in frame.
int jpegscan(source& src, int* marker, unsigned int* length, int first, framestate& frame);

}  // namespace exifkit::detail
