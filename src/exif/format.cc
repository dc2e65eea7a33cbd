#include "exif/format.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace exifkit::detail {

namespace {

// Up to nine decimals, enough for any precision a 32-bit denominator asks for.
constexpr std::uint64_t POW10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
constexpr int MAX_DECIMALS = 9;

// A 53-bit mantissa times 10^9 takes 83 bits.
__extension__ typedef unsigned __int128 wide;

// The digits of v, right-aligned in a buffer of 20 bytes; returns the first.
char* digits(std::uint64_t v, char* end) noexcept
{
    do {
        *--end = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    return end;
}

// v * 10^decimals rounded to the nearest integer, ties to even, on the exact
// binary value of v (as printf rounds); false when v is not finite or the
// result does not fit in 64 bits.
bool scaledround(double v, int decimals, std::uint64_t* out) noexcept
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    const int biased = static_cast<int>(bits >> 52 & 0x7FF);
    if (biased == 0x7FF)
        return false;
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int exponent = -1074;  // of the mantissa's lowest bit
    if (biased) {
        mantissa |= std::uint64_t{1} << 52;
        exponent = biased - 1075;
    }
    const wide scaled = wide{mantissa} * POW10[decimals];
    if (exponent >= 0) {
        // A whole number: exact while it stays below 2^63 once scaled.
        if (exponent > 10 || (scaled << exponent) >> 63)
            return false;
        *out = static_cast<std::uint64_t>(scaled << exponent);
        return true;
    }
    const int shift = -exponent;
    if (shift >= 100) {
        *out = 0;  // below half a unit of the last decimal
        return true;
    }
    wide q = scaled >> shift;
    const wide rest = scaled & ((wide{1} << shift) - 1);
    const wide half = wide{1} << (shift - 1);
    if (rest > half || (rest == half && (q & 1)))
        ++q;
    if (q >> 63)
        return false;
    *out = static_cast<std::uint64_t>(q);
    return true;
}

}  // namespace

void textout::append(const char* text, std::size_t n) noexcept
{
    if (len_ + 1 < size_) {
        const std::size_t room = size_ - 1 - len_;
        std::memcpy(buf_ + len_, text, n < room ? n : room);
    }
    len_ += n;
}

textout& textout::put(const char* text) noexcept
{
    append(text, std::strlen(text));
    return *this;
}

textout& textout::put(char c) noexcept
{
    append(&c, 1);
    return *this;
}

textout& textout::unum(std::uint64_t v) noexcept
{
    char buf[20];
    const char* first = digits(v, buf + sizeof buf);
    append(first, static_cast<std::size_t>(buf + sizeof buf - first));
    return *this;
}

textout& textout::num(std::int64_t v) noexcept
{
    if (v < 0) {
        put('-');
        return unum(0 - static_cast<std::uint64_t>(v));
    }
    return unum(static_cast<std::uint64_t>(v));
}

textout& textout::padded(std::uint64_t v, int width) noexcept
{
    char buf[20];
    const char* first = digits(v, buf + sizeof buf);
    for (auto n = static_cast<int>(buf + sizeof buf - first); n < width; n++)
        put('0');
    append(first, static_cast<std::size_t>(buf + sizeof buf - first));
    return *this;
}

textout& textout::hex(std::uint64_t v, int width) noexcept
{
    char buf[16];
    char* first = buf + sizeof buf;
    do {
        *--first = "0123456789ABCDEF"[v & 0xF];
        v >>= 4;
    } while (v);
    for (auto n = static_cast<int>(buf + sizeof buf - first); n < width; n++)
        put('0');
    append(first, static_cast<std::size_t>(buf + sizeof buf - first));
    return *this;
}

textout& textout::fixed(double v, int decimals) noexcept
{
    std::uint64_t scaled;
    if (decimals < 0 || decimals > MAX_DECIMALS || !scaledround(std::fabs(v), decimals, &scaled)) {
        char buf[400];
        std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
        return put(buf);
    }
    if (std::signbit(v))
        put('-');
    unum(scaled / POW10[decimals]);
    if (decimals) {
        put('.');
        padded(scaled % POW10[decimals], decimals);
    }
    return *this;
}

}  // namespace exifkit::detail
