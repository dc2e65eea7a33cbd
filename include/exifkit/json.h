// A read's result as JSON, the form the exifkit command prints: one object
// per input on one line, texts in UTF-8 (the library's 8-bit texts are read
// as ISO 8859-1), so that any language's JSON reader takes it as it is.
// doc/exifkit.schema.json describes both forms.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "exifkit/export.h"
#include "exifkit/reader.h"

namespace exifkit {

// Appends the structured object (the command's -J), without a newline;
// `file` is the input's name, none for bytes that did not come from a named
// file:
//   {"file", "format", "result", "error", "warnings": [{"message", "detail"}...],
//    "frame", "summary": {...}, "properties": [{"directory", "tag", "key",
//    "name", "text", "value", "group", "type", "count"[, "parent"]}...]}
// Rationals are [numerator, denominator], bytes base64, a value over its
// cap {"length": n}, a property without a value null.
EXIFKIT_API void appendJSON(std::string& out, const Metadata& m, std::optional<std::string_view> file = std::nullopt);
EXIFKIT_API std::string toJSON(const Metadata& m, std::optional<std::string_view> file = std::nullopt);

// Appends the flat object (the command's -j), without a newline:
//   {"file": ..., "result": ..., "error": ..., "warnings": [[message, detail]...],
//    "frame": {...} or null, "properties": [[level, name, text]...]}
EXIFKIT_API void appendJSONFlat(std::string& out, const Metadata& m, std::string_view file);

// Appends a quoted JSON string of an ISO 8859-1 text, as delivered texts are.
EXIFKIT_API void appendJSONLatin1(std::string& out, std::string_view text);

// Appends a quoted JSON string of a file name: kept as it is when it is
// UTF-8, otherwise read as ISO 8859-1, so that the output is always UTF-8.
EXIFKIT_API void appendJSONName(std::string& out, std::string_view name);

}  // namespace exifkit
