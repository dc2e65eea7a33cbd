// The bytes of a JPEG stream, read through a window: a file read in large
// pieces, a stream read one byte at a time, or a whole file held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace exifkit::detail {

class source {
public:
    virtual ~source() = default;

    // The next byte, or EOF at the end of the data.
    int getbyte()
    {
        if (pos_ == end_ && !fill(1))
            return EOF;
        return *pos_++;
    }

    // The next n bytes, contiguous and valid until the next call, or null when
    // the data end first. Throws std::bad_alloc when they cannot be held.
    const unsigned char* take(std::size_t n)
    {
        if (static_cast<std::size_t>(end_ - pos_) < n && !fill(n))
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
        return pass(n - held);
    }

protected:
    // Makes at least n bytes available at pos_ (keeping those not yet read);
    // false when the data end first.
    virtual bool fill(std::size_t n) = 0;
    // Passes over n bytes beyond the window.
    virtual bool pass(std::uint64_t n) = 0;

    const unsigned char* pos_ = nullptr;
    const unsigned char* end_ = nullptr;
};

// A whole JPEG file in memory, read in place.
class memorysource final : public source {
public:
    memorysource(const void* data, std::size_t size) noexcept
    {
        pos_ = static_cast<const unsigned char*>(data);
        end_ = pos_ ? pos_ + size : pos_;
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

    std::FILE* stream_;
    std::size_t piece_;
    bool giveback_;
    unsigned char* buffer_ = nullptr;
    std::size_t capacity_ = 0;
};

}  // namespace exifkit::detail
