// The text helpers of the command: ISO 8859-1 to UTF-8 and JSON strings.
#include <gtest/gtest.h>

#include <string>

#include "json.h"

namespace exifkit::cli {
namespace {

struct textcase {
    std::string in;
    std::string out;
};

TEST(Latin1ToUtf8, ConvertsHighBytesAndKeepsAscii)
{
    const textcase cases[] = {
        {"", ""},
        {"1/160 sec", "1/160 sec"},
        {"N 43\xB0 28'", "N 43\xC2\xB0 28'"},
        {"\x80\xBF\xC0\xFF", "\xC2\x80\xC2\xBF\xC3\x80\xC3\xBF"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const textcase& c : cases)
        EXPECT_EQ(latin1toutf8(c.in), c.out) << c.in;
}

TEST(JsonString, EscapesQuotesBackslashesAndControlCharacters)
{
    const textcase cases[] = {
        {"", "\"\""},
        {"plain", "\"plain\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\dir", "\"C:\\\\dir\""},
        {"\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
        {std::string("\0\x01\x1F", 3), "\"\\u0000\\u0001\\u001F\""},
        {"/\x7F", "\"/\x7F\""},
        {"\xE9t\xE9", "\"\xC3\xA9t\xC3\xA9\""},
    };
    for (const textcase& c : cases) {
        std::string out;
        appendjsonlatin1(out, c.in);
        EXPECT_EQ(out, c.out) << c.in;
    }
}

TEST(IsUtf8, AcceptsWellFormedAndRejectsTheRest)
{
    const std::pair<std::string, bool> cases[] = {
        {"", true},
        {"ascii", true},
        {"\xC3\xA9", true},
        {"\xE2\x82\xAC", true},
        {"\xF0\x9F\x93\xB7", true},
        {"\xE9", false},             // a lone ISO 8859-1 byte
        {"\xC3", false},             // truncated
        {"\xC0\xAF", false},         // overlong
        {"\xED\xA0\x80", false},     // surrogate
        {"\xF4\x90\x80\x80", false}, // beyond U+10FFFF
        {"\x80", false},
    };
    for (const auto& [text, valid] : cases)
        EXPECT_EQ(isutf8(text), valid) << text;
}

TEST(JsonPath, KeepsUtf8NamesAndConvertsOthers)
{
    std::string utf8, latin1;
    appendjsonpath(utf8, "R\xC3\xB8m\xC3\xB8.jpg");
    appendjsonpath(latin1, "R\xF8m\xF8.jpg");
    EXPECT_EQ(utf8, "\"R\xC3\xB8m\xC3\xB8.jpg\"");
    EXPECT_EQ(latin1, "\"R\xC3\xB8m\xC3\xB8.jpg\"");
}

}  // namespace
}  // namespace exifkit::cli
