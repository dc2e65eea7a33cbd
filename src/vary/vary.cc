#include "exifkit/vary.h"

#include "exifkit/errors.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

namespace exifkit {

namespace {

struct name_entry {
    std::int32_t val;
    const char* name;
};

constexpr name_entry trans_mon[] = {
    {1, "january"}, {2, "february"}, {3, "march"},     {4, "april"},
    {5, "may"},     {6, "june"},     {7, "july"},      {8, "august"},
    {9, "september"}, {10, "october"}, {11, "november"}, {12, "december"},
    {-1, nullptr},
};

constexpr name_entry trans_wday[] = {
    {0, "sunday"},   {1, "monday"}, {2, "tuesday"}, {3, "wednesday"},
    {4, "thursday"}, {5, "friday"}, {6, "saturday"}, {-1, nullptr},
};

constexpr char digits[] = "0123456789";

// February is worked out by daysinmonth.
constexpr std::int32_t mdays[12] = {31, 0, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// The Gregorian calendar repeats every 400 years, which hold this many days.
constexpr long long days_per_cycle = 146097;

// Larger amounts fail rather than being wrapped or saturated.
constexpr long long max_amount = INT_MAX;

// A sign of 0 means the adjustment sets its field.
using adjuster = bool (*)(std::tm&, char, long long, bool);

bool adjmon(std::tm& t, char sign, long long n, bool byname, bool normalise);
bool adjhour(std::tm& t, char sign, long long n, bool normalise);

// Value of the first row whose name shares its first three letters with text,
// or whose whole name begins text, ignoring case; -1 when none does.
int trans(const name_entry* table, const char* text)
{
    char word[16];
    std::size_t len = 0;
    for (; len < sizeof word - 1 && text[len] != '\0'; ++len)
        word[len] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[len])));
    word[len] = '\0';

    for (; table->val != -1; ++table) {
        if (std::strncmp(table->name, word, 3) == 0 ||
            std::strncmp(table->name, word, std::strlen(table->name)) == 0)
            return table->val;
    }
    return -1;
}

bool isleap(long long year)
{
    return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

int daysinmonth(const std::tm& t)
{
    if (t.tm_mon == 1)
        return isleap(t.tm_year + 1900LL) ? 29 : 28;
    if (t.tm_mon >= 0 && t.tm_mon <= 11)
        return mdays[t.tm_mon];
    return 0;
}

// Stores value in field unless it does not fit in an int.
bool store(int& field, long long value)
{
    if (value < INT_MIN || value > INT_MAX)
        return false;
    field = static_cast<int>(value);
    return true;
}

bool addyears(std::tm& t, long long years)
{
    return store(t.tm_year, t.tm_year + years);
}

// One call of mktime with daylight saving time left to it. mktime returns -1
// both on failure and for the second before the epoch; only a successful call
// fills in tm_yday, which tells the two apart.
bool mktimeaccepts(std::tm& t)
{
    const int yday = t.tm_yday;
    t.tm_isdst = -1;
    t.tm_yday = -1;
    if (std::mktime(&t) != static_cast<std::time_t>(-1) || t.tm_yday != -1)
        return true;
    t.tm_yday = yday;
    return false;
}

// Normalises the time. A time rejected within the years 1969 to 2037 is moved
// an hour at a time, in the direction of the adjustment, until one is accepted.
bool domktime(std::tm& t, char sign)
{
    while (!mktimeaccepts(t)) {
        if (t.tm_year < 69 || t.tm_year > 137)
            return false;
        if (!adjhour(t, sign == '-' ? '-' : '+', 1, false))
            return false;
    }
    return true;
}

bool finish(std::tm& t, char sign, bool normalise)
{
    return !normalise || domktime(t, sign);
}

bool adjyear(std::tm& t, char sign, long long n, bool normalise)
{
    switch (sign) {
    case '+':
        if (!addyears(t, n))
            return false;
        break;
    case '-':
        if (!addyears(t, -n))
            return false;
        break;
    default: {
        const long long year = n <= 68 ? 2000 + n : n <= 1900 ? 1900 + n : n;
        if (!store(t.tm_year, year - 1900))
            return false;
    }
    }
    return finish(t, sign, normalise);
}

// Months from month cur to the next (sign '+') or previous (sign '-') month
// target, both counted from 0; 0 when they are the same.
long long monthsuntil(int cur, long long target, char sign)
{
    if (sign == '+')
        return target >= cur ? target - cur : target - cur + 12;
    return target <= cur ? cur - target : cur - target + 12;
}

bool adjmon(std::tm& t, char sign, long long n, bool byname, bool normalise)
{
    if (byname && sign != 0)
        return adjmon(t, sign, monthsuntil(t.tm_mon, n - 1, sign), false, normalise);
    if (n < 0)
        return false;

    switch (sign) {
    case '+': {
        if (!addyears(t, (t.tm_mon + n) / 12))
            return false;
        long long mon = t.tm_mon + n % 12;
        if (mon >= 12)
            mon -= 12;
        if (!store(t.tm_mon, mon))
            return false;
        break;
    }
    case '-': {
        long long years = n / 12;
        long long r = n % 12;
        if (r > t.tm_mon) {
            ++years;
            r -= 12;
        }
        if (!addyears(t, -years) || !store(t.tm_mon, t.tm_mon - r))
            return false;
        break;
    }
    default:
        if (n < 1 || n > 12)
            return false;
        t.tm_mon = static_cast<int>(n - 1);
    }
    return finish(t, sign, normalise);
}

// Whole 400-year cycles are skipped at once, so huge amounts cost no more than
// small ones; the rest is walked a month at a time.
bool daysforward(std::tm& t, long long n)
{
    if (!addyears(t, 400 * (n / days_per_cycle)))
        return false;
    n %= days_per_cycle;
    while (n != 0) {
        const long long left = daysinmonth(t) - static_cast<long long>(t.tm_mday);
        if (n <= left)
            return store(t.tm_mday, t.tm_mday + n);
        n -= left + 1;
        t.tm_mday = 1;
        if (!adjmon(t, '+', 1, false, false))
            return false;
    }
    return true;
}

bool daysback(std::tm& t, long long n)
{
    if (!addyears(t, -400 * (n / days_per_cycle)))
        return false;
    n %= days_per_cycle;
    while (n != 0) {
        if (n < t.tm_mday)
            return store(t.tm_mday, t.tm_mday - n);
        n -= t.tm_mday;
        if (!adjmon(t, '-', 1, false, false))
            return false;
        t.tm_mday = daysinmonth(t);
    }
    return true;
}

bool adjday(std::tm& t, char sign, long long n, bool normalise)
{
    if (n < 0)
        return false;
    switch (sign) {
    case '+':
        if (!daysforward(t, n))
            return false;
        break;
    case '-':
        if (!daysback(t, n))
            return false;
        break;
    default:
        if (n < 1 || n > daysinmonth(t))
            return false;
        t.tm_mday = static_cast<int>(n);
    }
    return finish(t, sign, normalise);
}

// Weekday w (0 Sunday to 6 Saturday) reached from the current one: the next
// or previous one with a sign, the one of the current week (from Sunday) without.
bool movetoweekday(std::tm& t, char sign, long long w, bool normalise)
{
    if (w < 0 || w > 6)
        return false;
    const long long c = t.tm_wday;
    char direction = sign;
    long long days = 0;
    switch (sign) {
    case '+':
        days = w >= c ? w - c : w - c + 7;
        break;
    case '-':
        days = w <= c ? c - w : c - w + 7;
        break;
    default:
        direction = w > c ? '+' : '-';
        days = w > c ? w - c : c - w;
    }
    if (days == 0)
        return true;
    return adjday(t, direction, days, normalise);
}

bool adjwday(std::tm& t, char sign, long long n, bool byname, bool normalise)
{
    if (byname || sign == 0)
        return movetoweekday(t, sign, n, normalise);
    if (n < 0)
        return false;
    if (n == 0)
        return true;
    return adjday(t, sign, 7 * n, normalise);
}

bool adjhour(std::tm& t, char sign, long long n, bool normalise)
{
    if (n < 0)
        return false;
    switch (sign) {
    case '+':
        if (n != 0) {
            const long long old = t.tm_hour;
            if (!store(t.tm_hour, (old + n % 24) % 24) || !adjday(t, '+', (n + old) / 24, false))
                return false;
        }
        break;
    case '-':
        if (n != 0) {
            long long days = n / 24;
            long long hours = n % 24;
            if (hours > t.tm_hour) {
                ++days;
                hours -= 24;
            }
            if (!store(t.tm_hour, t.tm_hour - hours) || !adjday(t, '-', days, false))
                return false;
        }
        break;
    default:
        if (n > 23)
            return false;
        t.tm_hour = static_cast<int>(n);
    }
    return finish(t, sign, normalise);
}

// Moves a minute or second field by n, carrying whole sixties into the next
// coarser unit, or sets it (0 to 59) without sign.
bool movesixty(std::tm& t, int& field, char sign, long long n, adjuster coarser)
{
    if (n < 0)
        return false;
    switch (sign) {
    case '+':
        if (n != 0) {
            if (!coarser(t, '+', (field + n) / 60, false))
                return false;
            long long value = field + n % 60;
            if (value > 59)
                value -= 60;
            return store(field, value);
        }
        return true;
    case '-':
        if (n != 0) {
            long long carry = n / 60;
            long long step = n % 60;
            if (step > field) {
                ++carry;
                step -= 60;
            }
            if (!coarser(t, '-', carry, false))
                return false;
            return store(field, field - step);
        }
        return true;
    default:
        if (n > 59)
            return false;
        field = static_cast<int>(n);
        return true;
    }
}

bool adjmin(std::tm& t, char sign, long long n, bool normalise)
{
    return movesixty(t, t.tm_min, sign, n, adjhour) && finish(t, sign, normalise);
}

bool adjsec(std::tm& t, char sign, long long n)
{
    return movesixty(t, t.tm_sec, sign, n, adjmin) && domktime(t, sign);
}

// An amount of ndigits decimal digits followed by its unit letter.
bool applyamount(std::tm& t, char sign, const char* text, std::size_t ndigits)
{
    long long n = 0;
    for (std::size_t i = 0; i < ndigits; ++i) {
        n = n * 10 + (text[i] - '0');
        if (n > max_amount)
            return false;
    }
    switch (text[ndigits]) {
    case 'y': return adjyear(t, sign, n, true);
    case 'm': return adjmon(t, sign, n, false, true);
    case 'w': return adjwday(t, sign, n, false, true);
    case 'd': return adjday(t, sign, n, true);
    case 'H': return adjhour(t, sign, n, true);
    case 'M': return adjmin(t, sign, n, true);
    case 'S': return adjsec(t, sign, n);
    default: return false;
    }
}

bool applyname(std::tm& t, char sign, const char* text)
{
    int value = trans(trans_wday, text);
    if (value != -1)
        return adjwday(t, sign, value, true, true);
    value = trans(trans_mon, text);
    if (value != -1)
        return adjmon(t, sign, value, true, true);
    return false;
}

bool applyone(std::tm& t, const char* text)
{
    if (text == nullptr)
        return false;
    char sign = 0;
    if (*text == '+' || *text == '-')
        sign = *text++;
    const std::size_t len = std::strlen(text);
    if (len < 2)
        return false;
    if (std::strspn(text, digits) == len - 1)
        return applyamount(t, sign, text, len - 1);
    return applyname(t, sign, text);
}

}  // namespace

vary_item* vary_append(vary_item* list, const char* text)
{
    errno = 0;
    auto* item = new (std::nothrow) vary_item{text, nullptr};
    if (item == nullptr)
        exifdie(std::strerror(errno != 0 ? errno : ENOMEM));
    if (list == nullptr)
        return item;
    vary_item* last = list;
    while (last->next != nullptr)
        last = last->next;
    last->next = item;
    return list;
}

const vary_item* vary_apply(const vary_item* list, std::tm& time)
{
    time.tm_isdst = -1;
    if (list != nullptr && !domktime(time, 0))
        return list;
    for (const vary_item* item = list; item != nullptr; item = item->next) {
        if (!applyone(time, item->text))
            return item;
    }
    return nullptr;
}

void vary_destroy(vary_item* list) noexcept
{
    while (list != nullptr) {
        vary_item* next = list->next;
        delete list;
        list = next;
    }
}

}  // namespace exifkit
