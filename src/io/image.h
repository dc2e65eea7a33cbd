// A file as one range of memory whose pages are read on their first use:
// the directories of a 50 MB raw file take a few pages of it.
#pragma once

#include <cstdint>
#include <vector>

#include "io/bytes.h"

namespace exifkit::detail {

class fileimage {
public:
    static constexpr std::uint64_t PAGE = 16 * 1024;
    // Pages are read in runs of at least this much, so that a directory and
    // the values behind it come in one read.
    static constexpr std::uint64_t MIN_READ = 64 * 1024;
    // TIFF offsets are 32-bit: no byte past 4 GiB can be asked for.
    static constexpr std::uint64_t MAX_SIZE = std::uint64_t{1} << 32;

    // The first `size` bytes of src (at most MAX_SIZE); a source read forward
    // only is read in order, and what was read is then released from it.
    // The range is reserved, not committed: untouched pages take no memory.
    // Throws std::bad_alloc when it cannot be reserved.
    fileimage(bytesource& src, std::uint64_t size);
    ~fileimage();
    fileimage(const fileimage&) = delete;
    fileimage& operator=(const fileimage&) = delete;

    const unsigned char* data() const noexcept { return memory_; }
    std::uint64_t size() const noexcept { return size_; }

    // Whether the n bytes at `at` are in memory, reading them when not.
    bool load(const unsigned char* at, std::uint64_t n) noexcept;

private:
    bool loaded(std::uint64_t page) const noexcept { return (bits_[page / 64] >> (page % 64)) & 1; }
    void mark(std::uint64_t page) noexcept { bits_[page / 64] |= std::uint64_t{1} << (page % 64); }
    // Reads the pages [first, last]; false when the data end or fail first.
    bool readpages(std::uint64_t first, std::uint64_t last) noexcept;

    bytesource& src_;
    unsigned char* memory_ = nullptr;
    std::uint64_t size_;
    std::uint64_t reserved_ = 0;
    std::vector<std::uint64_t> bits_;  // one bit per page: read
    bool forward_;
    std::uint64_t prefix_ = 0;         // a forward source: the pages read so far
    std::uint64_t present_ = 0;        // and the bytes
};

}  // namespace exifkit::detail
