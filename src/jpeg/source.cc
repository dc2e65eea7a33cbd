#include "jpeg/source.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

namespace exifkit::detail {

namespace {

// The buffer of the last source of this thread, kept for the next one so
// that reading file after file takes no memory from the system. A source
// takes it while it reads and gives it back when done.
struct sparebuffer {
    unsigned char* memory = nullptr;
    std::size_t capacity = 0;
    ~sparebuffer() { std::free(memory); }
};
thread_local sparebuffer spare;

// Takes this thread's spare buffer.
void takespare(unsigned char*& buffer, std::size_t& capacity) noexcept
{
    buffer = spare.memory;
    capacity = spare.capacity;
    spare.memory = nullptr;
    spare.capacity = 0;
}

// Gives a buffer back as the spare one, or frees it when there is one.
void givespare(unsigned char* buffer, std::size_t capacity) noexcept
{
    if (!spare.memory) {
        spare.memory = buffer;
        spare.capacity = capacity;
    } else {
        std::free(buffer);
    }
}

// Makes room for `want` more bytes behind the `held` ones at pos, which move
// to the buffer's start.
void makeroom(unsigned char*& buffer, std::size_t& capacity, const unsigned char* pos, std::size_t held,
              std::size_t want)
{
    if (held + want > capacity) {
        auto* grown = static_cast<unsigned char*>(std::malloc(held + want));
        if (!grown)
            throw std::bad_alloc();
        if (held)
            std::memcpy(grown, pos, held);
        std::free(buffer);
        buffer = grown;
        capacity = held + want;
    } else if (held && pos != buffer) {
        std::memmove(buffer, pos, held);
    }
}

}  // namespace

filesource::filesource(std::FILE* stream, std::size_t piece, bool giveback) noexcept
    : stream_(stream), piece_(piece), giveback_(giveback)
{
    takespare(buffer_, capacity_);
}

filesource::~filesource()
{
    const auto ahead = static_cast<long>(end_ - pos_);
    if (giveback_ && ahead > 0)
        std::fseek(stream_, -ahead, SEEK_CUR);
    givespare(buffer_, capacity_);
}

bool filesource::fill(std::size_t n)
{
    const auto held = static_cast<std::size_t>(end_ - pos_);
    const std::size_t want = std::max(n - held, piece_);
    makeroom(buffer_, capacity_, pos_, held, want);
    const std::size_t got = std::fread(buffer_ + held, 1, want, stream_);
    if (got < want)
        noteerror();
    pos_ = buffer_;
    end_ = pos_ + held + got;
    return held + got >= n;
}

void filesource::noteerror() noexcept
{
    // errno still holds the reason: nothing ran since the read that failed.
    if (std::ferror(stream_) && !readerror_)
        readerror_ = errno ? errno : EIO;
}

bool filesource::pass(std::uint64_t n)
{
    // A stream that cannot seek (a pipe) is read and the bytes dropped.
    while (n > 0) {
        const long step = static_cast<long>(std::min<std::uint64_t>(n, LONG_MAX));
        if (std::fseek(stream_, step, SEEK_CUR) != 0)
            break;
        n -= static_cast<std::uint64_t>(step);
    }
    unsigned char scratch[4096];
    while (n > 0) {
        const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(n, sizeof scratch));
        const std::size_t got = std::fread(scratch, 1, step, stream_);
        if (got < step) {
            noteerror();
            return !readerror_;
        }
        n -= got;
    }
    return true;
}

bytesforward::bytesforward(bytesource& bytes, std::span<const unsigned char> head) noexcept
    : bytes_(bytes), next_(head.size())
{
    takespare(buffer_, capacity_);
    pos_ = mark_ = head.data();
    end_ = head.data() + head.size();
}

bytesforward::~bytesforward()
{
    givespare(buffer_, capacity_);
}

bool bytesforward::fill(std::size_t n)
{
    const auto held = static_cast<std::size_t>(end_ - pos_);
    // A segment and the markers behind it, so that the next ones need no read.
    const std::size_t want = n - held + PIECE;
    makeroom(buffer_, capacity_, pos_, held, want);
    bytes_.release(next_ - held);
    const std::size_t got = bytes_.read(next_, buffer_ + held, want);
    next_ += got;
    if (got < want && bytes_.readerror() && !readerror_)
        readerror_ = bytes_.readerror();
    pos_ = buffer_;
    end_ = pos_ + held + got;
    return held + got >= n;
}

bool bytesforward::pass(std::uint64_t n)
{
    next_ = n > UINT64_MAX - next_ ? UINT64_MAX : next_ + n;
    bytes_.release(next_);
    return true;
}

}  // namespace exifkit::detail
