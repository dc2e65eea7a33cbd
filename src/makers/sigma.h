// Sigma maker notes: the tag table, for readers of the parsed list, and the
// removal of the labels the camera writes in front of its values.
#pragma once

#include "exifkit/records.h"

namespace exifkit {

extern const tag_def sigma_tags[];

// When text begins with prefix (case-sensitive), removes it in place by moving
// the rest of the text, terminator included, to the front.
void sigma_deprefix(char* text, const char* prefix) noexcept;

}  // namespace exifkit
