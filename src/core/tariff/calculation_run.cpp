#include "core/tariff/calculation_run.h"

#include "core/reports/bill_report.h"
#include "core/text/number_text.h"
#include "core/reports/report_files.h"
#include "core/reports/reports_menu.h"
#include "core/tariff/monthly_figures.h"
#include "core/tariff/tariff_engine.h"
#include "core/meterdata/file_bytes_reader.h"
#include "core/meterdata/meter_log_reader.h"
#include "core/meterdata/meter_log_scan.h"

namespace lumivane {

struct CalculationRun::State {
    SettingsRecord settings;
    ReportEnvironment environment;
    GraphState& graph;
    GraphPalette palette;
    ReadingMemory memory;
    double grandDayUnits = 0;
    double grandNightUnits = 0;
    ReportLinkLists links;
    // Each file is read once, in one block (or mapped), and both the
    // pre-scan and the engine walk those bytes in place.
    FileBytesReader* files;
    BufferedFileBytes ownFiles;
    // The booked steps of the file being drawn; kept so that later files reuse its room.
    std::vector<BookedStep> bookedSteps;

    std::string shortDate() const { return environment.clock ? environment.clock->shortDateText() : std::string(); }
};

namespace {

std::string errorLine(std::string_view label, const ReadError& error)
{
    std::string line(label);
    line += ": ";
    if (error.line > 0)
        line += "line " + std::to_string(error.line) + ": ";
    line += error.reason;
    return line;
}

}  // namespace

CalculationRun::CalculationRun(const SettingsRecord& settings, ReportEnvironment environment, GraphState& graph,
                               const GraphPalette& palette, FileBytesReader* files)
    : state_(new State{settings, std::move(environment), graph, palette, {}, 0, 0, {}, files, {}, {}})
{
    if (!state_->files)
        state_->files = &state_->ownFiles;
}

CalculationRun::~CalculationRun() = default;

std::string CalculationRun::headerText() const
{
    const SettingsRecord& s = state_->settings;
    return "Day Tariff: " + formatPlain(s.settingsDayCost) + ", Night Tariff: " + formatPlain(s.settingsNightCost) +
           ", Multiplier: " + formatPlain(s.settingsMultiplier) + "\r\n" + std::string(79, '-') + "\r\n";
}

// A file that cannot be read or calculated gets one line naming the file, the
// line where one applies, and the reason, followed by the usual empty line;
// it adds nothing to the totals, writes no bill and gets no menu entry.
// A bill that cannot be written (template missing or lacking a placeholder,
// reports folder not writable) does not undo the calculation: the file's
// block and totals stand, one line after the block names the reason, and the
// file gets no menu entry, since the menu lists only bills that exist.
FileOutcome CalculationRun::calculateFile(const std::string& path, const DateScope& scope, BarSink* bars)
{
    State& st = *state_;
    FileOutcome outcome;
    const std::string label = fileLabelOf(path);

    std::string scopeError;
    const auto rule = scopeRuleOf(scope, &scopeError);
    auto failed = [&](const ReadError& error) {
        outcome.error = errorLine(label, error);
        outcome.text = outcome.error + "\r\n\r\n";
        return outcome;
    };
    std::string_view bytes;
    if (const auto loadError = st.files->read(path, bytes)) {
        // Both walks begin (colours move on by two per file) even when the file cannot be read.
        beginFileWalk(st.graph, st.memory);
        beginFileWalk(st.graph, st.memory);
        return failed(*loadError);
    }
    if (!rule) {
        beginFileWalk(st.graph, st.memory);
        beginFileWalk(st.graph, st.memory);
        return failed(ReadError{0, scopeError});
    }

    EngineOutcome engine = scanAndCalculateMeterLog(bytes, path, *rule, st.settings, st.memory, st.graph,
                                                    st.palette, bars, &st.bookedSteps);
    // Figures from bytes that changed under the walk are no figures at all.
    if (auto lost = st.files->confirmLastRead())
        engine.error = std::move(lost);
    return finishFile(label, scope, std::move(engine));
}

std::vector<FileOutcome> CalculationRun::calculateFileByMonth(const std::string& path, const DateScope& scope)
{
    State& st = *state_;
    const std::string label = fileLabelOf(path);
    // Both walks begin for each file, as in calculateFile, so later colours match.
    beginFileWalk(st.graph, st.memory);
    beginFileWalk(st.graph, st.memory);
    std::string scopeError;
    const auto rule = scopeRuleOf(scope, &scopeError);
    std::string_view bytes;
    std::optional<ReadError> error = st.files->read(path, bytes);
    MonthlyOutcome monthly;
    if (!error && !rule)
        error = ReadError{0, scopeError};
    if (!error) {
        monthly = calculateMeterLogByMonth(bytes, path, *rule, st.settings);
        error = monthly.error ? std::move(monthly.error) : st.files->confirmLastRead();
    }
    std::vector<FileOutcome> outcomes;
    if (error) {
        EngineOutcome failed;
        failed.error = std::move(error);
        outcomes.push_back(finishFile(label, scope, std::move(failed)));
        return outcomes;
    }
    for (MonthFigures& month : monthly.months) {
        EngineOutcome engine;
        engine.figures = std::move(month.figures);
        outcomes.push_back(finishFile(label, scope, std::move(engine), monthKeyText(month.year, month.month)));
    }
    return outcomes;
}

FileOutcome CalculationRun::finishFile(const std::string& label, const DateScope& scope, EngineOutcome engine,
                                       const std::string& month)
{
    State& st = *state_;
    FileOutcome outcome;
    if (engine.error) {
        outcome.error = errorLine(label, *engine.error);
        outcome.text = outcome.error + "\r\n\r\n";
        return outcome;
    }
    const FileFigures& figures = engine.figures;
    outcome.calculated = true;
    const std::string shownLabel = month.empty() ? label : label + " " + month;
    outcome.text = resultsText(shownLabel, figures, st.settings);
    // A month's bill covers its calendar month, whatever days the scope took from it.
    const DateScope billScope = month.empty() ? scope : DateScope{};
    outcome.month = month;
    outcome.title = billTitleOf(label) + (month.empty() ? "" : "-" + month);
    outcome.period = billPeriodOf(figures, billScope);
    outcome.figures = figures;
    st.grandDayUnits += figures.dayTotal;
    st.grandNightUnits += figures.nightTotal;

    if (st.settings.settingsExport == 1) {
        BillInputs inputs;
        inputs.fileLabel = label;
        inputs.figures = &figures;
        inputs.settings = &st.settings;
        inputs.scope = &billScope;
        const std::string suffix = month.empty() ? std::string() : "-" + month;
        inputs.titleSuffix = suffix;
        const std::string shortDate = st.shortDate();
        inputs.shortDate = shortDate;
        inputs.computerName = st.environment.computerName;
        inputs.reportsFolder = st.environment.reportsFolder;
        const BillOutcome bill = writeBill(st.environment.programFolder + "billtemplate.html", inputs);
        if (bill.written) {
            st.links.add(bill.figures);
            outcome.billWritten = true;
            outcome.billPath = bill.figures.billPath;
        } else {
            outcome.error = shownLabel + ": no bill: " + bill.error;
            outcome.text += outcome.error + "\r\n";
        }
    }
    outcome.text += "\r\n";
    return outcome;
}

std::string CalculationRun::grandTotalsText() const
{
    const State& st = *state_;
    const double day = st.grandDayUnits;
    const double night = st.grandNightUnits;
    const double dayCost = day * st.settings.settingsDayCost;
    const double nightCost = night * st.settings.settingsNightCost;
    const std::string pound = "\xC2\xA3";
    std::string text = "--------------------------------- TOTAL ---------------------------------\r\n";
    text += "  Total - Day: " + formatEnergy(day) + " kWh, " + pound + formatMoney(dayCost) + "\r\n";
    text += "Total - Night: " + formatEnergy(night) + " kWh, " + pound + formatMoney(nightCost) + "\r\n";
    text += "        Total: " + formatEnergy(day + night) + " kWh, " + pound + formatMoney(nightCost + dayCost) +
            "\r\n";
    return text;
}

MenuOutcome CalculationRun::buildReportsMenu()
{
    State& st = *state_;
    MenuOutcome outcome;
    if (st.settings.settingsExport != 1)
        return outcome;
    const std::string target = st.environment.reportsFolder + kReportsMenuName;
    const ImportedText templ = importInput(st.environment.programFolder + "menutemplate.html");
    if (!templ.ok) {
        outcome.error = "no reports menu: the menu template " + templ.error;
        return outcome;
    }
    const MenuText menu = fillReportsMenu(templ.text, st.links, st.shortDate(), st.environment.computerName);
    if (!menu.ok) {
        outcome.error = "no reports menu: " + menu.error + " (" + st.environment.programFolder +
                        "menutemplate.html)";
        return outcome;
    }
    const std::string writeError = exportOutput(menu.text, target);
    if (!writeError.empty()) {
        outcome.error = "no reports menu: " + writeError;
        return outcome;
    }
    outcome.written = true;
    outcome.path = target;
    return outcome;
}

double CalculationRun::grandDayUnits() const { return state_->grandDayUnits; }
double CalculationRun::grandNightUnits() const { return state_->grandNightUnits; }

}  // namespace lumivane
