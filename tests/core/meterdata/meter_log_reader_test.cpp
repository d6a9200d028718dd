#include "core/meterdata/meter_log_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/temp_dir.h"

using namespace lumivane;
using lumivane::test::testDataDir;

namespace {

struct Walked {
    std::vector<std::string> timestamps;
    std::vector<std::string> values;
    std::vector<int> hours;
    std::optional<Error> error;
};

// Every reading the engine's walk would see, with the engine's layout test.
Walked walk(std::string_view bytes, std::string_view path = "/data/logs/site.csv", ScopeRule scope = {})
{
    Walked w;
    const auto shape = engineLayoutOf(path, firstLineOf(bytes));
    if (!shape) {
        w.error = shape.error();
        return w;
    }
    const auto walked = walkMeterReadings(bytes, *shape, true, scope, [&](const MeterReading& r) {
        w.timestamps.emplace_back(r.timestampText);
        w.values.emplace_back(r.valueText);
        w.hours.push_back(r.stamp.hour);
        return Expected<void>();
    });
    if (!walked)
        w.error = walked.error();
    return w;
}

Walked walkFixture(const char* name)
{
    const std::string path = (testDataDir() / "meterlogs" / name).string();
    FileBuffer buffer;
    EXPECT_TRUE(buffer.load(path).ok()) << path;
    return walk(buffer.bytes(), path);
}

}  // namespace

TEST(MonthNumber, GivesTwoDigitsForExactAbbreviations)
{
    EXPECT_EQ(monthNumber("Jan"), "01");
    EXPECT_EQ(monthNumber("Sep"), "09");
    EXPECT_EQ(monthNumber("Dec"), "12");
    EXPECT_FALSE(monthNumber("sep").has_value());
    EXPECT_FALSE(monthNumber("SEP").has_value());
    EXPECT_FALSE(monthNumber("Sept").has_value());
}

TEST(MeterLogLines, LfOnlyReadsLikeCrLf)
{
    const Walked crlf = walkFixture("plain_site1.csv");
    const Walked lf = walkFixture("plain_site1_lf.csv");
    ASSERT_FALSE(crlf.error);
    ASSERT_FALSE(lf.error);
    EXPECT_EQ(crlf.timestamps, lf.timestamps);
    EXPECT_EQ(crlf.values, lf.values);
    EXPECT_EQ(crlf.values, (std::vector<std::string>{"100", "104", "110", "113", "120"}));
}

// The values of the readings a plain log yields under each rule for lines.
TEST(MeterLogLines, EachRuleKeepsTheRightReadings)
{
    struct Case {
        const char* name;
        const char* bytes;
        std::vector<std::string> values;
    };
    const Case cases[] = {
        {"CR alone ends a line, the last needs no end",
         "S,T,V\r0,01/03/2012 00:00,1\r0,01/03/2012 01:00,2\r\n0,01/03/2012 02:00,3", {"1", "2", "3"}},
        // Once the file has a CR, only CR and CR LF end lines; the LF stays in the line.
        {"LF inside a file with CR", "S,T,V\r\n0,01/03/2012 00:00,1\n0,01/03/2012 01:00,2\r\n", {"1\n0"}},
        // 1 skips, 0 uses, a status field longer than 5 characters is the long form and counts as 0.
        {"status", "S,T,V\r\n1,01/03/2012 00:00,1\r\n0,01/03/2012 01:00,2\r\n7,01/03/2012 02:00,3\r\n"
                   "Meter1,01-Mar-2012 03:00:00.000,4\r\n", {"2", "4"}},
        {"no calendar date", "S,T,V\r\n0,31/02/2012 10:00,1\r\n0,01/03/2012 10:00,2\r\n", {"2"}},
        {"short lines skipped", "S,T,V\r\n\r\nnocomma\r\n0,01/03/2012 10:00,2\r\n1,short\r\n", {"2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Walked w = walk(c.bytes);
        ASSERT_FALSE(w.error);
        EXPECT_EQ(w.values, c.values);
    }
}

TEST(MeterLogLayout, IrioInThePathMeansTabSeparatedWithEightHeaderLines)
{
    const Walked w = walkFixture("unit4.IRIO.txt");
    ASSERT_FALSE(w.error);
    EXPECT_EQ(w.values, (std::vector<std::string>{"50", "51.5", "52"}));
    EXPECT_EQ(w.timestamps.front(), "05/03/2012 06:00");

    const auto shape = engineLayoutOf("/data/.IRIO/unit4.csv", "a,b");
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->layout, MeterLayout::TabLogger);
    // Exact case only.
    const auto lower = engineLayoutOf("/data/unit4.irio", "Status,Timestamp,Value");
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower->layout, MeterLayout::Plain);
    EXPECT_EQ(lower->headerLines, 1u);
}

TEST(MeterLogLayout, GatewaySnMakesDataBeginAtLineEight)
{
    const Walked w = walkFixture("gateway_export.csv");
    ASSERT_FALSE(w.error);
    // Line 7 looks like a reading (value 500) but is still a header line.
    EXPECT_EQ(w.values, (std::vector<std::string>{"1000", "1002.5", "1004"}));
    EXPECT_EQ(w.timestamps.front(), "05/03/2012 06:00");
}

TEST(MeterLogLayout, FirstLineWithoutCommaCannotBeRead)
{
    const Walked w = walk("just a title\r\n0,01/03/2012 00:00,1\r\n");
    ASSERT_TRUE(w.error);
    EXPECT_EQ(w.error->line, 1u);
}

TEST(MeterLogStatus, AStatusThatIsNoWholeNumberStopsTheFileAtItsLine)
{
    const Walked w = walk("S,T,V\r\n0,01/03/2012 00:00,1\r\nx,01/03/2012 01:00,2\r\n");
    ASSERT_TRUE(w.error);
    EXPECT_EQ(w.error->line, 3u);
    EXPECT_NE(w.error->reason.find("\"x\""), std::string::npos) << w.error->reason;
}

TEST(MeterLogLongForm, RewritesTheTimestampYearFirstWithoutFraction)
{
    const Walked w = walkFixture("long_form.csv");
    ASSERT_FALSE(w.error);
    EXPECT_EQ(w.timestamps, (std::vector<std::string>{"2012/03/05 06:00:00", "2012/03/05 07:15:30",
                                                      "2012/03/05 23:00:00"}));
    EXPECT_EQ(w.hours, (std::vector<int>{6, 7, 23}));

    char out[80];
    const auto length = rewriteLongForm("05-Mar-2012 14:30:07.250", out, sizeof out);
    ASSERT_TRUE(length);
    EXPECT_EQ(std::string_view(out, *length), "2012/03/05 14:30:07");
}

TEST(MeterLogLongForm, UnknownMonthStopsTheFileAtItsLine)
{
    const Walked w = walk("S,T,V\r\nMeter-0001,05-Mrz-2012 14:30:07.250,1\r\n");
    ASSERT_TRUE(w.error);
    EXPECT_EQ(w.error->line, 2u);
    EXPECT_NE(w.error->reason.find("\"Mrz\""), std::string::npos) << w.error->reason;
}

TEST(MeterLogTimestamps, BareDateGetsMidnightAndHourZero)
{
    const Walked w = walk("S,T,V\r\n0,05/03/2012,1\r\n0,05/03/2012 00:00,2\r\n");
    ASSERT_FALSE(w.error);
    EXPECT_EQ(w.timestamps, (std::vector<std::string>{"05/03/2012 00:00", "05/03/2012 00:00"}));
    EXPECT_EQ(w.hours, (std::vector<int>{0, 0}));
}

TEST(MeterLogFields, AUsedLineNeedsItsValueField)
{
    const Walked tooFew = walk("S,T,V\r\n0,01/03/2012 10:00,2\r\n0,01/03/2012 11:00\r\n");
    ASSERT_TRUE(tooFew.error);
    EXPECT_EQ(tooFew.error->line, 3u);
}

TEST(MeterLogScope, SelectsWholeDaysOfTheReadings)
{
    ScopeRule rule;
    rule.enabled = true;
    rule.startDay = daysFromCivil(2012, 2, 28);
    rule.days = 3;
    const Walked w = walk("S,T,V\r\n"
                          "0,27/02/2012 23:59,1\r\n"
                          "0,28/02/2012,2\r\n"
                          "0,29/02/2012 12:00,3\r\n"
                          "0,01/03/2012 23:59,4\r\n"
                          "0,02/03/2012 00:00,5\r\n",
                          "/d/s.csv", rule);
    ASSERT_FALSE(w.error);
    EXPECT_EQ(w.values, (std::vector<std::string>{"2", "3", "4"}));
}

TEST(FileBuffer, NamesWhyAFileCannotBeRead)
{
    lumivane::test::TempDir dir;
    FileBuffer buffer;
    const auto missing = buffer.load((dir.path() / "missing.csv").string());
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().reason.find("cannot be opened"), std::string::npos);
    const auto folder = buffer.load(dir.path().string());
    ASSERT_FALSE(folder);
    EXPECT_NE(folder.error().reason.find("folder"), std::string::npos);
    const std::string path = dir.write("a.csv", "S,T,V\r\n");
    EXPECT_TRUE(buffer.load(path));
    EXPECT_EQ(buffer.bytes(), "S,T,V\r\n");
}

namespace {

// One line's fields as "count:field|field|...".
std::string joined(const LineFields& fields)
{
    std::string text = std::to_string(fields.count) + ":";
    for (int i = 0; i < fields.count && i < LineFields::kKept; ++i)
        text.append(fields.field[i]).append("|");
    return text;
}

// The lines and fields of the one-pass cursor.
std::vector<std::string> cursorFields(std::string_view bytes, char separator)
{
    std::vector<std::string> lines;
    FieldCursor cursor(bytes, separator);
    LineFields fields;
    while (cursor.next(fields))
        lines.push_back(joined(fields));
    return lines;
}

// The same from the plain cursor and a split of each line.
std::vector<std::string> splitLines(std::string_view bytes, char separator)
{
    std::vector<std::string> lines;
    LineCursor cursor(bytes);
    std::string_view line;
    LineFields fields;
    while (cursor.next(line)) {
        fields.split(line, separator);
        lines.push_back(joined(fields));
    }
    return lines;
}

}  // namespace

TEST(MeterLogLines, OnePassCursorSplitsLikeLinesThenFields)
{
    std::vector<std::string> texts = {
        "a,b\r\nc,d\r\ne\r\n",
        "a,b\r\nc,d\r\ne",
        "a\rb\r\n\r\nc\r",
        "a\nb\n\nc",
        "a\nb\nc\n",
        "a,b\r\nx\ny\r\nz",
        "",
        "single line",
        "\r\n\r\n",
        ",,,,,,,,\r\n,\r\n",
        "1,2,3,4,5\r\n1,2,3,4,5,6\r\n1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17\r\n1,2,3,4\r\n",
        "0,01/03/2012 00:00,1000.5\r\n0,01/03/2012 00:01,1000.75\r\n1,x\r\n",
        "0,01/03/2012 00:00,1000.5\n0,01/03/2012 00:01,1000.75\n",
        "a\tb\tc\r\nd,e\tf\r\n",
        "long line " + std::string(100, 'x') + ",y\r\nnext\r\n",
        "ends on a cr\r",
        "\r",
        "\n",
        "seven,b\r\n",
        "eight,bc\r\n",
        "nine,,bc\r\n\n",
    };
    for (const char* name : {"plain_site1.csv", "plain_site1_lf.csv", "gateway_export.csv", "long_form.csv",
                             "unit4.IRIO.txt"}) {
        FileBuffer buffer;
        ASSERT_TRUE(buffer.load((testDataDir() / "meterlogs" / name).string())) << name;
        texts.emplace_back(buffer.bytes());
    }
    for (const std::string& text : texts) {
        for (const char separator : {',', '\t'}) {
            EXPECT_EQ(cursorFields(text, separator), splitLines(text, separator)) << "text " << text;
            // Every start within the bytes, so the eight-byte steps meet every alignment and tail.
            for (std::size_t from = 1; from < text.size(); ++from) {
                const std::string_view rest = std::string_view(text).substr(from);
                EXPECT_EQ(cursorFields(rest, separator), splitLines(rest, separator)) << "text " << rest;
            }
        }
    }
}
