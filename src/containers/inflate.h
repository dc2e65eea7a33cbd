// zlib streams (compressed PNG text) inflated through a fixed buffer, piece
// by piece, so that what a stream claims never sizes an allocation.
#pragma once

#include <cstdint>
#include <span>

namespace exifkit::detail {

// Receives what is inflated, a piece at a time.
class inflatesink {
public:
    // False stops the inflation.
    virtual bool take(std::span<const unsigned char> piece) = 0;

protected:
    ~inflatesink() = default;
};

enum class inflated : unsigned char {
    done,         // the stream ended
    stopped,      // the sink stopped it
    toolong,      // it inflates to more than the limit
    damaged,      // not a zlib stream, corrupt or cut short
    unavailable,  // built without zlib
};

// Whether the library was built with zlib.
bool caninflate() noexcept;

// Inflates the zlib stream `in` into sink, giving up before more than limit
// bytes have come out.
inflated inflatezlib(std::span<const unsigned char> in, std::uint64_t limit, inflatesink& sink);

}  // namespace exifkit::detail
