// The process-wide functions: thin wrappers over the default reader.
#include <cerrno>
#include <cstdio>

#include "exif/context.h"
#include "exifkit/host.h"
#include "exifkit/jpeg.h"
#include "exifkit/records.h"
#include "host/read.h"
#include "host/state.h"
#include "jpeg/scan.h"
#include "jpeg/source.h"

namespace exifkit {

void setEXIFInfoHandler(InfoHandler* handler) noexcept
{
    detail::defaultstate().handler = handler;
}

int readEXIFStream(std::FILE* stream)
{
    int oserror = 0;
    const int result = detail::readstream(detail::defaultstate(), stream, &oserror);
    if (oserror)
        errno = oserror;  // for the caller, as the failed read left it
    return result;
}

int readEXIF(const char* path)
{
    int oserror = 0;
    const int result = detail::readpath(detail::defaultstate(), path, &oserror);
    if (oserror)
        errno = oserror;  // for the caller, as the failed open or read left it
    return result;
}

int readEXIFMemory(const void* data, std::size_t size)
{
    return detail::readmemory(detail::defaultstate(), data, size);
}

int jpegscan(std::FILE* stream, int* marker, unsigned int* length, int first)
{
    detail::context ctx(detail::defaultstate());
    detail::filesource bytes(stream, 0, false);
    return detail::jpegscan(bytes, marker, length, first, ctx);
}

int jpeginfo(int* precision, int* components, int* height, int* width)
{
    const detail::framestate& frame = detail::defaultstate().frame;
    *precision = frame.precision;
    *components = frame.components;
    *height = frame.height;
    *width = frame.width;
    return frame.seen;
}

void jpegreset() noexcept
{
    detail::defaultstate().frame = detail::framestate{};
}

}  // namespace exifkit
