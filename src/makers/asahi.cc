// Asahi/Pentax maker notes (Make "Asahi..." or "PENTAX..."): a directory
// behind an "AOC" header, big-endian or in the Exif block's order, or a
// big-endian directory with no header at all. Value offsets count from the
// Exif TIFF header.
#include "makers/asahi.h"

#include "exif/context.h"
#include "exif/view.h"
#include "exifkit/errors.h"
#include "exifkit/makers.h"
#include "makers/common.h"

namespace exifkit {

namespace {

const descr_entry asahi_qual[] = {
    {0,  "Economy"},
    {1,  "Fine"},
    {2,  "Super Fine"},
    {-1, "Unknown"},
};

const descr_entry asahi_res[] = {
    {0,  "640x480"},
    {2,  "1024x768"},
    {4,  "1600x1200"},
    {22, "2304x1728"},
    {-1, "Unknown"},
};

const descr_entry asahi_focus[] = {
    {0,  "Normal"},
    {1,  "Macro"},
    {2,  "Macro"},
    {3,  "Infinity"},
    {-1, "Unknown"},
};

const descr_entry asahi_whiteb[] = {
    {0,  "Auto"},
    {1,  "Daylight"},
    {2,  "Shade"},
    {3,  "Fluorescent"},
    {4,  "Tungsten"},
    {5,  "Manual"},
    {-1, "Unknown"},
};

// Saturation, contrast and sharpness.
const descr_entry asahi_range[] = {
    {0,  "Soft"},
    {1,  "Normal"},
    {2,  "Hard"},
    {3,  "Medium Soft"},
    {4,  "Medium Hard"},
    {-1, "Unknown"},
};

// "AOC", a zero byte and two bytes that tell the byte order.
constexpr std::uint32_t HEADER = 6;
constexpr char AOC[] = "AOC";
// A note without header is taken for a directory only with more entries than this.
constexpr std::uint16_t FEWEST_HEADERLESS = 9;

ifd_block* refuse(const tiff_view& view)
{
    detail::warn(view.ctx, "Asahi maker note version not supported");
    return nullptr;
}

}  // namespace

// Columns: tag, expected type and count (0 = any), level, name,
// description, value table, standard tag superseded.
const tag_def asahi_tags[] = {
    {0x0008, 3,  1,  LVL_IMAGE,   "AsahiQuality",  "Quality Level",   asahi_qual,   0},
    {0x0009, 3,  1,  LVL_VERBOSE, "AsahiRes",      "Recorded Pixels", asahi_res,    0},
    {0x000d, 3,  1,  LVL_IMAGE,   "AsahiFocus",    "Focusing Mode",   asahi_focus,  0},
    {0x0019, 3,  1,  LVL_IMAGE,   "AsahiWhiteB",   "White Balance",   asahi_whiteb, 0xA403},
    {0x001f, 3,  1,  LVL_IMAGE,   "AsahiSaturate", "Saturation",      asahi_range,  0xA409},
    {0x0020, 3,  1,  LVL_IMAGE,   "AsahiContrast", "Contrast",        asahi_range,  0xA408},
    {0x0021, 3,  1,  LVL_IMAGE,   "AsahiSharp",    "Sharpness",       asahi_range,  0xA40A},
    {0xffff, 0,  0,  LVL_UNKNOWN, "AsahiUnknown",  "Asahi Unknown",   nullptr,      0},
};

// Every layout fills at least the six header bytes (a headerless directory
// has ten entries or more), so a note shorter than that is refused unread.
ifd_block* asahi_ifd(std::uint32_t offset, tiff_view* view)
{
    const cursor at(*view);
    if (!at.has(offset, HEADER))
        return refuse(*view);
    if (noteheader(*view, offset, AOC, sizeof AOC)) {
        if (noteheader(*view, offset + 4, "  ", 2))
            view->order = ORDER_BIG;
        else if (at.u16(offset + 4).value_or(0))
            return refuse(*view);
        return readifds(offset + HEADER, asahi_tags, *view);
    }
    if (at.u16(offset).value_or(0) <= FEWEST_HEADERLESS)
        return refuse(*view);
    view->order = ORDER_BIG;
    return readifds(offset, asahi_tags, *view);
}

const tag_def pentax_tags[] = {
    {0xFFFF, 0, 0, LVL_UNKNOWN, "PentaxUnknown", "Pentax Unknown", nullptr},
};

ifd_block* ricoh_ifd(std::uint32_t, tiff_view* view)
{
    return refuse(*view);
}

void pentax_prop(exif_prop*, exif_info*) {}

void asahi_prop(exif_prop* prop, exif_info*)
{
    supersede(prop);
}

}  // namespace exifkit
