// Casio maker notes: the tag tables of the two layouts, for readers of the
// parsed list.
#pragma once

#include "exifkit/records.h"

namespace exifkit {

extern const tag_def casio_tags0[];  // a plain directory
extern const tag_def casio_tags1[];  // behind the "QVC" header

}  // namespace exifkit
