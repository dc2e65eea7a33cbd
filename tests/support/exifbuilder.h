// Test-side builder of Exif blocks: a TIFF header in either byte order,
// directories with entries of every field type, out-of-line data, chained and
// pointed-to directories, and raw value words that may point anywhere.
//
//   TiffBuilder b(ORDER_BIG);
//   int ifd0 = b.dir(), exif = b.dir();
//   b.ascii(ifd0, 0x010F, "Canon").pointer(ifd0, 0x8769, exif);
//   b.rationals(exif, 0x829A, {{1, 125}});
//   std::vector<unsigned char> block = b.exif();   // "Exif\0\0" + TIFF data
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "exifkit/exif.h"
#include "exifkit/records.h"

namespace exifkit::test {

using bytes = std::vector<unsigned char>;

class TiffBuilder {
public:
    explicit TiffBuilder(int order = ORDER_LITTLE) : order_(order) {}

    int order() const { return order_; }

    // A new, empty directory. Directories are laid out in creation order behind
    // the 8-byte TIFF header, each followed by its out-of-line data. The first
    // one created is IFD0.
    int dir();

    // An entry whose data are given as they stand in the file: four bytes or
    // fewer go into the value field, more are stored behind the directory.
    TiffBuilder& add(int dir, std::uint16_t tag, std::uint16_t type, std::uint32_t count, bytes data);
    // An entry whose value word is written as given (an offset that may point anywhere).
    TiffBuilder& raw(int dir, std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value);
    // An entry whose value field holds exactly these four bytes, in file order.
    TiffBuilder& field(int dir, std::uint16_t tag, std::uint16_t type, std::uint32_t count, bytes four);

    TiffBuilder& ascii(int dir, std::uint16_t tag, const std::string& text);  // count includes the NUL
    TiffBuilder& shorts(int dir, std::uint16_t tag, const std::vector<std::uint16_t>& v, std::uint16_t type = 3);
    TiffBuilder& longs(int dir, std::uint16_t tag, const std::vector<std::uint32_t>& v, std::uint16_t type = 4);
    TiffBuilder& rationals(int dir, std::uint16_t tag,
                           const std::vector<std::pair<std::uint32_t, std::uint32_t>>& v,
                           std::uint16_t type = 5);
    TiffBuilder& undefined(int dir, std::uint16_t tag, const bytes& v, std::uint16_t type = 7);

    // A LONG entry holding the offset of another directory.
    TiffBuilder& pointer(int dir, std::uint16_t tag, int target);
    // A maker note: an UNDEFINED entry (MakerNote by default) whose data are
    // `header` followed by directory target, which then has its offsets counted
    // from the TIFF header like any other directory. The count covers the
    // header, the target's entries and its out-of-line data.
    TiffBuilder& note(int dir, int target, const bytes& header = {}, std::uint16_t tag = 0x927C);
    // Replaces the 8-byte TIFF header with these bytes; directories follow them
    // and offsets count from their first byte. Builds notes with a header of
    // their own whose offsets count from the note, e.g. "FUJIFILM" + u32(12).
    TiffBuilder& header(const bytes& head);
    // The next-directory link of dir: another directory, or a raw offset.
    TiffBuilder& chain(int dir, int next);
    TiffBuilder& nextraw(int dir, std::uint32_t offset);

    // Offset of a directory from the TIFF header (valid for the current contents).
    std::uint32_t diroffset(int dir) const;

    bytes tiff() const;  // from the byte-order mark on
    bytes exif() const;  // "Exif\0\0" followed by the TIFF data

    // Numbers in the builder's byte order.
    bytes u16(std::uint16_t v) const;
    bytes u32(std::uint32_t v) const;

private:
    struct entry {
        std::uint16_t tag, type;
        std::uint32_t count;
        bytes data;             // out-of-line data, or the value field when inline
        bool inline_field;
        int target = -1;        // directory whose offset becomes the value
        bool note = false;      // value and count cover the target's prefix too
    };
    struct directory {
        std::vector<entry> entries;
        int next = -1;
        bool rawnext = false;
        std::uint32_t nextoffset = 0;
        bytes prefix;           // bytes laid out just before the directory
    };
    std::uint32_t datasize(const directory& d) const;

    int order_;
    std::vector<directory> dirs_;
    bytes header_;
    bool customheader_ = false;
};

}  // namespace exifkit::test
