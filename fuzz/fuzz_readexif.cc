// Feeds arbitrary file contents to readEXIFStream through an in-memory stream,
// with a handler and a warning sink that read every text they are given.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "exifkit/errors.h"
#include "exifkit/host.h"

namespace {

volatile std::size_t touched = 0;

std::size_t touch(const char* text)
{
    return text ? std::strlen(text) : 0;
}

class TouchingHandler : public exifkit::InfoHandler {
public:
    void beginOfInfoType(int level) override
    {
        if (level != exifkit::LVL_CAMERA && level != exifkit::LVL_IMAGE &&
            level != exifkit::LVL_VERBOSE && level != exifkit::LVL_UNKNOWN)
            __builtin_trap();
    }
    void handleInfoWithName(const char* name, const char* value) override
    {
        if (!name || !value)
            __builtin_trap();
        touched = touched + touch(name) + touch(value);
    }
};

class TouchingSink : public exifkit::WarningSink {
public:
    void warning(const char* message, const char* detail) override
    {
        if (!message)
            __builtin_trap();
        touched = touched + touch(message) + touch(detail);
    }
    void error(const char* reason) override
    {
        if (!reason)
            __builtin_trap();
        touched = touched + touch(reason);
    }
};

TouchingHandler handler;
TouchingSink sink;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    exifkit::setEXIFInfoHandler(&handler);
    exifkit::setWarningSink(&sink);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // A private copy: the stream is opened read-only, but fmemopen takes a
    // mutable buffer.
    std::vector<unsigned char> contents(data, data + size);
    std::FILE* stream = fmemopen(contents.data(), contents.size(), "rb");
    if (!stream)
        return 0;
    const int result = exifkit::readEXIFStream(stream);
    std::fclose(stream);
    if (result < exifkit::EXIF_OK || result > exifkit::EXIF_NO_MEMORY)
        __builtin_trap();
    return 0;
}
