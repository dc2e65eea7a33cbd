// Feeds arbitrary files, of any format, through a host's source that holds
// only part of them (how much, the first two input bytes say) and through a
// forward-only stream, and checks what the reads report: a lacking source
// names a range inside the file and the held part alone never faults; a
// whole source lacks nothing and reads as the same bytes in memory do.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <algorithm>

#include "exifkit/reader.h"

namespace {

class PartSource final : public exifkit::Source {
public:
    PartSource(const std::uint8_t* data, std::size_t size, std::size_t held) : data_(data), size_(size), held_(held) {}
    std::optional<std::uint64_t> size() const override { return size_; }
    std::int64_t read(std::uint64_t offset, void* out, std::size_t length) override
    {
        if (offset >= size_)
            return 0;
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - offset));
        if (offset + n > held_)
            return MISSING;
        std::memcpy(out, data_ + offset, n);
        return static_cast<std::int64_t>(n);
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t held_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::size_t held = static_cast<std::size_t>(data[0]) << 8 | data[1];
    data += 2;
    size -= 2;
    PartSource part(data, size, held);
    const exifkit::Metadata partial = exifkit::readMetadata(part);
    if (partial.missing && (partial.missing->offset >= size || partial.missing->length == 0 ||
                            partial.missing->length > size - partial.missing->offset ||
                            partial.missing->offset + partial.missing->length <= held))
        __builtin_trap();
    PartSource whole(data, size, SIZE_MAX);
    const exifkit::Metadata all = exifkit::readMetadata(whole);
    if (all.missing || all != exifkit::readMetadata(data, size))
        __builtin_trap();
    // A pipe: a stream that cannot seek, read forward only, gives the same
    // result (a file longer than the first read is read without knowing its
    // size, so texts that tell where data run past the end may differ).
    struct position {
        const std::uint8_t* data;
        std::size_t size, at;
    } pipe{data, size, 0};
    cookie_io_functions_t io{};
    io.read = [](void* cookie, char* buf, std::size_t n) -> ssize_t {
        auto& p = *static_cast<position*>(cookie);
        const std::size_t step = std::min(n, p.size - p.at);
        std::memcpy(buf, p.data + p.at, step);
        p.at += step;
        return static_cast<ssize_t>(step);
    };
    if (std::FILE* stream = fopencookie(&pipe, "rb", io)) {
        const exifkit::Metadata streamed = exifkit::readMetadata(stream);
        std::fclose(stream);
        if (streamed.result != all.result || streamed.groups.size() != all.groups.size())
            __builtin_trap();
    }
    return 0;
}
