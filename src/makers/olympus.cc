// Olympus maker notes, and the layout and fields that Sanyo notes share with
// them.
#include "makers/olympus.h"

#include "exif/directory.h"
#include "exif/context.h"
#include "exif/proptext.h"
#include "exif/view.h"
#include "exifkit/errors.h"
#include "exifkit/makers.h"
#include "makers/noteheader.h"

namespace exifkit {

namespace {

constexpr std::uint16_t TAG_IMAGENUMBER = 0x0008;

// The maker's name and its zero byte; the directory starts two bytes later.
constexpr std::size_t HEADER_NAME = 6, HEADER_SIZE = 8;

constexpr std::size_t ZOOM_TEXT = 31, IMAGENUMBER_TEXT = 31;

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

// The three values of the shooting-mode field, in field order.
struct shoot_value {
    const char* name;
    const char* descr;
};
const shoot_value olympus_shoot[] = {
    {"OlympusPicMode", "Picture Mode"},
    {"OlympusSeqNum",  "Sequence Number"},
    {"OlympusPanDir",  "Panoramic Direction"},
};
constexpr std::uint32_t SHOOT_VALUES = sizeof olympus_shoot / sizeof olympus_shoot[0];

// Each value becomes a sub-value of the field. Each is linked in directly
// behind the field, so the list holds them last value first.
void shootmode(exif_prop* prop, const tiff_view& view)
{
    if (prop->count < SHOOT_VALUES) {
        detail::warn(prop->ctx, "field count mismatch", prop->name);
        return;
    }
    std::uint32_t values[SHOOT_VALUES];
    if (!readlongs(prop, view, values, SHOOT_VALUES))
        return;
    for (std::uint32_t i = 0; i < SHOOT_VALUES; i++) {
        exif_prop* child = childprop(prop);
        child->value = values[i];
        child->name = olympus_shoot[i].name;
        child->descr = olympus_shoot[i].descr;
        child->lvl = LVL_UNKNOWN;
    }
}

// The image number as folder and file number, "100-1234".
void imagenumber(exif_prop* prop)
{
    formattext(prop, IMAGENUMBER_TEXT, "%03d-%04d", static_cast<int>(prop->value / 10000),
               static_cast<int>(prop->value % 10000));
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

bool readlongs(const exif_prop* prop, const tiff_view& view, std::uint32_t* out, std::uint32_t n)
{
    if (!islong(prop)) {
        detail::warn(prop->ctx, "field type mismatch", prop->name);
        return false;
    }
    if (prop->count <= 1) {
        if (n)
            out[0] = prop->value;
        return true;
    }
    const unsigned char* data = fielddata(prop, view, 4);
    if (!data) {
        detail::warn(prop->ctx, "invalid field offset", prop->name);
        return false;
    }
    for (std::uint32_t i = 0; i < n; i++)
        out[i] = get32(data + 4 * i, view.order);
    return true;
}

void zoomtext(exif_prop* prop, const tiff_view& view)
{
    if (!isrational(prop)) {
        detail::warn(prop->ctx, "field type mismatch", prop->name);
        return;
    }
    const std::optional<urational> r = cursor(view).rational(prop->value);
    if (!r) {
        detail::warn(prop->ctx, "invalid field offset", prop->name);
        return;
    }
    const auto [num, den] = *r;
    if (num == 0 || den == 0 || num == den)
        formattext(prop, ZOOM_TEXT, "None");
    else
        formattext(prop, ZOOM_TEXT, "x%.1f", static_cast<double>(static_cast<float>(num) / static_cast<float>(den)));
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
        zoomtext(prop, info->mkrview);
        break;
    case TAG_IMAGENUMBER:
        imagenumber(prop);
        break;
    default:
        break;
    }
}

}  // namespace exifkit
