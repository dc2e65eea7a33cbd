// The bytes of a JPEG stream, read through a window: a file read in large
// pieces, a stream read one byte at a time, or a whole file held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>

#include "io/bytes.h"

namespace exifkit::detail {

class source {
public:
    virtual ~source() = default;

    // The next byte, or EOF at the end of the data (or on a read error).
    int getbyte()
    {
        if (pos_ == end_ && !refill(1))
            return EOF;
        return *pos_++;
    }

    // The next n bytes, contiguous and valid until the next call, or null when
    // the data end first. Throws std::bad_alloc when they cannot be held.
    const unsigned char* take(std::size_t n)
    {
        if (static_cast<std::size_t>(end_ - pos_) < n && !refill(n))
            return nullptr;
        const unsigned char* at = pos_;
        pos_ += n;
        return at;
    }

    // Passes over n bytes; false when the underlying stream cannot move. Like
    // a seek, it may pass the end of the data: the next read then finds none.
    bool skip(std::uint64_t n)
    {
        const auto held = static_cast<std::uint64_t>(end_ - pos_);
        if (n <= held) {
            pos_ += n;
            return true;
        }
        pos_ = end_;
        settle();
        const std::uint64_t beyond = n - held;
        passed_ = beyond > UINT64_MAX - passed_ ? UINT64_MAX : passed_ + beyond;
        return pass(beyond);
    }

    // How many bytes have been read or passed over so far.
    std::uint64_t offset() const noexcept { return passed_ + static_cast<std::uint64_t>(pos_ - mark_); }

    // The errno of a failed read of the underlying stream, or 0: the end of
    // the data it made look early was no end of the file.
    int readerror() const noexcept { return readerror_; }

protected:
    // Makes at least n bytes available at pos_ (keeping those not yet read);
    // false when the data end first.
    virtual bool fill(std::size_t n) = 0;
    // Passes over n bytes beyond the window.
    virtual bool pass(std::uint64_t n) = 0;

    const unsigned char* pos_ = nullptr;
    const unsigned char* end_ = nullptr;
    const unsigned char* mark_ = nullptr;  // where pos_ stood when passed_ was last brought up to date
    int readerror_ = 0;

private:
    void settle() noexcept
    {
        passed_ += static_cast<std::uint64_t>(pos_ - mark_);
        mark_ = pos_;
    }

    bool refill(std::size_t n)
    {
        settle();
        const bool filled = fill(n);
        mark_ = pos_;
        return filled;
    }

    std::uint64_t passed_ = 0;
};

// A whole JPEG file in memory, read in place.
class memorysource final : public source {
public:
    memorysource(const void* data, std::size_t size) noexcept
    {
        pos_ = static_cast<const unsigned char*>(data);
        end_ = pos_ ? pos_ + size : pos_;
        mark_ = pos_;
    }

private:
    bool fill(std::size_t) override { return false; }
    bool pass(std::uint64_t) override { return true; }
};

// A stream read through a buffer of its own: in pieces of at least `piece`
// bytes, or with a piece of 0 exactly as many bytes as asked for and never
// ahead, so that the caller may go on reading the stream itself.
class filesource final : public source {
public:
    static constexpr std::size_t PIECE = 4096;

    // With giveback, bytes read ahead and not used are handed back with a
    // seek when the source is done, so that a seekable stream stands just
    // past the last byte used.
    filesource(std::FILE* stream, std::size_t piece, bool giveback) noexcept;
    ~filesource() override;
    filesource(const filesource&) = delete;
    filesource& operator=(const filesource&) = delete;

private:
    bool fill(std::size_t n) override;
    bool pass(std::uint64_t n) override;
    // Keeps the reason of a failed read, when the stream says it failed.
    void noteerror() noexcept;

    std::FILE* stream_;
    std::size_t piece_;
    bool giveback_;
    unsigned char* buffer_ = nullptr;
    std::size_t capacity_ = 0;
};

// A JPEG stream read forward from a source of bytes, from offset 0: `head`
// holds its first bytes, read already (they stay the caller's), so that a
// header that fits in them costs no further read.
class bytesforward final : public source {
public:
    static constexpr std::size_t PIECE = 4096;

    bytesforward(bytesource& bytes, std::span<const unsigned char> head) noexcept;
    ~bytesforward() override;
    bytesforward(const bytesforward&) = delete;
    bytesforward& operator=(const bytesforward&) = delete;

private:
    bool fill(std::size_t n) override;
    bool pass(std::uint64_t n) override;

    bytesource& bytes_;
    std::uint64_t next_;  // the offset of the byte after end_
    unsigned char* buffer_ = nullptr;
    std::size_t capacity_ = 0;
};

}  // namespace exifkit::detail
