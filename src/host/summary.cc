// The summary: each field from the first property that holds it, in delivery
// order, the standard directories before the maker note. A stored value
// that is malformed leaves its field empty rather than guessing.
#include "host/summary.h"

#include "host/typed.h"

#include <cmath>
#include <cstdint>
#include <numeric>

namespace exifkit::detail {

namespace {

// The properties the summary reads.
enum field : unsigned char {
    MAKE, MODEL, SOFTWARE, LENS_MODEL, ORIENTATION,
    DATE_MODIFIED, DATE_ORIGINAL, DATE_DIGITIZED, OFFSET_MODIFIED, OFFSET_ORIGINAL, OFFSET_DIGITIZED,
    EXPOSURE_TIME, F_NUMBER, ISO_RATINGS, ISO_SPEED, ISO_REI, ISO_SOS, FOCAL_LENGTH, FOCAL_35MM,
    PIXEL_WIDTH, PIXEL_HEIGHT,
    LATITUDE_REF, LATITUDE, LONGITUDE_REF, LONGITUDE, ALTITUDE_REF, ALTITUDE, GPS_TIME, GPS_DATE, GPS_DIRECTION,
    MAKER_LENS, MAKER_ISO,
    FIELDS, NOT_READ = FIELDS
};
static_assert(FIELDS == summarysources::FIELDS);

// Tags of the main and Exif directories.
field standardfield(std::uint16_t tag) noexcept
{
    switch (tag) {
    case 0x010F: return MAKE;
    case 0x0110: return MODEL;
    case 0x0112: return ORIENTATION;
    case 0x0131: return SOFTWARE;
    case 0x0132: return DATE_MODIFIED;
    case 0x829A: return EXPOSURE_TIME;
    case 0x829D: return F_NUMBER;
    case 0x8827: return ISO_RATINGS;
    case 0x8831: return ISO_SOS;
    case 0x8832: return ISO_REI;
    case 0x8833: return ISO_SPEED;
    case 0x9003: return DATE_ORIGINAL;
    case 0x9004: return DATE_DIGITIZED;
    case 0x9010: return OFFSET_MODIFIED;
    case 0x9011: return OFFSET_ORIGINAL;
    case 0x9012: return OFFSET_DIGITIZED;
    case 0x920A: return FOCAL_LENGTH;
    case 0xA002: return PIXEL_WIDTH;
    case 0xA003: return PIXEL_HEIGHT;
    case 0xA405: return FOCAL_35MM;
    case 0xA434: return LENS_MODEL;
    default: return NOT_READ;
    }
}

field gpsfield(std::uint16_t tag) noexcept
{
    switch (tag) {
    case 0x0001: return LATITUDE_REF;
    case 0x0002: return LATITUDE;
    case 0x0003: return LONGITUDE_REF;
    case 0x0004: return LONGITUDE;
    case 0x0005: return ALTITUDE_REF;
    case 0x0006: return ALTITUDE;
    case 0x0007: return GPS_TIME;
    case 0x0011: return GPS_DIRECTION;
    case 0x001D: return GPS_DATE;
    default: return NOT_READ;
    }
}

// Maker fields that answer when no standard one does: their texts.
struct makerfield {
    std::string_view directory;
    std::string_view key;
    field answers;
};
const makerfield makerfields[] = {
    {"Canon", "CanonLensSz",    MAKER_LENS},
    {"Nikon", "NikonLensRange", MAKER_LENS},
    {"Sigma", "SigmaLensRange", MAKER_LENS},
    {"Canon", "CanonISO",       MAKER_ISO},
    {"Nikon", "NikonISOUsed",   MAKER_ISO},
};

field fieldof(dirclass kind, const Property& p) noexcept
{
    switch (kind) {
    case dirclass::main:
    case dirclass::exif: return standardfield(p.tag);
    case dirclass::gps: return gpsfield(p.tag);
    case dirclass::maker:
        for (const makerfield& m : makerfields)
            if (p.key == m.key && p.directory == m.directory)
                return m.answers;
        return NOT_READ;
    default: return NOT_READ;
    }
}

using found = const Property* [FIELDS];

bool digit(char c) noexcept
{
    return c >= '0' && c <= '9';
}

// The number of `width` digits at text[at], or -1.
int digits(std::string_view text, std::size_t at, std::size_t width) noexcept
{
    if (at + width > text.size())
        return -1;
    int n = 0;
    for (std::size_t i = at; i < at + width; i++) {
        if (!digit(text[i]))
            return -1;
        n = n * 10 + (text[i] - '0');
    }
    return n;
}

bool leapyear(int y) noexcept
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

bool validdate(int y, int m, int d) noexcept
{
    static constexpr int DAYS[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || m < 1 || m > 12 || d < 1 || d > DAYS[m - 1])
        return false;
    return m != 2 || d < 29 || leapyear(y);
}

// "2008:05:30" at the front of the text, with any one separator.
std::optional<DateTime> parsedate(std::string_view text) noexcept
{
    DateTime t;
    t.year = digits(text, 0, 4);
    t.month = digits(text, 5, 2);
    t.day = digits(text, 8, 2);
    if (t.year < 0 || t.month < 0 || t.day < 0 || digit(text[4]) || digit(text[7]) || !validdate(t.year, t.month, t.day))
        return std::nullopt;
    return t;
}

std::string_view trimmed(std::string_view text) noexcept
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return text;
}

// A text field: the stored text, or for a derived one the delivered text
// (ISO 8859-1, as UTF-8).
std::optional<std::string> textof(const Property* p)
{
    if (!p)
        return std::nullopt;
    std::string text;
    if (p->value.kind() == Value::Kind::Text)
        text = trimmed(p->value.text());
    else
        appendlatin1(text, trimmed(p->text));
    if (text.empty())
        return std::nullopt;
    return text;
}

// The first number of a property, when it is a finite positive one.
std::optional<double> positive(const Property* p) noexcept
{
    if (!p || !p->value.size() || p->value.truncated())
        return std::nullopt;
    const double v = p->value.number(0);
    return std::isfinite(v) && v > 0 ? std::optional(v) : std::nullopt;
}

std::optional<std::int64_t> positiveinteger(const Property* p) noexcept
{
    if (!p || p->value.kind() != Value::Kind::Integer || !p->value.size() || p->value.truncated())
        return std::nullopt;
    const std::int64_t v = p->value.integer(0);
    return v > 0 ? std::optional(v) : std::nullopt;
}

std::optional<DateTime> datetimeof(const Property* date, const Property* offset)
{
    if (!date || date->value.kind() != Value::Kind::Text)
        return std::nullopt;
    std::optional<DateTime> t = parsedatetime(date->value.text());
    if (t && offset && offset->value.kind() == Value::Kind::Text)
        t->offset = parseoffset(offset->value.text());
    return t;
}

std::optional<Rational> exposureof(const Property* p) noexcept
{
    if (!p || p->value.kind() != Value::Kind::Rational || p->value.size() != 1)
        return std::nullopt;
    Rational r = p->value.rational();
    if (r.numerator <= 0 || r.denominator <= 0)
        return std::nullopt;
    const std::int64_t divisor = std::gcd(r.numerator, r.denominator);
    return Rational{r.numerator / divisor, r.denominator / divisor};
}

std::optional<std::int64_t> isoof(const found& f) noexcept
{
    // A SHORT rating saturates at 65535; the Exif 2.3 tags then give the speed.
    if (auto iso = positiveinteger(f[ISO_RATINGS]); iso && *iso < 65535)
        return iso;
    for (field source : {ISO_SPEED, ISO_REI, ISO_SOS})
        if (auto iso = positiveinteger(f[source]))
            return iso;
    if (!f[MAKER_ISO])
        return std::nullopt;
    // A maker's ISO: its text when that is a plain number.
    const std::string& text = f[MAKER_ISO]->text;
    std::int64_t iso = 0;
    for (char c : text) {
        if (!digit(c) || iso > 1000000)
            return std::nullopt;
        iso = iso * 10 + (c - '0');
    }
    return iso > 0 ? std::optional(iso) : std::nullopt;
}

// Three rationals of degrees, minutes and seconds, signed by a one-letter
// reference: `positive` (N, E) or `negative` (S, W). Nothing for a
// reference of another letter or a value out of range.
std::optional<double> coordinate(const Property* value, const Property* ref, double limit, char positive,
                                 char negative) noexcept
{
    if (!value || !ref || value->value.kind() != Value::Kind::Rational || value->value.size() != 3 ||
        ref->value.kind() != Value::Kind::Text)
        return std::nullopt;
    const std::string_view letter = ref->value.text();
    if (letter.size() != 1 || (letter[0] != positive && letter[0] != negative))
        return std::nullopt;
    const double d = value->value.number(0), m = value->value.number(1), s = value->value.number(2);
    if (!(d >= 0 && d <= limit && m >= 0 && m < 60 && s >= 0 && s < 60))
        return std::nullopt;
    const double degrees = d + m / 60 + s / 3600;
    if (degrees > limit)
        return std::nullopt;
    return letter[0] == negative ? -degrees : degrees;
}

std::optional<double> altitudeof(const Property* value, const Property* ref) noexcept
{
    const std::optional<double> metres =
        value && value->value.kind() == Value::Kind::Rational && value->value.size() == 1
            ? std::optional(value->value.number(0))
            : std::nullopt;
    if (!metres || !std::isfinite(*metres) || *metres < 0)
        return std::nullopt;
    // The reference defaults to above sea level when the file leaves it out.
    const std::int64_t below = ref && ref->value.kind() == Value::Kind::Integer ? ref->value.integer() : 0;
    if (ref && ref->value.kind() != Value::Kind::Integer)
        return std::nullopt;
    if (below != 0 && below != 1)
        return std::nullopt;
    return below ? -*metres : *metres;
}

std::optional<DateTime> gpstimeof(const Property* date, const Property* time)
{
    if (!date || !time || date->value.kind() != Value::Kind::Text || time->value.kind() != Value::Kind::Rational ||
        time->value.size() != 3)
        return std::nullopt;
    std::optional<DateTime> t = parsedate(date->value.text());
    const double h = time->value.number(0), m = time->value.number(1), s = time->value.number(2);
    if (!t || !(h >= 0 && h < 24 && m >= 0 && m < 60 && s >= 0 && s < 60))
        return std::nullopt;
    if (h != std::floor(h) || m != std::floor(m))
        return std::nullopt;
    t->hour = static_cast<int>(h);
    t->minute = static_cast<int>(m);
    t->second = static_cast<int>(s);
    t->microsecond = static_cast<int>(std::lround((s - std::floor(s)) * 1e6));
    if (t->microsecond >= 1000000)
        t->microsecond = 999999;
    t->offset = 0;
    return t;
}

std::optional<double> directionof(const Property* p) noexcept
{
    if (!p || p->value.kind() != Value::Kind::Rational || p->value.size() != 1)
        return std::nullopt;
    const double d = p->value.number(0);
    return d >= 0 && d <= 360 ? std::optional(d) : std::nullopt;
}

std::optional<Position> positionof(const found& f)
{
    Position gps;
    gps.latitude = coordinate(f[LATITUDE], f[LATITUDE_REF], 90, 'N', 'S');
    gps.longitude = coordinate(f[LONGITUDE], f[LONGITUDE_REF], 180, 'E', 'W');
    gps.altitude = altitudeof(f[ALTITUDE], f[ALTITUDE_REF]);
    gps.timestamp = gpstimeof(f[GPS_DATE], f[GPS_TIME]);
    gps.direction = directionof(f[GPS_DIRECTION]);
    if (!gps.latitude && !gps.longitude && !gps.altitude && !gps.timestamp && !gps.direction)
        return std::nullopt;
    return gps;
}

// The pixel size: the JPEG frame's, else the Exif dimensions.
void pixelsize(Summary& s, const Metadata& m, const found& f)
{
    if (m.frame && m.frame->width > 0 && m.frame->height > 0) {
        s.width = m.frame->width;
        s.height = m.frame->height;
        return;
    }
    s.width = positiveinteger(f[PIXEL_WIDTH]);
    s.height = positiveinteger(f[PIXEL_HEIGHT]);
}

}  // namespace

std::optional<DateTime> parsedatetime(std::string_view text) noexcept
{
    std::optional<DateTime> t = parsedate(text);
    if (!t || text.size() < 19 || digit(text[10]) || digit(text[13]) || digit(text[16]))
        return std::nullopt;
    t->hour = digits(text, 11, 2);
    t->minute = digits(text, 14, 2);
    t->second = digits(text, 17, 2);
    if (t->hour < 0 || t->hour > 23 || t->minute < 0 || t->minute > 59 || t->second < 0 || t->second > 59)
        return std::nullopt;
    return t;
}

std::optional<int> parseoffset(std::string_view text) noexcept
{
    if (text.size() < 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':')
        return std::nullopt;
    const int hours = digits(text, 1, 2), minutes = digits(text, 4, 2);
    if (hours < 0 || hours > 14 || minutes < 0 || minutes > 59)
        return std::nullopt;
    const int offset = hours * 60 + minutes;
    return text[0] == '-' ? -offset : offset;
}

void summarysources::offer(dirclass kind, const Property& p, std::uint32_t group, std::uint32_t index) noexcept
{
    const field which = fieldof(kind, p);
    if (which != NOT_READ && at_[which].group == NONE)
        at_[which] = place{group, index};
}

void summarysources::summarize(Metadata& m) const
{
    found f{};
    for (std::size_t i = 0; i < FIELDS; i++)
        if (at_[i].group != NONE)
            f[i] = &m.groups[at_[i].group].properties[at_[i].index];
    Summary& s = m.summary;
    s = Summary{};
    s.make = textof(f[MAKE]);
    s.model = textof(f[MODEL]);
    s.software = textof(f[SOFTWARE]);
    s.lens = textof(f[LENS_MODEL]);
    if (!s.lens)
        s.lens = textof(f[MAKER_LENS]);
    s.datetime_original = datetimeof(f[DATE_ORIGINAL], f[OFFSET_ORIGINAL]);
    s.datetime_digitized = datetimeof(f[DATE_DIGITIZED], f[OFFSET_DIGITIZED]);
    s.datetime_modified = datetimeof(f[DATE_MODIFIED], f[OFFSET_MODIFIED]);
    s.exposure_time = exposureof(f[EXPOSURE_TIME]);
    s.f_number = positive(f[F_NUMBER]);
    s.iso = isoof(f);
    s.focal_length = positive(f[FOCAL_LENGTH]);
    s.focal_length_35mm = positive(f[FOCAL_35MM]);
    if (const auto o = positiveinteger(f[ORIENTATION]); o && *o <= 8)
        s.orientation = static_cast<int>(*o);
    pixelsize(s, m, f);
    s.gps = positionof(f);
}

}  // namespace exifkit::detail
