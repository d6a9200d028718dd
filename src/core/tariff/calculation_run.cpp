#include "core/tariff/calculation_run.h"

#include <cmath>
#include <cctype>
#include <filesystem>
#include <optional>
#include <set>

#include "core/reports/bill_report.h"
#include "core/reports/ledger_text.h"
#include "core/text/display_text.h"
#include "core/text/file_label.h"
#include "core/text/number_text.h"
#include "core/reports/report_files.h"
#include "core/reports/reports_menu.h"
#include "core/reports/summary_csv.h"
#include "core/tariff/booking_ahead.h"
#include "core/tariff/data_notes.h"
#include "core/tariff/file_booking.h"
#include "core/tariff/monthly_figures.h"
#include "core/tariff/tariff_engine.h"
#include "core/meterdata/file_bytes_reader.h"
#include "core/meterdata/meter_log_reader.h"
#include "core/meterdata/meter_log_scan.h"
#include "core/meterdata/parallel_readings.h"

namespace lumivane {

struct CalculationRun::State {
    SettingsRecord settings;
    ReportEnvironment environment;
    GraphState& graph;
    GraphPalette palette;
    ReadingMemory memory;
    double grandDayUnits = 0;
    double grandNightUnits = 0;
    LedgerCharges grandCharges;
    ReportLinkLists links;
    // Each file is read once, in one block (or mapped), and both the
    // pre-scan and the engine walk those bytes in place.
    FileBytesReader* files;
    BufferedFileBytes ownFiles;
    // Each file's data notes with its label, in file order.
    std::vector<std::pair<std::string, std::string>> notes;
    // The file names (without extension, lower case) given to bills and CSVs so far.
    std::set<std::string> usedNames;
    std::size_t months = 0;               // blocks of --each-month so far, against kMaxMonthsPerRun
    std::unique_ptr<BookingAhead> ahead;  // the files booked ahead, when prepared
    bool scaleGraph = true;               // false when the graph is never shown

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

}  // namespace

CalculationRun::CalculationRun(const SettingsRecord& settings, ReportEnvironment environment, GraphState& graph,
                               const GraphPalette& palette, FileBytesReader* files)
    : state_(new State{settings, std::move(environment), graph, palette, {}, 0, 0, {}, {}, files, {}, {}, {}, 0, {}})
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

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

// A file that cannot be read or calculated gets one line naming the file, the
// line where one applies, and the reason, followed by the usual empty line;
// it adds nothing to the totals, writes no bill and gets no menu entry.
// A bill that cannot be written (template missing or lacking a placeholder,
// reports folder not writable) does not undo the calculation: the file's
// block and totals stand, one line after the block names the reason, and the
// file gets no menu entry, since the menu lists only bills that exist.
void CalculationRun::prepare(const std::vector<std::string>& paths, const DateScope& scope, bool eachMonth,
                             bool keepSteps)
{
    State& st = *state_;
    st.ahead.reset();
    const unsigned threads = calculationThreads();
    if (threads < 2 || paths.size() < 2)
        return;
    std::vector<BookingJob> jobs;
    jobs.reserve(paths.size());
    for (const std::string& path : paths)
        jobs.push_back({path, scope, eachMonth, keepSteps && !eachMonth, st.scaleGraph});
    st.ahead = std::make_unique<BookingAhead>(std::move(jobs), st.settings, *st.files, threads);
}

void CalculationRun::leaveGraphUnscaled() { state_->scaleGraph = false; }

BookedFile CalculationRun::book(const BookingJob& job)
{
    State& st = *state_;
    if (st.ahead) {
        if (auto booked = st.ahead->take(job, *st.files))
            return std::move(*booked);
        st.ahead.reset();
    }
    return bookFile(job, st.settings, *st.files);
}

FileOutcome CalculationRun::calculateFile(const std::string& path, const DateScope& scope, BarSink* bars)
{
    BookedFile booked = book({path, scope, false, bars != nullptr, state_->scaleGraph});
    return applyFile(displayText(fileLabelOf(path)), scope, std::move(booked.booking), bars);
}

FileOutcome CalculationRun::applyFile(const std::string& label, const DateScope& scope, FileBooking booking,
                                      BarSink* bars)
{
    State& st = *state_;
    // Both walks begin (colours move on by two per file), even for a file that cannot be read.
    beginFileWalk(st.graph, st.memory);
    beginFileWalk(st.graph, st.memory);
    if (booking.scale) {
        st.graph.graphScale = booking.scale->first;
        st.graph.graphBarWidth = booking.scale->second;
    }
    if (bars)
        drawBookedSteps(booking.steps, st.graph, st.palette, *bars);
    if (!booking.figures)
        return failedFile(label, booking.figures.error());
    for (const std::string& note : booking.figures->notes)
        st.notes.emplace_back(label, note);
    FileOutcome outcome = finishFile(label, scope, *booking.figures);
    outcome.steps = std::move(booking.steps);
    return outcome;
}

FileOutcome CalculationRun::failedFile(const std::string& label, const Error& error)
{
    FileOutcome outcome;
    outcome.status = failure(errorLine(label, error));
    outcome.text = outcome.status.error().reason + "\r\n\r\n";
    return outcome;
}

std::vector<FileOutcome> CalculationRun::calculateFileByMonth(const std::string& path, const DateScope& scope)
{
    BookedFile booked = book({path, scope, true, false, state_->scaleGraph});
    return applyMonths(displayText(fileLabelOf(path)), scope, std::move(booked.months));
}

std::vector<FileOutcome> CalculationRun::applyMonths(const std::string& label, const DateScope& scope,
                                                     Expected<std::vector<MonthFigures>> months)
{
    State& st = *state_;
    // Both walks begin for each file, as in calculateFile, so later colours match.
    beginFileWalk(st.graph, st.memory);
    beginFileWalk(st.graph, st.memory);
    if (!months)
        return {failedFile(label, months.error())};
    std::vector<FileOutcome> outcomes;
    for (MonthFigures& month : *months) {
        const std::string key = month.year == 0 ? std::string() : monthKeyText(month.year, month.month);
        if (st.months == kMaxMonthsPerRun) {
            FileOutcome cut;
            std::string line = label;
            line.append(": ").append(std::to_string(months->size() - outcomes.size())).append(" months from ");
            line.append(key).append(" on were left out: a run shows at most ");
            line.append(std::to_string(kMaxMonthsPerRun)).append(" months");
            cut.status = failure(std::move(line));
            cut.text = cut.status.error().reason + "\r\n\r\n";
            outcomes.push_back(std::move(cut));
            break;
        }
        ++st.months;
        std::string shownLabel = label;
        if (!key.empty())
            shownLabel.append(" ").append(key);
        for (const std::string& note : month.figures.notes)
            st.notes.emplace_back(shownLabel, note);
        outcomes.push_back(finishFile(label, scope, month.figures, key));
    }
    return outcomes;
}

std::string CalculationRun::claimFileName(const std::string& label, const std::string& title, FileOutcome& outcome)
{
    State& st = *state_;
    bool renamed = false;
    std::string base = billFileNameOf(title, renamed);
    base.resize(base.size() - 5);  // ".html"
    if (renamed && st.settings.settingsExport == 1)
        outcome.text += label + ": the bill is named " + base + ".html, since its own name is the reports menu's\r\n";
    // Names compare without case: on a case-blind file system SITE1 and site1 are one file.
    // The run's summary.csv takes "summary" for itself beside the blocks' CSVs.
    const bool summaryName = st.environment.writesCsv && lowerCase(base) == "summary";
    std::string name = base;
    for (int n = 2; (summaryName && n == 2) || !st.usedNames.insert(lowerCase(name)).second; ++n)
        name = base + "-" + std::to_string(n);
    if (name != base) {
        const std::string why = summaryName ? std::string(kSummaryCsvName) + " is the run's summary"
                                            : base + " is an earlier file's name in this run";
        outcome.renamed = label + ": its reports are named " + name + ", since " + why;
        outcome.text += outcome.renamed + "\r\n";
    }
    return name;
}

FileOutcome CalculationRun::finishFile(const std::string& label, const DateScope& scope, const FileFigures& figures,
                                       const std::string& month)
{
    State& st = *state_;
    FileOutcome outcome;
    outcome.calculated = true;
    const std::string shownLabel = month.empty() ? label : label + " " + month;
    outcome.month = month;
    outcome.title = billTitleOf(label) + (month.empty() ? "" : "-" + month);
    // A month's period is that month as far as the scope takes it.
    outcome.period = ledgerPeriodOf(figures, scope);
    outcome.charges = ledgerBillOf(figures, outcome.period, st.settings);
    outcome.text = resultsText(shownLabel, figures, st.settings) + billedLinesText(outcome.charges, st.settings);
    outcome.figures = figures;
    st.grandDayUnits += figures.dayTotal;
    st.grandNightUnits += figures.nightTotal;
    addLedgerCharges(st.grandCharges, outcome.charges);
    const bool writesFiles = st.settings.settingsExport == 1 || st.environment.writesCsv;
    if (writesFiles)
        outcome.fileName = claimFileName(shownLabel, outcome.title, outcome);

    if (st.settings.settingsExport == 1) {
        BillInputs inputs;
        inputs.fileLabel = label;
        inputs.figures = &figures;
        inputs.settings = &st.settings;
        inputs.scope = &scope;
        inputs.notes = &figures.notes;
        const std::string suffix = month.empty() ? std::string() : "-" + month;
        inputs.titleSuffix = suffix;
        const std::string shortDate = st.shortDate();
        inputs.shortDate = shortDate;
        inputs.computerName = st.environment.computerName;
        inputs.reportsFolder = st.environment.reportsFolder;
        const std::string billName = outcome.fileName + ".html";
        inputs.fileName = billName;
        inputs.runInputs = &st.environment.inputs;
        const auto bill = writeBill(st.environment.programFolder + "billtemplate.html", inputs);
        if (bill) {
            st.links.add(*bill);
            outcome.billWritten = true;
            outcome.billPath = bill->billPath;
        } else {
            outcome.status = failure(shownLabel + ": no bill: " + bill.error().reason);
            outcome.text += outcome.status.error().reason + "\r\n";
        }
    }
    outcome.text += "\r\n";
    return outcome;
}

Expected<void> CalculationRun::grandTotalsCheck() const
{
    if (const auto overflow = nonFiniteCause(state_->grandDayUnits, state_->grandNightUnits, state_->settings))
        return failure("the grand totals are not finite numbers (" + *overflow + ")");
    return {};
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
    // Files finite each on their own can add up to no number: one line says so, and no figure.
    if (const auto check = grandTotalsCheck(); !check)
        return text + check.error().reason + "\r\n";
    text += "  Total - Day: " + formatEnergy(day) + " kWh, " + pound + formatMoney(dayCost) + "\r\n";
    text += "Total - Night: " + formatEnergy(night) + " kWh, " + pound + formatMoney(nightCost) + "\r\n";
    text +=
        "        Total: " + formatEnergy(day + night) + " kWh, " + pound + formatMoney(nightCost + dayCost) + "\r\n";
    return text + grandBilledLinesText(st.grandCharges, st.settings);
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
const LedgerCharges& CalculationRun::grandCharges() const { return state_->grandCharges; }

}  // namespace lumivane
