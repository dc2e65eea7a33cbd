#include "exif/propindex.h"

#include <cstring>

namespace exifkit::detail {

namespace {

std::size_t hashof(const tag_def* table, std::uint16_t tag) noexcept
{
    const auto t = reinterpret_cast<std::uintptr_t>(table);
    return static_cast<std::size_t>((t >> 4) * 0x9E3779B97F4A7C15ull) ^ (tag * 0x85EBCA6Bu);
}

}  // namespace

exif_prop** propindex::lookup(const tag_def* table, std::uint16_t tag) const noexcept
{
    for (std::size_t i = hashof(table, tag) & mask_;; i = (i + 1) & mask_) {
        exif_prop** s = &slots_[i];
        if (!*s || ((*s)->tagset == table && (*s)->tag == tag))
            return s;
    }
}

bool propindex::rehash(std::size_t capacity, arena& mem) noexcept
{
    exif_prop** old = slots_;
    const std::size_t oldsize = slots_ ? mask_ + 1 : 0;
    auto** grown = static_cast<exif_prop**>(mem.tryalloc(capacity * sizeof(exif_prop*)));
    if (!grown)
        return false;
    std::memset(static_cast<void*>(grown), 0, capacity * sizeof(exif_prop*));
    slots_ = grown;
    mask_ = capacity - 1;
    used_ = 0;
    for (std::size_t i = 0; i < oldsize; i++)
        if (old[i]) {
            *lookup(old[i]->tagset, old[i]->tag) = old[i];
            ++used_;
        }
    return true;
}

// Keeps the first property of each table and tag.
bool propindex::insert(exif_prop* prop, arena& mem) noexcept
{
    if (!prop->tagset)
        return true;
    if (2 * (used_ + 1) > mask_ + 1 && !rehash(2 * (mask_ + 1), mem))
        return false;
    exif_prop** s = lookup(prop->tagset, prop->tag);
    if (!*s) {
        *s = prop;
        ++used_;
    }
    return true;
}

bool propindex::build(exif_prop* list, arena& mem) noexcept
{
    std::size_t n = 0;
    for (const exif_prop* p = list; p; p = p->next)
        ++n;
    std::size_t capacity = 16;
    while (capacity < 2 * n)
        capacity *= 2;
    if (!rehash(capacity, mem))
        return false;
    for (exif_prop* p = list; p; p = p->next)
        if (!insert(p, mem))
            return false;
    built_ = true;
    return true;
}

void propindex::addchild(exif_prop* child, arena& mem) noexcept
{
    if (!built_ || broken_)
        return;  // a later build meets it in the list
    if (npending_ == cappending_) {
        const std::size_t capacity = cappending_ ? 2 * cappending_ : 64;
        auto* grown = static_cast<exif_prop**>(mem.tryalloc(capacity * sizeof(exif_prop*)));
        if (!grown) {
            broken_ = true;
            return;
        }
        if (npending_)
            std::memcpy(grown, pending_, npending_ * sizeof(exif_prop*));
        pending_ = grown;
        cappending_ = capacity;
    }
    pending_[npending_++] = child;
}

bool propindex::find(exif_prop* list, const tag_def* table, std::uint16_t tag, arena& mem,
                     exif_prop** found) noexcept
{
    if (!built_ && visited_ < VISITS_BEFORE_INDEX)
        return false;
    if (!broken_ && !built_ && !build(list, mem))
        broken_ = true;
    for (std::size_t i = 0; !broken_ && i < npending_; i++)
        if (!insert(pending_[i], mem))
            broken_ = true;
    npending_ = 0;
    if (broken_)
        return false;
    *found = *lookup(table, tag);
    return true;
}

}  // namespace exifkit::detail
