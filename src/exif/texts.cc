#include "exif/texts.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "exif/context.h"
#include "exif/format.h"
#include "exif/proptext.h"
#include "exif/tables.h"
#include "exif/view.h"

namespace exifkit {

namespace {

constexpr std::size_t RATIONAL_TEXT = 32;

// A new text holding the first n bytes of data, cut at the first NUL; none
// once the parse has copied more text than any real block holds.
void copytext(exif_prop* prop, const unsigned char* data, std::size_t n)
{
    const std::size_t len = strnlen(reinterpret_cast<const char*>(data), n);
    if (!detail::textquota(prop->ctx, n + 1))
        return;
    std::memcpy(textalloc(prop, n + 1), data, len);
}

bool iscommentspace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void asciitext(exif_prop* prop, const tiff_view& view)
{
    if (prop->count <= 4) {
        const valuebytes bytes = storedbytes(prop->value, view.order);
        copytext(prop, bytes.b, 4);
        return;
    }
    if (const unsigned char* data = viewspan(view, prop->value, prop->count))
        copytext(prop, data, prop->count);
}

void rationalfield(exif_prop* prop, const tiff_view& view, bool is_signed)
{
    const std::uint64_t bytes = std::max<std::uint64_t>(8ull * prop->count, 8);
    const unsigned char* data = viewspan(view, prop->value, bytes);
    if (!data)
        return;
    rationaltext(textalloc(prop, RATIONAL_TEXT), RATIONAL_TEXT,
                 get32(data, view.order), get32(data + 4, view.order), is_signed);
}

void shortlist(exif_prop* prop, const tiff_view& view)
{
    if (prop->count < 3 || prop->count > 8)
        return;
    const unsigned char* data = viewspan(view, prop->value, 2ull * prop->count);
    if (!data)
        return;
    const std::size_t size = 8 * prop->count + 1;
    detail::textout out(textalloc(prop, size), size);
    for (std::uint32_t i = 0; i < prop->count; i++) {
        const unsigned char* at = data + 2 * i;
        const int v = prop->type == TYPE_SSHORT ? static_cast<std::int16_t>(get16(at, view.order)) : get16(at, view.order);
        if (i)
            out.put(", ");
        out.num(v);
    }
}

}  // namespace

void rationaltext(char* buf, std::size_t size, std::uint32_t num, std::uint32_t den, bool is_signed)
{
    // Work on magnitudes in 64 bits so that no value of either field type overflows.
    const bool nneg = is_signed && static_cast<std::int32_t>(num) < 0;
    const bool dneg = is_signed && static_cast<std::int32_t>(den) < 0;
    std::uint64_t an = nneg ? 0x100000000ull - num : num;
    std::uint64_t ad = dneg ? 0x100000000ull - den : den;
    if (const std::uint64_t g = gcd(static_cast<std::uint32_t>(an), static_cast<std::uint32_t>(ad)); g) {
        an /= g;
        ad /= g;
    }
    const std::int64_t n = nneg ? -static_cast<std::int64_t>(an) : static_cast<std::int64_t>(an);
    const std::int64_t d = dneg ? -static_cast<std::int64_t>(ad) : static_cast<std::int64_t>(ad);
    const double q = static_cast<double>(n) / static_cast<double>(d ? d : 1);

    detail::textout out(buf, size);
    if (n == 0)
        out.put("0");
    else if (d == 0)
        out.put("Infinite");
    else if (an == ad || ad == 1)
        out.num(n / d);
    else if (an > ad)
        out.fixed(q, 1);
    else if (ad <= 2 || an == 1 || (q > -0.1 && q < 0.1))
        out.num(n).put('/').num(d);
    else
        out.fixed(q, 1);
}

int twodigits(unsigned char a, unsigned char b)
{
    const char text[3] = {static_cast<char>(a), static_cast<char>(b), '\0'};
    return std::atoi(text);
}

void tabletext(exif_prop* prop, const descr_entry* table, const tiff_view& view)
{
    std::uint16_t key = static_cast<std::uint16_t>(prop->value);
    const bool onebyte = prop->type == TYPE_BYTE || prop->type == TYPE_SBYTE || prop->type == TYPE_UNDEFINED;
    if (onebyte && prop->count == 1)
        key = storedbytes(prop->value, view.order).b[0];
    describe(prop, table, key);
}

void versiontext(exif_prop* prop, exif_info* info, const tiff_view& view)
{
    const valuebytes v = storedbytes(prop->value, view.order);
    info->exifmaj = static_cast<std::int16_t>(twodigits(v.b[0], v.b[1]));
    info->exifmin = static_cast<std::int16_t>(twodigits(v.b[2], v.b[3]));
    // "%d.%02d": two characters each way give at most "-9.-9" or "99.99".
    detail::textout out(textalloc(prop, 8), 8);
    out.num(info->exifmaj).put('.');
    if (info->exifmin < 0)
        out.num(info->exifmin);
    else
        out.padded(static_cast<std::uint64_t>(info->exifmin), 2);
}

void commenttext(exif_prop* prop, const tiff_view& view)
{
    const unsigned char* data = prop->count > 7 && prop->type == TYPE_UNDEFINED
                                    ? viewspan(view, prop->value, prop->count)
                                    : nullptr;
    if (!data) {
        generictext(prop, view);
        return;
    }
    const ucomment_def* code = ucomment;
    while (code->code && std::memcmp(code->code, data, 8))
        ++code;
    if (code->type != TYPE_ASCII) {
        generictext(prop, view);
        return;
    }
    const char* text = reinterpret_cast<const char*>(data + 8);
    std::size_t len = strnlen(text, prop->count - 8);
    while (len && iscommentspace(static_cast<unsigned char>(text[len - 1])))
        --len;
    if (!detail::textquota(prop->ctx, len + 1))
        return;
    std::memcpy(textalloc(prop, len + 1), text, len);
    prop->lvl = len ? LVL_IMAGE : LVL_VERBOSE;
}

void filesrctext(exif_prop* prop, const tiff_view& view)
{
    describe(prop, filesrcs, storedbytes(prop->value, view.order).b[0]);
}

void generictext(exif_prop* prop, const tiff_view& view)
{
    switch (prop->type) {
    case TYPE_ASCII:
        asciitext(prop, view);
        break;
    case TYPE_RATIONAL:
    case TYPE_SRATIONAL:
        rationalfield(prop, view, prop->type == TYPE_SRATIONAL);
        break;
    case TYPE_SHORT:
    case TYPE_SSHORT:
        shortlist(prop, view);
        break;
    default:
        break;
    }
}

}  // namespace exifkit
