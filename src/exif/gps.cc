// Texts of the GPS directory: version, reference letters, coordinates,
// altitude and time stamp.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "exif/context.h"
#include "exif/format.h"
#include "exif/proptext.h"
#include "exif/view.h"
#include "exifkit/errors.h"
#include "exifkit/records.h"

namespace exifkit {

namespace {

constexpr std::size_t TEXT = 32;
constexpr const char* DEGREE = "\xB0";  // ISO 8859-1 degree sign

// Decimals to print for a ratio: the number of decimal digits the denominator spans.
int precision(std::uint32_t den)
{
    return den ? static_cast<int>(std::log10(static_cast<double>(den))) : 0;
}

double gpsratio(std::uint32_t num, std::uint32_t den)
{
    return num && den ? static_cast<double>(num) / static_cast<double>(den) : 0.0;
}

// A property the reader already gave a text came from an entry of another
// field type; its text stays.
void version(exif_prop* prop, const exif_info* info)
{
    if (prop->str)
        return;
    const valuebytes v = storedbytes(prop->value, info->tiff.order);
    char* text = textalloc(prop, 8);
    for (int i = 0; i < 4; i++) {
        text[2 * i] = static_cast<char>(v.b[i] + 0x30);
        text[2 * i + 1] = '.';
    }
    text[7] = '\0';
}

void reference(exif_prop* prop, const exif_info* info)
{
    const unsigned char letter = storedbytes(prop->value, info->tiff.order).b[0];
    droptext(prop);
    if (const descr_entry* table = tagrow(gpstags, prop->tag)->table)
        describe(prop, table, letter);
    else
        textalloc(prop, 2)[0] = static_cast<char>(letter);
}

// "N 37° 46' 30.1": each part with as many decimals as its denominator spans.
void coordinate(exif_prop* prop, exif_info* info)
{
    const cursor at(info->tiff);
    const std::optional<urational> parts[3] = {at.rational(prop->value, 0), at.rational(prop->value, 1),
                                               at.rational(prop->value, 2)};
    if (prop->count != 3 || !parts[0] || !parts[1] || !parts[2]) {
        detail::warn(prop->ctx, "unexpected GPS coordinate values");
        return;
    }
    std::uint32_t n[3], d[3];
    for (int i = 0; i < 3; i++) {
        n[i] = parts[i]->num;
        d[i] = parts[i]->den;
    }
    const exif_prop* ref = findprop(info->props, gpstags, static_cast<std::uint16_t>(prop->tag - 1));
    const char* reftext = ref && ref->str ? ref->str : "";

    const int degdigits = n[0] && d[0] && d[0] != 1 ? precision(d[0]) : 0;
    const int mindigits = n[1] && d[1] && d[1] != 1 ? precision(d[1]) : 0;
    const double deg = gpsratio(n[0], d[0]), min = gpsratio(n[1], d[1]);
    detail::textout text(replacetext(prop, TEXT), TEXT - 1);
    text.put(reftext).put(' ').fixed(deg, degdigits).put(DEGREE).put(' ').fixed(min, mindigits).put('\'');
    if (n[2] && d[2])
        text.put(' ').fixed(gpsratio(n[2], d[2]), d[2] == 1 ? 0 : precision(d[2]));
}

void altitude(exif_prop* prop, exif_info* info)
{
    const std::optional<urational> r = prop->str ? cursor(info->tiff).rational(prop->value) : std::nullopt;
    if (!r)
        return;
    double metres = gpsratio(r->num, r->den);
    const exif_prop* ref = findprop(info->props, gpstags, 0x0005);
    // Below sea level; an altitude that prints as zero stays unsigned.
    if (ref && ref->value && std::round(metres * 100) != 0)
        metres = -metres;
    detail::textout(replacetext(prop, TEXT), TEXT - 1).fixed(metres, 2).put(" m");
}

// One part of a time, two digits at least, with as many decimals as the
// denominator has zeros, after a colon unless it is the first; cut to the
// piece's size. Returns its length.
std::size_t timepart(char (&piece)[8], bool colon, std::uint32_t num, std::uint32_t den)
{
    char number[24];
    const double value = static_cast<double>(num) / static_cast<double>(den);
    const std::size_t digits = detail::textout(number, sizeof number).fixed(value, precision(den)).length();
    detail::textout part(piece, sizeof piece);
    if (colon)
        part.put(':');
    if (digits < 2)
        part.put('0');
    return std::min(part.put(number).length(), sizeof piece - 1);
}

// "14:30:15.23". A time has three parts; pieces after the first zero
// denominator are dropped.
void timestamp(exif_prop* prop, exif_info* info)
{
    const cursor at(info->tiff);
    if (!prop->str || !at.has(prop->value, 8ull * prop->count))
        return;
    char* text = replacetext(prop, TEXT);
    std::size_t used = 0;
    const std::uint32_t parts = prop->count < 3 ? prop->count : 3;
    for (std::uint32_t i = 0; i < parts; i++) {
        const auto [num, den] = *at.rational(prop->value, i);
        if (!den)
            break;
        char piece[8];
        const std::size_t len = timepart(piece, i > 0, num, den);
        if (used + len >= TEXT)
            break;
        std::memcpy(text + used, piece, len);
        used += len;
    }
}

}  // namespace

void gpsprop(exif_prop* prop, exif_info* info)
{
    switch (prop->tag) {
    case 0x00: version(prop, info); break;
    case 0x01: case 0x03: case 0x09: case 0x0A: case 0x0C: case 0x0E:
    case 0x10: case 0x13: case 0x15: case 0x17: case 0x19:
        reference(prop, info);
        break;
    case 0x02: case 0x04: case 0x14: case 0x16: coordinate(prop, info); break;
    case 0x06: altitude(prop, info); break;
    case 0x07: timestamp(prop, info); break;
    default: break;
    }
}

}  // namespace exifkit
