// Leica maker notes: either the Fujifilm layout, handed to the Fujifilm reader
// and interpreter, or Leica's own, an optional "LEICA" header and a chain of
// directories in the Exif block's byte order.
#include "makers/leica.h"

#include "exifkit/makers.h"
#include "makers/common.h"
#include "makers/fuji.h"

namespace exifkit {

namespace {

// "LEICA" and three bytes that are not interpreted.
constexpr std::size_t HEADER_NAME = 5, HEADER_SIZE = 8;

const descr_entry leica_compress[] = {
    { 2, "Low"},
    { 3, "Normal"},
    { 6, "Very Low"},
    { 7, "Raw"},
    {-1, "Unknown"},
};

const descr_entry leica_white[] = {
    { 1, "Auto"},
    { 2, "Sunshine"},
    { 3, "Cloudy"},
    { 4, "Halogen"},
    { 5, "Manual"},
    { 8, "Electronic Flash"},
    {10, "Black & White"},
    {-1, "Unknown"},
};

const descr_entry leica_focus[] = {
    { 1, "Auto"},
    { 2, "Manual"},
    {-1, "Unknown"},
};

const descr_entry leica_spotaf[] = {
    { 256, "On"},
    {4096, "Off"},
    {  -1, "Unknown"},
};

const descr_entry leica_bool[] = {
    { 1, "On"},
    { 2, "Off"},
    {-1, "Unknown"},
};

const descr_entry leica_aperture[] = {
    { 6, "Auto"},
    { 7, "Manual"},
    {-1, "Unknown"},
};

// Looked up by the low 16 bits, so 65530 to 65535 are -6 to -1.
const descr_entry leica_flashev[] = {
    {    0, "0 EV"},
    {    1, "0.33 EV"},
    {    2, "0.67 EV"},
    {    3, "1 EV"},
    {    4, "1.33 EV"},
    {    5, "1.67 EV"},
    {    6, "2 EV"},
    {65530, "-2 EV"},
    {65531, "-1.67 EV"},
    {65532, "-1.33 EV"},
    {65533, "-1 EV"},
    {65534, "-0.67 EV"},
    {65535, "-0.33 EV"},
    {   -1, "Unknown"},
};

const descr_entry leica_contrast[] = {
    {256, "Low"},
    {272, "Standard"},
    {288, "High"},
    { -1, "Unknown"},
};

}  // namespace

// Columns: tag, expected type and count (0 = any), level, name,
// description, value table, standard tag superseded.
const tag_def leica_tags[] = {
    {0x0001, TYPE_ASCII, 8, LVL_IMAGE,   "LeicaCompress",  "Compression Rate",   leica_compress, 0},
    {0x0003, TYPE_SHORT, 1, LVL_IMAGE,   "LeicaWhiteBal",  "White Balance",      leica_white,    0xA403},
    {0x0007, TYPE_SHORT, 1, LVL_IMAGE,   "LeicaFocusMode", "Focus Mode",         leica_focus,    0},
    {0x000F, TYPE_SHORT, 1, LVL_IMAGE,   "LeicaSpotAF",    "Spot Autofocus",     leica_spotaf,   0},
    {0x001C, TYPE_SHORT, 1, LVL_IMAGE,   "LeicaMacro",     "Macro Mode",         leica_bool,     0},
    {0x001F, TYPE_SHORT, 1, LVL_IMAGE,   "LeicaAperture",  "Aperture Mode",      leica_aperture, 0},
    {0x0024, TYPE_SHORT, 1, LVL_IMAGE,   "LeicaFlashEV",   "Flash Compensation", leica_flashev,  0},
    {0x002C, TYPE_SHORT, 1, LVL_IMAGE,   "LeicaContrast",  "Contrast",           leica_contrast, 0xA408},
    {0xFFFF, 0,          0, LVL_UNKNOWN, "LeicaUnknown",   "Leica Unknown",      nullptr,        0},
};

ifd_block* leica_ifd(std::uint32_t offset, tiff_view* view)
{
    if (fujilayout(*view, offset))
        return fuji_ifd(offset, view);
    // A matched header lies inside the view, so offset + 8 cannot wrap.
    const std::uint32_t start = noteheader(*view, offset, "LEICA", HEADER_NAME) ? offset + HEADER_SIZE : offset;
    return readifds(start, leica_tags, *view);
}

void leica_prop(exif_prop* prop, exif_info*)
{
    supersede(prop);
}

}  // namespace exifkit
