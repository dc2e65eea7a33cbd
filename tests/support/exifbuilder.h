// Test-side builders: Exif blocks (a TIFF header in either byte order,
// directories with entries of every field type, out-of-line data, chained and
// pointed-to directories, value words that may point anywhere), the JPEG files
// around them and temporary files holding them.
//
//   TiffBuilder b(ORDER_BIG);
//   int ifd0 = b.dir(), exif = b.dir();
//   b.ascii(ifd0, 0x010F, "Canon").pointer(ifd0, 0x8769, exif);
//   b.rationals(exif, 0x829A, {{1, 125}});
//   TempFile file(minimaljpeg({b.exif()}));   // b.exif(): "Exif\0\0" + TIFF data
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "exifkit/exif.h"
#include "exifkit/records.h"

namespace exifkit::test {

using bytes = std::vector<unsigned char>;

bytes cat(std::initializer_list<bytes> parts);

class TiffBuilder {
public:
    explicit TiffBuilder(int order = ORDER_LITTLE) : order_(order) {}

    // A new, empty directory. Directories are laid out in creation order behind
    // the TIFF header, each followed by its out-of-line data; the first is IFD0.
    int dir()
    {
        dirs_.emplace_back();
        return static_cast<int>(dirs_.size()) - 1;
    }

    // An entry whose data are given as they stand in the file: four bytes or
    // fewer go into the value field, more are stored behind the directory.
    TiffBuilder& add(int dir, std::uint16_t tag, std::uint16_t type, std::uint32_t count, bytes data);
    // An entry whose value field holds exactly these four bytes, in file order.
    TiffBuilder& field(int dir, std::uint16_t tag, std::uint16_t type, std::uint32_t count, bytes four)
    {
        four.resize(4, 0);
        return push(dir, {tag, type, count, four, true});
    }
    // An entry whose value word is written as given (an offset that may point anywhere).
    TiffBuilder& raw(int dir, std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value)
    {
        return field(dir, tag, type, count, u32(value));
    }

    TiffBuilder& ascii(int dir, std::uint16_t tag, const std::string& text)  // count includes the NUL
    {
        const bytes data(text.c_str(), text.c_str() + text.size() + 1);
        return add(dir, tag, 2, static_cast<std::uint32_t>(data.size()), data);
    }
    TiffBuilder& shorts(int dir, std::uint16_t tag, const std::vector<std::uint16_t>& v, std::uint16_t type = 3);
    TiffBuilder& longs(int dir, std::uint16_t tag, const std::vector<std::uint32_t>& v, std::uint16_t type = 4);
    // Rationals never fit in the value field, even when there are none.
    TiffBuilder& rationals(int dir, std::uint16_t tag, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& v,
                           std::uint16_t type = 5);
    TiffBuilder& undefined(int dir, std::uint16_t tag, const bytes& v, std::uint16_t type = 7)
    {
        return add(dir, tag, type, static_cast<std::uint32_t>(v.size()), v);
    }

    // A LONG entry holding the offset of another directory.
    TiffBuilder& pointer(int dir, std::uint16_t tag, int target) { return push(dir, {tag, 4, 1, bytes(4), true, target}); }
    // A MakerNote: an UNDEFINED entry whose data are `header` followed by
    // directory target, which then has its offsets counted from the TIFF
    // header like any other directory. The count covers the header, the
    // target's entries and its out-of-line data.
    TiffBuilder& note(int dir, int target, const bytes& header = {})
    {
        dirs_.at(target).prefix = header;
        return push(dir, {0x927C, 7, 0, bytes(4), true, target, true});
    }
    // Replaces the 8-byte TIFF header with these bytes; directories follow them
    // and offsets count from their first byte. Builds notes with a header of
    // their own whose offsets count from the note, e.g. "FUJIFILM" + u32(12).
    TiffBuilder& header(const bytes& head)
    {
        header_ = head;
        customheader_ = true;
        return *this;
    }
    // The next-directory link of dir: another directory, or a raw offset.
    TiffBuilder& chain(int dir, int next)
    {
        dirs_.at(dir).next = next;
        return *this;
    }
    TiffBuilder& nextraw(int dir, std::uint32_t offset)
    {
        dirs_.at(dir).nextoffset = offset;
        return *this;
    }

    // Offset of a directory from the TIFF header (valid for the current contents).
    std::uint32_t diroffset(int dir) const;

    bytes tiff() const;  // from the byte-order mark on
    bytes exif() const { return cat({{'E', 'x', 'i', 'f', 0, 0}, tiff()}); }

    // Numbers in the builder's byte order.
    bytes u16(std::uint16_t v) const { return number(v, 2); }
    bytes u32(std::uint32_t v) const { return number(v, 4); }

private:
    struct entry {
        std::uint16_t tag, type;
        std::uint32_t count;
        bytes data;           // out-of-line data, or the value field when inline
        bool inline_field;
        int target = -1;      // directory whose offset becomes the value
        bool note = false;    // value and count cover the target's prefix too
    };
    struct directory {
        std::vector<entry> entries;
        int next = -1;
        std::int64_t nextoffset = -1;  // a raw next-directory offset, when set
        bytes prefix;                  // bytes laid out just before the directory
    };
    TiffBuilder& push(int dir, entry e)
    {
        dirs_.at(dir).entries.push_back(std::move(e));
        return *this;
    }
    bytes number(std::uint32_t v, int size) const;
    std::uint32_t datasize(const directory& d) const;

    int order_;
    std::vector<directory> dirs_;
    bytes header_;
    bool customheader_ = false;
};

// JPEG pieces: a marker segment (0xFF, the code, the big-endian length, the
// data), a baseline frame header, and the start of scan with a few bytes of
// entropy-coded data.
bytes segment(unsigned char marker, const bytes& data);
inline bytes app1(const bytes& exif) { return segment(0xE1, exif); }
bytes sof0(std::uint16_t height, std::uint16_t width, unsigned char components = 3);
inline const bytes SOI{0xFF, 0xD8}, EOI{0xFF, 0xD9}, SOS{0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 0x3F, 0, 0x12, 0x34, 0x56};

// A JPEG stream with one APP1 segment per block (in order) and a three-component,
// 8-bit frame of the given size.
bytes minimaljpeg(const std::vector<bytes>& app1, std::uint16_t width = 100, std::uint16_t height = 68);

// Writes the bytes to a new file at path (replacing it); throws on failure.
void writefile(const std::string& path, const bytes& data);
bytes readfile(const std::string& path);  // the whole file; empty when it cannot be read

// A file in the temporary folder holding the given bytes; removed on destruction.
class TempFile {
public:
    explicit TempFile(const bytes& contents);
    explicit TempFile(const std::string& contents) : TempFile(bytes(contents.begin(), contents.end())) {}
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
};

}  // namespace exifkit::test
