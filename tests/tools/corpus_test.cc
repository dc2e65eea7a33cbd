// Runs the command over every file of the sample corpus, damaged ones included.
// Under the sanitizer build this is the sanitizer run: a report ends the command
// with a status other than 0 or 1 and text on standard error.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "harness.h"

namespace exifkit::test {
namespace {

namespace fs = std::filesystem;

constexpr double SECONDS_PER_FILE = 5;

std::vector<std::string> corpusfiles(const fs::path& root)
{
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// Why the run over one file failed, or empty when it went well.
std::string checkrun(const std::string& file, const runresult& r)
{
    if (r.timedout)
        return "took longer than " + std::to_string(SECONDS_PER_FILE) + " s";
    if (r.status != 0 && r.status != 1)
        return "exit status " + std::to_string(r.status) + "\n" + r.err;
    if (!r.err.empty())
        return "wrote to standard error:\n" + r.err;
    const std::vector<std::string> lines = splitlines(r.out);
    if (lines.size() != 1 || lines[0].rfind("{\"file\": ", 0) != 0)
        return "expected one JSON line, got:\n" + r.out;
    try {
        if (parsejson(lines[0])["file"].str != file)
            return "JSON names another file";
    } catch (const std::exception& e) {
        return std::string(e.what()) + "\n" + lines[0];
    }
    return "";
}

TEST(CorpusRun, EveryFileGivesOneJsonLine)
{
    const fs::path root = EXIFKIT_CORPUS;
    if (!fs::is_directory(root))
        GTEST_SKIP() << "no corpus at " << root;
    const std::vector<std::string> files = corpusfiles(root);
    ASSERT_FALSE(files.empty());
    int delivered = 0;
    for (const std::string& file : files) {
        const runresult r = runcommand({"-j", file}, SECONDS_PER_FILE);
        EXPECT_EQ(checkrun(file, r), "") << file;
        delivered += r.status == 0;
    }
    EXPECT_GT(delivered, 0);
}

}  // namespace
}  // namespace exifkit::test
