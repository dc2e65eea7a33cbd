// The bytes a container walker asks for, held for the length of one read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "io/bytes.h"

namespace exifkit::detail {

// Hands out ranges of a source that stay valid until the fetcher goes: in
// place when the source holds them in memory, else read into pieces of its
// own. A small range is read with the bytes after it (up to AHEAD), so that
// walking headers one after another costs one read.
class fetcher {
public:
    // A file's metadata (boxes, chunks, Exif payloads) takes a few MiB at
    // most; a crafted file could ask for gigabytes.
    static constexpr std::uint64_t HOLD_BYTES = 64u << 20;
    static constexpr std::size_t AHEAD = 64 * 1024;

    explicit fetcher(bytesource& src) noexcept : src_(src) {}
    ~fetcher();
    fetcher(const fetcher&) = delete;
    fetcher& operator=(const fetcher&) = delete;

    bytesource& source() noexcept { return src_; }
    std::optional<std::uint64_t> size() const noexcept { return src_.size(); }

    // The n bytes at offset, or null when the data end first, a read fails
    // or the hold is used up (then `exhausted()`).
    const unsigned char* get(std::uint64_t offset, std::size_t n, std::size_t ahead = AHEAD);
    // As many of the n bytes at offset as the data hold, maybe none; a read
    // takes at least `ahead` bytes.
    std::span<const unsigned char> upto(std::uint64_t offset, std::size_t n, std::size_t ahead = AHEAD);

    // Whether a range was refused because the hold was used up.
    bool exhausted() const noexcept { return exhausted_; }

private:
    struct piece {
        std::uint64_t offset;
        std::size_t size;
        std::unique_ptr<unsigned char[]> bytes;
        std::size_t capacity;
    };
    const piece* holding(std::uint64_t offset, std::size_t n) const noexcept;
    const piece* readpiece(std::uint64_t offset, std::size_t n, std::size_t ahead);

    bytesource& src_;
    std::vector<piece> pieces_;
    std::uint64_t held_ = 0;
    bool exhausted_ = false;
};

}  // namespace exifkit::detail
