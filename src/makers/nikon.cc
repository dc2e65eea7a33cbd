// Nikon maker notes: three layouts told apart by a "Nikon" signature and a
// version, and the texts of the fields that need arithmetic or decoding.
#include "makers/nikon.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "exif/context.h"
#include "exif/directory.h"
#include "exif/proptext.h"
#include "exif/texts.h"
#include "exif/view.h"
#include "exifkit/errors.h"
#include "makers/common.h"

namespace exifkit {

namespace {

const descr_entry nikon_quality[] = {
    {1,  "VGA Basic"},
    {2,  "VGA Normal"},
    {3,  "VGA Fine"},
    {4,  "SXGA Basic"},
    {5,  "SXGA Normal"},
    {6,  "SXGA Fine"},
    {10, "UXGA Basic"},
    {11, "UXGA Normal"},
    {12, "UXGA Fine"},
    {-1, "Unknown"},
};

const descr_entry nikon_color[] = {
    {1,  "Color"},
    {2,  "Monochrome"},
    {-1, "Unknown"},
};

const descr_entry nikon_adjust[] = {
    {0,  "Normal"},
    {1,  "Bright(+)"},
    {2,  "Bright(-)"},
    {3,  "Contrast(+)"},
    {4,  "Contrast(-)"},
    {-1, "Unknown"},
};

const descr_entry nikon_ccd[] = {
    {0,  "ISO 80"},
    {2,  "ISO 160"},
    {4,  "ISO 320"},
    {5,  "ISO 100"},
    {-1, "Unknown"},
};

const descr_entry nikon_white[] = {
    {0,  "Auto"},
    {1,  "Preset"},
    {2,  "Daylight"},
    {3,  "Incandescent"},
    {4,  "Fluorescent"},
    {5,  "Cloudy"},
    {6,  "Speedlight"},
    {-1, "Unknown"},
};

const descr_entry nikon_convert[] = {
    {0,  "None"},
    {2,  "Fisheye"},
    {-1, "Unknown"},
};

const descr_entry nikon_flash[] = {
    {0,  "No"},
    {9,  "Fired"},
    {-1, "Unknown"},
};

const descr_entry nikon_lenstype[] = {
    {6,  "Nikon D Series"},
    {14, "Nikon G Series"},
    {-1, "Unknown"},
};

const descr_entry nikon_afmode[] = {
    {0,  "Single Area"},
    {1,  "Dynamic Area"},
    {2,  "Closest Subject"},
    {-1, "Unknown"},
};

const descr_entry nikon_afpos[] = {
    {0,  "Center"},
    {1,  "Top"},
    {2,  "Bottom"},
    {3,  "Left"},
    {4,  "Right"},
    {-1, "Unknown"},
};

const descr_entry nikon_shoot[] = {
    {0,  "Single Frame"},
    {1,  "Continuous"},
    {2,  "Timer"},
    {3,  "Remote Timer"},
    {4,  "Remote"},
    {-1, "Unknown"},
};

}  // namespace

const tag_def nikon_tags0[] = {
    {0x0003, 3, 1, LVL_IMAGE,   "NikonQuality",      "Image Quality",    nikon_quality},
    {0x0004, 3, 1, LVL_IMAGE,   "NikonColor",        "Color Mode",       nikon_color},
    {0x0005, 3, 1, LVL_IMAGE,   "NikonImgAdjust",    "Image Adjustment", nikon_adjust},
    {0x0006, 3, 1, LVL_IMAGE,   "NikonCCDSensitive", "CCD Sensitivity",  nikon_ccd},
    {0x0007, 3, 1, LVL_IMAGE,   "NikonWhiteBal",     "White Balance",    nikon_white},
    {0x0008, 5, 1, LVL_UNKNOWN, "NikonFocus",        "Focus",            nullptr},
    {0x000A, 5, 1, LVL_IMAGE,   "NikonDigiZoom",     "Digital Zoom",     nullptr},
    {0x000B, 3, 1, LVL_IMAGE,   "NikonAdapter",      "Lens Adapter",     nikon_convert},
    {0xFFFF, 0, 0, LVL_UNKNOWN, "Unknown",           "Nikon Unknown",    nullptr},
};

// Columns: tag, type, count, level, name, description, value table,
// standard tag superseded.
const tag_def nikon_tags1[] = {
    {0x0001, 7,  4, LVL_VERBOSE, "NikonVersion",        "Nikon Note Version",         nullptr,     0},
    {0x0002, 3,  2, LVL_IMAGE,   "NikonISOUsed",        "ISO Speed Used",             nullptr,     0},
    {0x0003, 2,  0, LVL_IMAGE,   "NikonColorMode1",     "Color Mode",                 nullptr,     0},
    {0x0004, 2,  0, LVL_IMAGE,   "NikonQuality",        "Image Quality",              nullptr,     0},
    {0x0005, 2,  0, LVL_IMAGE,   "NikonWhiteBal",       "White Balance",              nullptr,     0xA403},
    {0x0006, 2,  0, LVL_IMAGE,   "NikonImgSharp",       "Image Sharpening",           nullptr,     0},
    {0x0007, 2,  0, LVL_IMAGE,   "NikonFocusMode",      "Focus Mode",                 nullptr,     0},
    {0x0008, 2,  0, LVL_IMAGE,   "NikonFlashSet",       "Flash Setting",              nullptr,     0},
    {0x0009, 2,  0, LVL_IMAGE,   "NikonAutoFlash",      "Auto Flash Mode",            nullptr,     0},
    {0x000B, 8,  1, LVL_UNKNOWN, "NikonWhiteBalBias",   "White Balance Bias",         nullptr,     0},
    {0x000F, 2,  0, LVL_IMAGE,   "NikonISOSelect",      "ISO Selection",              nullptr,     0},
    {0x0012, 7,  4, LVL_IMAGE,   "NikonFlashComp",      "Flash Compensation",         nullptr,     0},
    {0x0013, 3,  2, LVL_IMAGE,   "NikonISOReq",         "ISO Speed Requested",        nullptr,     0},
    {0x0018, 7,  4, LVL_IMAGE,   "NikonFlashBrackComp", "Flash Bracket Compensation", nullptr,     0},
    {0x0019, 10, 1, LVL_IMAGE,   "NikonAEBrackComp",    "AE Bracket Compensation",    nullptr,     0},
    {0x0080, 2,  0, LVL_IMAGE,   "NikonImgAdjust",      "Image Adjustment",           nullptr,     0},
    {0x0081, 2,  0, LVL_IMAGE,   "NikonToneComp",       "Tone Compensation",          nullptr,     0},
    {0x0082, 2,  0, LVL_IMAGE,   "NikonLensAdapter",    "Lens Adapter",               nullptr,     0},
    {0x0083, 1,  1, LVL_IMAGE,   "NikonLensType",       "Lens Type",                  nullptr,     0},
    {0x0084, 5,  4, LVL_IMAGE,   "NikonLensRange",      "Lens Range",                 nullptr,     0},
    {0x0085, 5,  1, LVL_IMAGE,   "NikonFocusDist",      "Focus Distance",             nullptr,     0},
    {0x0086, 5,  1, LVL_IMAGE,   "NikonDigiZoom",       "Digital Zoom",               nullptr,     0},
    {0x0087, 1,  1, LVL_VERBOSE, "NikonFlashUsed",      "Flash Used",                 nikon_flash, 0},
    {0x0088, 7,  4, LVL_IMAGE,   "NikonAutoFocus",      "Auto Focus",                 nullptr,     0},
    {0x0089, 0,  1, LVL_IMAGE,   "NikonShootBrack",     "Shooting/Bracketing Mode",   nullptr,     0},
    {0x008D, 2,  0, LVL_IMAGE,   "NikonColorMode2",     "Color Mode",                 nullptr,     0},
    {0x008F, 2,  0, LVL_IMAGE,   "NikonSceneMode",      "Scene Mode",                 nullptr,     0},
    {0x0090, 2,  0, LVL_IMAGE,   "NikonLighting",       "Lighting Type",              nullptr,     0},
    {0x0092, 8,  1, LVL_UNKNOWN, "NikonHueAdjust",      "Hue Adjustment",             nullptr,     0},
    {0x0094, 8,  1, LVL_IMAGE,   "NikonSaturate",       "Saturation",                 nullptr,     0},
    {0x0095, 2,  0, LVL_IMAGE,   "NikonNoiseReduce",    "Noise Reduction",            nullptr,     0},
    {0x00A0, 2,  0, LVL_CAMERA,  "NikonSerial",         "Serial Number",              nullptr,     0},
    {0x00A7, 4,  1, LVL_IMAGE,   "NikonAcuations",      "Camera Actuations",          nullptr,     0},
    {0x00A9, 2,  0, LVL_IMAGE,   "NikonImageOpt",       "Image Optimization",         nullptr,     0},
    {0x00AA, 2,  0, LVL_IMAGE,   "NikonSaturate2",      "Saturation 2",               nullptr,     0xA409},
    {0x00AB, 2,  0, LVL_IMAGE,   "NikonDigiProg",       "Digital Vari-Program",       nullptr,     0},
    {0xFFFF, 0,  0, LVL_UNKNOWN, "Unknown",             "Nikon Unknown",              nullptr,     0},
};

namespace {

constexpr std::size_t TEXT = 32;
constexpr std::size_t AFTEXT = 64;      // "Closest Subject, Bottom Selected, Right Focused"
constexpr std::size_t SHOOTTEXT = 48;   // "Remote Timer/On, White Balance"

// "Nikon" and its zero byte.
constexpr char SIGNATURE[] = "Nikon";
constexpr std::uint32_t VERSION_AT = 6;     // big-endian version behind the signature
constexpr std::uint32_t V1_DIRECTORY = 8;   // version 1: the directory follows the version
constexpr std::uint32_t V2_TIFF = 10;       // version 2: an embedded TIFF header of 8 bytes
constexpr std::uint32_t V2_HEADER_END = V2_TIFF + 8;

constexpr std::uint16_t SATURATION = 0xA409;

// Version 2 carries a TIFF header at byte 10 whose byte order and origin
// govern every offset of the note. The view changes only for a sound header.
ifd_block* version2(std::uint32_t offset, tiff_view* view)
{
    const auto note = cursor(*view).bytes(offset, V2_HEADER_END);
    const int order = note ? tifforder(note->data() + V2_TIFF) : -1;
    if (order < 0) {
        detail::warn(view->ctx, "invalid Nikon TIFF header");
        return nullptr;
    }
    view->order = order;
    view->base = note->data() + V2_TIFF;
    return readone(cursor(*view).u32(4).value_or(0), nikon_tags1, *view);
}

void settext(exif_prop* prop, const char* text)
{
    rewrite(prop, std::strlen(text) + 1).put(text);
}

// Byte k of the entry's value field as stored, whatever the note's byte order.
unsigned char storedbyte(const exif_prop* prop, const exif_info* info, int k)
{
    return storedbytes(prop->value, info->mkrview.order).b[k];
}

// The rational at the property's offset, for a property the reader gave a text
// (a rational that lies inside the block).
bool noterational(const exif_prop* prop, const exif_info* info, urational* r)
{
    const std::optional<urational> value = prop->str ? cursor(info->mkrview).rational(prop->value) : std::nullopt;
    if (value)
        *r = *value;
    return value.has_value();
}

double uquotient(urational r)
{
    return static_cast<float>(r.num) / static_cast<float>(r.den);
}

double squotient(urational r)
{
    return static_cast<float>(static_cast<std::int32_t>(r.num)) /
           static_cast<float>(static_cast<std::int32_t>(r.den));
}

// A text not worth showing with the camera's settings.
void quiettext(exif_prop* prop, const char* text)
{
    settext(prop, text);
    prop->lvl = LVL_VERBOSE;
}

// No zoom is quiet: version 1 writes it as a zero numerator, version 2 as a
// zero numerator or a ratio of one.
void digitalzoom(exif_prop* prop, const exif_info* info, nozoom rule)
{
    urational r;
    if (noterational(prop, info, &r) && !zoomtext(prop, r, rule))
        prop->lvl = LVL_VERBOSE;
}

bool isdigits(const valuebytes& v)
{
    return std::all_of(std::begin(v.b), std::end(v.b), [](unsigned char c) { return c >= '0' && c <= '9'; });
}

// Four digits, "0210" for 2.10, or, in older notes, two 16-bit numbers stored
// first byte high whatever the note's byte order: 00 02 00 00 is 2.0.
void noteversion(exif_prop* prop, const exif_info* info)
{
    const valuebytes v = storedbytes(prop->value, info->mkrview.order);
    const bool digits = isdigits(v);
    const int major = digits ? twodigits(v.b[0], v.b[1]) : v.b[0] << 8 | v.b[1];
    const int minor = digits ? twodigits(v.b[2], v.b[3]) : v.b[2] << 8 | v.b[3];
    rewrite(prop, sizeof "65535.65535").num(major).put('.').num(minor);
}

// The second of the two shorts, so the same stored data read alike in both orders.
void iso(exif_prop* prop, const exif_info* info)
{
    const int order = info->mkrview.order;
    const unsigned speed = get16(storedbytes(prop->value, order).b + 2, order);
    formattext(prop, TEXT, "%u", speed);
    if (!speed)
        prop->lvl = LVL_VERBOSE;
}

// Byte 0 is a signed number of sixths of an EV.
void flashcompensation(exif_prop* prop, const exif_info* info)
{
    const auto sixths = static_cast<signed char>(storedbyte(prop, info, 0));
    formattext(prop, 10, "%.1f EV", sixths / 6.0);
}

// 0/0 is no compensation; any other zero denominator has no value.
void aebracket(exif_prop* prop, const exif_info* info)
{
    urational r;
    if (!noterational(prop, info, &r))
        return;
    if (r.num && !r.den)
        quiettext(prop, "n/a");
    else
        formattext(prop, TEXT, "%.1f EV", r.den ? squotient(r) : 0.0);
}

// Focal lengths r[0]-r[1] and f-numbers r[2]-r[3]; a range whose ends are the
// same rational prints one number. Four rationals are read whatever the count
// says, only when they lie inside the block.
void lensrange(exif_prop* prop, const exif_info* info)
{
    const cursor at(info->mkrview);
    if (!at.has(prop->value, 8ull * prop->count) || !at.has(prop->value, 32))
        return;
    urational r[4];
    for (std::uint32_t i = 0; i < 4; i++) {
        r[i] = *at.rational(prop->value, i);
        if (!r[i].den) {
            quiettext(prop, "n/a");
            return;
        }
    }
    const double f0 = uquotient(r[0]), f1 = uquotient(r[1]), a0 = uquotient(r[2]), a1 = uquotient(r[3]);
    const bool prime = r[0] == r[1], fixed = r[2] == r[3];
    if (prime && fixed)
        formattext(prop, TEXT, "%.1f mm; f/%.1f", f0, a0);
    else if (prime)
        formattext(prop, TEXT, "%.1f mm; f/%.1f - f/%.1f", f0, a0, a1);
    else if (fixed)
        formattext(prop, TEXT, "%.1f - %.1f mm; f/%.1f", f0, f1, a0);
    else
        formattext(prop, TEXT, "%.1f - %.1f mm; f/%.1f - f/%.1f", f0, f1, a0, a1);
}

void focusdistance(exif_prop* prop, const exif_info* info)
{
    urational r;
    if (!noterational(prop, info, &r))
        return;
    if (r.num == r.den || !r.den)
        quiettext(prop, "n/a");
    else
        formattext(prop, TEXT, "x%.1f m", uquotient(r));
}

// Bytes: mode, selected point, (unused), focused point. A field of zeros but
// for byte 2 names the point alone.
void autofocus(exif_prop* prop, const exif_info* info)
{
    const valuebytes v = storedbytes(prop->value, info->mkrview.order);
    if (!v.b[0] && !v.b[1] && !v.b[3]) {
        if (prop->str && detail::tracing(prop->ctx))
            std::fprintf(detail::traceout(prop->ctx), "   %s: replacing the text \"%s\"\n", prop->name, prop->str);
        describe(prop, nikon_afpos, v.b[2]);
        return;
    }
    const char* mode = descrtext(nikon_afmode, v.b[0]);
    const char* focused = descrtext(nikon_afpos, v.b[3]);
    if (v.b[1] == v.b[3])
        formattext(prop, AFTEXT, "%s, %s", mode, focused);
    else
        formattext(prop, AFTEXT, "%s, %s Selected, %s Focused", mode, descrtext(nikon_afpos, v.b[1]), focused);
}

// The mode byte: a BYTE field's first byte, a SHORT's high byte (which becomes
// the value), any other field's value. Bits 0-1 the shooting mode, 0x10
// bracketing on, 0x40 white-balance bracketing.
void shootingmode(exif_prop* prop, const exif_info* info)
{
    if (prop->type == TYPE_BYTE)
        prop->value = storedbyte(prop, info, 0);
    else if (prop->type == TYPE_SHORT)
        prop->value = (prop->value >> 8) & 0xFF;
    const std::uint32_t b = prop->value;
    const char* bracketing = b & 0x40 ? (b & 0x10 ? "On, White Balance" : "Off, White Balance")
                                      : (b & 0x10 ? "On" : "Off");
    formattext(prop, SHOOTTEXT, "%s/%s", descrtext(nikon_shoot, b & 3), bracketing);
}

void colormode(exif_prop* prop)
{
    static const struct { const char *prefix, *text; } modes[] = {
        {"MODE1a", "Portrait sRGB"},
        {"MODE2",  "Adobe RGB"},
        {"MODE3a", "Landscape sRGB"},
    };
    if (!prop->str)
        return;
    for (const auto& m : modes)
        if (!std::strncmp(prop->str, m.prefix, std::strlen(m.prefix))) {
            settext(prop, m.text);
            return;
        }
}

void saturation(exif_prop* prop)
{
    const auto level = static_cast<std::int16_t>(prop->value);
    if (level == 0 || level == -3) {
        settext(prop, level ? "Black & White" : "Normal");
        prop->override = SATURATION;
    } else {
        prop->lvl = LVL_VERBOSE;
    }
}

// "NO= 3012345" and "  3012345" read "3012345"; blanks alone stay.
void serialnumber(exif_prop* prop)
{
    if (!prop->str)
        return;
    const char* text = prop->str;
    if (!std::strncmp(text, "NO= ", 4))
        text += 4;
    const char* digits = text + std::strspn(text, " ");
    if (*digits)
        text = digits;
    // Moves the kept tail to the front, within the text's own length.
    if (text != prop->str)
        std::memmove(prop->str, text, std::strlen(text) + 1);
}

void version2prop(exif_prop* prop, exif_info* info)
{
    switch (prop->tag) {
    case 0x0001: noteversion(prop, info); break;
    case 0x0002:
    case 0x0013: iso(prop, info); break;
    case 0x0012:
    case 0x0018: flashcompensation(prop, info); break;
    case 0x0019: aebracket(prop, info); break;
    case 0x0083: describe(prop, nikon_lenstype, storedbyte(prop, info, 0)); break;
    case 0x0084: lensrange(prop, info); break;
    case 0x0085: focusdistance(prop, info); break;
    case 0x0086: digitalzoom(prop, info, nozoom::one_or_zero); break;
    case 0x0088: autofocus(prop, info); break;
    case 0x0089: shootingmode(prop, info); break;
    case 0x008D: colormode(prop); break;
    case 0x0094: saturation(prop); break;
    case 0x00A0: serialnumber(prop); break;
    default: break;
    }
}

}  // namespace

ifd_block* nikon_ifd(std::uint32_t offset, tiff_view* view)
{
    if (!noteheader(*view, offset, SIGNATURE, sizeof SIGNATURE))
        return readone(offset, nikon_tags1, *view);
    // A signed note too short to hold its version has none we support.
    switch (cursor(inorder(*view, ORDER_BIG)).u16(offset + VERSION_AT).value_or(0)) {
    case 0x0100: return readone(offset + V1_DIRECTORY, nikon_tags0, *view);
    case 0x0200:
    case 0x0210: return version2(offset, view);
    default:
        detail::warn(view->ctx, "Nikon maker note version not supported");
        return nullptr;
    }
}

void nikon_prop(exif_prop* prop, exif_info* info)
{
    const tag_def& row = *tagrow(prop->tagset, prop->tag);
    checkexpected(*prop, row);
    prop->override = row.supersedes;
    if (prop->tagset == nikon_tags1)
        version2prop(prop, info);
    else if (prop->tag == 0x000A)
        digitalzoom(prop, info, nozoom::zero);
}

}  // namespace exifkit
