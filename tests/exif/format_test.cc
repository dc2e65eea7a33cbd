// The printf-free formatting must write exactly what printf writes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "exif/format.h"

namespace exifkit::detail {
namespace {

std::string fixed(double v, int decimals, std::size_t size = 64)
{
    char buf[64];
    textout(buf, size).fixed(v, decimals);  // terminated at the end of the statement
    return buf;
}

std::string printf_fixed(double v, int decimals, std::size_t size = 64)
{
    char buf[64];
    std::snprintf(buf, size, "%.*f", decimals, v);
    return buf;
}

TEST(Format, FixedMatchesPrintfOnTiesEdgesAndRandomValues)
{
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> values = {0.0,  -0.0,   0.05,   0.15,    0.25,   0.35,  2.5,    3.5,  1.005, 1.0049999,
                                  0.125, -0.125, -0.04, 1e-320, 1e300, 9007199254740993.0, 4294967295.0 / 7,
                                  inf, -inf, std::nan(""), 123456.785, 0.0625, 7.9995, -1.0 / 3};
    std::mt19937_64 random(42);
    for (int i = 0; i < 20000; i++) {
        const double scale = std::pow(10.0, static_cast<int>(random() % 12) - 4);
        values.push_back((static_cast<double>(random() % 2000000) - 1000000.0) / 1000.0 * scale);
        values.push_back(static_cast<float>(random() % 100000) / static_cast<float>(random() % 999 + 1));
        values.push_back(static_cast<double>(random() % 40000) / 8.0);  // exact binary ties
    }
    for (double v : values)
        for (int d = 0; d <= 4; d++)
            ASSERT_EQ(fixed(v, d), printf_fixed(v, d)) << v << " " << d;
}

TEST(Format, CutsAndTerminatesAsSnprintfDoes)
{
    for (std::size_t size : {1u, 2u, 4u, 7u, 30u}) {
        char ours[32], theirs[32];
        std::memset(ours, '#', sizeof ours);
        std::memset(theirs, '#', sizeof theirs);
        std::size_t length = 0;
        {
            textout out(ours, size);
            out.put("f/").fixed(-12.345, 2).put(' ').num(-2147483648LL).put(" x").unum(18446744073709551615ULL);
            length = out.padded(7, 3).hex(0xBEEF, 6).length();
        }
        const int n = std::snprintf(theirs, size, "f/%.2f %lld x%llu%03d%06X", -12.345, -2147483648LL,
                                    18446744073709551615ULL, 7, 0xBEEF);
        EXPECT_EQ(std::string(ours, sizeof ours), std::string(theirs, sizeof theirs)) << size;
        EXPECT_EQ(length, static_cast<std::size_t>(n));
    }
}

}  // namespace
}  // namespace exifkit::detail
