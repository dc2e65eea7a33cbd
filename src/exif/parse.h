// What one parse keeps beside its property list: its memory, an index of
// the list for lookups by table and tag, and the quotas that bound the work
// a hostile block can cause.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "exif/arena.h"
#include "exifkit/exif.h"

namespace exifkit::detail {

// The first property of the parse's list with a given table and tag, found
// in constant time. Sub-values made after the index was built are taken in
// when it is next asked, in the order they were made; a sub-value gets its
// table right after childprop, and sub-value tables are never directory
// tables, so the first one made is the first in the list.
class propindex {
public:
    // The property, or null; false when the list has to be searched instead
    // (a short parse, or the index could not get the memory it needs).
    bool find(exif_prop* list, const tag_def* table, std::uint16_t tag, arena& mem, exif_prop** found) noexcept;
    void addchild(exif_prop* child, arena& mem) noexcept;

private:
    // Short lists are searched; the index pays once lookups add up.
    static constexpr unsigned SEARCHES_BEFORE_INDEX = 4;

    bool build(exif_prop* list, arena& mem) noexcept;
    bool insert(exif_prop* prop, arena& mem) noexcept;
    bool rehash(std::size_t capacity, arena& mem) noexcept;
    exif_prop** lookup(const tag_def* table, std::uint16_t tag) const noexcept;

    exif_prop** slots_ = nullptr;  // open addressing; a slot's key is its property's table and tag
    unsigned searches_ = 0;
    std::size_t mask_ = 0;
    std::size_t used_ = 0;
    bool built_ = false;
    bool broken_ = false;  // out of memory: lookups search the list
    exif_prop** pending_ = nullptr;
    std::size_t npending_ = 0;
    std::size_t cappending_ = 0;
};

struct parsedata {
    explicit parsedata(arena&& memory) noexcept : mem(std::move(memory)) {}

    arena mem;
    exif_prop* head = nullptr;  // the list the index describes, once scanned
    propindex index;
    std::uint32_t subvalues = 0;
    std::uint64_t textbytes = 0;
    std::uint64_t textlimit = 0;  // set from the block's length
};

// The parse running on this thread, or null.
parsedata* currentparse() noexcept;

// Makes a parse the current one of this thread for its lifetime.
class useparse {
public:
    explicit useparse(parsedata* pd) noexcept;
    ~useparse();
    useparse(const useparse&) = delete;
    useparse& operator=(const useparse&) = delete;

private:
    parsedata* previous_;
};

// Memory for a record or text of the current parse (zero-filled), or from
// the heap when no parse is running; raises the fatal error when none is left.
void* parsealloc(std::size_t size);
void* parsealloc(parsedata& pd, std::size_t size);

// A new property of the parse, every field zero.
exif_prop* parseprop(parsedata& pd);

// How many of `wanted` sub-values a maker may still make in this parse; when
// fewer, warns "too many values; ignoring the rest" with the name.
std::uint32_t subvaluequota(std::uint32_t wanted, const char* name);

// Whether a text of n bytes copied from the block still fits in the parse's
// text quota; warns "too much text; leaving the rest out" once when not.
bool textquota(std::uint64_t n);

}  // namespace exifkit::detail
