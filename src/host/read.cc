// Reading a file: walk the JPEG header, parse every APP1 segment and deliver
// its properties to the reader's handler.
#include "host/read.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "exif/context.h"
#include "exif/format.h"
#include "exifkit/errors.h"
#include "exifkit/host.h"
#include "exifkit/records.h"
#include "host/state.h"
#include "host/typed.h"
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

// The name and value a property is delivered with; a number is written
// into `number`.
struct propertytext {
    const char* name;
    const char* value;
};
propertytext textof(const exif_prop* prop, char (&number)[20]) noexcept
{
    const char* value = prop->str;
    if (!value) {
        detail::textout(number, sizeof number).num(static_cast<std::int32_t>(prop->value));
        value = number;
    }
    return {prop->descr ? prop->descr : prop->name, value};
}

void sendprop(InfoHandler* handler, const exif_prop* prop)
{
    char number[20];
    const propertytext text = textof(prop, number);
    handler->handleInfoWithName(text.name, text.value);
}

// The same unless the file's bound on properties is reached; a reader that
// takes records gets the property itself beside its texts.
void sendbounded(InfoHandler* handler, detail::context& ctx, const exif_prop* prop)
{
    char number[20];
    const propertytext text = textof(prop, number);
    const std::size_t namelength = std::strlen(text.name), valuelength = std::strlen(text.value);
    if (!ctx.takeproperty(namelength + valuelength))
        return;
    if (detail::propertysink* records = ctx.properties())
        records->property(ctx, *prop, {text.name, namelength}, {text.value, valuelength});
    else
        handler->handleInfoWithName(text.name, text.value);
}

// What four printprops calls deliver (camera, image, other, unsupported),
// sorting the list into the groups in one pass.
void deliver(detail::context& ctx, const exif_info& info)
{
    InfoHandler* handler = ctx.handler();
    if (detail::propertysink* sink = ctx.properties())
        sink->block(info);
    static constexpr int LEVELS[] = {LVL_CAMERA, LVL_IMAGE, LVL_VERBOSE, LVL_UNKNOWN};
    // The vectors are kept from file to file; a handler that reads another
    // file from its callbacks finds none kept and makes its own.
    thread_local std::vector<exif_prop*> kept[4];
    std::vector<exif_prop*> groups[4];
    for (int g = 0; g < 4; g++) {
        groups[g].swap(kept[g]);
        groups[g].clear();
    }
    for (exif_prop* prop = info.props; prop; prop = prop->next)
        switch (settle(prop)) {
        case LVL_CAMERA: groups[0].push_back(prop); break;
        case LVL_IMAGE: groups[1].push_back(prop); break;
        case LVL_VERBOSE: groups[2].push_back(prop); break;
        case LVL_UNKNOWN: groups[3].push_back(prop); break;
        default: break;  // a combination of flags is never delivered
        }
    detail::propertysink* records = ctx.properties();
    if (handler)
        for (int g = 0; g < 4; g++) {
            handler->beginOfInfoType(LEVELS[g]);
            if (records)
                records->expect(groups[g].size());
            for (const exif_prop* prop : groups[g])
                sendbounded(handler, ctx, prop);
        }
    for (int g = 0; g < 4; g++)
        kept[g].swap(groups[g]);
}

// The segment's bytes, held by the source until its next read.
const unsigned char* takesegment(detail::source& src, detail::context& ctx, unsigned int length, int* failure)
{
    try {
        const unsigned char* segment = src.take(length);
        if (!segment) {
            *failure = EXIF_READ_FAILED;
            if (!src.readerror())
                ctx.warn("file ends inside the Exif block");
        }
        return segment;
    } catch (const std::bad_alloc&) {
        *failure = EXIF_NO_MEMORY;
        return nullptr;
    }
}

// Scans the header to its end. `delivered` is set as soon as an Exif block
// has been handed over, so a fatal error later still knows about it. Once
// the file's bounds are reached its later blocks are passed over like any
// other segment, so that the result is the same as without them.
int scan(detail::source& src, detail::context& ctx, bool& delivered)
{
    int marker = 0;
    unsigned int length = 0;
    for (int first = 1; detail::jpegscan(src, &marker, &length, first, ctx); first = 0) {
        if (marker != MARKER_APP1 || !ctx.takeblock()) {
            if (!src.skip(length))
                return EXIF_READ_FAILED;
            continue;
        }
        int failure = EXIF_OK;
        const unsigned char* segment = takesegment(src, ctx, length, &failure);
        if (!segment)
            return failure;
        const exif_info* info = detail::parseblock(ctx, segment, length);
        if (info && info->props) {
            deliver(ctx, *info);
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

// The result of a read that the source could not go on with: nothing read
// is the operand's fault (a directory, a closed descriptor), as if it could
// not be opened; after that it ends the file like a fatal error, or like a
// segment that could not be read once Exif data were delivered.
int readfailure(const detail::readstate& st, const detail::source& src, bool delivered, int* oserror)
{
    *oserror = src.readerror();
    if (src.offset() == 0)
        return EXIF_CANT_OPEN;
    reporterror(st, ExifException(std::strerror(*oserror)).reason());
    return delivered ? EXIF_READ_FAILED : EXIF_NONE;
}

int readsource(detail::readstate& st, detail::source& src, int* oserror)
{
    detail::context ctx(st);
    bool delivered = false;
    int result = EXIF_NONE;
    std::optional<ExifException> fatal;
    try {
        result = scan(src, ctx, delivered);
    } catch (const ExifException& e) {
        fatal = e;
    } catch (const std::bad_alloc&) {
        fatal = ExifException("Cannot allocate memory");
    }
    if (src.readerror())
        return readfailure(st, src, delivered, oserror);
    if (fatal) {
        reporterror(st, fatal->reason());
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
    return readsource(st, src, oserror);
}

int readstream(readstate& st, std::FILE* stream, int* oserror)
{
    st.frame = framestate{};
    filesource src(stream, filesource::PIECE, true);
    return readsource(st, src, oserror);
}

int readmemory(readstate& st, const void* data, std::size_t size)
{
    st.frame = framestate{};
    memorysource src(data, size);
    int unused = 0;
    return readsource(st, src, &unused);
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
