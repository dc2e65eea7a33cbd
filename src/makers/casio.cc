// Casio maker notes: a plain directory, or one behind a "QVC" header whose
// fields are mostly not understood. Either is read in the Exif block's byte
// order with value offsets from the Exif TIFF header, and never followed by
// a chain. Casio properties get no interpretation beyond their tables.
#include "makers/casio.h"

#include "exif/context.h"
#include "exif/directory.h"
#include "exif/proptext.h"
#include "exif/view.h"
#include "exifkit/errors.h"
#include "exifkit/makers.h"
#include "makers/common.h"

namespace exifkit {

namespace {

const descr_entry casio_record[] = {
    {1,  "Single Shutter"},
    {7,  "Panorama"},
    {10, "Night Scene"},
    {15, "Portrait"},
    {16, "Landscape"},
    {-1, "Unknown"},
};

const descr_entry casio_qual[] = {
    {1,  "Economy"},
    {2,  "Normal"},
    {3,  "Fine"},
    {-1, "Unknown"},
};

const descr_entry casio_focus[] = {
    {2,  "Macro"},
    {3,  "Auto"},
    {4,  "Manual"},
    {5,  "Infinity"},
    {-1, "Unknown"},
};

const descr_entry casio_flash[] = {
    {1,  "Auto"},
    {2,  "On"},
    {4,  "Off"},
    {5,  "Red Eye Reduction"},
    {-1, "Unknown"},
};

const descr_entry casio_intense[] = {
    {11, "Weak"},
    {13, "Normal"},
    {15, "Strong"},
    {-1, "Unknown"},
};

const descr_entry casio_whiteb[] = {
    {1,   "Auto"},
    {2,   "Tungsten"},
    {3,   "Daylight"},
    {4,   "Fluorescent"},
    {5,   "Shade"},
    {129, "Manual"},
    {-1,  "Unknown"},
};

const descr_entry casio_sharp[] = {
    {0,  "Normal"},
    {1,  "Soft"},
    {2,  "Hard"},
    {-1, "Unknown"},
};

// Contrast and saturation.
const descr_entry casio_range[] = {
    {0,  "Normal"},
    {1,  "Low"},
    {2,  "High"},
    {-1, "Unknown"},
};

const descr_entry casio_sensitive[] = {
    {64,  "Normal"},
    {80,  "Normal"},
    {100, "High"},
    {125, "+1.0"},
    {244, "+3.0"},
    {250, "+2.0"},
    {-1,  "Unknown"},
};

// "QVC" and three zero bytes.
constexpr std::uint32_t HEADER = 6;
constexpr char QVC[HEADER + 1] = "QVC\0\0";
constexpr const char* UNSUPPORTED = "Casio maker note version not supported";

}  // namespace

// Columns: tag, expected type and count (0 = any), level, name,
// description, value table.
const tag_def casio_tags0[] = {
    {0x0001, 3,  1,  LVL_IMAGE,   "CasioRecord",    "Recording Mode",  casio_record},
    {0x0002, 3,  1,  LVL_IMAGE,   "CasioQuality",   "Quality Setting", casio_qual},
    {0x0003, 3,  1,  LVL_IMAGE,   "CasioFocus",     "Focusing Mode",   casio_focus},
    {0x0004, 3,  1,  LVL_IMAGE,   "CasioFlash",     "Flash Mode",      casio_flash},
    {0x0005, 3,  1,  LVL_IMAGE,   "CasioIntensity", "Flash Intensity", casio_intense},
    {0x0006, 4,  1,  LVL_VERBOSE, "CasioDistance",  "Object Distance", nullptr},
    {0x0007, 3,  1,  LVL_IMAGE,   "CasioWhiteB",    "White Balance",   casio_whiteb},
    {0x000a, 4,  1,  LVL_UNKNOWN, "CasioDZoom",     "Digital Zoom",    nullptr},
    {0x000b, 3,  1,  LVL_IMAGE,   "CasioSharp",     "Sharpness",       casio_sharp},
    {0x000c, 3,  1,  LVL_IMAGE,   "CasioContrast",  "Contrast",        casio_range},
    {0x000d, 3,  1,  LVL_IMAGE,   "CasioSaturate",  "Saturation",      casio_range},
    {0x0014, 3,  1,  LVL_IMAGE,   "CasioSensitive", "Sensitivity",     casio_sensitive},
    {0xffff, 0,  0,  LVL_UNKNOWN, "CasioUnknown",   "Casio Unknown",   nullptr},
};

const tag_def casio_tags1[] = {
    {0x2001, 2,  1,  LVL_UNKNOWN, "CasioASCII1",    "Casio ASCII Val 1", nullptr},
    {0x2002, 2,  1,  LVL_UNKNOWN, "CasioASCII2",    "Casio ASCII Val 2", nullptr},
    {0x3006, 2,  1,  LVL_UNKNOWN, "CasioASCII3",    "Casio ASCII Val 3", nullptr},
    {0xffff, 0,  0,  LVL_UNKNOWN, "CasioUnknown",   "Casio Unknown",     nullptr},
};

// A note too short to hold the header cannot hold a directory worth reading
// either (an entry alone takes twelve bytes): it is refused unread.
ifd_block* casio_ifd(std::uint32_t offset, tiff_view* view)
{
    if (!cursor(*view).has(offset, HEADER)) {
        detail::warn(view->ctx, UNSUPPORTED);
        return nullptr;
    }
    if (!noteheader(*view, offset, QVC, HEADER))
        return readone(offset, casio_tags0, *view);
    ifd_block* dir = readone(offset + HEADER, casio_tags1, *view);
    detail::warn(view->ctx, UNSUPPORTED);
    return dir;
}

}  // namespace exifkit
