// The command on a real Fujifilm photo: the maker note's values, read from the
// note's own offsets.
#include <gtest/gtest.h>

#include "harness.h"

namespace exifkit::test {
namespace {

TEST(FujiSample, PrintsTheMakerNoteValues)
{
    const runresult r = runcommand({"-a", "-w", EXIFKIT_TEST_DATA "/Fujifilm_FinePix_E500.jpg"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    for (const char* part : {"  Sensing Method: One-Chip Color Area\n  Maker Note Version: 0130\nImage:\n",
                             "  Sharpness: Normal\n  White Balance: Auto\n  Chroma Saturation: Normal\n"
                             "  Flash Mode: Off\n  Macro Mode: On\n  Focus Mode: Auto\n",
                             "  Quality Setting: FINE\n  Flash Strength: 0\n"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\nin\n" << r.out;
}

}  // namespace
}  // namespace exifkit::test
