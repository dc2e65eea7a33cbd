// An index of a parse's property list for lookups by table and tag.
#pragma once

#include <cstddef>
#include <cstdint>

#include "exif/arena.h"
#include "exifkit/records.h"

namespace exifkit::detail {

// The first property of the parse's list with a given table and tag, found
// in constant time. Sub-values made after the index was built are taken in
// when it is next asked, in the order they were made; a sub-value gets its
// table right after childprop, and sub-value tables are never directory
// tables, so the first one made is the first in the list.
class propindex {
public:
    // The property, or null; false when the list has to be searched instead
    // (searches have not yet passed enough properties, or the index could not
    // get the memory it needs).
    bool find(exif_prop* list, const tag_def* table, std::uint16_t tag, arena& mem, exif_prop** found) noexcept;
    // A search of the list that find declined passed `visited` properties.
    void searched(std::size_t visited) noexcept { visited_ += visited; }
    void addchild(exif_prop* child, arena& mem) noexcept;

private:
    // The list is searched until the searches have passed this many
    // properties, then indexed: a camera photo's few lookups (a resolution
    // unit, GPS references) never pay for the index, and a long list still
    // costs linear time.
    static constexpr std::size_t VISITS_BEFORE_INDEX = 512;

    bool build(exif_prop* list, arena& mem) noexcept;
    bool insert(exif_prop* prop, arena& mem) noexcept;
    bool rehash(std::size_t capacity, arena& mem) noexcept;
    exif_prop** lookup(const tag_def* table, std::uint16_t tag) const noexcept;

    exif_prop** slots_ = nullptr;  // open addressing; a slot's key is its property's table and tag
    std::size_t visited_ = 0;
    std::size_t mask_ = 0;
    std::size_t used_ = 0;
    bool built_ = false;
    bool broken_ = false;  // out of memory: lookups search the list
    exif_prop** pending_ = nullptr;
    std::size_t npending_ = 0;
    std::size_t cappending_ = 0;
};

}  // namespace exifkit::detail
