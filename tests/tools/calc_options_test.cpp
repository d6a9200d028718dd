// The command line of lumivane-calc: what it takes, and every misuse it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lumivane_calc/calc_options.h"

namespace lumivane {
namespace {

Expected<CalcOptions> parse(const std::vector<std::string>& args)
{
    static std::vector<std::string> keep;  // alive for the views the options hold
    keep = args;
    return parseCalcOptions(std::vector<std::string_view>(keep.begin(), keep.end()));
}

}  // namespace

TEST(CalcOptions, TakesTheDaysAsANumberAndTheLastSetOfAKey)
{
    const auto parsed = parse({"--from=05/3/2012", "--days", "099", "--set", "DayCost=0.2", "--set=SMSAlarmMsg=A=B",
                               "--set", "DayCost=0.3", "--export", "--reports-dir", "/tmp/r", "b.csv", "a.csv"});
    ASSERT_TRUE(parsed.ok()) << parsed.error().reason;
    // The start as typed and the files in order reach the run: the end-to-end test compares its text.
    EXPECT_EQ(parsed->scope.daysText, "99");
    EXPECT_EQ(*findOverride(*parsed, "DayCost"), "0.3");
    EXPECT_EQ(*findOverride(*parsed, "SMSAlarmMsg"), "A=B");
    EXPECT_EQ(parse({"--from", "29/2/2012", "a.csv"})->scope.daysText, "7");
    EXPECT_FALSE(parse(std::vector<std::string>(36, "a.csv"))->scope.enabled);
    EXPECT_TRUE(parse({"--bogus", "--help"})->help);
}

// Every misuse is one line that names what is wrong.
TEST(CalcOptions, MisuseIsAOneLineUsageErrorNamingTheCulprit)
{
    std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--reports-dir", "/tmp/r", "a.csv"}, "--export"},
        {{"--days", "3", "a.csv"}, "--from"},
        {{"--set", "daycost=0.2", "a.csv"}, "daycost"},  // names are exact case
        {{"--set", "HTM=maybe", "a.csv"}, "HTM"},
        {{"--set", "DayCost", "a.csv"}, "KEY=VALUE"},
        {{"a.csv", "-x"}, "-x"},
        {{"a.csv", "--set"}, "--set"},
        {{}, "no meter log file"},
        {std::vector<std::string>(37, "a.csv"), "36"},
        {{"--set", "No\npe=1", "a.csv"}, "No?pe"},  // a line end inside an argument does not break the line
        {{"--set", "VATRate=120", "a.csv"}, "VAT % \"120\" is not a number from 0 to 100"},  // as the dialog checks it
    };
    for (const char* from : {"31/02/2012", "1/1/12", "1-1-2012", "+1/1/2012", "100/1/2012", "1/1/0000"})
        cases.push_back({{"--from", from, "a.csv"}, "--from"});
    for (const char* days : {"0", "100", "7.5", "99999999999999999999"})
        cases.push_back({{"--from", "1/3/2012", "--days", days, "a.csv"}, "--days"});
    for (const auto& [args, named] : cases) {
        const auto parsed = parse(args);
        ASSERT_FALSE(parsed) << named;
        const std::string& error = parsed.error().reason;
        EXPECT_NE(error.find(named), std::string::npos) << named << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

// With no per-user folder to be found, --export must be told where to write.
TEST(CalcOptions, ExportWithoutHomeNeedsAReportsFolder)
{
    const auto known = [](const std::vector<std::string>& args, const char* home, const char* dataHome) {
        return checkReportsFolderKnown(*parse(args), home, dataHome).ok();
    };
    EXPECT_FALSE(known({"--export", "a.csv"}, nullptr, nullptr) || known({"--export", "a.csv"}, "", ""));
    EXPECT_TRUE(known({"--export", "a.csv"}, "/h", nullptr) && known({"--export", "a.csv"}, nullptr, "/d"));
    EXPECT_TRUE(known({"--export", "--reports-dir", "r", "a.csv"}, nullptr, nullptr) && known({"a.csv"}, nullptr, ""));
}

}  // namespace lumivane
