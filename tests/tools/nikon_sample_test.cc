// The command on a real Nikon photo: its version-2 maker note read and
// interpreted, the standard properties it supersedes moved to the other group.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"

namespace exifkit::test {
namespace {

const std::string coolpix = EXIFKIT_TEST_DATA "/Nikon_COOLPIX_P1.jpg";

TEST(NikonSample, CoolpixNoteGivesItsSettings)
{
    const runresult r = runcommand({"-j", coolpix});
    ASSERT_EQ(r.status, 0) << r.err;
    const json line = parsejson(r.out);
    EXPECT_TRUE(line["warnings"].items.empty());
    const std::string expected[][3] = {
        {"4", "White Balance", "AUTO"},  {"4", "Focus Mode", "AF-S"},      {"4", "ISO Selection", "AUTO"},
        {"4", "Auto Focus", "Center"},   {"4", "Image Quality", "NORMAL"}, {"4", "Saturation", "Normal"},
        {"8", "White Balance", "Auto"},  {"8", "ISO Speed Used", "0"},     {"8", "Focus Distance", "n/a"},
        {"8", "Digital Zoom", "None"},   {"4", "ISO Speed Rating", "50"},
    };
    for (const auto& [level, name, value] : expected) {
        bool found = false;
        for (const json& p : line["properties"].items)
            found = found || (p.items.at(0).num == std::stod(level) && p.items.at(1).str == name &&
                              p.items.at(2).str == value);
        EXPECT_TRUE(found) << level << " " << name << ": " << value;
    }
}

}  // namespace
}  // namespace exifkit::test
