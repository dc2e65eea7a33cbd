// The command on many files: directory walks, standard input, worker threads,
// progress and the summary.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "harness.h"
#include "support/delivery.h"

namespace exifkit::test {
namespace {

namespace fs = std::filesystem;

const std::string canon = EXIFKIT_TEST_DATA "/Canon_40D.jpg";

// A JPEG file of that name whose Make is the name.
void photo(const TempDir& dir, const std::string& rel) { dir.file(rel, minimaljpeg({makeexif(rel)})); }

std::vector<std::string> headings(const std::string& out)
{
    std::vector<std::string> files;
    for (const std::string& line : splitlines(out))
        if (startswith(line, "==> "))
            files.push_back(line.substr(4, line.size() - 8));
    return files;
}

// JPEG files by name in any case, sorted, in every sub-folder; other files,
// links to folders and the cycle they could make are left alone; a link to
// nothing that bears a JPEG name is read and reported.
TEST(Batch, WalksFoldersInSortedOrder)
{
    const TempDir dir;
    for (const char* name : {"b.JPG", "a/z.jpe", "a/Y.jfif", "a/sub/x.jpeg", "c.jpg.txt", "a/notes.txt"})
        photo(dir, name);
    fs::create_directory_symlink(dir.at("a"), dir.at("a/sub/up.jpg"));
    fs::create_symlink(dir.at("a/loop.jpg"), dir.at("a/loop.jpg"));

    const runresult r = runcommand({"-r", dir.at("")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(headings(r.out), (std::vector<std::string>{dir.at("a/Y.jfif"), dir.at("a/sub/x.jpeg"),
                                                         dir.at("a/z.jpe"), dir.at("b.JPG")}));
    EXPECT_EQ(r.err, "exifkit: " + dir.at("a/loop.jpg") + ": cannot open file: Too many levels of symbolic links\n");
    // Without -r a folder is an operand that cannot be read.
    EXPECT_TRUE(contains(runcommand({dir.at("a")}).err, "cannot open file: Is a directory"));
}

// A folder that cannot be listed is reported like a file that cannot be
// opened, and the walk goes on. Root reads every folder, so the command is
// then run as an unprivileged user.
TEST(Batch, ReportsFoldersItCannotReadAndGoesOn)
{
    const TempDir dir;
    photo(dir, "a/locked/hidden.jpg");
    photo(dir, "b.jpg");
    for (const char* open : {"", "a", "b.jpg"})
        fs::permissions(dir.at(open), fs::perms::all & ~fs::perms::others_write & ~fs::perms::group_write);
    fs::permissions(dir.at("a/locked"), fs::perms::none);

    std::vector<std::string> args = {"-r", "-j", dir.at("")};
    if (geteuid() == 0)
        args.insert(args.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups", EXIFKIT_COMMAND});
    const runresult r = geteuid() == 0 ? runprogram("/usr/bin/setpriv", args) : runcommand(args);
    EXPECT_EQ(r.status, 1);
    const std::vector<std::string> lines = splitlines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out << r.err;
    EXPECT_TRUE(isjson(lines[0]) && startswith(lines[0], R"({"file": ")" + dir.at("a/locked") + R"(", "result": 1, )")) << lines[0];
    EXPECT_TRUE(isjson(lines[1]) && startswith(lines[1], R"({"file": ")" + dir.at("b.jpg") + R"(", "result": 0, )")) << lines[1];

    args.erase(std::find(args.begin(), args.end(), "-j"));
    args.insert(args.end() - 1, "-w");
    const runresult text = geteuid() == 0 ? runprogram("/usr/bin/setpriv", args) : runcommand(args);
    EXPECT_EQ(text.err, "exifkit: " + dir.at("a/locked") + ": cannot open directory: Permission denied\n"
                        "exifkit: 1 files read, 1 with Exif data, 1 refused, 0 warnings\n");
}

TEST(Batch, ReadsStandardInput)
{
    const runresult r = runcommand({"-j", "-"}, 30, canon.c_str());
    EXPECT_EQ(r.status, 0);
    std::string named = runcommand({"-j", canon}).out;
    EXPECT_EQ(r.out, named.replace(named.find(canon), canon.size(), "-"));
}

// Whatever the number of threads, the output is that of one, byte for byte;
// progress is drawn only on a terminal.
TEST(Batch, ThreadsKeepTheOutputOfOne)
{
    const std::string corpus = EXIFKIT_CORPUS;
    if (!fs::is_directory(corpus))
        GTEST_SKIP() << "no corpus at " << corpus;
    for (const std::vector<std::string>& mode : {std::vector<std::string>{"-j"}, {"-a", "-w", "-f"}}) {
        std::vector<std::string> one = mode, four = mode;
        one.insert(one.end(), {"-P", "1", "-r", corpus, canon});
        four.insert(four.end(), {"-P", "4", "-p", "-r", corpus, canon});
        const runresult serial = runcommand(one, 300), parallel = runcommand(four, 300);
        EXPECT_EQ(parallel.status, serial.status);
        EXPECT_EQ(parallel.out, serial.out);
        EXPECT_EQ(parallel.err, serial.err);
        EXPECT_GT(serial.out.size(), 100000u);
    }
}

TEST(Batch, SummarisesRunsOfSeveralFilesWithWarnings)
{
    const TempFile plain(minimaljpeg({}));
    const runresult r = runcommand({"-w", canon, plain.path(), "/nonexistent.jpg"});
    const std::string summary = splitlines(r.err).back();
    EXPECT_EQ(summary.rfind("exifkit: 2 files read, 1 with Exif data, 1 refused, ", 0), 0u) << summary;
    EXPECT_EQ(runcommand({"-w", canon}).err, "");
    for (const char* count : {"0", "x", "2x", "100000"}) {
        const runresult bad = runcommand({"-P", count, canon});
        EXPECT_EQ(bad.status, 2);
        EXPECT_EQ(splitlines(bad.err).at(0), std::string("exifkit: invalid thread count -- ") + count);
    }
}

}  // namespace
}  // namespace exifkit::test
