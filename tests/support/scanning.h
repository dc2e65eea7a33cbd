// Running the directory reader in tests: the block is copied into a heap
// buffer of exactly its size, so that the sanitizers catch any read past its
// end, and the result keeps that buffer alive as long as it lives.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "exifkit/exif.h"
#include "exifkit/records.h"

namespace exifkit::test {

struct Scanned {
    std::unique_ptr<unsigned char[]> block;  // declared first: outlives info
    exif_info_ptr info;

    explicit operator bool() const { return info != nullptr; }

    std::vector<const exif_prop*> props() const
    {
        std::vector<const exif_prop*> out;
        for (const exif_prop* p = info ? info->props : nullptr; p; p = p->next)
            out.push_back(p);
        return out;
    }
    const exif_prop* find(std::uint16_t tag, const tag_def* table = tags) const
    {
        return info ? findprop(info->props, table, tag) : nullptr;
    }
    // The first property with this name (sub-values included), or null.
    const exif_prop* named(const std::string& name) const
    {
        for (const exif_prop* p : props())
            if (p->name && name == p->name)
                return p;
        return nullptr;
    }
    // Every property of the tag, in list order, whatever its table.
    std::vector<const exif_prop*> all(std::uint16_t tag) const
    {
        std::vector<const exif_prop*> out;
        for (const exif_prop* p : props())
            if (p->tag == tag)
                out.push_back(p);
        return out;
    }
};

inline Scanned scan(const std::vector<unsigned char>& block, int readmakers = 1)
{
    Scanned s;
    s.block.reset(new unsigned char[block.size()]);
    if (!block.empty())
        std::memcpy(s.block.get(), block.data(), block.size());
    s.info.reset(exifscan(s.block.get(), static_cast<std::uint32_t>(block.size()), readmakers));
    return s;
}

// The same through exifparse: read and interpreted, maker notes included.
inline Scanned parse(const std::vector<unsigned char>& block)
{
    Scanned s;
    s.block.reset(new unsigned char[block.size()]);
    if (!block.empty())
        std::memcpy(s.block.get(), block.data(), block.size());
    s.info.reset(exifparse(s.block.get(), static_cast<std::uint32_t>(block.size())));
    return s;
}

inline std::string textof(const exif_prop* prop)
{
    if (!prop)
        return "<no property>";
    return prop->str ? prop->str : "<none>";
}

// Instance names of a suite parameterised over the byte order.
template <class ParamInfo>
std::string ordername(const ParamInfo& info)
{
    return info.param == ORDER_BIG ? "Big" : "Little";
}

// Turns the debug switch on and captures the trace lines for its lifetime.
class TraceCapture {
public:
    TraceCapture() : file_(std::tmpfile()), previous_(setTraceStream(file_)), debug_(debug) { debug = 1; }
    ~TraceCapture()
    {
        debug = debug_;
        setTraceStream(previous_);
        if (file_)
            std::fclose(file_);
    }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::string text() const
    {
        std::string out;
        if (!file_)
            return out;
        std::fflush(file_);
        std::rewind(file_);
        char chunk[512];
        while (std::size_t n = std::fread(chunk, 1, sizeof chunk, file_))
            out.append(chunk, n);
        std::fseek(file_, 0, SEEK_END);
        return out;
    }

private:
    std::FILE* file_;
    std::FILE* previous_;
    int debug_;
};

}  // namespace exifkit::test
