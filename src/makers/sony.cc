// Sony maker notes: one directory, behind a "SONY DSC" (or similar) header or
// with none, in the Exif block's byte order; offsets count from the Exif TIFF
// header.
#include "makers/sony.h"

#include "exif/context.h"
#include "exifkit/makers.h"
#include "makers/common.h"

namespace exifkit {

const tag_def sony_tags[] = {
    {0xFFFF, 0, 0, LVL_UNKNOWN, "SonyUnknown", "Sony Unknown", nullptr},
};

ifd_block* sony_ifd(std::uint32_t, tiff_view* view)
{
    detail::warn(view->ctx, "Sony maker note version not supported");
    return nullptr;
}

ifd_block* hasselblad_ifd(std::uint32_t, tiff_view* view)
{
    detail::warn(view->ctx, "maker note not supported");
    return nullptr;
}

void sony_prop(exif_prop*, exif_info*) {}

}  // namespace exifkit
