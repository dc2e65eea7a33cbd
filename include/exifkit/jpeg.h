// The JPEG marker scanner: walks the marker segments at the head of a JPEG
// stream and stops at each APP1 and APP2 segment.
#pragma once

#include <cstdio>

#include "exifkit/export.h"

namespace exifkit {

// Finds the next APP1 or APP2 segment of the stream, reading byte by byte and
// never ahead (segments it passes over are skipped with a relative seek, or
// read and dropped where the stream cannot seek), so the caller may read the
// stream itself between calls. Pass first nonzero on the first call for a
// stream: it checks for the start-of-image marker and forgets the frame of any
// earlier stream. The frame goes to the default reader, which jpeginfo
// reports; warnings go to its sink.
//
// Returns 1 at an APP1 or APP2 segment: *marker holds its code, *length the
// number of data bytes, and the stream stands at the first of them. The caller
// must consume or skip exactly that many bytes before calling again.
// Returns 0 at the start of scan or the end of image; *length is not written.
// After any return *marker holds the code of the last marker read.
// A truncated or malformed stream raises ExifException.
EXIFKIT_API int jpegscan(std::FILE* stream, int* marker, unsigned int* length, int first);

// Hands out the sample precision, component count, height and width of the last
// frame header the scanner read; returns 1 when one was read, else 0.
EXIFKIT_API int jpeginfo(int* precision, int* components, int* height, int* width);

// Forgets the last frame header, so that jpeginfo reports none.
EXIFKIT_API void jpegreset() noexcept;

}  // namespace exifkit
