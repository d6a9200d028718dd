// A meter log of arbitrary bytes through a whole calculation run: the reader,
// the pre-scan, the tariff engine, the bill and the reports menu, written with
// the shipped templates into a scratch reports folder.
//
// The first input byte chooses how the bytes are met; the rest is the file:
//   bits 0-1  file name: site1.csv, unit4.IRIO.txt (tab-separated layout),
//             gateway.csv, Site1.CSV
//   bit 2     date scope on; bits 4-5 pick one of four scopes
//   bit 3     bars drawn
//   bit 6     night-heavy tariff hours and a multiplier of 2.5
//   bit 7     the same bytes a second time under another name in the same run
//
// Besides "no crash, no sanitizer report" it checks:
//   - the single walk (pre-scan and engine together) ends exactly like the
//     pre-scan followed by the engine;
//   - a calculated file gets its bill, the run its menu, and no temporary
//     file is left; a file that is not calculated gets exactly one error line.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "core/graph/recording_bar_sink.h"
#include "core/meterdata/date_scope_rules.h"
#include "core/meterdata/meter_log_scan.h"
#include "core/tariff/calculation_run.h"
#include "core/tariff/tariff_engine.h"
#include "core/tariff/walk_state.h"
#include "fuzz_support.h"
#include "support/fixed_clock.h"

using namespace lumivane;
using lumivane::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    static const char* const kNames[4] = {"site1.csv", "unit4.IRIO.txt", "gateway.csv", "Site1.CSV"};
    const auto reports = lumivane::fuzz::scratchFolder() / "reports";
    std::error_code ignored;  // removing must not throw when libFuzzer's timer signal interrupts it
    std::filesystem::remove_all(reports, ignored);
    std::filesystem::create_directories(reports);

    SettingsRecord settings;
    settings.settingsExport = 1;
    if (mode & 64) {
        settings.settingsFromHours = 19;
        settings.settingsToHours = 5;
        settings.settingsMultiplier = 2.5;
    }
    const DateScope scopes[4] = {{true, "1", "3", "2012", "7"},
                                 {true, "28", "2", "2012", "3"},
                                 {true, "5", "3", "2012", "40"},
                                 {true, "1", "1", "2010", "0"}};
    DateScope scope = scopes[(mode >> 4) & 3];
    scope.enabled = (mode & 4) != 0;
    const auto rule = scopeRuleOf(scope);
    check(rule.ok(), "the fuzzer's own scopes must be valid");

    // One walk against the pre-scan then the engine; a stopped pre-scan must leave the start graph state.
    const GraphPalette palette = defaultGraphPalette();
    GraphState graph[2];
    ReadingMemory memory[2];
    for (GraphState& g : graph)
        g = {.graphScale = 7, .graphBarWidth = 11, .graphColourIndex = 3};
    scanMeterLog(bytes, &*rule, graph[0], memory[0]);
    const std::string name = kNames[mode & 3];
    const EngineOutcome a = calculateMeterLog(bytes, name, *rule, settings, memory[0], graph[0], palette, nullptr);
    const EngineOutcome b = scanAndCalculateMeterLog(bytes, name, *rule, settings, memory[1], graph[1], palette);
    const std::string twoWalks = test::walkState(a, memory[0], graph[0]);
    check(twoWalks == test::walkState(b, memory[1], graph[1]), "one walk differs from two", twoWalks);
    check(!a || (a->dayUnits[0] == 0 && a->nightUnits[0] == 0), "day 0 was booked");

    test::FixedClock clock("05/12/2026", "14:03:27");
    ReportEnvironment environment{reports.string() + "/", LUMIVANE_RESOURCES_DIR, &clock, "FUZZ-PC"};
    GraphState runGraph;
    test::RecordingBarSink sink;
    CalculationRun run(settings, environment, runGraph, palette);
    for (const char* file : {name.c_str(), (mode & 128) ? "second.IRIO.csv" : nullptr}) {
        if (!file)
            break;
        const std::string path = (lumivane::fuzz::scratchFolder() / file).string();
        std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
        const FileOutcome outcome = run.calculateFile(path, scope, (mode & 8) ? &sink : nullptr);
        std::filesystem::remove(path, ignored);
        if (outcome.calculated) {
            check(outcome.billWritten && std::filesystem::is_regular_file(outcome.billPath), "no bill",
                  outcome.status ? std::string() : outcome.status.error().reason);
            check(outcome.text.ends_with("\r\n\r\n"), "results block does not end with an empty line");
        } else {
            check(!outcome.status && outcome.text == outcome.status.error().reason + "\r\n\r\n",
                  "error is not one line");
        }
    }
    const auto menu = run.buildReportsMenu();
    check(menu.ok(), "menu not written", menu ? std::string() : menu.error().reason);
    for (const auto& entry : std::filesystem::directory_iterator(reports))
        check(entry.path().extension() != ".part", "temporary file left in the reports folder");
    return 0;
}
