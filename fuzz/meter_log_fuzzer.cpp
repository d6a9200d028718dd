// A meter log of arbitrary bytes through a whole calculation run: the reader,
// the pre-scan, the tariff engine, the bill and the reports menu, written with
// the shipped templates into a scratch reports folder.
//
// The first input byte chooses how the bytes are met; the rest is the file:
//   bits 0-1  file name: site1.csv, unit4.IRIO.txt (tab-separated layout),
//             gateway.csv, Site1.CSV
//   bit 2     date scope on; bits 4-5 pick one of four scopes
//   bit 3     bars drawn (pre-scan and engine walk separately)
//   bit 6     night-heavy tariff hours and a multiplier of 2.5
//   bit 7     the same bytes a second time under another name in the same run
//
// Besides "no crash, no sanitizer report" it checks:
//   - the single walk (pre-scan and engine together) ends exactly like the
//     pre-scan followed by the engine;
//   - a file that is calculated gets its bill, the run gets its menu, and no
//     temporary file is left in the reports folder;
//   - a file that is not calculated gets exactly one error line.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "core/tariff/calculation_run.h"
#include "core/tariff/tariff_engine.h"
#include "fuzz_support.h"
#include "core/meterdata/date_scope_rules.h"
#include "core/meterdata/meter_log_scan.h"
#include "support/fixed_clock.h"

using namespace lumivane;
using lumivane::fuzz::check;

namespace {

class CountingBarSink : public BarSink {
public:
    void maskRectangle(float, float, float, float, Colour) override { ++count; }
    long count = 0;
};

bool same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

std::string describe(const EngineOutcome& e)
{
    return e ? std::string("none") : std::to_string(e.error().line) + ": " + e.error().reason;
}

void checkSingleWalkMatchesTwoWalks(std::string_view bytes, const std::string& path, const ScopeRule& rule,
                                    const SettingsRecord& settings)
{
    const GraphPalette palette = defaultGraphPalette();
    GraphState graphA;
    GraphState graphB;
    graphA.graphColourIndex = graphB.graphColourIndex = 3;
    graphA.graphScale = graphB.graphScale = 7;  // a stopped pre-scan must leave these
    graphA.graphBarWidth = graphB.graphBarWidth = 11;
    ReadingMemory memoryA;
    ReadingMemory memoryB;

    scanMeterLog(bytes, &rule, graphA, memoryA);
    const EngineOutcome a = calculateMeterLog(bytes, path, rule, settings, memoryA, graphA, palette, nullptr);
    const EngineOutcome b = scanAndCalculateMeterLog(bytes, path, rule, settings, memoryB, graphB, palette);

    check(same(graphA.graphScale, graphB.graphScale), "graphScale differs");
    check(same(graphA.graphBarWidth, graphB.graphBarWidth), "graphBarWidth differs");
    check(same(graphA.graphDayX, graphB.graphDayX) && same(graphA.graphNightX, graphB.graphNightX),
          "bar positions differ");
    check(graphA.graphColourIndex == graphB.graphColourIndex, "colour index differs");
    check(same(memoryA.previousReading, memoryB.previousReading) &&
              same(memoryA.currentReading, memoryB.currentReading) && same(memoryA.lastStep, memoryB.lastStep),
          "reading memory differs");
    check(a.ok() == b.ok(), "error presence differs", describe(a) + " / " + describe(b));
    if (!a || !b) {
        check(a.error().line == b.error().line && a.error().reason == b.error().reason, "error differs",
              describe(a) + " / " + describe(b));
        return;
    }
    const FileFigures& fa = *a;
    const FileFigures& fb = *b;
    for (std::size_t d = 0; d < fa.dayUnits.size(); ++d)
        check(same(fa.dayUnits[d], fb.dayUnits[d]) && same(fa.nightUnits[d], fb.nightUnits[d]),
              "per-day units differ");
    check(same(fa.dayTotal, fb.dayTotal) && same(fa.nightTotal, fb.nightTotal), "totals differ");
    check(fa.fromText == fb.fromText && fa.toText == fb.toText && fa.calcMonth == fb.calcMonth,
          "from/to texts differ");
    check(fa.dayUnits[0] == 0 && fa.nightUnits[0] == 0, "day 0 was booked");
}

DateScope scopeOf(std::uint8_t mode)
{
    DateScope scope;
    scope.enabled = (mode & 4) != 0;
    switch ((mode >> 4) & 3) {
    case 0: scope.dayText = "1"; scope.monthText = "3"; scope.yearText = "2012"; scope.daysText = "7"; break;
    case 1: scope.dayText = "28"; scope.monthText = "2"; scope.yearText = "2012"; scope.daysText = "3"; break;
    case 2: scope.dayText = "5"; scope.monthText = "3"; scope.yearText = "2012"; scope.daysText = "40"; break;
    default: scope.dayText = "1"; scope.monthText = "1"; scope.yearText = "2010"; scope.daysText = "0"; break;
    }
    return scope;
}

bool noTemporaryFilesIn(const std::filesystem::path& folder)
{
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".part")
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    static const char* const kNames[4] = {"site1.csv", "unit4.IRIO.txt", "gateway.csv", "Site1.CSV"};
    const auto& scratch = lumivane::fuzz::scratchFolder();
    const auto logs = scratch / "logs";
    const auto reports = scratch / "reports";
    std::filesystem::create_directories(logs);
    std::filesystem::create_directories(reports);
    const std::string path = (logs / kNames[mode & 3]).string();
    const std::string otherPath = (logs / "second.IRIO.csv").string();
    auto writeLog = [&bytes](const std::string& file) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    };
    writeLog(path);

    SettingsRecord settings;
    settings.settingsExport = 1;
    if (mode & 64) {
        settings.settingsFromHours = 19;
        settings.settingsToHours = 5;
        settings.settingsMultiplier = 2.5;
    }
    const DateScope scope = scopeOf(mode);
    const auto rule = scopeRuleOf(scope);
    check(rule.ok(), "the fuzzer's own scopes must be valid");

    checkSingleWalkMatchesTwoWalks(bytes, path, *rule, settings);

    test::FixedClock clock("05/12/2026", "14:03:27");
    ReportEnvironment environment{reports.string() + "/", LUMIVANE_RESOURCES_DIR, &clock, "FUZZ-PC"};
    GraphState graph;
    const GraphPalette palette = defaultGraphPalette();
    CountingBarSink sink;
    BarSink* bars = (mode & 8) ? &sink : nullptr;
    CalculationRun run(settings, environment, graph, palette);
    check(!run.headerText().empty(), "empty header");

    auto calculate = [&](const std::string& file) {
        const FileOutcome outcome = run.calculateFile(file, scope, bars);
        if (outcome.calculated) {
            check(outcome.billWritten, "calculated file without bill", outcome.error);
            check(std::filesystem::is_regular_file(outcome.billPath), "bill missing", outcome.billPath);
            check(outcome.text.size() >= 4 && outcome.text.compare(outcome.text.size() - 4, 4, "\r\n\r\n") == 0,
                  "results block does not end with an empty line");
        } else {
            check(!outcome.error.empty(), "file not calculated without a reason");
            check(outcome.text == outcome.error + "\r\n\r\n", "error text is not one line");
        }
    };
    calculate(path);
    if (mode & 128) {
        writeLog(otherPath);
        calculate(otherPath);
    }
    check(!run.grandTotalsText().empty(), "empty grand totals");
    const auto menu = run.buildReportsMenu();
    check(menu.ok(), "menu not written", menu ? std::string() : menu.error().reason);
    check(noTemporaryFilesIn(reports), "temporary file left in the reports folder");

    // The folders stay for the next input; their files go.
    std::error_code ignored;
    for (const auto& folder : {reports, logs})
        for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
            std::filesystem::remove(entry.path(), ignored);
    return 0;
}
