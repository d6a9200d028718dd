#pragma once
// One calculation run over the selected files: the text of the results area,
// the bills and the reports menu. The window and lumivane-calc both drive it,
// so both show the same text for the same files, scope and settings.
#include <memory>
#include <string>
#include <vector>

#include "core/graph/graph_state.h"
#include "core/meterdata/date_scope.h"
#include "core/reports/bill_report.h"
#include "core/settings/settings_record.h"
#include "core/text/clock.h"
#include "core/tariff/file_booking.h"
#include "core/text/expected.h"

namespace lumivane {

struct FileFigures;
class FileBytesReader;
struct BookedFile;
struct BookingJob;

// Where reports go and what the generation lines say.
struct ReportEnvironment {
    std::string reportsFolder;  // ends with the platform's separator
    std::string programFolder;  // folder of the templates; ends with the separator
    const Clock* clock = nullptr;
    std::string computerName;
    bool writesCsv = false;           // CSV files are written beside the bills: their names are claimed too
    std::vector<std::string> inputs;  // the run's files: no report may replace one
};

// --each-month shows at most this many months in one run; one line names what was left out.
inline constexpr std::size_t kMaxMonthsPerRun = 1200;

// What one file adds to the run.
struct FileOutcome {
    std::string text;         // appended to the results area as it stands (ends with CR LF)
    bool calculated = false;  // false when the file could not be read or calculated
    // The line saying why it could not be read or calculated, why its bill was
    // not written, or which months were left out; ok when none of these.
    Expected<void> status = {};
    bool billWritten = false;  // with Export 1: the bill was written and joins the menu
    std::string billPath;      // the bill, when written
    // The figures behind the text, for tables and scripts; set when calculated.
    std::string month;  // "2012-03" for one month of a log, else ""
    std::string title;  // the bill's title, the month included
    BillPeriod period;
    LedgerCharges charges;  // what its bill, CSV and JSON charge
    FileFigures figures;    // its notes are the file's data notes
    // The name of its bill and CSV without extension, unique in the run
    // ("SITE01-2" after an earlier SITE01); "" when the run writes no files.
    std::string fileName = {};
    std::string renamed = {};  // the line saying it got another name than its title, "" when not
    // With bars asked for: the booked steps, unmultiplied, as they were drawn.
    std::vector<BookedStep> steps = {};
};

class CalculationRun {
public:
    // The settings are copied: a run uses the values it started with. Files
    // are read through `files` (it must outlive the run); without one they
    // are read whole into a buffer.
    CalculationRun(const SettingsRecord& settings, ReportEnvironment environment, GraphState& graph,
                   const GraphPalette& palette, FileBytesReader* files = nullptr);
    ~CalculationRun();
    CalculationRun(const CalculationRun&) = delete;
    CalculationRun& operator=(const CalculationRun&) = delete;

    // "Day Tariff: ..., Night Tariff: ..., Multiplier: ..." and the rule of 79 "-", each with CR LF.
    std::string headerText() const;

    // The files the run will be asked for next, in order, as calculateFileBlocks
    // asks for them: on more than one processor they are booked ahead on other
    // threads. A file then asked for with another path, scope or way is booked
    // in its turn, and those booked ahead are dropped; so are those never asked for.
    void prepare(const std::vector<std::string>& paths, const DateScope& scope, bool eachMonth, bool keepSteps);

    // For a run whose graph is never shown (the command line): files are
    // booked without the pre-scan, which only sets the graph's scale. Call
    // before prepare; every figure, note and report stays the same.
    void leaveGraphUnscaled();

    // Pre-scan and engine on one file, the scope read afresh; bars go to `bars`
    // when it is not null. Writes the bill when Export is 1.
    FileOutcome calculateFile(const std::string& path, const DateScope& scope, BarSink* bars);

    // Every calendar month the file has readings for, in calendar order, as
    // its own block, totals, notes and bill ("SITE1-2012-03"); a bill covers its
    // month as far as the scope takes it. No bars are drawn. One outcome when
    // the file cannot be read or has no month; a last one without figures when
    // the run's months run out.
    std::vector<FileOutcome> calculateFileByMonth(const std::string& path, const DateScope& scope);

    // The grand totals as money: or why they are not finite numbers.
    Expected<void> grandTotalsCheck() const;

    // The four-line grand-totals block (two lines when they are no numbers), then the
    // standing charge and VAT lines when they are billed, each line ending with CR LF.
    std::string grandTotalsText() const;

    // The data notes of the files so far: the header line and one "label: note"
    // line each, ending CR LF; "" when no file has a note.
    std::string dataNotesText() const;

    // What follows the files' blocks in the results text: the grand totals, then the data notes.
    std::string closingText() const;

    // With Export 1: writes "menu.html" for the bills of this run; its path, or
    // one line saying why it was not written.
    Expected<std::string> buildReportsMenu();

    // kWh of all calculated files so far (unmultiplied by any price).
    double grandDayUnits() const;
    double grandNightUnits() const;
    // The sums of the calculated files' shown charges.
    const LedgerCharges& grandCharges() const;

private:
    // The file's text, totals and bill once its walk is done.
    // With a month, the block is labelled with it and the bill covers that calendar month.
    FileOutcome finishFile(const std::string& label, const DateScope& scope, const FileFigures& figures,
                           const std::string& month = {});
    // A booked file applied to the run in file order: graph, notes, totals, names, bill.
    FileOutcome applyFile(const std::string& label, const DateScope& scope, FileBooking booking, BarSink* bars);
    std::vector<FileOutcome> applyMonths(const std::string& label, const DateScope& scope,
                                         Expected<std::vector<MonthFigures>> months);
    // The job's booking, booked ahead or here.
    BookedFile book(const BookingJob& job);
    // The one line of a file that cannot be read or calculated.
    static FileOutcome failedFile(const std::string& label, const Error& error);
    // The unique name of a block's bill and CSV; the line of a renaming goes into the outcome.
    std::string claimFileName(const std::string& label, const std::string& title, FileOutcome& outcome);

    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace lumivane
