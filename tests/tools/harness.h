// Helpers of the command tests: running the built command and a strict reader
// of the JSON that it writes.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/exifbuilder.h"
#include "utf8.h"

namespace exifkit::test {

inline std::vector<std::string> splitlines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

struct runresult {
    int status = -1;  // exit status, or -1 when killed by a signal or timed out
    bool timedout = false;
    std::string out, err;
};

// Runs a program with these arguments and standard input read from `input`,
// stopping it once the time limit has passed. Sanitizers report with exit
// status 1 by default, which the command also uses for a file without Exif
// data: their reports get a status of their own, 86.
inline runresult runprogram(const std::string& program, const std::vector<std::string>& args, double seconds = 30,
                            const std::string& input = "/dev/null")
{
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
        const std::string options = std::getenv(name) ? std::getenv(name) : "";
        if (options.find("exitcode=") == std::string::npos)
            setenv(name, (options + (options.empty() ? "" : ":") + "exitcode=86").c_str(), 1);
    }
    const auto quote = [](std::string s) {
        for (std::size_t at = 0; (at = s.find('\'', at)) != std::string::npos; at += 4)
            s.replace(at, 1, "'\\''");
        return "'" + s + "'";
    };
    const auto readwhole = [](const TempFile& file) {
        std::ostringstream text;
        text << std::ifstream(file.path(), std::ios::binary).rdbuf();
        return text.str();
    };
    const TempFile out(std::string{}), err(std::string{});
    std::string command = "exec timeout -k 1 " + std::to_string(seconds) + " " + quote(program);
    for (const std::string& a : args)
        command += " " + quote(a);
    const int status = std::system((command + " <" + quote(input) + " >" + quote(out.path()) + " 2>" + quote(err.path())).c_str());
    runresult r{-1, WIFEXITED(status) && WEXITSTATUS(status) == 124, readwhole(out), readwhole(err)};
    if (WIFEXITED(status) && WEXITSTATUS(status) < 124)
        r.status = WEXITSTATUS(status);
    return r;
}

// Runs the built command.
inline runresult runcommand(const std::vector<std::string>& args, double seconds = 30,
                            const std::string& input = "/dev/null")
{
    return runprogram(EXIFKIT_COMMAND, args, seconds, input);
}

// A parsed JSON value; objects keep their members in document order.
struct json {
    enum kind { null, number, string, array, object } type = null;
    double num = 0;
    std::string str;
    std::vector<json> items;         // array elements, or object member values
    std::vector<std::string> names;  // object member names, beside items

    const json& operator[](std::string_view key) const
    {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == key)
                return items[i];
        throw std::out_of_range("no member " + std::string(key));
    }
};

// Reads the JSON the command writes (no booleans, fractions, exponents or
// escapes beyond ASCII) strictly; strings must be valid UTF-8. Throws
// std::runtime_error naming the offset when the text is malformed.
class jsonreader {
public:
    static json parse(std::string_view text)
    {
        jsonreader r{text};
        json v = r.value();
        if (r.peek() != '\0' || r.pos_ != text.size())
            r.fail("text after the value");
        return v;
    }

private:
    explicit jsonreader(std::string_view text) : text_(text) {}

    [[noreturn]] void fail(const std::string& what) const
    {
        throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(pos_));
    }
    char next() { return pos_ < text_.size() ? text_[pos_++] : '\0'; }
    char peek()
    {
        pos_ = std::min(text_.find_first_not_of(" \t\r\n", pos_), text_.size());
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }
    bool take(char c) { return peek() == c && next() == c; }
    void expect(char c)
    {
        if (!take(c))
            fail(std::string("expected '") + c + "'");
    }

    json value()
    {
        json v;
        if (const bool object = take('{'); object || take('[')) {
            v.type = object ? json::object : json::array;
            if (take(object ? '}' : ']'))
                return v;
            do {
                if (object) {
                    v.names.push_back(string());
                    expect(':');
                }
                v.items.push_back(value());
            } while (take(','));
            expect(object ? '}' : ']');
        } else if (peek() == '"') {
            v.type = json::string;
            v.str = string();
        } else if (text_.substr(pos_, 4) == "null") {
            pos_ += 4;
        } else {
            v.type = json::number;
            const std::size_t start = pos_, digits = pos_ + (peek() == '-');
            pos_ = std::min(text_.find_first_not_of("0123456789", digits), text_.size());
            if (pos_ == digits || (text_[digits] == '0' && pos_ - digits > 1))
                fail("bad number");
            v.num = std::stod(std::string(text_.substr(start, pos_ - start)));
        }
        return v;
    }

    std::string string()
    {
        static constexpr std::string_view from = "\"\\/bfnrt", to = "\"\\/\b\f\n\r\t";
        expect('"');
        std::string out;
        for (char c; (c = next()) != '"';) {
            if (static_cast<unsigned char>(c) < 0x20)
                fail("raw control character or end of text in a string");
            if (c != '\\') {
                out += c;
            } else if (const std::size_t k = from.find(c = next()); c != '\0' && k != std::string_view::npos) {
                out += to[k];
            } else {
                const std::string hex(text_.substr(pos_, 4));
                if (c != 'u' || hex.size() != 4 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos ||
                    std::stoul(hex, nullptr, 16) >= 0x80)
                    fail("bad or non-ASCII escape");
                pos_ += 4;
                out += static_cast<char>(std::stoul(hex, nullptr, 16));
            }
        }
        if (!cli::isutf8(out))
            fail("string is not UTF-8");
        return out;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

inline json parsejson(std::string_view text) { return jsonreader::parse(text); }

}  // namespace exifkit::test
