// The progress line of the exifkit command's -p, on standard error.
#pragma once

#include <chrono>
#include <cstddef>

namespace exifkit::cli {

// "exifkit: DONE/TOTAL files, N files/s", redrawn in place at most ten times
// a second; with `shown` false every call does nothing.
class progress {
public:
    progress(bool shown, std::size_t total) : shown_(shown), total_(total) {}

    void advance(std::size_t done);
    // Leaves the final count on its line.
    void finish(std::size_t done);
    // Clears the line, so that other text can be printed in its place; the
    // next advance draws it again.
    void clear();

private:
    using clock = std::chrono::steady_clock;
    bool shown_;
    std::size_t total_;
    clock::time_point start_ = clock::now();
    clock::time_point drawn_{};
    bool visible_ = false;
};

}  // namespace exifkit::cli
