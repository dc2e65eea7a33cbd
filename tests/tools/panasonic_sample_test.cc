// Maker notes of real photos through the command: the bundled Panasonic
// sample, and the damaged Casio and the Sigma photos of the corpus if present.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "harness.h"

namespace exifkit::test {
namespace {

// Runs `exifkit -a -w` on the file: each line in its output, the warning alone on standard error.
void expectlines(const std::string& file, const std::vector<std::string>& lines, const std::string& warning = "")
{
    const runresult r = runcommand({"-a", "-w", file});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, warning.empty() ? "" : "exifkit: " + file + ": warning: " + warning + "\n");
    for (const std::string& line : lines)
        EXPECT_NE(r.out.find("\n  " + line + "\n"), std::string::npos) << line << "\n" << r.out;
}

// The note's white balance and contrast supersede the standard ones, which go to Other.
TEST(MakerSamples, PanasonicAndCorpusNotes)
{
    expectlines(EXIFKIT_TEST_DATA "/Panasonic_DMC-FZ30.jpg",
                {"Image Quality: Fine\n  White Balance: Auto\n  Focus Mode: Auto\n  Spot Mode: Off",
                 "Image Stabilizer: Mode 1\n  Macro Mode: Normal", "Audio: No\n  Flash Bias: 0.00 EV",
                 "Color Effect: Off\n  Contrast: Standard\n  Noise Reduction: Standard",
                 "Scene Type: Directly Photographed\n  White Balance: Auto", "White Balance Adjust: 0"});
    const std::string corpus = EXIFKIT_CORPUS;
    if (!std::filesystem::is_directory(corpus))
        GTEST_SKIP() << "no corpus at " << corpus;
    const std::string qvc = "Casio maker note version not supported";
    expectlines(corpus + "/tests/35-empty.jpg", {"Casio ASCII Val 1: 0504", "Casio ASCII Val 3: San Jose"}, qvc);
    expectlines(corpus + "/tests/36-memory_error.jpg", {"Casio ASCII Val 1: 0301"}, qvc);
    expectlines(corpus + "/exiv2-suite/exiv2-sigma-d10.jpg",
                {"Drive Mode: 2S", "Contrast: +0.0", "Quality: 12", "Adjustment Mode: X3F Setting Mode"});
}

}  // namespace
}  // namespace exifkit::test
