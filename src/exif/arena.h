// The memory of one parse: properties, texts and directory records are cut
// from a few large pieces and released together with the parse result.
#pragma once

#include <cstddef>
#include <cstdint>

namespace exifkit::detail {

class arena {
public:
    arena() = default;
    arena(const arena&) = delete;
    arena& operator=(const arena&) = delete;
    arena(arena&& other) noexcept;
    arena& operator=(arena&&) = delete;
    ~arena() { release(); }

    // Memory of size bytes, aligned for any record, as it comes (not
    // cleared); null when no memory is left.
    void* tryalloc(std::size_t size) noexcept
    {
        size = (size + ALIGN - 1) & ~(ALIGN - 1);
        if (static_cast<std::size_t>(end_ - pos_) < size && !grow(size))
            return nullptr;
        void* p = pos_;
        pos_ += size;
        return p;
    }

    // Whether p points into this arena's memory; the piece in use is tried first.
    bool owns(const void* p) const noexcept
    {
        const auto* at = static_cast<const unsigned char*>(p);
        return (at >= start_ && at < end_) || ownedbefore(at);
    }

    // Gives all memory back; the arena can be used again afterwards.
    void release() noexcept;

private:
    static constexpr std::size_t ALIGN = alignof(std::max_align_t);
    struct piece;

    bool grow(std::size_t size) noexcept;
    bool ownedbefore(const unsigned char* at) const noexcept;

    piece* pieces_ = nullptr;
    unsigned char* start_ = nullptr;  // of the piece in use
    unsigned char* pos_ = nullptr;
    unsigned char* end_ = nullptr;
    std::size_t next_ = 0;  // size of the next piece to take
};

}  // namespace exifkit::detail
