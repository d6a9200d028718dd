#pragma once
// The calculation's work away from the window: one CalculationRun, created,
// driven and ended on the worker's own thread. The window hands it one step
// at a time and gets plain values back, so the run is only ever touched by
// one thread and the window stays free between the steps.
#include <QObject>

#include <memory>
#include <string>
#include <vector>

#include "core/graph/bar_recording.h"
#include "core/graph/graph_state.h"
#include "core/meterdata/date_scope.h"
#include "core/settings/settings_record.h"
#include "core/tariff/calculation_run.h"
#include "platform/mapped_file_bytes.h"

// What one file gave: its text and, when asked for, the bars it would draw.
struct CalculatedFile {
    std::string text;
    std::shared_ptr<const lumivane::BarRecording> bars;  // null without the graph
};

// What follows the files: totals and notes, the menu's path or why it is missing.
struct FinishedRun {
    std::string closingText;
    bool menuAsked = false;
    bool menuBuilt = false;
    std::string menuProblem;
    lumivane::GraphState graph;  // where the next run's bars go
};

class CalculationWorker : public QObject {
    Q_OBJECT
public:
    // A new run with these values; its header text. The files it will be asked
    // for, as they look at the start, are booked ahead on other processors.
    std::string begin(const lumivane::SettingsRecord& settings, lumivane::ReportEnvironment environment,
                      const lumivane::GraphState& graph, const std::vector<std::string>& paths,
                      const lumivane::DateScope& scope, bool eachMonth, bool withBars);
    // One file of the run: every month on its own when asked, else one block.
    CalculatedFile calculate(const std::string& path, const lumivane::DateScope& scope, bool eachMonth, bool withBars);
    // Ends the run, writing the reports menu when asked.
    FinishedRun finish(bool buildMenu);
    // Drops a run that failed on its way.
    void discard();

private:
    lumivane::GraphState graph_;
    lumivane::GraphPalette palette_ = lumivane::defaultGraphPalette();
    lumivane::MappedFileBytes files_;
    std::unique_ptr<lumivane::CalculationRun> run_;
};
