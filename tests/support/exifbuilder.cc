#include "support/exifbuilder.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace exifkit::test {

// Appends the parts to out.
static void append(bytes& out, std::initializer_list<bytes> parts)
{
    for (const bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
}

bytes cat(std::initializer_list<bytes> parts)
{
    bytes out;
    append(out, parts);
    return out;
}

bytes TiffBuilder::number(std::uint32_t v, int size) const
{
    bytes b(static_cast<std::size_t>(size));
    for (int i = 0; i < size; i++)
        b[static_cast<std::size_t>(order_ == ORDER_BIG ? size - 1 - i : i)] = static_cast<unsigned char>(v >> (8 * i));
    return b;
}

TiffBuilder& TiffBuilder::add(int d, std::uint16_t tag, std::uint16_t type, std::uint32_t count, bytes data)
{
    const bool fits = data.size() <= 4;
    if (fits)
        data.resize(4, 0);
    return push(d, {tag, type, count, std::move(data), fits});
}

TiffBuilder& TiffBuilder::shorts(int d, std::uint16_t tag, const std::vector<std::uint16_t>& v, std::uint16_t type)
{
    bytes data;
    for (std::uint16_t x : v)
        append(data, {u16(x)});
    return add(d, tag, type, static_cast<std::uint32_t>(v.size()), std::move(data));
}

TiffBuilder& TiffBuilder::longs(int d, std::uint16_t tag, const std::vector<std::uint32_t>& v, std::uint16_t type)
{
    bytes data;
    for (std::uint32_t x : v)
        append(data, {u32(x)});
    return add(d, tag, type, static_cast<std::uint32_t>(v.size()), std::move(data));
}

TiffBuilder& TiffBuilder::rationals(int d, std::uint16_t tag, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& v,
                                    std::uint16_t type)
{
    bytes data;
    for (auto [n, den] : v)
        append(data, {u32(n), u32(den)});
    return push(d, {tag, type, static_cast<std::uint32_t>(v.size()), std::move(data), false});
}

std::uint32_t TiffBuilder::datasize(const directory& d) const
{
    std::uint32_t size = 2 + 12 * static_cast<std::uint32_t>(d.entries.size()) + 4;
    for (const entry& e : d.entries)
        size += e.inline_field ? 0 : static_cast<std::uint32_t>(e.data.size());
    return size;
}

std::uint32_t TiffBuilder::diroffset(int d) const
{
    std::uint32_t at = customheader_ ? static_cast<std::uint32_t>(header_.size()) : 8;
    for (int i = 0; i < d; i++)
        at += static_cast<std::uint32_t>(dirs_.at(i).prefix.size()) + datasize(dirs_.at(i));
    return at + static_cast<std::uint32_t>(dirs_.at(d).prefix.size());
}

bytes TiffBuilder::tiff() const
{
    bytes out = customheader_ ? header_
                              : cat({order_ == ORDER_BIG ? bytes{'M', 'M'} : bytes{'I', 'I'}, u16(42),
                                     u32(dirs_.empty() ? 0 : diroffset(0))});
    for (std::size_t i = 0; i < dirs_.size(); i++) {
        const directory& d = dirs_[i];
        std::uint32_t data = diroffset(static_cast<int>(i)) + 2 + 12 * static_cast<std::uint32_t>(d.entries.size()) + 4;
        append(out, {d.prefix, u16(static_cast<std::uint16_t>(d.entries.size()))});
        for (const entry& e : d.entries) {
            append(out, {u16(e.tag), u16(e.type)});
            if (e.note) {  // the count and offset cover the note's prefix too
                const auto prefix = static_cast<std::uint32_t>(dirs_.at(e.target).prefix.size());
                append(out, {u32(prefix + datasize(dirs_.at(e.target))), u32(diroffset(e.target) - prefix)});
            } else if (e.target >= 0) {
                append(out, {u32(e.count), u32(diroffset(e.target))});
            } else {
                append(out, {u32(e.count), e.inline_field ? e.data : u32(data)});
                data += e.inline_field ? 0 : static_cast<std::uint32_t>(e.data.size());
            }
        }
        append(out, {u32(d.nextoffset >= 0 ? static_cast<std::uint32_t>(d.nextoffset) : d.next >= 0 ? diroffset(d.next) : 0)});
        for (const entry& e : d.entries)
            if (!e.inline_field)
                append(out, {e.data});
    }
    return out;
}

bytes segment(unsigned char marker, const bytes& data)
{
    if (data.size() > 0xFFFF - 2)
        throw std::length_error("JPEG segment too long");
    const std::size_t len = data.size() + 2;
    return cat({{0xFF, marker, static_cast<unsigned char>(len >> 8), static_cast<unsigned char>(len)}, data});
}

bytes sof0(std::uint16_t height, std::uint16_t width, unsigned char components)
{
    bytes header{8, static_cast<unsigned char>(height >> 8), static_cast<unsigned char>(height),
                 static_cast<unsigned char>(width >> 8), static_cast<unsigned char>(width), components};
    for (unsigned char c = 1; c <= components; c++)
        header.insert(header.end(), {c, 0x11, 0x00});
    return segment(0xC0, header);
}

bytes minimaljpeg(const std::vector<bytes>& app1, std::uint16_t width, std::uint16_t height)
{
    bytes out = SOI;
    for (const bytes& block : app1)
        append(out, {segment(0xE1, block)});
    return cat({out, sof0(height, width), SOS, EOI});
}

void writefile(const std::string& path, const bytes& data)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    const bool ok = f && std::fwrite(data.data(), 1, data.size(), f) == data.size();
    if (!f || std::fclose(f) != 0 || !ok)
        throw std::runtime_error("cannot write " + path);
}

bytes readfile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TempFile::TempFile(const bytes& contents)
{
    const char* dir = std::getenv("TMPDIR");
    path_ = std::string(dir && *dir ? dir : "/tmp") + "/exifkit-test-XXXXXX";
    const int fd = mkstemp(path_.data());
    if (fd < 0)
        throw std::runtime_error("cannot create a temporary file");
    close(fd);
    writefile(path_, contents);
}

TempFile::~TempFile()
{
    unlink(path_.c_str());
}

}  // namespace exifkit::test
