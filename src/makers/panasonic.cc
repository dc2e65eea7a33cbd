// Panasonic maker notes: a chain of directories behind a 12-byte "Panasonic"
// header, in the Exif block's byte order, with value offsets from the Exif
// TIFF header.
#include "makers/panasonic.h"

#include <cstdint>

#include "exif/context.h"
#include "exif/proptext.h"
#include "exif/view.h"
#include "exifkit/errors.h"
#include "exifkit/makers.h"
#include "makers/common.h"

namespace exifkit {

namespace {

const descr_entry panasonic_quality[] = {
    {2,  "Fine"},
    {3,  "Standard"},
    {-1, "Unknown"},
};

const descr_entry panasonic_whitebal[] = {
    {1,  "Auto"},
    {2,  "Daylight"},
    {3,  "Cloudy"},
    {4,  "Halogen"},
    {5,  "Manual"},
    {8,  "Flash"},
    {-1, "Unknown"},
};

const descr_entry panasonic_focus[] = {
    {1,  "Auto"},
    {2,  "Manual"},
    {-1, "Unknown"},
};

const descr_entry panasonic_spot[] = {
    {256,  "On"},
    {4096, "Off"},
    {-1,   "Unknown"},
};

const descr_entry panasonic_ois[] = {
    {2,  "Mode 1"},
    {3,  "Off"},
    {4,  "Mode 2"},
    {-1, "Unknown"},
};

const descr_entry panasonic_macro[] = {
    {1,  "Macro"},
    {2,  "Normal"},
    {-1, "Unknown"},
};

const descr_entry panasonic_shoot[] = {
    {2,  "Portrait"},
    {3,  "Scenery"},
    {4,  "Sports"},
    {5,  "Night Portrait"},
    {6,  "Program"},
    {7,  "Aperture Priority"},
    {8,  "Shutter Priority"},
    {9,  "Macro"},
    {11, "Manual"},
    {13, "Panning"},
    {18, "Fireworks"},
    {19, "Party"},
    {20, "Snow"},
    {21, "Night Scenery"},
    {-1, "Unknown"},
};

const descr_entry panasonic_audio[] = {
    {1,  "Yes"},
    {2,  "No"},
    {-1, "Unknown"},
};

const descr_entry panasonic_color[] = {
    {1,  "Off"},
    {2,  "Warm"},
    {3,  "Cool"},
    {4,  "Black & White"},
    {5,  "Sepia"},
    {-1, "Unknown"},
};

// Contrast and noise reduction.
const descr_entry panasonic_range[] = {
    {0,  "Standard"},
    {1,  "Low"},
    {2,  "High"},
    {-1, "Unknown"},
};

// "Panasonic" and three zero bytes.
constexpr std::uint32_t HEADER = 12;
constexpr char PANASONIC[HEADER + 1] = "Panasonic\0\0";

// Texts sized for the widest 16-bit value they can show.
constexpr std::size_t ADJUST_TEXT = sizeof "-32768";
constexpr std::size_t BIAS_TEXT = sizeof "-10922.67 EV";

// The low 16 bits of the value word as a signed number.
int signedshort(const exif_prop* prop)
{
    return static_cast<std::int16_t>(prop->value & 0xFFFF);
}

// The spot mode's two bytes read 01 00 (on) or 10 00 (off) as stored, and the
// table keys them first byte high. The low half of the value word, which gave
// the reader's text, holds them swapped in a little-endian block and not at all
// in a big-endian one. A field of another shape keeps the reader's text.
void spotmode(exif_prop* prop, const exif_info* info)
{
    const bool bytes = prop->type == TYPE_BYTE || prop->type == TYPE_SBYTE || prop->type == TYPE_UNDEFINED;
    if (!bytes || prop->count < 1 || prop->count > 4)
        return;
    const valuebytes stored = storedbytes(prop->value, info->mkrview.order);
    const unsigned second = prop->count > 1 ? stored.b[1] : 0;
    describe(prop, panasonic_spot, static_cast<std::uint16_t>(stored.b[0] << 8 | second));
}

}  // namespace

// Columns: tag, expected type and count (0 = any), level, name,
// description, value table, standard tag superseded.
const tag_def panasonic_tags0[] = {
    {0x0001, 3,  1,  LVL_IMAGE,   "PanasonicQuality",     "Image Quality",        panasonic_quality,  0},
    {0x0003, 3,  1,  LVL_IMAGE,   "PanasonicWhiteB",      "White Balance",        panasonic_whitebal, 0xA403},
    {0x0007, 3,  1,  LVL_IMAGE,   "PanasonicFocus",       "Focus Mode",           panasonic_focus,    0},
    {0x000f, 1,  1,  LVL_IMAGE,   "PanasonicSpotMode",    "Spot Mode",            panasonic_spot,     0},
    {0x001a, 3,  1,  LVL_IMAGE,   "PanasonicOIS",         "Image Stabilizer",     panasonic_ois,      0},
    {0x001c, 3,  1,  LVL_IMAGE,   "PanasonicMacroMode",   "Macro Mode",           panasonic_macro,    0},
    {0x001f, 3,  1,  LVL_IMAGE,   "PanasonicShootMode",   "Shooting Mode",        panasonic_shoot,    0},
    {0x0020, 3,  1,  LVL_IMAGE,   "PanasonicAudio",       "Audio",                panasonic_audio,    0},
    {0x0023, 3,  1,  LVL_UNKNOWN, "PanasonicWBAdjust",    "White Balance Adjust", nullptr,            0},
    {0x0024, 8,  1,  LVL_IMAGE,   "PanasonicFlashBias",   "Flash Bias",           nullptr,            0},
    {0x0028, 3,  1,  LVL_IMAGE,   "PanasonicColorEffect", "Color Effect",         panasonic_color,    0},
    {0x002c, 3,  1,  LVL_IMAGE,   "PanasonicContrast",    "Contrast",             panasonic_range,    0xA408},
    {0x002d, 3,  1,  LVL_IMAGE,   "PanasonicNoiseReduce", "Noise Reduction",      panasonic_range,    0},
    {0xffff, 0,  0,  LVL_UNKNOWN, "PanasonicUnknown",     "Panasonic Unknown",    nullptr,            0},
};

ifd_block* panasonic_ifd(std::uint32_t offset, tiff_view* view)
{
    if (!noteheader(*view, offset, PANASONIC, HEADER)) {
        detail::warn(view->ctx, "Maker note format not supported");
        return nullptr;
    }
    return readifds(offset + HEADER, panasonic_tags0, *view);
}

void panasonic_prop(exif_prop* prop, exif_info* info)
{
    supersede(prop);
    switch (prop->tag) {
    case 0x000f: spotmode(prop, info); break;
    case 0x0023: formattext(prop, ADJUST_TEXT, "%d", signedshort(prop)); break;
    case 0x0024: formattext(prop, BIAS_TEXT, "%.2f EV", signedshort(prop) / 3.0); break;  // thirds of a stop
    default: break;
    }
}

}  // namespace exifkit
