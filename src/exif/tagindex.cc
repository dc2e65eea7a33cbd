// Finding the row of a tag in a tag table in constant time. Each table gets
// an index the first time it is searched; indexes are shared by all threads
// and kept for the life of the process (tables are constant).
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>

#include "exif/proptext.h"

namespace exifkit {

namespace {

constexpr std::uint16_t END_TAG = 0xFFFF;

// Open addressing over (tag, row number + 1); 0 marks an empty slot.
struct tagindex {
    const tag_def* table;
    std::uint32_t mask;
    std::uint32_t endrow;
    std::uint32_t slots[1];  // mask + 1 of them

    static std::uint32_t home(std::uint16_t tag, std::uint32_t mask) noexcept
    {
        return (tag * 0x9E3779B1u >> 16) & mask;
    }

    const tag_def* find(std::uint16_t tag) const noexcept
    {
        for (std::uint32_t i = home(tag, mask);; i = (i + 1) & mask) {
            const std::uint32_t s = slots[i];
            if (!s)
                return table + endrow;
            if (s >> 16 == tag)
                return table + (s & 0xFFFF) - 1;
        }
    }
};

// Null when the memory cannot be had or the table is too long to index.
tagindex* build(const tag_def* table) noexcept
{
    std::uint32_t rows = 0;
    while (table[rows].tag != END_TAG)
        ++rows;
    if (rows >= 0xFFFF)
        return nullptr;
    std::uint32_t size = 8;
    while (size < 2 * rows)
        size *= 2;
    auto* index = static_cast<tagindex*>(std::calloc(1, sizeof(tagindex) + (size - 1) * sizeof(std::uint32_t)));
    if (!index)
        return nullptr;
    index->table = table;
    index->mask = size - 1;
    index->endrow = rows;
    for (std::uint32_t r = 0; r < rows; r++) {
        std::uint32_t i = tagindex::home(table[r].tag, index->mask);
        while (index->slots[i] && index->slots[i] >> 16 != table[r].tag)
            i = (i + 1) & index->mask;
        if (!index->slots[i])  // the first row of a tag wins
            index->slots[i] = std::uint32_t{table[r].tag} << 16 | (r + 1);
    }
    return index;
}

// The indexes of every table searched so far, found by the table's address.
constexpr std::uint32_t REGISTRY = 256;  // a power of two
std::atomic<tagindex*> registry[REGISTRY];
std::mutex registering;

std::uint32_t registryhome(const tag_def* table) noexcept
{
    return static_cast<std::uint32_t>((reinterpret_cast<std::uintptr_t>(table) >> 4) * 0x9E3779B97F4A7C15ull >> 56) &
           (REGISTRY - 1);
}

const tagindex* indexof(const tag_def* table) noexcept
{
    const std::uint32_t start = registryhome(table);
    for (std::uint32_t n = 0, i = start; n < REGISTRY; n++, i = (i + 1) & (REGISTRY - 1)) {
        const tagindex* index = registry[i].load(std::memory_order_acquire);
        if (!index)
            break;
        if (index->table == table)
            return index;
    }
    const std::lock_guard<std::mutex> held(registering);
    for (std::uint32_t n = 0, i = start; n < REGISTRY; n++, i = (i + 1) & (REGISTRY - 1)) {
        tagindex* index = registry[i].load(std::memory_order_relaxed);
        if (index && index->table == table)
            return index;
        if (!index) {
            index = build(table);
            if (index)
                registry[i].store(index, std::memory_order_release);
            return index;
        }
    }
    return nullptr;  // more tables than the registry holds: search them row by row
}

const tag_def* searchrows(const tag_def* table, std::uint16_t tag) noexcept
{
    while (table->tag != END_TAG && table->tag != tag)
        ++table;
    return table;
}

}  // namespace

tagfinder::tagfinder(const tag_def* table) noexcept : table_(table), index_(indexof(table)) {}

const tag_def* tagfinder::row(std::uint16_t tag) const noexcept
{
    return index_ ? static_cast<const tagindex*>(index_)->find(tag) : searchrows(table_, tag);
}

const tag_def* tagrow(const tag_def* table, std::uint16_t tag) noexcept
{
    return tagfinder(table).row(tag);
}

}  // namespace exifkit
