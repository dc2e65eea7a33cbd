// Reentrant reading: a Reader owns everything one read depends on, and the
// value API returns a file's whole result as a value.
//
// Any number of Readers may read at once on different threads; each must be
// used by one thread at a time. The process-wide functions of host.h, errors.h
// and jpeg.h (setEXIFInfoHandler, setWarningSink, debug, readEXIF, jpeginfo...)
// work on one default reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exifkit/export.h"

#include "exifkit/errors.h"
#include "exifkit/host.h"
#include "exifkit/values.h"

namespace exifkit {

namespace detail {

// The frame header values of the last file read.
struct framestate {
    int precision = 0;
    int height = 0;
    int width = 0;
    int components = 0;
    int seen = 0;
};

// Receives each delivered property as a record, beside the handler's text.
class propertysink;

// What a reader keeps between reads. Each read hands it down in a context
// of its own.
struct readstate {
    InfoHandler* handler = nullptr;
    WarningSink* sink = nullptr;
    const int* trace = nullptr;     // trace switch; null means off
    std::FILE* tracestream = nullptr;  // null means standard output
    framestate frame;
    const char* format = nullptr;   // the format of the last file read ("jpeg"...), null when none
    std::uint32_t headings = 0;     // trace headings printed once per reader
    propertysink* properties = nullptr;
};

}  // namespace detail

// One reader's handler, warning sink, trace settings and last frame.
class EXIFKIT_API Reader {
public:
    Reader() noexcept;
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // The handler that receives the properties (null for none); not owned.
    void setHandler(InfoHandler* handler) noexcept { state_.handler = handler; }
    // The sink of warnings and fatal-error reasons (null to discard); not owned.
    void setWarningSink(WarningSink* sink) noexcept { state_.sink = sink; }
    // Trace lines of this reader's reads (off by default) go to stream, or to
    // standard output when stream is null.
    void setTrace(bool on, std::FILE* stream = nullptr) noexcept;

    // Read like readEXIF: a file by path, a stream the caller opened (and
    // closes), or a whole JPEG file held in memory. Return the codes of
    // readEXIF; when a file or stream cannot be opened or read, errno tells why.
    int read(const char* path);
    int read(std::FILE* stream);
    int read(const void* data, std::size_t size);

    // The errno of the last read's failed open or read, else 0.
    int oserror() const noexcept { return oserror_; }

    // The frame header of the last file read, as jpeginfo gives it.
    int frame(int* precision, int* components, int* height, int* width) const noexcept;

private:
    detail::readstate state_;
    int trace_ = 0;
    int oserror_ = 0;
};

// Bytes a host holds or fetches itself (a file object of a script, a Blob in
// a browser): the library asks for ranges, so that a large file is never
// read whole.
class EXIFKIT_API Source {
public:
    // read() returns these instead of a count.
    static constexpr std::int64_t MISSING = -1;  // this source does not hold the range
    static constexpr std::int64_t FAILED = -2;   // reading failed; errno says why

    virtual ~Source() = default;
    // The size of the data, when known before reading to their end.
    virtual std::optional<std::uint64_t> size() const = 0;
    // Copies up to `length` bytes from `offset` into out and returns how many
    // it copied, fewer only at the end of the data; or MISSING, or FAILED.
    virtual std::int64_t read(std::uint64_t offset, void* out, std::size_t length) = 0;
};

// ---- the value API ----------------------------------------------------------

struct Warning {
    std::string message;
    std::optional<std::string> detail;  // the property's name, or the system's error text
    bool operator==(const Warning&) const = default;
};

struct Property {
    // The description ("Exposure Time"), or the name when it has none. It
    // and the other views point into the library's constant tables and live
    // as long as the program, so they are not copied.
    std::string_view name;
    std::string text;               // "1/125 sec", as the handler gets it
    std::string_view key;           // the tag's machine name: "ExposureTime"
    // Where the entry came from: "IFD0", "IFD1" (the thumbnail's), "Exif",
    // "GPS", "Interop", or the maker note ("Canon", "Nikon"...). The set is
    // open: new makers and formats add names.
    std::string_view directory;
    std::string_view parent;        // the key of the array a sub-value comes from, else empty
    std::uint16_t tag = 0;          // the tag number, or a sub-value's position
    std::uint16_t type = 0;         // the TIFF type (a sub-value: its array's); 0 for a derived text
    std::uint32_t count = 0;        // the stored count (1 for a sub-value)
    int group = 0;                  // the level of the group it is delivered with
    Value value;                    // the stored value
    bool operator==(const Property&) const = default;
};

// One delivered group: the properties that followed one beginOfInfoType.
struct Group {
    int level;          // LVL_CAMERA, LVL_IMAGE, LVL_VERBOSE or LVL_UNKNOWN
    std::vector<Property> properties;
    bool operator==(const Group&) const = default;
};

// A range of a file: a read's first MISSING range.
struct ByteRange {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    bool operator==(const ByteRange&) const = default;
};

struct Frame {
    int precision;
    int components;
    int height;
    int width;
    bool operator==(const Frame&) const = default;
};

// Everything one read reported. Texts are 8-bit (ISO 8859-1), as delivered;
// typed values are UTF-8.
struct Metadata {
    int result = EXIF_NONE;            // the code readEXIF returns
    int oserror = 0;                   // errno of a failed open or read, else 0
    // The format read: "jpeg", "tiff" (TIFF and the raw files built on it),
    // "heif", "avif", "cr3", "png", "webp", "jxl", "raf", "crw"; empty when
    // the file is none of them or could not be read.
    std::string_view format;
    std::optional<std::string> error;  // the fatal error's reason ("Error: ...")
    std::vector<Warning> warnings;
    std::optional<Frame> frame;
    std::vector<Group> groups;         // four per Exif block, in delivery order
    Summary summary;
    // The first range a Source said it does not hold: fetch it and read
    // again (what was read without it is what the rest of the file gave).
    std::optional<ByteRange> missing;

    // The first property with the key, in delivery order, or null; the
    // second form only looks in one directory ("GPS", "Canon"...). Each
    // call takes constant time on average.
    const Property* find(std::string_view key) const noexcept;
    const Property* find(std::string_view directory, std::string_view key) const noexcept;

    // Rebuilds the lookup index after the groups were changed by hand.
    void reindex();

    bool operator==(const Metadata&) const = default;

private:
    struct slot {
        std::uint32_t group;
        std::uint32_t index;
        std::uint32_t nextsame;  // the next slot of the same key, or none
        std::uint32_t lastsame;  // in a key's first slot: the last of its chain
        bool operator==(const slot&) const = default;
    };
    const Property& at(const slot& s) const noexcept { return groups[s.group].properties[s.index]; }
    std::vector<slot> slots_;           // every property in delivery order
    std::vector<std::uint32_t> table_;  // open addressing: slot number + 1 of each key's first
};

// Reads a file, a stream, a file in memory or a host's source and returns
// its result.
// Trace lines go to `trace` when it is not null. Thread-safe and touches no
// process-wide state. Throws nothing: when memory runs out the result is
// EXIF_NONE with the reason in `error` (when even that fits) and nothing else.
EXIFKIT_API Metadata readMetadata(const char* path, std::FILE* trace = nullptr) noexcept;
EXIFKIT_API Metadata readMetadata(std::FILE* stream, std::FILE* trace = nullptr) noexcept;
EXIFKIT_API Metadata readMetadata(const void* data, std::size_t size, std::FILE* trace = nullptr) noexcept;

// The same into `out`, replacing what it held but keeping the memory of its
// strings and vectors: reading file after file into one value allocates
// next to nothing.
EXIFKIT_API void readMetadata(const char* path, Metadata& out, std::FILE* trace = nullptr) noexcept;
EXIFKIT_API void readMetadata(std::FILE* stream, Metadata& out, std::FILE* trace = nullptr) noexcept;
EXIFKIT_API void readMetadata(const void* data, std::size_t size, Metadata& out,
                              std::FILE* trace = nullptr) noexcept;
EXIFKIT_API Metadata readMetadata(Source& source, std::FILE* trace = nullptr) noexcept;
EXIFKIT_API void readMetadata(Source& source, Metadata& out, std::FILE* trace = nullptr) noexcept;

// The embedded thumbnail: the JPEG that the thumbnail directory (IFD1) of the
// file's first Exif block with one points at, bounds-checked against its
// block. Empty when there is none or the file cannot be read; `oserror`, when
// given, then receives the errno of a failed open or read (else 0).
EXIFKIT_API std::vector<std::uint8_t> thumbnail(const char* path, int* oserror = nullptr) noexcept;
EXIFKIT_API std::vector<std::uint8_t> thumbnail(std::FILE* stream, int* oserror = nullptr) noexcept;
EXIFKIT_API std::vector<std::uint8_t> thumbnail(const void* data, std::size_t size) noexcept;
// From a host's source; `missing`, when given, receives the first range the
// source did not hold (fetch it and ask again), else nothing.
EXIFKIT_API std::vector<std::uint8_t> thumbnail(Source& source, std::optional<ByteRange>* missing = nullptr) noexcept;

}  // namespace exifkit
