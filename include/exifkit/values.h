// Typed values: a property's stored value as data, and the summary of what a
// program asks of a photo first (camera, capture time, exposure, position).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "exifkit/export.h"

namespace exifkit {

// An exact fraction as stored: 1/160 stays 1/160. Unsigned and signed
// rationals both fit.
struct Rational {
    std::int64_t numerator = 0;
    std::int64_t denominator = 0;

    // The quotient; only meaningful when the denominator is not zero.
    double toDouble() const noexcept
    {
        return static_cast<double>(numerator) / static_cast<double>(denominator);
    }
    bool operator==(const Rational&) const = default;
};

// The stored value of one property, read through the same bounds checks as
// its text. Numbers keep their TIFF meaning: BYTE, SHORT, LONG and their
// signed forms are integers, (S)RATIONAL rationals, FLOAT and DOUBLE reals; a
// count above one makes an array. ASCII is text in UTF-8 (bytes that are not
// UTF-8 are read as ISO 8859-1), up to its first NUL; UNDEFINED is bytes.
//
// Bytes over MAX_BYTES and arrays over MAX_ELEMENTS are not copied: the value
// is then truncated() and holds its length alone. A property whose value lies
// outside the Exif block, or a property the library made up (a text derived
// from others), has no value: kind() is None.
class EXIFKIT_API Value {
public:
    enum class Kind : std::uint8_t { None, Integer, Rational, Real, Text, Bytes };

    // The caps: versions, patterns and short codes are copied, a maker note
    // or an embedded image never is (their contents are read as properties,
    // or through thumbnail()).
    static constexpr std::size_t MAX_BYTES = 256;
    static constexpr std::size_t MAX_ELEMENTS = 1024;

    Kind kind() const noexcept { return kind_; }
    bool has() const noexcept { return kind_ != Kind::None; }
    // Whether the numbers form an array (a stored count above one).
    bool isArray() const noexcept { return array_; }
    // Whether the value was over its cap and holds its length alone.
    bool truncated() const noexcept { return truncated_; }
    // Elements of a number value, characters of a text, bytes of a byte
    // value: the stored length, also when truncated.
    std::size_t size() const noexcept { return size_; }

    // Element i (0 for a single number); 0 when out of range or of another kind.
    std::int64_t integer(std::size_t i = 0) const noexcept;
    exifkit::Rational rational(std::size_t i = 0) const noexcept;
    double real(std::size_t i = 0) const noexcept;
    // Any number element as a double (a zero denominator gives NaN).
    double number(std::size_t i = 0) const noexcept;
    std::string_view text() const noexcept { return kind_ == Kind::Text ? std::string_view(chars_) : std::string_view(); }
    std::span<const std::uint8_t> bytes() const noexcept;

    // Building a value; each keeps the memory of the last one.
    void clear() noexcept
    {
        kind_ = Kind::None;
        array_ = truncated_ = false;
        size_ = 0;
        chars_.clear();
    }
    // A number value of count elements, then set with the set*At calls.
    void setNumbers(Kind kind, std::size_t count, bool array)
    {
        clear();
        kind_ = kind;
        array_ = array;
        size_ = count;
        if (!inlined())
            setmany(count * (kind == Kind::Rational ? 2 : 1));
    }
    void setIntegerAt(std::size_t i, std::int64_t v) noexcept
    {
        if (kind_ == Kind::Integer && i < size_ && !truncated_)
            put(i, v);
    }
    void setRationalAt(std::size_t i, std::int64_t num, std::int64_t den) noexcept
    {
        if (kind_ == Kind::Rational && i < size_ && !truncated_) {
            put(2 * i, num);
            put(2 * i + 1, den);
        }
    }
    void setRealAt(std::size_t i, double v) noexcept;
    void setText(std::string_view utf8);
    void setBytes(const std::uint8_t* data, std::size_t size);
    void setTruncated(Kind kind, std::size_t size, bool array) noexcept;

    bool operator==(const Value& other) const noexcept;

private:
    void setmany(std::size_t slots);
    // A single number (a rational: two slots) stays inline; more take the vector.
    bool inlined() const noexcept { return size_ * (kind_ == Kind::Rational ? 2 : 1) <= 2; }
    std::int64_t slot(std::size_t i) const noexcept
    {
        if (inlined())
            return inline_[i];
        std::int64_t v;
        std::memcpy(&v, chars_.data() + 8 * i, 8);
        return v;
    }
    void put(std::size_t i, std::int64_t v) noexcept
    {
        if (inlined())
            inline_[i] = v;
        else
            std::memcpy(chars_.data() + 8 * i, &v, 8);
    }

    Kind kind_ = Kind::None;
    bool array_ = false;
    bool truncated_ = false;
    std::size_t size_ = 0;
    std::int64_t inline_[2] = {0, 0};   // a single number (a rational takes both)
    std::string chars_;                 // text, bytes, or an array's numbers (8 bytes each, two per rational)
};

// A date and time as a file stores it ("2008:05:30 15:56:01"), with the
// offset from UTC when the file gives one.
struct DateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int microsecond = 0;
    std::optional<int> offset;  // minutes east of UTC
    // ISO 8601: "2008-05-30T15:56:01", "…+02:00", "…Z" for an offset of zero
    // given as UTC, fractions of a second only when there are some.
    std::string iso() const;
    bool operator==(const DateTime&) const = default;
};

// Where a photo was taken, in the units a map uses.
struct Position {
    std::optional<double> latitude;    // decimal degrees, south negative
    std::optional<double> longitude;   // decimal degrees, west negative
    std::optional<double> altitude;    // metres, below sea level negative
    std::optional<DateTime> timestamp; // UTC (offset 0)
    std::optional<double> direction;   // degrees the camera faced
    bool operator==(const Position&) const = default;
};

// The answers people ask for first, from whichever directory holds them
// (standard directories first, then the maker note). A field is empty when
// the file lacks it or stores a malformed value: never a made-up number.
struct Summary {
    std::optional<std::string> make;
    std::optional<std::string> model;
    std::optional<std::string> lens;
    std::optional<std::string> software;
    std::optional<DateTime> datetime_original;
    std::optional<DateTime> datetime_digitized;
    std::optional<DateTime> datetime_modified;
    std::optional<exifkit::Rational> exposure_time;  // seconds, reduced
    std::optional<double> f_number;
    std::optional<std::int64_t> iso;
    std::optional<double> focal_length;              // millimetres
    std::optional<double> focal_length_35mm;         // millimetres
    std::optional<int> orientation;                  // 1–8
    std::optional<std::int64_t> width;               // pixels
    std::optional<std::int64_t> height;
    std::optional<Position> gps;
    bool operator==(const Summary&) const = default;
};

}  // namespace exifkit
