// The command on hostile files and odd operands: its output safe on a terminal, its memory and time bounded,
// each failure classed with the system's reason. Every run has a time limit: a read that never ends fails.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "harness.h"
#include "support/hostile.h"

namespace exifkit::test {
namespace {

constexpr double LIMIT = 10;  // seconds; a sound run takes a fraction of one, under the sanitizers too

// The JPEG file of `copies` Exif blocks of `entries` Makes, all sharing one copy of the text.
bytes jpeg(const std::string& text, int entries = 1, std::size_t copies = 1)
{
    const bytes make(text.c_str(), text.c_str() + text.size() + 1);
    TiffBuilder b;
    bench::hostile::shared(b, b.dir(), 0x010F, 2, static_cast<std::uint32_t>(make.size()), make, entries);
    return minimaljpeg(std::vector<bytes>(copies, b.exif()));
}

// Files in a temporary folder, removed with it.
class Hostile : public ::testing::Test, protected TempDir {};

// Each crafted file or operand, run as text and with -j after a shell prefix that sets standard input or feeds
// a FIFO: the status, the line "exifkit: FILE: message" on standard error (none for ""; FILE the last argument
// unless shown), a part of standard output, and FILE's JSON result and error. In a walk, a FIFO would block.
TEST_F(Hostile, EachFileAndOperandHasItsClassAndReason)
{
    const bytes two = jpeg("First", 1, 2);
    const long second = 2 + static_cast<long>(two.size() - jpeg("First").size());  // where the second block's segment starts
    const std::string cut1 = file("cut1.jpg", bytes(two.begin(), two.begin() + 20)), cut2 = file("cut2.jpg", bytes(two.begin(), two.begin() + second + 20)),
                      pipe = at("pipe.jpg"), feed = "cat " + file("photo.jpg", jpeg("Piped")) + " >" + pipe + " &",
                      blocks = file("blocks.jpg", jpeg("Again", 1, 1000)), props = file("props.jpg", jpeg("xxxxxxx", 300, 100)),
                      text = file("text.jpg", jpeg(std::string(1999, 'x'), 30, 20)), tree = at("tree");
    std::filesystem::create_directory(tree);
    std::filesystem::create_symlink(EXIFKIT_TEST_DATA "/Canon_40D.jpg", at("tree/b.jpg"));
    ASSERT_EQ(mkfifo(at("tree/c.jpg").c_str(), 0600) | mkfifo(pipe.c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", at("tree/d.jpg"));
    file("tree/e.jpg", jpeg("E"));
    const std::string isdir = "cannot open file: Is a directory", nofile = "cannot open file: No such file or directory",
                      badfd = "cannot open file: Bad file descriptor", nosoi = "Error: unknown file format (reads JPEG, TIFF and raw files, HEIF/HEIC, AVIF, CR3, PNG, WebP, JPEG XL and RAF)",
                      cut = "warning: file ends inside the Exif block", special = "not a regular file", rest = "; ignoring the rest";
    const struct { const char* what; std::vector<std::string> args; std::string shell, shown; int status; std::string message, out; int jsonresult; std::string jsonerror; } table[] = {
        // what                        args                           shell               shown             status message                                        stdout       -j: result, error
        {"a folder without -r",        {tree},                        "",                 "",               1,     isdir,                                         "",          1, isdir},
        {"a folder as standard input", {"-"},                         "exec </tmp;",      "",               1,     isdir,                                         "",          1, isdir},
        {"a closed standard input",    {"-"},                         "exec <&-;",        "",               1,     badfd,                                         "",          1, badfd},
        {"a missing file",             {at("missing.jpg")},           "",                 "",               1,     nofile,                                        "",          1, nofile},
        {"an endless device",          {"/dev/zero"},                 "",                 "",               1,     nosoi,                                         "",          2, nosoi},
        {"endless standard input",     {"-"},                         "exec </dev/zero;", "",               1,     nosoi,                                         "",          2, nosoi},
        {"a FIFO operand, a stream",   {pipe},                        feed,               "",               0,     "",                                            "Piped",     0, "null"},
        {"cut in its only Exif block", {"-w", cut1},                  "",                 "",               1,     cut,                                           "",          2, "null"},
        {"cut in its second block",    {"-w", cut2},                  "",                 "",               1,     cut,                                           "First",     3, "null"},
        {"1,000 Exif blocks",          {"-w", blocks},                "",                 "",               0,     "warning: too many Exif blocks" + rest,        "Again",     0, "null"},
        {"too many properties",        {"-w", props},                 "",                 "",               0,     "warning: too many properties" + rest,         "",          0, "null"},
        {"too much text",              {"-w", text},                  "",                 "",               0,     "warning: too much text in the file" + rest,   "",          0, "null"},
        {"a FIFO in a walk",           {"-r", "-w", tree},            "",                 at("tree/c.jpg"), 1,     special,                                       "Make: E\n", 1, special},
        {"/dev/zero in a walk of two", {"-r", "-w", "-P", "2", tree}, "",                 at("tree/d.jpg"), 1,     special,                                       "EOS 40D",   1, special},
    };
    for (const auto& e : table) {
        SCOPED_TRACE(e.what);
        const std::string shown = e.shown.empty() ? e.args.back() : e.shown;
        std::vector<std::string> args = {"-c", e.shell + " exec \"$0\" \"$@\"", EXIFKIT_COMMAND};
        args.insert(args.end(), e.args.begin(), e.args.end());
        const runresult r = runprogram("/bin/sh", args, LIMIT);
        EXPECT_EQ(r.status, e.status);
        EXPECT_TRUE(e.message.empty() ? r.err.empty() : contains(r.err, "exifkit: " + shown + ": " + e.message + "\n")) << r.err;
        EXPECT_TRUE(contains(r.out, e.out)) << r.out;
        args.insert(args.begin() + 3, "-j");
        const runresult j = runprogram("/bin/sh", args, LIMIT);
        EXPECT_EQ(j.status, e.status);
        const std::string head = R"({"file": ")" + shown + R"(", "result": )";
        std::string got;  // every line is checked, so that no trace or message is mixed in
        for (const std::string& line : splitlines(j.out))
            if (startswith(line, head) || !isjson(line))
                got += isjson(line) ? line.substr(head.size(), line.find(R"(, "warnings")") - head.size()) : "not JSON: " + line;
        const std::string error = e.jsonerror == "null" ? "null" : '"' + e.jsonerror + '"';
        EXPECT_EQ(got, std::to_string(e.jsonresult) + R"(, "error": )" + error) << j.out;
    }
}

// A text or file name that would move the cursor, retitle the terminal or
// forge a line is shown with its control characters as \xHH escapes, and in
// JSON as \u escapes; with -j the trace goes to standard error, so that
// standard output stays JSON.
TEST_F(Hostile, ControlCharactersAreEscapedAndJsonStaysJson)
{
    TiffBuilder b;
    const std::string comment = std::string("ASCII\0\0\0", 8) + "\x1B]0;owned\x07\r\n  Camera Model: FORGED\x9B" "2J\x7F\\";
    b.pointer(b.dir(), 0x8769, 1).undefined(b.dir(), 0x9286, bytes(comment.begin(), comment.end()));
    const std::string photo = file("evil\x1B[2J\r\xC2\x9B.jpg", minimaljpeg({b.exif()}));
    const runresult r = runcommand({"-a", "-w", photo, at("gone\x07\xE9.jpg"), file("notjpeg\n.jpg", bytes{'x'})}, LIMIT);
    EXPECT_TRUE(contains(r.out, "==> " + at("evil\\x1B[2J\\x0D\\xC2\\x9B.jpg") + " <==\n")) << r.out;
    EXPECT_TRUE(contains(r.out, ": \\x1B]0;owned\\x07\\x0D\\x0A  Camera Model: FORGED\\x9B2J\\x7F\\\n")) << r.out;
    EXPECT_TRUE(contains(r.err, "exifkit: " + at("gone\\x07\xC3\xA9.jpg") + ": cannot open file")) << r.err;
    EXPECT_TRUE(contains(r.err, "exifkit: " + at("notjpeg\\x0A.jpg") + ": warning: ")) << r.err;
    const std::string all = r.out + r.err;  // no raw C0, DEL or UTF-8 C1 control but the line ends
    EXPECT_EQ(std::count_if(all.begin(), all.end(), [](char c) { return c != '\n' && iscntrl(static_cast<unsigned char>(c)); }), 0) << all;
    EXPECT_FALSE(contains(all, "\xC2\x9B")) << all;
    const runresult j = runcommand({"-j", "-d", photo}, LIMIT);
    EXPECT_TRUE(isjson(j.out) && startswith(j.out, R"({"file": ")" + at("evil\\u001B[2J\\r\xC2\x9B.jpg") + "\", ")) << j.out;
    EXPECT_TRUE(contains(j.out, R"(\u001B]0;owned\u0007\r\n  Camera Model: FORGED)" "\xC2\x9B" R"(2J)" "\x7F" R"(\\")")) << j.out;
    EXPECT_TRUE(contains(j.err, "Processing ")) << j.err;
}

// Many large outputs read in parallel are handed on in parts, in order.
TEST_F(Hostile, LargeOutputsOfManyFilesKeepTheirOrder)
{
    const bytes big = jpeg(std::string(23, 'x'), 300, 90), small = jpeg("Small");
    std::vector<std::string> args = {"-a", "-w"};
    for (int i = 0; i < 45; ++i)
        args.push_back(file("file" + std::to_string(100 + i) + ".jpg", i % 4 == 3 ? small : big));
    const runresult one = runcommand(args, 6 * LIMIT);
    args.insert(args.begin(), {"-P", "3"});
    const runresult three = runcommand(args, 6 * LIMIT);
    EXPECT_GT(one.out.size(), 20u << 20);
    EXPECT_TRUE(three.status == one.status && three.out == one.out && three.err == one.err);
}

}  // namespace
}  // namespace exifkit::test
