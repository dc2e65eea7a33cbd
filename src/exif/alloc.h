// Allocation for parse records. Every record and text is zero-filled heap
// memory released with std::free; a failure raises the fatal error with the
// system's error text.
#pragma once

#include <cstddef>

namespace exifkit::detail {

// Zero-filled memory, or null when the allocation fails.
void* tryalloc(std::size_t size) noexcept;

// Memory as malloc gives it, or null; counted by the test hook like tryalloc.
void* tryrawalloc(std::size_t size) noexcept;

// Zero-filled memory; raises ExifException with strerror(errno) on failure.
void* mustalloc(std::size_t size);

// Test hook: make the allocation after `countdown` successful ones fail
// (a negative countdown turns failures off). Lets tests walk every failure path.
void failallocafter(long countdown) noexcept;

// Whether the test hook is counting allocations; memory kept for reuse is
// then left alone, so that every allocation goes through the hook.
bool alloccounting() noexcept;

}  // namespace exifkit::detail
