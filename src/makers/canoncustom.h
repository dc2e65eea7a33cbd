// Canon custom functions: the settings of the user-configurable behaviours,
// one 16-bit word per function, decoded with a table chosen by camera model.
#pragma once

#include "exifkit/records.h"
#include "makers/canon.h"

namespace exifkit {

// Function tables, keyed by function number.
extern const tag_def canon_1dcustom[];   // tag 0x0090, every model
extern const tag_def canon_10dcustom[];  // tag 0x000F, models with "10D"
extern const tag_def canon_20dcustom[];  // tag 0x000F, models with "20D"
extern const tag_def canon_d30custom[];  // tag 0x000F, models with "D30" or "D60"

// Turns each word behind the length word into a child of the array property
// whose text names the function and its setting. A length word of neither
// 2 x count nor 2 x count - 2 bytes gives a warning and no child.
void canon_custom(exif_prop* prop, const canon_array& words, const tag_def* table);

}  // namespace exifkit
