// The default reader: the state behind the process-wide functions
// (setEXIFInfoHandler, setWarningSink, debug, setTraceStream, readEXIF, jpeginfo).
#pragma once

#include "exifkit/reader.h"

namespace exifkit::detail {

readstate& defaultstate() noexcept;

}  // namespace exifkit::detail
