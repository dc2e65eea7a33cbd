// The command on a real Fujifilm photo: the maker note's values, read from the
// note's own offsets.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"

namespace exifkit::test {
namespace {

const std::string fuji = EXIFKIT_TEST_DATA "/Fujifilm_FinePix_E500.jpg";

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(FujiSample, PrintsTheMakerNoteValues)
{
    const runresult r = runcommand({"-a", "-w", fuji});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const std::string camera = "  Sensing Method: One-Chip Color Area\n  Maker Note Version: 0130\nImage:\n";
    const std::string image = "  Sharpness: Normal\n  White Balance: Auto\n  Chroma Saturation: Normal\n"
                              "  Flash Mode: Off\n  Macro Mode: On\n  Focus Mode: Auto\n";
    const std::string unsupported = "  Quality Setting: FINE\n  Flash Strength: 0\n  Fuji Unknown: 0\n";
    for (const std::string& part : {camera, image, unsupported})
        EXPECT_TRUE(contains(r.out, part)) << part << "\nin\n" << r.out;
}

}  // namespace
}  // namespace exifkit::test
