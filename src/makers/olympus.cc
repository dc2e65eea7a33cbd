// Olympus maker notes, and the layout and fields that Sanyo notes share with
// them.
#include "makers/olympus.h"

#include "exif/context.h"
#include "exif/directory.h"
#include "exif/proptext.h"
#include "exif/view.h"
#include "exifkit/errors.h"
#include "exifkit/makers.h"
#include "makers/common.h"

namespace exifkit {

namespace {

constexpr std::uint16_t TAG_IMAGENUMBER = 0x0008;

// The maker's name and its zero byte; the directory starts two bytes later.
constexpr std::size_t HEADER_NAME = 6, HEADER_SIZE = 8;

const descr_entry olympus_quality[] = {
    { 1, "SQ"},
    { 2, "HQ"},
    { 3, "SHQ"},
    {-1, "Unknown"},
};

const descr_entry olympus_macro[] = {
    { 0, "Normal"},
    { 1, "Macro"},
    {-1, "Unknown"},
};

}  // namespace

const tag_def olympus_tags[] = {
    {0x0200, TYPE_LONG,     3,  LVL_UNKNOWN, "OlympusShootMode", "Shooting Mode",       nullptr},
    {0x0201, TYPE_SHORT,    1,  LVL_IMAGE,   "OlympusQuality",   "Compression Setting", olympus_quality},
    {0x0202, TYPE_SHORT,    1,  LVL_IMAGE,   "OlympusMacroMode", "Macro Mode",          olympus_macro},
    {0x0204, TYPE_RATIONAL, 1,  LVL_UNKNOWN, "OlympusDigiZoom",  "Digital Zoom",        nullptr},
    {0x0207, TYPE_ASCII,    5,  LVL_UNKNOWN, "FirmwareVer",      "Firmware Version",    nullptr},
    {0x0208, TYPE_ASCII,    52, LVL_UNKNOWN, "OlympusPicInfo",   "Picture Info",        nullptr},
    {0x0209, 0,             32, LVL_UNKNOWN, "OlympusCameraID",  "Camera ID",           nullptr},
    {0xFFFF, 0,             0,  LVL_UNKNOWN, "Unknown",          "Olympus Unknown",     nullptr},
};

namespace {

// The values of the shooting-mode field; the tag of a row is the value's
// position in the field.
const tag_def olympus_shoottags[] = {
    {0x0000, 0, 0, LVL_UNKNOWN, "OlympusPicMode",      "Picture Mode",             nullptr},
    {0x0001, 0, 0, LVL_UNKNOWN, "OlympusSeqNum",       "Sequence Number",          nullptr},
    {0x0002, 0, 0, LVL_UNKNOWN, "OlympusPanDir",       "Panoramic Direction",      nullptr},
    {0xFFFF, 0, 0, LVL_UNKNOWN, "OlympusShootUnknown", "Olympus Shooting Unknown", nullptr},
};
constexpr std::uint32_t SHOOT_VALUES = 3;

// The first three values become sub-values of the field.
void shootmode(exif_prop* prop, const tiff_view& view)
{
    if (prop->count < SHOOT_VALUES) {
        detail::warn(prop->ctx, "field count mismatch", prop->name);
        return;
    }
    if (!longsreadable(prop, view))
        return;
    const std::uint32_t n = subvaluecount(prop, SHOOT_VALUES);
    for (std::uint32_t i = 0; i < n; i++)
        subvalue(prop, olympus_shoottags, static_cast<std::uint16_t>(i), longvalue(prop, view, i));
}

bool islong(const exif_prop* prop) noexcept
{
    return prop->type == TYPE_LONG || prop->type == TYPE_SLONG;
}

bool isrational(const exif_prop* prop) noexcept
{
    return prop->type == TYPE_RATIONAL || prop->type == TYPE_SRATIONAL;
}

}  // namespace

ifd_block* headedifd(std::uint32_t offset, const tiff_view& view, const char* header, const tag_def* table)
{
    // A matched header lies inside the view, so offset + 8 cannot wrap.
    const std::uint32_t start = noteheader(view, offset, header, HEADER_NAME) ? offset + HEADER_SIZE : offset;
    return readone(start, table, view);
}

bool longsreadable(const exif_prop* prop, const tiff_view& view)
{
    if (!islong(prop)) {
        detail::warn(prop->ctx, "field type mismatch", prop->name);
        return false;
    }
    if (prop->count > 1 && !cursor(view).has(prop->value, 4ull * prop->count)) {
        detail::warn(prop->ctx, "invalid field offset", prop->name);
        return false;
    }
    return true;
}

std::uint32_t longvalue(const exif_prop* prop, const tiff_view& view, std::uint32_t i)
{
    return prop->count > 1 ? cursor(view).u32(prop->value + 4ull * i).value_or(0) : prop->value;
}

void digitalzoom(exif_prop* prop, const tiff_view& view, nozoom rule)
{
    if (!isrational(prop)) {
        detail::warn(prop->ctx, "field type mismatch", prop->name);
        return;
    }
    const std::optional<urational> ratio = cursor(view).rational(prop->value);
    if (!ratio) {
        detail::warn(prop->ctx, "invalid field offset", prop->name);
        return;
    }
    zoomtext(prop, *ratio, rule);
}

const tag_def olympus2_tags[] = {
    {0xFFFF, 0, 0, LVL_UNKNOWN, "Unknown", "Olympus Unknown", nullptr},
};
const tag_def olympus_equipment_tags[] = {
    {0xFFFF, 0, 0, LVL_UNKNOWN, "Unknown", "Olympus Unknown", nullptr},
};
const tag_def olympus_camera_tags[] = {
    {0xFFFF, 0, 0, LVL_UNKNOWN, "Unknown", "Olympus Unknown", nullptr},
};
const tag_def olympus_rawdev_tags[] = {
    {0xFFFF, 0, 0, LVL_UNKNOWN, "Unknown", "Olympus Unknown", nullptr},
};
const tag_def olympus_rawdev2_tags[] = {
    {0xFFFF, 0, 0, LVL_UNKNOWN, "Unknown", "Olympus Unknown", nullptr},
};
const tag_def olympus_imaging_tags[] = {
    {0xFFFF, 0, 0, LVL_UNKNOWN, "Unknown", "Olympus Unknown", nullptr},
};
const tag_def olympus_focus_tags[] = {
    {0xFFFF, 0, 0, LVL_UNKNOWN, "Unknown", "Olympus Unknown", nullptr},
};

void olympus2_prop(exif_prop*, exif_info*) {}

ifd_block* olympus_subdirectory(const exif_prop*, const tiff_view&)
{
    return nullptr;
}

ifd_block* olympus_ifd(std::uint32_t offset, tiff_view* view)
{
    return headedifd(offset, *view, "OLYMP", olympus_tags);
}

void olympus_prop(exif_prop* prop, exif_info* info)
{
    switch (prop->tag) {
    case TAG_SHOOTMODE:
        shootmode(prop, info->mkrview);
        break;
    case TAG_DIGIZOOM:
        digitalzoom(prop, info->mkrview, nozoom::one);
        break;
    case TAG_IMAGENUMBER:
        imagenumbertext(prop);
        break;
    default:
        break;
    }
}

}  // namespace exifkit
