// Allocation outside a parse's memory, with the test hook that fails it on demand.
#include "exif/alloc.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "exifkit/errors.h"

namespace exifkit {

namespace {

// Per thread, so that a test walking allocation failures on one thread does
// not fail the reads of others.
thread_local long allocsleft = -1;

}  // namespace

namespace detail {

namespace {

// The test hook's verdict on the next allocation.
bool allocfails() noexcept
{
    if (allocsleft == 0) {
        errno = ENOMEM;
        return true;
    }
    if (allocsleft > 0)
        --allocsleft;
    return false;
}

}  // namespace

void* tryalloc(std::size_t size) noexcept
{
    return allocfails() ? nullptr : std::calloc(1, size ? size : 1);
}

void* tryrawalloc(std::size_t size) noexcept
{
    return allocfails() ? nullptr : std::malloc(size ? size : 1);
}

void* mustalloc(std::size_t size)
{
    void* p = tryalloc(size);
    if (!p)
        exifdie(std::strerror(errno));
    return p;
}

bool alloccounting() noexcept
{
    return allocsleft >= 0;
}

void failallocafter(long countdown) noexcept
{
    allocsleft = countdown;
}

}  // namespace detail

}  // namespace exifkit
