// Helpers shared by the interpreters that give properties new texts. A
// property's texts live in the memory of its parse (the heap for one a host
// made), which the property's context tells.
#pragma once

#include <cstddef>
#include <cstdint>

#include "exif/format.h"
#include "exif/lookup.h"
#include "exifkit/records.h"

namespace exifkit {

// Lets go of the property's text (released with the parse when it is the
// parse's own) and leaves `str` null.
void droptext(exif_prop* prop) noexcept;

// Gives the property, which must have no text yet, a zero-filled one of size bytes.
char* textalloc(exif_prop* prop, std::size_t size);

// Frees the property's text and gives it a new, zero-filled one of size bytes.
// Interpreters format into this rather than into a text of unknown size.
char* replacetext(exif_prop* prop, std::size_t size);

// Appends suffix to the property's text when the text has at most `fits`
// characters; the result lives in a fresh buffer of `size` bytes.
void appendsuffix(exif_prop* prop, const char* suffix, std::size_t fits, std::size_t size);

// Replaces the property's text with a new one of size bytes and returns the
// writer that fills it (at most size - 1 characters).
detail::textout rewrite(exif_prop* prop, std::size_t size);

// Replaces the property's text with the printf-formatted text, in a buffer of
// size bytes (longer output is cut to size - 1 characters).
[[gnu::format(printf, 3, 4)]] void formattext(exif_prop* prop, std::size_t size, const char* format, ...);

// Replaces the property's text with the table's text for value (or its default).
void describe(exif_prop* prop, const descr_entry* table, std::uint16_t value);

namespace detail {

// A copy of text in the context's memory, or the heap's without one.
char* copytext(context* ctx, const char* text);

}  // namespace detail

}  // namespace exifkit
