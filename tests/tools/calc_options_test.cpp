// The command line of lumivane-calc: what it takes, and every misuse it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lumivane_calc/calc_options.h"

namespace lumivane {
namespace {

ParsedCalcOptions parse(std::vector<std::string> args)
{
    // Kept alive for the views below.
    static std::vector<std::string> keep;
    keep = std::move(args);
    return parseCalcOptions(std::vector<std::string_view>(keep.begin(), keep.end()));
}

void expectUsageError(std::vector<std::string> args, const std::string& mentioned)
{
    const ParsedCalcOptions parsed = parse(args);
    ASSERT_FALSE(parsed.error.empty()) << "accepted: " << (args.empty() ? "" : args.front());
    EXPECT_NE(parsed.error.find(mentioned), std::string::npos) << parsed.error;
    EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << parsed.error;
}

TEST(CalcOptions, FilesKeepTheirOrderAndNoScopeByDefault)
{
    const ParsedCalcOptions parsed = parse({"b.csv", "a.csv", "/x/unit4.IRIO.txt"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.files, (std::vector<std::string>{"b.csv", "a.csv", "/x/unit4.IRIO.txt"}));
    EXPECT_FALSE(parsed.options.scope.enabled);
    EXPECT_FALSE(parsed.options.exportReports);
    EXPECT_TRUE(parsed.options.overrides.empty());
}

TEST(CalcOptions, FromSwitchesTheScopeOnWithTheTextsAsTyped)
{
    const ParsedCalcOptions parsed = parse({"--from", "05/3/2012", "a.csv"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_TRUE(parsed.options.scope.enabled);
    EXPECT_EQ(parsed.options.scope.dayText, "05");
    EXPECT_EQ(parsed.options.scope.monthText, "3");
    EXPECT_EQ(parsed.options.scope.yearText, "2012");
    EXPECT_EQ(parsed.options.scope.daysText, "7");
}

TEST(CalcOptions, DaysSetsTheScopeLengthInEitherSpelling)
{
    EXPECT_EQ(parse({"--from", "1/3/2012", "--days", "31", "a.csv"}).options.scope.daysText, "31");
    EXPECT_EQ(parse({"--days=10", "--from=1/3/2012", "a.csv"}).options.scope.daysText, "10");
    EXPECT_EQ(parse({"--from", "1/3/2012", "--days", "099", "a.csv"}).options.scope.daysText, "99");
    EXPECT_EQ(parse({"--from", "1/3/2012", "--days", "1", "a.csv"}).options.scope.daysText, "1");
}

TEST(CalcOptions, LeapDayIsACalendarDate)
{
    const ParsedCalcOptions parsed = parse({"--from", "29/2/2012", "a.csv"});
    EXPECT_EQ(parsed.error, "");
    EXPECT_TRUE(parsed.options.scope.enabled);
}

TEST(CalcOptions, FromThatIsNoCalendarDateIsAUsageError)
{
    for (const char* text : {"31/02/2012", "29/02/2013", "0/1/2012", "1/0/2012", "1/13/2012", "32/1/2012",
                             "1/1/12", "1/1/02012", "1-1-2012", "1/1/2012/1", "a/b/cccc", "1//2012", "",
                             "+1/1/2012", "1/1/ 2012", "100/1/2012"})
        expectUsageError({"--from", text, "a.csv"}, "--from");
}

TEST(CalcOptions, DaysMustBeAWholeNumberFromOneTo99)
{
    for (const char* text : {"abc", "0", "100", "7.5", "-3", "", "1e2", " 7", "99999999999999999999"})
        expectUsageError({"--from", "1/3/2012", "--days", text, "a.csv"}, "--days");
}

TEST(CalcOptions, DaysWithoutFromIsAUsageError)
{
    expectUsageError({"--days", "3", "a.csv"}, "--from");
}

TEST(CalcOptions, SetTakesAKnownKeyWithATextItsTypeAccepts)
{
    const ParsedCalcOptions parsed =
        parse({"--set", "DayCost=0.2", "--set=FromHour=6.5", "--set", "SMSAlarmMsg=A=B", "--set", "S1Label=", "a.csv"});
    ASSERT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.options.overrides.size(), 4u);
    EXPECT_EQ(*findOverride(parsed.options, "DayCost"), "0.2");
    EXPECT_EQ(*findOverride(parsed.options, "FromHour"), "6.5");
    EXPECT_EQ(*findOverride(parsed.options, "SMSAlarmMsg"), "A=B");
    EXPECT_EQ(*findOverride(parsed.options, "S1Label"), "");
    EXPECT_EQ(findOverride(parsed.options, "NightCost"), nullptr);
}

TEST(CalcOptions, LastSetOfAKeyWins)
{
    const ParsedCalcOptions parsed = parse({"--set", "DayCost=0.2", "--set", "DayCost=0.3", "a.csv"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(*findOverride(parsed.options, "DayCost"), "0.3");
}

TEST(CalcOptions, SetOfAnUnknownKeyIsAUsageError)
{
    expectUsageError({"--set", "Nope=1", "a.csv"}, "Nope");
    // Names are exact case.
    expectUsageError({"--set", "daycost=0.2", "a.csv"}, "daycost");
}

TEST(CalcOptions, SetOfATextTheKeysTypeCannotTakeIsAUsageError)
{
    expectUsageError({"--set", "FromHour=abc", "a.csv"}, "FromHour");
    expectUsageError({"--set", "FromHour=40000", "a.csv"}, "FromHour");
    expectUsageError({"--set", "DayCost=", "a.csv"}, "DayCost");
    expectUsageError({"--set", "HTM=maybe", "a.csv"}, "HTM");
    expectUsageError({"--set", "DayCost", "a.csv"}, "KEY=VALUE");
}

TEST(CalcOptions, UnknownOptionIsAUsageError)
{
    expectUsageError({"--frobnicate", "a.csv"}, "--frobnicate");
    expectUsageError({"a.csv", "-x"}, "-x");
    expectUsageError({"a.csv", "-"}, "\"-\"");
    expectUsageError({"--export=1", "a.csv"}, "--export=1");
}

TEST(CalcOptions, OptionWithoutItsValueIsAUsageError)
{
    expectUsageError({"a.csv", "--from"}, "--from");
    expectUsageError({"a.csv", "--set"}, "--set");
}

TEST(CalcOptions, NoFileIsAUsageError)
{
    expectUsageError({}, "no meter log file");
    expectUsageError({"--from", "1/3/2012"}, "no meter log file");
}

TEST(CalcOptions, ThirtySixFilesAreTakenAndThirtySevenRefused)
{
    std::vector<std::string> files;
    for (int i = 0; i < 36; ++i)
        files.push_back("f" + std::to_string(i) + ".csv");
    EXPECT_EQ(parse(files).options.files.size(), 36u);
    files.push_back("f36.csv");
    expectUsageError(files, "36");
}

TEST(CalcOptions, ReportsDirNeedsExport)
{
    expectUsageError({"--reports-dir", "/tmp/r", "a.csv"}, "--export");
    const ParsedCalcOptions parsed = parse({"--export", "--reports-dir", "/tmp/r", "a.csv"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_TRUE(parsed.options.exportReports);
    EXPECT_EQ(parsed.options.reportsDir, "/tmp/r");
}

TEST(CalcOptions, HelpAndVersionWinOverAnyOtherArgument)
{
    ParsedCalcOptions parsed = parse({"--bogus", "--help"});
    EXPECT_EQ(parsed.error, "");
    EXPECT_TRUE(parsed.options.help);
    parsed = parse({"--version"});
    EXPECT_EQ(parsed.error, "");
    EXPECT_TRUE(parsed.options.version);
}

TEST(CalcOptions, MessagesStayOnOneLineWhateverTheArgumentHolds)
{
    expectUsageError({"--set", "No\npe=1", "a.csv"}, "No?pe");
    expectUsageError({"--from", "1/1/20\r12", "a.csv"}, "20?12");
}

TEST(CalcOptions, UsageNamesEveryOption)
{
    const std::string usage = calcUsageText();
    for (const char* option : {"--from", "--days", "--set", "--export", "--reports-dir", "--help", "FILE..."})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    EXPECT_EQ(usage.rfind("Usage: lumivane-calc ", 0), 0u);
}

}  // namespace
}  // namespace lumivane
