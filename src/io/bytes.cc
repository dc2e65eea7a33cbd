#include "io/bytes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace exifkit::detail {

std::size_t bytesource::read(std::uint64_t offset, unsigned char* out, std::size_t length)
{
    if (!length)
        return 0;
    return fetch(offset, out, length);
}

const unsigned char* bytesource::inplace(std::uint64_t, std::size_t) const noexcept
{
    return nullptr;
}

std::optional<std::uint64_t> bytesource::memorysize() const noexcept
{
    return std::nullopt;
}

void bytesource::release(std::uint64_t) noexcept {}

const unsigned char* memorybytes::inplace(std::uint64_t offset, std::size_t length) const noexcept
{
    return offset <= size_ && length <= size_ - offset ? data_ + offset : nullptr;
}

std::size_t memorybytes::fetch(std::uint64_t offset, unsigned char* out, std::size_t length)
{
    if (offset >= size_)
        return 0;
    const std::size_t n = std::min<std::uint64_t>(length, size_ - offset);
    std::memcpy(out, data_ + offset, n);
    return n;
}

std::optional<std::uint64_t> descriptorbytes::size() const noexcept
{
    if (!size_ && !statted_) {
        statted_ = true;
        struct stat st {};
        if (fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) {
            const auto total = static_cast<std::uint64_t>(st.st_size);
            size_ = total > start_ ? total - start_ : 0;
        }
    }
    return size_;
}

std::size_t descriptorbytes::fetch(std::uint64_t offset, unsigned char* out, std::size_t length)
{
    if (size_ && offset >= *size_)
        return 0;
    const std::size_t want = size_ ? std::min<std::uint64_t>(length, *size_ - offset) : length;
    // A regular file reads whole but at its end: a short read is the end.
    for (;;) {
        const ssize_t n = ::pread(fd_, out, std::min<std::size_t>(want, SSIZE_MAX), static_cast<off_t>(start_ + offset));
        if (n < 0 && errno == EINTR)
            continue;
        counted(n > 0 ? static_cast<std::size_t>(n) : 0);
        if (n < 0) {
            failed(errno ? errno : EIO);
            return 0;
        }
        return static_cast<std::size_t>(n);
    }
}

std::optional<std::uint64_t> forwardbytes::size() const noexcept
{
    if (ended_)
        return keptfrom_ + kept_.size();
    return std::nullopt;
}

void forwardbytes::release(std::uint64_t offset) noexcept
{
    floor_ = std::max(floor_, offset);
    drop();
}

void forwardbytes::drop() noexcept
{
    if (floor_ <= keptfrom_)
        return;
    const std::uint64_t n = std::min<std::uint64_t>(floor_ - keptfrom_, kept_.size());
    kept_.erase(kept_.begin(), kept_.begin() + static_cast<std::ptrdiff_t>(n));
    keptfrom_ += n;
}

bool forwardbytes::readto(std::uint64_t end)
{
    constexpr std::size_t PIECE = 64 * 1024;
    while (!ended_ && keptfrom_ + kept_.size() < end) {
        if (kept_.size() >= KEEP_BYTES) {
            failed(EFBIG);
            return false;
        }
        const std::size_t held = kept_.size();
        const std::size_t step = std::min(PIECE, KEEP_BYTES - held);
        kept_.resize(held + step);
        const std::size_t got = std::fread(kept_.data() + held, 1, step, stream_);
        counted(got);
        kept_.resize(held + got);
        if (got < step) {
            ended_ = true;
            if (std::ferror(stream_))
                failed(errno ? errno : EIO);
        }
        // Bytes passed over are read and dropped at once.
        drop();
    }
    return keptfrom_ + kept_.size() >= end;
}

std::size_t forwardbytes::fetch(std::uint64_t offset, unsigned char* out, std::size_t length)
{
    if (offset < keptfrom_) {
        failed(ESPIPE);  // dropped: the stream cannot go back
        return 0;
    }
    const std::uint64_t end = offset + length < offset ? UINT64_MAX : offset + length;
    readto(end);
    const std::uint64_t keptend = keptfrom_ + kept_.size();
    if (offset >= keptend)
        return 0;
    const std::size_t n = std::min<std::uint64_t>(length, keptend - offset);
    std::memcpy(out, kept_.data() + (offset - keptfrom_), n);
    return n;
}

const unsigned char* windowbytes::inplace(std::uint64_t offset, std::size_t length) const noexcept
{
    if (offset > length_ || length > length_ - offset)
        return nullptr;
    return outer_.inplace(start_ + offset, length);
}

void windowbytes::release(std::uint64_t offset) noexcept
{
    outer_.release(start_ + std::min(offset, length_));
}

std::size_t windowbytes::fetch(std::uint64_t offset, unsigned char* out, std::size_t length)
{
    if (offset >= length_)
        return 0;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length, length_ - offset));
    return outer_.read(start_ + offset, out, n);
}

std::size_t seekbytes::fetch(std::uint64_t offset, unsigned char* out, std::size_t length)
{
    if (offset >= size_)
        return 0;
    const std::size_t want = std::min<std::uint64_t>(length, size_ - offset);
    if (start_ + offset > static_cast<std::uint64_t>(LONG_MAX) ||
        std::fseek(stream_, static_cast<long>(start_ + offset), SEEK_SET) != 0) {
        failed(errno ? errno : ESPIPE);
        return 0;
    }
    const std::size_t got = std::fread(out, 1, want, stream_);
    counted(got);
    if (got < want && std::ferror(stream_))
        failed(errno ? errno : EIO);
    return got;
}

}  // namespace exifkit::detail
