#include "host/state.h"

#include "exifkit/records.h"

namespace exifkit {

int debug = 0;

namespace detail {

readstate& defaultstate() noexcept
{
    static readstate process{nullptr, nullptr, &debug, nullptr, {}, 0};
    return process;
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
    std::FILE* stream = detail::defaultstate().tracestream;
    return stream ? stream : stdout;
}

}  // namespace exifkit
