// The JSON Lines output of the exifkit command: one object per input, with
// every property, warning, error and the frame size, its strings in UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "exifkit/exifkit.h"

namespace exifkit::cli {

// Appends a quoted JSON string of an ISO 8859-1 text.
void appendjsonlatin1(std::string& out, std::string_view text);

// Appends a quoted JSON string of a file name: kept as it is when it is UTF-8,
// otherwise read as ISO 8859-1, so that the output is always valid UTF-8.
void appendjsonpath(std::string& out, std::string_view path);

// Appends the line of one input:
//   {"file": ..., "result": ..., "error": ..., "warnings": [[message, detail]...],
//    "frame": {...} or null, "properties": [[level, name, value]...]}
void appendjsonline(std::string& out, std::string_view path, const Metadata& m);

// Appends the structured line of one input (-J), `path` null for an input
// that is not a named file:
//   {"file", "format", "result", "error", "warnings": [{"message", "detail"}...],
//    "frame", "summary": {...}, "properties": [{"directory", "tag", "key",
//    "name", "text", "value", "group", "type", "count"[, "parent"]}...]}
// Rationals are [numerator, denominator], bytes base64, a value over its
// cap {"length": n}, a property without a value null.
void appendstructuredline(std::string& out, const std::string* path, const Metadata& m);

}  // namespace exifkit::cli
