// The WebAssembly face of the library: plain C functions over the module's
// memory, called by the package's JavaScript (wasm/index.js).
//
// A read leaves its result in this module until the next read: the
// structured JSON line, the same the command prints with -J, and the first
// range a partial source did not hold. One read runs at a time, as
// WebAssembly runs one call at a time per instance.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "exifkit/exifkit.h"

namespace exifkit::wasm {
namespace {

// Pieces of a file the host holds (slices of a Blob): a read asks for what
// it needs and is told MISSING for what is not there, which the host then
// fetches for the next read.
class piecesource final : public Source {
public:
    struct piece {
        std::uint64_t offset;
        const std::uint8_t* bytes;
        std::size_t length;
    };

    void reset(std::uint64_t size)
    {
        size_ = size;
        pieces_.clear();
    }
    void add(std::uint64_t offset, const std::uint8_t* bytes, std::size_t length)
    {
        pieces_.push_back({offset, bytes, length});
    }

    std::optional<std::uint64_t> size() const override { return size_; }

    std::int64_t read(std::uint64_t offset, void* out, std::size_t length) override
    {
        if (offset >= size_)
            return 0;
        length = static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - offset));
        for (const piece& p : pieces_)
            if (offset >= p.offset && offset - p.offset <= p.length && length <= p.length - (offset - p.offset)) {
                std::memcpy(out, p.bytes + (offset - p.offset), length);
                return static_cast<std::int64_t>(length);
            }
        return MISSING;
    }

private:
    std::uint64_t size_ = 0;
    std::vector<piece> pieces_;
};

// Bytes the host holds in its own memory (a Uint8Array), copied in as the
// read asks for them: a read of a large file held whole costs what it reads,
// not the file's size. The host's `ekFetch(offset, out, length)` copies and
// returns how many bytes it copied.
EM_JS(double, ekfetch, (double offset, std::uint8_t* out, std::size_t length),
      { return Module.ekFetch(offset, out, length); });

class hostmemory final : public Source {
public:
    explicit hostmemory(std::uint64_t size) : size_(size) {}
    std::optional<std::uint64_t> size() const override { return size_; }
    std::int64_t read(std::uint64_t offset, void* out, std::size_t length) override
    {
        if (offset >= size_)
            return 0;
        length = static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - offset));
        return static_cast<std::int64_t>(ekfetch(static_cast<double>(offset), static_cast<std::uint8_t*>(out), length));
    }

private:
    std::uint64_t size_;
};

// What the last read left for the host.
struct outcome {
    Metadata metadata;                 // read into again and again: its memory is kept
    std::string json;                  // the structured line
    std::vector<std::uint8_t> thumbnail;
    piecesource pieces;
    std::optional<ByteRange> missing;  // of the last read from pieces
};

outcome& last()
{
    static outcome o;
    return o;
}

void finish(outcome& o)
{
    o.json.clear();
    appendJSON(o.json, o.metadata);
    o.missing = o.metadata.missing;
}

}  // namespace
}  // namespace exifkit::wasm

using exifkit::wasm::last;

extern "C" {

// Reads a file the host holds, of `size` bytes, through its ekFetch.
EMSCRIPTEN_KEEPALIVE void ek_read_host(double size)
{
    auto& o = last();
    exifkit::wasm::hostmemory source(static_cast<std::uint64_t>(size));
    exifkit::readMetadata(source, o.metadata);
    exifkit::wasm::finish(o);
}

// A file read from pieces: forget the pieces of the last one, learn its size...
EMSCRIPTEN_KEEPALIVE void ek_pieces_reset(double size)
{
    last().pieces.reset(static_cast<std::uint64_t>(size));
}

// ... add each piece the host holds (it keeps the bytes until the read is done) ...
EMSCRIPTEN_KEEPALIVE void ek_pieces_add(double offset, const std::uint8_t* bytes, std::size_t length)
{
    last().pieces.add(static_cast<std::uint64_t>(offset), bytes, length);
}

// ... and read them; ek_missing_* then tell the first range that was not held.
EMSCRIPTEN_KEEPALIVE void ek_read_pieces()
{
    auto& o = last();
    exifkit::readMetadata(o.pieces, o.metadata);
    exifkit::wasm::finish(o);
}

EMSCRIPTEN_KEEPALIVE int ek_missing() { return last().missing.has_value(); }
EMSCRIPTEN_KEEPALIVE double ek_missing_offset() { return static_cast<double>(last().missing->offset); }
EMSCRIPTEN_KEEPALIVE double ek_missing_length() { return static_cast<double>(last().missing->length); }

// The last read's structured line (UTF-8) and its length in bytes.
EMSCRIPTEN_KEEPALIVE const char* ek_json() { return last().json.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t ek_json_length() { return last().json.size(); }

// The embedded thumbnail of a file the host holds; its bytes stay until the next call.
EMSCRIPTEN_KEEPALIVE std::size_t ek_thumbnail_host(double size)
{
    auto& o = last();
    exifkit::wasm::hostmemory source(static_cast<std::uint64_t>(size));
    o.thumbnail = exifkit::thumbnail(source);
    return o.thumbnail.size();
}
EMSCRIPTEN_KEEPALIVE const std::uint8_t* ek_thumbnail_bytes() { return last().thumbnail.data(); }

// The same from the pieces added since ek_pieces_reset; ek_missing_* tell
// what they lacked.
EMSCRIPTEN_KEEPALIVE std::size_t ek_thumbnail_pieces()
{
    auto& o = last();
    o.thumbnail = exifkit::thumbnail(o.pieces, &o.missing);
    return o.thumbnail.size();
}

// The library's version, which the package's own must equal.
EMSCRIPTEN_KEEPALIVE const char* ek_version() { return EXIFKIT_VERSION; }

}  // extern "C"
