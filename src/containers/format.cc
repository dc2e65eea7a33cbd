#include "containers/container.h"

namespace exifkit::detail {

const char* formatname(fileformat format) noexcept
{
    switch (format) {
    case fileformat::jpeg: return "jpeg";
    case fileformat::tiff: return "tiff";
    case fileformat::heif: return "heif";
    case fileformat::avif: return "avif";
    case fileformat::cr3: return "cr3";
    case fileformat::png: return "png";
    case fileformat::webp: return "webp";
    case fileformat::jxl: return "jxl";
    case fileformat::raf: return "raf";
    case fileformat::crw: return "crw";
    default: return "unknown";
    }
}

}  // namespace exifkit::detail
