// The command writes UTF-8: the library delivers 8-bit texts in ISO 8859-1,
// and file names pass as they are when they are UTF-8 already. The text
// output shows control characters as escapes, so that no file can move the
// cursor, retitle the terminal or forge a line.
#pragma once

#include <cstdint>
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

// The ISO 8859-1 text converted to UTF-8.
inline std::string latin1toutf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        appendlatin1(out, static_cast<unsigned char>(c));
    return out;
}

// Whether a byte is a control character: C0 (below 0x20), DEL, or C1 (0x80
// to 0x9F, which as ISO 8859-1 written in UTF-8 become U+0080 to U+009F, CSI
// among them).
inline bool iscontrol(unsigned char c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Appends the byte as "\xHH", upper-case hex.
inline void appendhexescape(std::string& out, unsigned char c)
{
    static constexpr char HEX[] = "0123456789ABCDEF";
    out += "\\x";
    out += HEX[c >> 4];
    out += HEX[c & 0x0F];
}

// The position of the first byte from `from` on that is not printable ASCII
// (0x20 to 0x7E), or the size; eight bytes are tested at a time.
inline std::size_t nextunprintable(std::string_view text, std::size_t from)
{
    constexpr std::uint64_t ONES = 0x0101010101010101ull, HIGH_BITS = 0x8080808080808080ull;
    while (from + 8 <= text.size()) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + from, sizeof word);
        const std::uint64_t below20 = (word - 0x20 * ONES) & ~word & HIGH_BITS;
        const std::uint64_t del = ((word ^ 0x7F * ONES) - ONES) & ~(word ^ 0x7F * ONES) & HIGH_BITS;
        if ((word & HIGH_BITS) | below20 | del)
            break;
        from += 8;
    }
    while (from < text.size()) {
        const auto c = static_cast<unsigned char>(text[from]);
        if (c < 0x20 || c >= 0x7F)
            break;
        ++from;
    }
    return from;
}

// Appends the ISO 8859-1 text as UTF-8 with its control characters escaped
// ("\x1B"); a backslash stands as it is.
inline void appendvisible(std::string& out, std::string_view text)
{
    for (std::size_t from = 0;;) {
        const std::size_t at = nextunprintable(text, from);
        out.append(text.data() + from, at - from);
        if (at == text.size())
            return;
        const auto c = static_cast<unsigned char>(text[at]);
        if (iscontrol(c))
            appendhexescape(out, c);
        else
            appendlatin1(out, c);
        from = at + 1;
    }
}

// The ISO 8859-1 text as UTF-8, its control characters escaped.
inline std::string visibletext(std::string_view text)
{
    std::string out;
    appendvisible(out, text);
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

// Appends a file name for the text output: a UTF-8 name as it is, its
// control characters escaped byte by byte (a C1 control, U+0080 to U+009F,
// as its two bytes); any other name read as ISO 8859-1, like a text.
inline void appendvisiblepath(std::string& out, std::string_view path)
{
    if (!isutf8(path)) {
        appendvisible(out, path);
        return;
    }
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        const bool c1 = c == 0xC2 && static_cast<unsigned char>(path[i + 1]) <= 0x9F;
        if (c1) {
            appendhexescape(out, c);
            appendhexescape(out, static_cast<unsigned char>(path[++i]));
        } else if (c < 0x20 || c == 0x7F) {
            appendhexescape(out, c);
        } else {
            out += static_cast<char>(c);
        }
    }
}

inline std::string visiblepath(std::string_view path)
{
    std::string out;
    appendvisiblepath(out, path);
    return out;
}

}  // namespace exifkit::cli
