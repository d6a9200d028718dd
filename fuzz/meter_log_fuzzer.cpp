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
#include <sstream>
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

// Everything a walk leaves, as text: figures or error, reading memory, graph state.
std::string walkState(const EngineOutcome& o, const ReadingMemory& m, const GraphState& g)
{
    std::ostringstream out;
    out.precision(17);
    if (!o) {
        out << o.error().line << ": " << o.error().reason;
    } else {
        for (std::size_t d = 0; d < o->dayUnits.size(); ++d)
            out << o->dayUnits[d] << '/' << o->nightUnits[d] << ' ';
        out << o->dayTotal << ' ' << o->nightTotal << ' ' << o->fromText << '-' << o->toText << ' ' << o->calcMonth;
    }
    out << " | " << m.previousReading << ' ' << m.currentReading << ' ' << m.lastStep
        << " | " << g.graphScale << ' ' << g.graphBarWidth << ' ' << g.graphDayX << ' ' << g.graphNightX << ' '
        << g.graphColourIndex;
    return out.str();
}

void checkSingleWalkMatchesTwoWalks(std::string_view bytes, const std::string& path, const ScopeRule& rule,
                                    const SettingsRecord& settings)
{
    const GraphPalette palette = defaultGraphPalette();
    GraphState graph[2];
    ReadingMemory memory[2];
    for (GraphState& g : graph)
        g = {.graphScale = 7, .graphBarWidth = 11, .graphColourIndex = 3};  // a stopped pre-scan must leave these
    scanMeterLog(bytes, &rule, graph[0], memory[0]);
    const EngineOutcome a = calculateMeterLog(bytes, path, rule, settings, memory[0], graph[0], palette, nullptr);
    const EngineOutcome b = scanAndCalculateMeterLog(bytes, path, rule, settings, memory[1], graph[1], palette);
    const std::string twoWalks = walkState(a, memory[0], graph[0]);
    check(twoWalks == walkState(b, memory[1], graph[1]), "one walk differs from two", twoWalks);
    check(!a || (a->dayUnits[0] == 0 && a->nightUnits[0] == 0), "day 0 was booked");
}

DateScope scopeOf(std::uint8_t mode)
{
    const DateScope scopes[4] = {{true, "1", "3", "2012", "7"}, {true, "28", "2", "2012", "3"},
                                 {true, "5", "3", "2012", "40"}, {true, "1", "1", "2010", "0"}};
    DateScope scope = scopes[(mode >> 4) & 3];
    scope.enabled = (mode & 4) != 0;
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
