// Maker notes of real photos through the command: the bundled Panasonic
// sample, and the Casio and Sigma photos of the sample corpus when present.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"

namespace exifkit::test {
namespace {

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Runs `exifkit -a -w` on the file and expects every line among its output.
void expectlines(const std::string& file, const std::vector<std::string>& lines, const std::string& warnings = "")
{
    const runresult r = runcommand({"-a", "-w", file});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, warnings);
    for (const std::string& line : lines)
        EXPECT_TRUE(contains(r.out, "\n  " + line + "\n")) << line << "\n" << r.out;
}

// The note's white balance supersedes the standard one, which moves to Other.
TEST(MakerSamples, PanasonicFz30)
{
    const std::string file = EXIFKIT_TEST_DATA "/Panasonic_DMC-FZ30.jpg";
    expectlines(file, {"Image Quality: Fine", "White Balance: Auto\n  Focus Mode: Auto", "Spot Mode: Off",
                       "Image Stabilizer: Mode 1", "Macro Mode: Normal", "Audio: No", "Flash Bias: 0.00 EV",
                       "Color Effect: Off", "Contrast: Standard\n  Noise Reduction: Standard",
                       "Scene Type: Directly Photographed\n  White Balance: Auto", "White Balance Adjust: 0"});
}

// The damaged "QVC" notes read as far as their data go, with the warning.
TEST(MakerSamples, CorpusCasioAndSigma)
{
    const std::string corpus = EXIFKIT_CORPUS;
    if (!std::filesystem::is_directory(corpus))
        GTEST_SKIP() << "no corpus at " << corpus;
    const std::pair<std::string, std::vector<std::string>> casio[] = {
        {"/tests/35-empty.jpg", {"Casio ASCII Val 1: 0504", "Casio ASCII Val 3: San Jose"}},
        {"/tests/36-memory_error.jpg", {"Casio ASCII Val 1: 0301"}},
    };
    for (const auto& [name, lines] : casio)
        expectlines(corpus + name, lines,
                    "exifkit: " + corpus + name + ": warning: Casio maker note version not supported\n");
    expectlines(corpus + "/exiv2-suite/exiv2-sigma-d10.jpg",
                {"Drive Mode: 2S", "Exposure Mode: M", "Contrast: +0.0", "Fill Light: +0.0", "Quality: 12",
                 "Adjustment Mode: X3F Setting Mode"});
}

}  // namespace
}  // namespace exifkit::test
