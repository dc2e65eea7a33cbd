// Runs the exifkit command over its inputs: read on worker threads, written
// out in input order.
#pragma once

#include "options.h"

namespace exifkit::cli {

// Reads and prints every input, with the progress line of -p and the summary
// of -w; true when each one delivered its Exif data.
bool processfiles(const options& opt);

}  // namespace exifkit::cli
