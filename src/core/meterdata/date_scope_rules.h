#pragma once
// Calendar arithmetic of the date scope: month lengths, day numbers, the
// day-first date texts of meter logs and scope fields, and scope membership.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/meterdata/date_scope.h"
#include "core/text/expected.h"

namespace lumivane {

// True for years of the Gregorian calendar that have a 29 February.
bool isLeapYear(int year);

// Days of the month (28..31) by the Gregorian rule; 0 for a month outside 1..12.
int monthLength(int year, int month);

// "31", "30", "29" or "28": the days of that date's month; "" for a bad month.
std::string daysInMonth(int year, int month);

// Days since 1970-01-01 of a proleptic Gregorian date (no range checks).
std::int64_t daysFromCivil(int year, int month, int day);

// A calendar date with the hour of its time of day (0 when there is no time).
struct CalendarStamp {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int secondOfDay = 0;  // the time of day in seconds, hours included
    bool hasTime = false;
    std::int64_t dayNumber = 0;  // daysFromCivil of the date, where the reading filter made the stamp
};

// The date of a day number of daysFromCivil: year, month and day of the stamp.
CalendarStamp civilFromDays(std::int64_t dayNumber);

// The timestamp test of the meter logs: "D/M/YYYY" day first, or the rewritten
// long form "YYYY/M/D", each optionally followed by one blank and "H:MM" or
// "H:MM:SS" (24-hour clock); or ISO 8601 "YYYY-MM-DD", optionally followed by
// "T" or one blank, the time, and "Z" or "+hh:mm"/"-hh:mm". An offset is read
// and ignored: the wall-clock time as written is the reading's time. Only real
// calendar dates and times pass.
std::optional<CalendarStamp> parseTimestamp(std::string_view text);

// Whether the text starts like an ISO date ("YYYY-MM-DD", dashes at 4 and 7).
bool isIsoDate(std::string_view text);

// Where a timestamp's date part ends and its time follows: the first blank,
// or the "T" or blank after an ISO date; npos for a bare date. 0 for an ISO
// date followed by anything else, which leaves no date.
std::size_t timeSeparatorOf(std::string_view text);

// The time of an ISO timestamp without its "Z" or "+hh:mm"/"-hh:mm".
std::string_view withoutUtcOffset(std::string_view time);

// The date alone ("D/M/YYYY", "YYYY/M/D" or "YYYY-MM-DD"); fills year, month and day.
bool parseDatePart(std::string_view text, CalendarStamp& stamp);

// The time alone ("H:MM" or "H:MM:SS"); gives its hour.
bool parseTimePart(std::string_view text, int& hour);

// The same, filling the hour and the second of the day of the stamp.
bool parseTimePart(std::string_view text, CalendarStamp& stamp);

// A whole number written in decimal ("0", "-3", " 12 "); nullopt for anything else.
std::optional<long long> parseWholeNumber(std::string_view text);

// The scope as the loader applies it: the start as a day number and the length.
struct ScopeRule {
    bool enabled = false;
    std::int64_t startDay = 0;  // daysFromCivil of the start date
    long long days = 0;
    int startDayOfMonth = 1;  // the number in txtDD, for the bill

    // Whole calendar days from the start to the date: at least 0 and below the length.
    bool contains(int year, int month, int day) const { return containsDay(daysFromCivil(year, month, day)); }

    // The same for a date given as daysFromCivil.
    bool containsDay(std::int64_t dayNumber) const
    {
        if (!enabled)
            return true;
        const std::int64_t offset = dayNumber - startDay;
        return offset >= 0 && offset < days;
    }
};

// The scope rule of the window's fields, or the reason when the scope is
// switched on and its start is no calendar date or its length no whole
// number. A switched-off scope always gives a rule.
Expected<ScopeRule> scopeRuleOf(const DateScope& scope);

}  // namespace lumivane
