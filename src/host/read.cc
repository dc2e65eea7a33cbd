// Reading a file: walk the JPEG header, parse every APP1 segment and deliver
// its properties to the reader's handler.
#include "host/read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
#include "io/bytes.h"
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

}  // namespace

// What four printprops calls deliver (camera, image, other, unsupported),
// sorting the list into the groups in one pass.
void detail::deliver(detail::context& ctx, const exif_info& info)
{
    InfoHandler* handler = ctx.handler();
    detail::propertysink* records = ctx.properties();
    if (records)
        records->block(info);
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

namespace {

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
int readfailure(const detail::readstate& st, const detail::bytesource& bytes, bool delivered, int* oserror)
{
    *oserror = bytes.readerror();
    if (bytes.bytesread() == 0)
        return EXIF_CANT_OPEN;
    reporterror(st, ExifException(std::strerror(*oserror)).reason());
    return delivered ? EXIF_READ_FAILED : EXIF_NONE;
}

// Reads a file of any format from its source. `used`, when given, receives
// the offset just past the last byte a JPEG file used.
int readsource(detail::readstate& st, detail::bytesource& bytes, int* oserror, std::uint64_t* used = nullptr)
{
    st.format = nullptr;
    detail::context ctx(st);
    bool delivered = false;
    int result = EXIF_NONE;
    std::optional<ExifException> fatal;
    try {
        result = detail::readfile(ctx, bytes, delivered, used);
    } catch (const ExifException& e) {
        fatal = e;
    } catch (const std::bad_alloc&) {
        fatal = ExifException("Cannot allocate memory");
    }
    if (bytes.readerror())
        return readfailure(st, bytes, delivered, oserror);
    if (fatal) {
        reporterror(st, fatal->reason());
        return EXIF_NONE;
    }
    return delivered ? result : EXIF_NONE;
}

// The source of a stream: read at offsets when it is a regular file, with
// seeks when it can seek, else forward; from where the stream stands.
struct streamsource {
    std::optional<detail::descriptorbytes> file;
    std::optional<detail::seekbytes> seeking;
    std::optional<detail::forwardbytes> forward;
    std::uint64_t start = 0;

    explicit streamsource(std::FILE* stream)
    {
        const int fd = fileno(stream);
        struct stat st {};
        const off_t at = ftello(stream);
        if (fd >= 0 && at >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            start = static_cast<std::uint64_t>(at);
            const auto size = static_cast<std::uint64_t>(st.st_size);
            file.emplace(fd, start, size > start ? size - start : 0);
        } else if (at >= 0 && fseeko(stream, 0, SEEK_END) == 0) {
            const off_t end = ftello(stream);
            start = static_cast<std::uint64_t>(at);
            fseeko(stream, at, SEEK_SET);
            seeking.emplace(stream, start, end > at ? static_cast<std::uint64_t>(end - at) : 0);
        } else {
            forward.emplace(stream);
        }
    }
    detail::bytesource& bytes() noexcept
    {
        if (file)
            return *file;
        if (seeking)
            return *seeking;
        return *forward;
    }
};

}  // namespace

namespace detail {

int readjpeg(context& ctx, bytesource& bytes, std::span<const unsigned char> head, bool& delivered, std::uint64_t* used)
{
    bytesforward src(bytes, head);
    const int result = scan(src, ctx, delivered);
    if (used)
        *used = src.offset();
    return result;
}

int readpath(readstate& st, const char* path, int* oserror)
{
    // Forget the previous file's frame even when this one cannot be opened.
    st.frame = framestate{};
    st.format = nullptr;
    errno = 0;
    const int fd = path ? ::open(path, O_RDONLY | O_CLOEXEC) : -1;
    if (fd < 0) {
        *oserror = path ? errno : ENOENT;
        return EXIF_CANT_OPEN;
    }
    // Read at offsets: a JPEG file costs its open, a read and its close.
    int result;
    {
        descriptorbytes bytes(fd, 0);
        result = readsource(st, bytes, oserror);
        if (bytes.readerror() != ESPIPE || bytes.bytesread()) {
            ::close(fd);
            return result;
        }
    }
    // A FIFO or another descriptor that cannot be read at an offset, which
    // its failed read left as it was: read forward, as a stream.
    *oserror = 0;
    file_ptr file(fdopen(fd, "rb"));
    if (!file) {
        *oserror = errno;
        ::close(fd);
        return EXIF_CANT_OPEN;
    }
    forwardbytes bytes(file.get());
    return readsource(st, bytes, oserror);
}

int readstream(readstate& st, std::FILE* stream, int* oserror)
{
    st.frame = framestate{};
    streamsource src(stream);
    std::uint64_t used = 0;
    const int result = readsource(st, src.bytes(), oserror, &used);
    // A seekable stream is left just past the last byte of the JPEG used.
    if (!src.forward && used)
        fseeko(stream, static_cast<off_t>(src.start + used), SEEK_SET);
    return result;
}

namespace {

// A host's source as the library's.
class hostbytes final : public bytesource {
public:
    explicit hostbytes(Source& source) : source_(source), size_(source.size()) {}
    std::optional<std::uint64_t> size() const noexcept override { return size_; }

private:
    std::size_t fetch(std::uint64_t offset, unsigned char* out, std::size_t length) override
    {
        if (size_) {
            if (offset >= *size_)
                return 0;
            length = static_cast<std::size_t>(std::min<std::uint64_t>(length, *size_ - offset));
        }
        errno = 0;
        const std::int64_t got = source_.read(offset, out, length);
        if (got == Source::MISSING) {
            lacking(offset, length);
            return 0;
        }
        if (got < 0 || static_cast<std::uint64_t>(got) > length) {
            failed(errno ? errno : EIO);
            return 0;
        }
        counted(static_cast<std::size_t>(got));
        return static_cast<std::size_t>(got);
    }

    Source& source_;
    std::optional<std::uint64_t> size_;
};

}  // namespace

int readhostsource(readstate& st, Source& source, int* oserror, std::optional<byterange>* missing)
{
    st.frame = framestate{};
    hostbytes bytes(source);
    const int result = readsource(st, bytes, oserror);
    *missing = bytes.missing();
    return result;
}

int readmemory(readstate& st, const void* data, std::size_t size)
{
    st.frame = framestate{};
    memorybytes bytes(data, size);
    int unused = 0;
    return readsource(st, bytes, &unused);
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
