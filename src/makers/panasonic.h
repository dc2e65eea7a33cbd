// Panasonic maker notes: the tag table, for readers of the parsed list.
#pragma once

#include "exifkit/records.h"

namespace exifkit {

extern const tag_def panasonic_tags0[];

}  // namespace exifkit
