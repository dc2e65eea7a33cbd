// Test-side builder of JPEG files: marker segments in memory, written to a
// temporary file that is removed again.
//
//   JpegFile jpeg;
//   jpeg.soi().app1(TiffBuilder().exif()).sof0(68, 100).sos().eoi();
//   TempFile file(jpeg.data());
//   readEXIF(file.path());
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace exifkit::test {

using bytes = std::vector<unsigned char>;

class JpegFile {
public:
    JpegFile& soi();
    // A marker segment: 0xFF, the code, the big-endian length (data + 2), the data.
    JpegFile& segment(unsigned char marker, const bytes& data);
    JpegFile& app1(const bytes& exif) { return segment(0xE1, exif); }
    JpegFile& app2(const bytes& data) { return segment(0xE2, data); }
    // A baseline frame header with the given size and component count.
    JpegFile& sof0(std::uint16_t height, std::uint16_t width, unsigned char components = 3,
                   unsigned char precision = 8);
    JpegFile& sos();  // start of scan and a few bytes of entropy-coded data
    JpegFile& eoi();
    JpegFile& raw(const bytes& b);

    const bytes& data() const { return data_; }

private:
    bytes data_;
};

// A JPEG stream with one APP1 segment per block (in order) and a three-component,
// 8-bit frame of the given size.
bytes minimaljpeg(const std::vector<bytes>& app1, std::uint16_t width = 100, std::uint16_t height = 68);

// Writes the bytes to a new file at path (replacing it); throws on failure.
void writefile(const std::string& path, const bytes& data);

// A file in the temporary folder holding the given bytes; removed on destruction.
class TempFile {
public:
    explicit TempFile(const bytes& contents);
    explicit TempFile(const std::string& contents);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const char* path() const { return path_.c_str(); }

private:
    void create(const unsigned char* data, std::size_t size);
    std::string path_;
};

}  // namespace exifkit::test
