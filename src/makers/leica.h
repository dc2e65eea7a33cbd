// The Leica maker note's own layout (some Leica cameras write Fujifilm's).
#pragma once

#include "exifkit/records.h"

namespace exifkit {

extern const tag_def leica_tags[];

}  // namespace exifkit
