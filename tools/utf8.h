// The command writes UTF-8: the library delivers 8-bit texts in ISO 8859-1,
// and file names pass as they are when they are UTF-8 already.
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

}  // namespace exifkit::cli
