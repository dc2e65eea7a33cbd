// What the maker interpreters share.
#include "makers/common.h"

#include <cstdio>
#include <cstring>

#include "exif/context.h"
#include "exif/proptext.h"

namespace exifkit {

// Wide enough for any factor of two 32-bit terms and any image number.
constexpr std::size_t TEXT = 32;

std::uint32_t subvaluecount(exif_prop* field, std::uint32_t wanted)
{
    return detail::subvaluequota(field->ctx, wanted, field->name);
}

exif_prop* subvalue(exif_prop* field, const tag_def* table, const tag_def& row, std::uint16_t tag,
                    std::uint32_t value)
{
    exif_prop* sub = childprop(field);
    sub->tag = tag;
    sub->value = value;
    sub->tagset = table;
    sub->origin = PROP_SUBVALUE;
    sub->name = row.name;
    sub->descr = row.descr;
    sub->lvl = row.lvl;
    sub->override = row.supersedes;
    if (row.table)
        describe(sub, row.table, static_cast<std::uint16_t>(value));
    return sub;
}

exif_prop* subvalue(exif_prop* field, const tag_def* table, std::uint16_t tag, std::uint32_t value)
{
    return subvalue(field, table, *tagrow(table, tag), tag, value);
}

void tracearray(const exif_prop* field)
{
    if (detail::tracing(field->ctx))
        std::fprintf(detail::traceout(field->ctx), "Processing %s (0x%04X) directory, %u entries\n", field->name,
                     field->tag, field->count);
}

void supersede(exif_prop* prop)
{
    prop->override = tagrow(prop->tagset, prop->tag)->supersedes;
}

void zoomfactor(exif_prop* prop, float factor)
{
    formattext(prop, TEXT, "x%.1f", static_cast<double>(factor));
}

bool zoomtext(exif_prop* prop, urational ratio, nozoom rule)
{
    const bool none = !ratio.den || (ratio.num == ratio.den && rule != nozoom::zero) ||
                      (!ratio.num && rule != nozoom::one);
    if (none)
        formattext(prop, TEXT, "None");
    else
        zoomfactor(prop, static_cast<float>(ratio.num) / static_cast<float>(ratio.den));
    return !none;
}

void imagenumbertext(exif_prop* prop, std::uint32_t folder, std::uint32_t file)
{
    formattext(prop, TEXT, "%03u-%04u", folder, file);
}

std::optional<std::span<const unsigned char>> storedvalue(const exif_prop* prop, const tiff_view& view) noexcept
{
    const int size = prop->type >= TYPE_BYTE && prop->type <= TYPE_DOUBLE ? ftypes[prop->type - 1].size : 0;
    const std::uint64_t length = std::uint64_t{prop->count} * static_cast<std::uint64_t>(size);
    if (!size)
        return std::nullopt;
    // A value of four bytes or fewer stands in the entry, which was read whole.
    if (length <= 4)
        return prop->data ? std::optional(std::span(prop->data, static_cast<std::size_t>(length))) : std::nullopt;
    return cursor(inorder(view, prop->order)).bytes(prop->value, length);
}

int integersize(std::uint16_t type) noexcept
{
    switch (type) {
    case TYPE_BYTE:
    case TYPE_SBYTE:
    case TYPE_UNDEFINED: return 1;
    case TYPE_SHORT:
    case TYPE_SSHORT: return 2;
    case TYPE_LONG:
    case TYPE_SLONG: return 4;
    default: return 0;
    }
}

std::int64_t integerat(const unsigned char* at, std::uint16_t type, int order) noexcept
{
    switch (type) {
    case TYPE_SBYTE: return static_cast<std::int8_t>(*at);
    case TYPE_SHORT: return get16(at, order);
    case TYPE_SSHORT: return static_cast<std::int16_t>(get16(at, order));
    case TYPE_LONG: return get32(at, order);
    case TYPE_SLONG: return static_cast<std::int32_t>(get32(at, order));
    default: return *at;
    }
}

std::optional<std::int64_t> integervalue(const exif_prop* prop, const tiff_view& view, std::uint32_t i) noexcept
{
    const int size = integersize(prop->type);
    const auto stored = size ? storedvalue(prop, view) : std::nullopt;
    if (!stored || i >= prop->count)
        return std::nullopt;
    return integerat(stored->data() + static_cast<std::size_t>(size) * i, prop->type, prop->order);
}

const char* listentry(const descr_entry* list, std::int64_t value) noexcept
{
    for (; list->val != -1; ++list)
        if (list->val == value)
            return list->descr;
    return nullptr;
}

const char* shownfor(std::span<const textrow> rows, const char* stored) noexcept
{
    for (const textrow& row : rows)
        if (!std::strcmp(stored, row.stored))
            return row.shown;
    return nullptr;
}

bool listtext(exif_prop* prop, const descr_entry* table, std::int64_t value)
{
    if (const char* text = listentry(table, value)) {
        rewrite(prop, std::strlen(text) + 1).put(text);
        return true;
    }
    rewrite(prop, TEXT).num(value);
    return false;
}

int checkedorder(const tiff_view& view, std::uint32_t offset, int order) noexcept
{
    const auto count = cursor(inorder(view, order)).u16(offset);
    if (!count)
        return order;
    const unsigned high = *count >> 8, low = *count & 0xFF;
    if (high && high > low)
        return order == ORDER_BIG ? ORDER_LITTLE : ORDER_BIG;
    return order;
}

}  // namespace exifkit
