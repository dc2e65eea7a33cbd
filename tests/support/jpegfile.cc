#include "support/jpegfile.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace exifkit::test {

JpegFile& JpegFile::soi()
{
    return raw({0xFF, 0xD8});
}

JpegFile& JpegFile::segment(unsigned char marker, const bytes& data)
{
    if (data.size() > 0xFFFF - 2)
        throw std::length_error("JPEG segment too long");
    const std::size_t len = data.size() + 2;
    raw({0xFF, marker, static_cast<unsigned char>(len >> 8), static_cast<unsigned char>(len)});
    return raw(data);
}

JpegFile& JpegFile::sof0(std::uint16_t height, std::uint16_t width, unsigned char components,
                         unsigned char precision)
{
    bytes header{precision, static_cast<unsigned char>(height >> 8), static_cast<unsigned char>(height),
                 static_cast<unsigned char>(width >> 8), static_cast<unsigned char>(width), components};
    for (unsigned char c = 1; c <= components; c++)
        header.insert(header.end(), {c, 0x11, 0x00});
    return segment(0xC0, header);
}

JpegFile& JpegFile::sos()
{
    segment(0xDA, {0x01, 0x01, 0x00, 0x00, 0x3F, 0x00});
    return raw({0x12, 0x34, 0x56});
}

JpegFile& JpegFile::eoi()
{
    return raw({0xFF, 0xD9});
}

JpegFile& JpegFile::raw(const bytes& b)
{
    data_.insert(data_.end(), b.begin(), b.end());
    return *this;
}

bytes minimaljpeg(const std::vector<bytes>& app1, std::uint16_t width, std::uint16_t height)
{
    JpegFile jpeg;
    jpeg.soi();
    for (const bytes& block : app1)
        jpeg.app1(block);
    return jpeg.sof0(height, width).sos().eoi().data();
}

void writefile(const std::string& path, const bytes& data)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    const bool ok = f && std::fwrite(data.data(), 1, data.size(), f) == data.size();
    if (f && std::fclose(f) != 0)
        throw std::runtime_error("cannot write " + path);
    if (!ok)
        throw std::runtime_error("cannot write " + path);
}

TempFile::TempFile(const bytes& contents)
{
    create(contents.data(), contents.size());
}

TempFile::TempFile(const std::string& contents)
{
    create(reinterpret_cast<const unsigned char*>(contents.data()), contents.size());
}

void TempFile::create(const unsigned char* data, std::size_t size)
{
    const char* dir = std::getenv("TMPDIR");
    std::string templ = std::string(dir && *dir ? dir : "/tmp") + "/exifkit-test-XXXXXX";
    const int fd = mkstemp(templ.data());
    if (fd < 0)
        throw std::runtime_error("cannot create a temporary file");
    close(fd);
    path_ = templ;
    writefile(path_, bytes(data, data + size));
}

TempFile::~TempFile()
{
    unlink(path_.c_str());
}

}  // namespace exifkit::test
