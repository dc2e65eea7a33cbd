// Reading a photo file of any format and delivering its metadata to the host.
#pragma once

#include <cstddef>
#include <cstdio>

#include "exifkit/export.h"

#include "exifkit/exif.h"

namespace exifkit {

// Receives the properties of a file, group by group.
class EXIFKIT_API InfoHandler {
public:
    virtual ~InfoHandler() = default;

    // A group of properties of this level follows: LVL_CAMERA (2), LVL_IMAGE (4),
    // LVL_VERBOSE (8, "other") or LVL_UNKNOWN (1, unsupported). Sent for every
    // group, even an empty one.
    virtual void beginOfInfoType(int level) = 0;

    // One property: its description ("Exposure Time") and value ("1/125 sec").
    // Both strings are 8-bit texts (ISO 8859-1) valid only during the call.
    virtual void handleInfoWithName(const char* name, const char* value) = 0;
};

// Registers the handler (null for none) that readEXIF delivers to. The library
// does not own it; keep it alive while reading.
EXIFKIT_API void setEXIFInfoHandler(InfoHandler* handler) noexcept;

// Results of readEXIF.
inline constexpr int EXIF_OK = 0;           // header scanned, Exif data delivered
inline constexpr int EXIF_CANT_OPEN = 1;    // the file cannot be opened, or not one byte read
inline constexpr int EXIF_NONE = 2;         // no Exif data delivered, or a fatal error
inline constexpr int EXIF_READ_FAILED = 3;  // a segment could not be skipped or read after a delivery
inline constexpr int EXIF_NO_MEMORY = 4;    // no memory for a segment after a delivery

// Reads the photo file at path (JPEG, TIFF or raw, HEIF, AVIF, CR3, PNG,
// WebP, JPEG XL, RAF: told by its content) and delivers every Exif block to
// the handler, in
// four groups each: camera, image, other, unsupported. Returns one of the codes
// above. A fatal error (a malformed JPEG stream, an allocation failure) ends the
// reading with EXIF_NONE; its reason goes to the warning sink's error(). A file
// or stream that cannot be opened, or gives a read error before its first byte
// (a directory, a closed descriptor), gives EXIF_CANT_OPEN; a read error later
// ends the reading like a fatal error, its reason the system's ("Error:
// Input/output error"), with EXIF_READ_FAILED once Exif data were delivered.
// Either way errno tells why. A file ending inside an Exif block draws the
// warning "file ends inside the Exif block".
//
// Whatever the file, the reading is bounded: the start of image is searched
// for in the first MiB, the header (up to the start of scan) in the first
// 256 MiB, a fatal error past either; at most 200 Exif blocks are parsed and
// 25,000 properties of 600,000 bytes of names and values in all and 100,000
// warnings delivered per file, a warning telling when one of these is reached.
EXIFKIT_API int readEXIF(const char* path);

// The same on a stream opened by the caller (which keeps it and closes it).
// The stream is read in pieces; a seekable stream is left just past the last
// byte the reader used, a pipe somewhere after it.
EXIFKIT_API int readEXIFStream(std::FILE* stream);

// The same on a whole file held in memory: reads exactly as the same bytes
// from a file.
EXIFKIT_API int readEXIFMemory(const void* data, std::size_t size);

}  // namespace exifkit
