// Sony maker notes (Alpha, Cyber-shot, Xperia): the tag table, for readers of
// the parsed list.
#pragma once

#include "exifkit/records.h"

namespace exifkit {

extern const tag_def sony_tags[];

}  // namespace exifkit
