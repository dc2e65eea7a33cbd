// The WebAssembly face of the library: plain C functions over the module's
// memory, called by the package's JavaScript (wasm/index.js).
//
// A read leaves its result in this module until the next read, encoded for
// the package's JavaScript, and the first range a partial source did not
// hold. One read runs at a time, as
// WebAssembly runs one call at a time per instance.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "exifkit/exifkit.h"
#include "host/typed.h"

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

// A read's result as a tape of numbers and one pool of text, which the
// package's JavaScript turns into the object the structured JSON line holds
// (wasm/index.js, decode), without writing JSON here and parsing it there.
//
// Texts are runs of the pool, given as their start and length in UTF-16
// units (the pool is decoded once, then cut), start -1 for null. The
// library's names, keys and directory names are sent once per module, as
// numbered constants: a property names them by number.
class encoder {
public:
    void encode(const Metadata& m)
    {
        pool_.clear();
        units_ = 0;
        fresh_.clear();
        body_.assign(1, 0);
        encodebody(m);
        // The constants first met in this read go last; the tape starts
        // with where they are, so that they are read first.
        body_[0] = static_cast<double>(body_.size());
        body_.push_back(static_cast<double>(fresh_.size() / 3));
        body_.insert(body_.end(), fresh_.begin(), fresh_.end());
    }
    const std::vector<double>& tape() const noexcept { return body_; }
    const std::string& pool() const noexcept { return pool_; }

private:
    // Value kinds on the tape.
    enum : int { NONE, TRUNCATED, TEXT, BYTES, INTEGER, REAL, RATIONAL, ARRAY };

    void num(double x) { body_.push_back(x); }

    // A run of the pool: start and length in UTF-16 units.
    void run(std::size_t from)
    {
        num(static_cast<double>(from));
        num(static_cast<double>(units_ - from));
    }
    void utf8(std::string_view text)
    {
        if (!detail::isutf8(text))
            return latin1(text);
        const std::size_t from = units_;
        pool_.append(text);
        for (char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            units_ += (byte & 0xC0) != 0x80;
            units_ += byte >= 0xF0;  // a code point past U+FFFF takes two units
        }
        run(from);
    }
    void latin1(std::string_view text)
    {
        const std::size_t from = units_;
        detail::appendlatin1(pool_, text);
        units_ += text.size();
        run(from);
    }
    void none()
    {
        num(-1);
        num(0);
    }
    void latin1(const std::optional<std::string>& text) { text ? latin1(std::string_view(*text)) : none(); }
    void utf8(const std::optional<std::string>& text) { text ? utf8(std::string_view(*text)) : none(); }

    // A constant string of the library's tables, by number. A small table
    // by address answers most lookups; the map behind it holds them all.
    void constant(std::string_view text, bool islatin1)
    {
        const auto address = reinterpret_cast<std::uintptr_t>(text.data());
        recent& near = recent_[(address ^ (address >> 9) ^ text.size()) % RECENT];
        if (near.data != text.data() || near.size != text.size() || near.latin1 != islatin1)
            near = recent{text.data(), text.size(), islatin1, numberof(text, islatin1)};
        num(near.number);
    }
    int numberof(std::string_view text, bool islatin1)
    {
        const auto key = std::make_tuple(text.data(), text.size(), islatin1);
        auto [at, added] = constants_.try_emplace(key, static_cast<int>(constants_.size()));
        if (added) {
            std::swap(body_, spare_);  // the text goes to the pool, its number to the constants
            body_.clear();
            islatin1 ? latin1(text) : utf8(text);
            fresh_.push_back(at->second);
            fresh_.insert(fresh_.end(), body_.begin(), body_.end());
            std::swap(body_, spare_);
        }
        return at->second;
    }

    void element(const Value& v, std::size_t i)
    {
        if (v.kind() == Value::Kind::Rational) {
            const Rational r = v.rational(i);
            num(static_cast<double>(r.numerator));
            num(static_cast<double>(r.denominator));
        } else {
            num(v.kind() == Value::Kind::Integer ? static_cast<double>(v.integer(i)) : v.real(i));
        }
    }
    int elementkind(const Value& v) const
    {
        return v.kind() == Value::Kind::Rational ? RATIONAL : v.kind() == Value::Kind::Integer ? INTEGER : REAL;
    }
    void value(const Value& v)
    {
        if (!v.has()) {
            num(NONE);
        } else if (v.truncated()) {
            num(TRUNCATED);
            num(static_cast<double>(v.size()));
        } else if (v.kind() == Value::Kind::Text) {
            num(TEXT);
            utf8(v.text());
        } else if (v.kind() == Value::Kind::Bytes) {
            num(BYTES);
            const std::size_t from = units_, before = pool_.size();
            detail::appendbase64(pool_, v.bytes());
            units_ += pool_.size() - before;
            run(from);
        } else if (!v.isArray()) {
            num(elementkind(v));
            element(v, 0);
        } else {
            num(ARRAY);
            num(elementkind(v));
            num(static_cast<double>(v.size()));
            for (std::size_t i = 0; i < v.size(); ++i)
                element(v, i);
        }
    }

    // Optional summary fields: a flag, then the field when present.
    template <class T, class Put>
    void optional(const std::optional<T>& field, Put put)
    {
        num(field.has_value());
        if (field)
            put(*field);
    }
    void date(const std::optional<DateTime>& t)
    {
        optional(t, [&](const DateTime& d) { utf8(std::string_view(d.iso())); });
    }
    void real(const std::optional<double>& x)
    {
        optional(x, [&](double d) { num(d); });
    }
    template <class Integer>
    void integer(const std::optional<Integer>& x)
    {
        optional(x, [&](Integer n) { num(static_cast<double>(n)); });
    }
    void text(const std::optional<std::string>& x)
    {
        optional(x, [&](const std::string& t) { utf8(std::string_view(t)); });
    }

    void summary(const Summary& s)
    {
        text(s.make);
        text(s.model);
        text(s.lens);
        text(s.software);
        date(s.datetime_original);
        date(s.datetime_digitized);
        date(s.datetime_modified);
        optional(s.exposure_time, [&](const Rational& r) {
            num(static_cast<double>(r.numerator));
            num(static_cast<double>(r.denominator));
        });
        real(s.f_number);
        integer(s.iso);
        real(s.focal_length);
        real(s.focal_length_35mm);
        integer(s.orientation);
        integer(s.width);
        integer(s.height);
        optional(s.gps, [&](const Position& g) {
            real(g.latitude);
            real(g.longitude);
            real(g.altitude);
            date(g.timestamp);
            real(g.direction);
        });
    }

    void encodebody(const Metadata& m)
    {
        if (m.format.empty())
            num(-1);
        else
            constant(m.format, false);
        num(m.result);
        latin1(m.error);
        num(static_cast<double>(m.warnings.size()));
        for (const Warning& w : m.warnings) {
            latin1(std::string_view(w.message));
            latin1(w.detail);
        }
        optional(m.frame, [&](const Frame& f) {
            num(f.precision);
            num(f.components);
            num(f.height);
            num(f.width);
        });
        summary(m.summary);
        std::size_t count = 0;
        for (const Group& g : m.groups)
            count += g.properties.size();
        num(static_cast<double>(count));
        for (const Group& g : m.groups)
            for (const Property& p : g.properties) {
                constant(p.directory, false);
                num(p.tag);
                constant(p.key, false);
                constant(p.name, true);
                latin1(std::string_view(p.text));
                value(p.value);
                num(p.group);
                num(p.type);
                num(p.count);
                if (p.parent.empty())
                    num(-1);
                else
                    constant(p.parent, false);
            }
    }

    std::vector<double> body_, spare_, fresh_;
    std::string pool_;
    std::size_t units_ = 0;
    // The constants the host has, by where they lie in the library's tables.
    struct placehash {
        std::size_t operator()(const std::tuple<const char*, std::size_t, bool>& k) const noexcept
        {
            return std::hash<const char*>()(std::get<0>(k)) ^ (std::get<1>(k) << 1) ^ std::get<2>(k);
        }
    };
    std::unordered_map<std::tuple<const char*, std::size_t, bool>, int, placehash> constants_;
    struct recent {
        const char* data = nullptr;
        std::size_t size = 0;
        bool latin1 = false;
        int number = 0;
    };
    static constexpr std::size_t RECENT = 1024;
    std::vector<recent> recent_ = std::vector<recent>(RECENT);
};

// What the last read left for the host.
struct outcome {
    Metadata metadata;                 // read into again and again: its memory is kept
    std::vector<std::uint8_t> thumbnail;
    piecesource pieces;
    std::optional<ByteRange> missing;  // of the last read from pieces
    encoder encoded;
};

outcome& last()
{
    static outcome o;
    return o;
}

void finish(outcome& o)
{
    o.encoded.encode(o.metadata);
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

// The last read's result: its tape of numbers and its pool of text (UTF-8).
EMSCRIPTEN_KEEPALIVE const double* ek_tape() { return last().encoded.tape().data(); }
EMSCRIPTEN_KEEPALIVE std::size_t ek_tape_length() { return last().encoded.tape().size(); }
EMSCRIPTEN_KEEPALIVE const char* ek_pool() { return last().encoded.pool().data(); }
EMSCRIPTEN_KEEPALIVE std::size_t ek_pool_length() { return last().encoded.pool().size(); }

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
