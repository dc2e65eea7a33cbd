// The command's structured output (-J) and thumbnails (-t).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"
#include "support/delivery.h"

namespace exifkit::test {
namespace {

const std::string canon = EXIFKIT_TEST_DATA "/Canon_40D.jpg";
const std::string ixus = EXIFKIT_TEST_DATA "/Canon_DIGITAL_IXUS_400.jpg";

// One line per file: the file (null from standard input), the format, the
// summary, then each property as an object with its typed value.
TEST(Structured, OneObjectPerFileWithSummaryAndTypedValues)
{
    const runresult r = runcommand({"-J", canon, ixus});
    EXPECT_EQ(r.status, 0);
    const strings lines = splitlines(r.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(startswith(lines[0], "{\"file\": \"" + canon + "\", \"format\": \"jpeg\", \"result\": 0, \"error\": null, "
                                     "\"warnings\": [], \"frame\": {\"precision\": 8, \"components\": 3, \"height\": 68, "
                                     "\"width\": 100}, \"summary\": {\"make\": \"Canon\", \"model\": \"Canon EOS 40D\", "
                                     "\"software\": \"GIMP 2.4.5\", \"datetime_original\": \"2008-05-30T15:56:01\", "))
        << lines[0];
    for (const char* part : {"\"exposure_time\": [1, 160], \"f_number\": 7.1, \"iso\": 100, \"focal_length\": 135, ",
                             "{\"directory\": \"Exif\", \"tag\": 33434, \"key\": \"ExposureTime\", \"name\": \"Exposure Time\", "
                             "\"text\": \"1/160 sec\", \"value\": [1, 160], \"group\": 4, \"type\": 5, \"count\": 1}",
                             "\"key\": \"ExifVersion\", \"name\": \"Exif Version\", \"text\": \"2.21\", \"value\": \"MDIyMQ==\""})
        EXPECT_TRUE(contains(lines[0], part)) << part;
    for (const char* part : {"\"lens\": \"7.41 - 22.22 mm\"",
                             "\"key\": \"MakerNote\", \"name\": \"Manufacturer Notes\", \"text\": \"670\", \"value\": {\"length\": 590}",
                             "\"key\": \"CanonMacroMode\", \"name\": \"Macro Mode\", \"text\": \"Normal\", \"value\": 2, \"group\": 4, "
                             "\"type\": 3, \"count\": 1, \"parent\": \"Canon1Tag\"}"})
        EXPECT_TRUE(contains(lines[1], part)) << part;
    const runresult piped = runcommand({"-J", "-"}, 30, canon);
    EXPECT_TRUE(startswith(piped.out, "{\"file\": null, \"format\": \"jpeg\", \"result\": 0,")) << piped.out;
    const runresult missing = runcommand({"-J", "/nonexistent/missing.jpg"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(contains(missing.out, "\"result\": 1, \"error\": \"cannot open file: No such file or directory\", "
                                      "\"warnings\": [], \"frame\": null, \"summary\": {}, \"properties\": []}"))
        << missing.out;
}

TEST(Structured, ThumbnailsAreWrittenAsStored)
{
    const runresult r = runcommand({"-t", canon});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const std::vector<std::uint8_t> want = thumbnail(canon.c_str());
    ASSERT_FALSE(want.empty());
    EXPECT_EQ(r.out, std::string(want.begin(), want.end()));
    EXPECT_EQ(runcommand({"-t", "-"}, 30, canon).out, r.out);
    const TempFile none(minimaljpeg({makeexif("Canon")}));
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } failures[] = {
        {{"-t", none.path()}, 1, "exifkit: " + std::string(none.path()) + ": no thumbnail\n"},
        {{"-t", "/nonexistent/missing.jpg"}, 1, "exifkit: /nonexistent/missing.jpg: cannot open file: No such file or directory\n"},
        {{"-t", canon, canon}, 2, "exifkit: -t takes one file, without -j, -J or -r\n"},
        {{"-t", "-J", canon}, 2, "exifkit: -t takes one file, without -j, -J or -r\n"},
    };
    for (const auto& f : failures) {
        const runresult failed = runcommand(f.args);
        EXPECT_EQ(failed.status, f.status) << f.args[1];
        EXPECT_TRUE(startswith(failed.err, f.err)) << failed.err;
        EXPECT_EQ(failed.out, "");
    }
}

}  // namespace
}  // namespace exifkit::test
