// The exifkit command, run as a separate process.
#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <regex>
#include <string>
#include <vector>

#include "harness.h"
#include "support/delivery.h"

namespace exifkit::test {
namespace {

const std::string canon = EXIFKIT_TEST_DATA "/Canon_40D.jpg";
const std::string nikon = EXIFKIT_TEST_DATA "/Nikon_D70.jpg";
const std::string missing = "/nonexistent/missing.jpg";
const std::string UNKNOWN_FORMAT =
    "Error: unknown file format (reads JPEG, TIFF and raw files, HEIF/HEIC, AVIF, CR3, PNG, WebP, JPEG XL and RAF)";

// Temporary files removed with the test: JPEG files with one APP1 segment per
// block and a 120 x 80 frame, and a text file.
class Command : public ::testing::Test {
protected:
    std::string jpeg(const std::vector<bytes>& blocks) { return files_.emplace_back(minimaljpeg(blocks, 120, 80)).path(); }
    std::string text() { return files_.emplace_back(std::string("no pictures here\n")).path(); }

private:
    std::list<TempFile> files_;
};

// Camera and image groups by default; each group heading shown when asked for.
TEST_F(Command, SelectsGroupsAndGivesUsageVersionAndHelp)
{
    const runresult r = runcommand({canon});
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(startswith(r.out, "Camera:\n  Equipment Make: Canon\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "\nImage:\n  Image Orientation: Top, Left-Hand\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "\n  Exposure Time: 1/160 sec\n")) << r.out;
    EXPECT_FALSE(contains(r.out, "==>")) << r.out;
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "ci"}, {{"-g", "o"}, "o"}, {{"-g", "ui"}, "iu"}, {{"-g", "c", "-g", "o"}, "co"}, {{"-a"}, "ciou"},
    };
    for (auto [args, shown] : cases) {
        args.push_back(canon);
        const runresult g = runcommand(args);
        EXPECT_EQ(g.status, 0);
        for (const std::string heading : {"Camera:\n", "Image:\n", "Other:\n", "Unsupported:\n"})
            EXPECT_EQ(contains(g.out, heading), shown.find(std::tolower(heading[0])) != std::string::npos) << shown << heading;
    }
    EXPECT_EQ(runcommand({"-a", jpeg({makeexif("Maker")})}).out, "Camera:\n  Equipment Make: Maker\n");
    // Usage errors, the version and help.
    const std::pair<std::vector<std::string>, std::string> usage[] = {
        {{"-x", canon}, "exifkit: illegal option -- x\n"},      {{"-g"}, "exifkit: option requires an argument -- g\n"},
        {{"-g", "cx", canon}, "exifkit: unknown group -- x\n"}, {{"-g", "", canon}, "exifkit: no group given to -g\n"},
        {{"-a", "-j"}, "exifkit: no file given\n"},
    };
    for (const auto& [args, message] : usage) {
        const runresult u = runcommand(args);
        EXPECT_EQ(u.status, 2) << message;
        EXPECT_EQ(u.out, "");
        EXPECT_EQ(u.err, message + "usage: exifkit [-j] [-J] [-t] [-g GROUPS] [-a] [-w] [-f] [-d] [-r] [-P N] [-p] [-h] [-V] FILE...\n");
    }
    EXPECT_EQ(runcommand({"-V"}).out, "exifkit " EXIFKIT_VERSION "\n");
    const runresult help = runcommand({"-h"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(startswith(help.out, "usage: exifkit ") && contains(help.out, "-g GROUPS")) << help.out;
}

TEST_F(Command, ReadsEveryFileReportsFailuresWarningsFrameSizeAndBlocks)
{
    const std::string notes = text(), plain = jpeg({});
    const runresult r = runcommand({canon, missing, notes, plain, nikon});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(startswith(r.out, "==> " + canon + " <==\nCamera:\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "\n\n==> " + nikon + " <==\nCamera:\n  Equipment Make: NIKON CORPORATION\n"));
    EXPECT_FALSE(contains(r.out, missing));
    const std::vector<std::string> errors = splitlines(r.err);
    ASSERT_EQ(errors.size(), 3u) << r.err;
    EXPECT_TRUE(startswith(errors[0], "exifkit: " + missing + ": cannot open file")) << errors[0];
    EXPECT_EQ(errors[1], "exifkit: " + notes + ": " + UNKNOWN_FORMAT);
    EXPECT_EQ(errors[2], "exifkit: " + plain + ": no Exif data");
    EXPECT_TRUE(contains(runcommand({"-w", notes}).err, "exifkit: " + notes + ": warning: doesn't appear to be a "
                                                        "JPEG file; searching for start of image\n"));
    EXPECT_FALSE(contains(runcommand({notes}).err, "warning"));
    TiffBuilder b;  // a Make of type SHORT draws a field type mismatch warning
    const std::string mismatch = jpeg({b.shorts(b.dir(), 0x010F, {7}).exif()});
    EXPECT_EQ(runcommand({"-w", mismatch}).err, "exifkit: " + mismatch + ": warning: field type mismatch (Make)\n");
    EXPECT_TRUE(contains(runcommand({"-j", mismatch}).out, R"("warnings": [["field type mismatch", "Make"]])"));
    EXPECT_EQ(runcommand({"-f", "-g", "c", jpeg({makeexif("M")})}).out,
              "Frame: 120 x 80, 3 components, 8-bit\nCamera:\n  Equipment Make: M\n");
    // Each Exif block of a file has a heading of its own.
    TiffBuilder first;
    first.ascii(first.dir(), 0x010F, "First").ascii(0, 0x0110, "One");
    EXPECT_EQ(runcommand({jpeg({first.exif(), makeexif("Second")})}).out,
              "Camera:\n  Equipment Make: First\n  Camera Model: One\nCamera:\n  Equipment Make: Second\n");
}

// The group levels of a line's properties ([level, "name", "value"]) in delivery order: camera, image, other,
// unsupported.
bool indeliveryorder(const std::string& line)
{
    const std::string levels[] = {"2", "4", "8", "1"};
    const std::regex property(R"((\[|\], )\[(-?[0-9]+), ")");
    std::vector<long> ranks;
    const std::sregex_iterator end, first(line.begin() + line.find("\"properties\": "), line.end(), property);
    for (auto p = first; p != end; ++p)
        ranks.push_back(std::find(std::begin(levels), std::end(levels), p->str(2)) - std::begin(levels));
    return !ranks.empty() && std::is_sorted(ranks.begin(), ranks.end()) && ranks.back() < 4;
}

TEST_F(Command, JsonCarriesOneLinePerFileWithEverything)
{
    const std::string notes = text(), plain = jpeg({});
    const runresult r = runcommand({"-j", "-g", "c", canon, missing, notes, plain});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> texts = splitlines(r.out);
    ASSERT_EQ(texts.size(), 4u) << r.out;
    for (const std::string& line : texts)
        EXPECT_TRUE(isjson(line)) << line;
    EXPECT_TRUE(startswith(texts[0], R"({"file": ")" + canon + R"(", "result": 0, "error": null, "warnings": [], )"
                                     R"("frame": {"precision": 8, "components": 3, "height": 68, "width": 100}, )"
                                     R"("properties": [[2, "Equipment Make", "Canon"], )")) << texts[0];
    EXPECT_TRUE(contains(texts[0], R"([4, "Exposure Time", "1/160 sec"])")) << "-j ignores -g";
    EXPECT_TRUE(contains(texts[0], R"([8, "Exif Version", "2.21"])"));
    EXPECT_TRUE(indeliveryorder(texts[0]));
    EXPECT_EQ(texts[1], R"({"file": ")" + missing +
                            R"(", "result": 1, "error": "cannot open file: No such file or directory", )"
                            R"("warnings": [], "frame": null, "properties": []})");
    EXPECT_EQ(texts[2], R"({"file": ")" + notes + R"(", "result": 2, "error": ")" + UNKNOWN_FORMAT + R"(", )"
                        R"("warnings": [["doesn't appear to be a JPEG file; searching for start of image", null]], )"
                        R"("frame": null, "properties": []})");
    EXPECT_EQ(texts[3], R"({"file": ")" + plain + R"(", "result": 2, "error": null, "warnings": [], )"
                        R"("frame": {"precision": 8, "components": 3, "height": 80, "width": 120}, "properties": []})");
}

TEST_F(Command, WritesLatin1TextsAsUtf8AndEscapesJson)
{
    TiffBuilder b(ORDER_BIG);  // a Make, an Artist and a GPS latitude
    const int ifd0 = b.dir(), dir = b.dir();
    b.ascii(ifd0, 0x010F, "Testmaker").ascii(ifd0, 0x013B, "say \"cheese\" C:\\dir \x80\xB0\xE9\xFF").pointer(ifd0, 0x8825, dir);
    b.ascii(dir, 0x0001, "N").rationals(dir, 0x0002, {{43, 1}, {28, 1}, {281400000, 100000000}});
    const std::string gps = jpeg({b.exif()});
    const runresult r = runcommand({"-g", "ci", gps});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(contains(r.out, "  Photographer: say \"cheese\" C:\\dir \\x80\xC2\xB0\xC3\xA9\xC3\xBF\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "  Latitude: N 43\xC2\xB0 28' 2.81400000\n")) << r.out;
    const runresult j = runcommand({"-j", gps});
    EXPECT_TRUE(contains(j.out, R"("say \"cheese\" C:\\dir )" "\xC2\x80\xC2\xB0\xC3\xA9\xC3\xBF\"")) << j.out;
    EXPECT_TRUE(isjson(j.out) && splitlines(j.out).size() == 1 && indeliveryorder(j.out)) << j.out;
    EXPECT_TRUE(contains(j.out, "[4, \"Latitude\", \"N 43\xC2\xB0 28' 2.81400000\"]")) << j.out;
}

// Every file of the sample corpus, damaged ones included: under the sanitizer
// build a report ends the command with status 86 and text on standard error.
TEST(CorpusRun, EveryFileGivesOneJsonLine)
{
    const std::vector<std::string> files = corpusfiles();
    if (files.empty())
        GTEST_SKIP() << "no corpus at " << EXIFKIT_CORPUS;
    int delivered = 0;
    for (const std::string& file : files) {
        const runresult r = runcommand({"-j", file}, 5);
        EXPECT_TRUE(!r.timedout && (r.status == 0 || r.status == 1) && r.err.empty()) << file << ": " << r.status;
        const std::vector<std::string> lines = splitlines(r.out);
        ASSERT_EQ(lines.size(), 1u) << file << r.out;
        EXPECT_TRUE(isjson(lines[0]) && startswith(lines[0], R"({"file": ")" + file + R"(", "result": )")) << lines[0];
        delivered += r.status == 0;
    }
    EXPECT_GT(delivered, 0);
}

}  // namespace
}  // namespace exifkit::test
