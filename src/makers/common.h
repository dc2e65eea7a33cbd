// What the maker readers and interpreters share: the check of the text that
// opens a note, the sub-values unpacked from array fields, the standard tags
// that maker properties supersede, and the texts of digital zoom and image
// numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

#include "exif/view.h"
#include "exifkit/records.h"

namespace exifkit {

// Whether the note at offset begins with the `length` bytes of text. A note
// that ends before them, at the end of the block, does not.
inline bool noteheader(const tiff_view& view, std::uint32_t offset, const char* text, std::size_t length) noexcept
{
    const auto head = cursor(view).bytes(offset, length);
    return head && std::memcmp(head->data(), text, length) == 0;
}

// How many of the field's `wanted` values may become sub-values: the parse's
// quota, which warns "too many values; ignoring the rest" when it cuts.
std::uint32_t subvaluecount(exif_prop* field, std::uint32_t wanted);

// A sub-value of the field for one value of its array, linked in directly
// behind the field, so that the list holds an array's values last first.
// The row, one of table's, gives its name, description and level, the
// standard tag it supersedes and the text of its value.
exif_prop* subvalue(exif_prop* field, const tag_def* table, const tag_def& row, std::uint16_t tag,
                    std::uint32_t value);
// The same, named by the table's row for tag.
exif_prop* subvalue(exif_prop* field, const tag_def* table, std::uint16_t tag, std::uint32_t value);

// The trace line ahead of an array's sub-values.
void tracearray(const exif_prop* field);

// Marks the property as standing in for the standard tag its row supersedes.
void supersede(exif_prop* prop);

// The digital-zoom ratios a maker writes for no zoom, besides a zero
// denominator, which gives no factor at all.
enum class nozoom : unsigned char {
    one,          // a ratio of one; 0/100 is "x0.0"
    zero,         // a zero numerator; 100/100 is "x1.0"
    one_or_zero,  // either
};

// "x1.5".
void zoomfactor(exif_prop* prop, float factor);
// The ratio's factor, or "None" for no zoom by the maker's rule; false for "None".
bool zoomtext(exif_prop* prop, urational ratio, nozoom rule);

// "100-1234": the folder and file number of an image.
void imagenumbertext(exif_prop* prop, std::uint32_t folder, std::uint32_t file);
// The same of a number stored as folder x 10000 + file.
inline void imagenumbertext(exif_prop* prop)
{
    imagenumbertext(prop, prop->value / 10000, prop->value % 10000);
}

// The byte order to read the directory at offset in: `order`, unless the
// entry count read so has a non-zero high byte above its low byte, as no
// plausible count has; then the other order. Notes whose header names an
// order, or none, are guarded so against a wrong or rewritten one.
int checkedorder(const tiff_view& view, std::uint32_t offset, int order) noexcept;

// The stored bytes of a directory entry's whole value: in the entry for up
// to four bytes, else at its offset in the view (loaded when read in pages);
// none for a value outside the view or of an unknown type.
std::optional<std::span<const unsigned char>> storedvalue(const exif_prop* prop, const tiff_view& view) noexcept;

// Bytes of one value of an integer type (BYTE, SHORT, LONG, their signed
// kinds, UNDEFINED as bytes); 0 for any other type.
int integersize(std::uint16_t type) noexcept;

// The integer of that type stored at `at` in byte order `order`.
std::int64_t integerat(const unsigned char* at, std::uint16_t type, int order) noexcept;

// Value i of an integer field (BYTE, SHORT, LONG and their signed kinds,
// UNDEFINED as bytes) in the field's byte order; none past its end.
std::optional<std::int64_t> integervalue(const exif_prop* prop, const tiff_view& view, std::uint32_t i) noexcept;

// The text of the list's row for value, or null when the list has none (its
// default row is not used).
const char* listentry(const descr_entry* list, std::int64_t value) noexcept;

// A text as a note stores it, and the text shown for it.
struct textrow {
    const char* stored;
    const char* shown;
};
// The text shown for a stored one, or null when the rows do not list it.
const char* shownfor(std::span<const textrow> rows, const char* stored) noexcept;

// Gives the property the text of the table's row for value, or the number
// itself when the table has none (the table's default row is not used), so
// that codes of newer models stay readable. False for the number.
bool listtext(exif_prop* prop, const descr_entry* table, std::int64_t value);

// The view read in another byte order: some notes fix theirs.
inline tiff_view inorder(tiff_view view, int order) noexcept
{
    view.order = order;
    return view;
}

}  // namespace exifkit
