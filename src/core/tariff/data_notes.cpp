#include "core/tariff/data_notes.h"

#include <algorithm>
#include <cmath>

#include "core/text/display_text.h"
#include "core/text/number_text.h"

namespace lumivane {
namespace {

std::string twoDigits(int value) { return formatTwoDigits(value); }

std::string grouped(long long count) { return formatGrouped(static_cast<double>(count), 0); }

std::string counted(std::size_t count, const char* one, const char* many)
{
    return grouped(static_cast<long long>(count)) + " " + (count == 1 ? one : many);
}

// "March 2012".
std::string monthText(int month, int year)
{
    static constexpr std::array<const char*, 12> names = {"January",   "February", "March",    "April",
                                                          "May",       "June",     "July",     "August",
                                                          "September", "October",  "November", "December"};
    const std::string name =
        1 <= month && month <= 12 ? names[static_cast<std::size_t>(month - 1)] : std::to_string(month);
    return name + " " + std::to_string(year);
}

// The day number of the last Sunday of a month of 31 days.
std::int64_t lastSundayOf(int year, int month)
{
    const std::int64_t last = daysFromCivil(year, month, 31);
    return last - ((last - 3) % 7 + 7) % 7;  // day 3, 4 January 1970, was a Sunday
}

// Gaps are kept from the first step of an hour; past this many, those that the
// usual interval so far does not make gaps are dropped.
constexpr std::size_t kKeptGaps = 1024;

// How often an interval must be met to be the file's usual one.
constexpr std::size_t kUsualAtLeast = 3;

bool isGap(std::int64_t length, std::int64_t usual) { return usual > 0 && length > 4 * usual && length >= 3600; }

}  // namespace

std::string stampText(const CalendarStamp& s)
{
    std::string text = twoDigits(s.day) + "/" + twoDigits(s.month) + "/" + std::to_string(s.year) + " " +
                       twoDigits(s.hour) + ":" + twoDigits(s.secondOfDay % 3600 / 60);
    if (s.secondOfDay % 60 != 0)
        text += ":" + twoDigits(s.secondOfDay % 60);
    return text;
}

namespace {

// The stamp of a time in seconds as timeOf counts them.
CalendarStamp stampAt(std::int64_t time)
{
    const std::int64_t day = time / 86400 - (time % 86400 < 0 ? 1 : 0);  // before 1970 too
    CalendarStamp stamp = civilFromDays(day);
    stamp.secondOfDay = static_cast<int>(time - day * 86400);
    stamp.hour = stamp.secondOfDay / 3600;
    return stamp;
}

}  // namespace

std::string durationText(long long seconds)
{
    const long long days = seconds / 86400;
    const long long hours = seconds % 86400 / 3600;
    const long long minutes = seconds % 3600 / 60;
    const long long rest = seconds % 60;
    std::string text;
    auto part = [&text](long long value, const std::string& unit) {
        if (value != 0)
            text += (text.empty() ? "" : " ") + grouped(value) + unit;
    };
    part(days, days == 1 ? " day" : " days");
    part(hours, " h");
    part(minutes, " min");
    part(rest, " s");
    return text.empty() ? "0 s" : text;
}

std::int64_t DataNoteCollector::usualInterval() const
{
    const auto end = slots_.begin() + static_cast<std::ptrdiff_t>(usedSlots_);
    const auto most =
        std::max_element(slots_.begin(), end, [](const Slot& a, const Slot& b) { return a.count < b.count; });
    // An interval met once or twice is no habit of the log: a file of a few
    // readings taken now and then has no usual interval, and so no gaps.
    return most == end || most->count < kUsualAtLeast ? 0 : most->interval;
}

std::int64_t DataNoteCollector::realLength(std::int64_t start, std::int64_t end, int year)
{
    // UK clocks go forward at 01:00 on the last Sunday of March and back at
    // 02:00 (summer time) on the last Sunday of October.
    if (clock_.year != year)
        clock_ = {year, lastSundayOf(year, 3) * 86400 + kHour, lastSundayOf(year, 10) * 86400 + kHour};
    const std::int64_t wall = end - start;
    // Only a step across the skipped hour is an hour shorter than its stamps say.
    if (start < clock_.springSkipped && end >= clock_.springSkipped + kHour)
        return wall - kHour;
    // The first step back within the repeated hour is the clock going back.
    const auto repeatedHour = [this](std::int64_t t) {
        return clock_.autumnRepeated <= t && t < clock_.autumnRepeated + kHour;
    };
    if (wall <= 0 && autumnTaken_ != year && repeatedHour(start) && repeatedHour(end)) {
        autumnTaken_ = year;
        return wall + kHour;
    }
    return wall;
}

void DataNoteCollector::otherInterval(std::int64_t interval, std::int64_t start, const MeterReading& reading,
                                      double booked)
{
    const std::int64_t end = start + interval;
    if (interval > 0 && start < resume_) {
        if (end <= resume_)
            return;  // still catching up with the readings before a step back
        start = resume_;
    }
    const std::int64_t length = realLength(start, end, reading.stamp.year);
    if (length <= 0) {
        (length < 0 ? earlier_ : repeated_).add(reading.lineNumber);
        resume_ = std::max(resume_, start);
        return;
    }
    if (length >= kHour)
        keepGap({length, end - start, reading.lineNumber, start, booked});
    if (length == hotInterval_) {
        ++slots_[hot_].count;
        return;
    }
    std::size_t i = 0;
    while (i < usedSlots_ && slots_[i].interval != length)
        ++i;
    // A log with more distinct intervals than slots counts the first ones met.
    if (i == usedSlots_) {
        if (usedSlots_ == slots_.size())
            return;
        slots_[usedSlots_++] = {length, 0};
    }
    ++slots_[i].count;
    hot_ = i;
    hotInterval_ = length;
    hotIsLong_ = length >= kHour;
}

void DataNoteCollector::keepGap(const Gap& gap)
{
    if (gaps_.size() >= kKeptGaps) {
        const std::int64_t usual = usualInterval();
        gaps_.erase(
            std::remove_if(gaps_.begin(), gaps_.end(), [usual](const Gap& g) { return !isGap(g.length, usual); }),
            gaps_.end());
    }
    gaps_.push_back(gap);
}

void DataNoteCollector::fallingStep(const MeterReading& reading, double booked)
{
    if (fallingCount_++ == 0) {
        fallingLine_ = reading.lineNumber;
        fallingStamp_ = reading.stamp;
        fallingBooked_ = booked;
    }
}

void DataNoteCollector::appendGapNote(std::vector<std::string>& notes) const
{
    const std::int64_t usual = usualInterval();
    std::size_t count = 0;
    const Gap* longest = nullptr;
    for (const Gap& gap : gaps_) {
        if (!isGap(gap.length, usual))
            continue;
        ++count;
        if (!longest || gap.length > longest->length)
            longest = &gap;
    }
    if (!longest)
        return;
    notes.push_back(counted(count, "gap", "gaps") + " in the readings (steps of more than 4 times the usual " +
                    durationText(usual) + " and at least 1 h); the longest, line " + std::to_string(longest->line) +
                    ", starts " + stampText(stampAt(longest->start)) + ", lasts " + durationText(longest->shown) +
                    " and books " + formatEnergy(longest->booked) + " kWh");
}

namespace {

// "1 reading is earlier than the one before it, the first on line 14".
std::string outOfOrderNote(std::size_t count, std::size_t firstLine, const char* one, const char* many)
{
    return counted(count, one, many) + (count == 1 ? " the one before it" : " the ones before them") +
           ", the first on line " + std::to_string(firstLine);
}

}  // namespace

void DataNoteCollector::appendNotes(const FileFigures& f, std::vector<std::string>& notes) const
{
    if (otherCount_ > 0 && booked_ > 0)
        notes.push_back(counted(otherCount_, "reading", "readings") + " outside " + monthText(f.calcMonth, f.calcYear) +
                        ", the month of the first reading, " + (otherCount_ == 1 ? "was" : "were") +
                        " not booked: from " + stampText(otherFirst_) + " to " + stampText(otherLast_) +
                        ", the first on line " + std::to_string(otherFirstLine_));
    if (fallingCount_ > 0)
        notes.push_back(counted(fallingCount_, "falling reading", "falling readings") +
                        ", booked as negative energy; the first on line " + std::to_string(fallingLine_) + " at " +
                        stampText(fallingStamp_) + ", a step of " + formatEnergy(fallingBooked_) + " kWh");
    if (earlier_.count > 0)
        notes.push_back(
            outOfOrderNote(earlier_.count, earlier_.firstLine, "reading is earlier than", "readings are earlier than"));
    if (repeated_.count > 0)
        notes.push_back(outOfOrderNote(repeated_.count, repeated_.firstLine, "reading has the same timestamp as",
                                       "readings have the same timestamp as"));
    appendGapNote(notes);
}

std::string noDateNote(const ReadingFilter::NoDateLines& lines)
{
    if (lines.count == 0)
        return {};
    return counted(lines.count, "line", "lines") + " skipped because the timestamp is no date; the first, line " +
           std::to_string(lines.firstLine) + ": " + displayText(lines.firstText);
}

namespace {

// What a walk of every dated reading, whatever the scope, finds.
struct ReadingSurvey {
    std::size_t dataLines = 0;
    std::size_t skipped = 0;
    std::size_t firstSkippedLine = 0;
    std::string firstSkipReason;
    std::size_t readings = 0;
    std::string firstText, lastText;
    std::size_t inScope = 0;
    std::size_t firstInScopeLine = 0;
    CalendarStamp firstInScope;
    std::size_t otherMonths = 0;   // readings in scope of another month than the first
    std::size_t laterInMonth = 0;  // readings after the first in its month: each started afresh
    ReadingFilter::NoDateLines noDate;
};

std::string skipReasonOf(const LineFields& fields, const ReadingFilter& filter)
{
    if (fields.count < 2)
        return "it has fewer than two fields";
    if (filter.lastSkip() == ReadingFilter::SkipReason::Status)
        return "its status " + detail::quoted(fields.field[0]) + " is not 0";
    const int at = filter.shape().timestampField;
    return "its timestamp " + detail::quoted(at < fields.count ? fields.field[at] : std::string_view()) + " is no date";
}

// A reading in scope: the first, or one after it in its month or in another.
void countInScope(ReadingSurvey& s, const CalendarStamp& stamp, std::size_t lineNumber)
{
    if (s.inScope++ == 0) {
        s.firstInScopeLine = lineNumber;
        s.firstInScope = stamp;
    } else if (stamp.month != s.firstInScope.month || stamp.year != s.firstInScope.year) {
        ++s.otherMonths;
    } else {
        ++s.laterInMonth;
    }
}

void survey(std::string_view bytes, const LayoutShape& shape, const ScopeRule& rule, ReadingSurvey& s)
{
    const ScopeRule everything;
    ReadingFilter filter(shape, true, everything);
    FieldCursor lines(bytes, shape.separator);
    LineFields fields;
    MeterReading reading;
    Error error;
    for (std::size_t lineNumber = 1; lines.next(fields); ++lineNumber) {
        if (lineNumber <= shape.headerLines)
            continue;
        ++s.dataLines;
        const auto result =
            fields.count < 2 ? ReadingFilter::Result::Skip : filter.take(fields, lineNumber, reading, error);
        if (result == ReadingFilter::Result::Error)
            return;
        // A reading whose value is no number is skipped by the booking too.
        const bool unreadable = result == ReadingFilter::Result::Reading && !meterValueOf(reading);
        if (result == ReadingFilter::Result::Skip || unreadable) {
            if (s.skipped++ == 0) {
                s.firstSkippedLine = lineNumber;
                s.firstSkipReason = unreadable ? "its value " + detail::quoted(reading.valueText) + " is not a number"
                                               : skipReasonOf(fields, filter);
            }
            continue;
        }
        if (s.readings++ == 0)
            s.firstText = std::string(reading.timestampText);
        s.lastText = std::string(reading.timestampText);
        if (!rule.contains(reading.stamp.year, reading.stamp.month, reading.stamp.day))
            continue;
        countInScope(s, reading.stamp, lineNumber);
    }
    s.noDate = filter.noDateLines();
}

std::string nothingBookedNote(const ReadingSurvey& s, const DateScope& scope)
{
    std::string note = "no reading was booked: ";
    if (s.inScope > 0)
        return note + "the first reading of " + monthText(s.firstInScope.month, s.firstInScope.year) + " (line " +
               std::to_string(s.firstInScopeLine) + ") only sets the baseline, and " +
               (s.laterInMonth == 0 ? "no later reading of that month follows"
                                    : "each later reading of that month is the no-reading value or starts afresh "
                                      "after it") +
               (s.otherMonths == 0 ? ""
                                   : "; " + counted(s.otherMonths, "reading", "readings") + " of other months " +
                                         (s.otherMonths == 1 ? "was" : "were") + " not booked");
    if (scope.enabled && s.readings > 0)
        return note + "the scope from " + displayText(scope.dayText + "/" + scope.monthText + "/" + scope.yearText) +
               " for " + displayText(scope.daysText) + " days holds none of the file's readings, which run from " +
               displayText(s.firstText) + " to " + displayText(s.lastText);
    if (s.dataLines == 0)
        return note + "the file has no data lines";
    const std::string first = "line " + std::to_string(s.firstSkippedLine) + ": " + displayText(s.firstSkipReason);
    if (s.dataLines == 1)
        return note + "its one data line was skipped; " + first;
    return note + "all " + grouped(static_cast<long long>(s.dataLines)) + " data lines were skipped; the first, " +
           first;
}

}  // namespace

void addNothingBookedNote(std::vector<std::string>& notes, std::string_view bytes, const LayoutShape& shape,
                          const DateScope& scope)
{
    const auto rule = scopeRuleOf(scope);
    if (!rule)
        return;
    ReadingSurvey s;
    survey(bytes, shape, *rule, s);
    // When every data line was skipped for want of a date, the note on such
    // lines says no more than this one.
    if (s.readings == 0 && s.noDate.count == s.dataLines)
        notes.erase(std::remove(notes.begin(), notes.end(), noDateNote(s.noDate)), notes.end());
    notes.push_back(nothingBookedNote(s, scope));
}

std::string dataNotesText(const std::vector<std::pair<std::string, std::string>>& labelledNotes)
{
    if (labelledNotes.empty())
        return {};
    std::string text(kDataNotesHeader);
    text += "\r\n";
    for (const auto& [label, note] : labelledNotes)
        text.append(label).append(": ").append(note).append("\r\n");
    return text;
}

void DataNoteCollector::unreadableValue(const MeterReading& reading)
{
    if (unreadable_.count++ == 0) {
        unreadable_.line = reading.lineNumber;
        unreadable_.text = displayText(detail::quoted(reading.valueText));
    }
}

void DataNoteCollector::noReadingValue(const MeterReading& reading)
{
    if (noReading_.count++ == 0)
        noReading_.line = reading.lineNumber;
}

void DataNoteCollector::registerWrap(const MeterReading& reading, double previous, double value, int digits)
{
    if (wraps_.count++ == 0) {
        wraps_.line = reading.lineNumber;
        wraps_.text = formatPlain(previous) + " to " + formatPlain(value);
        wrapDigits_ = digits;
    }
}

void DataNoteCollector::appendReadingRuleNotes(std::vector<std::string>& notes) const
{
    const std::string minus = "\xE2\x88\x92";
    if (unreadable_.count == 1)
        notes.push_back("line " + std::to_string(unreadable_.line) + ": the value " + unreadable_.text +
                        " is not a number; that reading was skipped");
    else if (unreadable_.count > 1)
        notes.push_back(grouped(static_cast<long long>(unreadable_.count)) +
                        " readings were skipped because their value is not a number; the first, line " +
                        std::to_string(unreadable_.line) + ": the value " + unreadable_.text);
    if (noReading_.count == 1)
        notes.push_back("line " + std::to_string(noReading_.line) + ": the no-reading value " + minus +
                        "499999; the next reading starts afresh");
    else if (noReading_.count > 1)
        notes.push_back(grouped(static_cast<long long>(noReading_.count)) + " no-reading values " + minus +
                        "499999, the first on line " + std::to_string(noReading_.line) +
                        "; the reading after each starts afresh");
    if (wraps_.count > 0) {
        const std::string register_ = "the " + std::to_string(wrapDigits_) + "-digit register";
        const std::string rule = "reading + " + formatPlain(std::pow(10.0, wrapDigits_)) + " " + minus + " previous";
        notes.push_back(wraps_.count == 1 ? "line " + std::to_string(wraps_.line) + ": " + register_ +
                                                " went round from " + wraps_.text + ", booked as " + rule
                                          : grouped(static_cast<long long>(wraps_.count)) + " falls of " + register_ +
                                                " were booked as going round (" + rule + "); the first, line " +
                                                std::to_string(wraps_.line) + ": from " + wraps_.text);
    }
}

}  // namespace lumivane
