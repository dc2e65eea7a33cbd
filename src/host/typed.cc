// The record fields of a delivered property: its key and directory, and its
// stored value read again, typed, through the bounds-checked cursor.
#include "host/typed.h"

#include <cstring>
#include <string>
#include <string_view>

#include "exif/view.h"
#include "exifkit/records.h"
#include "parse/dispatch.h"

namespace exifkit::detail {

namespace {

constexpr std::uint16_t TAG_EXIFIFD = 0x8769, TAG_GPSIFD = 0x8825, TAG_INTEROP = 0xA005, TAG_MAKERNOTE = 0x927C;

// "IFD0" to "IFD63": the main chain holds at most 64 directories.
struct ifdnames {
    static constexpr unsigned COUNT = 64;
    char text[COUNT][6];
    constexpr ifdnames() : text{}
    {
        for (unsigned i = 0; i < COUNT; i++) {
            unsigned n = 0;
            for (char c : {'I', 'F', 'D'})
                text[i][n++] = c;
            if (i >= 10)
                text[i][n++] = static_cast<char>('0' + i / 10);
            text[i][n] = static_cast<char>('0' + i % 10);
        }
    }
};
constexpr ifdnames IFD_NAMES;

std::string_view mainchainname(std::uint32_t position) noexcept
{
    return position < ifdnames::COUNT ? IFD_NAMES.text[position] : "IFD";
}

struct directory {
    std::string_view name;
    dirclass kind;
};

// The directory of an entry, named by the pointer that led to it. A pointer
// inside a maker note leads to more of the maker's directories.
directory directoryofentry(const exif_prop* prop) noexcept
{
    // A maker's sub-directory is named by its own table.
    const tag_def* innermost = nullptr;
    // Each step goes one directory up; the walk queues at most 64.
    for (int depth = 0; prop && depth < 256; depth++) {
        if (prop->origin != PROP_ENTRY) {
            prop = prop->par;
            continue;
        }
        if (!innermost)
            innermost = prop->tagset;
        const exif_prop* pointer = prop->par;
        if (!pointer)
            return {mainchainname(prop->ifdseq), prop->ifdseq == 0 ? dirclass::main : dirclass::other};
        if (pointer->tagset == tags)
            switch (pointer->tag) {
            case TAG_EXIFIFD: return {"Exif", dirclass::exif};
            case TAG_GPSIFD: return {"GPS", dirclass::gps};
            case TAG_INTEROP: return {"Interop", dirclass::other};
            case TAG_MAKERNOTE: return {notedirectory(innermost), dirclass::maker};
            default: break;
            }
        prop = pointer;
    }
    return {{}, dirclass::other};
}

std::string_view orempty(const char* text) noexcept
{
    return text ? std::string_view(text) : std::string_view();
}

Value::Kind kindof(std::uint16_t type) noexcept
{
    switch (type) {
    case TYPE_ASCII: return Value::Kind::Text;
    case TYPE_UNDEFINED: return Value::Kind::Bytes;
    case TYPE_RATIONAL:
    case TYPE_SRATIONAL: return Value::Kind::Rational;
    case TYPE_FLOAT:
    case TYPE_DOUBLE: return Value::Kind::Real;
    default: return Value::Kind::Integer;
    }
}

// Bytes each value of a known type takes; ftypes lists the types from 1 in order.
std::uint32_t elementsize(std::uint16_t type) noexcept
{
    // An entry of type IFD, which maker directories may hold, is a LONG offset.
    constexpr std::uint16_t TYPE_IFD = 13;
    if (type == TYPE_IFD)
        return 4;
    return type >= TYPE_BYTE && type <= TYPE_DOUBLE ? static_cast<std::uint32_t>(ftypes[type - 1].size) : 0;
}

void settext(Value& v, std::string_view stored)
{
    if (isutf8(stored)) {
        v.setText(stored);
        return;
    }
    std::string utf8;
    appendlatin1(utf8, stored);
    v.setText(utf8);
}

std::uint8_t byteat(const cursor& at, std::uint32_t i) noexcept
{
    const auto b = at.bytes(i, 1);
    return b ? b->front() : 0;
}

std::int64_t integerat(const cursor& at, std::uint16_t type, std::uint32_t i) noexcept
{
    switch (type) {
    case TYPE_BYTE: return byteat(at, i);
    case TYPE_SBYTE: return static_cast<std::int8_t>(byteat(at, i));
    case TYPE_SHORT: return at.u16(2ull * i).value_or(0);
    case TYPE_SSHORT: return static_cast<std::int16_t>(at.u16(2ull * i).value_or(0));
    case TYPE_SLONG: return static_cast<std::int32_t>(at.u32(4ull * i).value_or(0));
    default: return at.u32(4ull * i).value_or(0);
    }
}

double realat(const cursor& at, std::uint16_t type, int order, std::uint32_t i) noexcept
{
    if (type == TYPE_FLOAT)
        return static_cast<double>(bitcopy<float>(at.u32(4ull * i).value_or(0)));
    const std::uint32_t first = at.u32(8ull * i).value_or(0), second = at.u32(8ull * i + 4).value_or(0);
    const std::uint64_t high = order == ORDER_BIG ? first : second, low = order == ORDER_BIG ? second : first;
    return bitcopy<double>(high << 32 | low);
}

void setnumbers(Value& v, const cursor& at, const exif_prop& prop, Value::Kind kind)
{
    v.setNumbers(kind, prop.count, prop.count != 1);
    for (std::uint32_t i = 0; i < prop.count; i++)
        switch (kind) {
        case Value::Kind::Rational: {
            const urational r = at.rational(0, i).value_or(urational{0, 0});
            if (prop.type == TYPE_SRATIONAL)
                v.setRationalAt(i, static_cast<std::int32_t>(r.num), static_cast<std::int32_t>(r.den));
            else
                v.setRationalAt(i, r.num, r.den);
            break;
        }
        case Value::Kind::Real: v.setRealAt(i, realat(at, prop.type, prop.order, i)); break;
        default: v.setIntegerAt(i, integerat(at, prop.type, i)); break;
        }
}

// What a value of this kind and count costs in the file's budget.
std::uint64_t costof(Value::Kind kind, std::uint32_t count) noexcept
{
    switch (kind) {
    case Value::Kind::Text:
    case Value::Kind::Bytes: return count;
    case Value::Kind::Rational: return 16ull * count;
    default: return 8ull * count;
    }
}

void entryvalue(context& ctx, const exif_prop& prop, Value& v, valuebudget& budget)
{
    const std::uint32_t size = elementsize(prop.type);
    if (!prop.data || !size) {
        v.clear();
        return;
    }
    const Value::Kind kind = kindof(prop.type);
    const bool numbers = kind != Value::Kind::Text && kind != Value::Kind::Bytes;
    const bool overcap = kind == Value::Kind::Bytes ? prop.count > Value::MAX_BYTES
                                                    : numbers && prop.count > Value::MAX_ELEMENTS;
    if (overcap || !budget.take(ctx, costof(kind, prop.count))) {
        v.setTruncated(kind, prop.count, numbers && prop.count != 1);
        return;
    }
    const std::uint64_t length = std::uint64_t{prop.count} * size;
    if (ctx.pages() && !ctx.pages()->load(prop.data, length)) {
        v.clear();
        return;
    }
    const cursor at(tiff_view{prop.order, prop.data, prop.data + length, nullptr});
    if (numbers) {
        setnumbers(v, at, prop, kind);
        return;
    }
    const auto stored = at.bytes(0, length).value_or(std::span<const unsigned char>());
    if (kind == Value::Kind::Bytes) {
        v.setBytes(stored.data(), stored.size());
        return;
    }
    const std::string_view text(reinterpret_cast<const char*>(stored.data()), stored.size());
    settext(v, text.substr(0, text.find('\0')));
}

// A sub-value holds one value of its array, signed as the array's type is.
void subvaluevalue(const exif_prop& prop, Value& v)
{
    v.setNumbers(Value::Kind::Integer, 1, false);
    const std::uint16_t arraytype = prop.par ? prop.par->type : 0;
    switch (arraytype) {
    case TYPE_SBYTE: v.setIntegerAt(0, static_cast<std::int8_t>(prop.value)); break;
    case TYPE_SSHORT: v.setIntegerAt(0, static_cast<std::int16_t>(prop.value)); break;
    case TYPE_SLONG: v.setIntegerAt(0, static_cast<std::int32_t>(prop.value)); break;
    default: v.setIntegerAt(0, prop.value); break;
    }
}

}  // namespace

bool isutf8(std::string_view text) noexcept
{
    std::size_t i = 0;
    // Most texts are ASCII: eight bytes at a time while no byte has its high bit.
    for (std::uint64_t word; i + 8 <= text.size(); i += 8) {
        std::memcpy(&word, text.data() + i, 8);
        if (word & 0x8080808080808080ull)
            break;
    }
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            i++;
            continue;
        }
        const int more = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : -1;
        if (more < 0 || text.size() - i <= static_cast<std::size_t>(more))
            return false;
        const auto second = static_cast<unsigned char>(text[i + 1]);
        if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) || (c == 0xF0 && second < 0x90) ||
            (c == 0xF4 && second > 0x8F))
            return false;
        for (int k = 1; k <= more; k++)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

void appendlatin1(std::string& out, std::string_view text)
{
    // Runs of ASCII, most texts whole, pass at once.
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80)
            continue;
        out.append(text, from, i - from);
        appendlatin1(out, c);
        from = i + 1;
    }
    out.append(text, from, text.size() - from);
}

std::optional<std::span<const unsigned char>> thumbnailof(const exif_info& info) noexcept
{
    constexpr std::uint16_t TAG_THUMBNAIL = 0x0201, TAG_THUMBNAIL_LENGTH = 0x0202;
    std::optional<std::uint32_t> offset, length;
    for (const exif_prop* prop = info.props; prop; prop = prop->next)
        if (prop->origin == PROP_ENTRY && !prop->par && prop->ifdseq == 1 && prop->tagset == tags) {
            if (prop->tag == TAG_THUMBNAIL)
                offset = prop->value;
            else if (prop->tag == TAG_THUMBNAIL_LENGTH)
                length = prop->value;
        }
    if (!offset || !length)
        return std::nullopt;
    // Only a JPEG, and only when all of it lies inside the block.
    const auto bytes = cursor(info.tiff).bytes(*offset, *length);
    if (!bytes || bytes->size() < 2 || (*bytes)[0] != 0xFF || (*bytes)[1] != 0xD8)
        return std::nullopt;
    return bytes;
}

bool valuebudget::take(context& ctx, std::uint64_t n)
{
    if (n <= FILE_BYTES - used_) {
        used_ += n;
        return true;
    }
    if (!warned_) {
        warned_ = true;
        ctx.warn("too much value data; giving the rest by length");
    }
    return false;
}

void describer::directoryof(const exif_prop& prop, Property& p, dirclass& kind)
{
    // A sub-value or derived text belongs where its field does.
    const exif_prop* entry = &prop;
    for (int depth = 0; entry && entry->origin != PROP_ENTRY && depth < 256; depth++)
        entry = entry->par;
    if (!entry) {
        p.directory = {};
        kind = dirclass::other;
        return;
    }
    if (!havelast_ || last_.pointer != entry->par || last_.table != entry->tagset ||
        (!entry->par && last_.position != entry->ifdseq)) {
        const directory dir = directoryofentry(entry);
        last_ = lastdirectory{entry->par, entry->tagset, entry->ifdseq, dir.name, dir.kind};
        havelast_ = true;
    }
    p.directory = last_.name;
    kind = last_.kind;
}

dirclass describer::describe(context& ctx, const exif_prop& prop, Property& p)
{
    // Without a description the name was delivered, and its length is known.
    p.key = prop.descr || !prop.name ? orempty(prop.name) : p.name;
    dirclass kind;
    directoryof(prop, p, kind);
    p.tag = prop.tag;
    // A sub-value or a derived text names the field it came from.
    p.parent = prop.origin != PROP_ENTRY && prop.par ? orempty(prop.par->name) : std::string_view();
    switch (prop.origin) {
    case PROP_ENTRY:
        p.type = prop.type;
        p.count = prop.count;
        entryvalue(ctx, prop, p.value, budget_);
        break;
    case PROP_SUBVALUE:
        p.type = prop.par ? prop.par->type : prop.type;
        p.count = 1;
        subvaluevalue(prop, p.value);
        break;
    default:
        p.type = 0;
        p.count = 0;
        p.value.clear();
        break;
    }
    return kind;
}

}  // namespace exifkit::detail
