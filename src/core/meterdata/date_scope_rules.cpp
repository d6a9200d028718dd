#include "core/meterdata/date_scope_rules.h"

namespace lumivane {
namespace {

// Reads 1..maxDigits decimal digits at `pos`; -1 when there is none.
int readDigits(std::string_view text, std::size_t& pos, std::size_t minDigits, std::size_t maxDigits)
{
    int value = 0;
    std::size_t count = 0;
    while (pos < text.size() && count < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++count;
    }
    // More digits than allowed make the text no timestamp of ours.
    if (count < minDigits || (pos < text.size() && text[pos] >= '0' && text[pos] <= '9'))
        return -1;
    return value;
}

bool expect(std::string_view text, std::size_t& pos, char c)
{
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

}  // namespace

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int monthLength(int year, int month)
{
    switch (month) {
    case 1:
    case 3:
    case 5:
    case 7:
    case 8:
    case 10:
    case 12: return 31;
    case 4:
    case 6:
    case 9:
    case 11: return 30;
    case 2:
        // The Gregorian rule, not the plain "divisible by 4" of the old program:
        // February 2100 has 28 days.
        return isLeapYear(year) ? 29 : 28;
    default: return 0;
    }
}

std::string daysInMonth(int year, int month)
{
    const int length = monthLength(year, month);
    return length == 0 ? std::string() : std::to_string(length);
}

std::int64_t daysFromCivil(int year, int month, int day)
{
    // Howard Hinnant's days_from_civil: eras of 400 years, March-based years,
    // so no locale or time-zone handling can move a date.
    const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CalendarStamp civilFromDays(std::int64_t dayNumber)
{
    // Howard Hinnant's civil_from_days, the inverse of the above.
    const std::int64_t z = dayNumber + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    CalendarStamp stamp;
    stamp.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    stamp.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    stamp.year = static_cast<int>(yoe + era * 400 + (stamp.month <= 2 ? 1 : 0));
    stamp.dayNumber = dayNumber;
    return stamp;
}

bool isIsoDate(std::string_view text) { return text.size() >= 10 && text[4] == '-' && text[7] == '-'; }

namespace {

// "YYYY-MM-DD": exactly four, two and two digits.
bool parseIsoDate(std::string_view text, CalendarStamp& stamp)
{
    std::size_t pos = 0;
    stamp.year = readDigits(text, pos, 4, 4);
    if (stamp.year < 0 || !expect(text, pos, '-'))
        return false;
    stamp.month = readDigits(text, pos, 2, 2);
    if (stamp.month < 0 || !expect(text, pos, '-'))
        return false;
    stamp.day = readDigits(text, pos, 2, 2);
    return pos == text.size() && stamp.day >= 1 && stamp.year >= 1 && stamp.month >= 1 && stamp.month <= 12 &&
           stamp.day <= monthLength(stamp.year, stamp.month);
}

// Whether `text` is a UTC offset "+hh:mm" or "-hh:mm".
bool isUtcOffset(std::string_view text)
{
    std::size_t pos = 1;
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-'))
        return false;
    const int hours = readDigits(text, pos, 2, 2);
    if (hours < 0 || hours > 23 || !expect(text, pos, ':'))
        return false;
    const int minutes = readDigits(text, pos, 2, 2);
    return minutes >= 0 && minutes <= 59 && pos == text.size();
}

}  // namespace

bool parseDatePart(std::string_view text, CalendarStamp& stamp)
{
    if (isIsoDate(text))
        return parseIsoDate(text, stamp);
    std::size_t pos = 0;
    const int first = readDigits(text, pos, 1, 4);
    if (first < 0)
        return false;
    const bool yearFirst = pos == 4;
    if (pos == 3 || !expect(text, pos, '/'))
        return false;
    if (yearFirst) {
        stamp.year = first;
        stamp.month = readDigits(text, pos, 1, 2);
        if (stamp.month < 0 || !expect(text, pos, '/'))
            return false;
        stamp.day = readDigits(text, pos, 1, 2);
    } else {
        stamp.day = first;
        stamp.month = readDigits(text, pos, 1, 2);
        if (stamp.month < 0 || !expect(text, pos, '/'))
            return false;
        stamp.year = readDigits(text, pos, 4, 4);
    }
    return pos == text.size() && stamp.day >= 1 && stamp.year >= 1 && stamp.month >= 1 && stamp.month <= 12 &&
           stamp.day <= monthLength(stamp.year, stamp.month);
}

bool parseTimePart(std::string_view text, int& hour)
{
    CalendarStamp stamp;
    if (!parseTimePart(text, stamp))
        return false;
    hour = stamp.hour;
    return true;
}

bool parseTimePart(std::string_view text, CalendarStamp& stamp)
{
    std::size_t pos = 0;
    const int h = readDigits(text, pos, 1, 2);
    if (h < 0 || h > 23 || !expect(text, pos, ':'))
        return false;
    const int minute = readDigits(text, pos, 2, 2);
    if (minute < 0 || minute > 59)
        return false;
    int second = 0;
    if (pos < text.size()) {
        if (!expect(text, pos, ':'))
            return false;
        second = readDigits(text, pos, 2, 2);
        if (second < 0 || second > 59 || pos != text.size())
            return false;
    }
    stamp.hour = h;
    stamp.secondOfDay = h * 3600 + minute * 60 + second;
    return true;
}

std::size_t timeSeparatorOf(std::string_view text)
{
    if (isIsoDate(text))
        return text.size() > 10 && (text[10] == 'T' || text[10] == ' ') ? 10 : text.size() == 10 ? text.npos : 0;
    return text.find(' ');
}

std::string_view withoutUtcOffset(std::string_view time)
{
    if (!time.empty() && time.back() == 'Z')
        return time.substr(0, time.size() - 1);
    if (time.size() > 6 && isUtcOffset(time.substr(time.size() - 6)))
        return time.substr(0, time.size() - 6);
    return time;
}

std::optional<CalendarStamp> parseTimestamp(std::string_view text)
{
    CalendarStamp stamp;
    const std::size_t separator = timeSeparatorOf(text);
    if (!parseDatePart(text.substr(0, separator), stamp))
        return std::nullopt;
    if (separator == std::string_view::npos)
        return stamp;
    const std::string_view time = text.substr(separator + 1);
    if (!parseTimePart(isIsoDate(text) ? withoutUtcOffset(time) : time, stamp))
        return std::nullopt;
    stamp.hasTime = true;
    return stamp;
}

std::optional<long long> parseWholeNumber(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

Expected<ScopeRule> scopeRuleOf(const DateScope& scope)
{
    ScopeRule rule;
    if (!scope.enabled)
        return rule;
    const std::string startText = scope.dayText + "/" + scope.monthText + "/" + scope.yearText;
    const auto start = parseTimestamp(startText);
    if (!start || start->hasTime || startText.find(' ') != std::string::npos || startText.size() > 10 ||
        startText.find('/') == 4)
        return failure("the scope start " + startText + " is no calendar date");
    const auto days = parseWholeNumber(scope.daysText);
    if (!days)
        return failure("the scope length \"" + scope.daysText + "\" is not a whole number of days");
    rule.enabled = true;
    rule.startDay = daysFromCivil(start->year, start->month, start->day);
    rule.days = *days;
    rule.startDayOfMonth = start->day;
    return rule;
}

}  // namespace lumivane
