// Recognising the fixed text that opens some maker notes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "exif/view.h"

namespace exifkit {

// Whether the note at offset begins with the `length` bytes of text. A note
// that ends before them, at the end of the block, does not.
inline bool noteheader(const tiff_view& view, std::uint32_t offset, const char* text, std::size_t length) noexcept
{
    const unsigned char* head = viewspan(view, offset, length);
    return head && std::memcmp(head, text, length) == 0;
}

}  // namespace exifkit
