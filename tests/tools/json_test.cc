// The text helpers of the command: ISO 8859-1 to UTF-8 and JSON strings.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

#include "exifkit/json.h"
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
        appendJSONLatin1(json, in);
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
    appendJSONName(utf8, "R\xC3\xB8m\xC3\xB8\n.jpg");
    appendJSONName(latin1, "R\xF8m\xF8.jpg");
    EXPECT_EQ(utf8, "\"R\xC3\xB8m\xC3\xB8\\n.jpg\"");
    EXPECT_EQ(latin1, "\"R\xC3\xB8m\xC3\xB8.jpg\"");
}

// Integers at the ends of their range, and the file member with and without
// a name.
TEST(JsonText, StructuredNumbersAndFile)
{
    Metadata m;
    Property p;
    p.key = "K";
    p.value.setNumbers(Value::Kind::Integer, 3, true);
    p.value.setIntegerAt(0, INT64_MIN);
    p.value.setIntegerAt(1, INT64_MAX);
    p.value.setIntegerAt(2, 0);
    p.count = UINT32_MAX;
    m.groups.push_back(Group{LVL_CAMERA, {p}});
    Property r;
    r.value.setNumbers(Value::Kind::Rational, 1, false);
    r.value.setRationalAt(0, -1, 3);
    m.groups.back().properties.push_back(r);
    const std::string json = toJSON(m);
    EXPECT_EQ(json.rfind("{\"file\": null, \"format\": null, \"result\": 2,", 0), 0u) << json;
    EXPECT_NE(json.find("\"value\": [-9223372036854775808, 9223372036854775807, 0]"), std::string::npos) << json;
    EXPECT_NE(json.find("\"count\": 4294967295"), std::string::npos) << json;
    EXPECT_NE(json.find("\"value\": [-1, 3]"), std::string::npos) << json;
    EXPECT_EQ(json.back(), '}');
    EXPECT_EQ(toJSON(m, "a\xE9.jpg").rfind("{\"file\": \"a\xC3\xA9.jpg\"", 0), 0u);
}

}  // namespace
}  // namespace exifkit::cli
