// The Sanyo maker note: the Olympus layout with Sanyo's own tags.
#pragma once

#include "exifkit/records.h"

namespace exifkit {

extern const tag_def sanyo_tags[];

}  // namespace exifkit
