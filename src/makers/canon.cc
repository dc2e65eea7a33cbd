// The Canon maker note: one TIFF directory at the first byte of the MakerNote
// field, in the byte order of the Exif block and with offsets counted from its
// TIFF header. Most of what it holds sits in arrays of 16-bit values, which are
// unpacked into one sub-value per position; a few properties are derived from
// several positions, and some supersede their standard counterparts.
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "exif/context.h"
#include "exif/directory.h"
#include "exif/proptext.h"
#include "exif/view.h"
#include "exifkit/errors.h"
#include "exifkit/makers.h"
#include "makers/canon.h"
#include "makers/canoncustom.h"
#include "makers/common.h"

namespace exifkit {

namespace {

constexpr std::size_t TEXT = 32;
constexpr std::size_t EVTEXT = 16;
constexpr const char* CORRUPT = "Canon maker tag appears corrupt";
constexpr const char* CUSTOM_CORRUPT = "Canon custom tag appears corrupt";
constexpr const char* NO_MODEL = "Canon model unset; please report to author";

constexpr std::uint16_t TAG_SUBJECTDIST = 0x9206;

const descr_entry canon_macro[] = {
    {1,  "Macro"},
    {2,  "Normal"},
    {-1, "Unknown"},
};

const descr_entry canon_quality[] = {
    {2,  "Normal"},
    {3,  "Fine"},
    {5,  "Superfine"},
    {-1, "Unknown"},
};

const descr_entry canon_flash[] = {
    {0,  "Off"},
    {1,  "Auto"},
    {2,  "On"},
    {3,  "Red-Eye Reduction"},
    {4,  "Slow-Synchro"},
    {5,  "Red-Eye Reduction (Auto)"},
    {6,  "Red-Eye Reduction (On)"},
    {16, "External Flash"},
    {-1, "Unknown"},
};

const descr_entry canon_drive[] = {
    {0,  "Single"},
    {1,  "Continuous"},
    {-1, "Unknown"},
};

const descr_entry canon_focus1[] = {
    {0,  "One-Shot"},
    {1,  "AI Servo"},
    {2,  "AI Focus"},
    {3,  "Manual"},
    {4,  "Single"},
    {5,  "Continuous"},
    {6,  "Manual"},
    {-1, "Unknown"},
};

const descr_entry canon_imagesz[] = {
    {0,  "Large"},
    {1,  "Medium"},
    {2,  "Small"},
    {-1, "Unknown"},
};

const descr_entry canon_shoot[] = {
    {0,  "Full Auto"},
    {1,  "Manual"},
    {2,  "Landscape"},
    {3,  "Fast Shutter"},
    {4,  "Slow Shutter"},
    {5,  "Night"},
    {6,  "Black & White"},
    {7,  "Sepia"},
    {8,  "Portrait"},
    {9,  "Sports"},
    {10, "Macro/Close-Up"},
    {11, "Pan Focus"},
    {19, "Indoor"},
    {22, "Underwater"},
    {24, "Kids & Pets"},
    {25, "Night Snapshot"},
    {-1, "Unknown"},
};

// Contrast, saturation and sharpness.
const descr_entry canon_range[] = {
    {0,     "Normal"},
    {1,     "High"},
    {65535, "Low"},
    {-1,    "Unknown"},
};

const descr_entry canon_iso[] = {
    {15, "Auto"},
    {16, "50"},
    {17, "100"},
    {18, "200"},
    {19, "400"},
    {-1, "Unknown"},
};

const descr_entry canon_meter[] = {
    {0,  "Default"},
    {1,  "Spot"},
    {3,  "Evaluative"},
    {4,  "Partial"},
    {5,  "Center-Weighted"},
    {-1, "Unknown"},
};

const descr_entry canon_focustype[] = {
    {0,  "Manual"},
    {1,  "Auto"},
    {2,  "Auto"},
    {3,  "Close-Up (Macro Mode)"},
    {7,  "Infinity Mode"},
    {8,  "Locked (Pan Mode)"},
    {-1, "Unknown"},
};

const descr_entry canon_expmode[] = {
    {0,  "Easy Shooting"},
    {1,  "Program"},
    {2,  "Tv-Priority"},
    {3,  "Av-Priority"},
    {4,  "Manual"},
    {5,  "A-DEP"},
    {6,  "DEP"},
    {-1, "Unknown"},
};

const descr_entry canon_whitebal[] = {
    {0,  "Auto"},
    {1,  "Daylight"},
    {2,  "Cloudy"},
    {3,  "Tungsten"},
    {4,  "Fluorescent"},
    {5,  "Flash"},
    {6,  "Custom"},
    {7,  "Black & White"},
    {8,  "Shade"},
    {9,  "Manual Temperature"},
    {14, "Daylight Fluorescent"},
    {15, "Custom 1"},
    {16, "Custom 2"},
    {17, "Underwater"},
    {-1, "Unknown"},
};

const descr_entry canon_dzoom[] = {
    {0,  "None"},
    {1,  "x2"},
    {2,  "x4"},
    {-1, "Unknown"},
};

}  // namespace

const tag_def canon_tags[] = {
    {0x0001, 3, 0,  LVL_UNKNOWN, "Canon1Tag",    "Canon Tag1 Offset",  nullptr},
    {0x0004, 3, 0,  LVL_UNKNOWN, "Canon4Tag",    "Canon Tag4 Offset",  nullptr},
    {0x0006, 2, 32, LVL_VERBOSE, "ImageType",    "Image Type",         nullptr},
    {0x0007, 2, 24, LVL_CAMERA,  "FirmwareVer",  "Firmware Version",   nullptr},
    {0x0008, 4, 1,  LVL_IMAGE,   "ImgNum",       "Image Number",       nullptr},
    {0x0009, 2, 32, LVL_CAMERA,  "OwnerName",    "Owner Name",         nullptr},
    {0x000C, 4, 1,  LVL_CAMERA,  "Serial",       "Serial Number",      nullptr},
    {0x000F, 3, 0,  LVL_UNKNOWN, "CustomFunc",   "Custom Function",    nullptr},
    {0x0090, 3, 0,  LVL_UNKNOWN, "CustomFunc",   "Custom Function",    nullptr},
    {0x0093, 3, 0,  LVL_UNKNOWN, "Canon93Tag",   "Canon Tag93 Offset", nullptr},
    {0x00A0, 3, 0,  LVL_UNKNOWN, "CanonA0Tag",   "Canon TagA0 Offset", nullptr},
    {0xFFFF, 0, 0,  LVL_UNKNOWN, "CanonUnknown", "Canon Unknown",      nullptr},
};

// Columns: position, type, count, level, name, description, value table,
// standard tag superseded.
const tag_def canon_tags01[] = {
    {0,      3, 0, LVL_VERBOSE, "Canon1Len",       "Canon Tag1 Length",    nullptr,         0},
    {1,      3, 0, LVL_IMAGE,   "CanonMacroMode",  "Macro Mode",           canon_macro,     0},
    {2,      3, 0, LVL_VERBOSE, "CanonTimerLen",   "Self-Timer Length",    nullptr,         0},
    {3,      3, 0, LVL_IMAGE,   "CanonQuality",    "Compression Setting",  canon_quality,   0},
    {4,      3, 0, LVL_IMAGE,   "CanonFlashMode",  "Flash Mode",           canon_flash,     0},
    {5,      3, 0, LVL_IMAGE,   "CanonDriveMode",  "Drive Mode",           canon_drive,     0},
    {7,      3, 0, LVL_IMAGE,   "CanonFocusMode",  "Focus Mode",           canon_focus1,    0},
    {10,     3, 0, LVL_IMAGE,   "CanonImageSize",  "Image Size",           canon_imagesz,   0},
    {11,     3, 0, LVL_IMAGE,   "CanonShootMode",  "Shooting Mode",        canon_shoot,     0},
    {12,     3, 0, LVL_VERBOSE, "CanonDigiZoom",   "Digital Zoom",         nullptr,         0},
    {13,     3, 0, LVL_IMAGE,   "CanonContrast",   "Contrast",             canon_range,     0},
    {14,     3, 0, LVL_IMAGE,   "CanonSaturate",   "Saturation",           canon_range,     0},
    {15,     3, 0, LVL_IMAGE,   "CanonSharpness",  "Sharpness",            canon_range,     0},
    {16,     3, 0, LVL_IMAGE,   "CanonISO",        "ISO Speed Rating",     canon_iso,       0x8827},
    {17,     3, 0, LVL_IMAGE,   "CanonMeterMode",  "Metering Mode",        canon_meter,     0x9207},
    {18,     3, 0, LVL_IMAGE,   "CanonFocusType",  "Focus Type",           canon_focustype, 0},
    {19,     3, 0, LVL_UNKNOWN, "CanonAFPoint",    "Autofocus Point",      nullptr,         0},
    {20,     3, 0, LVL_IMAGE,   "CanonExpMode",    "Exposure Mode",        canon_expmode,   0},
    {23,     3, 0, LVL_UNKNOWN, "CanonMaxFocal",   "Max Focal Length",     nullptr,         0},
    {24,     3, 0, LVL_UNKNOWN, "CanonMinFocal",   "Min Focal Length",     nullptr,         0},
    {25,     3, 0, LVL_UNKNOWN, "CanonFocalUnits", "Focal Units/mm",       nullptr,         0},
    {28,     3, 0, LVL_UNKNOWN, "CanonFlashAct",   "Flash Activity",       nullptr,         0},
    {29,     3, 0, LVL_UNKNOWN, "CanonFlashDet",   "Flash Details",        nullptr,         0},
    {36,     3, 0, LVL_VERBOSE, "CanonDZoomRes",   "Zoomed Resolution",    nullptr,         0},
    {37,     3, 0, LVL_VERBOSE, "CanonBZoomRes",   "Base Zoom Resolution", nullptr,         0},
    {0xFFFF, 3, 0, LVL_UNKNOWN, "Canon01Unknown",  "Canon Tag1 Unknown",   nullptr,         0},
};

const tag_def canon_tags04[] = {
    {0,      3, 0, LVL_VERBOSE, "Canon4Len",        "Canon Tag4 Length",     nullptr,        0},
    {2,      3, 0, LVL_IMAGE,   "CanonSensorSpeed", "Sensor ISO Speed",      nullptr,        0},
    {6,      3, 0, LVL_IMAGE,   "CanonExpComp",     "Exposure Compensation", nullptr,        0},
    {7,      3, 0, LVL_IMAGE,   "CanonWhiteB",      "White Balance",         canon_whitebal, 0xA403},
    {9,      3, 0, LVL_IMAGE,   "CanonSequence",    "Sequence Number",       nullptr,        0},
    {14,     3, 0, LVL_UNKNOWN, "CanonAFPoint2",    "Autofocus Point",       nullptr,        0},
    {15,     3, 0, LVL_IMAGE,   "CanonFlashBias",   "Flash Bias",            nullptr,        0},
    {19,     3, 0, LVL_IMAGE,   "CanonSubjDst",     "Subject Distance",      nullptr,        0},
    {0xFFFF, 3, 0, LVL_UNKNOWN, "Canon04Unknown",   "Canon Tag4 Unknown",    nullptr,        0},
};

const tag_def canon_tags93[] = {
    {0,      3, 0, LVL_VERBOSE, "Canon93Len",        "Canon Tag93 Length",   nullptr},
    {1,      3, 0, LVL_VERBOSE, "CanonActuateMult",  "Actuation Multiplier", nullptr},
    {2,      3, 0, LVL_VERBOSE, "CanonActuateCount", "Actuation Counter",    nullptr},
    {0xFFFF, 3, 0, LVL_UNKNOWN, "Canon93Unknown",    "Canon Tag93 Unknown",  nullptr},
};

const tag_def canon_tagsA0[] = {
    {0,      3, 0, LVL_VERBOSE, "CanonA0Len",       "Canon TagA0 Length",  nullptr},
    {9,      3, 0, LVL_IMAGE,   "CanonColorTemp",   "Color Temperature",   nullptr},
    {10,     3, 0, LVL_IMAGE,   "CanonColorMatrix", "Color Matrix",        nullptr},
    {0xFFFF, 3, 0, LVL_UNKNOWN, "CanonA0Unknown",   "Canon TagA0 Unknown", nullptr},
};

const tag_def canon_tagsunk[] = {
    {0xFFFF, 3, 0, LVL_UNKNOWN, "CanonUnknown", "Canon Unknown", nullptr},
};

namespace {

// Interprets one sub-value; false when it leaves the position alone.
using subvalfn = bool (*)(exif_prop* sub, const canon_array& values, exif_info* info);

// The values of an array entry, or none after the warning: values stored in
// the entry itself or reaching outside the block are not unpacked.
std::optional<canon_array> arrayof(const exif_prop* prop, const exif_info* info, const char* warning)
{
    const std::uint64_t bytes = 2ull * prop->count;
    if (bytes <= 4 || !cursor(info->mkrview).has(prop->value, bytes)) {
        detail::warn(prop->ctx, warning);
        return std::nullopt;
    }
    return canon_array{info->mkrview, prop->value, prop->count};
}

// Unpacks the array into sub-values named from the table by position. An
// array with an interpreter must hold its own length in bytes as value 0.
// Returns the values unpacked.
std::optional<canon_array> canon_subval(exif_prop* prop, exif_info* info, const tag_def* table,
                                        subvalfn interpret)
{
    const std::optional<canon_array> values = arrayof(prop, info, CORRUPT);
    if (!values)
        return std::nullopt;
    if (interpret && values->at(0) != 2ull * values->count) {
        detail::warn(prop->ctx, CORRUPT);
        return std::nullopt;
    }
    tracearray(prop);
    const std::uint32_t unpacked = subvaluecount(prop, values->count);
    for (std::uint32_t i = 0; i < unpacked; i++) {
        exif_prop* sub = subvalue(prop, table, static_cast<std::uint16_t>(i), values->at(i));
        dumpprop(sub, nullptr);
        if (interpret && !interpret(sub, *values, info) && sub->lvl == LVL_UNKNOWN)
            rewrite(sub, TEXT).put("num ").padded(i, 2).put(", val 0x").hex(sub->value, 4);
    }
    if (detail::tracing(prop->ctx))
        std::fputc('\n', detail::traceout(prop->ctx));
    return values;
}

bool isunknown(const exif_prop* prop)
{
    return prop->str && !std::strcmp(prop->str, "Unknown");
}

void showwhenset(exif_prop* sub)
{
    sub->lvl = sub->value ? LVL_IMAGE : LVL_VERBOSE;
}

// An unknown value supersedes nothing and is not worth showing.
void quietwhenunknown(exif_prop* sub)
{
    if (!isunknown(sub))
        return;
    sub->override = 0;
    sub->lvl = LVL_VERBOSE;
}

// Zoom 3 is a free ratio: twice the base zoom resolution over the zoomed one.
// Without a zoomed resolution there is no ratio, only the table's text.
void digitalzoom(exif_prop* sub, const canon_array& values)
{
    const std::uint16_t zoomed = values.at(36), base = values.at(37);
    if (sub->value == 3 && values.count >= 38 && zoomed)
        zoomfactor(sub, 2.0f * base / zoomed);
    else
        describe(sub, canon_dzoom, static_cast<std::uint16_t>(sub->value));
}

// Camera settings (tag 0x0001).
bool canon_prop01(exif_prop* sub, const canon_array& values, exif_info*)
{
    switch (sub->tag) {
    case 2:
        showwhenset(sub);
        rewrite(sub, TEXT).unum(sub->value / 10).put(" sec");
        return true;
    case 5:
        if (!sub->value && values.at(2))
            formattext(sub, TEXT, "Timed");
        return true;
    case 12:
        showwhenset(sub);
        digitalzoom(sub, values);
        return true;
    case 16:
    case 17:
        quietwhenunknown(sub);
        return true;
    case 20:
        showwhenset(sub);
        return true;
    default:
        return false;
    }
}

// ISO speed of the sensor: 2^(v/32) x 100/32, rounded. A value beyond any
// sensor's range has no number.
void sensorspeed(exif_prop* sub, int v)
{
    const double speed = std::exp(static_cast<double>(v * 0.03125f) * std::log(2.0)) * 100 * 0.03125 + 0.5;
    if (speed <= INT_MAX)
        formattext(sub, TEXT, "%d", static_cast<int>(speed));
    else
        formattext(sub, TEXT, "Unknown");
}

// A compensation in 1/32 EV steps; returns it in EV.
float evtext(exif_prop* sub, int v)
{
    const float ev = v * 0.03125f;
    formattext(sub, EVTEXT, "%.2f EV", static_cast<double>(ev));
    return ev;
}

bool inmillimetres(const char* model)
{
    static const char* const models[] = {"Canon PowerShot A10", "Canon PowerShot S110", "Canon PowerShot S30",
                                         "Canon PowerShot S40", "Canon EOS 10D"};
    for (const char* m : models)
        if (model && !std::strcmp(model, m))
            return true;
    return false;
}

// Some models count the distance in millimetres, the others in centimetres.
// The standard subject distance stays in front unless it is unknown.
void subjectdistance(exif_prop* sub, exif_info* info)
{
    if (!sub->value) {
        sub->lvl = LVL_VERBOSE;
        formattext(sub, TEXT, "Unknown");
        return;
    }
    const float divisor = inmillimetres(info->model) ? 1000.0f : 100.0f;
    if (sub->value == 0xFFFF)
        formattext(sub, TEXT, "Infinity");
    else
        formattext(sub, TEXT, "%.3f m", static_cast<double>(sub->value / divisor));
    const exif_prop* standard = findprop(info->props, tags, TAG_SUBJECTDIST);
    if (standard && isunknown(standard))
        sub->override = TAG_SUBJECTDIST;
    else if (standard)
        sub->lvl = LVL_VERBOSE;
}

// Shot information (tag 0x0004).
bool canon_prop04(exif_prop* sub, const canon_array&, exif_info* info)
{
    const int v = static_cast<std::int16_t>(sub->value);
    switch (sub->tag) {
    case 2:
        sensorspeed(sub, v);
        return true;
    case 6:
        evtext(sub, v);
        return true;
    case 9:
        showwhenset(sub);
        return true;
    case 15:
        if (evtext(sub, v) == 0.0f)
            sub->lvl = LVL_VERBOSE;
        return true;
    case 19:
        subjectdistance(sub, info);
        return true;
    default:
        return false;
    }
}

bool canon_propA0(exif_prop* sub, const canon_array&, exif_info*)
{
    if (sub->tag != 9)
        return false;
    rewrite(sub, TEXT).unum(sub->value).put(" K");
    return true;
}

// The focal range of the lens: shortest and longest focal length over the
// focal units per millimetre; a single length for a prime lens.
void lenssize(exif_prop* array, const canon_array& values)
{
    if (values.count < 26)
        return;
    const std::uint16_t longest = values.at(23), shortest = values.at(24), units = values.at(25);
    if (!units || (!longest && !shortest))
        return;
    exif_prop* lens = childprop(array);
    lens->name = "CanonLensSz";
    lens->descr = "Lens Size";
    const float perunit = units;
    if (longest == shortest) {
        lens->lvl = LVL_VERBOSE;
        formattext(lens, TEXT, "%.2f mm", static_cast<double>(shortest / perunit));
    } else {
        lens->lvl = LVL_PAS;
        formattext(lens, TEXT, "%.2f - %.2f mm", static_cast<double>(shortest / perunit),
                   static_cast<double>(longest / perunit));
    }
}

exif_prop* derived(exif_prop* array, const char* name, const char* descr)
{
    exif_prop* prop = childprop(array);
    prop->name = name;
    prop->descr = descr;
    prop->lvl = LVL_IMAGE;
    return prop;
}

// Tag 0x0093: the 20D keeps its image number in values 1 and 2 (directory
// number in the high bits), other models their shutter actuations.
void fileinfo(exif_prop* prop, exif_info* info)
{
    if (!info->model) {
        detail::warn(prop->ctx, NO_MODEL);
        return;
    }
    if (!canon_subval(prop, info, canon_tags93, nullptr))
        return;
    const exif_prop* high = findprop(prop, canon_tags93, 1);
    const exif_prop* low = findprop(prop, canon_tags93, 2);
    if (!high || !low)
        return;
    const std::uint32_t a = high->value, b = low->value;
    if (std::strstr(info->model, "20D")) {
        const std::uint32_t directory = a >> 6, file = ((a & 0x3F) << 8) + b;
        if (directory)
            imagenumbertext(derived(prop, "ImgNum", "Image Number"), directory, file);
    } else if (const std::uint32_t actuations = (a << 16) + b) {
        derived(prop, "CanonActuations", "Camera Actuations")->value = actuations;
    }
}

// The colour temperature counts only when the white balance was set by temperature.
void colortemperature(exif_prop* array, exif_info* info)
{
    const exif_prop* whitebalance = findprop(info->props, canon_tags04, 7);
    if (!whitebalance || whitebalance->value == 9)
        return;
    if (exif_prop* temperature = findprop(array, canon_tagsA0, 9))
        temperature->lvl = LVL_BAD;
}

void imagenumber(exif_prop* prop)
{
    if (!prop->value)
        prop->lvl = LVL_VERBOSE;
    imagenumbertext(prop);
}

void serialnumber(exif_prop* prop)
{
    formattext(prop, 11, "%010d", static_cast<std::int32_t>(prop->value));
}

// The function table for the camera model, or none after the warning. Tag
// 0x0090 is written by the 1D family alone.
const tag_def* customtable(const exif_prop* prop, const exif_info* info)
{
    if (prop->tag == 0x0090)
        return canon_1dcustom;
    const char* model = info->model;
    if (!model) {
        detail::warn(prop->ctx, NO_MODEL);
        return nullptr;
    }
    if (std::strstr(model, "10D"))
        return canon_10dcustom;
    if (std::strstr(model, "D30") || std::strstr(model, "D60"))
        return canon_d30custom;
    if (std::strstr(model, "20D"))
        return canon_20dcustom;
    detail::warn(prop->ctx, "Custom function unsupported; please report to author", model);
    return nullptr;
}

void customfunctions(exif_prop* prop, exif_info* info)
{
    if (const tag_def* table = customtable(prop, info))
        if (const std::optional<canon_array> words = arrayof(prop, info, CUSTOM_CORRUPT))
            canon_custom(prop, *words, table);
}

}  // namespace

ifd_block* canon_ifd(std::uint32_t offset, tiff_view* view)
{
    return readone(offset, canon_tags, *view);
}

void canon_prop(exif_prop* prop, exif_info* info)
{
    switch (prop->tag) {
    case 0x0001:
        if (const std::optional<canon_array> values = canon_subval(prop, info, canon_tags01, canon_prop01))
            lenssize(prop, *values);
        break;
    case 0x0004:
        canon_subval(prop, info, canon_tags04, canon_prop04);
        break;
    case 0x0008:
        imagenumber(prop);
        break;
    case 0x000C:
        serialnumber(prop);
        break;
    case 0x000F:
    case 0x0090:
        customfunctions(prop, info);
        break;
    case 0x0093:
        fileinfo(prop, info);
        break;
    case 0x00A0:
        if (canon_subval(prop, info, canon_tagsA0, canon_propA0))
            colortemperature(prop, info);
        break;
    default:
        if (detail::tracing(prop->ctx) && prop->type == TYPE_SHORT && prop->count > 1)
            canon_subval(prop, info, canon_tagsunk, nullptr);
        break;
    }
}

}  // namespace exifkit
