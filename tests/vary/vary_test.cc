#include "exifkit/vary.h"

#include "exifkit/errors.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <initializer_list>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace {

bool fail_next_allocation = false;

}  // namespace

// Lets a test make the next non-throwing allocation fail.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (fail_next_allocation) {
        fail_next_allocation = false;
        return nullptr;
    }
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

namespace exifkit {
namespace {

// Switches the process to a time zone for the lifetime of the object.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone)
    {
        if (const char* old = std::getenv("TZ")) {
            had_ = true;
            old_ = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard()
    {
        if (had_)
            setenv("TZ", old_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ZoneGuard(const ZoneGuard&) = delete;
    ZoneGuard& operator=(const ZoneGuard&) = delete;

private:
    bool had_ = false;
    std::string old_;
};

// Owns a list built from texts.
class List {
public:
    List(std::initializer_list<const char*> texts)
    {
        for (const char* text : texts)
            head_ = vary_append(head_, text);
    }
    ~List() { vary_destroy(head_); }
    List(const List&) = delete;
    List& operator=(const List&) = delete;

    const vary_item* head() const { return head_; }
    const vary_item* at(int index) const
    {
        const vary_item* item = head_;
        while (index-- > 0)
            item = item->next;
        return item;
    }

private:
    vary_item* head_ = nullptr;
};

// "YYYY-MM-DD HH:MM:SS" to a normalised local time.
std::tm parse(const char* text)
{
    std::tm t{};
    std::sscanf(text, "%d-%d-%d %d:%d:%d", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour,
                &t.tm_min, &t.tm_sec);
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    t.tm_isdst = -1;
    std::mktime(&t);
    return t;
}

std::string format(const std::tm& t)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%lld-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900LL,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return buf;
}

class VaryTest : public testing::Test {
protected:
    ZoneGuard zone_{"UTC"};
};

struct Case {
    const char* start;
    const char* adjustment;
    const char* expected;  // null: the adjustment fails
};

void checkCases(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " " + c.adjustment);
        List list{c.adjustment};
        std::tm t = parse(c.start);
        const vary_item* failed = vary_apply(list.head(), t);
        if (c.expected == nullptr) {
            EXPECT_EQ(failed, list.head());
        } else {
            EXPECT_EQ(failed, nullptr);
            EXPECT_EQ(format(t), c.expected);
        }
    }
}

TEST_F(VaryTest, DaysCrossMonthAndLeapYearEnds)
{
    checkCases({
        {"2003-01-31 12:00:00", "+1d", "2003-02-01 12:00:00"},
        {"2004-03-01 12:00:00", "-1d", "2004-02-29 12:00:00"},
        {"2003-03-01 12:00:00", "-1d", "2003-02-28 12:00:00"},
        {"2003-12-31 12:00:00", "+1d", "2004-01-01 12:00:00"},
        {"2004-01-01 12:00:00", "-366d", "2002-12-31 12:00:00"},
        {"2003-01-15 12:00:00", "+0d", "2003-01-15 12:00:00"},
        {"2003-02-10 12:00:00", "31d", nullptr},
        {"2003-02-10 12:00:00", "0d", nullptr},
        {"2000-02-10 12:00:00", "29d", "2000-02-29 12:00:00"},
        {"1900-02-10 12:00:00", "29d", nullptr},
    });
}

TEST_F(VaryTest, MonthsAndYears)
{
    checkCases({
        {"2003-01-31 12:00:00", "+1m", "2003-03-03 12:00:00"},
        {"2021-12-15 12:00:00", "+13m", "2023-01-15 12:00:00"},
        {"2021-01-15 12:00:00", "-13m", "2019-12-15 12:00:00"},
        {"2021-03-15 12:00:00", "-3m", "2020-12-15 12:00:00"},
        {"2021-03-15 12:00:00", "12m", "2021-12-15 12:00:00"},
        {"2021-03-15 12:00:00", "13m", nullptr},
        {"2021-03-15 12:00:00", "0m", nullptr},
        {"2004-02-29 12:00:00", "+1y", "2005-03-01 12:00:00"},
        {"2004-02-29 12:00:00", "-4y", "2000-02-29 12:00:00"},
        {"2021-05-01 00:00:00", "68y", "2068-05-01 00:00:00"},
        {"2021-05-01 00:00:00", "69y", "1969-05-01 00:00:00"},
        {"2021-05-01 00:00:00", "1900y", "3800-05-01 00:00:00"},
        {"2021-05-01 00:00:00", "2004y", "2004-05-01 00:00:00"},
    });
}

TEST_F(VaryTest, HoursMinutesAndSecondsCarry)
{
    checkCases({
        {"2021-06-16 23:00:00", "+25H", "2021-06-18 00:00:00"},
        {"2021-06-16 00:30:00", "-25H", "2021-06-14 23:30:00"},
        {"2021-06-16 10:45:00", "+90M", "2021-06-16 12:15:00"},
        {"2021-06-16 00:10:00", "-11M", "2021-06-15 23:59:00"},
        {"2021-06-16 00:00:30", "-45S", "2021-06-15 23:59:45"},
        {"2021-12-31 23:59:50", "+15S", "2022-01-01 00:00:05"},
        {"2021-06-16 10:45:00", "+0H", "2021-06-16 10:45:00"},
        {"2021-06-16 10:45:20", "23H", "2021-06-16 23:45:20"},
        {"2021-06-16 10:45:20", "59S", "2021-06-16 10:45:59"},
        {"2021-06-16 10:45:20", "24H", nullptr},
        {"2021-06-16 10:45:20", "60M", nullptr},
        {"2021-06-16 10:45:20", "60S", nullptr},
    });
}

TEST_F(VaryTest, WeekdaysFromAWednesday)
{
    const char* wed = "2021-06-16 12:00:00";
    checkCases({
        {wed, "+wed", "2021-06-16 12:00:00"},
        {wed, "-wed", "2021-06-16 12:00:00"},
        {wed, "fri", "2021-06-18 12:00:00"},
        {wed, "sun", "2021-06-13 12:00:00"},
        {wed, "-fri", "2021-06-11 12:00:00"},
        {wed, "+mon", "2021-06-21 12:00:00"},
        {wed, "Mon", "2021-06-14 12:00:00"},
        {wed, "3w", "2021-06-16 12:00:00"},
        {wed, "6w", "2021-06-19 12:00:00"},
        {wed, "7w", nullptr},
        {wed, "+2w", "2021-06-30 12:00:00"},
        {wed, "+0w", "2021-06-16 12:00:00"},
    });
}

TEST_F(VaryTest, MonthNames)
{
    const char* june = "2021-06-16 12:00:00";
    checkCases({
        {june, "+march", "2022-03-16 12:00:00"},
        {june, "-march", "2021-03-16 12:00:00"},
        {june, "march", "2021-03-16 12:00:00"},
        {june, "-july", "2020-07-16 12:00:00"},
        {june, "-june", "2021-06-16 12:00:00"},
        {"2021-03-16 12:00:00", "+march", "2021-03-16 12:00:00"},
        {june, "JUNE", "2021-06-16 12:00:00"},
        {june, "junk", "2021-06-16 12:00:00"},
        {june, "Septembre", "2021-09-16 12:00:00"},
        {june, "ju", nullptr},
        {june, "mo", nullptr},
    });
}

TEST_F(VaryTest, MalformedTextsFail)
{
    const char* start = "2021-06-16 12:00:00";
    checkCases({
        {start, "", nullptr},
        {start, "+d", nullptr},
        {start, "5", nullptr},
        {start, "5x", nullptr},
        {start, "1.5d", nullptr},
        {start, "55", nullptr},
        {start, "*5d", nullptr},
    });
}

TEST_F(VaryTest, AmountsBeyondIntFailAndLargeOnesWork)
{
    const char* start = "2000-01-01 00:00:00";
    checkCases({
        {start, "+2147483647S", "2068-01-19 03:14:07"},
        {start, "+2147483648S", nullptr},
        {start, "+99999999999999999999d", nullptr},
        {start, "99999999999y", nullptr},
        {start, "+2147483647d", "5881610-07-11 00:00:00"},
        {start, "-2147483647d", "-5877611-06-23 00:00:00"},
    });
}

TEST_F(VaryTest, YearOverflowFailsWithoutTouchingTheTime)
{
    List list{"+2147483647y"};
    std::tm t = parse("2021-06-16 12:00:00");
    EXPECT_EQ(vary_apply(list.head(), t), list.head());
    EXPECT_EQ(format(t), "2021-06-16 12:00:00");

    for (const char* adjustment : {"+1y", "+12m", "+1d", "+24H"}) {
        SCOPED_TRACE(adjustment);
        List step{adjustment};
        std::tm last = parse("2000-12-31 12:00:00");
        last.tm_year = INT_MAX - 1;
        EXPECT_EQ(vary_apply(step.head(), last), nullptr);
        EXPECT_EQ(last.tm_year, INT_MAX);
    }
    for (const char* adjustment : {"+2y", "+13m", "+367d", "+9000H", "+600000M", "+2147483647S"}) {
        SCOPED_TRACE(adjustment);
        List step{adjustment};
        std::tm last = parse("2000-12-31 12:00:00");
        last.tm_year = INT_MAX - 1;
        EXPECT_EQ(vary_apply(step.head(), last), step.head());
    }
}

TEST_F(VaryTest, SecondBeforeTheEpochIsAValidTime)
{
    checkCases({{"1970-01-01 00:00:00", "-1S", "1969-12-31 23:59:59"}});
}

TEST_F(VaryTest, ListStopsAtTheFirstFailure)
{
    List list{"+1d", "13m", "+1H"};
    std::tm t = parse("2021-06-16 12:00:00");
    EXPECT_EQ(vary_apply(list.head(), t), list.at(1));
    EXPECT_EQ(format(t), "2021-06-17 12:00:00");
}

TEST_F(VaryTest, ListAppliesInOrderAndCanBeReused)
{
    List list{"+1m", "31d", "-2H", "fri"};
    std::tm t = parse("2021-06-16 12:00:00");
    EXPECT_EQ(vary_apply(list.head(), t), nullptr);
    EXPECT_EQ(format(t), "2021-07-30 10:00:00");
    EXPECT_EQ(vary_apply(list.head(), t), nullptr);
    EXPECT_EQ(format(t), "2021-09-03 08:00:00");
}

TEST_F(VaryTest, EmptyListOnlyClearsDaylightSavingFlag)
{
    std::tm t = parse("2021-06-16 12:00:00");
    t.tm_isdst = 0;
    t.tm_mday = 40;
    EXPECT_EQ(vary_apply(nullptr, t), nullptr);
    EXPECT_EQ(t.tm_isdst, -1);
    EXPECT_EQ(t.tm_mday, 40);
}

TEST_F(VaryTest, FirstAdjustmentSeesANormalisedTime)
{
    std::tm t = parse("2021-06-16 12:00:00");
    t.tm_wday = 0;
    List weekday{"fri"};
    EXPECT_EQ(vary_apply(weekday.head(), t), nullptr);
    EXPECT_EQ(format(t), "2021-06-18 12:00:00");

    t.tm_mday = 32;
    List day{"+1d"};
    EXPECT_EQ(vary_apply(day.head(), t), nullptr);
    EXPECT_EQ(format(t), "2021-07-03 12:00:00");
}

TEST_F(VaryTest, AllocationFailureIsFatal)
{
    fail_next_allocation = true;
    try {
        vary_append(nullptr, "+1d");
        ADD_FAILURE() << "no exception";
    } catch (const ExifException& e) {
        EXPECT_STREQ(e.name(), "exifdie");
        EXPECT_STREQ(e.reason(), "Error: Cannot allocate memory");
    }
    fail_next_allocation = false;
}

class VaryDaylightSavingTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists("/usr/share/zoneinfo/America/New_York"))
            GTEST_SKIP() << "no America/New_York zone";
        zone_.emplace("America/New_York");
    }
    std::optional<ZoneGuard> zone_;
};

TEST_F(VaryDaylightSavingTest, TimeInTheSpringGapIsMovedNotLost)
{
    List list{"2H"};
    std::tm t = parse("2021-03-14 00:30:00");
    EXPECT_EQ(vary_apply(list.head(), t), nullptr);
    EXPECT_EQ(t.tm_year, 121);
    EXPECT_EQ(t.tm_mon, 2);
    EXPECT_EQ(t.tm_mday, 14);
    EXPECT_EQ(t.tm_min, 30);
    EXPECT_TRUE(t.tm_hour == 1 || t.tm_hour == 3) << format(t);
}

TEST_F(VaryDaylightSavingTest, DayStepsKeepTheWallClockAcrossTheChange)
{
    List list{"+1H", "+1d"};
    std::tm t = parse("2021-03-13 11:00:00");
    EXPECT_EQ(vary_apply(list.head(), t), nullptr);
    EXPECT_EQ(format(t), "2021-03-14 12:00:00");
    EXPECT_EQ(t.tm_isdst, 1);
}

}  // namespace
}  // namespace exifkit
