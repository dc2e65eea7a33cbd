// The state of the read running on the calling thread.
#pragma once

#include <cstdio>

#include "exifkit/reader.h"

namespace exifkit::detail {

// The state of the read in progress on this thread, or the default reader's
// when none is (the process-wide API, and parsers called directly).
readstate& state() noexcept;

// The default reader's state: the registered handler and sink, `debug` and
// the stream of setTraceStream.
readstate& defaultstate() noexcept;

// Makes a reader's state the current one of this thread for its lifetime.
class usestate {
public:
    explicit usestate(readstate& s) noexcept;
    ~usestate();
    usestate(const usestate&) = delete;
    usestate& operator=(const usestate&) = delete;

private:
    readstate* previous_;
};

// Whether trace lines are wanted, and where they go.
inline bool tracing() noexcept
{
    const int* on = state().trace;
    return on && *on;
}
std::FILE* tracestream() noexcept;

}  // namespace exifkit::detail
