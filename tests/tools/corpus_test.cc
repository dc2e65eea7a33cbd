// Runs the command over every file of the sample corpus, damaged ones included.
// Under the sanitizer build this is the sanitizer run: a report ends the command
// with status 86 and text on standard error.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "harness.h"
#include "support/corpus.h"

namespace exifkit::test {
namespace {

namespace fs = std::filesystem;

constexpr double SECONDS_PER_FILE = 5;

TEST(CorpusRun, EveryFileGivesOneJsonLine)
{
    const fs::path root = EXIFKIT_CORPUS;
    if (!fs::is_directory(root))
        GTEST_SKIP() << "no corpus at " << root;
    const std::vector<std::string> files = corpusfiles();
    ASSERT_FALSE(files.empty());
    int delivered = 0;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const runresult r = runcommand({"-j", file}, SECONDS_PER_FILE);
        EXPECT_FALSE(r.timedout);
        EXPECT_TRUE(r.status == 0 || r.status == 1) << "exit status " << r.status;
        EXPECT_EQ(r.err, "");
        const std::vector<std::string> lines = splitlines(r.out);
        EXPECT_EQ(lines.size(), 1u) << r.out;
        if (!lines.empty()) {
            EXPECT_NO_THROW(EXPECT_EQ(parsejson(lines[0])["file"].str, file)) << lines[0];
        }
        delivered += r.status == 0;
    }
    EXPECT_GT(delivered, 0);
}

}  // namespace
}  // namespace exifkit::test
