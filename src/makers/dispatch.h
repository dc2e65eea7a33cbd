// Recognising the camera maker from the Make property.
#pragma once

#include "exifkit/makers.h"

namespace exifkit {

// Sets info->maker to the row of `makers` whose key begins the Make text of
// prop (the end row when none does). A Make whose data lie outside the view
// gives the warning "invalid field offset" and leaves info->maker unchanged.
void makermatch(const exif_prop* prop, exif_info* info, const tiff_view& view);

}  // namespace exifkit
