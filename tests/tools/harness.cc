#include "harness.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "json.h"

extern char** environ;

namespace exifkit::test {

namespace fs = std::filesystem;

namespace {

std::string readwhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Waits for the child, killing it once the deadline has passed.
void waitfor(pid_t pid, double seconds, runresult& r)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            r.timedout = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status))
        r.status = WEXITSTATUS(status);
}

// Sanitizers report with exit status 1 by default, which the command also uses
// for a file without Exif data; give their reports a status of their own.
void setsanitizerexitcode()
{
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
        const char* current = std::getenv(name);
        std::string options = current ? current : "";
        if (options.find("exitcode=") != std::string::npos)
            continue;
        options += options.empty() ? "exitcode=86" : ":exitcode=86";
        setenv(name, options.c_str(), 1);
    }
}

}  // namespace

runresult runcommand(const std::vector<std::string>& args, double seconds)
{
    scratchdir dir;
    const std::string outpath = dir.file("stdout"), errpath = dir.file("stderr");
    std::vector<char*> argv{const_cast<char*>(EXIFKIT_COMMAND)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    setsanitizerexitcode();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outpath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errpath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed)
        throw std::runtime_error(std::string("cannot run ") + argv[0]);

    runresult r;
    waitfor(pid, seconds, r);
    r.out = readwhole(outpath);
    r.err = readwhole(errpath);
    return r;
}

scratchdir::scratchdir()
{
    std::string pattern = (fs::temp_directory_path() / "exifkit-tools-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

scratchdir::~scratchdir()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string scratchdir::file(std::string_view name) const
{
    return path_ + "/" + std::string(name);
}

std::string scratchdir::write(std::string_view name, std::string_view text) const
{
    const std::string path = file(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::vector<std::string> splitlines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// ---- JSON reader ------------------------------------------------------------

const json& json::operator[](std::string_view key) const
{
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == key)
            return items[i];
    throw std::out_of_range("no member " + std::string(key));
}

namespace {

class reader {
public:
    explicit reader(std::string_view text) : text_(text) {}

    json document()
    {
        json v = value();
        space();
        if (pos_ != text_.size())
            fail("text after the value");
        return v;
    }

private:
    [[noreturn]] void fail(const std::string& what) const
    {
        throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(pos_));
    }
    void space()
    {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\n' || text_[pos_] == '\r'))
            ++pos_;
    }
    char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
    void expect(char c)
    {
        space();
        if (peek() != c)
            fail(std::string("expected '") + c + "'");
        ++pos_;
    }
    bool take(char c)
    {
        space();
        if (peek() != c)
            return false;
        ++pos_;
        return true;
    }

    json value()
    {
        space();
        json v;
        const char c = peek();
        if (c == '{') {
            object(v);
        } else if (c == '[') {
            array(v);
        } else if (c == '"') {
            v.type = json::string;
            v.str = string();
        } else if (text_.substr(pos_, 4) == "null") {
            pos_ += 4;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            v.type = json::number;
            v.num = number();
        } else {
            fail("unexpected character");
        }
        return v;
    }

    void object(json& v)
    {
        v.type = json::object;
        expect('{');
        if (take('}'))
            return;
        do {
            space();
            v.names.push_back(string());
            expect(':');
            v.items.push_back(value());
        } while (take(','));
        expect('}');
    }

    void array(json& v)
    {
        v.type = json::array;
        expect('[');
        if (take(']'))
            return;
        do
            v.items.push_back(value());
        while (take(','));
        expect(']');
    }

    double number()
    {
        const std::size_t start = pos_;
        if (peek() == '-')
            ++pos_;
        if (peek() == '0')
            ++pos_;
        else if (peek() >= '1' && peek() <= '9')
            while (peek() >= '0' && peek() <= '9')
                ++pos_;
        else
            fail("bad number");
        return std::strtod(std::string(text_.substr(start, pos_ - start)).c_str(), nullptr);
    }

    unsigned hexdigits()
    {
        if (text_.size() - pos_ < 4)
            fail("short \\u escape");
        unsigned code = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = text_[pos_++];
            const int d = h >= '0' && h <= '9' ? h - '0'
                        : h >= 'a' && h <= 'f' ? h - 'a' + 10
                        : h >= 'A' && h <= 'F' ? h - 'A' + 10 : -1;
            if (d < 0)
                fail("bad \\u escape");
            code = code * 16 + static_cast<unsigned>(d);
        }
        return code;
    }

    void escape(std::string& out)
    {
        const char c = text_[pos_++];
        switch (c) {
        case '"': case '\\': case '/': out += c; return;
        case 'b': out += '\b'; return;
        case 'f': out += '\f'; return;
        case 'n': out += '\n'; return;
        case 'r': out += '\r'; return;
        case 't': out += '\t'; return;
        case 'u': break;
        default: fail("bad escape");
        }
        const unsigned code = hexdigits();
        if (code >= 0xD800 && code <= 0xDFFF)
            fail("surrogate escapes are not expected");
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    std::string string()
    {
        if (peek() != '"')
            fail("expected a string");
        ++pos_;
        std::string out;
        for (;;) {
            if (pos_ >= text_.size())
                fail("unterminated string");
            const char c = text_[pos_++];
            if (c == '"')
                break;
            if (static_cast<unsigned char>(c) < 0x20)
                fail("raw control character in a string");
            if (c == '\\') {
                if (pos_ >= text_.size())
                    fail("unterminated escape");
                escape(out);
            } else {
                out += c;
            }
        }
        if (!cli::isutf8(out))
            fail("string is not UTF-8");
        return out;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

json parsejson(std::string_view text)
{
    return reader(text).document();
}

}  // namespace exifkit::test
