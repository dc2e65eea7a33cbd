// Where the bytes of a file come from: one interface for every kind of
// input, asked for the bytes at an offset. A file by path and a seekable
// stream are read with pread (or a seek) where they are asked for, a file in
// memory is read in place, a pipe is read forward and what the reader may
// still ask for is kept. A source that lacks a range (a binding that holds
// only parts of a file) names it, so that its host can fetch it and read
// again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

namespace exifkit::detail {

// A range of a file that a read needed and its source did not hold.
struct byterange {
    std::uint64_t offset;
    std::uint64_t length;
};

class bytesource {
public:
    virtual ~bytesource() = default;

    // The size of the data when it is known before reading to the end.
    virtual std::optional<std::uint64_t> size() const noexcept = 0;

    // Copies the bytes at [offset, offset + length) into out and returns how
    // many it copied: fewer only at the end of the data or when reading
    // failed (readerror() or missing() then says why).
    std::size_t read(std::uint64_t offset, unsigned char* out, std::size_t length);

    // The bytes in place, when the source holds the whole range in memory
    // for as long as it lives; else null.
    virtual const unsigned char* inplace(std::uint64_t offset, std::size_t length) const noexcept;

    // The size of a source that holds all its bytes in memory; none for the
    // others (asking costs nothing).
    virtual std::optional<std::uint64_t> memorysize() const noexcept;

    // The reader will not ask again for bytes before offset (a source read
    // forward may drop them).
    virtual void release(std::uint64_t offset) noexcept;

    // The errno of a failed read, or 0.
    int readerror() const noexcept { return readerror_; }
    // The first range a read needed that the source does not hold.
    const std::optional<byterange>& missing() const noexcept { return missing_; }

    // What reading cost: calls to the system (or the host) and bytes read.
    std::uint64_t readcalls() const noexcept { return calls_; }
    std::uint64_t bytesread() const noexcept { return bytes_; }

protected:
    // Reads as read() does; counted by it.
    virtual std::size_t fetch(std::uint64_t offset, unsigned char* out, std::size_t length) = 0;
    void counted(std::size_t bytes) noexcept
    {
        ++calls_;
        bytes_ += bytes;
    }
    void failed(int error) noexcept
    {
        if (!readerror_)
            readerror_ = error;
    }
    void lacking(std::uint64_t offset, std::uint64_t length) noexcept
    {
        if (!missing_)
            missing_ = byterange{offset, length};
    }

private:
    int readerror_ = 0;
    std::optional<byterange> missing_;
    std::uint64_t calls_ = 0;
    std::uint64_t bytes_ = 0;
};

// A whole file held in memory by the caller, read in place.
class memorybytes final : public bytesource {
public:
    memorybytes(const void* data, std::size_t size) noexcept
        : data_(static_cast<const unsigned char*>(data)), size_(data ? size : 0)
    {
    }
    std::optional<std::uint64_t> size() const noexcept override { return size_; }
    std::optional<std::uint64_t> memorysize() const noexcept override { return size_; }
    const unsigned char* inplace(std::uint64_t offset, std::size_t length) const noexcept override;

private:
    std::size_t fetch(std::uint64_t offset, unsigned char* out, std::size_t length) override;

    const unsigned char* data_;
    std::size_t size_;
};

// A file descriptor read at any offset (a regular file), from `start` on:
// to `size` bytes, or when no size is given, to the end its status gives
// when it is first asked for (a JPEG file never asks: the reads say where it
// ends). A descriptor that cannot be read at an offset (a FIFO) fails its
// first read with ESPIPE, having read nothing.
class descriptorbytes final : public bytesource {
public:
    descriptorbytes(int fd, std::uint64_t start, std::optional<std::uint64_t> size = std::nullopt) noexcept
        : fd_(fd), start_(start), size_(size)
    {
    }
    std::optional<std::uint64_t> size() const noexcept override;

private:
    std::size_t fetch(std::uint64_t offset, unsigned char* out, std::size_t length) override;

    int fd_;
    std::uint64_t start_;
    mutable std::optional<std::uint64_t> size_;
    mutable bool statted_ = false;
};

// A stream read forward only (a pipe, a terminal, a stream without a
// descriptor). What was read is kept from the lowest offset still wanted
// (see release), up to KEEP_BYTES; a range before that cannot be read again.
class forwardbytes final : public bytesource {
public:
    // Real metadata lies in the first few MiB of a file; a pipe is not held
    // beyond this, so that an endless one costs bounded memory.
    static constexpr std::size_t KEEP_BYTES = 64u << 20;

    explicit forwardbytes(std::FILE* stream) noexcept : stream_(stream) {}
    std::optional<std::uint64_t> size() const noexcept override;
    void release(std::uint64_t offset) noexcept override;

private:
    std::size_t fetch(std::uint64_t offset, unsigned char* out, std::size_t length) override;
    // Reads on until the kept bytes reach `end`; false at the end of the data.
    bool readto(std::uint64_t end);
    // Drops the kept bytes below the floor.
    void drop() noexcept;

    std::FILE* stream_;
    std::vector<unsigned char> kept_;  // the bytes from keptfrom_ on
    std::uint64_t keptfrom_ = 0;
    std::uint64_t floor_ = 0;          // no byte before it will be asked for
    bool ended_ = false;
};

// A stretch of another source: [start, start + length) of it, as a file of
// its own (a JPEG embedded in a raw file).
class windowbytes final : public bytesource {
public:
    windowbytes(bytesource& outer, std::uint64_t start, std::uint64_t length) noexcept
        : outer_(outer), start_(start), length_(length)
    {
    }
    std::optional<std::uint64_t> size() const noexcept override { return length_; }
    std::optional<std::uint64_t> memorysize() const noexcept override
    {
        return outer_.memorysize() ? std::optional(length_) : std::nullopt;
    }
    const unsigned char* inplace(std::uint64_t offset, std::size_t length) const noexcept override;
    void release(std::uint64_t offset) noexcept override;

private:
    std::size_t fetch(std::uint64_t offset, unsigned char* out, std::size_t length) override;

    bytesource& outer_;
    std::uint64_t start_;
    std::uint64_t length_;
};

// A seekable stream without a descriptor to pread (fmemopen, fopencookie):
// each read seeks.
class seekbytes final : public bytesource {
public:
    seekbytes(std::FILE* stream, std::uint64_t start, std::uint64_t size) noexcept
        : stream_(stream), start_(start), size_(size)
    {
    }
    std::optional<std::uint64_t> size() const noexcept override { return size_; }

private:
    std::size_t fetch(std::uint64_t offset, unsigned char* out, std::size_t length) override;

    std::FILE* stream_;
    std::uint64_t start_;
    std::uint64_t size_;
};

}  // namespace exifkit::detail
