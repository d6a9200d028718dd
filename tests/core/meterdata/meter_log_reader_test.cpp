// The committed meter logs read through the engine: which readings count,
// what the period says, and where and why a log cannot be read.
#include <gtest/gtest.h>

#include "core/meterdata/date_scope_rules.h"
#include "core/tariff/tariff_engine.h"
#include "support/temp_dir.h"

using namespace lumivane;

TEST(MeterLog, ReadsEachLayoutAndLineRuleOrNamesTheLineThatStopsIt)
{
    const struct {
        const char* file;
        const char* from;
        const char* to;
        double day, night;
        const char* error;  // "line N: reason", when the log cannot be read
    } cases[] = {
        {"plain_site1.csv", "01/03/2012 00:00", "02/03/2012 06:30", 17, 3, ""},  // status 1 skips its line
        {"plain_site1_lf.csv", "01/03/2012 00:00", "02/03/2012 06:30", 17, 3, ""},
        {"cr_only.csv", "05/03/2012 08:00", "05/03/2012 09:00", 2, 0, ""},  // the last line needs no end
        // 0 uses, other whole numbers skip; a status longer than 5 characters is the long form.
        {"status_rules.csv", "01/03/2012 01:00", "2012/03/01 03:00:00", 0, 2, ""},
        // No calendar date, an empty line, no comma, too few fields on a skipped line.
        {"skipped_lines.csv", "01/03/2012 10:00", "01/03/2012 11:00", 3, 0, ""},
        {"bare_dates.csv", "05/03/2012 00:00", "05/03/2012 00:00", 0, 1, ""},
        {"unit4.IRIO.txt", "05/03/2012 06:00", "05/03/2012 22:00", 1.5, 0.5, ""},      // tabs, eight header lines
        {"gateway_export.csv", "05/03/2012 06:00", "05/03/2012 20:00", 2.5, 1.5, ""},  // "Gateway SN": data at line 8
        {"long_form.csv", "2012/03/05 06:00:00", "2012/03/05 23:00:00", 2, 1, ""},
        {"bad_status.csv", "", "", 0, 0, "line 3: the status \"x\""},
        {"missing_value.csv", "", "", 0, 0, "line 3: "},
        {"unknown_month.csv", "", "", 0, 0, "line 2: the month \"Mrz\""},
        {"lower_case_month.csv", "", "", 0, 0, "line 2: the month \"mar\""},
        {"title_line.csv", "", "", 0, 0, "line 1: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = (test::testDataDir() / "meterlogs" / c.file).string();
        SettingsRecord settings;
        ReadingMemory memory;
        GraphState graph;
        const EngineOutcome out = calculateMeterLog(test::readFile(path), path, ScopeRule{}, settings, memory, graph,
                                                    defaultGraphPalette(), nullptr);
        const std::string error = out ? "" : "line " + std::to_string(out.error().line) + ": " + out.error().reason;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        EXPECT_EQ(error.empty(), !*c.error) << error;
        if (!out)
            continue;
        EXPECT_EQ(out->fromText, c.from);
        EXPECT_EQ(out->toText, c.to);
        EXPECT_DOUBLE_EQ(out->dayTotal, c.day);
        EXPECT_DOUBLE_EQ(out->nightTotal, c.night);
    }
}
