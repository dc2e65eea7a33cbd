// Reading a JPEG source with a reader's state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>

#include "exif/context.h"
#include "exifkit/reader.h"
#include "io/bytes.h"

namespace exifkit::detail {

// Read like readEXIF and readEXIFStream, and from a JPEG file in memory, with
// the given state. The errno of a failed open or read goes to *oserror, which
// is left alone otherwise.
int readpath(readstate& st, const char* path, int* oserror);
int readstream(readstate& st, std::FILE* stream, int* oserror);
int readmemory(readstate& st, const void* data, std::size_t size);
// The same from a host's source; the first range it lacked goes to *missing.
int readhostsource(readstate& st, Source& source, int* oserror, std::optional<byterange>* missing);

// Delivers the properties of one parsed block to the reader's handler, in
// its four groups.
void deliver(context& ctx, const exif_info& info);

// Reads a JPEG stream from bytes, whose first bytes `head` holds already,
// delivering each Exif block; `delivered` is set once one was. Returns
// readEXIF's code (a fatal error raises ExifException); `used`, when given,
// receives the offset just past the last byte used.
int readjpeg(context& ctx, bytesource& bytes, std::span<const unsigned char> head, bool& delivered,
             std::uint64_t* used);

// Reads a file of any format: recognises it by its first bytes and delivers
// the Exif data it holds as readjpeg does; the format read goes to the
// reader's state.
int readfile(context& ctx, bytesource& bytes, bool& delivered, std::uint64_t* used);

}  // namespace exifkit::detail
