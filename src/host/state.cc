#include "host/state.h"

#include "exifkit/exif.h"

namespace exifkit {

int debug = 0;

namespace detail {

namespace {

thread_local readstate* current = nullptr;

}  // namespace

readstate& defaultstate() noexcept
{
    static readstate process{nullptr, nullptr, &debug, nullptr, {}, false};
    return process;
}

readstate& state() noexcept
{
    return current ? *current : defaultstate();
}

usestate::usestate(readstate& s) noexcept : previous_(current)
{
    current = &s;
}

usestate::~usestate()
{
    current = previous_;
}

std::FILE* tracestream() noexcept
{
    std::FILE* stream = state().tracestream;
    return stream ? stream : stdout;
}

}  // namespace detail

std::FILE* setTraceStream(std::FILE* stream) noexcept
{
    std::FILE* previous = detail::defaultstate().tracestream;
    detail::defaultstate().tracestream = stream;
    return previous ? previous : stdout;
}

std::FILE* traceStream() noexcept
{
    return detail::tracestream();
}

}  // namespace exifkit
