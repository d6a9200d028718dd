#include "core/tariff/calculation_run.h"

#include <cmath>
#include <filesystem>

#include "core/reports/bill_report.h"
#include "core/text/display_text.h"
#include "core/text/file_label.h"
#include "core/text/number_text.h"
#include "core/reports/report_files.h"
#include "core/reports/reports_menu.h"
#include "core/tariff/data_notes.h"
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
    // Each file's data notes with its label, in file order.
    std::vector<std::pair<std::string, std::string>> notes;

    std::string shortDate() const { return environment.clock ? environment.clock->shortDateText() : std::string(); }
};

namespace {

// The reason may quote the file's bytes: shown as one line of valid UTF-8.
std::string errorLine(std::string_view label, const Error& error)
{
    std::string line(label);
    line += ": ";
    if (error.line > 0)
        line += "line " + std::to_string(error.line) + ": ";
    line += displayText(error.reason);
    return line;
}

// A file saved as UTF-16 reads as bytes with a NUL in every other one: saying
// so is more help than the first line it fails on.
Error withEncodingHint(Error error, std::string_view bytes)
{
    if (looksLikeUtf16(bytes))
        error.reason += " (the file looks like UTF-16 text; save it as 8-bit text)";
    return error;
}

}  // namespace

CalculationRun::CalculationRun(const SettingsRecord& settings, ReportEnvironment environment, GraphState& graph,
                               const GraphPalette& palette, FileBytesReader* files)
    : state_(new State{settings, std::move(environment), graph, palette, {}, 0, 0, {}, files, {}, {}, {}})
{
    if (!state_->files)
        state_->files = &state_->ownFiles;
    // A write killed mid-way leaves its temporary file behind; one that started
    // before this run cannot belong to a write still going on.
    if (state_->settings.settingsExport == 1 && !state_->environment.reportsFolder.empty())
        removeStaleTemporaries(state_->environment.reportsFolder, std::filesystem::file_time_type::clock::now());
}

CalculationRun::~CalculationRun() = default;

std::string CalculationRun::headerText() const
{
    const SettingsRecord& s = state_->settings;
    return "Day Tariff: " + formatPlain(s.settingsDayCost) + ", Night Tariff: " + formatPlain(s.settingsNightCost) +
           ", Multiplier: " + formatPlain(s.settingsMultiplier) + "\r\n" + std::string(79, '-') + "\r\n";
}

namespace {

// Readings near the largest double step to infinities and NaN: such figures
// are no money, and would turn the grand totals and the menu into nonsense.
bool isMoney(const FileFigures& f, const SettingsRecord& s)
{
    return std::isfinite(f.dayTotal) && std::isfinite(f.nightTotal) && std::isfinite(f.dayTotal * s.settingsDayCost) &&
           std::isfinite(f.nightTotal * s.settingsNightCost) &&
           std::isfinite(f.dayTotal * s.settingsDayCost + f.nightTotal * s.settingsNightCost);
}

Error notMoney() { return failure("the totals or costs are not finite numbers (readings too large to add up)"); }

}  // namespace

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
    const std::string label = displayText(fileLabelOf(path));

    const auto rule = scopeRuleOf(scope);
    auto failed = [&](const Error& error) {
        outcome.error = errorLine(label, error);
        outcome.text = outcome.error + "\r\n\r\n";
        return outcome;
    };
    const auto bytes = st.files->read(path);
    if (!bytes || !rule) {
        // Both walks begin (colours move on by two per file) even when the file cannot be read.
        beginFileWalk(st.graph, st.memory);
        beginFileWalk(st.graph, st.memory);
        return failed(!bytes ? bytes.error() : rule.error());
    }

    EngineOutcome engine = scanAndCalculateMeterLog(*bytes, path, *rule, st.settings, st.memory, st.graph, st.palette,
                                                    bars, &st.bookedSteps);
    // Figures from bytes that changed under the walk are no figures at all.
    if (auto lost = st.files->confirmLastRead(); !lost)
        return failed(lost.error());
    if (!engine)
        return failed(withEncodingHint(engine.error(), *bytes));
    if (!isMoney(*engine, st.settings))
        return failed(notMoney());
    addNotes(label, *bytes, path, scope, *engine);
    return finishFile(label, scope, *engine);
}

void CalculationRun::addNotes(const std::string& label, std::string_view bytes, const std::string& path,
                              const DateScope& scope, FileFigures& figures)
{
    if (figures.bookedSteps == 0)
        if (const auto shape = engineShapeOf(bytes, path))
            figures.notes.push_back(nothingBookedNote(bytes, *shape, scope));
    for (const std::string& note : figures.notes)
        state_->notes.emplace_back(label, note);
}

std::vector<FileOutcome> CalculationRun::calculateFileByMonth(const std::string& path, const DateScope& scope)
{
    State& st = *state_;
    const std::string label = displayText(fileLabelOf(path));
    // Both walks begin for each file, as in calculateFile, so later colours match.
    beginFileWalk(st.graph, st.memory);
    beginFileWalk(st.graph, st.memory);
    auto failed = [&](const Error& error) {
        FileOutcome outcome;
        outcome.error = errorLine(label, error);
        outcome.text = outcome.error + "\r\n\r\n";
        return std::vector<FileOutcome>{outcome};
    };
    const auto rule = scopeRuleOf(scope);
    if (!rule)
        return failed(rule.error());
    const auto bytes = st.files->read(path);
    if (!bytes)
        return failed(bytes.error());
    auto monthly = calculateMeterLogByMonth(*bytes, path, *rule, st.settings);
    if (auto lost = st.files->confirmLastRead(); !lost)
        return failed(lost.error());
    if (!monthly)
        return failed(withEncodingHint(monthly.error(), *bytes));
    for (const MonthFigures& month : *monthly)
        if (!isMoney(month.figures, st.settings))
            return failed(notMoney());
    std::vector<FileOutcome> outcomes;
    for (const MonthFigures& month : *monthly)
        outcomes.push_back(finishFile(label, scope, month.figures, monthKeyText(month.year, month.month)));
    return outcomes;
}

FileOutcome CalculationRun::finishFile(const std::string& label, const DateScope& scope, const FileFigures& figures,
                                       const std::string& month)
{
    State& st = *state_;
    FileOutcome outcome;
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
        inputs.notes = &figures.notes;
        const std::string suffix = month.empty() ? std::string() : "-" + month;
        inputs.titleSuffix = suffix;
        const std::string shortDate = st.shortDate();
        inputs.shortDate = shortDate;
        inputs.computerName = st.environment.computerName;
        inputs.reportsFolder = st.environment.reportsFolder;
        inputs.runInputs = &st.environment.inputs;
        const auto bill = writeBill(st.environment.programFolder + "billtemplate.html", inputs);
        if (bill) {
            st.links.add(*bill);
            outcome.billWritten = true;
            outcome.billPath = bill->billPath;
            if (bill->renamedFromMenu)
                outcome.text += label + ": the bill is named " + fileNameOfLabel(fileLabelOf(bill->billPath)) +
                                ", since its own name is the reports menu's\r\n";
        } else {
            outcome.error = shownLabel + ": no bill: " + bill.error().reason;
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
    text +=
        "        Total: " + formatEnergy(day + night) + " kWh, " + pound + formatMoney(nightCost + dayCost) + "\r\n";
    return text;
}

std::string CalculationRun::dataNotesText() const { return lumivane::dataNotesText(state_->notes); }

std::string CalculationRun::closingText() const { return grandTotalsText() + dataNotesText(); }

Expected<std::string> CalculationRun::buildReportsMenu()
{
    State& st = *state_;
    if (st.settings.settingsExport != 1)
        return failure("the reports menu was not written");
    const std::string target = st.environment.reportsFolder + kReportsMenuName;
    const auto templ = importInput(st.environment.programFolder + "menutemplate.html");
    if (!templ)
        return failure("no reports menu: the menu template " + templ.error().reason);
    const auto menu = fillReportsMenu(*templ, st.links, st.shortDate(), st.environment.computerName);
    if (!menu)
        return failure("no reports menu: " + menu.error().reason + " (" + st.environment.programFolder +
                       "menutemplate.html)");
    if (const auto refused = refuseInputAsTarget(target, st.environment.inputs); !refused)
        return failure("no reports menu: " + refused.error().reason);
    if (const auto written = exportOutput(*menu, target); !written)
        return failure("no reports menu: " + written.error().reason);
    return target;
}

double CalculationRun::grandDayUnits() const { return state_->grandDayUnits; }
double CalculationRun::grandNightUnits() const { return state_->grandNightUnits; }

}  // namespace lumivane
