#include "ui/main_window/calculation_worker.h"

#include <stdexcept>

#include "core/tariff/file_blocks.h"

namespace {
lumivane::CalculationRun& started(const std::unique_ptr<lumivane::CalculationRun>& run)
{
    if (!run)
        throw std::logic_error("no calculation was started");
    return *run;
}
}  // namespace

std::string CalculationWorker::begin(const lumivane::SettingsRecord& settings, lumivane::ReportEnvironment environment,
                                     const lumivane::GraphState& graph, const std::vector<std::string>& paths,
                                     const lumivane::DateScope& scope, bool eachMonth, bool withBars)
{
    run_.reset();
    graph_ = graph;
    run_ = std::make_unique<lumivane::CalculationRun>(settings, std::move(environment), graph_, palette_, &files_);
    run_->prepare(paths, scope, eachMonth, withBars);
    return run_->headerText();
}

CalculatedFile CalculationWorker::calculate(const std::string& path, const lumivane::DateScope& scope, bool eachMonth,
                                            bool withBars)
{
    CalculatedFile result;
    std::shared_ptr<lumivane::BarRecording> bars;
    if (withBars && !eachMonth)
        bars = std::make_shared<lumivane::BarRecording>();
    for (const lumivane::FileOutcome& block :
         lumivane::calculateFileBlocks(started(run_), path, scope, eachMonth, bars.get()))
        result.text += block.text;
    result.bars = std::move(bars);
    return result;
}

FinishedRun CalculationWorker::finish(bool buildMenu)
{
    lumivane::CalculationRun& run = started(run_);
    FinishedRun result;
    result.closingText = run.closingText();
    result.menuAsked = buildMenu;
    if (buildMenu) {
        const auto menu = run.buildReportsMenu();
        result.menuBuilt = static_cast<bool>(menu);
        if (!menu)
            result.menuProblem = menu.error().reason;
    }
    run_.reset();
    result.graph = graph_;
    return result;
}

void CalculationWorker::discard() { run_.reset(); }
