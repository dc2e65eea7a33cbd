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

// A folder in the temporary folder, removed with everything in it.
struct TempDir {
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "exifkit-batch-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder");
        path = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        for (const auto& e : fs::recursive_directory_iterator(path, fs::directory_options::skip_permission_denied, ec))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path, ec);
    }
    std::string at(const std::string& rel) const { return (path / rel).string(); }
    // A JPEG file of that name whose Make is the name.
    void photo(const std::string& rel) const
    {
        fs::create_directories((path / rel).parent_path());
        writefile(at(rel), minimaljpeg({makeexif(rel)}));
    }
    fs::path path;
};

std::vector<std::string> headings(const std::string& out)
{
    std::vector<std::string> files;
    for (const std::string& line : splitlines(out))
        if (line.rfind("==> ", 0) == 0)
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
        dir.photo(name);
    fs::create_directory_symlink(dir.at("a"), dir.at("a/sub/up.jpg"));
    fs::create_symlink(dir.at("a/loop.jpg"), dir.at("a/loop.jpg"));

    const runresult r = runcommand({"-r", dir.at("")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(headings(r.out), (std::vector<std::string>{dir.at("a/Y.jfif"), dir.at("a/sub/x.jpeg"),
                                                         dir.at("a/z.jpe"), dir.at("b.JPG")}));
    EXPECT_EQ(r.err, "exifkit: " + dir.at("a/loop.jpg") + ": cannot open file: Too many levels of symbolic links\n");
    // Without -r a folder is an operand that cannot be read.
    EXPECT_TRUE(runcommand({dir.at("a")}).err.find("cannot open file: Is a directory") != std::string::npos);
}

// A folder that cannot be listed is reported like a file that cannot be
// opened, and the walk goes on. Root reads every folder, so the command is
// then run as an unprivileged user.
TEST(Batch, ReportsFoldersItCannotReadAndGoesOn)
{
    const TempDir dir;
    dir.photo("a/locked/hidden.jpg");
    dir.photo("b.jpg");
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
    EXPECT_EQ(parsejson(lines[0])["file"].str, dir.at("a/locked"));
    EXPECT_EQ(parsejson(lines[0])["result"].num, 1);
    EXPECT_EQ(parsejson(lines[1])["file"].str, dir.at("b.jpg"));
    EXPECT_EQ(parsejson(lines[1])["result"].num, 0);

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
    EXPECT_EQ(parsejson(r.out)["file"].str, "-");
    EXPECT_EQ(parsejson(r.out)["properties"].items.size(),
              parsejson(runcommand({"-j", canon}).out)["properties"].items.size());
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
