// Reading a JPEG source with a reader's state.
#pragma once

#include <cstddef>
#include <cstdio>

#include "exifkit/reader.h"

namespace exifkit::detail {

// Read like readEXIF and readEXIFStream, and from a JPEG file in memory, with
// the given state. The errno of a failed open or read goes to *oserror, which
// is left alone otherwise.
int readpath(readstate& st, const char* path, int* oserror);
int readstream(readstate& st, std::FILE* stream, int* oserror);
int readmemory(readstate& st, const void* data, std::size_t size);

}  // namespace exifkit::detail
