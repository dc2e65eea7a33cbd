// The command on a real Canon photo: values of its maker note, and the
// standard values that the note supersedes.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"

namespace exifkit::test {
namespace {

const std::string ixus = EXIFKIT_TEST_DATA "/Canon_DIGITAL_IXUS_400.jpg";

TEST(CanonSample, DeliversTheMakerNote)
{
    const runresult r = runcommand({"-w", ixus});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    for (const char* line : {"\n  Lens Size: 7.41 - 22.22 mm\n  Firmware Version: Firmware Version 1.00\n"
                             "  Owner Name: Jean-Pierre Grignon\nImage:\n",
                             "\n  Metering Mode: Evaluative\n  ISO Speed Rating: Auto\n",
                             "\n  Focus Mode: Single\n  Drive Mode: Single\n  Flash Mode: Auto\n"
                             "  Compression Setting: Fine\n  Macro Mode: Normal\n  Subject Distance: 2.160 m\n",
                             "\n  Sensor ISO Speed: 50\n  Image Number: 124-2489\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
}

TEST(CanonSample, SupersededStandardValuesAreOther)
{
    const runresult r = runcommand({"-g", "o", ixus});
    EXPECT_EQ(r.status, 0);
    for (const char* line : {"\n  Metering Mode: Pattern\n", "\n  White Balance: Auto\n", "\n  Self-Timer Length: 0 sec\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
}

}  // namespace
}  // namespace exifkit::test
