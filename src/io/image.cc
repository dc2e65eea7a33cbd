#include "io/image.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace exifkit::detail {

fileimage::fileimage(bytesource& src, std::uint64_t size)
    : src_(src), size_(std::min(size, MAX_SIZE)), forward_(!src.size())
{
    const std::uint64_t pages = (size_ + PAGE - 1) / PAGE;
    bits_.assign((pages + 63) / 64, 0);
    reserved_ = std::max<std::uint64_t>(pages * PAGE, PAGE);
#if defined(__EMSCRIPTEN__)
    // WebAssembly cannot reserve without committing: its mmap clears all it
    // maps. Fresh memory from the allocator is left untouched, so that the
    // pages never read cost nothing, and only what lies past the data's end
    // is cleared, as a mapping would leave it.
    memory_ = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(reserved_)));
    if (!memory_)
        throw std::bad_alloc();
    std::memset(memory_ + size_, 0, static_cast<std::size_t>(reserved_ - size_));
#else
    void* p = ::mmap(nullptr, reserved_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    memory_ = static_cast<unsigned char*>(p);
#endif
}

fileimage::~fileimage()
{
#if defined(__EMSCRIPTEN__)
    std::free(memory_);
#else
    ::munmap(memory_, reserved_);
#endif
}

bool fileimage::readpages(std::uint64_t first, std::uint64_t last) noexcept
{
    const std::uint64_t from = first * PAGE, to = std::min((last + 1) * PAGE, size_);
    const std::size_t want = static_cast<std::size_t>(to - from);
    const std::size_t got = src_.read(from, memory_ + from, want);
    if (forward_)
        present_ = from + got;
    // A page the data end inside is complete: the rest of it stays zero.
    const std::uint64_t whole = got == want ? last + 1 : first + got / PAGE;
    for (std::uint64_t page = first; page < whole; page++)
        mark(page);
    return got == want;
}

bool fileimage::load(const unsigned char* at, std::uint64_t n) noexcept
{
    if (at < memory_ || static_cast<std::uint64_t>(at - memory_) > size_ ||
        n > size_ - static_cast<std::uint64_t>(at - memory_))
        return false;
    if (!n)
        return true;
    const std::uint64_t offset = static_cast<std::uint64_t>(at - memory_);
    const std::uint64_t first = offset / PAGE, last = (offset + n - 1) / PAGE;
    const std::uint64_t pages = (size_ + PAGE - 1) / PAGE, run = MIN_READ / PAGE;
    if (forward_) {
        // In order from the last page read, the bytes released once read.
        if (offset + n <= present_)
            return true;
        const std::uint64_t to = std::min(pages - 1, std::max(last, prefix_ + run - 1));
        readpages(prefix_, to);
        while (prefix_ < pages && loaded(prefix_))
            prefix_++;
        src_.release(prefix_ * PAGE);
        return offset + n <= present_;
    }
    for (std::uint64_t page = first; page <= last; page++) {
        if (loaded(page))
            continue;
        // A run of pages not read yet, carried on past the range to MIN_READ.
        std::uint64_t end = page;
        while (end + 1 < pages && !loaded(end + 1) && (end < last || end + 1 - page < run))
            end++;
        if (!readpages(page, end))
            return false;
        page = end;
    }
    return true;
}

}  // namespace exifkit::detail
