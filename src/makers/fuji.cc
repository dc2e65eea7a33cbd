// Fujifilm maker notes: "FUJIFILM", the position of a little-endian directory,
// and that directory, every offset of which counts from the note's first byte.
#include "makers/fuji.h"

#include <cstring>
#include <optional>

#include "exif/directory.h"
#include "exif/proptext.h"
#include "exif/view.h"
#include "exifkit/makers.h"
#include "makers/common.h"

namespace exifkit {

namespace {

constexpr std::uint16_t TAG_VERSION = 0x0000;
constexpr std::uint32_t VERSION_COUNT = 4;

constexpr char HEADER[] = "FUJIFILM";
constexpr std::size_t HEADER_NAME = sizeof HEADER - 1;

const descr_entry fuji_sharp[] = {
    { 1, "Soft"},
    { 2, "Soft"},
    { 3, "Normal"},
    { 4, "Hard"},
    { 5, "Hard"},
    {-1, "Unknown"},
};

const descr_entry fuji_white[] = {
    {   0, "Auto"},
    { 256, "Daylight"},
    { 512, "Cloudy"},
    { 768, "Daylight Color Fluorescence"},
    { 769, "Daywhite Color Fluorescence"},
    { 770, "White Fluorescence"},
    {1024, "Incandescence"},
    {3840, "Custom"},
    {  -1, "Unknown"},
};

// Saturation and contrast.
const descr_entry fuji_color[] = {
    {  0, "Normal"},
    {256, "High"},
    {512, "Low"},
    { -1, "Unknown"},
};

const descr_entry fuji_flmode[] = {
    { 0, "Auto"},
    { 1, "On"},
    { 2, "Off"},
    { 3, "Red Eye Reduction"},
    {-1, "Unknown"},
};

const descr_entry fuji_bool[] = {
    { 0, "Off"},
    { 1, "On"},
    {-1, "Unknown"},
};

const descr_entry fuji_focus[] = {
    { 0, "Auto"},
    { 1, "Manual"},
    {-1, "Unknown"},
};

const descr_entry fuji_picture[] = {
    {  0, "Auto"},
    {  1, "Portrait"},
    {  2, "Landscape"},
    {  4, "Sports Scene"},
    {  5, "Night Scene"},
    {  6, "Program AE"},
    {256, "Aperture Prior AE"},
    {512, "Shutter Prior AE"},
    {768, "Manual Exposure"},
    { -1, "Unknown"},
};

const descr_entry fuji_blurw[] = {
    { 0, "OK"},
    { 1, "Blur Warning"},
    {-1, "Unknown"},
};

const descr_entry fuji_focusw[] = {
    { 0, "OK"},
    { 1, "Out of Focus"},
    {-1, "Unknown"},
};

const descr_entry fuji_aew[] = {
    { 0, "OK"},
    { 1, "Over Exposed"},
    {-1, "Unknown"},
};

}  // namespace

const tag_def fuji_tags[] = {
    {0x0000, TYPE_UNDEFINED,  4, LVL_CAMERA,  "FujiVersion",       "Maker Note Version",         nullptr},
    {0x1000, TYPE_ASCII,      8, LVL_UNKNOWN, "FujiQuality",       "Quality Setting",            nullptr},
    {0x1001, TYPE_SHORT,      1, LVL_IMAGE,   "FujiSharpness",     "Sharpness",                  fuji_sharp},
    {0x1002, TYPE_SHORT,      1, LVL_IMAGE,   "FujiWhiteBal",      "White Balance",              fuji_white},
    {0x1003, TYPE_SHORT,      1, LVL_IMAGE,   "FujiColor",         "Chroma Saturation",          fuji_color},
    {0x1004, TYPE_SHORT,      1, LVL_IMAGE,   "FujiTone",          "Contrast",                   fuji_color},
    {0x1010, TYPE_SHORT,      1, LVL_IMAGE,   "FujiFlashMode",     "Flash Mode",                 fuji_flmode},
    {0x1011, TYPE_SRATIONAL,  1, LVL_UNKNOWN, "FujiFlashStrength", "Flash Strength",             nullptr},
    {0x1020, TYPE_SHORT,      1, LVL_IMAGE,   "FujiMacro",         "Macro Mode",                 fuji_bool},
    {0x1021, TYPE_SHORT,      1, LVL_IMAGE,   "FujiFocusMode",     "Focus Mode",                 fuji_focus},
    {0x1030, TYPE_SHORT,      1, LVL_IMAGE,   "FujiSlowSync",      "Slow Synchro Mode",          fuji_bool},
    {0x1031, TYPE_SHORT,      1, LVL_IMAGE,   "FujiPicMode",       "Picture Mode",               fuji_picture},
    {0x1100, TYPE_SHORT,      1, LVL_IMAGE,   "FujiBracket",       "Continuous/Bracketing Mode", fuji_bool},
    {0x1300, TYPE_SHORT,      1, LVL_IMAGE,   "FujiBlurWarn",      "Blur Status",                fuji_blurw},
    {0x1301, TYPE_SHORT,      1, LVL_IMAGE,   "FujiFocusWarn",     "Focus Status",               fuji_focusw},
    {0x1302, TYPE_SHORT,      1, LVL_IMAGE,   "FujiAEWarn",        "Auto Exposure Status",       fuji_aew},
    {0xFFFF, 0,               0, LVL_UNKNOWN, "FujiUnknown",       "Fuji Unknown",               nullptr},
};

bool fujilayout(const tiff_view& view, std::uint32_t offset) noexcept
{
    return noteheader(view, offset, HEADER, HEADER_NAME);
}

ifd_block* fuji_ifd(std::uint32_t offset, tiff_view* view)
{
    if (!fujilayout(*view, offset))
        return readone(offset, fuji_tags, *view);
    const std::optional<std::uint16_t> position = cursor(inorder(*view, ORDER_LITTLE)).u16(offset + HEADER_NAME);
    if (!position)
        return nullptr;
    // The directory's position and its entries' offsets count from the note's
    // first byte, and its numbers are little-endian whatever the Exif block's
    // order: the maker view says so for the directory and the interpreter.
    view->base += offset;
    view->order = ORDER_LITTLE;
    return readone(*position, fuji_tags, *view);
}

// The version's four characters, as the note stores them.
void fuji_prop(exif_prop* prop, exif_info* info)
{
    if (prop->tag != TAG_VERSION || prop->count != VERSION_COUNT)
        return;
    const valuebytes version = storedbytes(prop->value, info->mkrview.order);
    std::memcpy(replacetext(prop, VERSION_COUNT + 1), version.b, VERSION_COUNT);
}

}  // namespace exifkit
