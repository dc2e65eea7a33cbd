// Minolta maker notes: a plain directory whose camera-settings array (one
// big-endian 32-bit value per setting) is expanded into child properties.
#include "makers/minolta.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "exif/context.h"
#include "exif/proptext.h"
#include "exif/view.h"
#include "exifkit/errors.h"
#include "makers/common.h"

namespace exifkit {

namespace {

const descr_entry minolta_prog[] = {
    {0,  "Program AE"},
    {1,  "Aperture Priority"},
    {2,  "Shutter Priority"},
    {3,  "Manual"},
    {-1, "Unknown"},
};

const descr_entry minolta_flash[] = {
    {0,  "Fill Flash"},
    {1,  "Red-Eye Reduction"},
    {2,  "Rear Sync"},
    {3,  "Remote"},
    {-1, "Unknown"},
};

const descr_entry minolta_whitebal[] = {
    {0,  "Auto"},
    {1,  "Daylight"},
    {2,  "Cloudy"},
    {3,  "Tungsten"},
    {5,  "Custom"},
    {7,  "Fluorescent"},
    {8,  "Fluorescent 2"},
    {11, "Custom 2"},
    {12, "Custom 3"},
    {-1, "Unknown"},
};

const descr_entry minolta_size[] = {
    {0,  "2560x1920"},
    {1,  "1600x1200"},
    {2,  "1280x960"},
    {3,  "640x480"},
    {-1, "Unknown"},
};

const descr_entry minolta_quality[] = {
    {0,  "Raw"},
    {1,  "Super Fine"},
    {2,  "Fine"},
    {3,  "Standard"},
    {4,  "Economy"},
    {5,  "Extra Fine"},
    {-1, "Unknown"},
};

const descr_entry minolta_drive[] = {
    {0,  "Single Frame"},
    {1,  "Continous Advance"},
    {2,  "Self Timer"},
    {4,  "Bracketing"},
    {5,  "Interval"},
    {6,  "UHS"},
    {7,  "HS"},
    {-1, "Unknown"},
};

const descr_entry minolta_metermode[] = {
    {0,  "Multi-Segment"},
    {1,  "Center Weighted Average"},
    {2,  "Spot"},
    {-1, "Unknown"},
};

const descr_entry minolta_bool[] = {
    {0,  "No"},
    {1,  "Yes"},
    {-1, "Unknown"},
};

const descr_entry minolta_brackstep[] = {
    {0,  "1/3"},
    {1,  "1/2"},
    {2,  "1"},
    {-1, "Unknown"},
};

const descr_entry minolta_sharp[] = {
    {0,  "Hard"},
    {1,  "Normal"},
    {2,  "Soft"},
    {-1, "Unknown"},
};

const descr_entry minolta_scene[] = {
    {0,  "Normal"},
    {1,  "Portrait"},
    {2,  "Text"},
    {3,  "Night Portrait"},
    {4,  "Sunset"},
    {5,  "Sports Action"},
    {-1, "Unknown"},
};

const descr_entry minolta_iso[] = {
    {0,  "100"},
    {1,  "200"},
    {2,  "400"},
    {3,  "800"},
    {4,  "Auto"},
    {-1, "Unknown"},
};

const descr_entry minolta_model[] = {
    {0,  "DiMAGE 7"},
    {1,  "DiMAGE 5"},
    {4,  "DiMAGE 7i"},
    {5,  "DiMAGE 7Hi"},
    {-1, "Unknown"},
};

const descr_entry minolta_folder[] = {
    {0,  "Standard"},
    {1,  "Date"},
    {-1, "Unknown"},
};

const descr_entry minolta_color[] = {
    {0,  "Natural Color"},
    {1,  "Black & White"},
    {2,  "Vivid Color"},
    {3,  "Solarization"},
    {4,  "Adobe RGB"},
    {-1, "Unknown"},
};

const descr_entry minolta_widefocus[] = {
    {0,  "No Zone"},
    {1,  "Center"},
    {3,  "Left"},
    {4,  "Right"},
    {-1, "Unknown"},
};

const descr_entry minolta_focusmode[] = {
    {0,  "Auto"},
    {1,  "Manual"},
    {-1, "Unknown"},
};

const descr_entry minolta_focusarea[] = {
    {0,  "Wide Area"},
    {1,  "Spot Focus Point"},
    {-1, "Unknown"},
};

const descr_entry minolta_brackmode[] = {
    {0,  "Exposure"},
    {1,  "Contrast"},
    {2,  "Saturation"},
    {3,  "Filter"},
    {-1, "Unknown"},
};

const descr_entry minolta_imprint[] = {
    {0,  "None"},
    {1,  "DataTime Y/M/D"},
    {2,  "DataTime M/D H:M"},
    {3,  "Text"},
    {4,  "Text + ID"},
    {-1, "Unknown"},
};

}  // namespace

const tag_def minolta_tags[] = {
    {0x0000, 7, 4, LVL_UNKNOWN, "MinoltaMakerType", "Minolta Maker Note Type",        nullptr},
    {0x0001, 7, 0, LVL_UNKNOWN, "Minolta1Tag",      "Minolta Tag1 Offset",            nullptr},
    {0x0003, 7, 0, LVL_UNKNOWN, "Minolta3Tag",      "Minolta Tag3 Offset",            nullptr},
    {0x0040, 4, 1, LVL_UNKNOWN, "MinoltaCompImgSz", "Minolta Compressed Image Size",  nullptr},
    {0x0088, 4, 1, LVL_UNKNOWN, "MinoltaThumbOff",  "Minolta Thumbnail Offset",       nullptr},
    {0x0089, 4, 1, LVL_UNKNOWN, "MinoltaThumbLen",  "Minolta Thumbnail Length",       nullptr},
    {0x0e00, 7, 0, LVL_UNKNOWN, "MinoltaPIM",       "Minolta Print Image Management", nullptr},
    {0xffff, 0, 0, LVL_UNKNOWN, "Unknown",          "Minolta Unknown",                nullptr},
};

// Columns: index, type, count, level, name, description, value table,
// standard tag superseded.
const tag_def minolta_MLT0[] = {
    {0x01,   4, 1, LVL_IMAGE,   "MinoltaExpProg",      "Exposure Program",      minolta_prog,      0x8822},
    {0x02,   4, 1, LVL_IMAGE,   "MinoltaFlashMode",    "Flash Mode",            minolta_flash,     0},
    {0x03,   4, 1, LVL_IMAGE,   "MinoltaWhiteB",       "White Balance",         minolta_whitebal,  0xA403},
    {0x04,   4, 1, LVL_UNKNOWN, "MinoltaSize",         "Image Size",            minolta_size,      0},
    {0x05,   4, 1, LVL_IMAGE,   "MinoltaQuality",      "Image Quality",         minolta_quality,   0},
    {0x06,   4, 1, LVL_IMAGE,   "MinoltaDriveMode",    "Drive Mode",            minolta_drive,     0},
    {0x07,   4, 1, LVL_IMAGE,   "MinoltaMeterMode",    "Metering Mode",         minolta_metermode, 0x9207},
    {0x08,   4, 1, LVL_UNKNOWN, "MinoltaFilmSpeed",    "Film Speed",            nullptr,           0},
    {0x09,   4, 1, LVL_VERBOSE, "MinoltaExpTime",      "Exposure Time",         nullptr,           0},
    {0x0a,   4, 1, LVL_UNKNOWN, "MinoltaAperture",     "Lens Aperture",         nullptr,           0},
    {0x0b,   4, 1, LVL_IMAGE,   "MinoltaMacro",        "Macro",                 minolta_bool,      0},
    {0x0c,   4, 1, LVL_IMAGE,   "MinoltaDigiZoom",     "Digital Zoom",          minolta_bool,      0},
    {0x0d,   4, 1, LVL_UNKNOWN, "MinoltaExpComp",      "Exposure Compensation", nullptr,           0},
    {0x0e,   4, 1, LVL_IMAGE,   "MinoltaBracketStep",  "Bracketing Step",       minolta_brackstep, 0},
    {0x10,   4, 1, LVL_VERBOSE, "MinoltaIntrvlTime",   "Interval Time",         nullptr,           0},
    {0x11,   4, 1, LVL_VERBOSE, "MinoltaIntrvlPics",   "Interval Pics",         nullptr,           0},
    {0x12,   4, 1, LVL_UNKNOWN, "MinoltaFocalLen",     "Focal Length",          nullptr,           0},
    {0x13,   4, 1, LVL_IMAGE,   "MinoltaFocusDist",    "Focus Distance",        nullptr,           0},
    {0x14,   4, 1, LVL_VERBOSE, "MinoltaFlash",        "Flash Fired",           minolta_bool,      0},
    {0x15,   4, 1, LVL_VERBOSE, "MinoltaDate",         "Date",                  nullptr,           0},
    {0x16,   4, 1, LVL_VERBOSE, "MinoltaTime",         "Time",                  nullptr,           0},
    {0x17,   4, 1, LVL_UNKNOWN, "MinoltaMaxAperture",  "Maximum Lens Aperture", nullptr,           0},
    {0x1a,   4, 1, LVL_VERBOSE, "MinoltaRmbrFileNum",  "File Number Memory",    minolta_bool,      0},
    {0x1b,   4, 1, LVL_VERBOSE, "MinoltaSequence",     "Sequence Number",       nullptr,           0},
    {0x1f,   4, 1, LVL_IMAGE,   "MinoltaSaturate",     "Saturation",            nullptr,           0xA409},
    {0x20,   4, 1, LVL_IMAGE,   "MinoltaContrast",     "Contrast",              nullptr,           0xA408},
    {0x21,   4, 1, LVL_IMAGE,   "MinoltaSharpness",    "Sharpness",             minolta_sharp,     0xA40A},
    {0x22,   4, 1, LVL_IMAGE,   "MinoltaScene",        "Scene Capture Type",    minolta_scene,     0xA406},
    {0x23,   4, 1, LVL_IMAGE,   "MinoltaFlashComp",    "Flash Compensation",    nullptr,           0},
    {0x24,   4, 1, LVL_VERBOSE, "MinoltaISO",          "ISO Speed Rating",      minolta_iso,       0},
    {0x25,   4, 1, LVL_UNKNOWN, "MinoltaModel",        "Camera Model",          minolta_model,     0},
    {0x26,   4, 1, LVL_VERBOSE, "MinoltaIntervalMode", "Interval Mode",         minolta_bool,      0},
    {0x27,   4, 1, LVL_VERBOSE, "MinoltaFolder",       "Folder Name",           minolta_folder,    0},
    {0x28,   4, 1, LVL_IMAGE,   "MinoltaColorMode",    "Color Mode",            minolta_color,     0},
    {0x29,   4, 1, LVL_IMAGE,   "MinoltaColorFilt",    "Color Warming",         nullptr,           0},
    {0x2a,   4, 1, LVL_IMAGE,   "MinoltaBWFilt",       "Black & White Tone",    nullptr,           0},
    {0x2b,   4, 1, LVL_VERBOSE, "MinoltaIntFlash",     "Internal Flash",        minolta_bool,      0},
    {0x2d,   4, 1, LVL_VERBOSE, "MinoltaFocusX",       "AF Point X",            nullptr,           0},
    {0x2e,   4, 1, LVL_VERBOSE, "MinoltaFocusY",       "AF Point Y",            nullptr,           0},
    {0x2f,   4, 1, LVL_VERBOSE, "MinoltaWFocusZone",   "AF Zone",               minolta_widefocus, 0},
    {0x30,   4, 1, LVL_IMAGE,   "MinoltaFocusMode",    "Focus Mode",            minolta_focusmode, 0},
    {0x31,   4, 1, LVL_IMAGE,   "MinoltaAFArea",       "Wide Focus Area",       minolta_focusarea, 0},
    {0x32,   4, 1, LVL_IMAGE,   "MinoltaBracketMode",  "Bracketing Mode",       minolta_brackmode, 0},
    {0x33,   4, 1, LVL_VERBOSE, "MinoltaDataImprint",  "Data Imprint",          minolta_imprint,   0},
    {0xffff, 0, 0, LVL_UNKNOWN, "MinoltaUnknown",      "Minolta Field Unknown", nullptr,           0},
};

const tag_def minolta_unkn[] = {
    {0xffff, 0, 0, LVL_UNKNOWN, "MinoltaUnknown",      "Minolta Field Unknown", nullptr},
};

namespace {

constexpr std::size_t TEXT = 15;      // texts of array values: at most 14 characters
constexpr std::size_t TIMETEXT = 9;   // "hh:mm:ss"

constexpr std::uint32_t MODEL_AT = 0x25, MODEL_7HI = 5;
constexpr std::uint32_t EXTRA_7HI = 51;  // the DiMAGE 7Hi's extra value

constexpr const char* NOT_FULLY_SUPPORTED = "Minolta maker note not fully supported";
constexpr const char* VERSION_NOT_SUPPORTED = "Minolta maker note version not supported";

// A setting that does not apply while another one has (or lacks) a value.
struct narule {
    const tag_def* table;      // table of the deciding property
    std::uint16_t tag;
    bool equal;                // marks when the value equals ref, else when it differs
    std::uint32_t ref;
    std::uint16_t marked[4];   // array indices; 0 ends the list
};

const narule narules[] = {
    {minolta_MLT0, 0x06,   false, 4, {0x0e, 0x32}},
    {minolta_MLT0, 0x30,   true,  1, {0x2d, 0x2e, 0x2f, 0x31}},
    {minolta_MLT0, 0x14,   false, 1, {0x02, 0x23, 0x2b}},
    {tags,         0xA402, true,  1, {0x07, 0x0d}},
    {minolta_MLT0, 0x01,   false, 0, {0x22}},
    {minolta_MLT0, 0x26,   false, 1, {0x10, 0x11}},
};

// Raw 0 to 48: u seconds; 49 to 55: 1/u seconds, printed as the time itself;
// above: "1/u", for as long as u is a 32-bit number.
void exposuretime(exif_prop* child)
{
    const std::uint32_t v = child->value;
    const double u = std::pow(2.0, std::fabs(48.0 - v) / 8.0);
    if (v <= 48)
        formattext(child, TEXT, "%0.1f", u);
    else if (v <= 55)
        formattext(child, TEXT, "%0.1f", 1 / u);
    else if (u < 4294967296.0)
        formattext(child, TEXT, "1/%u", static_cast<unsigned>(u));
    else
        formattext(child, TEXT, "Unknown");
}

// ISO 3.125 * 2^(v/8 - 1), truncated and kept to its low 16 bits; a speed too
// large for a double keeps none.
void filmspeed(exif_prop* child)
{
    const double speed = 3.125 * std::pow(2.0, child->value / 8.0 - 1);
    const double low = std::isfinite(speed) ? std::fmod(std::trunc(speed), 65536.0) : 0;
    formattext(child, TEXT, "%d", static_cast<int>(low));
}

// Exposure and flash compensation in thirds of an EV, 6 being none.
void compensation(exif_prop* child)
{
    if (child->value == 6)
        formattext(child, TEXT, "Normal");
    else
        formattext(child, TEXT, "%+0.1f EV", (child->value - 6.0) / 3);
}

void focusdistance(exif_prop* child)
{
    if (!child->value)
        formattext(child, TEXT, "Infinite");
    else
        formattext(child, TEXT, "%.1f", static_cast<double>(static_cast<float>(child->value) / 1000.0f));
}

// Steps from 3, the normal setting.
void stepsfromnormal(exif_prop* child)
{
    const auto steps = static_cast<std::int32_t>(child->value - 3);
    if (steps)
        formattext(child, TEXT, "%+d", steps);
    else
        formattext(child, TEXT, "Normal");
}

// The text of one array value, by the index it is named by.
void settingtext(exif_prop* child, std::uint32_t index)
{
    const std::uint32_t v = child->value;
    switch (index) {
    case 0x08: filmspeed(child); break;
    case 0x09: exposuretime(child); break;
    case 0x0a:
    case 0x17: formattext(child, TEXT, "%0.1f", std::pow(2.0, v / 16.0 - 0.5)); break;
    case 0x0d:
    case 0x23: compensation(child); break;
    case 0x10:
    case 0x1b: child->value = v + 1; break;
    case 0x12: formattext(child, TEXT, "%02f", v / 256.0); break;
    case 0x13: focusdistance(child); break;
    case 0x15: formattext(child, TEXT, "%02u/%02u/%04u", v & 0xFF, (v >> 8) & 0xFF, v >> 16); break;
    case 0x16: formattext(child, TIMETEXT, "%02u:%02u:%02u", (v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF); break;
    case 0x1c:
    case 0x1d:
    case 0x1e: formattext(child, TEXT, "%0.6f", v / 256.0); break;
    case 0x1f:
    case 0x20:
    case 0x29: stepsfromnormal(child); break;
    default: break;
    }
}

void markinapplicable(exif_info* info)
{
    for (const narule& rule : narules) {
        const exif_prop* decider = findprop(info->props, rule.table, rule.tag);
        if (!decider || (decider->value == rule.ref) != rule.equal)
            continue;
        for (std::uint16_t index : rule.marked)
            if (index)
                minolta_naval(info->props, minolta_MLT0, index);
    }
}

// The note's version: the four bytes of the value field, whatever the count.
void noteversion(exif_prop* prop, const exif_info* info)
{
    if (prop->count < 4)
        return;
    const valuebytes v = storedbytes(prop->value, info->mkrview.order);
    char* text = replacetext(prop, sizeof v.b + 1);
    std::memcpy(text, v.b, sizeof v.b);
    if (std::strcmp(text, "MLT0") && std::strcmp(text, "mlt0"))
        detail::warn(prop->ctx, VERSION_NOT_SUPPORTED, text);
}

// The array of a known layout is named and interpreted; any other is listed as
// unknown values. An array of four bytes or fewer stands in the entry itself.
void camerasettings(exif_prop* prop, exif_info* info, bool known)
{
    // A note holds one array per tag. Repeats (of the tag, or of the whole note
    // under many MakerNote entries) come only from damaged files and would
    // multiply the children without bound; only the first is expanded.
    if (findprop(info->props, minolta_tags, prop->tag) != prop)
        return;
    const valuebytes stored = storedbytes(prop->value, info->mkrview.order);
    const bool inentry = prop->count <= sizeof stored.b;
    const tiff_view entry{ORDER_BIG, stored.b, stored.b + sizeof stored.b, prop->ctx};
    const tiff_view& view = inentry ? entry : info->mkrview;
    const std::uint32_t offset = inentry ? 0 : prop->value;
    const bool inside = cursor(view).has(offset, prop->count);
    if (!inside || !known)
        detail::warn(prop->ctx, NOT_FULLY_SUPPORTED);
    if (!inside)
        return;
    minolta_cprop(prop, view, offset, known ? minolta_MLT0 : minolta_unkn);
    // The rules name fields of the known layout only.
    if (known)
        markinapplicable(info);
}

// Once per reader: a long run of files needs the heading once.
void traceheading(detail::context* ctx)
{
    if (!ctx || ctx->firstheading(detail::HEADING_MINOLTA))
        std::fputs("Processing Minolta Maker Note\n", detail::traceout(ctx));
}

}  // namespace

void minolta_cprop(exif_prop* parent, const tiff_view& view, std::uint32_t offset, const tag_def* table)
{
    const cursor at(inorder(view, ORDER_BIG));
    const auto value = [&](std::uint32_t i) { return at.u32(offset + 4ull * i).value_or(0); };
    const bool named = table == minolta_MLT0;
    const std::uint32_t values = subvaluecount(parent, parent->count / 4);
    // The DiMAGE 7Hi writes one value more, which the names skip.
    const bool hi7 = named && values > MODEL_AT && value(MODEL_AT) == MODEL_7HI;
    for (std::uint32_t i = 0; i < values; i++) {
        if (hi7 && i == EXTRA_7HI)
            continue;
        const std::uint32_t index = hi7 && i > EXTRA_7HI ? i - 1 : i;
        exif_prop* child = subvalue(parent, table, *tagrow(table, static_cast<std::uint16_t>(index)),
                                    static_cast<std::uint16_t>(i), value(i));
        dumpprop(child, nullptr);
        if (named)
            settingtext(child, index);
    }
}

void minolta_naval(exif_prop* list, const tag_def* table, std::uint16_t tag)
{
    exif_prop* prop = findprop(list, table, tag);
    if (!prop)
        return;
    formattext(prop, 4, "n/a");
    prop->lvl = LVL_BAD;
}

ifd_block* minolta_ifd(std::uint32_t offset, tiff_view* view)
{
    if (noteheader(*view, offset, "+M\0", 3)) {
        detail::warn(view->ctx, VERSION_NOT_SUPPORTED);
        return nullptr;
    }
    const unsigned entries = cursor(*view).u16(offset).value_or(0);
    if (entries < 2 || entries > 255) {
        detail::warn(view->ctx, VERSION_NOT_SUPPORTED);
        return nullptr;
    }
    return readifds(offset, minolta_tags, *view);
}

void minolta_prop(exif_prop* prop, exif_info* info)
{
    if (detail::tracing(prop->ctx)) {
        traceheading(prop->ctx);
        dumpprop(prop, nullptr);
    }
    switch (prop->tag) {
    case 0x0000: noteversion(prop, info); break;
    case 0x0001: camerasettings(prop, info, prop->count == 156); break;
    case 0x0003: camerasettings(prop, info, prop->count == 224 || prop->count == 228); break;
    default: break;
    }
}

}  // namespace exifkit
