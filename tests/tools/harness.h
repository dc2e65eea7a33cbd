// Helpers of the command tests: running the built command and a strict check
// of the JSON that it writes.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
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
        const bytes b = readfile(file.path());
        return std::string(b.begin(), b.end());
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

// A folder in the temporary folder, removed with everything in it, locked folders too.
class TempDir {
public:
    TempDir()
    {
        if (!mkdtemp(path_.data()))
            throw std::runtime_error("cannot make a temporary folder");
    }
    ~TempDir()
    {
        std::error_code ec;
        namespace fs = std::filesystem;
        for (const auto& e : fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec))
            if (!e.is_symlink(ec))  // not what a link leads to, which may lie outside
                fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    std::string at(const std::string& rel) const { return path_ + "/" + rel; }
    // Writes the file there, with the folders it lies in; returns its path.
    std::string file(const std::string& rel, const bytes& data) const
    {
        std::filesystem::create_directories(std::filesystem::path(at(rel)).parent_path());
        return writefile(at(rel), data), at(rel);
    }

private:
    std::string path_ = std::filesystem::temp_directory_path() / "exifkit-test-XXXXXX";
};

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
inline bool startswith(const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; }

// Whether the text is one JSON value as the command writes it (no booleans, fractions, exponents or escapes
// beyond ASCII), strictly, with every string valid UTF-8.
inline bool isjson(std::string_view text)
{
    std::size_t at = 0;
    const auto space = [&] { at = std::min(text.find_first_not_of(" \t\r\n", at), text.size()); };
    const auto take = [&](char c) { return space(), at < text.size() && text[at] == c && ++at; };
    const auto string = [&] {
        std::string out;  // the text, each escape read as a space
        for (char c; (c = at < text.size() ? text[at++] : '\0') != '"';) {
            const std::string hex(text.substr(std::min(at + 1, text.size()), 4));
            if (c == '\\' && at < text.size() && std::string_view("\"\\/bfnrt").find(text[at]) != std::string_view::npos)
                at += 1;
            else if (c == '\\' && text.substr(at, 1) == "u" && hex.size() == 4 &&
                     hex.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos && std::stoul(hex, nullptr, 16) < 0x80)
                at += 5;
            else if (c == '\\' || static_cast<unsigned char>(c) < 0x20)
                return false;  // a bad escape, a raw control character or the end of the text
            out += c == '\\' ? ' ' : c;
        }
        return cli::isutf8(out);
    };
    std::function<bool()> value = [&] {
        if (const bool object = take('{'); object || take('[')) {
            if (take(object ? '}' : ']'))
                return true;
            do
                if ((object && !(take('"') && string() && take(':'))) || !value())
                    return false;
            while (take(','));
            return take(object ? '}' : ']');
        }
        if (take('"'))
            return string();
        if (text.substr(at, 4) == "null")
            return (at += 4) != 0;
        const std::size_t digits = at + (text.substr(at, 1) == "-");
        at = std::min(text.find_first_not_of("0123456789", digits), text.size());
        return at > digits && (text[digits] != '0' || at - digits == 1);
    };
    return value() && (space(), at == text.size());
}

}  // namespace exifkit::test
