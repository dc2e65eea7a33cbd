// Apple maker notes: "Apple iOS", a zero byte, a version and "MM", then one
// big-endian directory whose offsets count from the note's first byte.
#include "makers/apple.h"

#include "exif/context.h"
#include "exifkit/makers.h"
#include "makers/common.h"

namespace exifkit {

const tag_def apple_tags[] = {
    {0xFFFF, 0, 0, LVL_UNKNOWN, "AppleUnknown", "Apple Unknown", nullptr},
};

ifd_block* apple_ifd(std::uint32_t, tiff_view* view)
{
    detail::warn(view->ctx, "Apple maker note version not supported");
    return nullptr;
}

void apple_prop(exif_prop*, exif_info*) {}

}  // namespace exifkit
