// Asahi/Pentax maker notes (Make "Asahi...", "PENTAX..." or "RICOH..."). The
// early layouts: a directory behind an "AOC" header, big-endian or in the Exif
// block's order, or a big-endian directory with no header at all, read with
// the Asahi table. The later ones name their byte order: "AOC\0MM"/"AOC\0II"
// (offsets from the Exif TIFF header), "PENTAX \0" and "RICOH\0" followed by
// "MM"/"II" (offsets from the note's first byte), read with the Pentax table.
#include "makers/asahi.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <string_view>

#include "exif/context.h"
#include "exif/proptext.h"
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
// The later headers: the name, its zero byte, then "MM" or "II"; the
// directory follows at once and its offsets count from the note.
struct namedheader {
    const char* name;  // with its zero byte
    std::uint32_t length;
};
constexpr namedheader PENTAX{"PENTAX ", 8}, RICOH{"RICOH", 6};
// A note without header is taken for a directory only with more entries than this.
constexpr std::uint16_t FEWEST_HEADERLESS = 9;

ifd_block* refuse(const tiff_view& view)
{
    detail::warn(view.ctx, "Asahi maker note version not supported");
    return nullptr;
}

// The byte order "MM" or "II" at offset names; -1 for anything else.
int namedorder(const tiff_view& view, std::uint64_t offset) noexcept
{
    const auto mark = cursor(view).bytes(offset, 2);
    if (!mark)
        return -1;
    const unsigned char a = (*mark)[0], b = (*mark)[1];
    return a == 'M' && b == 'M' ? ORDER_BIG : a == 'I' && b == 'I' ? ORDER_LITTLE : -1;
}

// A directory whose header names its byte order, which the entry count must
// bear out, at `start`.
ifd_block* orderedifd(std::uint32_t start, int order, tiff_view* view)
{
    view->order = checkedorder(*view, start, order);
    return readifds(start, pentax_tags, *view);
}

// The "PENTAX \0" or "RICOH\0" layouts, or null when the note has neither.
// Their offsets count from the note's first byte.
ifd_block* namedlayout(std::uint32_t offset, tiff_view* view, bool* matched)
{
    for (const namedheader& h : {PENTAX, RICOH}) {
        if (!noteheader(*view, offset, h.name, h.length))
            continue;
        const int order = namedorder(*view, std::uint64_t{offset} + h.length);
        if (order < 0)
            continue;
        *matched = true;
        view->base += offset;
        ifd_block* dir = orderedifd(h.length + 2, order, view);
        return dir ? dir : refuse(*view);
    }
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
    bool named = false;
    if (ifd_block* dir = namedlayout(offset, view, &named); named)
        return dir;
    if (noteheader(*view, offset, AOC, sizeof AOC)) {
        if (const int order = namedorder(*view, offset + 4); order >= 0)
            return orderedifd(offset + HEADER, order, view);
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

namespace {

// ---- The Pentax table's value lists: a value missing from one prints as a number.

const descr_entry pentax_quality[] = {
    {0,     "Good"},
    {1,     "Better"},
    {2,     "Best"},
    {3,     "TIFF"},
    {4,     "RAW"},
    {5,     "Premium"},
    {7,     "RAW (pixel shift enabled)"},
    {8,     "Dynamic Pixel Shift"},
    {9,     "Monochrome"},
    {65535, "n/a"},
    {-1,    "Unknown"},
};

const descr_entry pentax_models[] = {
    {0x12C1E, "K10D"},
    {0x12CD2, "K20D"},
    {0x12DFE, "K-x"},
    {0x12E6C, "K-r"},
    {0x12E76, "K-5"},
    {0x12EE4, "Q"},
    {0x12EF8, "K-01"},
    {0x12F52, "K-30"},
    {0x12F70, "K-5 II"},
    {0x12F71, "K-5 II s"},
    {0x12FB6, "K-50"},
    {0x12FC0, "K-3"},
    {0x13010, "645Z"},
    {0x13024, "K-S2"},
    {0x13092, "K-1"},
    {0x1309C, "K-3 II"},
    {0x1320E, "GR III"},
    {0x13222, "K-70"},
    {0x1322C, "KP"},
    {0x13254, "K-3 Mark III"},
    {-1,      "Unknown"},
};

const descr_entry pentax_flash[] = {
    {0x000, "Auto, Did not fire"},
    {0x001, "Off, Did not fire"},
    {0x002, "On, Did not fire"},
    {0x003, "Auto, Did not fire, Red-eye reduction"},
    {0x005, "On, Did not fire, Wireless (Master)"},
    {0x100, "Auto, Fired"},
    {0x102, "On, Fired"},
    {0x103, "Auto, Fired, Red-eye reduction"},
    {0x104, "On, Red-eye reduction"},
    {0x105, "On, Wireless (Master)"},
    {0x106, "On, Wireless (Control)"},
    {0x108, "On, Soft"},
    {0x109, "On, Slow-sync"},
    {0x10A, "On, Slow-sync, Red-eye reduction"},
    {0x10B, "On, Trailing-curtain Sync"},
    {-1,    "Unknown"},
};

const descr_entry pentax_focus[] = {
    {0x000, "Normal"},
    {0x001, "Macro"},
    {0x002, "Infinity"},
    {0x003, "Manual"},
    {0x004, "Super Macro"},
    {0x005, "Pan Focus"},
    {0x006, "Auto-area"},
    {0x007, "Zone Select"},
    {0x008, "Select"},
    {0x009, "Pinpoint"},
    {0x00A, "Tracking"},
    {0x00B, "Continuous"},
    {0x00C, "Snap"},
    {0x010, "AF-S (Focus-priority)"},
    {0x011, "AF-C (Focus-priority)"},
    {0x012, "AF-A (Focus-priority)"},
    {0x020, "Contrast-detect (Focus-priority)"},
    {0x021, "Tracking Contrast-detect (Focus-priority)"},
    {0x110, "AF-S (Release-priority)"},
    {0x111, "AF-C (Release-priority)"},
    {0x112, "AF-A (Release-priority)"},
    {0x120, "Contrast-detect (Release-priority)"},
    {-1,    "Unknown"},
};

const descr_entry pentax_afpoint[] = {
    {0xFFFF, "Auto"},
    {0xFFFE, "Fixed Center"},
    {0xFFFD, "Automatic Tracking AF"},
    {0xFFFC, "Face Detect AF"},
    {0xFFFB, "AF Select"},
    {0xFFFA, "Auto 2"},
    {0,      "None"},
    {1,      "Upper-left"},
    {2,      "Top"},
    {3,      "Upper-right"},
    {4,      "Left"},
    {5,      "Mid-left"},
    {6,      "Center"},
    {7,      "Mid-right"},
    {8,      "Right"},
    {9,      "Lower-left"},
    {10,     "Bottom"},
    {11,     "Lower-right"},
    {-1,     "Unknown"},
};

const descr_entry pentax_afarea[] = {
    {0,  "Single Point"},
    {1,  "Expanded Area"},
    {-1, "Unknown"},
};

const descr_entry pentax_metering[] = {
    {0,  "Multi-segment"},
    {1,  "Center-weighted average"},
    {2,  "Spot"},
    {6,  "Highlight"},
    {-1, "Unknown"},
};

const descr_entry pentax_whiteb[] = {
    {0,      "Auto"},
    {1,      "Daylight"},
    {2,      "Shade"},
    {3,      "Fluorescent"},
    {4,      "Tungsten"},
    {5,      "Manual"},
    {6,      "Daylight Fluorescent"},
    {7,      "Day White Fluorescent"},
    {8,      "White Fluorescent"},
    {9,      "Flash"},
    {10,     "Cloudy"},
    {11,     "Warm White Fluorescent"},
    {14,     "Multi Auto"},
    {15,     "Color Temperature Enhancement"},
    {17,     "Kelvin"},
    {0xFFFE, "Unknown"},
    {0xFFFF, "User-Selected"},
    {-1,     "Unknown"},
};

// Saturation and contrast; sharpness says soft and hard instead.
const descr_entry pentax_level[] = {
    {0,     "-2 (low)"},
    {1,     "0 (normal)"},
    {2,     "+2 (high)"},
    {3,     "-1 (medium low)"},
    {4,     "+1 (medium high)"},
    {5,     "-3 (very low)"},
    {6,     "+3 (very high)"},
    {7,     "-4 (minimum)"},
    {8,     "+4 (maximum)"},
    {65535, "None"},
    {-1,    "Unknown"},
};

const descr_entry pentax_sharpness[] = {
    {0,     "-2 (soft)"},
    {1,     "0 (normal)"},
    {2,     "+2 (hard)"},
    {3,     "-1 (medium soft)"},
    {4,     "+1 (medium hard)"},
    {5,     "-3 (very soft)"},
    {6,     "+3 (very hard)"},
    {7,     "-4 (minimum)"},
    {8,     "+4 (maximum)"},
    {65535, "n/a"},
    {-1,    "Unknown"},
};

const descr_entry pentax_hue[] = {
    {0,     "-2"},
    {1,     "Normal"},
    {2,     "+2"},
    {3,     "-1"},
    {4,     "+1"},
    {5,     "-3"},
    {6,     "+3"},
    {7,     "-4"},
    {8,     "+4"},
    {65535, "None"},
    {-1,    "Unknown"},
};

const descr_entry pentax_worldtime[] = {
    {0,  "Home"},
    {1,  "Destination"},
    {-1, "Unknown"},
};

const descr_entry pentax_noyes[] = {
    {0,  "No"},
    {1,  "Yes"},
    {-1, "Unknown"},
};

const descr_entry pentax_offon[] = {
    {0,  "Off"},
    {1,  "On"},
    {-1, "Unknown"},
};

const descr_entry pentax_colorspace[] = {
    {0,  "sRGB"},
    {1,  "Adobe RGB"},
    {-1, "Unknown"},
};

const descr_entry pentax_tone[] = {
    {0,     "Natural"},
    {1,     "Bright"},
    {2,     "Portrait"},
    {3,     "Landscape"},
    {4,     "Vibrant"},
    {5,     "Monochrome"},
    {6,     "Muted"},
    {7,     "Reversal Film"},
    {8,     "Bleach Bypass"},
    {9,     "Radiant"},
    {10,    "Cross Processing"},
    {11,    "Flat"},
    {256,   "Standard"},
    {257,   "Vivid"},
    {258,   "Monotone"},
    {259,   "Soft Monotone"},
    {260,   "Hard Monotone"},
    {261,   "Hi-contrast B&W"},
    {262,   "Positive Film"},
    {263,   "Bleach Bypass 2"},
    {264,   "Retro"},
    {265,   "HDR Tone"},
    {266,   "Cross Processing 2"},
    {267,   "Negative Film"},
    {32768, "Standard"},
    {32769, "Hard"},
    {32770, "Soft"},
    {33024, "Monochrome"},
    {-1,    "Unknown"},
};

// The cities of the world-time setting, by their code from 0 on.
constexpr const char* CITIES[] = {
    "Pago Pago",   "Honolulu",      "Anchorage",    "Vancouver",  "San Francisco", "Los Angeles",
    "Calgary",     "Denver",        "Mexico City",  "Chicago",    "Miami",         "Toronto",
    "New York",    "Santiago",      "Caracus",      "Halifax",    "Buenos Aires",  "Sao Paulo",
    "Rio de Janeiro", "Madrid",     "London",       "Paris",      "Milan",         "Rome",
    "Berlin",      "Johannesburg",  "Istanbul",     "Cairo",      "Jerusalem",     "Moscow",
    "Jeddah",      "Tehran",        "Dubai",        "Karachi",    "Kabul",         "Male",
    "Delhi",       "Colombo",       "Kathmandu",    "Dacca",      "Yangon",        "Bangkok",
    "Kuala Lumpur", "Vientiane",    "Singapore",    "Phnom Penh", "Ho Chi Minh",   "Jakarta",
    "Hong Kong",   "Perth",         "Beijing",      "Shanghai",   "Manila",        "Taipei",
    "Seoul",       "Adelaide",      "Tokyo",        "Guam",       "Sydney",        "Noumea",
    "Wellington",  "Auckland",      "Lima",         "Dakar",      "Algiers",       "Helsinki",
    "Athens",      "Nairobi",       "Amsterdam",    "Stockholm",  "Lisbon",        "Copenhagen",
    "Warsaw",      "Prague",        "Budapest",
};

// ISO codes 3 to 45 (a third of a stop apart) and 258 to 286 (half a stop).
constexpr std::uint32_t ISO_THIRDS[] = {
    50,    64,    80,    100,   125,    160,    200,    250,    320,    400,    500,
    640,   800,   1000,  1250,  1600,   2000,   2500,   3200,   4000,   5000,   6400,
    8000,  10000, 12800, 16000, 20000,  25600,  32000,  40000,  51200,  64000,  80000,
    102400, 128000, 160000, 204800, 256000, 320000, 409600, 512000, 640000, 819200,
};
constexpr std::uint32_t ISO_HALVES[] = {
    50,    70,    100,   140,   200,    280,    400,    560,    800,    1100,
    1600,  2200,  3200,  4500,  6400,   9000,   12800,  18000,  25600,  36000,
    51200, 72000, 102400, 144000, 204800, 288000, 409600, 576000, 819200,
};
constexpr std::uint32_t ISO_FIRST_THIRD = 3, ISO_FIRST_HALF = 258;

// Picture modes by their first two bytes, a << 8 | b.
const descr_entry pentax_picture[] = {
    {0x0000, "Program"},
    {0x0001, "Hi-speed Program"},
    {0x0002, "DOF Program"},
    {0x0003, "MTF Program"},
    {0x0004, "Standard"},
    {0x0005, "Portrait"},
    {0x0006, "Landscape"},
    {0x0007, "Macro"},
    {0x0008, "Sport"},
    {0x0009, "Night Scene Portrait"},
    {0x000A, "No Flash"},
    {0x000B, "Night Scene"},
    {0x0104, "Auto PICT (Standard)"},
    {0x0200, "Program (HyP)"},
    {0x0300, "Green Mode"},
    {0x0400, "Shutter Speed Priority"},
    {0x0500, "Aperture Priority"},
    {0x0600, "Program Tv Shift"},
    {0x0700, "Program Av Shift"},
    {0x0800, "Manual"},
    {0x0900, "Bulb"},
    {0x0D00, "Shutter & Aperture Priority AE"},
    {0x0F00, "Sensitivity Priority AE"},
    {0x1200, "Auto Program (Normal)"},
    {0x1300, "Astrotracer"},
    {0x1A00, "Shutter and Aperture Priority (TAv)"},
    {-1,     "Unknown"},
};

// The four bytes of the drive mode.
const descr_entry pentax_drive0[] = {
    {0,   "Single-frame"},
    {1,   "Continuous"},
    {2,   "Continuous (Lo)"},
    {3,   "Burst"},
    {4,   "Continuous (Medium)"},
    {5,   "Continuous (Low)"},
    {255, "Video"},
    {-1,  "Unknown"},
};
const descr_entry pentax_drive1[] = {
    {0,   "No Timer"},
    {1,   "Self-timer (12 s)"},
    {2,   "Self-timer (2 s)"},
    {15,  "Video"},
    {16,  "Mirror Lock-up"},
    {255, "n/a"},
    {-1,  "Unknown"},
};
const descr_entry pentax_drive2[] = {
    {0,  "Shutter Button"},
    {1,  "Remote Control (3 s delay)"},
    {2,  "Remote Control"},
    {4,  "Remote Continuous Shooting"},
    {-1, "Unknown"},
};
const descr_entry pentax_drive3[] = {
    {0x00, "Single Exposure"},
    {0x01, "Multiple Exposure"},
    {0x02, "Composite Average"},
    {0x03, "Composite Additive"},
    {0x04, "Composite Bright"},
    {0x08, "Interval Shooting"},
    {0x0F, "Interval Movie"},
    {0x10, "HDR"},
    {0x20, "HDR Strong 1"},
    {0x30, "HDR Strong 2"},
    {0x40, "HDR Strong 3"},
    {0x50, "HDR Manual"},
    {0xE0, "HDR Auto"},
    {0xFF, "Video"},
    {-1,   "Unknown"},
};

// Lenses by series << 8 | model; a lens may report another series on another body.
const descr_entry pentax_lenses[] = {
    {0x03FB, "smc PENTAX-DA 40mm F2.8 Limited"},
    {0x04FB, "smc PENTAX-DA 40mm F2.8 Limited"},
    {0x0403, "smc PENTAX-FA 43mm F1.9 Limited"},
    {0x040C, "smc PENTAX-FA 50mm F1.4"},
    {0x0418, "smc PENTAX-FA 77mm F1.8 Limited"},
    {0x0427, "smc PENTAX-FA 31mm F1.8 AL Limited"},
    {0x0434, "smc PENTAX-D FA 100mm F2.8 Macro"},
    {0x07CA, "smc PENTAX-DA L 18-55mm F3.5-5.6 AL WR"},
    {0x07CB, "HD PENTAX-DA 55-300mm F4-5.8 ED WR"},
    {0x07D6, "smc PENTAX-DA 35mm F2.4 AL"},
    {0x07D9, "smc PENTAX-DA 50-200mm F4-5.6 ED WR"},
    {0x07DA, "smc PENTAX-DA 18-55mm F3.5-5.6 AL WR"},
    {0x07E5, "smc PENTAX-DA 18-55mm F3.5-5.6 AL II"},
    {0x07EC, "smc PENTAX-DA 55-300mm F4-5.8 ED"},
    {0x07F3, "smc PENTAX-DA 70mm F2.4 Limited"},
    {0x083D, "HD PENTAX-D FA 28-105mm F3.5-5.6 ED DC WR"},
    {0x083E, "HD PENTAX-D FA 24-70mm F2.8 ED SDM WR"},
    {0x08C5, "HD PENTAX-DA 55-300mm F4.5-6.3 ED PLM WR RE"},
    {0x08C8, "HD PENTAX-DA 16-85mm F3.5-5.6 ED DC WR"},
    {0x08D7, "smc PENTAX-DA 18-135mm F3.5-5.6 ED AL [IF] DC WR"},
    {0x08E8, "smc PENTAX-DA 17-70mm F4 AL [IF] SDM"},
    {-1,     "Unknown"},
};

const descr_entry pentax_srmode[] = {
    {0,   "Off"},
    {1,   "On"},
    {4,   "Off (4)"},
    {5,   "On but Disabled"},
    {6,   "On (Video)"},
    {7,   "On (7)"},
    {15,  "On (15)"},
    {39,  "On (mode 2)"},
    {135, "On (135)"},
    {167, "On (mode 1)"},
    {-1,  "Unknown"},
};
// The two-byte form of the K-3 on, whose mode byte also tells the
// anti-aliasing simulation.
const descr_entry pentax_srmode2[] = {
    {0,  "Off"},
    {1,  "On"},
    {4,  "Off (AA simulation off)"},
    {5,  "On but Disabled"},
    {6,  "On (Video)"},
    {7,  "On (AA simulation off)"},
    {8,  "Off (AA simulation type 1)"},
    {12, "Off (AA simulation type 1)"},
    {15, "On (AA simulation type 1)"},
    {16, "Off (AA simulation type 2)"},
    {20, "Off (AA simulation type 2)"},
    {23, "On (AA simulation type 2)"},
    {-1, "Unknown"},
};

const descr_entry pentax_nrstrength[] = {
    {0,   "Off"},
    {1,   "Weakest"},
    {2,   "Weak"},
    {3,   "Strong"},
    {4,   "Medium"},
    {255, "Auto"},
    {-1,  "Unknown"},
};
const descr_entry pentax_nractive[] = {
    {0,  "Inactive"},
    {1,  "Active"},
    {2,  "Active (Weak)"},
    {3,  "Active (Strong)"},
    {4,  "Active (Medium)"},
    {-1, "Unknown"},
};
const descr_entry pentax_nrthreshold[] = {
    {48, "ISO>400"},
    {56, "ISO>800"},
    {64, "ISO>1600"},
    {72, "ISO>3200"},
    {-1, "Unknown"},
};

constexpr std::uint16_t TAG_VERSION = 0x0000, TAG_PREVIEWSIZE = 0x0002, TAG_MODEL = 0x0005, TAG_DATE = 0x0006,
                        TAG_TIME = 0x0007, TAG_FOCUS = 0x000D, TAG_AFPOINT = 0x000E, TAG_EXPOSURE = 0x0012,
                        TAG_FNUMBER = 0x0013, TAG_ISO = 0x0014, TAG_EXPCOMP = 0x0016, TAG_FOCAL = 0x001D,
                        TAG_ZOOM = 0x001E, TAG_HOMECITY = 0x0023, TAG_DESTCITY = 0x0024, TAG_DSP = 0x0027,
                        TAG_CPU = 0x0028, TAG_PICTURE = 0x0033, TAG_DRIVE = 0x0034, TAG_LENS = 0x003F,
                        TAG_TEMPERATURE = 0x0047, TAG_FLASHCOMP = 0x004D, TAG_COLORTEMP = 0x0050,
                        TAG_SHAKE = 0x005C, TAG_SHUTTERCOUNT = 0x005D, TAG_HIGHISONR = 0x0071;

// The fields whose first value is one of a list's codes.
struct listfield {
    std::uint16_t tag;
    const descr_entry* list;
};
const listfield pentax_lists[] = {
    {0x0008, pentax_quality},
    {0x000C, pentax_flash},
    {0x0017, pentax_metering},
    {0x0019, pentax_whiteb},
    {0x001F, pentax_level},
    {0x0020, pentax_level},
    {0x0021, pentax_sharpness},
    {0x0022, pentax_worldtime},
    {0x0025, pentax_noyes},
    {0x0026, pentax_noyes},
    {0x0037, pentax_colorspace},
    {0x0048, pentax_offon},
    {0x0049, pentax_offon},
    {0x004F, pentax_tone},
    {0x0067, pentax_hue},
};

// Long enough for every text of the Pentax table.
constexpr std::size_t TEXT = 96;

}  // namespace

// Columns: tag, expected type and count (0 = any), level, name,
// description, value table, standard tag superseded.
const tag_def pentax_tags[] = {
    {0x0000, 0, 0, LVL_VERBOSE, "PentaxVersion",        "Pentax Version",        nullptr, 0},
    {0x0001, 0, 0, LVL_VERBOSE, "Mode",                 "Mode",                  nullptr, 0},
    {0x0002, 0, 0, LVL_VERBOSE, "PreviewImageSize",     "Preview Image Size",    nullptr, 0},
    {0x0005, 0, 0, LVL_CAMERA,  "PentaxModelID",        "Pentax Model ID",       nullptr, 0},
    {0x0006, 0, 0, LVL_VERBOSE, "Date",                 "Date",                  nullptr, 0},
    {0x0007, 0, 0, LVL_VERBOSE, "Time",                 "Time",                  nullptr, 0},
    {0x0008, 0, 0, LVL_IMAGE,   "Quality",              "Quality",               nullptr, 0},
    {0x000C, 0, 0, LVL_IMAGE,   "FlashMode",            "Flash Mode",            nullptr, 0},
    {0x000D, 0, 0, LVL_IMAGE,   "FocusMode",            "Focus Mode",            nullptr, 0},
    {0x000E, 0, 0, LVL_IMAGE,   "AFPointSelected",      "AF Point Selected",     nullptr, 0},
    {0x0012, 0, 0, LVL_VERBOSE, "ExposureTime",         "Exposure Time",         nullptr, 0},
    {0x0013, 0, 0, LVL_VERBOSE, "FNumber",              "F Number",              nullptr, 0},
    {0x0014, 0, 0, LVL_VERBOSE, "ISO",                  "ISO",                   nullptr, 0},
    {0x0016, 0, 0, LVL_VERBOSE, "ExposureCompensation", "Exposure Compensation", nullptr, 0},
    {0x0017, 0, 0, LVL_VERBOSE, "MeteringMode",         "Metering Mode",         nullptr, 0},
    {0x0019, 0, 0, LVL_IMAGE,   "WhiteBalance",         "White Balance",         nullptr, 0xA403},
    {0x001D, 0, 0, LVL_VERBOSE, "FocalLength",          "Focal Length",          nullptr, 0},
    {0x001E, 0, 0, LVL_VERBOSE, "DigitalZoom",          "Digital Zoom",          nullptr, 0},
    {0x001F, 0, 0, LVL_IMAGE,   "Saturation",           "Saturation",            nullptr, 0xA409},
    {0x0020, 0, 0, LVL_IMAGE,   "Contrast",             "Contrast",              nullptr, 0xA408},
    {0x0021, 0, 0, LVL_IMAGE,   "Sharpness",            "Sharpness",             nullptr, 0xA40A},
    {0x0022, 0, 0, LVL_VERBOSE, "WorldTimeLocation",    "World Time Location",   nullptr, 0},
    {0x0023, 0, 0, LVL_VERBOSE, "HometownCity",         "Hometown City",         nullptr, 0},
    {0x0024, 0, 0, LVL_VERBOSE, "DestinationCity",      "Destination City",      nullptr, 0},
    {0x0025, 0, 0, LVL_VERBOSE, "HometownDST",          "Hometown DST",          nullptr, 0},
    {0x0026, 0, 0, LVL_VERBOSE, "DestinationDST",       "Destination DST",       nullptr, 0},
    {0x0027, 0, 0, LVL_CAMERA,  "DSPFirmwareVersion",   "DSP Firmware Version",  nullptr, 0},
    {0x0028, 0, 0, LVL_CAMERA,  "CPUFirmwareVersion",   "CPU Firmware Version",  nullptr, 0},
    {0x0033, 0, 0, LVL_IMAGE,   "PictureMode",          "Picture Mode",          nullptr, 0},
    {0x0034, 0, 0, LVL_IMAGE,   "DriveMode",            "Drive Mode",            nullptr, 0},
    {0x0037, 0, 0, LVL_IMAGE,   "ColorSpace",           "Color Space",           nullptr, 0},
    {0x003F, 0, 0, LVL_IMAGE,   "LensRecord",           "Lens Record",           nullptr, 0},
    {0x0047, 0, 0, LVL_VERBOSE, "CameraTemperature",    "Camera Temperature",    nullptr, 0},
    {0x0048, 0, 0, LVL_IMAGE,   "AELock",               "AE Lock",               nullptr, 0},
    {0x0049, 0, 0, LVL_IMAGE,   "NoiseReduction",       "Noise Reduction",       nullptr, 0},
    {0x004D, 0, 0, LVL_IMAGE,   "FlashExposureComp",    "Flash Exposure Comp",   nullptr, 0},
    {0x004F, 0, 0, LVL_IMAGE,   "ImageTone",            "Image Tone",            nullptr, 0},
    {0x0050, 0, 0, LVL_IMAGE,   "ColorTemperature",     "Color Temperature",     nullptr, 0},
    {0x005C, 0, 0, LVL_IMAGE,   "ShakeReductionInfo",   "Shake Reduction Info",  nullptr, 0},
    {0x005D, 0, 0, LVL_CAMERA,  "ShutterCount",         "Shutter Count",         nullptr, 0},
    {0x0067, 0, 0, LVL_IMAGE,   "Hue",                  "Hue",                   nullptr, 0},
    {0x0071, 0, 0, LVL_IMAGE,   "HighISONR",            "High ISO NR",           nullptr, 0},
    {0x0229, 0, 0, LVL_CAMERA,  "SerialNumber",         "Serial Number",         nullptr, 0},
    {0xFFFF, 0, 0, LVL_UNKNOWN, "PentaxUnknown",        "Pentax Unknown",        nullptr, 0},
};

ifd_block* ricoh_ifd(std::uint32_t offset, tiff_view* view)
{
    // Ricoh's own notes (text records, other layouts) are not Pentax's.
    bool named = false;
    if (ifd_block* dir = namedlayout(offset, view, &named); named)
        return dir;
    if (noteheader(*view, offset, AOC, sizeof AOC))
        return asahi_ifd(offset, view);
    detail::warn(view->ctx, "maker note not supported");
    return nullptr;
}

ifd_block* samsung_ifd(std::uint32_t offset, tiff_view* view)
{
    // The Pentax-built GX10 and GX20 write Pentax's note under their own Make;
    // Samsung's own notes are not read.
    if (noteheader(*view, offset, AOC, sizeof AOC))
        return asahi_ifd(offset, view);
    detail::warn(view->ctx, "maker note not supported");
    return nullptr;
}

namespace {

// Values of a Pentax field: its integers in its own byte order, bounds-checked.
class fieldvalues {
public:
    fieldvalues(const exif_prop* prop, const tiff_view& view) noexcept : prop_(prop), view_(view) {}
    std::uint32_t count() const noexcept { return prop_->count; }
    std::optional<std::int64_t> at(std::uint32_t i) const noexcept { return integervalue(prop_, view_, i); }
    std::int64_t operator[](std::uint32_t i) const noexcept { return at(i).value_or(0); }

private:
    const exif_prop* prop_;
    const tiff_view& view_;
};

// "+0.3", "-1.0": a value in tenths with its sign.
void signedtext(exif_prop* prop, double v)
{
    detail::textout out = rewrite(prop, TEXT);
    if (!std::signbit(v))
        out.put('+');
    out.fixed(v, 1);
}

// The first value, for the fields that may carry a second.
bool listvalue(exif_prop* prop, const fieldvalues& v)
{
    for (const listfield& f : pentax_lists)
        if (f.tag == prop->tag) {
            if (const auto first = v.at(0))
                listtext(prop, f.list, *first);
            return true;
        }
    return false;
}

void isotext(exif_prop* prop, std::int64_t code)
{
    const auto in = [code](std::int64_t first, std::size_t n) { return code >= first && code < first + std::int64_t(n); };
    std::uint32_t iso = 0;
    if (in(ISO_FIRST_THIRD, std::size(ISO_THIRDS)))
        iso = ISO_THIRDS[code - ISO_FIRST_THIRD];
    else if (in(ISO_FIRST_HALF, std::size(ISO_HALVES)))
        iso = ISO_HALVES[code - ISO_FIRST_HALF];
    else if (code == 65534 || code == 65535) {
        rewrite(prop, TEXT).put(code == 65535 ? "Auto" : "Auto 2");
        return;
    } else
        iso = static_cast<std::uint32_t>(code);  // 50 to 3200 of the Optio 330 and 430 stand as they are
    rewrite(prop, TEXT).unum(iso);
}

// "1/250 s" for a time under a second, else "2.5 s"; stored in 10 µs units.
void exposuretext(exif_prop* prop, std::int64_t units)
{
    const double seconds = static_cast<double>(units) * 0.00001;
    if (units > 0 && seconds < 0.25001)
        rewrite(prop, TEXT).put("1/").fixed(1.0 / seconds, 0).put(" s");
    else
        formattext(prop, TEXT, "%g s", seconds);
}

// The Optio compacts that store the focal length in tenths of a millimetre.
bool tenthsfocal(const char* model) noexcept
{
    static constexpr const char* MODELS[] = {"Optio 30", "Optio 33WR", "Optio 43WR", "Optio 450", "Optio 550",
                                             "Optio 555", "Optio 750Z", "Optio X"};
    if (!model)
        return false;
    const std::string_view name(model);
    for (const char* m : MODELS)
        if (name == m || (name.starts_with("PENTAX ") && name.substr(7) == m))
            return true;
    return false;
}

// "YYYY:MM:DD": the year is big-endian whatever the note's order.
void datetext(exif_prop* prop, const fieldvalues& v)
{
    if (v.count() < 4)
        return;
    detail::textout out = rewrite(prop, TEXT);
    out.padded(static_cast<std::uint64_t>(v[0] << 8 | v[1]), 4).put(':');
    out.padded(static_cast<std::uint64_t>(v[2]), 2).put(':').padded(static_cast<std::uint64_t>(v[3]), 2);
}

void timetext(exif_prop* prop, const fieldvalues& v)
{
    if (v.count() < 3)
        return;
    detail::textout out = rewrite(prop, TEXT);
    out.padded(static_cast<std::uint64_t>(v[0]), 2).put(':');
    out.padded(static_cast<std::uint64_t>(v[1]), 2).put(':').padded(static_cast<std::uint64_t>(v[2]), 2);
}

// The firmware's bytes are stored inverted.
void firmwaretext(exif_prop* prop, const fieldvalues& v)
{
    if (v.count() < 4)
        return;
    const auto b = [&v](std::uint32_t i) { return static_cast<std::uint64_t>(~v[i] & 0xFF); };
    rewrite(prop, TEXT).unum(b(0)).put('.').padded(b(1), 2).put('.').padded(b(2), 2).put('.').padded(b(3), 2);
}

void focustext(exif_prop* prop, std::int64_t mode)
{
    // Bit 15 marks macro on the GR III and later.
    constexpr std::int64_t MACRO = 0x8000;
    listtext(prop, pentax_focus, mode & ~MACRO);
    if (mode & MACRO)
        appendsuffix(prop, " (Macro)", TEXT - 9, TEXT);
}

// A code's text in one of the lists, or its number.
void appendcode(detail::textout& out, const descr_entry* list, std::int64_t code)
{
    if (const char* text = listentry(list, code))
        out.put(text);
    else
        out.num(code);
}

// The first two values as one code of the list, a << 8 | b, or "a b".
void appendpair(detail::textout& out, const descr_entry* list, const fieldvalues& v)
{
    if (const char* text = listentry(list, v[0] << 8 | v[1]))
        out.put(text);
    else
        out.num(v[0]).put(' ').num(v[1]);
}

// Each value's text in its own list, joined by "; ".
template <std::size_t N>
void listedvalues(exif_prop* prop, const descr_entry* const (&lists)[N], const fieldvalues& v)
{
    detail::textout out = rewrite(prop, TEXT * 2);
    for (std::uint32_t i = 0; i < N && i < v.count(); i++) {
        if (i)
            out.put("; ");
        appendcode(out, lists[i], v[i]);
    }
}

void afpointtext(exif_prop* prop, const fieldvalues& v)
{
    detail::textout out = rewrite(prop, TEXT);
    appendcode(out, pentax_afpoint, v[0]);
    if (v.count() >= 2)
        out.put("; ").put(v[1] == 0 || v[1] == 1 ? descrtext(pentax_afarea, static_cast<std::uint16_t>(v[1])) : "Unknown");
}

void picturetext(exif_prop* prop, const fieldvalues& v)
{
    if (v.count() < 2)
        return;
    detail::textout out = rewrite(prop, TEXT);
    appendpair(out, pentax_picture, v);
    if (v.count() >= 3 && (v[2] == 0 || v[2] == 1))
        out.put("; ").put(v[2] ? "1/3 EV steps" : "1/2 EV steps");
}

void drivetext(exif_prop* prop, const fieldvalues& v)
{
    static constexpr const descr_entry* LISTS[] = {pentax_drive0, pentax_drive1, pentax_drive2, pentax_drive3};
    listedvalues(prop, LISTS, v);
}

void lenstext(exif_prop* prop, const fieldvalues& v)
{
    if (v.count() < 2)
        return;
    detail::textout out = rewrite(prop, TEXT);
    appendpair(out, pentax_lenses, v);
    if (v.count() >= 4)
        out.put("; extender ").put(v[3] ? "attached" : "not attached");
}

void flashcomptext(exif_prop* prop, const fieldvalues& v)
{
    // One SLONG in 256ths of a stop, or (K-3 on) two SBYTEs in sixths.
    signedtext(prop, prop->type == TYPE_SBYTE ? static_cast<double>(v[0]) / 6 : static_cast<double>(v[0]) / 256);
}

void shaketext(exif_prop* prop, const fieldvalues& v)
{
    if (v.count() == 2) {
        listtext(prop, pentax_srmode2, v[1]);
        return;
    }
    if (v.count() < 4)
        return;
    detail::textout out = rewrite(prop, TEXT * 2);
    const std::int64_t result = v[0];
    if (!result)
        out.put("Not stabilized");
    else {
        out.put(result & 1 ? "Stabilized" : "");
        if (result & 0x40)
            out.put(result & 1 ? ", Not ready" : "Not ready");
    }
    out.put("; ");
    appendcode(out, pentax_srmode, v[1]);
    char rest[48];
    // The focal length the stabiliser used: odd codes count 4 mm steps.
    const std::int64_t focal = v[3] & 1 ? v[3] * 4 : v[3] / 2;
    std::snprintf(rest, sizeof rest, "; %.2f s; %lld mm", static_cast<double>(v[2]) / 60,
                  static_cast<long long>(focal));
    out.put(rest);
}

void highisonrtext(exif_prop* prop, const fieldvalues& v)
{
    static constexpr const descr_entry* LISTS[] = {pentax_nrstrength, pentax_nractive, pentax_nrthreshold};
    listedvalues(prop, LISTS, v);
}

// The count is stored scrambled with the date and the time; without both it
// cannot be had, and the field shows nothing.
void shuttercounttext(exif_prop* prop, exif_info* info)
{
    const auto word = [info](const exif_prop* field, std::uint32_t n) -> std::optional<std::uint32_t> {
        if (!field || field->count < n)
            return std::nullopt;
        const auto stored = storedvalue(field, info->mkrview);
        if (!stored)
            return std::nullopt;
        std::uint32_t w = 0;
        for (std::uint32_t i = 0; i < 4; i++)
            w = w << 8 | (i < n ? (*stored)[i] : 0);
        return w;
    };
    const auto count = word(prop, 4);
    const auto date = word(findprop(info->props, pentax_tags, TAG_DATE), 4);
    const auto time = word(findprop(info->props, pentax_tags, TAG_TIME), 3);
    if (!count || !date || !time) {
        prop->lvl = LVL_UNKNOWN;
        return;
    }
    rewrite(prop, TEXT).unum(*count ^ *date ^ ~*time);
}

void modeltext(exif_prop* prop, std::int64_t id)
{
    if (const char* model = listentry(pentax_models, id))
        rewrite(prop, TEXT).put(model);
    else
        rewrite(prop, TEXT).put("0x").hex(static_cast<std::uint64_t>(id), 1);
}

void citytext(exif_prop* prop, std::int64_t code)
{
    if (code >= 0 && static_cast<std::uint64_t>(code) < std::size(CITIES))
        rewrite(prop, TEXT).put(CITIES[code]);
    else
        rewrite(prop, TEXT).num(code);
}

bool isinteger(const exif_prop* prop) noexcept
{
    switch (prop->type) {
    case TYPE_BYTE:
    case TYPE_SBYTE:
    case TYPE_UNDEFINED:
    case TYPE_SHORT:
    case TYPE_SSHORT:
    case TYPE_LONG:
    case TYPE_SLONG: return true;
    default: return false;
    }
}

// The texts of the fields that are numbers scaled or combined.
void numbertext(exif_prop* prop, exif_info* info, const fieldvalues& v)
{
    const std::int64_t first = v[0];
    switch (prop->tag) {
    case TAG_VERSION:
        if (v.count() >= 4)
            rewrite(prop, TEXT).num(v[0]).put('.').num(v[1]).put('.').num(v[2]).put('.').num(v[3]);
        break;
    case TAG_PREVIEWSIZE:
        if (v.count() >= 2)
            rewrite(prop, TEXT).num(v[0]).put(" x ").num(v[1]);
        break;
    case TAG_MODEL: modeltext(prop, first); break;
    case TAG_DATE: datetext(prop, v); break;
    case TAG_TIME: timetext(prop, v); break;
    case TAG_FOCUS: focustext(prop, first); break;
    case TAG_AFPOINT: afpointtext(prop, v); break;
    case TAG_EXPOSURE: exposuretext(prop, first); break;
    case TAG_FNUMBER: rewrite(prop, TEXT).fixed(static_cast<double>(first) / 10, 1); break;
    case TAG_ISO: isotext(prop, first); break;
    case TAG_EXPCOMP: signedtext(prop, static_cast<double>(first - 50) / 10); break;
    case TAG_FOCAL:
        rewrite(prop, TEXT).fixed(static_cast<double>(first) / (tenthsfocal(info->model) ? 10 : 100), 1).put(" mm");
        break;
    case TAG_ZOOM: rewrite(prop, TEXT).fixed(static_cast<double>(first) / 100, 2); break;
    case TAG_HOMECITY:
    case TAG_DESTCITY: citytext(prop, first); break;
    case TAG_DSP:
    case TAG_CPU: firmwaretext(prop, v); break;
    case TAG_PICTURE: picturetext(prop, v); break;
    case TAG_DRIVE: drivetext(prop, v); break;
    case TAG_LENS: lenstext(prop, v); break;
    case TAG_TEMPERATURE: rewrite(prop, TEXT).num(first).put(" C"); break;
    case TAG_FLASHCOMP: flashcomptext(prop, v); break;
    case TAG_COLORTEMP:
        if (first)
            rewrite(prop, TEXT).num(53190 - first).put(" K");
        else
            rewrite(prop, TEXT).put("n/a");
        break;
    case TAG_SHAKE: shaketext(prop, v); break;
    case TAG_HIGHISONR: highisonrtext(prop, v); break;
    default: break;
    }
}

}  // namespace

void pentax_prop(exif_prop* prop, exif_info* info)
{
    // A tag the table does not list keeps its stored text.
    if (prop->lvl == LVL_UNKNOWN)
        return;
    supersede(prop);
    if (prop->tag == TAG_SHUTTERCOUNT) {
        shuttercounttext(prop, info);
        return;
    }
    // A field of another type than its row's keeps its stored text.
    if (!isinteger(prop) || !prop->count)
        return;
    const fieldvalues v(prop, info->mkrview);
    if (!v.at(0))
        return;
    if (!listvalue(prop, v))
        numbertext(prop, info, v);
}

void asahi_prop(exif_prop* prop, exif_info*)
{
    supersede(prop);
}

}  // namespace exifkit
