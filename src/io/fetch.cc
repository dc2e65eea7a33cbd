#include "io/fetch.h"

#include <algorithm>

namespace exifkit::detail {

const fetcher::piece* fetcher::holding(std::uint64_t offset, std::size_t n) const noexcept
{
    // The latest pieces are the likeliest: walkers move forward.
    for (auto it = pieces_.rbegin(); it != pieces_.rend(); ++it)
        if (offset >= it->offset && offset - it->offset <= it->size && n <= it->size - (offset - it->offset))
            return &*it;
    return nullptr;
}

const fetcher::piece* fetcher::readpiece(std::uint64_t offset, std::size_t n, std::size_t ahead)
{
    std::size_t want = std::max(n, ahead);
    if (const std::optional<std::uint64_t> total = size()) {
        if (offset >= *total)
            return nullptr;
        want = static_cast<std::size_t>(std::min<std::uint64_t>(want, *total - offset));
        want = std::max(want, std::min<std::size_t>(n, static_cast<std::size_t>(*total - offset)));
    }
    if (want > HOLD_BYTES - held_) {
        exhausted_ = true;
        return nullptr;
    }
    piece p{offset, 0, std::make_unique_for_overwrite<unsigned char[]>(want)};
    p.size = src_.read(offset, p.bytes.get(), want);
    if (!p.size)
        return nullptr;
    held_ += want;
    pieces_.push_back(std::move(p));
    return &pieces_.back();
}

std::span<const unsigned char> fetcher::upto(std::uint64_t offset, std::size_t n, std::size_t ahead)
{
    if (const std::optional<std::uint64_t> total = size()) {
        if (offset >= *total)
            return {};
        n = static_cast<std::size_t>(std::min<std::uint64_t>(n, *total - offset));
    }
    if (const unsigned char* at = src_.inplace(offset, n))
        return {at, n};
    if (const piece* p = holding(offset, n))
        return {p->bytes.get() + (offset - p->offset), n};
    const piece* p = readpiece(offset, n, ahead);
    if (!p)
        return {};
    return {p->bytes.get(), std::min(n, p->size)};
}

const unsigned char* fetcher::get(std::uint64_t offset, std::size_t n, std::size_t ahead)
{
    static constexpr unsigned char NOTHING = 0;
    if (!n)
        return &NOTHING;
    const std::span<const unsigned char> got = upto(offset, n, ahead);
    return got.size() == n && n ? got.data() : nullptr;
}

}  // namespace exifkit::detail
