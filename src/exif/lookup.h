// Rows of the constant tables: tag rows (indexed once per process) and the
// texts of value tables.
#pragma once

#include <cstdint>

#include "exifkit/records.h"

namespace exifkit {

// The row of tag in table, or the table's end row.
const tag_def* tagrow(const tag_def* table, std::uint16_t tag) noexcept;

// The same for many tags of one table, looking the table's index up once.
class tagfinder {
public:
    explicit tagfinder(const tag_def* table) noexcept;
    const tag_def* row(std::uint16_t tag) const noexcept;

private:
    const tag_def* table_;
    const void* index_;  // null: the rows are searched one by one
};

// The text of the table's row for value, or its default text; not a copy.
const char* descrtext(const descr_entry* table, std::uint16_t value) noexcept;

}  // namespace exifkit
