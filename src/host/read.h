// Reading a JPEG source with a reader's state.
#pragma once

#include <cstddef>
#include <cstdio>

#include "exifkit/reader.h"

namespace exifkit::detail {

// Read like readEXIF and readEXIFStream, and from a JPEG file in memory, with
// the given state. readpath stores the errno of a failed open in *oserror.
int readpath(readstate& st, const char* path, int* oserror);
int readstream(readstate& st, std::FILE* stream);
int readmemory(readstate& st, const void* data, std::size_t size);

}  // namespace exifkit::detail
