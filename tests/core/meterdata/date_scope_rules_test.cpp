#include "core/meterdata/date_scope_rules.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

using namespace lumivane;

TEST(Timestamp, ReadsDayFirstDatesTheYearFirstLongFormAndIsoDatesWithTheirOffsetIgnored)
{
    const std::array<int, 5> good[] = {{5, 3, 2012, 0, 0},  {5, 3, 2012, 0, 1},  {5, 3, 2012, 9, 1},
                                       {5, 3, 2012, 14, 1}, {29, 2, 2012, 0, 0}, {5, 3, 2012, 0, 0},
                                       {5, 3, 2012, 14, 1}, {5, 3, 2012, 23, 1}, {5, 3, 2012, 9, 1}};
    // ISO 8601: the offset is not applied, the wall-clock time as written counts.
    const char* texts[] = {"05/03/2012",          "05/03/2012 00:00",     "5/3/2012 9:30:59",
                           "2012/03/05 14:30:07", "29/02/2012",           "2012-03-05",
                           "2012-03-05T14:30",    "2012-03-05 23:59:59Z", "2012-03-05T09:30:00-05:30"};
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        const auto stamp = parseTimestamp(texts[i]);
        ASSERT_TRUE(stamp) << texts[i];
        EXPECT_EQ((std::array<int, 5>{stamp->day, stamp->month, stamp->year, stamp->hour, stamp->hasTime}), good[i]);
    }
    for (const char* text :
         {"31/02/2012", "29/02/2013", "0/3/2012", "5/13/2012", "05/03/12", "05/03/2012 24:00", "05/03/2012 12:60",
          "05/03/2012 12", "05/03/2012  12:00", "05-03-2012", "", "05/03/2012 12:00:00.5", "05/03/2012x", "123/3/2012"})
        EXPECT_FALSE(parseTimestamp(text).has_value()) << text;
    for (const char* text :
         {"2012-02-30T10:00", "2012-3-05 10:00", "2012-03-05x10:00", "2012-03-05T24:00", "2012-03-05Z",
          "2012-03-05T10:00+1:00", "2012-03-05T10:00+24:00", "2012-03-05T10:00Z+01:00", "05/03/2012 10:00Z"})
        EXPECT_FALSE(parseTimestamp(text).has_value()) << text;
    // February 2012 and 2013 are pinned by the dates above and April by the scope below; the century rule is not.
    for (const auto& [year, month, days] :
         {std::tuple{2100, 2, "28"}, {2000, 2, "29"}, {2012, 12, "31"}, {2012, 13, ""}})
        EXPECT_EQ(daysInMonth(year, month), days) << year << "/" << month;
}

TEST(DateScopeRule, TakesWholeDaysAcrossTheEndOfTheYearAndRefusesNoCalendarDate)
{
    const auto rule = scopeRuleOf(DateScope{true, "30", "12", "2012", "5"});
    ASSERT_TRUE(rule);
    auto contains = [&](int year, int month, int day) { return rule->contains(year, month, day); };
    EXPECT_TRUE(contains(2012, 12, 30) && contains(2013, 1, 1) && contains(2013, 1, 3));
    EXPECT_FALSE(contains(2012, 12, 29) || contains(2013, 1, 4) || contains(2011, 12, 30) || contains(2012, 1, 1));
    EXPECT_EQ(rule->startDayOfMonth, 30);
    for (const DateScope& bad : {DateScope{true, "31", "4", "2012", "7"}, DateScope{true, "1", "3", "2012", "seven"}})
        EXPECT_FALSE(scopeRuleOf(bad)) << bad.dayText << "/" << bad.monthText;
}
