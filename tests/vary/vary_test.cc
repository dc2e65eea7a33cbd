// Adjustments of broken-down times: carries, fields set within range, names,
// malformed texts, overflow, lists, allocation failure and daylight saving.
#include "exifkit/vary.h"

#include <gtest/gtest.h>

#include <climits>
#include <iomanip>
#include <memory>
#include <new>
#include <sstream>

#include "exifkit/errors.h"

namespace {
bool fail_next_allocation = false;
}

// Lets a test make the next non-throwing allocation fail.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (std::exchange(fail_next_allocation, false))
        return nullptr;
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

namespace exifkit {
namespace {

using List = std::unique_ptr<vary_item, void (*)(vary_item*)>;

List makelist(std::initializer_list<const char*> texts)
{
    vary_item* head = nullptr;
    for (const char* text : texts)
        head = vary_append(head, text);
    return List(head, vary_destroy);
}

// "YYYY-MM-DD HH:MM:SS" to a normalised local time, and back.
std::tm parse(const char* text)
{
    std::tm t{};
    std::istringstream(text) >> std::get_time(&t, "%Y-%m-%d %H:%M:%S");
    t.tm_isdst = -1;
    std::mktime(&t);
    return t;
}

std::string format(const std::tm& t)
{
    char buf[64];
    return std::string(buf, std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &t));
}

void usezone(const char* zone)
{
    setenv("TZ", zone, 1);
    tzset();
}

// Each pair: an adjustment and the time it makes of start, or null when it fails.
void check(const char* start, const std::vector<std::pair<const char*, const char*>>& cases)
{
    for (const auto& [adjustment, expected] : cases) {
        SCOPED_TRACE(std::string(start) + " " + adjustment);
        const List list = makelist({adjustment});
        std::tm t = parse(start);
        EXPECT_EQ(vary_apply(list.get(), t), expected ? nullptr : list.get());
        if (expected) {
            EXPECT_EQ(format(t), expected);
        }
    }
}

class VaryTest : public testing::Test {
protected:
    void SetUp() override { usezone("UTC"); }
};

TEST_F(VaryTest, AmountsCarryOrSetAFieldNamesAndMalformedTexts)
{
    check("2003-01-31 12:00:00", {{"+1d", "2003-02-01 12:00:00"}, {"+1m", "2003-03-03 12:00:00"},
                                  {"-13m", "2001-12-31 12:00:00"}});
    check("2004-03-01 12:00:00", {{"-1d", "2004-02-29 12:00:00"}, {"-366d", "2003-03-01 12:00:00"}});
    check("2003-03-01 12:00:00", {{"-1d", "2003-02-28 12:00:00"}});
    check("2021-12-15 12:00:00", {{"+13m", "2023-01-15 12:00:00"}});
    check("2004-02-29 12:00:00", {{"+1y", "2005-03-01 12:00:00"}, {"-4y", "2000-02-29 12:00:00"}});
    check("2021-06-16 23:00:00", {{"+25H", "2021-06-18 00:00:00"}});
    check("2021-06-16 00:30:00", {{"-25H", "2021-06-14 23:30:00"}, {"-31M", "2021-06-15 23:59:00"}});
    check("2021-06-16 10:45:00", {{"+90M", "2021-06-16 12:15:00"}});
    check("2021-06-16 00:00:30", {{"-45S", "2021-06-15 23:59:45"}});
    check("2021-12-31 23:59:50", {{"+15S", "2022-01-01 00:00:05"}});
    check("1970-01-01 00:00:00", {{"-1S", "1969-12-31 23:59:59"}});
    // Unsigned amounts set a field, within its range.
    check("2003-02-10 12:00:00", {{"31d", nullptr}, {"0d", nullptr}});
    check("2000-02-10 12:00:00", {{"29d", "2000-02-29 12:00:00"}});
    check("1900-02-10 12:00:00", {{"29d", nullptr}});
    check("2021-03-15 12:00:00", {{"12m", "2021-12-15 12:00:00"}, {"13m", nullptr}, {"0m", nullptr}});
    check("2021-05-01 00:00:00", {{"68y", "2068-05-01 00:00:00"}, {"69y", "1969-05-01 00:00:00"},
                                  {"1900y", "3800-05-01 00:00:00"}, {"2004y", "2004-05-01 00:00:00"}});
    check("2021-06-16 10:45:20", {{"23H", "2021-06-16 23:45:20"}, {"59S", "2021-06-16 10:45:59"},
                                  {"24H", nullptr}, {"60M", nullptr}, {"60S", nullptr}});
    check("2021-06-16 12:00:00",
          {{"+wed", "2021-06-16 12:00:00"}, {"-wed", "2021-06-16 12:00:00"}, {"fri", "2021-06-18 12:00:00"},
           {"sun", "2021-06-13 12:00:00"}, {"-fri", "2021-06-11 12:00:00"}, {"+mon", "2021-06-21 12:00:00"},
           {"3w", "2021-06-16 12:00:00"}, {"6w", "2021-06-19 12:00:00"}, {"7w", nullptr},
           {"+2w", "2021-06-30 12:00:00"}, {"+0w", "2021-06-16 12:00:00"}, {"+march", "2022-03-16 12:00:00"},
           {"-march", "2021-03-16 12:00:00"}, {"march", "2021-03-16 12:00:00"}, {"-july", "2020-07-16 12:00:00"},
           {"-june", "2021-06-16 12:00:00"}, {"JUNE", "2021-06-16 12:00:00"}, {"junk", "2021-06-16 12:00:00"}});
    check("2021-03-16 12:00:00", {{"+march", "2021-03-16 12:00:00"}});
    // Malformed texts and amounts beyond int fail.
    check("2000-01-01 00:00:00",
          {{"", nullptr}, {"+d", nullptr}, {"5", nullptr}, {"5x", nullptr}, {"1.5d", nullptr}, {"55", nullptr},
           {"*5d", nullptr}, {"ju", nullptr}, {"+2147483648S", nullptr}, {"+99999999999999999999d", nullptr},
           {"99999999999y", nullptr}, {"+2147483647y", nullptr}, {"+2147483647S", "2068-01-19 03:14:07"},
           {"+2147483647d", "5881610-07-11 00:00:00"}, {"-2147483647d", "-5877611-06-23 00:00:00"}});
}

TEST_F(VaryTest, YearOverflowFailsAndListsApplyInOrderStopAtAFailureAndAreReusable)
{
    const std::pair<const char*, bool> steps[] = {
        {"+1y", true},   {"+12m", true},   {"+1d", true},     {"+24H", true},      {"+2y", false},
        {"+13m", false}, {"+367d", false}, {"+9000H", false}, {"+600000M", false}, {"+2147483647S", false}};
    for (const auto& [step, fits] : steps) {
        SCOPED_TRACE(step);
        const List list = makelist({step});
        std::tm t = parse("2000-12-31 12:00:00");
        t.tm_year = INT_MAX - 1;
        EXPECT_EQ(vary_apply(list.get(), t), fits ? nullptr : list.get());
        EXPECT_TRUE(!fits || t.tm_year == INT_MAX);
    }
    const List failing = makelist({"+1d", "13m", "+1H"}), list = makelist({"+1m", "31d", "-2H", "fri"});
    std::tm t = parse("2021-06-16 12:00:00");
    t.tm_isdst = 0;
    t.tm_mday = 40;
    EXPECT_EQ(vary_apply(nullptr, t), nullptr) << "an empty list only clears tm_isdst";
    EXPECT_EQ(t.tm_isdst, -1);
    EXPECT_EQ(t.tm_mday, 40);
    t = parse("2021-06-16 12:00:00");
    EXPECT_EQ(vary_apply(failing.get(), t), failing->next);
    EXPECT_EQ(format(t), "2021-06-17 12:00:00");
    t = parse("2021-06-16 12:00:00");
    EXPECT_EQ(vary_apply(list.get(), t), nullptr);
    EXPECT_EQ(format(t), "2021-07-30 10:00:00");
    EXPECT_EQ(vary_apply(list.get(), t), nullptr);
    EXPECT_EQ(format(t), "2021-09-03 08:00:00");
    // The first adjustment sees the true weekday.
    t = parse("2021-06-16 12:00:00");
    t.tm_wday = 0;
    EXPECT_EQ(vary_apply(makelist({"fri"}).get(), t), nullptr);
    EXPECT_EQ(format(t), "2021-06-18 12:00:00");
}

TEST_F(VaryTest, AllocationFailureIsFatalAndDaylightSavingIsCrossed)
{
    fail_next_allocation = true;
    try {
        vary_append(nullptr, "+1d");
        ADD_FAILURE() << "no exception";
    } catch (const ExifException& e) {
        EXPECT_STREQ(e.reason(), "Error: Cannot allocate memory");
    }
    fail_next_allocation = false;
    usezone("EST5EDT,M3.2.0,M11.1.0");
    std::tm t = parse("2021-03-14 00:30:00");
    EXPECT_EQ(vary_apply(makelist({"2H"}).get(), t), nullptr);
    EXPECT_TRUE(format(t) == "2021-03-14 01:30:00" || format(t) == "2021-03-14 03:30:00") << format(t);
    t = parse("2021-03-13 11:00:00");
    EXPECT_EQ(vary_apply(makelist({"+1H", "+1d"}).get(), t), nullptr);
    EXPECT_EQ(format(t), "2021-03-14 12:00:00");
    EXPECT_EQ(t.tm_isdst, 1);
}

}  // namespace
}  // namespace exifkit
