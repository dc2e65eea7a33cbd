// Feeds arbitrary file contents to readEXIFStream through an in-memory stream,
// with a handler and a warning sink that read every text they are given; then
// to the value API, whose records, lookup and summary are checked, and to the
// thumbnail reader.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "exifkit/errors.h"
#include "exifkit/host.h"
#include "exifkit/reader.h"

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

// Every property is found by its directory and key, its value reads within
// its size, and a thumbnail is a JPEG no larger than the file.
void checkvalues(const std::uint8_t* data, std::size_t size)
{
    const exifkit::Metadata m = exifkit::readMetadata(data, size);
    for (const exifkit::Group& g : m.groups)
        for (const exifkit::Property& p : g.properties) {
            const exifkit::Property* found = m.find(p.directory, p.key);
            if (!found || found->key != p.key || found->directory != p.directory)
                __builtin_trap();
            const exifkit::Value& v = p.value;
            if (v.truncated() || !v.size())
                continue;
            touched = touched + v.text().size() + v.bytes().size() +
                      static_cast<std::size_t>(v.integer(v.size() - 1) + v.rational(v.size() - 1).denominator);
        }
    if (m.summary.orientation && (*m.summary.orientation < 1 || *m.summary.orientation > 8))
        __builtin_trap();
    const std::vector<std::uint8_t> thumb = exifkit::thumbnail(data, size);
    if (!thumb.empty() && (thumb.size() > size || thumb[0] != 0xFF || thumb[1] != 0xD8))
        __builtin_trap();
}

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
    checkvalues(data, size);
    return 0;
}
