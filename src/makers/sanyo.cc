// Sanyo maker notes: the Olympus layout with Sanyo's own tags.
#include "makers/sanyo.h"

#include <cstring>

#include "exif/context.h"
#include "exif/proptext.h"
#include "exifkit/errors.h"
#include "exifkit/makers.h"
#include "makers/common.h"
#include "makers/olympus.h"

namespace exifkit {

namespace {

constexpr std::uint16_t TAG_QUALITY = 0x0201, TAG_COLORADJUST = 0x0210;

// Position of the sequence number in the shooting-mode field.
constexpr std::uint16_t SHOOT_SEQNUM = 1;

const descr_entry sanyo_picmode[] = {
    { 0, "Normal"},
    { 2, "Fast"},
    { 3, "Panorama"},
    {-1, "Unknown"},
};

const descr_entry sanyo_pandir[] = {
    { 1, "Left to Right"},
    { 2, "Right to Left"},
    { 3, "Bottom to Top"},
    { 4, "Top to Bottom"},
    {-1, "Unknown"},
};

const descr_entry sanyo_quality[] = {
    { 0, "Normal"},
    { 1, "Fine"},
    { 2, "Superfine"},
    {-1, "Unknown"},
};

const descr_entry sanyo_res[] = {
    { 0, "Very Low Resolution"},
    { 1, "Low Resolution"},
    { 2, "Medium Low Resolution"},
    { 3, "Medium Resolution"},
    { 4, "Medium High Resolution"},
    { 5, "High Resolution"},
    { 6, "Very High Resolution"},
    { 7, "Super High Resolution"},
    {-1, "Unknown Resolution"},
};

const descr_entry sanyo_macro[] = {
    { 0, "Normal"},
    { 1, "Macro"},
    {-1, "Unknown"},
};

const descr_entry sanyo_seqshot[] = {
    { 0, "None"},
    { 1, "Standard"},
    { 2, "Best"},
    { 3, "Adjust Exposure"},
    {-1, "Unknown"},
};

const descr_entry sanyo_offon[] = {
    { 0, "Off"},
    { 1, "On"},
    {-1, "Unknown"},
};

const descr_entry sanyo_noyes[] = {
    { 0, "No"},
    { 1, "Yes"},
    {-1, "Unknown"},
};

const descr_entry sanyo_toggle[] = {
    { 0, "Disabled"},
    { 1, "Enabled"},
    {-1, "Unknown"},
};

const descr_entry sanyo_shutter[] = {
    { 0, "Record While Held"},
    { 1, "Press to Start, Stop"},
    {-1, "Unknown"},
};

const descr_entry sanyo_scene[] = {
    { 0, "Off"},
    { 1, "Sport"},
    { 2, "TV"},
    { 3, "Night"},
    { 4, "User 1"},
    { 5, "User 2"},
    {-1, "Unknown"},
};

const descr_entry sanyo_interval[] = {
    { 0, "5 frames/sec"},
    { 1, "10 frames/sec"},
    { 2, "15 frames/sec"},
    { 3, "20 frames/sec"},
    {-1, "Unknown"},
};

const descr_entry sanyo_flash[] = {
    { 0, "Auto"},
    { 1, "Force"},
    { 2, "Disabled"},
    { 3, "Red-Eye"},
    {-1, "Unknown"},
};

}  // namespace

const tag_def sanyo_tags[] = {
    {0x0100, 0,             0,  LVL_UNKNOWN, "SanyoThumb",       "JPEG Thumbnail",           nullptr},
    {0x0200, TYPE_LONG,     3,  LVL_VERBOSE, "SanyoShootMode",   "Shooting Mode",            nullptr},
    {0x0201, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoQuality",     "Quality Setting",          nullptr},
    {0x0202, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoMacroMode",   "Macro Mode",               sanyo_macro},
    {0x0204, TYPE_RATIONAL, 1,  LVL_IMAGE,   "SanyoDigiZoom",    "Digital Zoom",             nullptr},
    {0x0207, TYPE_ASCII,    5,  LVL_IMAGE,   "SanyoFirmware",    "Firmware Version",         nullptr},
    {0x0208, TYPE_ASCII,    52, LVL_IMAGE,   "SanyoPicInfo",     "Picture Info",             nullptr},
    {0x0209, 0,             32, LVL_UNKNOWN, "SanyoCameraID",    "Camera ID",                nullptr},
    {0x020E, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoSeqShot",     "Sequential Shot Method",   sanyo_seqshot},
    {0x020F, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoWideRange",   "Wide Range",               sanyo_offon},
    {0x0210, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoColorAdjust", "Color Adjustment",         nullptr},
    {0x0213, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoQuickShot",   "Quick Shot",               sanyo_offon},
    {0x0214, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoSelfTime",    "Self Timer",               sanyo_offon},
    {0x0216, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoVoiceMemo",   "Voice Memo",               sanyo_offon},
    {0x0217, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoRecShutter",  "Record Shutter Release",   sanyo_shutter},
    {0x0218, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoFlicker",     "Flicker Reduce",           sanyo_offon},
    {0x0219, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoOpticalZoom", "Optical Zoom",             sanyo_toggle},
    {0x021B, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoDigiZoom",    "Digital Zoom",             sanyo_toggle},
    {0x021D, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoLightSrc",    "Special Light Source",     sanyo_offon},
    {0x021E, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoResaved",     "Image Re-saved",           sanyo_noyes},
    {0x021F, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoScene",       "Scene Selection",          sanyo_scene},
    {0x0223, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoFocalDist",   "Focal Distance",           nullptr},
    {0x0224, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoSeqInterval", "Sequential Shot Interval", sanyo_interval},
    {0x0225, TYPE_SHORT,    1,  LVL_IMAGE,   "SanyoFlash",       "Flash Mode",               sanyo_flash},
    {0x0E00, 0,             0,  LVL_UNKNOWN, "SanyoPrintIM",     "Print IM Flags",           nullptr},
    {0x0F00, 0,             0,  LVL_UNKNOWN, "SanyoDump",        "Data Dump",                nullptr},
    {0xFFFF, 0,             0,  LVL_UNKNOWN, "SanyoUnknown",     "Sanyo Unknown",            nullptr},
};

namespace {

// The values of the shooting-mode field; the tag of a row is the value's
// position in the field.
const tag_def sanyo_shoottags[] = {
    {0x0000, 0, 0, LVL_IMAGE,   "SanyoPicMode",      "Picture Mode",           sanyo_picmode},
    {0x0001, 0, 0, LVL_IMAGE,   "SanyoSeqNum",       "Sequence Number",        nullptr},
    {0x0002, 0, 0, LVL_IMAGE,   "SanyoPanDir",       "Panoramic Direction",    sanyo_pandir},
    {0xFFFF, 0, 0, LVL_UNKNOWN, "SanyoShootUnknown", "Sanyo Shooting Unknown", nullptr},
};

// One value of the shooting-mode field as a sub-value named from
// sanyo_shoottags. The sequence number is delivered counted from 1; an unset
// one (0) is not worth showing.
void shootvalue(exif_prop* field, std::uint16_t position, std::uint32_t value)
{
    const bool seqnum = position == SHOOT_SEQNUM;
    exif_prop* child = subvalue(field, sanyo_shoottags, position, seqnum ? value + 1 : value);
    child->type = field->type;
    child->count = 1;
    if (seqnum && !value)
        child->lvl = LVL_VERBOSE;
    dumpprop(child, nullptr);
}

// Each value of the field becomes a sub-value.
void shootmode(exif_prop* prop, const tiff_view& view)
{
    tracearray(prop);
    if (!longsreadable(prop, view))
        return;
    const std::uint32_t n = subvaluecount(prop, prop->count);
    for (std::uint32_t i = 0; i < n; i++)
        shootvalue(prop, static_cast<std::uint16_t>(i), longvalue(prop, view, i));
}

// The quality byte (high) and the resolution byte (low): "Fine, High Resolution".
void qualitytext(exif_prop* prop)
{
    const char* quality = descrtext(sanyo_quality, (prop->value >> 8) & 0xFF);
    const char* resolution = descrtext(sanyo_res, prop->value & 0xFF);
    formattext(prop, std::strlen(quality) + std::strlen(", ") + std::strlen(resolution) + 1, "%s, %s", quality,
               resolution);
}

}  // namespace

ifd_block* sanyo_ifd(std::uint32_t offset, tiff_view* view)
{
    return headedifd(offset, *view, "SANYO", sanyo_tags);
}

void sanyo_prop(exif_prop* prop, exif_info* info)
{
    switch (prop->tag) {
    case TAG_SHOOTMODE:
        shootmode(prop, info->mkrview);
        break;
    case TAG_QUALITY:
        qualitytext(prop);
        break;
    case TAG_DIGIZOOM:
        digitalzoom(prop, info->mkrview, nozoom::one_or_zero);
        break;
    case TAG_COLORADJUST:
        describe(prop, sanyo_offon, prop->value != 0);
        break;
    default:
        break;
    }
}

}  // namespace exifkit
