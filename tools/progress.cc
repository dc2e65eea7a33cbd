#include "progress.h"

#include <cstdio>

namespace exifkit::cli {

void progress::advance(std::size_t done)
{
    if (!shown_)
        return;
    const auto now = clock::now();
    if (visible_ && now - drawn_ < std::chrono::milliseconds(100))
        return;
    drawn_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    std::fprintf(stderr, "\r\033[Kexifkit: %zu/%zu files, %.0f files/s", done, total_,
                 seconds > 0 ? static_cast<double>(done) / seconds : 0.0);
    std::fflush(stderr);
    visible_ = true;
}

void progress::finish(std::size_t done)
{
    if (!shown_)
        return;
    visible_ = false;  // so that the final count is drawn however recent the last one
    advance(done);
    std::fputc('\n', stderr);
}

void progress::clear()
{
    if (visible_)
        std::fputs("\r\033[K", stderr);
    visible_ = false;
}

}  // namespace exifkit::cli
