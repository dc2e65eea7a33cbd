// Interpretation of the standard properties of a parsed block.
#pragma once

#include "exifkit/records.h"

namespace exifkit {

// Gives a property of the standard directories its interpreted text.
void interpretstandard(exif_prop* prop, exif_info* info);

// The rules every property passes once interpreted: ASCII texts trimmed and
// cleaned of control bytes, blank ones and the thumbnail's moved to the
// other group, and the standard property a maker value supersedes moved too.
void finishprop(exif_prop* prop, exif_info* info);

}  // namespace exifkit
