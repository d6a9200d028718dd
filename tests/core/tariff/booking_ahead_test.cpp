// Files booked ahead on other threads give the run exactly what booking each
// in its turn on one thread gives: text, names, bills, bars, totals and notes.
#include "core/tariff/booking_ahead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "core/graph/recording_bar_sink.h"
#include "core/tariff/file_blocks.h"
#include "core/tariff/walk_state.h"
#include "support/run_fixture.h"

using namespace lumivane;
using lumivane::test::readFile;
using lumivane::test::RecordingBarSink;
using lumivane::test::RunFixture;

namespace {

struct Ask {
    bool eachMonth = false;
    bool bars = false;
    bool unscaled = false;  // the graph is never shown
};

// The graph's scale, then everything a run shows and writes that is asked for `asked` after preparing `paths`.
std::string runAll(const char* threads, const char* partBytes, const std::vector<std::string>& paths, Ask ask,
                   const std::vector<std::string>& asked)
{
    RunFixture f;
    f.settings.settingsExport = 1;
    std::string seen = test::withThreads(threads, partBytes, [&] {
        std::string seen;
        CalculationRun run = f.run();
        if (ask.unscaled)
            run.leaveGraphUnscaled();
        run.prepare(paths, DateScope{}, ask.eachMonth, ask.bars);
        for (const std::string& path : asked) {
            RecordingBarSink bars;
            for (const FileOutcome& block :
                 calculateFileBlocks(run, path, DateScope{}, ask.eachMonth, ask.bars ? &bars : nullptr)) {
                seen += block.text + "name " + block.fileName + "\n";
                if (block.billWritten)
                    seen += readFile(block.billPath);
            }
            std::ostringstream drawn;
            for (const test::RecordedBar& bar : bars.bars)
                drawn << bar << "\n";
            seen += "bars " + std::to_string(bars.bars.size()) + "\n" + drawn.str();
        }
        seen += run.closingText();
        const auto menu = run.buildReportsMenu();
        return "scale " + std::to_string(f.graph.graphScale) + "\n" + seen +
               (menu ? readFile(*menu) : menu.error().reason);
    });
    // Each run writes into a folder of its own.
    for (std::size_t at = seen.find(f.reports); at != std::string::npos; at = seen.find(f.reports, at))
        seen.replace(at, f.reports.size(), "REPORTS/");
    return seen;
}

}  // namespace

TEST(BookingAhead, ManyThreadsGiveWhatOneGives)
{
    RunFixture logs;
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(test::testDataDir() / "meterlogs"))
        paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    // The same names again from another folder, a file that is gone, and one that is empty.
    paths.push_back(logs.file("again/site1.csv", readFile(RunFixture::meterLog("site1.csv"))));
    paths.push_back(logs.file("again/bad_value.csv", readFile(RunFixture::meterLog("bad_value.csv"))));
    paths.push_back(logs.dir.path().string() + "/gone.csv");
    paths.push_back(logs.file("again/empty.csv", ""));
    paths.push_back(RunFixture::meterLog("site1.csv"));
    // Asked for out of the prepared order from the third file on: what was booked ahead is dropped.
    std::vector<std::string> swapped = paths;
    std::swap(swapped[2], swapped[7]);
    // A run stopped early (cancelled) drops the files booked ahead.
    const std::vector<std::string> firstThree(paths.begin(), paths.begin() + 3);

    for (const Ask ask : {Ask{false, false}, Ask{false, true}, Ask{true, false}}) {
        SCOPED_TRACE(std::string(ask.eachMonth ? "each month" : "one block") + (ask.bars ? ", bars" : ""));
        const std::string one = runAll("1", nullptr, paths, ask, paths);
        EXPECT_NE(one.find("SITE1-2"), std::string::npos);
        EXPECT_EQ(runAll("3", nullptr, paths, ask, paths), one);
        EXPECT_EQ(runAll("2", "4099", paths, ask, paths), one);
        EXPECT_EQ(runAll("2", nullptr, paths, ask, swapped), runAll("1", nullptr, paths, ask, swapped));
        EXPECT_EQ(runAll("4", nullptr, paths, ask, firstThree), runAll("1", nullptr, paths, ask, firstThree));
    }
    // Without the pre-scan that only scales the graph, the same run; the graph keeps its scale.
    const std::string scaled = runAll("1", nullptr, paths, {}, paths);
    const std::string unscaled = runAll("2", nullptr, paths, {false, false, true}, paths);
    EXPECT_EQ(unscaled.substr(unscaled.find('\n')), scaled.substr(scaled.find('\n')));
    EXPECT_EQ(unscaled.substr(0, unscaled.find('\n')), "scale " + std::to_string(GraphState{}.graphScale));
    EXPECT_NE(unscaled.substr(0, 20), scaled.substr(0, 20));
}
