// Blocks built to make the reader work as hard as it can: the quotas keep the
// properties, sub-values and texts of any block within bounds, and say so.
#include <gtest/gtest.h>

#include <string>

#include "exifkit/exif.h"
#include "support/hostile.h"
#include "support/recording.h"
#include "support/scanning.h"

namespace exifkit {
namespace {

constexpr std::size_t MAX_ENTRIES = 4096, MAX_SUBVALUES = 8192;

TEST(Limits, HostileBlocksStayWithinTheQuotas)
{
    for (const bench::hostileblock& h : bench::hostileblocks()) {
        SCOPED_TRACE(h.name);
        test::RecordingSink sink;
        const test::Scanned s = test::parse(h.data);
        ASSERT_TRUE(s);
        std::size_t props = 0, subvalues = 0, text = 0;
        for (const exif_prop* p : s.props()) {
            ++props;
            subvalues += p->type == 0;
            text += p->str ? std::string(p->str).size() : 0;
        }
        EXPECT_LE(props - subvalues, MAX_ENTRIES);
        EXPECT_LE(subvalues, MAX_SUBVALUES);
        EXPECT_LE(text, 4 * h.data.size() + 65536 + 64 * props);  // copied texts, and the short ones made here
        EXPECT_EQ(sink.has("too much text; leaving the rest out"), h.name == "shared-text");
        EXPECT_EQ(sink.has("too many values; ignoring the rest"),
                  h.name == "deep-maker-array" || h.name == "shared-maker-arrays");
    }
}

}  // namespace
}  // namespace exifkit
