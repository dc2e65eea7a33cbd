// The command on hostile files and odd operands: what it prints must be safe
// on a terminal, its memory and time bounded, and each failure classed with
// the system's reason. Every run has a time limit, so that a read that blocks
// or never ends fails the test instead of hanging it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <list>
#include <stdexcept>
#include <string>
#include <vector>

#include "harness.h"
#include "support/exifbuilder.h"

namespace exifkit::test {
namespace {

namespace fs = std::filesystem;

// Seconds: a sound run takes a fraction of one, under the sanitizers too;
// a run that would block or never end is stopped sooner.
constexpr double LIMIT = 30;
constexpr double HANG_LIMIT = 5;

const std::string canon = EXIFKIT_TEST_DATA "/Canon_40D.jpg";

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A Make and, in the Exif directory, a UserComment in ASCII.
bytes commentexif(const std::string& make, const std::string& comment)
{
    TiffBuilder b;
    const int ifd0 = b.dir(), exif = b.dir();
    b.ascii(ifd0, 0x010F, make).pointer(ifd0, 0x8769, exif);
    const std::string field = std::string("ASCII\0\0\0", 8) + comment;
    b.undefined(exif, 0x9286, bytes(field.begin(), field.end()));
    return b.exif();
}

// An IFD0 of `entries` texts of `size` bytes each, one copy shared by all.
bytes textsexif(int entries, std::uint32_t size)
{
    TiffBuilder b;
    const int ifd0 = b.dir();
    const bytes text(size, 'x');
    b.add(ifd0, 0x010E, 2, size, text);
    const std::uint32_t at = b.diroffset(ifd0) + 2 + 12 * static_cast<std::uint32_t>(entries) + 4;
    for (int i = 1; i < entries; i++)
        b.raw(ifd0, 0x010E, 2, size, at);
    return b.exif();
}

bytes makeexif(const std::string& make)
{
    TiffBuilder b;
    b.ascii(b.dir(), 0x010F, make);
    return b.exif();
}

// The JPEG file with `copies` copies of the block.
bytes repeated(const bytes& block, int copies)
{
    return minimaljpeg(std::vector<bytes>(static_cast<std::size_t>(copies), block));
}

// The bytes cut `from_end` bytes before the end of the n-th APP1 segment (0 first).
bytes cutinside(const bytes& jpeg, int n, std::size_t from_end)
{
    std::size_t at = 2;
    for (;;) {
        const std::size_t length = static_cast<std::size_t>(jpeg.at(at + 2)) << 8 | jpeg.at(at + 3);
        if (jpeg.at(at + 1) == 0xE1 && n-- == 0)
            return bytes(jpeg.begin(), jpeg.begin() + static_cast<long>(at + 2 + length - from_end));
        at += 2 + length;
    }
}

// Files and folders in a temporary folder, removed with it.
class Hostile : public ::testing::Test {
protected:
    Hostile()
    {
        std::string pattern = (fs::temp_directory_path() / "exifkit-hostile-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder");
        dir_ = pattern;
    }
    ~Hostile() override
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    std::string at(const std::string& rel) const { return (dir_ / rel).string(); }
    std::string file(const std::string& rel, const bytes& data) const
    {
        fs::create_directories((dir_ / rel).parent_path());
        writefile(at(rel), data);
        return at(rel);
    }
    std::string fifo(const std::string& rel) const
    {
        if (mkfifo(at(rel).c_str(), 0600) != 0)
            throw std::runtime_error("cannot make a FIFO");
        return at(rel);
    }

private:
    fs::path dir_;
};

// One run of the command and what it must give: the exit status, the line
// "exifkit: FILE: message" on standard error (FILE the last argument), a part
// of standard output, and the result and error of the same run with -j.
struct expectation {
    const char* what;
    std::vector<std::string> args;
    const char* input;  // standard input
    int status;
    std::string message, out;
    int jsonresult;
    std::string jsonerror;  // empty for null
};

void check(const expectation& e)
{
    SCOPED_TRACE(e.what);
    const runresult text = runcommand(e.args, HANG_LIMIT, e.input);
    ASSERT_FALSE(text.timedout);
    EXPECT_EQ(text.status, e.status);
    EXPECT_TRUE(contains(text.err, "exifkit: " + e.args.back() + ": " + e.message + "\n")) << text.err;
    EXPECT_TRUE(contains(text.out, e.out)) << text.out;

    std::vector<std::string> args = {"-j"};
    args.insert(args.end(), e.args.begin(), e.args.end());
    const runresult asjson = runcommand(args, HANG_LIMIT, e.input);
    ASSERT_FALSE(asjson.timedout);
    EXPECT_EQ(asjson.status, e.status);
    const std::vector<std::string> lines = splitlines(asjson.out);
    ASSERT_FALSE(lines.empty()) << asjson.err;
    const json last = parsejson(lines.back());
    EXPECT_EQ(last["result"].num, e.jsonresult);
    if (e.jsonerror.empty())
        EXPECT_EQ(last["error"].type, json::null);
    else
        EXPECT_EQ(last["error"].str, e.jsonerror);
}

TEST_F(Hostile, EachFileAndOperandHasItsClassAndReason)
{
    const bytes two = minimaljpeg({makeexif("First"), makeexif("Second")});
    const std::string dir = at("folder.jpg");
    fs::create_directory(dir);
    const std::string cut1 = file("cut1.jpg", cutinside(two, 0, 4)), cut2 = file("cut2.jpg", cutinside(two, 1, 4));
    const std::string blocks = file("blocks.jpg", repeated(makeexif("Again"), 1000));
    const std::string props = file("props.jpg", repeated(textsexif(300, 8), 100));
    const std::string text = file("text.jpg", repeated(textsexif(30, 2000), 20));
    const std::string isdir = "cannot open file: Is a directory",
                      missing = "cannot open file: No such file or directory", nosoi = "Error: start of image not found", cut = "warning: file ends inside the Exif block",
                      manyblocks = "warning: too many Exif blocks; ignoring the rest",
                      manyprops = "warning: too many properties; ignoring the rest",
                      muchtext = "warning: too much text in the file; ignoring the rest";
    const expectation table[] = {
        // what                        args                 stdin        status message     stdout    -j: result, error
        {"a folder without -r",        {dir},               "/dev/null", 1,     isdir,      "",       1, isdir},
        {"a folder as standard input", {"-"},               "/tmp",      1,     isdir,      "",       1, isdir},
        {"a missing file",             {at("missing.jpg")}, "/dev/null", 1,     missing,    "",       1, missing},
        {"an endless device",          {"/dev/zero"},       "/dev/null", 1,     nosoi,      "",       2, nosoi},
        {"endless standard input",     {"-"},               "/dev/zero", 1,     nosoi,      "",       2, nosoi},
        {"cut in its only Exif block", {"-w", cut1},        "/dev/null", 1,     cut,        "",       2, ""},
        {"cut in its second block",    {"-w", cut2},        "/dev/null", 1,     cut,        "First",  3, ""},
        {"1,000 Exif blocks",          {"-w", blocks},      "/dev/null", 0,     manyblocks, "Again",  0, ""},
        {"too many properties",        {"-w", "-a", props}, "/dev/null", 0,     manyprops,  "",       0, ""},
        {"too much text",              {"-w", "-a", text},  "/dev/null", 0,     muchtext,   "",       0, ""},
    };
    for (const expectation& e : table)
        check(e);
}

TEST_F(Hostile, ClosedStandardInputIsReportedWithItsReason)
{
    const runresult r = runprogram("/bin/sh", {"-c", "exec \"$0\" - <&-", EXIFKIT_COMMAND}, HANG_LIMIT);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "exifkit: -: cannot open file: Bad file descriptor\n");
}

TEST_F(Hostile, ControlCharactersAreShownAsEscapes)
{
    const std::string comment = "\x1B]0;owned\x07\r\n  Camera Model: FORGED\x9B" "2J\x7F\\";
    const std::string photo = file("comment.jpg", minimaljpeg({commentexif("Maker", comment)}));
    const runresult r = runcommand({"-a", photo}, LIMIT);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(contains(r.out, ": \\x1B]0;owned\\x07\\x0D\\x0A  Camera Model: FORGED\\x9B2J\\x7F\\\n")) << r.out;
    for (char c : r.out)
        EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << "raw control " << int(c);
    EXPECT_FALSE(contains(r.out, "\xC2\x9B"));

    const runresult j = runcommand({"-j", photo}, LIMIT);
    EXPECT_TRUE(contains(j.out, R"(\u001B]0;owned\u0007\r\n  Camera Model: FORGED)" "\xC2\x9B" R"(2J)" "\x7F" R"(\\")"))
        << j.out;
}

TEST_F(Hostile, FileNamesAreShownWithTheirControlCharactersEscaped)
{
    const std::string evil = file("evil\x1B[2J\r\xC2\x9B.jpg", minimaljpeg({makeexif("Maker")}));
    const std::string shown = at("evil\\x1B[2J\\x0D\\xC2\\x9B.jpg");
    const std::string missing = at("gone\x07\xE9.jpg");
    const runresult r = runcommand({"-w", evil, missing, file("notjpeg\n.jpg", bytes{'x'})}, LIMIT);
    EXPECT_TRUE(contains(r.out, "==> " + shown + " <==\n")) << r.out;
    EXPECT_TRUE(contains(r.err, "exifkit: " + at("gone\\x07\xC3\xA9.jpg") + ": cannot open file")) << r.err;
    EXPECT_TRUE(contains(r.err, "exifkit: " + at("notjpeg\\x0A.jpg") + ": warning: ")) << r.err;
    for (const std::string& text : {r.out, r.err})
        EXPECT_EQ(std::count_if(text.begin(), text.end(), [](char c) { return c != '\n' && iscntrl(c); }), 0) << text;
}

// A FIFO or a link to an endless device in a walk would block the read or
// never end it: each is reported in its place and the walk goes on.
TEST_F(Hostile, AWalkSkipsWhatIsNotARegularFile)
{
    file("tree/a.jpg", minimaljpeg({makeexif("A")}));
    fifo("tree/b.jpg");
    fs::create_symlink("/dev/zero", at("tree/c.jpg"));
    fs::create_symlink(canon, at("tree/d.jpg"));
    file("tree/sub/e.jpg", minimaljpeg({makeexif("E")}));
    fifo("tree/sub/f.txt");
    for (const char* workers : {"1", "2"}) {
        SCOPED_TRACE(workers);
        const runresult r = runcommand({"-r", "-w", "-g", "c", "-P", workers, at("tree")}, HANG_LIMIT);
        ASSERT_FALSE(r.timedout);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "exifkit: " + at("tree/b.jpg") + ": not a regular file\n" + "exifkit: " + at("tree/c.jpg") +
                             ": not a regular file\n" +
                             "exifkit: 3 files read, 3 with Exif data, 2 refused, 0 warnings\n");
        EXPECT_EQ(r.out, "==> " + at("tree/a.jpg") + " <==\nCamera:\n  Equipment Make: A\n\n==> " + at("tree/d.jpg") +
                             " <==\nCamera:\n  Equipment Make: Canon\n  Camera Model: Canon EOS 40D\n"
                             "  Camera Software: GIMP 2.4.5\n\n==> " +
                             at("tree/sub/e.jpg") + " <==\nCamera:\n  Equipment Make: E\n");
        const runresult j = runcommand({"-r", "-j", "-P", workers, at("tree")}, HANG_LIMIT);
        ASSERT_FALSE(j.timedout);
        const std::vector<std::string> lines = splitlines(j.out);
        ASSERT_EQ(lines.size(), 5u) << j.out;
        EXPECT_EQ(parsejson(lines[1])["error"].str, "not a regular file");
        EXPECT_EQ(parsejson(lines[2])["result"].num, 1);
    }
}

// Given by name, a FIFO is read as a stream, as standard input is.
TEST_F(Hostile, AFifoOperandIsReadAsAStream)
{
    const std::string pipe = fifo("pipe.jpg");
    const bytes photo = minimaljpeg({makeexif("Piped")});
    const std::string source = file("photo.jpg", photo);
    const runresult r = runprogram("/bin/sh", {"-c", "cat \"$1\" > \"$2\" & exec \"$0\" \"$2\"", EXIFKIT_COMMAND,
                                               source, pipe},
                                   LIMIT);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Camera:\n  Equipment Make: Piped\n");
}

TEST_F(Hostile, TraceLinesOfJsonGoToStandardError)
{
    const runresult r = runcommand({"-j", "-d", canon}, LIMIT);
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(splitlines(r.out).size(), 1u) << r.out;
    EXPECT_EQ(parsejson(r.out)["file"].str, canon);
    EXPECT_TRUE(contains(r.err, "Processing ")) << r.err;
    EXPECT_TRUE(contains(runcommand({"-d", canon}, LIMIT).out, "Processing "));
}

// Many large outputs read in parallel are handed on in parts, in order.
TEST_F(Hostile, LargeOutputsOfManyFilesKeepTheirOrder)
{
    const bytes big = repeated(textsexif(300, 20), 90), small = minimaljpeg({makeexif("Small")});
    std::vector<std::string> args = {"-a", "-w"};
    for (int i = 0; i < 45; ++i)
        args.push_back(file("file" + std::to_string(100 + i) + ".jpg", i % 3 == 2 ? small : big));
    const runresult one = runcommand(args, LIMIT);
    args.insert(args.begin(), {"-P", "3"});
    const runresult three = runcommand(args, LIMIT);
    EXPECT_GT(one.out.size(), 20u << 20);
    EXPECT_EQ(three.status, one.status);
    EXPECT_TRUE(three.out == one.out);
    EXPECT_EQ(three.err, one.err);
}

}  // namespace
}  // namespace exifkit::test
