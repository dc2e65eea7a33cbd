// Helpers of the command tests: running the built command, a scratch folder,
// and a small strict JSON reader for checking its -j output.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace exifkit::test {

struct runresult {
    int status = -1;        // exit status, or -1 when killed by a signal or timed out
    bool timedout = false;
    std::string out;        // standard output
    std::string err;        // standard error
};

// Runs the built exifkit command with these arguments, standard input empty,
// and kills it after the time limit.
runresult runcommand(const std::vector<std::string>& args, double seconds = 30);

// A fresh folder under the system's temporary folder, removed with its contents.
class scratchdir {
public:
    scratchdir();
    ~scratchdir();
    scratchdir(const scratchdir&) = delete;
    scratchdir& operator=(const scratchdir&) = delete;

    // The path of a file in the folder.
    std::string file(std::string_view name) const;
    // Writes text to a file in the folder and returns its path.
    std::string write(std::string_view name, std::string_view text) const;

private:
    std::string path_;
};

// A parsed JSON value; objects keep their members in document order.
struct json {
    enum kind { null, number, string, array, object } type = null;
    double num = 0;
    std::string str;
    std::vector<json> items;         // array elements, or object member values
    std::vector<std::string> names;  // object member names, beside items

    // The member with this key; throws when there is none.
    const json& operator[](std::string_view key) const;
};

// Parses one JSON text strictly (RFC 8259, strings must be valid UTF-8);
// throws std::runtime_error naming the offset on malformed input.
json parsejson(std::string_view text);

// The lines of text, without their newline characters.
std::vector<std::string> splitlines(const std::string& text);

}  // namespace exifkit::test
