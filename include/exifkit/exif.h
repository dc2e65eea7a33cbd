// The Exif records: properties, directories, tag and value tables, the parse
// result, and the entry point that parses one Exif block. The helpers that
// build and search these records are in exifkit/records.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "exifkit/export.h"

namespace exifkit {

namespace detail {
class context;
class pager;
}

// Byte order of TIFF data. Every reader treats 1 as big-endian and anything else
// as little-endian.
inline constexpr int ORDER_LITTLE = 0;
inline constexpr int ORDER_BIG = 1;

// TIFF field types (exif_prop::type).
inline constexpr std::uint16_t TYPE_BYTE = 1, TYPE_ASCII = 2, TYPE_SHORT = 3, TYPE_LONG = 4, TYPE_RATIONAL = 5,
                               TYPE_SBYTE = 6, TYPE_UNDEFINED = 7, TYPE_SSHORT = 8, TYPE_SLONG = 9,
                               TYPE_SRATIONAL = 10, TYPE_FLOAT = 11, TYPE_DOUBLE = 12;

// Level flags of a property: which group it is delivered with.
inline constexpr std::uint16_t LVL_UNKNOWN = 0x01;   // unsupported
inline constexpr std::uint16_t LVL_CAMERA = 0x02;
inline constexpr std::uint16_t LVL_IMAGE = 0x04;
inline constexpr std::uint16_t LVL_VERBOSE = 0x08;   // "other"
inline constexpr std::uint16_t LVL_PAS = 0x10;       // delivered with the camera group
inline constexpr std::uint16_t LVL_OVERRIDE = 0x20;  // delivered with the other group
inline constexpr std::uint16_t LVL_BAD = 0x40;       // delivered with the other group

// How to read one stretch of TIFF data: byte order, the origin every stored
// offset counts from, and one past the last byte of the Exif block. Views of
// a parse also carry the context of its read (null in a view made by hand)
// and, for a file read in pages, what loads a page on its first use.
struct tiff_view {
    int order;
    const unsigned char* base;
    const unsigned char* end;
    detail::context* ctx = nullptr;
    detail::pager* pager = nullptr;
};

// One row of a value-description table; the row with val -1 ends the table and
// holds the default text.
struct descr_entry {
    std::int32_t val;
    const char* descr;
};

// One row of a tag table; the row with tag 0xFFFF ends the table and names every
// tag the table does not list. type and count 0 mean "any". A maker's row
// may name the standard tag its property supersedes.
struct tag_def {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint16_t count;
    std::uint16_t lvl;
    const char* name;
    const char* descr;
    const descr_entry* table;
    std::uint16_t supersedes = 0;
};

// One decoded property. Parsing produces a singly linked list of them.
// The properties and texts of a parsed list belong to the parse and are
// released by exiffree alone: to give a property another text, set `str` to
// null and allocate the new one with exifstralloc.
struct exif_prop {
    std::uint16_t tag;
    std::uint16_t type;        // TIFF field type; 0 for a sub-value
    std::uint32_t count;
    std::uint32_t value;       // the value word, or the offset of the data from the view's base
    const char* name;          // borrowed from the tag table
    const char* descr;         // borrowed, may be null
    char* str;                 // owned text, may be null
    std::uint16_t lvl;
    std::uint32_t ifdseq;      // number of the directory the entry came from
    std::uint16_t override;    // standard tag this property supersedes, or 0
    const tag_def* tagset;     // table of the entry's directory; null for a sub-value
    exif_prop* par;
    exif_prop* next;
    detail::context* ctx;      // the read of the parse that made it; null when made by newprop
    // Where the stored value lies: for a directory entry, its bytes (in the
    // entry or at its offset) when they lie wholly inside the block, else
    // null, in the byte order of its directory. In a file read in pages they
    // may be still to load (the parse's pager loads them).
    const unsigned char* data;
    std::uint8_t origin;       // PROP_MADE, PROP_ENTRY or PROP_SUBVALUE
    std::uint8_t order;
};

// What made a property: a host or a derived text (no stored value), a
// directory entry, or the unpacking of one value of an array entry.
inline constexpr std::uint8_t PROP_MADE = 0, PROP_ENTRY = 1, PROP_SUBVALUE = 2;

// The result of parsing one Exif block. Holds views into the block, which must
// outlive it.
struct exif_info {
    exif_prop* props;
    tiff_view tiff;
    const char* model;         // the Model property's text, borrowed
    std::int16_t maker;        // position of the matched row of `makers`
    tiff_view mkrview;         // the view lent to the maker's directory reader
    std::int16_t exifmaj;
    std::int16_t exifmin;
    // The context of the read that made the record (null for a record made
    // by hand); a parse's properties and texts live in its memory.
    detail::context* ctx;
};

// One directory still to be processed.
struct ifd_block {
    std::uint16_t num;
    const unsigned char* entries;
    exif_prop* par;
    const tag_def* tagset;
    tiff_view view;
    ifd_block* next;
};

// One row of `ftypes`; the row of type 0 ("unknown") ends the table.
struct ftype_def {
    std::uint16_t type;
    const char* name;
    int size;
};

// Non-zero turns on trace lines; nothing in the library sets it.
EXIFKIT_API extern int debug;

// Where trace lines go (standard output unless changed). Returns the previous stream.
EXIFKIT_API std::FILE* setTraceStream(std::FILE* stream) noexcept;
EXIFKIT_API std::FILE* traceStream() noexcept;

// Frees a parse result: every property, its text, and the record.
EXIFKIT_API void exiffree(exif_info* info) noexcept;

struct exif_info_deleter {
    void operator()(exif_info* info) const noexcept { exiffree(info); }
};
// Owner of a parse result: frees it with exiffree.
using exif_info_ptr = std::unique_ptr<exif_info, exif_info_deleter>;

// Parses and interprets one Exif block (the data of an APP1 segment). Null when
// the block is not usable Exif data. Raises ExifException on allocation failure.
EXIFKIT_API exif_info* exifparse(const unsigned char* block, std::uint32_t length);

}  // namespace exifkit
