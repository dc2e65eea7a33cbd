#include "exifkit/getopt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace exifkit {
namespace {

// A mutable argument vector ending in a null pointer, as main receives it.
class Argv {
public:
    explicit Argv(const std::vector<const char*>& words)
    {
        for (const char* word : words)
            words_.emplace_back(word);
        for (std::string& word : words_)
            pointers_.push_back(word.data());
        pointers_.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(words_.size()); }
    char* const* argv() const { return pointers_.data(); }

private:
    std::vector<std::string> words_;
    std::vector<char*> pointers_;
};

class GetoptTest : public testing::Test {
protected:
    void SetUp() override
    {
        optind = 1;
        opterr = 1;
        optopt = 0;
        optreset = 1;
        optarg = nullptr;
        progname = "prog";
    }
    void TearDown() override { progname = nullptr; }
};

struct Step {
    int result;
    const char* arg;  // expected optarg, null for none
};

struct Case {
    const char* name;
    std::vector<const char*> words;
    const char* optstring;
    std::vector<Step> steps;  // up to and including the -1
    int optind;
    const char* messages;
    int opterr = 1;
};

TEST_F(GetoptTest, Vectors)
{
    const std::vector<Case> cases = {
        {"attached argument", {"prog", "-a", "-bfoo", "file"}, "ab:",
         {{'a', nullptr}, {'b', "foo"}, {-1, nullptr}}, 3, ""},
        {"detached argument after group", {"prog", "-ab", "x"}, "ab:",
         {{'a', nullptr}, {'b', "x"}, {-1, nullptr}}, 3, ""},
        {"group", {"prog", "-abc", "file"}, "abc",
         {{'a', nullptr}, {'b', nullptr}, {'c', nullptr}, {-1, nullptr}}, 2, ""},
        {"argument that looks like an option", {"prog", "-o", "-a"}, "o:a",
         {{'o', "-a"}, {-1, nullptr}}, 3, ""},
        {"no options", {"prog"}, "a", {{-1, nullptr}}, 1, ""},
        {"operand ends the scan", {"prog", "-a", "file", "-b"}, "ab",
         {{'a', nullptr}, {-1, nullptr}}, 2, ""},
        {"double hyphen", {"prog", "--", "-a"}, "a", {{-1, nullptr}}, 2, ""},
        {"double hyphen after option", {"prog", "-a", "--", "-b"}, "ab",
         {{'a', nullptr}, {-1, nullptr}}, 3, ""},
        {"long word is an operand", {"prog", "--foo", "x"}, "a",
         {{-1, nullptr}, {-1, nullptr}}, 1, ""},
        {"lone hyphen", {"prog", "-", "-a"}, "a", {{-1, nullptr}}, 1, ""},
        {"hyphen as option", {"prog", "-", "x"}, "-a", {{'-', nullptr}, {-1, nullptr}}, 2, ""},
        {"unknown option", {"prog", "-x"}, "a", {{'?', nullptr}, {-1, nullptr}}, 2,
         "prog: illegal option -- x\n"},
        {"unknown option quiet", {"prog", "-x"}, "a", {{'?', nullptr}, {-1, nullptr}}, 2, "", 0},
        {"unknown option silent", {"prog", "-x"}, ":a", {{'?', nullptr}, {-1, nullptr}}, 2, ""},
        {"unknown option inside group", {"prog", "-xa"}, "a",
         {{'?', nullptr}, {'a', nullptr}, {-1, nullptr}}, 2, "prog: illegal option -- x\n"},
        {"colon is never an option", {"prog", "-:"}, "a:", {{'?', nullptr}, {-1, nullptr}}, 2,
         "prog: illegal option -- :\n"},
        {"question mark is reported quietly", {"prog", "-?"}, "a",
         {{'?', nullptr}, {-1, nullptr}}, 2, ""},
        {"missing argument", {"prog", "-b"}, "b:", {{'?', nullptr}, {-1, nullptr}}, 2,
         "prog: option requires an argument -- b\n"},
        {"missing argument quiet", {"prog", "-b"}, "b:", {{'?', nullptr}, {-1, nullptr}}, 2, "", 0},
        {"missing argument silent", {"prog", "-b"}, ":b:", {{':', nullptr}, {-1, nullptr}}, 2, ""},
        {"high byte is not the end", {"prog", "-\xff", "x"}, "\xff",
         {{0xff, nullptr}, {-1, nullptr}}, 2, ""},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        opterr = c.opterr;
        Argv args(c.words);
        testing::internal::CaptureStderr();
        for (const Step& step : c.steps) {
            EXPECT_EQ(getopt(args.argc(), args.argv(), c.optstring), step.result);
            if (step.result == -1)
                continue;
            if (step.arg == nullptr)
                EXPECT_EQ(optarg, nullptr);
            else
                EXPECT_STREQ(optarg, step.arg);
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.messages);
        EXPECT_EQ(optind, c.optind);
    }
}

TEST_F(GetoptTest, OptoptHoldsTheCharacterExamined)
{
    Argv args({"prog", "-x", "-b"});
    opterr = 0;
    EXPECT_EQ(getopt(args.argc(), args.argv(), "b:"), '?');
    EXPECT_EQ(optopt, 'x');
    EXPECT_EQ(getopt(args.argc(), args.argv(), "b:"), '?');
    EXPECT_EQ(optopt, 'b');
}

TEST_F(GetoptTest, OptargIsClearedByAnOptionWithoutArgument)
{
    Argv args({"prog", "-ofile", "-v"});
    EXPECT_EQ(getopt(args.argc(), args.argv(), "o:v"), 'o');
    EXPECT_STREQ(optarg, "file");
    EXPECT_EQ(getopt(args.argc(), args.argv(), "o:v"), 'v');
    EXPECT_EQ(optarg, nullptr);
}

TEST_F(GetoptTest, ProgramNameFallsBackToArgvZero)
{
    struct NameCase {
        const char* argv0;
        const char* expected;
    };
    for (const NameCase& c : {NameCase{"/usr/local/bin/tool", "tool: illegal option -- x\n"},
                              NameCase{"tool", "tool: illegal option -- x\n"},
                              NameCase{"dir/", "exifkit: illegal option -- x\n"},
                              NameCase{nullptr, "exifkit: illegal option -- x\n"}}) {
        SCOPED_TRACE(c.argv0 ? c.argv0 : "(null)");
        SetUp();
        progname = nullptr;
        char option[] = "-x";
        std::string argv0 = c.argv0 ? c.argv0 : "";
        char* argv[] = {c.argv0 ? argv0.data() : nullptr, option, nullptr};
        testing::internal::CaptureStderr();
        EXPECT_EQ(getopt(2, argv, "a"), '?');
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.expected);
    }
}

TEST_F(GetoptTest, OptresetRestartsOnANewVector)
{
    Argv first({"prog", "-ab"});
    EXPECT_EQ(getopt(first.argc(), first.argv(), "abc"), 'a');

    Argv second({"prog", "-c", "rest"});
    optind = 1;
    optreset = 1;
    EXPECT_EQ(getopt(second.argc(), second.argv(), "abc"), 'c');
    EXPECT_EQ(optreset, 0);
    EXPECT_EQ(getopt(second.argc(), second.argv(), "abc"), -1);
    EXPECT_EQ(optind, 2);
}

}  // namespace
}  // namespace exifkit
