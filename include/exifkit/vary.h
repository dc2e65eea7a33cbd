// Relative and absolute adjustments of a broken-down local time.
//
// A list of adjustment texts is applied in order to a std::tm. Each text is an
// optional sign followed either by a decimal amount and a unit letter, or by
// the name of a weekday or month (three letters suffice, any case):
//
//   +1d   one day later          -3H    three hours earlier
//   5m    set the month to May    2004y  set the year
//   +mon  the next Monday         -march the previous March
//   fri   Friday of this week     +2w    two weeks later
//
// Units: y years, m months, w weeks (a weekday number 0-6 without sign),
// d days, H hours, M minutes, S seconds. Without a sign the field is set.
// Every adjustment ends by normalising the time with std::mktime in the
// process's time zone, which decides daylight saving time afresh each time.
#pragma once

#include <ctime>

#include "exifkit/export.h"

namespace exifkit {

// One adjustment of a list. The text is borrowed: the caller keeps it alive
// while the list is in use. A list is a pointer to its first item; null is
// the empty list.
struct vary_item {
    const char* text;
    vary_item* next;
};

// Appends an item holding text to the end of list and returns the list's first
// item. Raises ExifException (exifdie) when the item cannot be allocated.
EXIFKIT_API vary_item* vary_append(vary_item* list, const char* text);

// Applies the adjustments of list to time in order. Returns null when all of
// them were applied, otherwise the first one that failed; the ones before it
// stay applied and the ones after it are not tried. A non-empty list first
// normalises the time once, so that weekday adjustments see the true weekday;
// should that fail, the first item is returned. An empty list only sets
// tm_isdst to -1.
//
// An adjustment fails when it is malformed, its unit or name is unknown, a
// value to set is out of range, its amount exceeds INT_MAX, a field would
// overflow int, or std::mktime cannot represent the result.
EXIFKIT_API const vary_item* vary_apply(const vary_item* list, std::tm& time);

// Frees every item of list; the texts are left alone.
EXIFKIT_API void vary_destroy(vary_item* list) noexcept;

}  // namespace exifkit
