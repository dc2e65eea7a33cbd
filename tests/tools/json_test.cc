// The text helpers of the command: ISO 8859-1 to UTF-8 and JSON strings.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "jsonout.h"
#include "utf8.h"

namespace exifkit::cli {
namespace {

using textcase = std::pair<std::string, std::string>;

// JSON strings from ISO 8859-1 texts, the UTF-8 check, and file names.
TEST(JsonText, Latin1EscapesUtf8CheckAndPaths)
{
    const textcase cases[] = {
        {"", "\"\""},                                                {"say \"hi\" C:\\dir", "\"say \\\"hi\\\" C:\\\\dir\""},
        {"\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},                       {std::string("\0\x01\x1F", 3), "\"\\u0000\\u0001\\u001F\""},
        {"/\x7F", "\"/\x7F\""},
        {"N 43\xB0 \x80\xBF\xC0\xFF", "\"N 43\xC2\xB0 \xC2\x80\xC2\xBF\xC3\x80\xC3\xBF\""},
    };
    for (const auto& [in, out] : cases) {
        std::string json;
        appendjsonlatin1(json, in);
        EXPECT_EQ(json, out) << in;
    }
    EXPECT_EQ(latin1toutf8(std::string("a\0\xE9", 3)), std::string("a\0\xC3\xA9", 4));
    const std::pair<std::string, bool> utf8cases[] = {
        {"ascii", true}, {"\xC3\xA9", true}, {"\xE2\x82\xAC", true}, {"\xF0\x9F\x93\xB7", true},
        {"\xE9", false}, {"\xC3", false}, {"\xC3(", false}, {"\x80", false},
        {"\xC0\xAF", false}, {"\xED\xA0\x80", false}, {"\xF4\x90\x80\x80", false},  // overlong, surrogate, too high
    };
    for (const auto& [text, valid] : utf8cases)
        EXPECT_EQ(isutf8(text), valid) << text;
    std::string utf8, latin1;
    appendjsonpath(utf8, "R\xC3\xB8m\xC3\xB8\n.jpg");
    appendjsonpath(latin1, "R\xF8m\xF8.jpg");
    EXPECT_EQ(utf8, "\"R\xC3\xB8m\xC3\xB8\\n.jpg\"");
    EXPECT_EQ(latin1, "\"R\xC3\xB8m\xC3\xB8.jpg\"");
}

}  // namespace
}  // namespace exifkit::cli
