#include "core/meterdata/date_scope_rules.h"

#include <gtest/gtest.h>

using namespace lumivane;

namespace {

DateScope scopeOf(const char* day, const char* month, const char* year, const char* days)
{
    DateScope scope;
    scope.enabled = true;
    scope.dayText = day;
    scope.monthText = month;
    scope.yearText = year;
    scope.daysText = days;
    return scope;
}

bool inScope(const ScopeRule& rule, const char* timestamp)
{
    const auto stamp = parseTimestamp(timestamp);
    EXPECT_TRUE(stamp.has_value()) << timestamp;
    return stamp && rule.contains(stamp->year, stamp->month, stamp->day);
}

}  // namespace

TEST(DaysInMonth, FollowsTheGregorianLeapYearRule)
{
    EXPECT_EQ(daysInMonth(2012, 2), "29");
    EXPECT_EQ(daysInMonth(2013, 2), "28");
    EXPECT_EQ(daysInMonth(2100, 2), "28");
    EXPECT_EQ(daysInMonth(2000, 2), "29");
    EXPECT_EQ(daysInMonth(2012, 1), "31");
    EXPECT_EQ(daysInMonth(2012, 4), "30");
    EXPECT_EQ(daysInMonth(2012, 12), "31");
    EXPECT_EQ(daysInMonth(2012, 13), "");
}

TEST(Timestamp, ReadsDayFirstDatesWithOptionalTimeAndTheYearFirstLongForm)
{
    const struct {
        const char* text;
        int year, month, day, hour;
        bool hasTime;
    } cases[] = {
        {"05/03/2012", 2012, 3, 5, 0, false},          {"05/03/2012 00:00", 2012, 3, 5, 0, true},
        {"5/3/2012 9:30:59", 2012, 3, 5, 9, true},     {"2012/03/05 14:30:07", 2012, 3, 5, 14, true},
        {"29/02/2012", 2012, 2, 29, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto stamp = parseTimestamp(c.text);
        ASSERT_TRUE(stamp);
        EXPECT_EQ(stamp->year, c.year);
        EXPECT_EQ(stamp->month, c.month);
        EXPECT_EQ(stamp->day, c.day);
        EXPECT_EQ(stamp->hour, c.hour);
        EXPECT_EQ(stamp->hasTime, c.hasTime);
    }
}

TEST(Timestamp, RefusesTextsThatAreNoCalendarDateOrTime)
{
    for (const char* bad : {"31/02/2012", "29/02/2013", "0/3/2012", "5/13/2012", "05/03/12", "05/03/2012 24:00",
                            "05/03/2012 12:60", "05/03/2012 12", "05/03/2012  12:00", "05-03-2012", "",
                            "05/03/2012 12:00:00.5", "05/03/2012x", "abc", "123/3/2012"})
        EXPECT_FALSE(parseTimestamp(bad).has_value()) << bad;
}

TEST(WholeNumber, AcceptsSignedDigitsOnly)
{
    EXPECT_EQ(parseWholeNumber("0"), 0);
    EXPECT_EQ(parseWholeNumber(" 12 "), 12);
    EXPECT_EQ(parseWholeNumber("-3"), -3);
    for (const char* bad : {"", " ", "1.5", "x", "1e3", "--1"})
        EXPECT_FALSE(parseWholeNumber(bad).has_value()) << bad;
}

TEST(DateScopeRule, SwitchedOffHoldsEveryDate)
{
    DateScope scope = scopeOf("31", "2", "2012", "xx");
    scope.enabled = false;
    const auto rule = scopeRuleOf(scope);
    ASSERT_TRUE(rule);
    EXPECT_TRUE(inScope(*rule, "01/01/1999"));
    EXPECT_TRUE(inScope(*rule, "31/12/2099 23:59"));
}

// Across the end of a leap February: MeterLogScope.SelectsWholeDaysOfTheReadings.
TEST(DateScopeRule, TakesWholeDaysAcrossTheEndOfTheYear)
{
    const auto rule = scopeRuleOf(scopeOf("30", "12", "2012", "5"));
    ASSERT_TRUE(rule);
    for (const char* in : {"30/12/2012", "31/12/2012 23:00", "01/01/2013", "02/01/2013", "03/01/2013 23:59"})
        EXPECT_TRUE(inScope(*rule, in)) << in;
    for (const char* out : {"29/12/2012 23:59", "04/01/2013 00:00", "30/12/2011", "01/01/2012"})
        EXPECT_FALSE(inScope(*rule, out)) << out;
    EXPECT_EQ(rule->startDayOfMonth, 30);
}

TEST(DateScopeRule, RefusesAStartThatIsNoCalendarDate)
{
    const auto start = scopeRuleOf(scopeOf("31", "4", "2012", "7"));
    ASSERT_FALSE(start);
    EXPECT_NE(start.error().reason.find("31/4/2012"), std::string::npos) << start.error().reason;
    const auto length = scopeRuleOf(scopeOf("1", "3", "2012", "seven"));
    ASSERT_FALSE(length);
    EXPECT_NE(length.error().reason.find("seven"), std::string::npos) << length.error().reason;
}

TEST(DaysFromCivil, CountsCalendarDays)
{
    EXPECT_EQ(daysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(daysFromCivil(2012, 3, 1) - daysFromCivil(2012, 2, 28), 2);
    EXPECT_EQ(daysFromCivil(2013, 3, 1) - daysFromCivil(2013, 2, 28), 1);
    EXPECT_EQ(daysFromCivil(2100, 3, 1) - daysFromCivil(2100, 2, 28), 1);
    EXPECT_EQ(daysFromCivil(2013, 1, 1) - daysFromCivil(2012, 1, 1), 366);
}
