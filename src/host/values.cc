// The typed value, the date text and the lookup of the value API.
#include <cmath>
#include <cstdio>
#include <limits>

#include "exifkit/reader.h"
#include "host/typed.h"

namespace exifkit {

namespace {

// Slots per element: a rational takes two.
std::size_t width(Value::Kind kind) noexcept
{
    return kind == Value::Kind::Rational ? 2 : 1;
}

bool isnumber(Value::Kind kind) noexcept
{
    return kind == Value::Kind::Integer || kind == Value::Kind::Rational || kind == Value::Kind::Real;
}

}  // namespace

void Value::setmany(std::size_t slots)
{
    chars_.resize(8 * slots);
}

void Value::setRealAt(std::size_t i, double v) noexcept
{
    if (kind_ == Kind::Real && i < size_ && !truncated_)
        put(i, detail::bitcopy<std::int64_t>(v));
}

void Value::setText(std::string_view utf8)
{
    clear();
    kind_ = Kind::Text;
    chars_.assign(utf8);
    size_ = chars_.size();
}

void Value::setBytes(const std::uint8_t* data, std::size_t size)
{
    clear();
    kind_ = Kind::Bytes;
    chars_.assign(reinterpret_cast<const char*>(data), size);
    size_ = size;
}

void Value::setTruncated(Kind kind, std::size_t size, bool array) noexcept
{
    clear();
    kind_ = kind;
    array_ = array;
    truncated_ = true;
    size_ = size;
}

std::int64_t Value::integer(std::size_t i) const noexcept
{
    return kind_ == Kind::Integer && i < size_ && !truncated_ ? slot(i) : 0;
}

Rational Value::rational(std::size_t i) const noexcept
{
    if (kind_ != Kind::Rational || i >= size_ || truncated_)
        return {};
    return {slot(2 * i), slot(2 * i + 1)};
}

double Value::real(std::size_t i) const noexcept
{
    return kind_ == Kind::Real && i < size_ && !truncated_ ? detail::bitcopy<double>(slot(i)) : 0.0;
}

double Value::number(std::size_t i) const noexcept
{
    switch (kind_) {
    case Kind::Integer: return static_cast<double>(integer(i));
    case Kind::Real: return real(i);
    case Kind::Rational: {
        const exifkit::Rational r = rational(i);
        return r.denominator ? r.toDouble() : std::numeric_limits<double>::quiet_NaN();
    }
    default: return 0.0;
    }
}

std::span<const std::uint8_t> Value::bytes() const noexcept
{
    if (kind_ != Kind::Bytes || truncated_)
        return {};
    return {reinterpret_cast<const std::uint8_t*>(chars_.data()), chars_.size()};
}

bool Value::operator==(const Value& other) const noexcept
{
    if (kind_ != other.kind_ || array_ != other.array_ || truncated_ != other.truncated_ || size_ != other.size_)
        return false;
    if (!isnumber(kind_) || truncated_ || !inlined())
        return chars_ == other.chars_;
    for (std::size_t i = 0; i < size_ * width(kind_); i++)
        if (slot(i) != other.slot(i))
            return false;
    return true;
}

std::string DateTime::iso() const
{
    char text[48];
    int n = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, hour, minute, second);
    if (microsecond > 0 && microsecond < 1000000) {
        int digits = 6, fraction = microsecond;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), ".%0*d", digits, fraction);
    }
    if (offset) {
        const int minutes = *offset < 0 ? -*offset : *offset;
        if (*offset == 0)
            std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), "Z");
        else
            std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), "%c%02d:%02d", *offset < 0 ? '-' : '+',
                          minutes / 60 % 100, minutes % 60);
    }
    return text;
}

// ---- lookup by key ----------------------------------------------------------

namespace {

constexpr std::uint32_t NONE = 0xFFFFFFFF;

// Keys are short names that differ in their length or at their ends (a
// maker's share its prefix); the table compares whole keys anyway.
std::size_t hashof(std::string_view key) noexcept
{
    std::uint32_t h = static_cast<std::uint32_t>(key.size()) * 0x9E3779B1u;
    if (!key.empty()) {
        const auto at = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(key[i])); };
        h ^= at(key.size() - 1) | at(key.size() / 2) << 8 | at(key.size() - 1 - key.size() / 3) << 16 | at(0) << 24;
        h *= 0x85EBCA6Bu;
        h ^= h >> 15;
    }
    return h;
}

}  // namespace

void Metadata::reindex()
{
    slots_.clear();
    table_.clear();
    std::size_t total = 0;
    for (const Group& g : groups)
        total += g.properties.size();
    if (!total)
        return;
    std::size_t capacity = 16;
    while (capacity < 2 * total)
        capacity *= 2;
    table_.assign(capacity, 0);
    slots_.reserve(total);
    for (std::uint32_t g = 0; g < groups.size(); g++)
        for (std::uint32_t i = 0; i < groups[g].properties.size(); i++) {
            const auto number = static_cast<std::uint32_t>(slots_.size());
            slots_.push_back(slot{g, i, NONE, number});
            const std::string_view key = groups[g].properties[i].key;
            std::size_t h = hashof(key) & (capacity - 1);
            while (table_[h] && at(slots_[table_[h] - 1]).key != key)
                h = (h + 1) & (capacity - 1);
            if (!table_[h]) {
                table_[h] = number + 1;
                continue;
            }
            slot& head = slots_[table_[h] - 1];
            slots_[head.lastsame].nextsame = number;
            head.lastsame = number;
        }
}

const Property* Metadata::find(std::string_view key) const noexcept
{
    if (table_.empty())
        return nullptr;
    const std::size_t mask = table_.size() - 1;
    for (std::size_t h = hashof(key) & mask; table_[h]; h = (h + 1) & mask) {
        const Property& p = at(slots_[table_[h] - 1]);
        if (p.key == key)
            return &p;
    }
    return nullptr;
}

const Property* Metadata::find(std::string_view directory, std::string_view key) const noexcept
{
    const Property* first = find(key);
    if (!first)
        return nullptr;
    // The slot of the first match, then its chain of the same key.
    const std::size_t mask = table_.size() - 1;
    std::size_t h = hashof(key) & mask;
    while (&at(slots_[table_[h] - 1]) != first)
        h = (h + 1) & mask;
    for (std::uint32_t s = table_[h] - 1; s != NONE; s = slots_[s].nextsame)
        if (at(slots_[s]).directory == directory)
            return &at(slots_[s]);
    return nullptr;
}

}  // namespace exifkit
