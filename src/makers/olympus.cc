// Olympus maker notes, and the layout and fields that Sanyo notes share with
// them; and the newer Olympus and OM Digital layout, whose main directory
// leads to directories of equipment, settings and focus information.
#include "makers/olympus.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <span>

#include "exif/context.h"
#include "exif/directory.h"
#include "exif/proptext.h"
#include "exif/texts.h"
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

// ---- The newer layout -------------------------------------------------------

namespace {

constexpr std::uint16_t TAG_VERSION = 0x0000, TAG_WHITEBALANCE = 0x0500, TYPE_IFD = 13;

// A header of the newer layout: the maker's name padded with zero bytes, the
// byte-order letters and two bytes of layout version; the directory follows.
struct layout2 {
    const char* name;
    std::uint32_t length;
};
const layout2 layouts2[] = {
    {"OLYMPUS\0",        8},
    {"OM SYSTEM\0\0\0", 12},
};
constexpr std::uint32_t LETTERS = 2, LETTERS_AND_VERSION = 4;

// The order the letters name; a note with other letters starts from the
// block's order, which the byte-order check then confirms or swaps.
int lettersorder(std::span<const unsigned char> letters, int blockorder) noexcept
{
    if (letters[0] == 'I' && letters[1] == 'I')
        return ORDER_LITTLE;
    if (letters[0] == 'M' && letters[1] == 'M')
        return ORDER_BIG;
    return blockorder;
}

// The main directory of a note of the newer layout whose name of `length`
// bytes stands at offset. Its offsets and those of the directories it leads
// to count from the note's first byte: the maker view says so for them and
// for the interpreter. Null for a note too short to hold the letters, which
// the older reader then reads as before.
std::optional<ifd_block*> readlayout2(std::uint32_t offset, std::uint32_t length, tiff_view* view)
{
    // The name matched inside the view, so offset + length cannot wrap.
    const auto letters = cursor(*view).bytes(std::uint64_t{offset} + length, LETTERS_AND_VERSION);
    if (!letters)
        return std::nullopt;
    const int order = lettersorder(letters->first(LETTERS), view->order);
    const std::uint32_t directory = length + LETTERS_AND_VERSION;
    view->base += offset;
    view->order = checkedorder(*view, directory, order);
    return readone(directory, olympus2_tags, *view);
}

// The entries of the main directory that lead to another directory.
struct pointerrow {
    std::uint16_t tag;
    const tag_def* table;
};
const pointerrow pointers2[] = {
    {0x2010, olympus_equipment_tags},
    {0x2020, olympus_camera_tags},
    {0x2030, olympus_rawdev_tags},
    {0x2031, olympus_rawdev2_tags},
    {0x2040, olympus_imaging_tags},
    {0x2050, olympus_focus_tags},
};

// ---- Value lists ----

// Lists end with the row of value -1; a value they lack prints as its number.
const descr_entry ol_offon[] = {
    { 0, "Off"},
    { 1, "On"},
    {-1, ""},
};

const descr_entry ol_flashtype[] = {
    { 0, "None"},
    { 2, "Simple E-System"},
    { 3, "E-System"},
    { 4, "E-System (body powered)"},
    {-1, ""},
};

const descr_entry ol_flashmodel[] = {
    { 0, "None"},
    { 1, "FL-20"},
    { 2, "FL-50"},
    { 3, "RF-11"},
    { 4, "TF-22"},
    { 5, "FL-36"},
    { 6, "FL-50R"},
    { 7, "FL-36R"},
    { 9, "FL-14"},
    {11, "FL-600R"},
    {13, "FL-LM3"},
    {15, "FL-900R"},
    {-1, ""},
};

const descr_entry ol_exposuremode[] = {
    { 1, "Manual"},
    { 2, "Program"},
    { 3, "Aperture-priority AE"},
    { 4, "Shutter speed priority AE"},
    { 5, "Program-shift"},
    {-1, ""},
};

const descr_entry ol_metering[] = {
    {   2, "Center-weighted average"},
    {   3, "Spot"},
    {   5, "ESP"},
    { 261, "Pattern+AF"},
    { 515, "Spot+Highlight control"},
    {1027, "Spot+Shadow control"},
    {  -1, ""},
};

const descr_entry ol_macro[] = {
    { 0, "Off"},
    { 1, "On"},
    { 2, "Super"},
    {-1, ""},
};

const descr_entry ol_focusmode[] = {
    { 0, "Single AF"},
    { 1, "Sequential shooting AF"},
    { 2, "Continuous AF"},
    { 3, "Multi AF"},
    { 4, "Face Detect"},
    {10, "MF"},
    {-1, ""},
};

// Bit sets: the value of a row is the bit's number.
const descr_entry ol_focusbits[] = {
    { 0, "S-AF"},
    { 2, "C-AF"},
    { 4, "MF"},
    { 5, "Face Detect"},
    { 6, "Imager AF"},
    { 7, "Live View Magnification Frame"},
    { 8, "AF sensor"},
    { 9, "Starry Sky AF"},
    {-1, ""},
};

const descr_entry ol_flashbits[] = {
    { 0, "On"},
    { 1, "Fill-in"},
    { 2, "Red-eye"},
    { 3, "Slow-sync"},
    { 4, "Forced On"},
    { 5, "2nd Curtain"},
    {-1, ""},
};

const descr_entry ol_noisebits[] = {
    { 0, "Noise Reduction"},
    { 1, "Noise Filter"},
    { 2, "Noise Filter (ISO Boost)"},
    { 3, "Auto"},
    {-1, ""},
};

const descr_entry ol_bracketbits[] = {
    { 0, "AE"},
    { 1, "WB"},
    { 2, "FL"},
    { 3, "MF"},
    { 4, "ISO"},
    { 5, "AE Auto"},
    { 6, "Focus"},
    {-1, ""},
};

const descr_entry ol_whitebalance[] = {
    {  0, "Auto"},
    {  1, "Auto (Keep Warm Color Off)"},
    { 16, "7500K (Fine Weather with Shade)"},
    { 17, "6000K (Cloudy)"},
    { 18, "5300K (Fine Weather)"},
    { 20, "3000K (Tungsten light)"},
    { 21, "3600K (Tungsten light-like)"},
    { 22, "Auto Setup"},
    { 23, "5500K (Flash)"},
    { 33, "6600K (Daylight fluorescent)"},
    { 34, "4500K (Neutral white fluorescent)"},
    { 35, "4000K (Cool white fluorescent)"},
    { 36, "White Fluorescent"},
    { 48, "3600K (Tungsten light-like)"},
    { 67, "Underwater"},
    {256, "One Touch WB 1"},
    {257, "One Touch WB 2"},
    {258, "One Touch WB 3"},
    {259, "One Touch WB 4"},
    {512, "Custom WB 1"},
    {513, "Custom WB 2"},
    {514, "Custom WB 3"},
    {515, "Custom WB 4"},
    { -1, ""},
};

const descr_entry ol_colorspace[] = {
    { 0, "sRGB"},
    { 1, "Adobe RGB"},
    { 2, "Pro Photo RGB"},
    {-1, ""},
};

const descr_entry ol_scene[] = {
    {  0, "Standard"},
    {  6, "Auto"},
    {  7, "Sport"},
    {  8, "Portrait"},
    { 10, "Landscape"},
    { 11, "Night Scene"},
    { 13, "Panorama"},
    { 17, "Night+Portrait"},
    { 19, "Fireworks"},
    { 20, "Sunset"},
    { 22, "Macro"},
    { 24, "Food"},
    { 34, "Pet"},
    { 39, "High Key"},
    { 45, "Low Key"},
    {142, "Hand-held Starlight"},
    {154, "HDR"},
    {197, "Panning"},
    {203, "Light Trails"},
    {204, "Backlight HDR"},
    {205, "Silent"},
    {206, "Multi Focus Shot"},
    { -1, ""},
};

const descr_entry ol_picturemode[] = {
    {  1, "Vivid"},
    {  2, "Natural"},
    {  3, "Muted"},
    {  4, "Portrait"},
    {  5, "i-Enhance"},
    {  6, "e-Portrait"},
    {  7, "Color Creator"},
    {  8, "Underwater"},
    {  9, "Color Profile 1"},
    { 10, "Color Profile 2"},
    { 11, "Color Profile 3"},
    { 12, "Monochrome Profile 1"},
    { 13, "Monochrome Profile 2"},
    { 14, "Monochrome Profile 3"},
    { 17, "Art Mode"},
    { 18, "Monochrome Profile 4"},
    {256, "Monotone"},
    {512, "Sepia"},
    { -1, ""},
};

const descr_entry ol_bwfilter[] = {
    { 0, "n/a"},
    { 1, "Neutral"},
    { 2, "Yellow"},
    { 3, "Orange"},
    { 4, "Red"},
    { 5, "Green"},
    {-1, ""},
};

const descr_entry ol_tone[] = {
    { 0, "n/a"},
    { 1, "Neutral"},
    { 2, "Sepia"},
    { 3, "Blue"},
    { 4, "Purple"},
    { 5, "Green"},
    {-1, ""},
};

constexpr std::int64_t PARTIAL_COLOR = 39;
const descr_entry ol_artfilter[] = {
    { 0, "Off"},
    { 1, "Soft Focus"},
    { 2, "Pop Art"},
    { 3, "Pale & Light Color"},
    { 4, "Light Tone"},
    { 5, "Pin Hole"},
    { 6, "Grainy Film"},
    { 8, "Underwater"},
    { 9, "Diorama"},
    {10, "Cross Process"},
    {12, "Fish Eye"},
    {13, "Drawing"},
    {14, "Gentle Sepia"},
    {15, "Pale & Light Color II"},
    {16, "Pop Art II"},
    {17, "Pin Hole II"},
    {18, "Pin Hole III"},
    {19, "Grainy Film II"},
    {20, "Dramatic Tone"},
    {21, "Punk"},
    {22, "Soft Focus 2"},
    {23, "Sparkle"},
    {24, "Watercolor"},
    {25, "Key Line"},
    {26, "Key Line II"},
    {27, "Miniature"},
    {28, "Reflection"},
    {29, "Fragmented"},
    {31, "Cross Process II"},
    {32, "Dramatic Tone II"},
    {33, "Watercolor I"},
    {34, "Watercolor II"},
    {35, "Diorama II"},
    {36, "Vintage"},
    {37, "Vintage II"},
    {38, "Vintage III"},
    {39, "Partial Color"},
    {40, "Partial Color II"},
    {41, "Partial Color III"},
    {42, "Bleach Bypass"},
    {43, "Bleach Bypass II"},
    {44, "Instant Film"},
    {-1, ""},
};

// The drive mode by the first value, and by the sixth where later bodies set it.
constexpr std::int64_t DRIVE_BRACKETING = 5;
const descr_entry ol_drive[] = {
    { 0, "Single Shot"},
    { 1, "Continuous Shooting"},
    { 2, "Exposure Bracketing"},
    { 3, "White Balance Bracketing"},
    { 4, "Exposure+WB Bracketing"},
    {-1, ""},
};

const descr_entry ol_shooting[] = {
    {0x01, "Single Shot"},
    {0x02, "Sequential L"},
    {0x03, "Sequential H"},
    {0x07, "Sequential"},
    {0x11, "Single Shot"},
    {0x12, "Sequential L"},
    {0x13, "Sequential H"},
    {0x14, "Self-Timer 12 sec"},
    {0x15, "Self-Timer 2 sec"},
    {0x16, "Custom Self-Timer"},
    {0x17, "Sequential"},
    {0x21, "Single Shot"},
    {0x22, "Sequential L"},
    {0x23, "Sequential H"},
    {0x24, "Self-Timer 2 sec"},
    {0x25, "Self-Timer 12 sec"},
    {0x26, "Custom Self-Timer"},
    {0x27, "Sequential"},
    {0x28, "Sequential SH1"},
    {0x29, "Sequential SH2"},
    {0x30, "HighRes Shot"},
    {0x41, "ProCap H"},
    {0x42, "ProCap L"},
    {0x43, "ProCap"},
    {0x48, "ProCap SH1"},
    {0x49, "ProCap SH2"},
    {  -1, ""},
};

const descr_entry ol_quality[] = {
    { 1, "SQ"},
    { 2, "HQ"},
    { 3, "SHQ"},
    { 4, "RAW"},
    {-1, ""},
};

const descr_entry ol_stabilization[] = {
    { 0, "Off"},
    { 1, "On, S-IS1 (All Direction Shake IS)"},
    { 2, "On, S-IS2 (Vertical Shake IS)"},
    { 3, "On, S-IS3 (Horizontal Shake IS)"},
    { 4, "On, S-IS Auto"},
    {-1, ""},
};

const descr_entry ol_engine[] = {
    { 0, "High Speed"},
    { 1, "High Function"},
    { 2, "Advanced High Speed"},
    { 3, "Advanced High Function"},
    {-1, ""},
};

const descr_entry ol_rawpicture[] = {
    {  1, "Vivid"},
    {  2, "Natural"},
    {  3, "Muted"},
    {256, "Monotone"},
    {512, "Sepia"},
    { -1, ""},
};

const descr_entry ol_multiexposure[] = {
    { 0, "Off"},
    { 1, "Live Composite"},
    { 2, "On (2 frames)"},
    { 3, "On (3 frames)"},
    {-1, ""},
};

// AF points of the E-3, E-5 and E-30: the target mode in bits 5 to 7.
constexpr std::int64_t AF_POINT_BITS = 0x1F, AF_MODE_BITS = 0xE0;
const descr_entry ol_aftarget[] = {
    {0x00, "Single Target"},
    {0x40, "All Target"},
    {0x80, "Dynamic Single Target"},
    {  -1, ""},
};

const descr_entry ol_afpoint[] = {
    {  0, "Left (or n/a)"},
    {  1, "Center (horizontal)"},
    {  2, "Right"},
    {  3, "Center (vertical)"},
    {255, "None"},
    { -1, ""},
};

// Codes written as text, and codes of several values.
const textrow ol_cameratypes[] = {
    {"S0036", "E-M5"},
    {"S0047", "E-M1"},
    {"S0051", "E-M10"},
    {"S0052", "E-M5MarkII"},
    {"S0059", "E-M10MarkII"},
    {"S0061", "PEN-F"},
    {"S0065", "E-PL8"},
    {"S0067", "E-M1MarkII"},
    {"S0068", "E-M10MarkIII"},
    {"S0076", "E-PL9"},
    {"S0080", "E-M1X"},
    {"S0085", "E-PL10"},
    {"S0088", "E-M10MarkIV"},
    {"S0089", "E-M5MarkIII"},
    {"S0092", "E-M1MarkIII"},
    {"S0093", "E-P7"},
    {"S0095", "OM-1"},
    {"S0101", "OM-5"},
    {"S0121", "OM-1MarkII"},
    {"D4603", "TG-6"},
};

const textrow ol_extenders[] = {
    {"0 00", "None"},
    {"0 04", "Olympus Zuiko Digital EC-14 1.4x Teleconverter"},
    {"0 08", "Olympus EX-25 Extension Tube"},
    {"0 10", "Olympus Zuiko Digital EC-20 2.0x Teleconverter"},
};

// Lenses by make, model and sub-model; Olympus's own names share a prefix.
struct lensname {
    const char* code;
    const char* prefix;
    const char* name;
};
constexpr const char* ZUIKO = "Olympus M.Zuiko Digital ";
const lensname ol_lenses[] = {
    {"0 00 00", "",    "None"},
    {"0 10 10", ZUIKO, "ED 12-50mm F3.5-6.3 EZ"},
    {"0 11 10", ZUIKO, "45mm F1.8"},
    {"0 12 10", ZUIKO, "ED 60mm F2.8 Macro"},
    {"0 13 10", ZUIKO, "14-42mm F3.5-5.6 II R"},
    {"0 14 10", ZUIKO, "ED 40-150mm F4.0-5.6 R"},
    {"0 15 10", ZUIKO, "ED 75mm F1.8"},
    {"0 16 10", ZUIKO, "17mm F1.8"},
    {"0 18 10", ZUIKO, "ED 75-300mm F4.8-6.7 II"},
    {"0 19 10", ZUIKO, "ED 12-40mm F2.8 Pro"},
    {"0 20 10", ZUIKO, "ED 40-150mm F2.8 Pro"},
    {"0 21 10", ZUIKO, "ED 14-42mm F3.5-5.6 EZ"},
    {"0 22 10", ZUIKO, "25mm F1.8"},
    {"0 23 10", ZUIKO, "ED 7-14mm F2.8 Pro"},
    {"0 24 10", ZUIKO, "ED 300mm F4.0 IS Pro"},
    {"0 26 10", ZUIKO, "ED 12-100mm F4.0 IS Pro"},
    {"0 28 10", ZUIKO, "ED 25mm F1.2 Pro"},
    {"0 32 10", ZUIKO, "ED 12-200mm F3.5-6.3"},
    {"0 35 10", "",    "Olympus M.Zuiko 100-400mm F5.0-6.3"},
    {"2 20 10", "",    "Lumix G Vario 12-32mm F3.5-5.6 Asph. Mega OIS"},
};

struct pairname {
    std::int64_t a, b;
    const char* name;
};

const pairname ol_aspects[] = {
    {1, 1, "4:3"},
    {1, 4, "1:1"},
    {2, 1, "3:2 (RAW)"},
    {2, 2, "3:2"},
    {3, 1, "16:9 (RAW)"},
    {3, 3, "16:9"},
    {4, 1, "1:1 (RAW)"},
    {4, 4, "6:6"},
    {5, 5, "5:4"},
    {6, 6, "7:6"},
    {7, 7, "6:5"},
    {8, 8, "7:5"},
    {9, 1, "3:4 (RAW)"},
    {9, 9, "3:4"},
};

const pairname ol_externalflash[] = {
    {0, 0, "Off"},
    {1, 0, "On"},
};

struct triplename {
    std::int64_t a, b, c;
    const char* name;
};

const triplename ol_gradation[] = {
    {-1, -1, 1, "Low Key"},
    { 0, -1, 1, "Normal"},
    { 1, -1, 1, "High Key"},
    { 0,  0, 0, "n/a"},
};

const descr_entry ol_gradationmode[] = {
    { 0, "User-Selected"},
    { 1, "Auto-Override"},
    {-1, ""},
};

const triplename ol_noisefilter[] = {
    {-2, -2, 1, "Off"},
    {-1, -2, 1, "Low"},
    { 0, -2, 1, "Standard"},
    { 1, -2, 1, "High"},
    { 0,  0, 0, "n/a"},
};

// ---- Reading values ----

// The most values any rule reads from one field (the drive mode's six).
constexpr std::uint32_t MOST_VALUES = 6;

// The first values of an integer field, read in the field's byte order.
struct numbers {
    std::int64_t v[MOST_VALUES] = {};
    std::uint32_t n = 0;
};

// Where the first n values of `size` bytes of the field stand: in the entry
// for a field of four bytes or fewer, else at its offset; null outside the view.
const unsigned char* valuesat(const exif_prop* prop, const tiff_view& view, int size, std::uint32_t n)
{
    const auto bytesize = static_cast<std::uint64_t>(size);
    if (std::uint64_t{prop->count} * bytesize <= 4)
        return prop->data;
    const auto stored = cursor(inorder(view, prop->order)).bytes(prop->value, n * bytesize);
    return stored ? stored->data() : nullptr;
}

// Up to `wanted` (at most MOST_VALUES) values of the field. Warns and reads
// none when the field holds no integers or its values lie outside the note.
numbers readnumbers(const exif_prop* prop, const tiff_view& view, std::uint32_t wanted = MOST_VALUES)
{
    numbers out;
    const int size = integersize(prop->type);
    if (!size) {
        detail::warn(prop->ctx, "field type mismatch", prop->name);
        return out;
    }
    const std::uint32_t n = std::min({prop->count, wanted, MOST_VALUES});
    const unsigned char* at = n ? valuesat(prop, view, size, n) : nullptr;
    if (!at) {
        if (n)
            detail::warn(prop->ctx, "invalid field offset", prop->name);
        return out;
    }
    for (; out.n < n; out.n++)
        out.v[out.n] = integerat(at + out.n * size, prop->type, prop->order);
    return out;
}

std::optional<urational> readrational(const exif_prop* prop, const tiff_view& view)
{
    if (prop->type != TYPE_RATIONAL && prop->type != TYPE_SRATIONAL) {
        detail::warn(prop->ctx, "field type mismatch", prop->name);
        return std::nullopt;
    }
    const std::optional<urational> ratio = prop->count ? cursor(inorder(view, prop->order)).rational(prop->value)
                                                       : std::nullopt;
    if (!ratio)
        detail::warn(prop->ctx, "invalid field offset", prop->name);
    return ratio;
}

// ---- Texts ----

constexpr std::size_t TEXT = 64;
// Room for every name of a bit set or drive mode and its separators.
constexpr std::size_t LONG_TEXT = 256;

// The values as stored, "1 -2 3".
void numberstext(exif_prop* prop, const numbers& values)
{
    detail::textout out = rewrite(prop, TEXT);
    for (std::uint32_t i = 0; i < values.n; i++)
        (i ? out.put(' ') : out).num(values.v[i]);
}

// The names of the set bits joined by sep; a bit without a name gives "bit n".
void putbits(detail::textout& out, std::int64_t value, const descr_entry* names, const char* sep)
{
    bool first = true;
    for (int bit = 0; bit < 32; bit++) {
        if (!(value >> bit & 1))
            continue;
        if (!first)
            out.put(sep);
        first = false;
        if (const char* name = listentry(names, bit))
            out.put(name);
        else
            out.put("bit ").num(bit);
    }
}

void bitstext(exif_prop* prop, std::int64_t value, const descr_entry* names, const char* none)
{
    if (!value) {
        formattext(prop, TEXT, "%s", none);
        return;
    }
    detail::textout out = rewrite(prop, LONG_TEXT);
    putbits(out, value, names, ", ");
}

// Whether the camera's model is `name`, trailing spaces aside.
bool ismodel(const char* model, const char* name) noexcept
{
    const std::size_t n = std::strlen(name);
    if (!model || std::strncmp(model, name, n))
        return false;
    for (model += n; *model == ' '; ++model)
        ;
    return !*model;
}

bool modelbegins(const char* model, const char* prefix) noexcept
{
    return model && !std::strncmp(model, prefix, std::strlen(prefix));
}

// ---- Printers: one per way a field of the newer layout is shown ----

using printer = void (*)(exif_prop* prop, const exif_info& info, const descr_entry* list);

// Four characters as stored ("0100").
void printversion(exif_prop* prop, const exif_info&, const descr_entry*)
{
    constexpr std::uint32_t VERSION = 4;
    if (prop->count != VERSION || (integersize(prop->type) != 1 && prop->type != TYPE_ASCII) || !prop->data)
        return;
    std::memcpy(replacetext(prop, VERSION + 1), prop->data, VERSION);
}

// The list's text for the first value.
void printcode(exif_prop* prop, const exif_info& info, const descr_entry* list)
{
    const numbers v = readnumbers(prop, info.mkrview, 1);
    if (v.n)
        listtext(prop, list, v.v[0]);
}

void trimspaces(exif_prop* prop) noexcept
{
    if (!prop->str)
        return;
    std::size_t n = std::strlen(prop->str);
    while (n && prop->str[n - 1] == ' ')
        prop->str[--n] = '\0';
}

void printtrimmed(exif_prop* prop, const exif_info&, const descr_entry*)
{
    trimspaces(prop);
}

void printcameratype(exif_prop* prop, const exif_info&, const descr_entry*)
{
    trimspaces(prop);
    if (!prop->str)
        return;
    if (const char* name = shownfor(ol_cameratypes, prop->str))
        formattext(prop, TEXT, "%s", name);
}

// 0x1100 is "1.100": the hexadecimal digits with a dot before the last three.
void printfirmware(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    constexpr unsigned LAST_THREE = 12;
    const numbers v = readnumbers(prop, info.mkrview, 1);
    if (!v.n)
        return;
    const auto value = static_cast<std::uint64_t>(v.v[0]) & UINT32_MAX;
    formattext(prop, TEXT, "%llx.%03llx", static_cast<unsigned long long>(value >> LAST_THREE),
               static_cast<unsigned long long>(value & 0xFFF));
}

void printdiagonal(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    const std::optional<urational> ratio = readrational(prop, info.mkrview);
    if (ratio && ratio->den)
        formattext(prop, TEXT, "%g mm", static_cast<double>(ratio->num) / ratio->den);
}

void printmillimetres(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    const numbers v = readnumbers(prop, info.mkrview, 1);
    if (v.n)
        formattext(prop, TEXT, "%lld mm", static_cast<long long>(v.v[0]));
}

// The f-number of an APEX-like value in 256ths: sqrt(2) to the power v / 256.
void printaperture(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    constexpr double STEPS = 256;
    const numbers v = readnumbers(prop, info.mkrview, 1);
    if (v.n)
        formattext(prop, TEXT, "%.1f", std::pow(std::sqrt(2.0), static_cast<double>(v.v[0]) / STEPS));
}

// Bytes 0, 2 and 3 of six: make, model and sub-model.
void printlenstype(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    constexpr std::uint32_t LENS_BYTES = 6;
    const numbers v = readnumbers(prop, info.mkrview, 4);
    if (v.n < 4 || prop->count != LENS_BYTES || integersize(prop->type) != 1)
        return;
    char code[TEXT];
    std::snprintf(code, sizeof code, "%llx %02llx %02llx", static_cast<unsigned long long>(v.v[0]),
                  static_cast<unsigned long long>(v.v[2]), static_cast<unsigned long long>(v.v[3]));
    for (const lensname& row : ol_lenses)
        if (!std::strcmp(code, row.code)) {
            formattext(prop, TEXT, "%s%s", row.prefix, row.name);
            return;
        }
    formattext(prop, TEXT, "%s", code);
}

// Bytes 0 and 2 of six: make and model.
void printextender(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    const numbers v = readnumbers(prop, info.mkrview, 3);
    if (v.n < 3 || integersize(prop->type) != 1)
        return;
    char code[TEXT];
    std::snprintf(code, sizeof code, "%llx %02llx", static_cast<unsigned long long>(v.v[0]),
                  static_cast<unsigned long long>(v.v[2]));
    const char* name = shownfor(ol_extenders, code);
    formattext(prop, TEXT, "%s", name ? name : code);
}

void printev(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    const std::optional<urational> ratio = readrational(prop, info.mkrview);
    if (!ratio)
        return;
    char number[TEXT];
    rationaltext(number, sizeof number, ratio->num, ratio->den, prop->type == TYPE_SRATIONAL);
    formattext(prop, TEXT, "%s EV", number);
}

void printkelvin(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    const numbers v = readnumbers(prop, info.mkrview, 1);
    if (!v.n)
        return;
    if (v.v[0])
        formattext(prop, TEXT, "%lld K", static_cast<long long>(v.v[0]));
    else
        formattext(prop, TEXT, "Auto");
}

// A setting and its range: "0 (min -2, max 2)".
void printrange(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    const numbers v = readnumbers(prop, info.mkrview, 3);
    if (v.n == 3)
        formattext(prop, TEXT, "%lld (min %lld, max %lld)", static_cast<long long>(v.v[0]),
                   static_cast<long long>(v.v[1]), static_cast<long long>(v.v[2]));
}

// One value is a code; of two, the second is a bit set (bodies that write
// no bit keep the first value's code).
void printfocusmode(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    const numbers v = readnumbers(prop, info.mkrview, 2);
    if (v.n == 2 && v.v[1])
        bitstext(prop, v.v[1], ol_focusbits, "");
    else if (v.n)
        listtext(prop, ol_focusmode, v.v[0]);
}

void printflashmode(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    const numbers v = readnumbers(prop, info.mkrview, 1);
    if (v.n)
        bitstext(prop, v.v[0], ol_flashbits, "Off");
}

void printnoisereduction(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    const numbers v = readnumbers(prop, info.mkrview, 1);
    if (v.n)
        bitstext(prop, v.v[0], ol_noisebits, "(none)");
}

const char* triplenameof(const triplename* rows, std::size_t n, const numbers& v) noexcept
{
    for (std::size_t i = 0; i < n; i++)
        if (rows[i].a == v.v[0] && rows[i].b == v.v[1] && rows[i].c == v.v[2])
            return rows[i].name;
    return nullptr;
}

// The first three values name the gradation, the fourth how it was chosen.
void printgradation(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    const numbers v = readnumbers(prop, info.mkrview, 4);
    if (v.n < 3)
        return;
    const char* name = triplenameof(ol_gradation, std::size(ol_gradation), v);
    if (!name) {
        numberstext(prop, v);
        return;
    }
    detail::textout out = rewrite(prop, TEXT);
    out.put(name);
    // A gradation of none was chosen by nobody.
    if (v.n < 4 || (!v.v[0] && !v.v[1] && !v.v[2]))
        return;
    out.put("; ");
    if (const char* chosen = listentry(ol_gradationmode, v.v[3]))
        out.put(chosen);
    else
        out.num(v.v[3]);
}

void printnoisefilter(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    const numbers v = readnumbers(prop, info.mkrview, 3);
    if (v.n < 3)
        return;
    if (const char* name = triplenameof(ol_noisefilter, std::size(ol_noisefilter), v))
        formattext(prop, TEXT, "%s", name);
    else
        numberstext(prop, v);
}

void printartfilter(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    const numbers v = readnumbers(prop, info.mkrview, 4);
    if (!v.n)
        return;
    listtext(prop, ol_artfilter, v.v[0]);
    if (v.v[0] == PARTIAL_COLOR && v.n == 4)
        formattext(prop, TEXT, "%s (position %lld)", listentry(ol_artfilter, PARTIAL_COLOR),
                   static_cast<long long>(v.v[3] + 1));
}

// Values: mode, shot number, mode bits, -, shutter, shooting mode.
void printdrivemode(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    constexpr std::uint32_t MODE = 0, SHOT = 1, BITS = 2, SHUTTER = 4, SHOOTING = 5;
    constexpr std::int64_t MECHANICAL = 0, ANTI_SHOCK = 2;
    const numbers v = readnumbers(prop, info.mkrview);
    if (!v.n)
        return;
    detail::textout out = rewrite(prop, LONG_TEXT);
    const char* name = nullptr;
    std::int64_t code = v.v[MODE];
    if (v.v[MODE] == DRIVE_BRACKETING) {
        if (v.n > BITS && v.v[BITS]) {
            putbits(out, v.v[BITS], ol_bracketbits, "+");
            out.put(' ');
        }
        out.put("Bracketing");
    } else {
        if (v.n > SHOOTING && v.v[SHOOTING]) {
            code = v.v[SHOOTING];
            name = listentry(ol_shooting, code);
        } else {
            name = listentry(ol_drive, code);
        }
        if (name)
            out.put(name);
        else
            out.num(code);
    }
    if (v.n > SHOT && v.v[SHOT])
        out.put(", Shot ").num(v.v[SHOT]);
    if (v.n > SHUTTER && v.v[SHUTTER] == MECHANICAL)
        out.put("; Mechanical shutter");
    else if (v.n > SHUTTER && v.v[SHUTTER] == ANTI_SHOCK)
        out.put("; Anti-shock");
}

// Tenths of a degree, valid when the second value is 1. The roll angle is
// shown as a clockwise rotation, the opposite of what is stored.
void printangle(exif_prop* prop, const exif_info& info, std::int64_t sign)
{
    const numbers v = readnumbers(prop, info.mkrview, 2);
    if (v.n == 2 && v.v[1] == 1)
        formattext(prop, TEXT, "%.1f", static_cast<double>(sign * v.v[0]) / 10);
    else if (v.n)
        formattext(prop, TEXT, "n/a");
}

void printroll(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    printangle(prop, info, -1);
}

void printpitch(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    printangle(prop, info, 1);
}

void pairtext(exif_prop* prop, const exif_info& info, const pairname* rows, std::size_t n)
{
    const numbers v = readnumbers(prop, info.mkrview, 2);
    if (v.n < 2)
        return;
    for (std::size_t i = 0; i < n; i++)
        if (rows[i].a == v.v[0] && rows[i].b == v.v[1]) {
            formattext(prop, TEXT, "%s", rows[i].name);
            return;
        }
    numberstext(prop, v);
}

void printaspect(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    pairtext(prop, info, ol_aspects, std::size(ol_aspects));
}

void printexternalflash(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    pairtext(prop, info, ol_externalflash, std::size(ol_externalflash));
}

void printmanualflash(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    const numbers v = readnumbers(prop, info.mkrview, 2);
    if (!v.n)
        return;
    if (!v.v[0])
        formattext(prop, TEXT, "Off");
    else if (v.n < 2)
        formattext(prop, TEXT, "On");
    else if (v.v[1] == 1)
        formattext(prop, TEXT, "On (Full strength)");
    else
        formattext(prop, TEXT, "On (1/%lld strength)", static_cast<long long>(v.v[1]));
}

// Thousandths of a metre in the numerator, whatever the denominator.
void printfocusdistance(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    constexpr std::uint32_t INFINITY_CODE = 0xFFFFFFFF;
    const std::optional<urational> ratio = readrational(prop, info.mkrview);
    if (!ratio)
        return;
    if (ratio->num == INFINITY_CODE)
        formattext(prop, TEXT, "inf");
    else
        formattext(prop, TEXT, "%.2f m", static_cast<double>(ratio->num) / 1000);
}

// The E-3, E-5 and E-30 code a target mode and a point; other bodies of the
// Four Thirds era one of five places; E-M and OM bodies just a number.
void printafpoint(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    const numbers v = readnumbers(prop, info.mkrview, 1);
    if (!v.n)
        return;
    const char* model = info.model;
    const std::int64_t value = v.v[0];
    if (ismodel(model, "E-3") || ismodel(model, "E-5") || ismodel(model, "E-30")) {
        const char* mode = listentry(ol_aftarget, value & AF_MODE_BITS);
        if (mode)
            formattext(prop, TEXT, "%s, Point %lld", mode, static_cast<long long>(value & AF_POINT_BITS));
        else
            formattext(prop, TEXT, "%lld", static_cast<long long>(value));
    } else if (modelbegins(model, "E-M") || modelbegins(model, "OM-")) {
        formattext(prop, TEXT, "%lld", static_cast<long long>(value));
    } else {
        listtext(prop, ol_afpoint, value);
    }
}

// Degrees Celsius as stored by the E-1 and E-M5 and by fields of several
// values; other bodies store a reading that maps linearly to degrees, with
// 0 and -32768 for none. The mapping is unconfirmed: no sample holds a
// temperature measured another way to check it against.
void printtemperature(exif_prop* prop, const exif_info& info, const descr_entry*)
{
    constexpr std::int64_t NONE = -32768;
    const numbers v = readnumbers(prop, info.mkrview, 1);
    if (!v.n)
        return;
    const std::int64_t t = v.v[0];
    if (ismodel(info.model, "E-1") || ismodel(info.model, "E-M5") || prop->count > 1)
        formattext(prop, TEXT, "%lld C", static_cast<long long>(t));
    else if (t == 0 || t == NONE)
        formattext(prop, TEXT, "n/a");
    else
        formattext(prop, TEXT, "%.1f C", 84 - 3 * static_cast<double>(t) / 26);
}

// How each field of a directory is shown; a field without a rule keeps the
// text the directory reader gave it.
struct printrule {
    std::uint16_t tag;
    printer print;
    const descr_entry* list;
};

const printrule equipment_rules[] = {
    {0x0000, printversion,     nullptr},
    {0x0100, printcameratype,  nullptr},
    {0x0101, printtrimmed,     nullptr},
    {0x0103, printdiagonal,    nullptr},
    {0x0104, printfirmware,    nullptr},
    {0x0201, printlenstype,    nullptr},
    {0x0202, printtrimmed,     nullptr},
    {0x0203, printtrimmed,     nullptr},
    {0x0204, printfirmware,    nullptr},
    {0x0205, printaperture,    nullptr},
    {0x0206, printaperture,    nullptr},
    {0x0207, printmillimetres, nullptr},
    {0x0208, printmillimetres, nullptr},
    {0x020A, printaperture,    nullptr},
    {0x0301, printextender,    nullptr},
    {0x1000, printcode,        ol_flashtype},
    {0x1001, printcode,        ol_flashmodel},
    {0x1002, printfirmware,    nullptr},
};

const printrule camera_rules[] = {
    {0x0000, printversion,        nullptr},
    {0x0200, printcode,           ol_exposuremode},
    {0x0201, printcode,           ol_offon},
    {0x0202, printcode,           ol_metering},
    {0x0300, printcode,           ol_macro},
    {0x0301, printfocusmode,      nullptr},
    {0x0400, printflashmode,      nullptr},
    {0x0401, printev,             nullptr},
    {0x0500, printcode,           ol_whitebalance},
    {0x0501, printkelvin,         nullptr},
    {0x0505, printrange,          nullptr},
    {0x0506, printrange,          nullptr},
    {0x0507, printcode,           ol_colorspace},
    {0x0509, printcode,           ol_scene},
    {0x050A, printnoisereduction, nullptr},
    {0x050B, printcode,           ol_offon},
    {0x050C, printcode,           ol_offon},
    {0x050F, printgradation,      nullptr},
    {0x0520, printcode,           ol_picturemode},
    {0x0525, printcode,           ol_bwfilter},
    {0x0526, printcode,           ol_tone},
    {0x0527, printnoisefilter,    nullptr},
    {0x0529, printartfilter,      nullptr},
    {0x0600, printdrivemode,      nullptr},
    {0x0603, printcode,           ol_quality},
    {0x0604, printcode,           ol_stabilization},
    {0x0903, printroll,           nullptr},
    {0x0904, printpitch,          nullptr},
};

const printrule rawdev_rules[] = {
    {0x0000, printversion,        nullptr},
    {0x0100, printev,             nullptr},
    {0x0108, printcode,           ol_colorspace},
    {0x0109, printcode,           ol_engine},
    {0x010A, printnoisereduction, nullptr},
};

const printrule rawdev2_rules[] = {
    {0x0000, printversion,        nullptr},
    {0x0100, printev,             nullptr},
    {0x0109, printcode,           ol_colorspace},
    {0x010A, printnoisereduction, nullptr},
    {0x010B, printcode,           ol_engine},
    {0x010C, printcode,           ol_rawpicture},
    {0x0121, printartfilter,      nullptr},
};

const printrule imaging_rules[] = {
    {0x0000, printversion,        nullptr},
    {0x1010, printnoisereduction, nullptr},
    {0x1011, printcode,           ol_offon},
    {0x1012, printcode,           ol_offon},
    {0x101C, printcode,           ol_multiexposure},
    {0x1112, printaspect,         nullptr},
};

const printrule focus_rules[] = {
    {0x0000, printversion,       nullptr},
    {0x0305, printfocusdistance, nullptr},
    {0x0308, printafpoint,       nullptr},
    {0x1201, printexternalflash, nullptr},
    {0x1208, printcode,          ol_offon},
    {0x1209, printmanualflash,   nullptr},
    {0x1500, printtemperature,   nullptr},
};

struct directoryrules {
    const tag_def* table;
    std::span<const printrule> rules;
};
const directoryrules rules2[] = {
    {olympus_equipment_tags, equipment_rules},
    {olympus_camera_tags,    camera_rules},
    {olympus_rawdev_tags,    rawdev_rules},
    {olympus_rawdev2_tags,   rawdev2_rules},
    {olympus_imaging_tags,   imaging_rules},
    {olympus_focus_tags,     focus_rules},
};

const printrule* ruleof(const tag_def* table, std::uint16_t tag) noexcept
{
    for (const directoryrules& dir : rules2)
        if (dir.table == table) {
            for (const printrule& rule : dir.rules)
                if (rule.tag == tag)
                    return &rule;
            return nullptr;
        }
    return nullptr;
}

}  // namespace

// Columns: tag, type and count as written (0 = varies), level, name,
// description, value table, standard tag superseded.
//
// The main directory also holds fields of the older layout under their
// older keys, so that a key means one thing in either layout.
const tag_def olympus2_tags[] = {
    {0x0000, TYPE_UNDEFINED, 4,  LVL_VERBOSE, "MakerNoteVersion", "Maker Note Version",  nullptr},
    {0x0200, TYPE_LONG,      3,  LVL_UNKNOWN, "OlympusShootMode", "Shooting Mode",       nullptr},
    {0x0201, TYPE_SHORT,     1,  LVL_IMAGE,   "OlympusQuality",   "Compression Setting", olympus_quality},
    {0x0202, TYPE_SHORT,     1,  LVL_IMAGE,   "OlympusMacroMode", "Macro Mode",          olympus_macro},
    {0x0204, TYPE_RATIONAL,  1,  LVL_UNKNOWN, "OlympusDigiZoom",  "Digital Zoom",        nullptr},
    {0x0207, TYPE_ASCII,     5,  LVL_UNKNOWN, "FirmwareVer",      "Firmware Version",    nullptr},
    {0x0208, TYPE_ASCII,     52, LVL_UNKNOWN, "OlympusPicInfo",   "Picture Info",        nullptr},
    {0x0209, 0,              32, LVL_UNKNOWN, "OlympusCameraID",  "Camera ID",           nullptr},
    {0x2010, TYPE_IFD,       1,  LVL_VERBOSE, "Equipment",        "Equipment",           nullptr},
    {0x2020, TYPE_IFD,       1,  LVL_VERBOSE, "CameraSettings",   "Camera Settings",     nullptr},
    {0x2030, TYPE_IFD,       1,  LVL_VERBOSE, "RawDevelopment",   "Raw Development",     nullptr},
    {0x2031, TYPE_IFD,       1,  LVL_VERBOSE, "RawDevelopment2",  "Raw Development 2",   nullptr},
    {0x2040, TYPE_IFD,       1,  LVL_VERBOSE, "ImageProcessing",  "Image Processing",    nullptr},
    {0x2050, TYPE_IFD,       1,  LVL_VERBOSE, "FocusInfo",        "Focus Info",          nullptr},
    {0xFFFF, 0,              0,  LVL_UNKNOWN, "Unknown",          "Olympus Unknown",     nullptr},
};

const tag_def olympus_equipment_tags[] = {
    {0x0000, TYPE_UNDEFINED, 4,  LVL_VERBOSE, "EquipmentVersion",     "Equipment Version",      nullptr},
    {0x0100, TYPE_ASCII,     6,  LVL_CAMERA,  "CameraType",           "Camera Type",            nullptr},
    {0x0101, TYPE_ASCII,     32, LVL_CAMERA,  "SerialNumber",         "Serial Number",          nullptr},
    {0x0103, TYPE_RATIONAL,  1,  LVL_VERBOSE, "FocalPlaneDiagonal",   "Focal Plane Diagonal",   nullptr},
    {0x0104, TYPE_LONG,      1,  LVL_CAMERA,  "BodyFirmwareVersion",  "Body Firmware Version",  nullptr},
    {0x0201, TYPE_BYTE,      6,  LVL_IMAGE,   "LensType",             "Lens Type",              nullptr},
    {0x0202, TYPE_ASCII,     32, LVL_CAMERA,  "LensSerialNumber",     "Lens Serial Number",     nullptr},
    {0x0203, TYPE_ASCII,     0,  LVL_IMAGE,   "LensModel",            "Lens Model",             nullptr},
    {0x0204, TYPE_LONG,      1,  LVL_VERBOSE, "LensFirmwareVersion",  "Lens Firmware Version",  nullptr},
    {0x0205, TYPE_SHORT,     1,  LVL_IMAGE,   "MaxApertureMinFocal",  "Max Aperture Min Focal", nullptr},
    {0x0206, TYPE_SHORT,     1,  LVL_IMAGE,   "MaxApertureMaxFocal",  "Max Aperture Max Focal", nullptr},
    {0x0207, TYPE_SHORT,     1,  LVL_IMAGE,   "MinFocalLength",       "Min Focal Length",       nullptr},
    {0x0208, TYPE_SHORT,     1,  LVL_IMAGE,   "MaxFocalLength",       "Max Focal Length",       nullptr},
    {0x020A, TYPE_SHORT,     1,  LVL_IMAGE,   "MaxAperture",          "Max Aperture",           nullptr},
    {0x0301, TYPE_BYTE,      6,  LVL_VERBOSE, "Extender",             "Extender",               nullptr},
    {0x1000, TYPE_SHORT,     1,  LVL_VERBOSE, "FlashType",            "Flash Type",             nullptr},
    {0x1001, TYPE_SHORT,     1,  LVL_VERBOSE, "FlashModel",           "Flash Model",            nullptr},
    {0x1002, TYPE_LONG,      1,  LVL_VERBOSE, "FlashFirmwareVersion", "Flash Firmware Version", nullptr},
    {0xFFFF, 0,              0,  LVL_UNKNOWN, "Unknown",              "Olympus Unknown",        nullptr},
};

const tag_def olympus_camera_tags[] = {
    {0x0000, TYPE_UNDEFINED, 4, LVL_VERBOSE, "CameraSettingsVersion", "Camera Settings Version", nullptr},
    {0x0200, TYPE_SHORT,     1, LVL_IMAGE,   "ExposureMode",          "Exposure Mode",           nullptr},
    {0x0201, TYPE_SHORT,     1, LVL_VERBOSE, "AELock",                "AE Lock",                 nullptr},
    {0x0202, TYPE_SHORT,     1, LVL_IMAGE,   "MeteringMode",          "Metering Mode",           nullptr},
    {0x0300, TYPE_SHORT,     1, LVL_IMAGE,   "MacroMode",             "Macro Mode",              nullptr},
    {0x0301, TYPE_SHORT,     0, LVL_IMAGE,   "FocusMode",             "Focus Mode",              nullptr},
    {0x0400, TYPE_SHORT,     1, LVL_IMAGE,   "FlashMode",             "Flash Mode",              nullptr},
    {0x0401, TYPE_SRATIONAL, 1, LVL_VERBOSE, "FlashExposureComp",     "Flash Exposure Comp",     nullptr},
    {0x0500, TYPE_SHORT,     1, LVL_IMAGE,   "WhiteBalance",          "White Balance",           nullptr, 0xA403},
    {0x0501, TYPE_SHORT,     1, LVL_IMAGE,   "WBTemperature",         "WB Temperature",          nullptr},
    {0x0505, TYPE_SSHORT,    3, LVL_VERBOSE, "ContrastSetting",       "Contrast Setting",        nullptr},
    {0x0506, TYPE_SSHORT,    3, LVL_VERBOSE, "SharpnessSetting",      "Sharpness Setting",       nullptr},
    {0x0507, TYPE_SHORT,     1, LVL_VERBOSE, "ColorSpace",            "Color Space",             nullptr},
    {0x0509, TYPE_SHORT,     1, LVL_IMAGE,   "SceneMode",             "Scene Mode",              nullptr},
    {0x050A, TYPE_SHORT,     1, LVL_IMAGE,   "NoiseReduction",        "Noise Reduction",         nullptr},
    {0x050B, TYPE_SHORT,     1, LVL_VERBOSE, "DistortionCorrection",  "Distortion Correction",   nullptr},
    {0x050C, TYPE_SHORT,     1, LVL_VERBOSE, "ShadingCompensation",   "Shading Compensation",    nullptr},
    {0x050F, TYPE_SSHORT,    0, LVL_VERBOSE, "Gradation",             "Gradation",               nullptr},
    {0x0520, TYPE_SHORT,     0, LVL_IMAGE,   "PictureMode",           "Picture Mode",            nullptr},
    {0x0525, TYPE_SSHORT,    1, LVL_VERBOSE, "PMBWFilter",            "PM B&W Filter",           nullptr},
    {0x0526, TYPE_SSHORT,    1, LVL_VERBOSE, "PictureModeTone",       "Picture Mode Tone",       nullptr},
    {0x0527, TYPE_SSHORT,    3, LVL_VERBOSE, "NoiseFilter",           "Noise Filter",            nullptr},
    {0x0529, TYPE_SHORT,     4, LVL_IMAGE,   "ArtFilter",             "Art Filter",              nullptr},
    {0x0600, TYPE_SHORT,     0, LVL_IMAGE,   "DriveMode",             "Drive Mode",              nullptr},
    {0x0603, TYPE_SHORT,     1, LVL_IMAGE,   "ImageQuality",          "Image Quality",           nullptr},
    {0x0604, TYPE_LONG,      1, LVL_IMAGE,   "ImageStabilization",    "Image Stabilization",     nullptr},
    {0x0903, TYPE_SSHORT,    2, LVL_VERBOSE, "RollAngle",             "Roll Angle",              nullptr},
    {0x0904, TYPE_SSHORT,    2, LVL_VERBOSE, "PitchAngle",            "Pitch Angle",             nullptr},
    {0xFFFF, 0,              0, LVL_UNKNOWN, "Unknown",               "Olympus Unknown",         nullptr},
};

const tag_def olympus_rawdev_tags[] = {
    {0x0000, TYPE_UNDEFINED, 4, LVL_VERBOSE, "RawDevVersion",  "Raw Development Version", nullptr},
    {0x0100, TYPE_SRATIONAL, 1, LVL_VERBOSE, "ExposureBias",   "Exposure Bias",           nullptr},
    {0x0108, TYPE_SHORT,     1, LVL_VERBOSE, "ColorSpace",     "Color Space",             nullptr},
    {0x0109, TYPE_SHORT,     1, LVL_VERBOSE, "Engine",         "Engine",                  nullptr},
    {0x010A, TYPE_SHORT,     1, LVL_VERBOSE, "NoiseReduction", "Noise Reduction",         nullptr},
    {0xFFFF, 0,              0, LVL_UNKNOWN, "Unknown",        "Olympus Unknown",         nullptr},
};

const tag_def olympus_rawdev2_tags[] = {
    {0x0000, TYPE_UNDEFINED, 4, LVL_VERBOSE, "RawDevVersion",  "Raw Development Version", nullptr},
    {0x0100, TYPE_SRATIONAL, 1, LVL_VERBOSE, "ExposureBias",   "Exposure Bias",           nullptr},
    {0x0109, TYPE_SHORT,     1, LVL_VERBOSE, "ColorSpace",     "Color Space",             nullptr},
    {0x010A, TYPE_SHORT,     1, LVL_VERBOSE, "NoiseReduction", "Noise Reduction",         nullptr},
    {0x010B, TYPE_SHORT,     1, LVL_VERBOSE, "Engine",         "Engine",                  nullptr},
    {0x010C, TYPE_SHORT,     1, LVL_VERBOSE, "PictureMode",    "Picture Mode",            nullptr},
    {0x0121, TYPE_SHORT,     0, LVL_VERBOSE, "ArtFilter",      "Art Filter",              nullptr},
    {0xFFFF, 0,              0, LVL_UNKNOWN, "Unknown",        "Olympus Unknown",         nullptr},
};

const tag_def olympus_imaging_tags[] = {
    {0x0000, TYPE_UNDEFINED, 4, LVL_VERBOSE, "ImageProcessingVersion", "Image Processing Version", nullptr},
    {0x1010, TYPE_SHORT,     1, LVL_VERBOSE, "NoiseReduction2",        "Noise Reduction 2",        nullptr},
    {0x1011, TYPE_SHORT,     1, LVL_VERBOSE, "DistortionCorr2",        "Distortion Corr. 2",       nullptr},
    {0x1012, TYPE_SHORT,     1, LVL_VERBOSE, "ShadingComp2",           "Shading Comp. 2",          nullptr},
    {0x101C, TYPE_SHORT,     2, LVL_VERBOSE, "MultipleExposureMode",   "Multiple Exposure Mode",   nullptr},
    {0x1112, TYPE_BYTE,      2, LVL_VERBOSE, "AspectRatio",            "Aspect Ratio",             nullptr},
    {0xFFFF, 0,              0, LVL_UNKNOWN, "Unknown",                "Olympus Unknown",          nullptr},
};

const tag_def olympus_focus_tags[] = {
    {0x0000, TYPE_UNDEFINED, 4, LVL_VERBOSE, "FocusInfoVersion",  "Focus Info Version", nullptr},
    {0x0305, TYPE_RATIONAL,  1, LVL_IMAGE,   "FocusDistance",     "Focus Distance",     nullptr},
    {0x0308, TYPE_SHORT,     1, LVL_IMAGE,   "AFPoint",           "AF Point",           nullptr},
    {0x1201, TYPE_SHORT,     2, LVL_VERBOSE, "ExternalFlash",     "External Flash",     nullptr},
    {0x1208, TYPE_SHORT,     0, LVL_VERBOSE, "InternalFlash",     "Internal Flash",     nullptr},
    {0x1209, TYPE_SHORT,     2, LVL_VERBOSE, "ManualFlash",       "Manual Flash",       nullptr},
    {0x1500, TYPE_SSHORT,    1, LVL_VERBOSE, "SensorTemperature", "Sensor Temperature", nullptr},
    {0xFFFF, 0,              0, LVL_UNKNOWN, "Unknown",           "Olympus Unknown",    nullptr},
};

void olympus2_prop(exif_prop* prop, exif_info* info)
{
    // Fields of the older layout in the main directory read as they do there.
    if (prop->tagset == olympus2_tags) {
        if (prop->tag == TAG_VERSION)
            printversion(prop, *info, nullptr);
        else
            olympus_prop(prop, info);
        return;
    }
    // A tag the tables do not list keeps its stored text.
    if (prop->lvl == LVL_UNKNOWN)
        return;
    if (const printrule* rule = ruleof(prop->tagset, prop->tag))
        rule->print(prop, *info, rule->list);
    if (prop->tagset == olympus_camera_tags && prop->tag == TAG_WHITEBALANCE)
        supersede(prop);
}

ifd_block* olympus_subdirectory(const exif_prop* prop, const tiff_view& view)
{
    if ((prop->type != TYPE_IFD && prop->type != TYPE_LONG) || prop->count != 1)
        return nullptr;
    for (const pointerrow& row : pointers2)
        if (row.tag == prop->tag) {
            ifd_block* dir = readone(prop->value, row.table, view);
            if (!dir)
                detail::warn(prop->ctx, "invalid field offset", prop->name);
            return dir;
        }
    return nullptr;
}

ifd_block* olympus_ifd(std::uint32_t offset, tiff_view* view)
{
    for (const layout2& layout : layouts2)
        if (noteheader(*view, offset, layout.name, layout.length))
            if (const std::optional<ifd_block*> dir = readlayout2(offset, layout.length, view))
                return *dir;
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
