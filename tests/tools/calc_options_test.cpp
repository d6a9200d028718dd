// The command line of lumivane-calc: what it takes, and every misuse it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lumivane_calc/calc_options.h"

namespace lumivane {
namespace {

Expected<CalcOptions> parse(std::vector<std::string> args)
{
    // Kept alive for the views below.
    static std::vector<std::string> keep;
    keep = std::move(args);
    return parseCalcOptions(std::vector<std::string_view>(keep.begin(), keep.end()));
}

void expectUsageError(std::vector<std::string> args, const std::string& mentioned)
{
    const auto parsed = parse(args);
    ASSERT_FALSE(parsed) << "accepted: " << (args.empty() ? "" : args.front());
    const std::string& error = parsed.error().reason;
    EXPECT_NE(error.find(mentioned), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
}

std::vector<std::string> manyFiles(int count)
{
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i)
        files.push_back("f" + std::to_string(i) + ".csv");
    return files;
}

TEST(CalcOptions, FilesKeepTheirOrderAndNoScopeByDefault)
{
    const auto parsed = parse({"b.csv", "a.csv", "/x/unit4.IRIO.txt"});
    ASSERT_TRUE(parsed.ok()) << parsed.error().reason;
    EXPECT_EQ(parsed->files, (std::vector<std::string>{"b.csv", "a.csv", "/x/unit4.IRIO.txt"}));
    EXPECT_FALSE(parsed->scope.enabled);
    EXPECT_FALSE(parsed->exportReports);
    EXPECT_TRUE(parsed->overrides.empty());
    EXPECT_EQ(parse(manyFiles(36))->files.size(), 36u);
}

TEST(CalcOptions, FromSwitchesTheScopeOnWithTheTextsAsTyped)
{
    const auto parsed = parse({"--from", "05/3/2012", "a.csv"});
    ASSERT_TRUE(parsed.ok()) << parsed.error().reason;
    EXPECT_TRUE(parsed->scope.enabled);
    EXPECT_EQ(parsed->scope.dayText, "05");
    EXPECT_EQ(parsed->scope.monthText, "3");
    EXPECT_EQ(parsed->scope.yearText, "2012");
    EXPECT_EQ(parsed->scope.daysText, "7");
    EXPECT_TRUE(parse({"--from", "29/2/2012", "a.csv"})->scope.enabled);  // a leap day
}

TEST(CalcOptions, DaysSetsTheScopeLengthInEitherSpelling)
{
    EXPECT_EQ(parse({"--from", "1/3/2012", "--days", "31", "a.csv"})->scope.daysText, "31");
    EXPECT_EQ(parse({"--days=10", "--from=1/3/2012", "a.csv"})->scope.daysText, "10");
    EXPECT_EQ(parse({"--from", "1/3/2012", "--days", "099", "a.csv"})->scope.daysText, "99");
    EXPECT_EQ(parse({"--from", "1/3/2012", "--days", "1", "a.csv"})->scope.daysText, "1");
}

TEST(CalcOptions, SetTakesAKnownKeyWithATextItsTypeAcceptsAndTheLastWins)
{
    const auto parsed = parse({"--set", "DayCost=0.2", "--set=FromHour=6.5", "--set", "SMSAlarmMsg=A=B",
                                            "--set", "S1Label=", "--set", "DayCost=0.3", "a.csv"});
    ASSERT_TRUE(parsed.ok()) << parsed.error().reason;
    EXPECT_EQ(*findOverride(*parsed, "DayCost"), "0.3");
    EXPECT_EQ(*findOverride(*parsed, "FromHour"), "6.5");
    EXPECT_EQ(*findOverride(*parsed, "SMSAlarmMsg"), "A=B");
    EXPECT_EQ(*findOverride(*parsed, "S1Label"), "");
    EXPECT_EQ(findOverride(*parsed, "NightCost"), nullptr);
}

TEST(CalcOptions, ReportsDirNeedsExport)
{
    expectUsageError({"--reports-dir", "/tmp/r", "a.csv"}, "--export");
    const auto parsed = parse({"--export", "--reports-dir", "/tmp/r", "a.csv"});
    ASSERT_TRUE(parsed.ok()) << parsed.error().reason;
    EXPECT_TRUE(parsed->exportReports);
    EXPECT_EQ(parsed->reportsDir, "/tmp/r");
}

TEST(CalcOptions, HelpAndVersionWinOverAnyOtherArgument)
{
    auto parsed = parse({"--bogus", "--help"});
    EXPECT_TRUE(parsed.ok()) << parsed.error().reason;
    EXPECT_TRUE(parsed->help);
    parsed = parse({"--version"});
    EXPECT_TRUE(parsed.ok()) << parsed.error().reason;
    EXPECT_TRUE(parsed->version);
}

// Every misuse is one line that names what is wrong.
TEST(CalcOptions, MisuseIsAOneLineUsageErrorNamingTheCulprit)
{
    for (const char* text : {"31/02/2012", "29/02/2013", "0/1/2012", "1/0/2012", "1/13/2012", "32/1/2012",
                             "1/1/12", "1/1/02012", "1-1-2012", "1/1/2012/1", "a/b/cccc", "1//2012", "",
                             "+1/1/2012", "1/1/ 2012", "100/1/2012", "1/1/0000"})
        expectUsageError({"--from", text, "a.csv"}, "--from");
    // The days field holds a whole number from 1 to 99.
    for (const char* text : {"abc", "0", "100", "7.5", "-3", "", "1e2", " 7", "99999999999999999999"})
        expectUsageError({"--from", "1/3/2012", "--days", text, "a.csv"}, "--days");

    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--days", "3", "a.csv"}, "--from"},
        {{"--set", "Nope=1", "a.csv"}, "Nope"},
        {{"--set", "daycost=0.2", "a.csv"}, "daycost"},  // names are exact case
        {{"--set", "FromHour=abc", "a.csv"}, "FromHour"},
        {{"--set", "FromHour=40000", "a.csv"}, "FromHour"},
        {{"--set", "DayCost=", "a.csv"}, "DayCost"},
        {{"--set", "HTM=maybe", "a.csv"}, "HTM"},
        {{"--set", "DayCost", "a.csv"}, "KEY=VALUE"},
        {{"--frobnicate", "a.csv"}, "--frobnicate"},
        {{"a.csv", "-x"}, "-x"},
        {{"a.csv", "-"}, "\"-\""},
        {{"--export=1", "a.csv"}, "--export=1"},
        {{"a.csv", "--from"}, "--from"},
        {{"a.csv", "--set"}, "--set"},
        {{}, "no meter log file"},
        {{"--from", "1/3/2012"}, "no meter log file"},
        {manyFiles(37), "36"},
        // Line ends inside an argument do not break the one line.
        {{"--set", "No\npe=1", "a.csv"}, "No?pe"},
        {{"--from", "1/1/20\r12", "a.csv"}, "20?12"},
    };
    for (const auto& [args, mentioned] : cases) {
        SCOPED_TRACE(mentioned);
        expectUsageError(args, mentioned);
    }
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
