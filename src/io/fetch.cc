#include "io/fetch.h"

#include <algorithm>

namespace exifkit::detail {

namespace {

// The first piece of the last fetcher of this thread, kept for the next one
// so that reading file after file takes no memory from the system; pieces
// larger than this are not kept.
constexpr std::size_t SPARE_MAX = 256 * 1024;
struct sparepiece {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t capacity = 0;
};
thread_local sparepiece spare;

// Keeps a piece's buffer as the spare one when it is the largest kept yet.
void keepspare(std::unique_ptr<unsigned char[]>& bytes, std::size_t capacity) noexcept
{
    if (capacity <= SPARE_MAX && capacity > spare.capacity) {
        spare.bytes = std::move(bytes);
        spare.capacity = capacity;
    }
}

}  // namespace

fetcher::~fetcher()
{
    for (piece& p : pieces_)
        keepspare(p.bytes, p.capacity);
}

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
    // The read says where the data end: a file's size is not asked for.
    const std::size_t want = std::max(n, ahead);
    if (want > HOLD_BYTES - held_) {
        exhausted_ = true;
        return nullptr;
    }
    piece p{offset, 0, nullptr, want};
    if (spare.bytes && spare.capacity >= want) {
        p.bytes = std::move(spare.bytes);
        p.capacity = spare.capacity;
        spare.capacity = 0;
    } else {
        // Left uninitialised (make_unique would clear it): the read fills it.
        p.bytes = std::unique_ptr<unsigned char[]>(new unsigned char[want]);
    }
    p.size = src_.read(offset, p.bytes.get(), want);
    if (!p.size) {
        keepspare(p.bytes, p.capacity);
        return nullptr;
    }
    held_ += want;
    pieces_.push_back(std::move(p));
    return &pieces_.back();
}

std::span<const unsigned char> fetcher::upto(std::uint64_t offset, std::size_t n, std::size_t ahead)
{
    if (const std::optional<std::uint64_t> inmemory = src_.memorysize()) {
        if (offset >= *inmemory)
            return {};
        n = static_cast<std::size_t>(std::min<std::uint64_t>(n, *inmemory - offset));
        if (const unsigned char* at = src_.inplace(offset, n))
            return {at, n};
    }
    if (const piece* p = holding(offset, n))
        return {p->bytes.get() + (offset - p->offset), n};
    // Bytes held may end before n: a piece read at the end of the data.
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
