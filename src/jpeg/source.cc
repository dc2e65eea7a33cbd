#include "jpeg/source.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace exifkit::detail {

filesource::~filesource()
{
    const auto ahead = static_cast<long>(end_ - pos_);
    if (giveback_ && ahead > 0)
        std::fseek(stream_, -ahead, SEEK_CUR);
}

bool filesource::fill(std::size_t n)
{
    const auto held = static_cast<std::size_t>(end_ - pos_);
    const std::size_t want = std::max(n - held, piece_);
    if (held && pos_ != buffer_.data())
        std::memmove(buffer_.data(), pos_, held);
    buffer_.resize(held + want);
    const std::size_t got = std::fread(buffer_.data() + held, 1, want, stream_);
    pos_ = buffer_.data();
    end_ = pos_ + held + got;
    return held + got >= n;
}

bool filesource::pass(std::uint64_t n)
{
    // A stream that cannot seek (a pipe) is read and the bytes dropped.
    while (n > 0) {
        const long step = static_cast<long>(std::min<std::uint64_t>(n, LONG_MAX));
        if (std::fseek(stream_, step, SEEK_CUR) != 0)
            break;
        n -= static_cast<std::uint64_t>(step);
    }
    unsigned char scratch[4096];
    while (n > 0) {
        const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(n, sizeof scratch));
        const std::size_t got = std::fread(scratch, 1, step, stream_);
        if (got < step)
            return !std::ferror(stream_);
        n -= got;
    }
    return true;
}

}  // namespace exifkit::detail
