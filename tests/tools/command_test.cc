// The exifkit command, run as a separate process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"
#include "support/exifbuilder.h"
#include "support/jpegfile.h"

namespace exifkit::test {
namespace {

const std::string canon = EXIFKIT_TEST_DATA "/Canon_40D.jpg";
const std::string nikon = EXIFKIT_TEST_DATA "/Nikon_D70.jpg";
const std::string usage = "usage: exifkit ";

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// An Exif block with a Make, an Artist and a GPS latitude.
bytes gpsexif(const std::string& artist)
{
    TiffBuilder b(ORDER_BIG);
    const int ifd0 = b.dir(), gps = b.dir();
    b.ascii(ifd0, 0x010F, "Testmaker").ascii(ifd0, 0x013B, artist).pointer(ifd0, 0x8825, gps);
    b.ascii(gps, 0x0001, "N").rationals(gps, 0x0002, {{43, 1}, {28, 1}, {281400000, 100000000}});
    return b.exif();
}

bytes makeexif(const std::string& make)
{
    TiffBuilder b;
    b.ascii(b.dir(), 0x010F, make);
    return b.exif();
}

class Command : public ::testing::Test {
protected:
    std::string jpeg(const std::string& name, const std::vector<bytes>& blocks)
    {
        const std::string path = dir.file(name);
        writefile(path, minimaljpeg(blocks, 120, 80));
        return path;
    }
    scratchdir dir;
};

TEST_F(Command, PrintsCameraAndImageGroupsByDefault)
{
    const runresult r = runcommand({canon});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("Camera:\n  Equipment Make: Canon\n", 0), 0u) << r.out;
    EXPECT_TRUE(contains(r.out, "\nImage:\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "\n  Exposure Time: 1/160 sec\n")) << r.out;
    EXPECT_FALSE(contains(r.out, "Other:")) << r.out;
    EXPECT_FALSE(contains(r.out, "==>")) << r.out;
}

TEST_F(Command, SelectsGroups)
{
    struct groupcase {
        std::vector<std::string> args;
        std::vector<std::string> shown, hidden;
    };
    const groupcase cases[] = {
        {{"-g", "o"}, {"Other:"}, {"Camera:", "Image:", "Unsupported:"}},
        {{"-g", "ui"}, {"Image:", "Unsupported:"}, {"Camera:", "Other:"}},
        {{"-g", "c", "-g", "o"}, {"Camera:", "Other:"}, {"Image:", "Unsupported:"}},
        {{"-a"}, {"Camera:", "Image:", "Other:", "Unsupported:"}, {}},
    };
    for (const groupcase& c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back(canon);
        const runresult r = runcommand(args);
        EXPECT_EQ(r.status, 0) << c.args[0];
        for (const std::string& h : c.shown)
            EXPECT_TRUE(contains(r.out, h + "\n")) << c.args[0] << " " << h;
        for (const std::string& h : c.hidden)
            EXPECT_FALSE(contains(r.out, h)) << c.args[0] << " " << h;
    }
}

TEST_F(Command, LeavesOutEmptyGroups)
{
    const runresult r = runcommand({"-a", jpeg("make.jpg", {makeexif("Maker")})});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Camera:\n  Equipment Make: Maker\n");
}

TEST_F(Command, RejectsBadUsageWithStatusTwo)
{
    struct usagecase {
        std::vector<std::string> args;
        std::string message;
    };
    const usagecase cases[] = {
        {{"-x", canon}, "exifkit: illegal option -- x\n"},
        {{"-g"}, "exifkit: option requires an argument -- g\n"},
        {{"-g", "cx", canon}, "exifkit: unknown group -- x\n"},
        {{"-g", "", canon}, "exifkit: no group given to -g\n"},
        {{}, "exifkit: no file given\n"},
        {{"-a", "-j"}, "exifkit: no file given\n"},
    };
    for (const usagecase& c : cases) {
        const runresult r = runcommand(c.args);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
        EXPECT_TRUE(contains(r.err, "\n" + usage)) << r.err;
    }
}

TEST_F(Command, PrintsVersionAndHelp)
{
    const runresult version = runcommand({"-V"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "exifkit " EXIFKIT_VERSION "\n");

    const runresult help = runcommand({"-h"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.out.rfind(usage, 0), 0u) << help.out;
    EXPECT_TRUE(contains(help.out, "-g GROUPS")) << help.out;
}

TEST_F(Command, ReadsEveryFileAndReportsTheOnesThatFail)
{
    const std::string missing = dir.file("missing.jpg");
    const std::string text = dir.write("notes.txt", "no pictures here\n");
    const std::string plain = jpeg("plain.jpg", {});
    const runresult r = runcommand({canon, missing, text, plain, nikon});
    EXPECT_EQ(r.status, 1);

    EXPECT_EQ(r.out.rfind("==> " + canon + " <==\nCamera:\n", 0), 0u) << r.out;
    EXPECT_TRUE(contains(r.out, "\n\n==> " + nikon + " <==\nCamera:\n  Equipment Make: NIKON CORPORATION\n"))
        << r.out;
    EXPECT_FALSE(contains(r.out, missing));

    const std::vector<std::string> errors = splitlines(r.err);
    ASSERT_EQ(errors.size(), 3u) << r.err;
    EXPECT_EQ(errors[0].rfind("exifkit: " + missing + ": cannot open file", 0), 0u) << errors[0];
    EXPECT_EQ(errors[1], "exifkit: " + text + ": Error: invalid JPEG format");
    EXPECT_EQ(errors[2], "exifkit: " + plain + ": no Exif data");
}

TEST_F(Command, PrintsWarningsOnlyWhenAsked)
{
    const std::string text = dir.write("notes.txt", "no pictures here\n");
    const std::string warning =
        "exifkit: " + text + ": warning: doesn't appear to be a JPEG file; searching for start of image\n";
    EXPECT_TRUE(contains(runcommand({"-w", text}).err, warning));
    EXPECT_FALSE(contains(runcommand({text}).err, "warning"));
}

TEST_F(Command, PrintsTheFrameSize)
{
    EXPECT_EQ(runcommand({"-f", "-g", "c", jpeg("make.jpg", {makeexif("M")})}).out,
              "Frame: 120 x 80, 3 components, 8-bit\nCamera:\n  Equipment Make: M\n");
    const runresult canonframe = runcommand({"-f", canon});
    EXPECT_TRUE(contains(canonframe.out, "Frame: 100 x 68, 3 components, 8-bit\n")) << canonframe.out;
}

TEST_F(Command, WritesLatin1TextsAsUtf8)
{
    const runresult r = runcommand({"-g", "ci", jpeg("gps.jpg", {gpsexif("Ren\xE9")})});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(contains(r.out, "  Photographer: Ren\xC3\xA9\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "  Latitude: N 43\xC2\xB0 28' 2.81400000\n")) << r.out;
}

TEST_F(Command, HeadsEachExifBlockOfAFile)
{
    const runresult r = runcommand({jpeg("two.jpg", {makeexif("First"), makeexif("Second")})});
    EXPECT_EQ(r.out, "Camera:\n  Equipment Make: First\nCamera:\n  Equipment Make: Second\n");
}

// ---- -j -----------------------------------------------------------------

const std::vector<std::string> jsonkeys = {"file", "result", "error", "warnings", "frame", "properties"};

// Delivery order of the groups: camera, image, other, unsupported.
int grouprank(double level)
{
    return level == 2 ? 0 : level == 4 ? 1 : level == 8 ? 2 : level == 1 ? 3 : -1;
}

void expectwellformed(const json& line)
{
    ASSERT_EQ(line.names, jsonkeys);
    EXPECT_EQ(line["file"].type, json::string);
    EXPECT_EQ(line["result"].type, json::number);
    EXPECT_TRUE(line["error"].type == json::null || line["error"].type == json::string);
    for (const json& w : line["warnings"].items) {
        ASSERT_EQ(w.items.size(), 2u);
        EXPECT_EQ(w.items[0].type, json::string);
        EXPECT_TRUE(w.items[1].type == json::null || w.items[1].type == json::string);
    }
    int rank = 0;
    for (const json& p : line["properties"].items) {
        ASSERT_EQ(p.items.size(), 3u);
        const int now = grouprank(p.items[0].num);
        EXPECT_GE(now, rank) << "group out of delivery order";
        rank = now;
        EXPECT_EQ(p.items[1].type, json::string);
        EXPECT_EQ(p.items[2].type, json::string);
    }
}

std::vector<json> jsonlines(const runresult& r)
{
    std::vector<json> out;
    for (const std::string& line : splitlines(r.out)) {
        out.push_back(parsejson(line));
        expectwellformed(out.back());
    }
    return out;
}

bool hasproperty(const json& line, double level, const std::string& name, const std::string& value)
{
    for (const json& p : line["properties"].items)
        if (p.items[0].num == level && p.items[1].str == name && p.items[2].str == value)
            return true;
    return false;
}

TEST_F(Command, JsonCarriesOneLinePerFileWithEverything)
{
    const std::string missing = dir.file("missing.jpg");
    const std::string text = dir.write("notes.txt", "no pictures here\n");
    const std::string plain = jpeg("plain.jpg", {});
    const runresult r = runcommand({"-j", "-g", "c", canon, missing, text, plain});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    const std::vector<json> lines = jsonlines(r);
    ASSERT_EQ(lines.size(), 4u) << r.out;

    const json& photo = lines[0];
    EXPECT_EQ(photo["file"].str, canon);
    EXPECT_EQ(photo["result"].num, 0);
    EXPECT_EQ(photo["error"].type, json::null);
    EXPECT_EQ(photo["frame"].names, (std::vector<std::string>{"precision", "components", "height", "width"}));
    EXPECT_EQ(photo["frame"]["precision"].num, 8);
    EXPECT_EQ(photo["frame"]["components"].num, 3);
    EXPECT_EQ(photo["frame"]["height"].num, 68);
    EXPECT_EQ(photo["frame"]["width"].num, 100);
    EXPECT_TRUE(hasproperty(photo, 2, "Equipment Make", "Canon"));
    EXPECT_TRUE(hasproperty(photo, 4, "Exposure Time", "1/160 sec")) << "-j ignores -g";
    EXPECT_TRUE(hasproperty(photo, 8, "Exif Version", "2.21"));

    EXPECT_EQ(lines[1]["file"].str, missing);
    EXPECT_EQ(lines[1]["result"].num, 1);
    EXPECT_EQ(lines[1]["error"].type, json::null);
    EXPECT_EQ(lines[1]["frame"].type, json::null) << "the previous file's frame is forgotten";
    EXPECT_TRUE(lines[1]["properties"].items.empty());

    EXPECT_EQ(lines[2]["result"].num, 2);
    EXPECT_EQ(lines[2]["error"].str, "Error: invalid JPEG format");
    ASSERT_FALSE(lines[2]["warnings"].items.empty());
    const json& warning = lines[2]["warnings"].items[0];
    EXPECT_EQ(warning.items[0].str, "doesn't appear to be a JPEG file; searching for start of image");
    EXPECT_EQ(warning.items[1].type, json::null);
    EXPECT_EQ(lines[2]["frame"].type, json::null);

    EXPECT_EQ(lines[3]["result"].num, 2);
    EXPECT_EQ(lines[3]["error"].type, json::null);
    EXPECT_EQ(lines[3]["frame"]["width"].num, 120);
}

TEST_F(Command, JsonEscapesAndConvertsTexts)
{
    const std::string artist = "say \"cheese\" C:\\dir \x80\xB0\xE9\xFF";
    const runresult r = runcommand({"-j", jpeg("gps.jpg", {gpsexif(artist)})});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(contains(r.out, R"("say \"cheese\" C:\\dir )" "\xC2\x80\xC2\xB0\xC3\xA9\xC3\xBF\"")) << r.out;
    const std::vector<json> lines = jsonlines(r);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(hasproperty(lines[0], 2, "Photographer", "say \"cheese\" C:\\dir \xC2\x80\xC2\xB0\xC3\xA9\xC3\xBF"));
    EXPECT_TRUE(hasproperty(lines[0], 4, "Latitude", "N 43\xC2\xB0 28' 2.81400000"));
}

TEST_F(Command, JsonWritesAWarningDetail)
{
    TiffBuilder b;
    const int ifd0 = b.dir();
    b.shorts(ifd0, 0x010F, {7});  // Make is ASCII: a field type mismatch
    const runresult r = runcommand({"-j", jpeg("mismatch.jpg", {b.exif()})});
    const std::vector<json> lines = jsonlines(r);
    ASSERT_EQ(lines.size(), 1u);
    bool detailed = false;
    for (const json& w : lines[0]["warnings"].items)
        detailed = detailed || (w.items[1].type == json::string && !w.items[1].str.empty());
    EXPECT_TRUE(detailed) << r.out;
}

}  // namespace
}  // namespace exifkit::test
