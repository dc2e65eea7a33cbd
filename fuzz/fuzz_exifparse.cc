// Feeds arbitrary bytes to exifparse as the data of an APP1 segment, walks the
// result touching every text, and frees it. Tracing is on (into /dev/null) so
// that the trace paths are exercised as well.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "exifkit/errors.h"
#include "exifkit/exif.h"

namespace {

std::size_t touch(const char* text)
{
    return text ? std::strlen(text) : 0;
}

std::size_t walk(const exifkit::exif_info& info)
{
    std::size_t total = touch(info.model);
    for (const exifkit::exif_prop* prop = info.props; prop; prop = prop->next)
        total += touch(prop->name) + touch(prop->descr) + touch(prop->str);
    return total;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (std::FILE* sink = std::fopen("/dev/null", "w")) {
        exifkit::setTraceStream(sink);
        exifkit::debug = 1;
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > UINT32_MAX)
        return 0;
    try {
        exifkit::exif_info_ptr info(exifkit::exifparse(data, static_cast<std::uint32_t>(size)));
        if (info) {
            volatile std::size_t total = walk(*info);
            (void)total;
        }
    } catch (const exifkit::ExifException& e) {
        volatile std::size_t length = touch(e.reason());
        (void)length;
    }
    return 0;
}
