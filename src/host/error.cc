#include "exifkit/errors.h"

#include <cstdio>

#include "host/state.h"

namespace exifkit {

ExifException::ExifException(const char* message) noexcept
{
    std::snprintf(reason_, sizeof reason_, "Error: %s", message ? message : "(null)");
}

const char* ExifException::what() const noexcept
{
    return reason_;
}

void exifdie(const char* message)
{
    throw ExifException(message);
}

void exifwarn(const char* message)
{
    exifwarn2(message, nullptr);
}

void exifwarn2(const char* message, const char* detail)
{
    if (WarningSink* sink = detail::defaultstate().sink)
        sink->warning(message, detail);
}

WarningSink* setWarningSink(WarningSink* next) noexcept
{
    WarningSink* previous = detail::defaultstate().sink;
    detail::defaultstate().sink = next;
    return previous;
}

WarningSink* warningSink() noexcept
{
    return detail::defaultstate().sink;
}

}  // namespace exifkit
