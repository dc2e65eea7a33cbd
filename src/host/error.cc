#include "exifkit/errors.h"

#include <cstdio>

namespace exifkit {

namespace {
WarningSink* sink = nullptr;
}

ExifException::ExifException(const char* message) noexcept
{
    std::snprintf(reason_, sizeof reason_, "Error: %s", message ? message : "(null)");
}

void exifdie(const char* message)
{
    throw ExifException(message);
}

void exifwarn(const char* message)
{
    if (sink)
        sink->warning(message, nullptr);
}

void exifwarn2(const char* message, const char* detail)
{
    if (sink)
        sink->warning(message, detail);
}

WarningSink* setWarningSink(WarningSink* next) noexcept
{
    WarningSink* previous = sink;
    sink = next;
    return previous;
}

WarningSink* warningSink() noexcept
{
    return sink;
}

}  // namespace exifkit
