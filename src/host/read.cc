// Reading a file: walk the JPEG header, parse every APP1 segment and deliver
// its properties to the registered handler.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "exifkit/errors.h"
#include "exifkit/exif.h"
#include "exifkit/host.h"
#include "exifkit/jpeg.h"

namespace exifkit {

namespace {

InfoHandler* infohandler = nullptr;

constexpr int MARKER_APP1 = 0xE1;

struct file_closer {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};

struct buffer_free {
    void operator()(unsigned char* p) const noexcept { std::free(p); }
};
using segment_ptr = std::unique_ptr<unsigned char, buffer_free>;

void deliver(exif_prop* props)
{
    printprops(props, LVL_CAMERA, 1);
    printprops(props, LVL_IMAGE, 1);
    printprops(props, LVL_VERBOSE, 1);
    printprops(props, LVL_UNKNOWN, 1);
}

// Scans the stream's header to its end. `delivered` is set as soon as an Exif
// block has been handed over, so a fatal error later still knows about it.
int scan(std::FILE* stream, bool& delivered)
{
    int marker = 0;
    unsigned int length = 0;
    for (int first = 1; jpegscan(stream, &marker, &length, first); first = 0) {
        if (marker != MARKER_APP1) {
            if (std::fseek(stream, length, SEEK_CUR))
                return EXIF_READ_FAILED;
            continue;
        }
        // One spare byte, so that an empty segment still gets a buffer.
        segment_ptr segment(static_cast<unsigned char*>(std::malloc(length + 1)));
        if (!segment)
            return EXIF_NO_MEMORY;
        if (std::fread(segment.get(), 1, length, stream) != length)
            return EXIF_READ_FAILED;
        exif_info_ptr info(exifparse(segment.get(), length));
        if (info && info->props) {
            deliver(info->props);
            delivered = true;
        }
    }
    return EXIF_OK;
}

}  // namespace

void setEXIFInfoHandler(InfoHandler* handler) noexcept
{
    infohandler = handler;
}

void printprops(exif_prop* list, int level, int pas)
{
    if (infohandler)
        infohandler->beginOfInfoType(level);
    for (exif_prop* prop = list; prop; prop = prop->next) {
        if (prop->lvl == LVL_PAS)
            prop->lvl = pas ? LVL_CAMERA : LVL_IMAGE;
        if (prop->lvl == LVL_OVERRIDE || prop->lvl == LVL_BAD)
            prop->lvl = LVL_VERBOSE;
        if (prop->lvl != level || !infohandler)
            continue;
        char number[20];
        const char* value = prop->str;
        if (!value) {
            std::snprintf(number, sizeof number, "%d", static_cast<int>(prop->value));
            value = number;
        }
        infohandler->handleInfoWithName(prop->descr ? prop->descr : prop->name, value);
    }
}

int readEXIFStream(std::FILE* stream)
{
    jpegreset();
    bool delivered = false;
    int result = EXIF_NONE;
    try {
        result = scan(stream, delivered);
    } catch (const ExifException& e) {
        if (WarningSink* sink = warningSink())
            sink->error(e.reason());
        return EXIF_NONE;
    } catch (const std::bad_alloc&) {
        if (WarningSink* sink = warningSink())
            sink->error(ExifException("Cannot allocate memory").reason());
        return EXIF_NONE;
    }
    return delivered ? result : EXIF_NONE;
}

int readEXIF(const char* path)
{
    // Forget the previous file's frame even when this one cannot be opened.
    jpegreset();
    std::unique_ptr<std::FILE, file_closer> file(path ? std::fopen(path, "rb") : nullptr);
    if (!file)
        return EXIF_CANT_OPEN;
    return readEXIFStream(file.get());
}

}  // namespace exifkit
