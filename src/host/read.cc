// Reading a file: walk the JPEG header, parse every APP1 segment and deliver
// its properties to the reader's handler.
#include "host/read.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "exif/context.h"
#include "exif/format.h"
#include "exifkit/errors.h"
#include "exifkit/host.h"
#include "exifkit/records.h"
#include "host/state.h"
#include "jpeg/scan.h"
#include "jpeg/source.h"
#include "parse/parse.h"

namespace exifkit {

namespace {

constexpr int MARKER_APP1 = 0xE1;

struct file_closer {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using file_ptr = std::unique_ptr<std::FILE, file_closer>;

// The level a property is delivered at, settled as printprops settles it
// (point-and-shoot properties go with the camera group).
std::uint16_t settle(exif_prop* prop) noexcept
{
    if (prop->lvl == LVL_PAS)
        prop->lvl = LVL_CAMERA;
    if (prop->lvl == LVL_OVERRIDE || prop->lvl == LVL_BAD)
        prop->lvl = LVL_VERBOSE;
    return prop->lvl;
}

void sendprop(InfoHandler* handler, const exif_prop* prop)
{
    char number[20];
    const char* value = prop->str;
    if (!value) {
        detail::textout(number, sizeof number).num(static_cast<std::int32_t>(prop->value));
        value = number;
    }
    handler->handleInfoWithName(prop->descr ? prop->descr : prop->name, value);
}

// What four printprops calls deliver (camera, image, other, unsupported),
// sorting the list into the groups in one pass.
void deliver(InfoHandler* handler, exif_prop* props)
{
    static constexpr int LEVELS[] = {LVL_CAMERA, LVL_IMAGE, LVL_VERBOSE, LVL_UNKNOWN};
    // The vectors are kept from file to file; a handler that reads another
    // file from its callbacks finds none kept and makes its own.
    thread_local std::vector<exif_prop*> kept[4];
    std::vector<exif_prop*> groups[4];
    for (int g = 0; g < 4; g++) {
        groups[g].swap(kept[g]);
        groups[g].clear();
    }
    for (exif_prop* prop = props; prop; prop = prop->next)
        switch (settle(prop)) {
        case LVL_CAMERA: groups[0].push_back(prop); break;
        case LVL_IMAGE: groups[1].push_back(prop); break;
        case LVL_VERBOSE: groups[2].push_back(prop); break;
        case LVL_UNKNOWN: groups[3].push_back(prop); break;
        default: break;  // a combination of flags is never delivered
        }
    if (handler)
        for (int g = 0; g < 4; g++) {
            handler->beginOfInfoType(LEVELS[g]);
            for (const exif_prop* prop : groups[g])
                sendprop(handler, prop);
        }
    for (int g = 0; g < 4; g++)
        kept[g].swap(groups[g]);
}

// The segment's bytes, held by the source until its next read.
const unsigned char* takesegment(detail::source& src, unsigned int length, int* failure)
{
    try {
        const unsigned char* segment = src.take(length);
        if (!segment)
            *failure = EXIF_READ_FAILED;
        return segment;
    } catch (const std::bad_alloc&) {
        *failure = EXIF_NO_MEMORY;
        return nullptr;
    }
}

// Scans the header to its end. `delivered` is set as soon as an Exif block
// has been handed over, so a fatal error later still knows about it.
int scan(detail::source& src, detail::context& ctx, bool& delivered)
{
    int marker = 0;
    unsigned int length = 0;
    for (int first = 1; detail::jpegscan(src, &marker, &length, first, ctx); first = 0) {
        if (marker != MARKER_APP1) {
            if (!src.skip(length))
                return EXIF_READ_FAILED;
            continue;
        }
        int failure = EXIF_OK;
        const unsigned char* segment = takesegment(src, length, &failure);
        if (!segment)
            return failure;
        const exif_info* info = detail::parseblock(ctx, segment, length);
        if (info && info->props) {
            deliver(ctx.handler(), info->props);
            delivered = true;
        }
        ctx.endparse();
    }
    return EXIF_OK;
}

void reporterror(const detail::readstate& st, const char* reason)
{
    if (st.sink)
        st.sink->error(reason);
}

int readsource(detail::readstate& st, detail::source& src)
{
    detail::context ctx(st);
    bool delivered = false;
    int result = EXIF_NONE;
    try {
        result = scan(src, ctx, delivered);
    } catch (const ExifException& e) {
        reporterror(st, e.reason());
        return EXIF_NONE;
    } catch (const std::bad_alloc&) {
        reporterror(st, ExifException("Cannot allocate memory").reason());
        return EXIF_NONE;
    }
    return delivered ? result : EXIF_NONE;
}

}  // namespace

namespace detail {

int readpath(readstate& st, const char* path, int* oserror)
{
    // Forget the previous file's frame even when this one cannot be opened.
    st.frame = framestate{};
    errno = 0;
    file_ptr file(path ? std::fopen(path, "rb") : nullptr);
    if (!file) {
        *oserror = errno;
        return EXIF_CANT_OPEN;
    }
    // The source reads in pieces of its own; a second buffer would only copy.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    filesource src(file.get(), filesource::PIECE, false);
    return readsource(st, src);
}

int readstream(readstate& st, std::FILE* stream)
{
    st.frame = framestate{};
    filesource src(stream, filesource::PIECE, true);
    return readsource(st, src);
}

int readmemory(readstate& st, const void* data, std::size_t size)
{
    st.frame = framestate{};
    memorysource src(data, size);
    return readsource(st, src);
}

}  // namespace detail

void printprops(exif_prop* list, int level, int pas)
{
    InfoHandler* handler = detail::defaultstate().handler;
    if (handler)
        handler->beginOfInfoType(level);
    for (exif_prop* prop = list; prop; prop = prop->next) {
        if (prop->lvl == LVL_PAS)
            prop->lvl = pas ? LVL_CAMERA : LVL_IMAGE;
        if (prop->lvl == LVL_OVERRIDE || prop->lvl == LVL_BAD)
            prop->lvl = LVL_VERBOSE;
        if (prop->lvl == level && handler)
            sendprop(handler, prop);
    }
}

}  // namespace exifkit
