// The command on a real Nikon photo: its version-2 maker note read and
// interpreted, the standard properties it supersedes moved to the other group.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"

namespace exifkit::test {
namespace {

TEST(NikonSample, CoolpixNoteGivesItsSettings)
{
    const runresult r = runcommand({"-j", EXIFKIT_TEST_DATA "/Nikon_COOLPIX_P1.jpg"});
    ASSERT_EQ(r.status, 0) << r.err;
    const json line = parsejson(r.out);
    EXPECT_TRUE(line["warnings"].items.empty());
    const std::string expected[] = {
        "4 White Balance: AUTO", "4 Focus Mode: AF-S",  "4 ISO Selection: AUTO",   "4 Auto Focus: Center",
        "4 Image Quality: NORMAL", "4 Saturation: Normal", "8 White Balance: Auto", "8 ISO Speed Used: 0",
        "8 Focus Distance: n/a",  "8 Digital Zoom: None", "4 ISO Speed Rating: 50",
    };
    std::string delivered;
    for (const json& p : line["properties"].items)
        delivered += std::to_string(static_cast<int>(p.items.at(0).num)) + " " + p.items.at(1).str + ": " +
                     p.items.at(2).str + "\n";
    for (const std::string& property : expected)
        EXPECT_NE(delivered.find(property + "\n"), std::string::npos) << property;
}

}  // namespace
}  // namespace exifkit::test
