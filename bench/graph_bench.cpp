// lumivane-graph-bench: how much the kWh graph adds to a calculation run.
//
// Runs the same selection through CalculationRun four ways, interleaved over
// several passes: with the graph off; with a sink that draws nothing (what
// handing bars out at all costs the calculation); with the graph panel as the
// bar sink (looking at its picture after every file, as the window's repaint
// does); and with a sink that ANDs every rectangle into an image as it comes
// (the straightforward drawing the panel's gathering replaces). Reports the
// best wall and CPU time of each and the ratios to the run without the graph.
#include <QApplication>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "core/tariff/calculation_run.h"
#include "ui/widgets/graph_panel.h"
#include "core/settings/settings_record.h"

namespace {

// Every rectangle drawn pixel by pixel as soon as it arrives.
class EachRectangleSink : public lumivane::BarSink {
public:
    EachRectangleSink() : image_(GraphPanel::kWidth, GraphPanel::kHeight, QImage::Format_RGB32)
    {
        image_.fill(qRgb(255, 255, 192));
    }
    void maskRectangle(float x1, float y1, float x2, float y2, lumivane::Colour colour) override
    {
        if (std::isnan(x1) || std::isnan(x2) || std::isnan(y1) || std::isnan(y2))
            return;
        const auto span = [](float a, float b, int limit, int& lo, int& hi) {
            lo = std::max(0, static_cast<int>(std::lround(std::clamp(std::min(a, b), -1.0f, float(limit)))));
            hi = std::min(limit - 1, static_cast<int>(std::lround(std::clamp(std::max(a, b), -1.0f, float(limit)))));
            return lo <= hi;
        };
        int left, right, top, bottom;
        if (!span(x1, x2, GraphPanel::kWidth, left, right) || !span(y1, y2, GraphPanel::kHeight, top, bottom))
            return;
        const QRgb pen = qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF) | 0xFF000000u;
        for (int y = top; y <= bottom; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
            for (int x = left; x <= right; ++x)
                line[x] &= pen;
        }
    }

private:
    QImage image_;
};

// Takes the bars and draws nothing.
class EmptySink : public lumivane::BarSink {
public:
    void maskRectangle(float, float, float, float, lumivane::Colour) override { ++count; }
    long long count = 0;
};

enum class Mode { Off, Empty, Panel, EachRectangle };
constexpr int kModes = 4;
const char* const kModeNames[] = {"graph off", "empty sink", "graph panel", "each rectangle"};

struct Timing {
    double wallMs = 1e300;
    double cpuMs = 1e300;
};

struct Outcome {
    std::size_t textBytes = 0;
    double dayUnits = 0;
    long long bars = 0;
};

Outcome runOnce(Mode mode, const std::vector<std::string>& files, const lumivane::SettingsRecord& settings)
{
    lumivane::ReportEnvironment environment;
    lumivane::GraphState graph;
    const lumivane::GraphPalette palette = lumivane::defaultGraphPalette();
    lumivane::CalculationRun run(settings, environment, graph, palette);
    GraphPanel panel;
    EachRectangleSink eachRectangle;
    EmptySink empty;
    lumivane::BarSink* bars = nullptr;
    if (mode == Mode::Panel)
        bars = &panel;
    else if (mode == Mode::EachRectangle)
        bars = &eachRectangle;
    else if (mode == Mode::Empty)
        bars = &empty;
    std::string text = run.headerText();
    for (const std::string& file : files) {
        text += run.calculateFile(file, lumivane::DateScope{}, bars).text;
        if (mode == Mode::Panel)
            (void)panel.image();  // what painting the panel after each file costs
    }
    text += run.grandTotalsText();
    return {text.size(), run.grandDayUnits(), empty.count};
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    int passes = 3;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--passes" && i + 1 < argc) {
            passes = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--help" || argument.rfind("-", 0) == 0) {
            std::fprintf(stderr, "Usage: lumivane-graph-bench [--passes N] FILE...\n");
            return argument == "--help" ? 0 : 2;
        } else {
            files.push_back(argument);
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "lumivane-graph-bench: no files given\n");
        return 2;
    }

    const lumivane::SettingsRecord settings =
        lumivane::loadSettingsRecord([](std::string_view) { return std::optional<std::string>(); });
    const Mode modes[] = {Mode::Off, Mode::Empty, Mode::Panel, Mode::EachRectangle};
    Timing best[kModes];
    Outcome outcomes[kModes];
    for (int pass = 0; pass < passes; ++pass) {
        for (const Mode mode : modes) {
            const auto wallStart = std::chrono::steady_clock::now();
            const std::clock_t cpuStart = std::clock();
            const Outcome outcome = runOnce(mode, files, settings);
            const double cpuMs = 1000.0 * double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
            const double wallMs =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count();
            Timing& t = best[int(mode)];
            t.wallMs = std::min(t.wallMs, wallMs);
            t.cpuMs = std::min(t.cpuMs, cpuMs);
            outcomes[int(mode)] = outcome;
            std::printf("pass %d  %-15s wall %8.0f ms  cpu %8.0f ms\n", pass + 1, kModeNames[int(mode)], wallMs, cpuMs);
            std::fflush(stdout);
        }
    }
    // The graph must not change the results.
    for (int m = 1; m < kModes; ++m)
        if (outcomes[m].textBytes != outcomes[0].textBytes || outcomes[m].dayUnits != outcomes[0].dayUnits) {
            std::fprintf(stderr, "lumivane-graph-bench: the runs gave different results\n");
            return 1;
        }
    std::printf("\n%zu file(s), %lld bars, best of %d pass(es):\n", files.size(), outcomes[1].bars, passes);
    for (const Mode mode : modes) {
        const Timing& t = best[int(mode)];
        std::printf("  %-15s wall %8.0f ms (x%.2f)  cpu %8.0f ms (x%.2f)\n", kModeNames[int(mode)], t.wallMs,
                    t.wallMs / best[0].wallMs, t.cpuMs, t.cpuMs / best[0].cpuMs);
    }
    return 0;
}
