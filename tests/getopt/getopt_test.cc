// The option scanner: vectors scanned, messages, optopt and restarts.
#include "exifkit/getopt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace exifkit {
namespace {

// A mutable, null-terminated argument vector, as main receives it.
struct Argv {
    explicit Argv(std::vector<std::string> words) : words(std::move(words))
    {
        for (std::string& word : this->words)
            pointers.push_back(word.data());
        pointers.push_back(nullptr);
    }
    int next(const char* optstring) { return getopt(static_cast<int>(words.size()), pointers.data(), optstring); }
    std::vector<std::string> words;
    std::vector<char*> pointers;
};

void restart(int errors = 1)
{
    optind = 1;
    opterr = errors;
    optreset = 1;
    optarg = nullptr;
    progname = "prog";
}

TEST(Getopt, ScansVectorsNamesArgvZeroKeepsOptoptAndRestarts)
{
    struct Step { int result; const char* arg = nullptr; };
    // The words follow the program name; the steps go up to and including the -1.
    const struct { std::vector<std::string> words; const char* optstring; std::vector<Step> steps; int optind;
                   const char* messages = ""; int opterr = 1; } cases[] = {
        {{"-a", "-bfoo", "file"}, "ab:", {{'a'}, {'b', "foo"}, {-1}}, 3},
        {{"-ab", "x"}, "ab:", {{'a'}, {'b', "x"}, {-1}}, 3},            {{"-ofile", "-v"}, "o:v", {{'o', "file"}, {'v'}, {-1}}, 3},
        {{"-o", "-a"}, "o:a", {{'o', "-a"}, {-1}}, 3},                  {{"-a", "file", "-b"}, "ab", {{'a'}, {-1}}, 2},
        {{"--", "-a"}, "a", {{-1}}, 2},                                 {{"--foo", "x"}, "a", {{-1}, {-1}}, 1},
        {{"-", "-a"}, "a", {{-1}}, 1},                                  {{"-", "x"}, "-a", {{'-'}, {-1}}, 2},
        {{"-\xff", "x"}, "\xff", {{0xff}, {-1}}, 2},                    {{"-x"}, "a", {{'?'}, {-1}}, 2, "prog: illegal option -- x\n"},
        {{"-x"}, "a", {{'?'}, {-1}}, 2, "", 0},                         {{"-x"}, ":a", {{'?'}, {-1}}, 2},
        {{"-xa"}, "a", {{'?'}, {'a'}, {-1}}, 2, "prog: illegal option -- x\n"},
        {{"-:"}, "a:", {{'?'}, {-1}}, 2, "prog: illegal option -- :\n"},
        {{"-?"}, "a", {{'?'}, {-1}}, 2},
        {{"-b"}, "b:", {{'?'}, {-1}}, 2, "prog: option requires an argument -- b\n"},
        {{"-b"}, "b:", {{'?'}, {-1}}, 2, "", 0},                        {{"-b"}, ":b:", {{':'}, {-1}}, 2},
    };
    for (const auto& c : cases) {
        std::vector<std::string> words = {"prog"};
        words.insert(words.end(), c.words.begin(), c.words.end());
        Argv args(words);
        SCOPED_TRACE(testing::PrintToString(c.words) + " " + c.optstring);
        restart(c.opterr);
        testing::internal::CaptureStderr();
        for (const Step& step : c.steps) {
            EXPECT_EQ(args.next(c.optstring), step.result);
            if (step.result != -1) {
                EXPECT_STREQ(optarg, step.arg);
            }
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.messages);
        EXPECT_EQ(optind, c.optind);
    }
    for (const auto& [argv0, name] : {std::pair{"/usr/local/bin/tool", "tool"}, {"dir/", "exifkit"}, {"", "exifkit"}}) {
        Argv args({argv0, "-x"});
        if (*argv0 == '\0')
            args.pointers[0] = nullptr;
        restart();
        progname = nullptr;
        testing::internal::CaptureStderr();
        EXPECT_EQ(args.next("a"), '?');
        EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string(name) + ": illegal option -- x\n");
    }
    // optopt keeps the unknown option; optreset restarts the scan.
    restart(0);
    Argv first({"prog", "-x", "-ab"}), second({"prog", "-c", "rest"});
    EXPECT_EQ(first.next("abc"), '?');
    EXPECT_EQ(optopt, 'x');
    EXPECT_EQ(first.next("abc"), 'a');
    optind = 1;
    optreset = 1;
    EXPECT_EQ(second.next("abc"), 'c');
    EXPECT_EQ(optreset, 0);
    EXPECT_EQ(second.next("abc"), -1);
    EXPECT_EQ(optind, 2);
}

}  // namespace
}  // namespace exifkit
