// Apple maker notes: "Apple iOS", a zero byte, a version and "MM", then one
// big-endian directory whose offsets count from the note's first byte. Some
// entries hold binary property lists, decoded here.
#include "makers/apple.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <string_view>

#include "exif/context.h"
#include "exif/directory.h"
#include "exif/format.h"
#include "exif/proptext.h"
#include "exif/texts.h"
#include "exif/view.h"
#include "exifkit/makers.h"
#include "makers/common.h"

namespace exifkit {

namespace {

constexpr char HEADER[] = "Apple iOS";
constexpr std::size_t HEADER_NAME = sizeof HEADER;  // the zero byte included
constexpr std::size_t ORDER_AT = 12, DIRECTORY_AT = 14;

constexpr std::uint16_t TAG_RUNTIME = 0x0003, TAG_ACCELERATION = 0x0008, TAG_FOCUSRANGE = 0x000C,
                        TAG_CONTENTID = 0x0011, TAG_VIDEOINDEX = 0x0017, TAG_NOISE = 0x001D,
                        TAG_APPFEATURES = 0x001F, TAG_HEADROOM = 0x0021, TAG_AFPERFORMANCE = 0x0023,
                        TAG_SNR = 0x0027, TAG_COLORTEMP = 0x002D, TAG_HDRGAIN = 0x0030, TAG_STYLE = 0x0040,
                        TAG_STYLEVERSION = 0x0041, TAG_STYLEPRESET = 0x0042;

// Room for any text of numbers here; the property lists have their own cap.
constexpr std::size_t TEXT = 64;

const descr_entry apple_noyes[] = {
    { 0, "No"},
    { 1, "Yes"},
    {-1, "Unknown"},
};

const descr_entry apple_hdrtype[] = {
    { 3, "HDR Image"},
    { 4, "Original Image"},
    {-1, "Unknown"},
};

const descr_entry apple_capture[] = {
    { 1, "ProRAW"},
    { 2, "Portrait"},
    {10, "Photo"},
    {11, "Manual Focus"},
    {12, "Scene"},
    {-1, "Unknown"},
};

const descr_entry apple_camera[] = {
    { 0, "Back Wide Angle"},
    { 1, "Back Normal"},
    { 6, "Front"},
    {-1, "Unknown"},
};

const descr_entry apple_preset[] = {
    { 1, "Standard"},
    { 2, "Vibrant"},
    { 3, "Rich Contrast"},
    { 4, "Warm"},
    { 5, "Cool"},
    {-1, "Unknown"},
};

}  // namespace

// Identity and timing (run time, identifiers, the phone's attitude) say nothing
// of how the picture looks: they are "other"; settings and measurements are image.
const tag_def apple_tags[] = {
    {0x0001, TYPE_SLONG,     1, LVL_VERBOSE, "MakerNoteVersion",     "Maker Note Version",     nullptr},
    {0x0003, TYPE_UNDEFINED, 0, LVL_VERBOSE, "RunTime",              "Run Time",               nullptr},
    {0x0004, TYPE_SLONG,     1, LVL_IMAGE,   "AEStable",             "AE Stable",              apple_noyes},
    {0x0005, TYPE_SLONG,     1, LVL_IMAGE,   "AETarget",             "AE Target",              nullptr},
    {0x0006, TYPE_SLONG,     1, LVL_IMAGE,   "AEAverage",            "AE Average",             nullptr},
    {0x0007, TYPE_SLONG,     1, LVL_IMAGE,   "AFStable",             "AF Stable",              apple_noyes},
    {0x0008, TYPE_SRATIONAL, 3, LVL_VERBOSE, "AccelerationVector",   "Acceleration Vector",    nullptr},
    {0x000A, TYPE_SLONG,     1, LVL_IMAGE,   "HDRImageType",         "HDR Image Type",         apple_hdrtype},
    {0x000B, TYPE_ASCII,     0, LVL_VERBOSE, "BurstUUID",            "Burst UUID",             nullptr},
    {0x000C, TYPE_SRATIONAL, 2, LVL_IMAGE,   "FocusDistanceRange",   "Focus Distance Range",   nullptr},
    {0x000F, TYPE_SLONG,     1, LVL_IMAGE,   "OISMode",              "OIS Mode",               nullptr},
    {0x0011, TYPE_ASCII,     0, LVL_VERBOSE, "ContentIdentifier",    "Content Identifier",     nullptr},
    {0x0014, TYPE_SLONG,     1, LVL_IMAGE,   "ImageCaptureType",     "Image Capture Type",     apple_capture},
    {0x0015, TYPE_ASCII,     0, LVL_VERBOSE, "ImageUniqueID",        "Image Unique ID",        nullptr},
    {0x0017, 0,              1, LVL_VERBOSE, "LivePhotoVideoIndex",  "Live Photo Video Index", nullptr},
    {0x001D, TYPE_SRATIONAL, 1, LVL_IMAGE,   "LuminanceNoise",       "Luminance Noise",        nullptr},
    {0x001F, TYPE_SLONG,     1, LVL_IMAGE,   "PhotosAppFeatures",    "Photos App Features",    nullptr},
    {0x0021, TYPE_SRATIONAL, 1, LVL_IMAGE,   "HDRHeadroom",          "HDR Headroom",           nullptr},
    {0x0023, TYPE_SLONG,     2, LVL_IMAGE,   "AFPerformance",        "AF Performance",         nullptr},
    {0x0027, TYPE_SRATIONAL, 1, LVL_IMAGE,   "SignalToNoiseRatio",   "Signal To Noise Ratio",  nullptr},
    {0x002B, TYPE_ASCII,     0, LVL_VERBOSE, "PhotoIdentifier",      "Photo Identifier",       nullptr},
    {0x002D, TYPE_SLONG,     1, LVL_IMAGE,   "ColorTemperature",     "Color Temperature",      nullptr},
    {0x002E, TYPE_SLONG,     1, LVL_IMAGE,   "CameraType",           "Camera Type",            apple_camera},
    {0x002F, TYPE_SLONG,     1, LVL_IMAGE,   "FocusPosition",        "Focus Position",         nullptr},
    {0x0030, TYPE_SRATIONAL, 1, LVL_IMAGE,   "HDRGain",              "HDR Gain",               nullptr},
    {0x0038, TYPE_SLONG,     1, LVL_IMAGE,   "AFMeasuredDepth",      "AF Measured Depth",      nullptr},
    {0x003D, TYPE_SLONG,     1, LVL_IMAGE,   "AFConfidence",         "AF Confidence",          nullptr},
    {0x0040, TYPE_UNDEFINED, 0, LVL_IMAGE,   "SemanticStyle",        "Semantic Style",         nullptr},
    {0x0041, TYPE_UNDEFINED, 0, LVL_VERBOSE, "SemanticStyleVersion", "Semantic Style Version", nullptr},
    {0x0042, TYPE_UNDEFINED, 0, LVL_IMAGE,   "SemanticStylePreset",  "Semantic Style Preset",  nullptr},
    {0xFFFF, 0,              0, LVL_UNKNOWN, "AppleUnknown",         "Apple Unknown",          nullptr},
};

namespace {

// "0.008", "-0.5", "36.443": three decimals at most, trailing zeros dropped.
void decimal(detail::textout& out, double v)
{
    char buf[400];
    std::size_t n;
    {
        detail::textout digits(buf, sizeof buf);
        digits.fixed(v, 3);
        n = std::min(digits.length(), sizeof buf - 1);
    }
    buf[n] = '\0';
    if (std::strchr(buf, '.')) {
        while (n && buf[n - 1] == '0')
            buf[--n] = '\0';
        if (n && buf[n - 1] == '.')
            buf[--n] = '\0';
    }
    out.put(std::strcmp(buf, "-0") ? buf : "0");
}

// ---- Binary property lists --------------------------------------------------

constexpr char PLIST_MAGIC[] = "bplist00";
constexpr std::size_t PLIST_HEAD = sizeof PLIST_MAGIC - 1, PLIST_TRAILER = 32;
// The lists of a note hold a few dozen objects; a count beyond this is hostile.
constexpr std::uint64_t PLIST_MAX_OBJECTS = 1024;
// Real lists nest one level; deeper is a reference loop or a hostile file.
constexpr unsigned PLIST_MAX_DEPTH = 8;
// A note's list is a few short values; a longer text is cut, ending in "...".
constexpr std::size_t PLIST_MAX_TEXT = 256;

enum plistkind : unsigned {
    PK_SIMPLE = 0x0, PK_INT = 0x1, PK_REAL = 0x2, PK_DATE = 0x3, PK_DATA = 0x4, PK_ASCII = 0x5,
    PK_UTF16 = 0x6, PK_UID = 0x8, PK_ARRAY = 0xA, PK_DICT = 0xD,
};

// An object's marker unpacked: its kind, its size nibble and, for the kinds
// that have one, its length with the bytes it stands for.
struct plistobject {
    unsigned kind;
    unsigned nibble;
    std::uint64_t length;
    std::uint64_t at;  // where the payload begins
};

class bplist {
public:
    // The list in these bytes, or nothing when its trailer or offset table
    // does not fit them.
    static std::optional<bplist> open(const unsigned char* data, std::uint32_t size)
    {
        if (!data || size < PLIST_HEAD + PLIST_TRAILER || std::memcmp(data, PLIST_MAGIC, PLIST_HEAD))
            return std::nullopt;
        bplist list(data, size);
        const std::uint64_t trailer = size - PLIST_TRAILER;
        list.offsize_ = static_cast<unsigned>(list.uint(trailer + 6, 1).value_or(0));
        list.refsize_ = static_cast<unsigned>(list.uint(trailer + 7, 1).value_or(0));
        list.objects_ = list.uint(trailer + 8, 8).value_or(0);
        list.top_ = list.uint(trailer + 16, 8).value_or(0);
        const std::uint64_t table = list.uint(trailer + 24, 8).value_or(0);
        list.table_ = table;
        const bool sized = list.offsize_ >= 1 && list.offsize_ <= 8 && list.refsize_ >= 1 && list.refsize_ <= 8;
        // The count is capped before it multiplies, so the table's end cannot wrap.
        if (!sized || !list.objects_ || list.objects_ > PLIST_MAX_OBJECTS || list.top_ >= list.objects_ ||
            table < PLIST_HEAD || table > trailer || list.objects_ * list.offsize_ > trailer - table)
            return std::nullopt;
        return list;
    }

    std::uint64_t top() const noexcept { return top_; }

    std::optional<plistobject> object(std::uint64_t index) const
    {
        if (index >= objects_)
            return std::nullopt;
        const std::optional<std::uint64_t> offset = uint(table_ + index * offsize_, offsize_);
        if (!offset || *offset < PLIST_HEAD || *offset >= table_)
            return std::nullopt;
        const std::optional<std::uint64_t> marker = uint(*offset, 1);
        if (!marker)
            return std::nullopt;
        const auto m = static_cast<unsigned>(*marker);
        plistobject o{m >> 4u, m & 0xFu, m & 0xFu, *offset + 1};
        if (!haslength(o.kind))
            return o;
        if (o.nibble == 0xF) {
            const auto countmarker = at_.bytes(o.at, 1);
            if (!countmarker || (*countmarker)[0] >> 4u != PK_INT || ((*countmarker)[0] & 0xFu) > 3)
                return std::nullopt;
            const unsigned bytes = 1u << ((*countmarker)[0] & 0xFu);
            const std::optional<std::uint64_t> count = uint(o.at + 1, bytes);
            if (!count)
                return std::nullopt;
            o.length = *count;
            o.at += 1 + bytes;
        }
        // Lengths are capped by the list's size before they multiply.
        if (o.length > size_ || !at_.has(o.at, o.length * unitsize(o.kind)))
            return std::nullopt;
        return o;
    }

    // The object an element of a container refers to.
    std::optional<std::uint64_t> ref(const plistobject& container, std::uint64_t i) const
    {
        return uint(container.at + i * refsize_, refsize_);
    }

    std::optional<std::int64_t> integer(const plistobject& o) const
    {
        if (o.kind != PK_INT || o.nibble > 3)
            return std::nullopt;
        const std::optional<std::uint64_t> v = uint(o.at, 1u << o.nibble);
        // Integers of eight bytes are signed; shorter ones are not.
        return v ? std::optional(static_cast<std::int64_t>(*v)) : std::nullopt;
    }

    std::optional<double> number(const plistobject& o) const
    {
        if (o.kind == PK_INT)
            if (const auto v = integer(o))
                return static_cast<double>(*v);
        if ((o.kind != PK_REAL && o.kind != PK_DATE) || (o.nibble != 2 && o.nibble != 3))
            return std::nullopt;
        const std::optional<std::uint64_t> bits = uint(o.at, 1u << o.nibble);
        if (!bits)
            return std::nullopt;
        if (o.nibble == 2) {
            float f;
            const auto b32 = static_cast<std::uint32_t>(*bits);
            std::memcpy(&f, &b32, sizeof f);
            return static_cast<double>(f);
        }
        double d;
        std::memcpy(&d, &*bits, sizeof d);
        return d;
    }

    // The values of the dictionary's entries of these ASCII keys, found in one
    // pass over its keys; a key it lacks leaves its value empty.
    template <std::size_t N>
    std::array<std::optional<plistobject>, N> lookup(const plistobject& dict,
                                                     const std::array<std::string_view, N>& keys) const
    {
        std::array<std::optional<plistobject>, N> values;
        if (dict.kind != PK_DICT)
            return values;
        for (std::uint64_t i = 0; i < dict.length; i++) {
            const auto k = keyobject(dict, i);
            if (!k || k->kind != PK_ASCII)
                continue;
            const auto name = at_.bytes(k->at, k->length);
            const std::string_view key(reinterpret_cast<const char*>(name->data()), name->size());
            for (std::size_t j = 0; j < N; j++)
                if (!values[j] && key == keys[j])
                    if (const auto value = ref(dict, dict.length + i))
                        values[j] = object(*value);
        }
        return values;
    }

    // Writes the object's text; false for a malformed list. Stops once the
    // text is past the cap: what follows would be cut anyway.
    bool write(detail::textout& out, std::uint64_t index, unsigned depth) const
    {
        const std::optional<plistobject> o = object(index);
        if (!o || depth > PLIST_MAX_DEPTH)
            return false;
        switch (o->kind) {
        case PK_SIMPLE: return simple(out, o->nibble);
        case PK_INT: {
            const auto v = integer(*o);
            return v && (out.num(*v), true);
        }
        case PK_REAL: {
            const auto v = number(*o);
            return v && (decimal(out, *v), true);
        }
        case PK_DATE: {
            const auto v = number(*o);
            return v && o->nibble == 3 && date(out, *v);
        }
        case PK_DATA: return out.put('<').unum(o->length).put(" bytes>"), true;
        case PK_ASCII: return text(out, *o, 1), true;
        case PK_UTF16: return text(out, *o, 2), true;
        case PK_UID: {
            const std::optional<std::uint64_t> v = o->nibble < 8 ? uint(o->at, o->nibble + 1) : std::nullopt;
            return v && (out.put("UID ").unum(*v), true);
        }
        case PK_ARRAY: return elements(out, *o, depth);
        case PK_DICT: return entries(out, *o, depth);
        default: return false;
        }
    }

private:
    bplist(const unsigned char* data, std::uint32_t size) noexcept
        : at_(tiff_view{ORDER_BIG, data, data + size}), size_(size)
    {
    }

    static bool haslength(unsigned kind) noexcept
    {
        return kind == PK_DATA || kind == PK_ASCII || kind == PK_UTF16 || kind == PK_ARRAY || kind == PK_DICT;
    }
    unsigned unitsize(unsigned kind) const noexcept
    {
        return kind == PK_UTF16 ? 2 : kind == PK_ARRAY ? refsize_ : kind == PK_DICT ? 2 * refsize_ : 1;
    }

    std::optional<std::uint64_t> uint(std::uint64_t offset, unsigned bytes) const
    {
        const auto b = at_.bytes(offset, bytes);
        if (!b)
            return std::nullopt;
        std::uint64_t v = 0;
        for (unsigned char c : *b)
            v = v << 8 | c;
        return v;
    }

    std::optional<plistobject> keyobject(const plistobject& dict, std::uint64_t i) const
    {
        const auto k = ref(dict, i);
        return k ? object(*k) : std::nullopt;
    }

    static bool simple(detail::textout& out, unsigned nibble)
    {
        const char* word = nibble == 0x0 ? "null" : nibble == 0x8 ? "false" : nibble == 0x9 ? "true" : nullptr;
        return word && (out.put(word), true);
    }

    // ASCII characters as they are, any other character as "?", so that a cut
    // text never splits one.
    void text(detail::textout& out, const plistobject& o, unsigned unit) const
    {
        const auto chars = at_.bytes(o.at, o.length * unit);
        if (!chars)
            return;
        for (std::uint64_t i = 0; i < o.length && out.length() <= PLIST_MAX_TEXT; i++) {
            const unsigned c = unit == 1 ? (*chars)[i] : (*chars)[2 * i] << 8u | (*chars)[2 * i + 1];
            out.put(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
        }
    }

    // "2021-06-01 12:00:00 UTC" from seconds since 2001-01-01 UTC.
    static bool date(detail::textout& out, double seconds)
    {
        // Beyond some 3000 years either way the date means nothing.
        constexpr double SPAN = 1e11;
        if (!(seconds > -SPAN && seconds < SPAN))
            return false;
        const auto whole = static_cast<std::int64_t>(std::floor(seconds));
        constexpr std::int64_t DAY = 86400, DAYS_1970_TO_2001 = 11323;
        const std::int64_t days = (whole >= 0 ? whole / DAY : (whole - DAY + 1) / DAY) + DAYS_1970_TO_2001;
        const std::int64_t secs = whole - (days - DAYS_1970_TO_2001) * DAY;
        // Days since 1970 to a civil date, in eras of 400 years.
        const std::int64_t z = days + 719468, era = (z >= 0 ? z : z - 146096) / 146097;
        const std::int64_t doe = z - era * 146097;
        const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
        const std::int64_t day = doy - (153 * mp + 2) / 5 + 1, month = mp < 10 ? mp + 3 : mp - 9;
        const std::int64_t year = yoe + era * 400 + (month <= 2);
        out.num(year).put('-').padded(static_cast<std::uint64_t>(month), 2).put('-');
        out.padded(static_cast<std::uint64_t>(day), 2).put(' ').padded(static_cast<std::uint64_t>(secs / 3600), 2);
        out.put(':').padded(static_cast<std::uint64_t>(secs / 60 % 60), 2).put(':');
        out.padded(static_cast<std::uint64_t>(secs % 60), 2).put(" UTC");
        return true;
    }

    bool elements(detail::textout& out, const plistobject& array, unsigned depth) const
    {
        out.put('[');
        for (std::uint64_t i = 0; i < array.length && out.length() <= PLIST_MAX_TEXT; i++) {
            const auto element = ref(array, i);
            if (i)
                out.put(", ");
            if (!element || !write(out, *element, depth + 1))
                return false;
        }
        out.put(']');
        return true;
    }

    bool entries(detail::textout& out, const plistobject& dict, unsigned depth) const
    {
        out.put('{');
        for (std::uint64_t i = 0; i < dict.length && out.length() <= PLIST_MAX_TEXT; i++) {
            const auto key = ref(dict, i), value = ref(dict, dict.length + i);
            if (i)
                out.put(", ");
            if (!key || !value || !write(out, *key, depth + 1))
                return false;
            out.put('=');
            if (!write(out, *value, depth + 1))
                return false;
        }
        out.put('}');
        return true;
    }

    cursor at_;
    std::uint64_t size_;
    unsigned offsize_ = 0, refsize_ = 0;
    std::uint64_t objects_ = 0, top_ = 0, table_ = 0;
};

// The list an entry holds, or nothing (with a warning for a wrong type).
std::optional<bplist> entrylist(const exif_prop* prop, const tiff_view& view)
{
    if (prop->type != TYPE_UNDEFINED && prop->type != TYPE_BYTE) {
        detail::warn(prop->ctx, "field type mismatch", prop->name);
        return std::nullopt;
    }
    return bplist::open(fielddata(prop, view, 1), prop->count);
}

// The list's text, cut at the cap; the property keeps its own for a malformed list.
void listtext(exif_prop* prop, const bplist& list)
{
    char text[PLIST_MAX_TEXT + 1];
    std::size_t length;
    {
        detail::textout out(text, sizeof text);
        if (!list.write(out, list.top(), 0))
            return;
        length = out.length();
    }
    if (length > PLIST_MAX_TEXT)
        std::memcpy(text + PLIST_MAX_TEXT - 3, "...", 3);
    droptext(prop);
    prop->str = detail::copytext(prop->ctx, text);
}

// ---- Run time and semantic style --------------------------------------------

// Bits of the run time's flags.
constexpr std::int64_t RT_VALID = 1, RT_POSITIVE_INFINITY = 4, RT_NEGATIVE_INFINITY = 8, RT_INDEFINITE = 16;

struct runtime {
    std::int64_t flags, value, timescale;
};

std::optional<runtime> readruntime(const bplist& list)
{
    const auto top = list.object(list.top());
    if (!top)
        return std::nullopt;
    const auto fields = list.lookup<3>(*top, {"flags", "value", "timescale"});
    const auto field = [&](std::size_t i) { return fields[i] ? list.integer(*fields[i]) : std::nullopt; };
    const auto flags = field(0), value = field(1), timescale = field(2);
    if (!flags || !value || !timescale)
        return std::nullopt;
    return runtime{*flags, *value, *timescale};
}

// "86325.03 s", or what the flags say instead of a time.
bool runtimetext(exif_prop* prop, const runtime& rt)
{
    const char* state = !(rt.flags & RT_VALID)              ? "Not Valid"
                        : rt.flags & RT_POSITIVE_INFINITY ? "Positive Infinity"
                        : rt.flags & RT_NEGATIVE_INFINITY ? "Negative Infinity"
                        : rt.flags & RT_INDEFINITE        ? "Indefinite"
                                                          : nullptr;
    if (state) {
        rewrite(prop, TEXT).put(state);
        return true;
    }
    if (rt.timescale <= 0)
        return false;
    rewrite(prop, TEXT).fixed(static_cast<double>(rt.value) / static_cast<double>(rt.timescale), 2).put(" s");
    return true;
}

// Ticks per second of the note's run time, when it is valid.
std::optional<std::int64_t> runtimescale(exif_prop* props, const tiff_view& view)
{
    const exif_prop* prop = findprop(props, apple_tags, TAG_RUNTIME);
    const auto list = prop && (prop->type == TYPE_UNDEFINED || prop->type == TYPE_BYTE)
                          ? bplist::open(fielddata(prop, view, 1), prop->count)
                          : std::nullopt;
    const auto rt = list ? readruntime(*list) : std::nullopt;
    if (!rt || !(rt->flags & RT_VALID) || rt->timescale <= 0)
        return std::nullopt;
    return rt->timescale;
}

// "Preset Rich Contrast, Tone -0.5, Warmth 0"; keys "1" to "3" (written "_1"
// to "_3" by some), any of which may be missing.
bool styletext(exif_prop* prop, const bplist& list)
{
    const auto top = list.object(list.top());
    if (!top)
        return false;
    const auto fields = list.lookup<6>(*top, {"_3", "3", "_1", "1", "_2", "2"});
    const auto field = [&](std::size_t i) {
        const auto& o = fields[i] ? fields[i] : fields[i + 1];
        return o ? list.number(*o) : std::nullopt;
    };
    const auto preset = field(0), tone = field(2), warmth = field(4);
    if (!preset && !tone && !warmth)
        return false;
    detail::textout out = rewrite(prop, TEXT);
    const char* separator = "";
    if (preset) {
        out.put("Preset ");
        const double p = *preset;
        if (p >= 1 && p <= 5 && p == std::floor(p))
            out.put(descrtext(apple_preset, static_cast<std::uint16_t>(p)));
        else
            decimal(out, p);
        separator = ", ";
    }
    if (tone) {
        out.put(separator).put("Tone ");
        decimal(out, *tone);
        separator = ", ";
    }
    if (warmth) {
        out.put(separator).put("Warmth ");
        decimal(out, *warmth);
    }
    return true;
}

void plisttext(exif_prop* prop, const tiff_view& view)
{
    const std::optional<bplist> list = entrylist(prop, view);
    if (!list)
        return;
    if (prop->tag == TAG_RUNTIME) {
        if (const auto rt = readruntime(*list); rt && runtimetext(prop, *rt))
            return;
    } else if (prop->tag == TAG_STYLE && styletext(prop, *list))
        return;
    listtext(prop, *list);
}

// ---- Numbers ----------------------------------------------------------------

// The value of an integer field of one value, which stands in its entry.
std::optional<std::int64_t> singlevalue(const exif_prop* prop)
{
    return prop->count == 1 ? integervalue(prop, tiff_view{}, 0) : std::nullopt;
}

bool expectcount(const exif_prop* prop, std::uint32_t count)
{
    if (prop->count == count)
        return true;
    detail::warn(prop->ctx, "field count mismatch", prop->name);
    return false;
}

// The values of a rational entry of `count` values; nothing, after a warning,
// for another type or count, data outside the note or a zero denominator.
template <std::size_t N>
bool rationals(const exif_prop* prop, const tiff_view& view, double (&out)[N])
{
    if (prop->type != TYPE_SRATIONAL && prop->type != TYPE_RATIONAL) {
        detail::warn(prop->ctx, "field type mismatch", prop->name);
        return false;
    }
    if (!expectcount(prop, N))
        return false;
    const cursor at(view);
    for (std::size_t i = 0; i < N; i++) {
        const std::optional<urational> r = at.rational(prop->value, static_cast<std::uint32_t>(i));
        if (!r) {
            detail::warn(prop->ctx, "invalid field offset", prop->name);
            return false;
        }
        if (!r->den)
            return false;
        out[i] = prop->type == TYPE_SRATIONAL
                     ? static_cast<double>(static_cast<std::int32_t>(r->num)) / static_cast<std::int32_t>(r->den)
                     : static_cast<double>(r->num) / r->den;
    }
    return true;
}

void decimaltext(exif_prop* prop, const tiff_view& view)
{
    double v[1];
    if (!rationals(prop, view, v))
        return;
    detail::textout out = rewrite(prop, TEXT);
    decimal(out, v[0]);
}

// "-0.789 -0.054 0.603 g": X, Y and Z.
void accelerationtext(exif_prop* prop, const tiff_view& view)
{
    double v[3];
    if (!rationals(prop, view, v))
        return;
    detail::textout out = rewrite(prop, TEXT);
    out.fixed(v[0], 3).put(' ').fixed(v[1], 3).put(' ').fixed(v[2], 3).put(" g");
}

// "0.40 - 0.45 m", the nearer first whatever the order stored.
void focusrangetext(exif_prop* prop, const tiff_view& view)
{
    double v[2];
    if (!rationals(prop, view, v))
        return;
    formattext(prop, TEXT, "%.2f - %.2f m", std::min(v[0], v[1]), std::max(v[0], v[1]));
}

// The first value; the second's top four bits and its other 28.
void afperformancetext(exif_prop* prop, const tiff_view& view)
{
    if (prop->type != TYPE_SLONG && prop->type != TYPE_LONG) {
        detail::warn(prop->ctx, "field type mismatch", prop->name);
        return;
    }
    if (!expectcount(prop, 2))
        return;
    const cursor at(view);
    const auto first = at.u32(prop->value), second = at.u32(prop->value + 4ull);
    if (!first || !second) {
        detail::warn(prop->ctx, "invalid field offset", prop->name);
        return;
    }
    detail::textout out = rewrite(prop, TEXT);
    out.num(prop->type == TYPE_SLONG ? static_cast<std::int32_t>(*first) : std::int64_t{*first});
    out.put(' ').unum(*second >> 28).put(' ').unum(*second & 0x0FFFFFFFu);
}

// A listed value's text; any other value shows as the number it is.
void listedtext(exif_prop* prop, const descr_entry* list, const tiff_view& view)
{
    const std::optional<std::int64_t> v = singlevalue(prop);
    if (!v) {
        const bool integer = prop->type == TYPE_BYTE || prop->type == TYPE_SBYTE || prop->type == TYPE_SHORT ||
                             prop->type == TYPE_SSHORT || prop->type == TYPE_LONG || prop->type == TYPE_SLONG;
        detail::warn(prop->ctx, integer ? "field count mismatch" : "field type mismatch", prop->name);
        droptext(prop);
        generictext(prop, view);
        return;
    }
    if (!listentry(list, *v))
        rewrite(prop, TEXT).num(*v);
}

// Seconds into the Live Photo movie, counted in run-time ticks; only a photo
// with a movie (a content identifier) and a valid run time gives them.
void videoindextext(exif_prop* prop, exif_info* info)
{
    const std::optional<std::int64_t> v = singlevalue(prop);
    if (!v || !findprop(info->props, apple_tags, TAG_CONTENTID))
        return;
    if (const auto scale = runtimescale(info->props, info->mkrview))
        rewrite(prop, TEXT).fixed(static_cast<double>(*v) / static_cast<double>(*scale), 3).put(" s");
}

void integertext(exif_prop* prop, const char* unit)
{
    if (const std::optional<std::int64_t> v = singlevalue(prop))
        rewrite(prop, TEXT).num(*v).put(unit);
}

void appfeaturestext(exif_prop* prop)
{
    const std::optional<std::int64_t> v = singlevalue(prop);
    if (!v)
        return;
    if (*v)
        rewrite(prop, TEXT).put("Person or Pet (").num(*v).put(')');
    else
        rewrite(prop, TEXT).put("None");
}

}  // namespace

ifd_block* apple_ifd(std::uint32_t offset, tiff_view* view)
{
    const auto head = cursor(*view).bytes(offset, DIRECTORY_AT);
    const bool known = head && !std::memcmp(head->data(), HEADER, HEADER_NAME) &&
                       !std::memcmp(head->data() + ORDER_AT, "MM", 2) &&
                       checkedorder(*view, offset + DIRECTORY_AT, ORDER_BIG) == ORDER_BIG;
    if (!known) {
        detail::warn(view->ctx, "maker note not supported");
        return nullptr;
    }
    view->base += offset;
    view->order = ORDER_BIG;
    ifd_block* dir = readone(DIRECTORY_AT, apple_tags, *view);
    if (!dir)
        detail::warn(view->ctx, "maker note not supported");
    return dir;
}

void apple_prop(exif_prop* prop, exif_info* info)
{
    // A tag the table does not list keeps its stored text.
    if (prop->lvl == LVL_UNKNOWN)
        return;
    const tiff_view& view = info->mkrview;
    if (const descr_entry* list = tagrow(apple_tags, prop->tag)->table) {
        listedtext(prop, list, view);
        return;
    }
    switch (prop->tag) {
    case TAG_RUNTIME:
    case TAG_STYLE:
    case TAG_STYLEVERSION:
    case TAG_STYLEPRESET: plisttext(prop, view); break;
    case TAG_ACCELERATION: accelerationtext(prop, view); break;
    case TAG_FOCUSRANGE: focusrangetext(prop, view); break;
    case TAG_NOISE:
    case TAG_HEADROOM:
    case TAG_SNR:
    case TAG_HDRGAIN: decimaltext(prop, view); break;
    case TAG_AFPERFORMANCE: afperformancetext(prop, view); break;
    case TAG_VIDEOINDEX: videoindextext(prop, info); break;
    case TAG_COLORTEMP: integertext(prop, " K"); break;
    case TAG_APPFEATURES: appfeaturestext(prop); break;
    default: break;
    }
}

}  // namespace exifkit
