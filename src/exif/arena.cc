#include "exif/arena.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "exif/alloc.h"

namespace exifkit::detail {

struct arena::piece {
    piece* next;
    std::size_t size;  // bytes of data behind the header
};

namespace {

constexpr std::size_t FIRST = 32 * 1024;   // holds the parse of a camera file
constexpr std::size_t LARGEST = 1024 * 1024;
constexpr std::size_t HEADER = (sizeof(void*) * 2 + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);

// One first piece per thread is kept for the next parse, so that reading
// file after file takes no memory from the system.
struct sparepiece {
    void* memory = nullptr;
    ~sparepiece() { std::free(memory); }
};
thread_local sparepiece spare;

}  // namespace

arena::arena(arena&& other) noexcept
    : pieces_(other.pieces_), start_(other.start_), pos_(other.pos_), end_(other.end_), next_(other.next_)
{
    other.pieces_ = nullptr;
    other.start_ = other.pos_ = other.end_ = nullptr;
    other.next_ = 0;
}

bool arena::grow(std::size_t size) noexcept
{
    const std::size_t want = std::max(size, next_ ? next_ : FIRST);
    void* memory = nullptr;
    if (want == FIRST && spare.memory && !alloccounting()) {
        memory = spare.memory;
        spare.memory = nullptr;
    } else {
        memory = detail::tryrawalloc(HEADER + want);
    }
    if (!memory)
        return false;
    auto* p = static_cast<piece*>(memory);
    p->next = pieces_;
    p->size = want;
    pieces_ = p;
    start_ = pos_ = static_cast<unsigned char*>(memory) + HEADER;
    end_ = pos_ + want;
    next_ = std::min(want * 2, LARGEST);
    return true;
}

bool arena::ownedbefore(const unsigned char* at) const noexcept
{
    for (const piece* q = pieces_; q; q = q->next) {
        const auto* data = reinterpret_cast<const unsigned char*>(q) + HEADER;
        if (at >= data && at < data + q->size)
            return true;
    }
    return false;
}

void arena::release() noexcept
{
    while (piece* p = pieces_) {
        pieces_ = p->next;
        if (p->size == FIRST && !spare.memory)
            spare.memory = p;
        else
            std::free(p);
    }
    start_ = pos_ = end_ = nullptr;
    next_ = 0;
}

}  // namespace exifkit::detail
