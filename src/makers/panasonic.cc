// Placeholder until this maker's reader lands: the note is not read.
#include "exifkit/makers.h"

namespace exifkit {

ifd_block* panasonic_ifd(std::uint32_t, tiff_view*) { return nullptr; }
void panasonic_prop(exif_prop*, exif_info*) {}

}  // namespace exifkit
