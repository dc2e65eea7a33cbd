// ISO BMFF (HEIF/HEIC, AVIF, CR3): not read yet.
#include "containers/container.h"

namespace exifkit::detail {

void readbmff(fetcher&, context&, fileformat, containerfound&) {}

fileformat bmffformat(std::span<const unsigned char>) noexcept
{
    return fileformat::unknown;
}

}  // namespace exifkit::detail
