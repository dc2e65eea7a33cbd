// Apple maker notes (iPhone, iPad): the tag table, for readers of the parsed list.
#pragma once

#include "exifkit/records.h"

namespace exifkit {

extern const tag_def apple_tags[];

}  // namespace exifkit
