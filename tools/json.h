// Text helpers of the exifkit command: the library delivers 8-bit texts in
// ISO 8859-1, the command writes UTF-8, and its JSON output escapes strings.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace exifkit::cli {

// Appends one ISO 8859-1 byte as UTF-8.
inline void appendlatin1(std::string& out, unsigned char c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
}

// The position of the first byte from `from` on that is not ASCII, or the
// size; eight bytes are tested at a time.
inline std::size_t nextnonascii(std::string_view text, std::size_t from)
{
    constexpr std::uint64_t HIGH_BITS = 0x8080808080808080ull;
    while (from + 8 <= text.size()) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + from, sizeof word);
        if (word & HIGH_BITS)
            break;
        from += 8;
    }
    while (from < text.size() && static_cast<unsigned char>(text[from]) < 0x80)
        ++from;
    return from;
}

// Appends the ISO 8859-1 text as UTF-8, runs of ASCII at once.
inline void appendlatin1(std::string& out, std::string_view text)
{
    for (std::size_t from = 0;;) {
        const std::size_t at = nextnonascii(text, from);
        out.append(text.data() + from, at - from);
        if (at == text.size())
            return;
        appendlatin1(out, static_cast<unsigned char>(text[at]));
        from = at + 1;
    }
}

// The ISO 8859-1 text converted to UTF-8.
inline std::string latin1toutf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        appendlatin1(out, static_cast<unsigned char>(c));
    return out;
}

// The lead byte of a UTF-8 sequence: how many continuation bytes follow, the
// code point bits it carries and the least code point such a sequence may hold.
struct utf8lead {
    std::size_t more;
    unsigned long bits;
    unsigned long least;
};

inline bool readlead(unsigned char c, utf8lead& lead)
{
    if ((c & 0xE0) == 0xC0)
        lead = {1, c & 0x1Fu, 0x80};
    else if ((c & 0xF0) == 0xE0)
        lead = {2, c & 0x0Fu, 0x800};
    else if ((c & 0xF8) == 0xF0)
        lead = {3, c & 0x07u, 0x10000};
    else
        return false;
    return true;
}

// True when text is well-formed UTF-8 (no overlong forms, surrogates or code
// points beyond U+10FFFF).
inline bool isutf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        utf8lead lead{};
        if (!readlead(c, lead) || text.size() - i <= lead.more)
            return false;
        unsigned long point = lead.bits;
        for (std::size_t k = 1; k <= lead.more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            point = (point << 6) | (next & 0x3Fu);
        }
        if (point < lead.least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return false;
        i += lead.more + 1;
    }
    return true;
}

// Appends the escape of a character that JSON does not allow raw in a string,
// or nothing (returning false) for one that may stand as it is.
inline bool appendescape(std::string& out, unsigned char c)
{
    switch (c) {
    case '"': out += "\\\""; return true;
    case '\\': out += "\\\\"; return true;
    case '\b': out += "\\b"; return true;
    case '\f': out += "\\f"; return true;
    case '\n': out += "\\n"; return true;
    case '\r': out += "\\r"; return true;
    case '\t': out += "\\t"; return true;
    default: break;
    }
    if (c >= 0x20)
        return false;
    char code[8];
    std::snprintf(code, sizeof code, "\\u%04X", c);
    out += code;
    return true;
}

// Appends a quoted JSON string of an ISO 8859-1 text.
inline void appendjsonlatin1(std::string& out, std::string_view text)
{
    out += '"';
    // Runs of plain ASCII pass at once.
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte < 0x80 && byte != '"' && byte != '\\')
            continue;
        out.append(text, from, i - from);
        if (!appendescape(out, byte))
            appendlatin1(out, byte);
        from = i + 1;
    }
    out.append(text, from, text.size() - from);
    out += '"';
}

// Appends a quoted JSON string of a UTF-8 text, which passes unchanged apart
// from the escapes.
inline void appendjsonutf8(std::string& out, std::string_view text)
{
    out += '"';
    for (char c : text)
        if (!appendescape(out, static_cast<unsigned char>(c)))
            out += c;
    out += '"';
}

// Appends a quoted JSON string of a file name: kept as it is when it is UTF-8,
// otherwise read as ISO 8859-1, so that the output is always valid UTF-8.
inline void appendjsonpath(std::string& out, std::string_view path)
{
    if (isutf8(path))
        appendjsonutf8(out, path);
    else
        appendjsonlatin1(out, path);
}

}  // namespace exifkit::cli
