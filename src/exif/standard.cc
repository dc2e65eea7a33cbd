// Interpretation of the standard properties: their arithmetic texts, and the
// finishing rules every property passes.
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "exif/format.h"
#include "exif/proptext.h"
#include "exif/standard.h"
#include "exif/tables.h"
#include "exif/view.h"
#include "exifkit/records.h"

namespace exifkit {

namespace {

constexpr std::size_t TEXT = 32;   // rational texts: at most 31 characters
constexpr std::uint16_t SHOWN = LVL_CAMERA | LVL_IMAGE | LVL_PAS;

// The rational at the property's offset, for a property the reader gave a text.
bool rational(const exif_prop* prop, const exif_info* info, std::uint32_t* num, std::uint32_t* den)
{
    const std::optional<urational> r = prop->str ? cursor(info->tiff).rational(prop->value) : std::nullopt;
    if (r) {
        *num = r->num;
        *den = r->den;
    }
    return r.has_value();
}

// Numerator over denominator in single precision; 0/0 counts as 0.
float ratio(float num, float den)
{
    const float r = num / den;
    return std::isnan(r) ? 0.0f : r;
}

float uratio(std::uint32_t num, std::uint32_t den)
{
    return ratio(static_cast<float>(num), static_cast<float>(den));
}

float sratio(std::uint32_t num, std::uint32_t den)
{
    return ratio(static_cast<float>(static_cast<std::int32_t>(num)),
                 static_cast<float>(static_cast<std::int32_t>(den)));
}

// A new text for the property: at most 30 characters, in a buffer of 32.
detail::textout newtext(exif_prop* prop)
{
    return detail::textout(replacetext(prop, TEXT), TEXT - 1);
}

void resolution(exif_prop* prop, exif_info* info, std::uint16_t unittag)
{
    const exif_prop* unit = findprop(info->props, tags, unittag);
    std::uint32_t num, den;
    // A zero denominator has no quotient: the reader's "Infinite" stays.
    if (!unit || !rational(prop, info, &num, &den) || !den)
        return;
    newtext(prop).unum(num / den).put(" dp").put(unit->str ? unit->str : "");
}

// 1/n sec from the APEX time value Tv, n = 2^Tv rounded. Exposures longer than
// two seconds read in whole or tenth seconds; values no camera can record
// (beyond the int range either way, or not a number) read "Unknown".
void shutterspeed(exif_prop* prop, exif_info* info)
{
    std::uint32_t num, den;
    if (!rational(prop, info, &num, &den))
        return;
    const double tv = sratio(num, den);
    const double n = std::floor(std::pow(2.0, tv) + 0.5);
    detail::textout text = newtext(prop);
    if (std::isfinite(tv) && n >= 1 && n <= INT_MAX) {
        text.put("1/").num(static_cast<int>(n)).put(" sec");
        return;
    }
    const double seconds = std::pow(2.0, -tv);
    if (std::isfinite(tv) && n < 1 && seconds <= INT_MAX)
        text.fixed(seconds, seconds < 10 ? 1 : 0).put(" sec");
    else
        text.put("Unknown");
}

// The ratio of the property's rational with its decimals, between two texts.
void ratiotext(exif_prop* prop, exif_info* info, const char* before, int decimals, const char* after)
{
    std::uint32_t num, den;
    if (rational(prop, info, &num, &den))
        newtext(prop).put(before).fixed(static_cast<double>(uratio(num, den)), decimals).put(after);
}

// APEX aperture value: f-number = 1.4142 ^ Av.
void aperture(exif_prop* prop, exif_info* info)
{
    std::uint32_t num, den;
    if (rational(prop, info, &num, &den))
        newtext(prop).put("f/").fixed(std::pow(1.4142, static_cast<double>(uratio(num, den))), 1);
}

void brightness(exif_prop* prop, exif_info* info)
{
    std::uint32_t num, den;
    if (!rational(prop, info, &num, &den))
        return;
    if (num == 0xFFFFFFFF)
        newtext(prop).put("Unknown");
    else
        appendsuffix(prop, " EV", 28, TEXT);
}

void subjectdistance(exif_prop* prop, exif_info* info)
{
    std::uint32_t num, den;
    if (!rational(prop, info, &num, &den))
        return;
    detail::textout text = newtext(prop);
    if (num == 0xFFFFFFFF)
        text.put("Infinity");
    else if (!den)
        text.put("Unknown");
    else
        text.fixed(static_cast<double>(uratio(num, den)), 2).put(" m");
}

void digitalzoom(exif_prop* prop, exif_info* info)
{
    std::uint32_t num, den;
    if (!rational(prop, info, &num, &den))
        return;
    if (!num) {
        newtext(prop).put("Unused");
        prop->lvl = LVL_VERBOSE;
    } else if (num == den) {
        prop->lvl = LVL_VERBOSE;
    }
}

// A Flash entry the reader already gave a text (several values, another field
// type) holds no flag word: its text stays. Likewise for the 35 mm focal length.
void flash(exif_prop* prop, const exif_info* info)
{
    if (prop->str)
        return;
    const bool before22 = info->exifmaj <= 2 && info->exifmin <= 19;
    const std::uint16_t bits = static_cast<std::uint16_t>(prop->value & (before22 ? 0x07 : 0x7F));
    constexpr int SIZE = 96;
    char* text = textalloc(prop, SIZE);
    catdescr(text, flash_func, bits & 0x20, SIZE);
    if (bits & 0x20)
        return;
    catdescr(text, flash_fire, bits & 0x01, SIZE);
    catdescr(text, flash_mode, bits & 0x18, SIZE);
    catdescr(text, flash_redeye, bits & 0x40, SIZE);
    catdescr(text, flash_return, bits & 0x06, SIZE);
}

void focal35(exif_prop* prop)
{
    if (prop->str)
        return;
    constexpr int SIZE = 16;
    detail::textout(textalloc(prop, SIZE), SIZE - 1).unum(prop->value).put(" mm");
}

// "21.5 C"; a zero denominator keeps the generic text.
void temperature(exif_prop* prop, exif_info* info)
{
    std::uint32_t num, den;
    if (prop->type != TYPE_SRATIONAL || !rational(prop, info, &num, &den) || !den)
        return;
    const auto n = static_cast<std::int32_t>(num), d = static_cast<std::int32_t>(den);
    // Zero over a negative denominator would read "-0.0".
    newtext(prop).fixed(n ? static_cast<double>(n) / d : 0.0, 1).put(" C");
}

// A focal length or f-number as lenses are labelled: "24", "3.5", "4.15".
void lensnumber(detail::textout& text, double v)
{
    const auto hundredths = static_cast<std::uint64_t>(std::round(v * 100));
    text.fixed(v, hundredths % 100 == 0 ? 0 : hundredths % 10 == 0 ? 1 : 2);
}

// "24-70mm f/2.8-4", "50mm f/1.8", or "50mm" when the f-numbers are unknown
// (zero). Focal lengths unknown or out of order, one f-number alone or a
// non-zero number over a zero denominator keep the generic text.
void lensrange(exif_prop* prop, exif_info* info)
{
    if (prop->type != TYPE_RATIONAL || prop->count != 4 || !prop->str)
        return;
    const cursor at(info->tiff);
    double v[4];
    for (std::uint32_t i = 0; i < 4; i++) {
        const std::optional<urational> r = at.rational(prop->value, i);
        if (!r || (r->num && !r->den))
            return;
        v[i] = r->num ? static_cast<double>(r->num) / r->den : 0;
    }
    if (v[0] == 0 || v[0] > v[1] || (v[2] == 0) != (v[3] == 0))
        return;
    detail::textout text = rewrite(prop, 64);
    lensnumber(text, v[0]);
    if (v[1] != v[0])
        lensnumber(text.put('-'), v[1]);
    text.put("mm");
    if (v[2] == 0)
        return;
    lensnumber(text.put(" f/"), v[2]);
    if (v[3] != v[2])
        lensnumber(text.put('-'), v[3]);
}

}  // namespace

void interpretstandard(exif_prop* prop, exif_info* info)
{
    switch (prop->tag) {
    case 0x0110: info->model = prop->str; break;
    case 0x011A:
    case 0x011B: resolution(prop, info, 0x0128); break;
    case 0xA20E:
    case 0xA20F: resolution(prop, info, 0xA210); break;
    case 0x829A:
        appendsuffix(prop, " sec", 27, TEXT);
        prop->override = 0x9201;
        break;
    case 0x9201: shutterspeed(prop, info); break;
    case 0x829D: ratiotext(prop, info, "f/", 1, ""); break;
    case 0x9202:
    case 0x9205: aperture(prop, info); break;
    case 0x9203: brightness(prop, info); break;
    case 0x9204: appendsuffix(prop, " EV", 28, TEXT); break;
    case 0x9206: subjectdistance(prop, info); break;
    case 0x9209: flash(prop, info); break;
    case 0x920A: ratiotext(prop, info, "", 2, " mm"); break;
    case 0x9400: temperature(prop, info); break;
    case 0xA404: digitalzoom(prop, info); break;
    case 0xA405: focal35(prop); break;
    case 0xA432: lensrange(prop, info); break;
    default: break;
    }
}

namespace {

// The locale decides only for bytes beyond ASCII: within it, white space is
// the same six characters in every locale.
bool isspacebyte(unsigned char c)
{
    if (c < 0x80)
        return c == ' ' || (c >= '\t' && c <= '\r');
    return std::isspace(c);
}

bool isblankbyte(unsigned char c)
{
    return isspacebyte(c) || (c >= 0x01 && c <= 0x1F);
}

}  // namespace

void finishprop(exif_prop* prop, exif_info* info)
{
    if (prop->type == TYPE_ASCII) {
        if (prop->lvl & SHOWN) {
            bool blank = true;
            for (const char* c = prop->str; c && *c && blank; ++c)
                blank = isblankbyte(static_cast<unsigned char>(*c));
            if (blank)
                prop->lvl = LVL_VERBOSE;
        }
        if (prop->str) {
            std::size_t end = 0;
            for (std::size_t i = 0; prop->str[i]; i++) {
                unsigned char& c = reinterpret_cast<unsigned char&>(prop->str[i]);
                if (c >= 0x01 && c <= 0x1F)
                    c = '_';
                if (!isspacebyte(c))
                    end = i + 1;
            }
            prop->str[end] = '\0';
        }
    }
    // The second directory of the main chain describes the thumbnail.
    if (prop->ifdseq == 1 && !prop->par && prop->lvl != LVL_UNKNOWN)
        prop->lvl = LVL_VERBOSE;
    if (prop->override) {
        exif_prop* superseded = findprop(info->props, tags, prop->override);
        if (superseded && (superseded->lvl & SHOWN))
            superseded->lvl = LVL_OVERRIDE;
    }
}

}  // namespace exifkit
