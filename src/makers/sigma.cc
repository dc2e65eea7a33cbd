// Sigma maker notes: a chain of ASCII fields behind a "SIGMA" or "FOVEON"
// header, in the Exif block's byte order, with value offsets from the Exif
// TIFF header.
#include "makers/sigma.h"

#include <cstdint>
#include <cstring>

#include "exif/context.h"
#include "exif/view.h"
#include "exifkit/errors.h"
#include "exifkit/makers.h"
#include "makers/common.h"

namespace exifkit {

namespace {

// An 8-byte signature and two bytes the reader skips.
constexpr std::uint32_t SIGNATURE = 8, HEADER = 10;
constexpr char SIGMA[SIGNATURE + 1] = "SIGMA\0\0";
constexpr char FOVEON[SIGNATURE + 1] = "FOVEON\0";

// The label the camera writes in front of a field's value.
struct sigma_label {
    std::uint16_t tag;
    const char* label;
};

const sigma_label sigma_labels[] = {
    {0x000c, "Expo:"},
    {0x000d, "Cont:"},
    {0x000e, "Shad:"},
    {0x000f, "High:"},
    {0x0010, "Satu:"},
    {0x0011, "Shar:"},
    {0x0012, "Fill:"},
    {0x0014, "CC:"},
    {0x0016, "Qual:"},
    {0xffff, nullptr},
};

}  // namespace

// Columns: tag, expected type and count (0 = any), level, name,
// description, value table.
const tag_def sigma_tags[] = {
    {0x0002, 2,  0,  LVL_CAMERA,  "SigmaSerial",     "Serial Number",      nullptr},
    {0x0003, 2,  0,  LVL_IMAGE,   "SigmaDrive",      "Drive Mode",         nullptr},
    {0x0004, 2,  0,  LVL_IMAGE,   "SigmaResolution", "Resolution",         nullptr},
    {0x0005, 2,  0,  LVL_IMAGE,   "SigmaAutofocus",  "Autofocus Mode",     nullptr},
    {0x0006, 2,  0,  LVL_IMAGE,   "SigmaFocusSet",   "Focus Setting",      nullptr},
    {0x0007, 2,  0,  LVL_IMAGE,   "SigmaWhiteBal",   "White Balance",      nullptr},
    {0x0008, 2,  0,  LVL_IMAGE,   "SigmaExpMode",    "Exposure Mode",      nullptr},
    {0x0009, 2,  0,  LVL_IMAGE,   "SigmaMeterMode",  "Metering Mode",      nullptr},
    {0x000a, 2,  0,  LVL_CAMERA,  "SigmaLensRange",  "Focal Length Range", nullptr},
    {0x000b, 2,  0,  LVL_VERBOSE, "SigmaColor",      "Color Space",        nullptr},
    {0x000c, 2,  0,  LVL_IMAGE,   "SigmaExposure",   "Exposure",           nullptr},
    {0x000d, 2,  0,  LVL_IMAGE,   "SigmaContrast",   "Contrast",           nullptr},
    {0x000e, 2,  0,  LVL_IMAGE,   "SigmaShadow",     "Shadow",             nullptr},
    {0x000f, 2,  0,  LVL_IMAGE,   "SigmaHighlight",  "Highlight",          nullptr},
    {0x0010, 2,  0,  LVL_IMAGE,   "SigmaSaturate",   "Saturation",         nullptr},
    {0x0011, 2,  0,  LVL_IMAGE,   "SigmaSharp",      "Sharpness",          nullptr},
    {0x0012, 2,  0,  LVL_IMAGE,   "SigmaFill",       "Fill Light",         nullptr},
    {0x0014, 2,  0,  LVL_IMAGE,   "SigmaColorAdj",   "Color Adjustment",   nullptr},
    {0x0015, 2,  0,  LVL_IMAGE,   "SigmaAdjMode",    "Adjustment Mode",    nullptr},
    {0x0016, 2,  0,  LVL_IMAGE,   "SigmaQuality",    "Quality",            nullptr},
    {0x0017, 2,  0,  LVL_CAMERA,  "SigmaFirmware",   "Firmware Version",   nullptr},
    {0x0018, 2,  0,  LVL_CAMERA,  "SigmaSoftware",   "Camera Software",    nullptr},
    {0x0019, 2,  0,  LVL_IMAGE,   "SigmaAutoBrack",  "Auto Bracket",       nullptr},
    {0xffff, 0,  0,  LVL_UNKNOWN, "SigmaUnknown",    "Sigma Unknown",      nullptr},
};

void sigma_deprefix(char* text, const char* prefix) noexcept
{
    const std::size_t n = std::strlen(prefix);
    if (!std::strncmp(text, prefix, n))
        std::memmove(text, text + n, std::strlen(text + n) + 1);
}

ifd_block* sigma_ifd(std::uint32_t offset, tiff_view* view)
{
    const bool known = noteheader(*view, offset, SIGMA, SIGNATURE) || noteheader(*view, offset, FOVEON, SIGNATURE);
    if (!known || !cursor(*view).has(offset, HEADER)) {
        detail::warn(view->ctx, "Sigma maker note version not supported");
        return nullptr;
    }
    return readifds(offset + HEADER, sigma_tags, *view);
}

void sigma_prop(exif_prop* prop, exif_info*)
{
    if (!prop->str)
        return;
    const sigma_label* row = sigma_labels;
    while (row->tag != 0xffff && row->tag != prop->tag)
        ++row;
    if (row->label)
        sigma_deprefix(prop->str, row->label);
}

}  // namespace exifkit
