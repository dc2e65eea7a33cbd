// Exif blocks built to cost the reader as much as possible per entry, each
// small enough for a JPEG segment: every kind of entry that makes the reader
// look something up, as many of them as a block may hold, directories at the
// limit, maker-note arrays as deep and as often repeated as a block allows,
// and entries that all share one piece of data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/exifbuilder.h"

namespace exifkit::bench {

struct hostileblock {
    std::string name;
    std::vector<unsigned char> data;
    std::size_t entries;  // directory entries and unpacked array values
};

namespace hostile {

using test::bytes;
using test::TiffBuilder;

constexpr int MAX = 4096;  // entries the reader reads from one block

// n entries in dir that all point at one copy of data, stored behind the
// directory; `others` entries of dir are stored whole in the directory.
inline void shared(TiffBuilder& b, int dir, std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                   const bytes& data, int n, int others = 0)
{
    b.add(dir, tag, type, count, data);
    const std::uint32_t at = b.diroffset(dir) + 2 + 12 * static_cast<std::uint32_t>(n + others) + 4;
    for (int i = 1; i < n; i++)
        b.raw(dir, tag, type, count, at);
}

// Numbers little-endian, the byte order of every block here.
inline bytes rational(std::uint32_t num, std::uint32_t den) { return test::cat({TiffBuilder().u32(num), TiffBuilder().u32(den)}); }

// IFD0 with the Make and Model, the Exif directory, and a maker note (directory 2).
constexpr int NOTE = 2;
inline TiffBuilder withnote(const char* make, const char* model)
{
    TiffBuilder b;
    const int ifd0 = b.dir(), exif = b.dir();
    b.ascii(ifd0, 0x010F, make).ascii(ifd0, 0x0110, model).pointer(ifd0, 0x8769, exif);
    return b.note(exif, b.dir());
}

}  // namespace hostile

inline std::vector<hostileblock> hostileblocks()
{
    using namespace hostile;
    std::vector<hostileblock> out;
    auto add = [&out](const char* name, const TiffBuilder& b, std::size_t entries) {
        out.push_back({name, b.exif(), entries});
    };

    {  // resolutions look their unit up
        TiffBuilder b;
        shared(b, b.dir(), 0x011A, 5, 1, rational(72, 1), MAX);
        add("resolutions", b, MAX);
    }
    {  // exposure times supersede the shutter speed, which is looked up
        TiffBuilder b;
        const int ifd0 = b.dir(), exif = b.dir();
        b.pointer(ifd0, 0x8769, exif);
        shared(b, exif, 0x829A, 5, 1, rational(1, 125), MAX - 1);
        add("exposure-times", b, MAX);
    }
    {  // GPS coordinates look their reference up
        TiffBuilder b;
        const int ifd0 = b.dir(), gps = b.dir();
        b.pointer(ifd0, 0x8825, gps);
        const bytes coordinate = test::cat({rational(37, 1), rational(465, 10), rational(1, 3)});
        shared(b, gps, 0x0002, 5, 3, coordinate, MAX - 1);
        add("gps-coordinates", b, MAX);
    }
    {  // as many directories as the reader reads, each full of entries
        TiffBuilder b;
        const int ifd0 = b.dir();
        constexpr int DIRS = 63, EACH = MAX / (DIRS + 1);
        for (int d = 0; d < DIRS; d++) {
            const int sub = b.dir();
            b.pointer(ifd0, 0xA005, sub);
            for (int i = 0; i < EACH; i++)
                b.shorts(sub, static_cast<std::uint16_t>(0x0100 + i), {1, 2});
        }
        add("directories", b, DIRS + DIRS * EACH);
    }
    {  // every text entry points at the same long text
        TiffBuilder b;
        const std::string text(14000, 'x');
        shared(b, b.dir(), 0x010E, 2, 14001, bytes(text.c_str(), text.c_str() + 14001), MAX);
        add("shared-text", b, MAX);
    }
    {  // every maker array entry points at the same array
        TiffBuilder b = withnote("Canon", "Canon EOS 20D");
        bytes data = b.u16(12000);  // the array's length in bytes, then 5999 values
        for (int i = 1; i < 6000; i++)
            data = test::cat({data, b.u16(7)});
        shared(b, NOTE, 0x0004, 3, 6000, data, MAX - 8);
        add("shared-maker-arrays", b, MAX);
    }
    {  // the deepest maker array a block holds: custom functions
        TiffBuilder b = withnote("Canon", "Canon EOS 10D");
        std::vector<std::uint16_t> values(32000, 0x0101);
        values[0] = 64000;
        b.shorts(NOTE, 0x000F, values);
        add("deep-maker-array", b, 6 + values.size());
    }
    {  // Minolta settings arrays of one tag, each checked against the first
        // (a Minolta note holds at most 255 entries)
        TiffBuilder b = withnote("Minolta", "DiMAGE 7");
        b.undefined(NOTE, 0x0000, {'M', 'L', 'T', '0'});
        shared(b, NOTE, 0x0003, 7, 228, bytes(228, 1), 254, 1);
        add("repeated-maker-settings", b, 255 + 57 + 4);
    }
    return out;
}

}  // namespace exifkit::bench
