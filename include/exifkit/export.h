// Marks the declarations that the shared library exports; everything else in
// it is hidden.
#pragma once

#if defined(__GNUC__) || defined(__clang__)
#define EXIFKIT_API __attribute__((visibility("default")))
#else
#define EXIFKIT_API
#endif
