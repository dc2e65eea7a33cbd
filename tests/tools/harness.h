// Helpers of the command tests: running the built command and a strict reader
// of the JSON that it writes.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/jpegfile.h"
#include "utf8.h"

extern char** environ;

namespace exifkit::test {

inline std::string readwhole(const char* path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

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

// Sanitizers report with exit status 1 by default, which the command also uses
// for a file without Exif data; give their reports a status of their own.
inline void setsanitizerexitcode()
{
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
        const char* current = std::getenv(name);
        std::string options = current ? current : "";
        if (options.find("exitcode=") == std::string::npos)
            setenv(name, (options + (options.empty() ? "" : ":") + "exitcode=86").c_str(), 1);
    }
}

// Runs a program with these arguments and standard input read from `input`
// (empty by default), killing it once the time limit has passed.
inline runresult runprogram(const char* program, const std::vector<std::string>& args, double seconds = 30,
                            const char* input = "/dev/null")
{
    const TempFile out(std::string{}), err(std::string{});
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    setsanitizerexitcode();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input, O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.path(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.path(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed)
        throw std::runtime_error(std::string("cannot run ") + argv[0]);

    runresult r;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            r.timedout = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!r.timedout && WIFEXITED(status))
        r.status = WEXITSTATUS(status);
    r.out = readwhole(out.path());
    r.err = readwhole(err.path());
    return r;
}

// Runs the built command.
inline runresult runcommand(const std::vector<std::string>& args, double seconds = 30,
                            const char* input = "/dev/null")
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
// escapes beyond ASCII) strictly; strings must be valid UTF-8.
class jsonreader {
public:
    explicit jsonreader(std::string_view text) : text_(text) {}

    json document()
    {
        json v = value();
        if (peek() != '\0' || pos_ != text_.size())
            fail("text after the value");
        return v;
    }

private:
    [[noreturn]] void fail(const std::string& what) const
    {
        throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(pos_));
    }
    char next() { return pos_ < text_.size() ? text_[pos_++] : '\0'; }
    char peek()
    {
        while (pos_ < text_.size() && std::string_view(" \t\r\n").find(text_[pos_]) != std::string_view::npos)
            ++pos_;
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
        const bool isobject = take('{');
        if (isobject || take('[')) {
            v.type = isobject ? json::object : json::array;
            const char end = isobject ? '}' : ']';
            if (take(end))
                return v;
            do {
                if (isobject) {
                    v.names.push_back(string());
                    expect(':');
                }
                v.items.push_back(value());
            } while (take(','));
            expect(end);
        } else if (peek() == '"') {
            v.type = json::string;
            v.str = string();
        } else if (text_.substr(pos_, 4) == "null") {
            pos_ += 4;
        } else {
            v.type = json::number;
            const std::size_t start = pos_;
            if (peek() == '-')
                ++pos_;
            const std::size_t end = std::min(text_.find_first_not_of("0123456789", pos_), text_.size());
            if (end == pos_ || (text_[pos_] == '0' && end - pos_ > 1))
                fail("bad number");
            pos_ = end;
            v.num = std::stod(std::string(text_.substr(start, end - start)));
        }
        return v;
    }

    std::string string()
    {
        expect('"');
        std::string out;
        for (char c; (c = next()) != '"';) {
            if (static_cast<unsigned char>(c) < 0x20)
                fail("raw control character or end of text in a string");
            out += c == '\\' ? escape() : c;
        }
        if (!cli::isutf8(out))
            fail("string is not UTF-8");
        return out;
    }

    char escape()
    {
        static constexpr std::string_view from = "\"\\/bfnrt", to = "\"\\/\b\f\n\r\t";
        const char e = next();
        if (const std::size_t k = from.find(e); e != '\0' && k != std::string_view::npos)
            return to[k];
        const std::string hex(text_.substr(pos_, 4));
        if (e != 'u' || hex.size() != 4 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos ||
            std::stoul(hex, nullptr, 16) >= 0x80)
            fail("bad or non-ASCII escape");
        pos_ += 4;
        return static_cast<char>(std::stoul(hex, nullptr, 16));
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

// Parses one JSON text; throws std::runtime_error naming the offset when it is malformed.
inline json parsejson(std::string_view text) { return jsonreader(text).document(); }

}  // namespace exifkit::test
