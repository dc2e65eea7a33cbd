#include "containers/inflate.h"

#ifdef EXIFKIT_HAVE_ZLIB
#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <climits>
#endif

namespace exifkit::detail {

#ifdef EXIFKIT_HAVE_ZLIB

bool caninflate() noexcept
{
    return true;
}

inflated inflatezlib(std::span<const unsigned char> in, std::uint64_t limit, inflatesink& sink)
{
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return inflated::damaged;
    unsigned char out[16384];
    std::uint64_t total = 0;
    inflated result;
    for (;;) {
        // zlib counts its input in unsigned ints.
        if (!zs.avail_in && !in.empty()) {
            const std::size_t n = std::min<std::size_t>(in.size(), UINT_MAX);
            zs.next_in = in.data();
            zs.avail_in = static_cast<uInt>(n);
            in = in.subspan(n);
        }
        zs.next_out = out;
        zs.avail_out = sizeof out;
        const int rc = inflate(&zs, Z_NO_FLUSH);
        const std::size_t n = sizeof out - zs.avail_out;
        if (n > limit - total) {
            result = inflated::toolong;
            break;
        }
        total += n;
        if (n && !sink.take({out, n})) {
            result = inflated::stopped;
            break;
        }
        if (rc == Z_STREAM_END) {
            result = inflated::done;
            break;
        }
        // Z_BUF_ERROR: no progress is possible, the input ended first.
        if (rc != Z_OK) {
            result = inflated::damaged;
            break;
        }
    }
    inflateEnd(&zs);
    return result;
}

#else

bool caninflate() noexcept
{
    return false;
}

inflated inflatezlib(std::span<const unsigned char>, std::uint64_t, inflatesink&)
{
    return inflated::unavailable;
}

#endif

}  // namespace exifkit::detail
