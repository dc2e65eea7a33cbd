// Properties as records: what the value API learns of each delivered
// property beyond its text (key, directory, tag, type, count, stored value).
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "exif/context.h"
#include "exifkit/reader.h"
#include "host/summary.h"

namespace exifkit::detail {

class propertysink {
public:
    // An Exif block's properties are about to be delivered.
    virtual void block(const exif_info& info) = 0;
    // At most this many properties of the group just begun follow.
    virtual void expect(std::size_t count) = 0;
    // One delivered property, with the name and text the handler would get.
    virtual void property(context& ctx, const exif_prop& prop, std::string_view name, std::string_view text) = 0;

protected:
    ~propertysink() = default;
};

// How much typed data one file's values may hold in all. Values reach no
// further than their Exif block, but many entries may point at the same
// bytes and numbers grow to eight bytes each, so a crafted file could
// otherwise make hundreds of megabytes of them.
class valuebudget {
public:
    static constexpr std::uint64_t FILE_BYTES = std::uint64_t{1} << 20;

    // Whether n more bytes fit; warns once when they do not.
    bool take(context& ctx, std::uint64_t n);

private:
    std::uint64_t used_ = 0;
    bool warned_ = false;
};

// Fills the record fields of delivered properties, one read's worth.
class describer {
public:
    // Sets p's key, directory, parent, tag, type, count and value from the
    // property; returns the kind of its directory.
    dirclass describe(context& ctx, const exif_prop& prop, Property& p);

private:
    // The directory of the last entry, by what decides it: properties of one
    // directory mostly come one after another.
    struct lastdirectory {
        const exif_prop* pointer = nullptr;
        const tag_def* table = nullptr;
        std::uint32_t position = 0;
        std::string_view name;
        dirclass kind = dirclass::other;
    };

    void directoryof(const exif_prop& prop, Property& p, dirclass& kind);

    valuebudget budget_;
    lastdirectory last_;
    bool havelast_ = false;
};

// The bits of a value as another type of the same size: std::bit_cast, which
// not every standard library the library is built with has (WebAssembly's).
template <class To, class From>
To bitcopy(const From& from) noexcept
{
    static_assert(sizeof(To) == sizeof(From));
    To to;
    std::memcpy(&to, &from, sizeof to);
    return to;
}

// Appends an ISO 8859-1 text as UTF-8.
void appendlatin1(std::string& out, std::string_view text);
// Appends one ISO 8859-1 character beyond ASCII as UTF-8.
inline void appendlatin1(std::string& out, unsigned char c)
{
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
}

// Appends the bytes in base64 (RFC 4648, padded), as the JSON forms write them.
void appendbase64(std::string& out, std::span<const std::uint8_t> bytes);

// Whether the bytes are well-formed UTF-8: no overlong forms, surrogates or
// code points past U+10FFFF.
bool isutf8(std::string_view text) noexcept;

// The JPEG thumbnail that the block's IFD1 points at, when all of it lies
// inside the block.
std::optional<std::span<const unsigned char>> thumbnailof(const exif_info& info) noexcept;

}  // namespace exifkit::detail
