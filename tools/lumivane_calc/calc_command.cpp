#include "lumivane_calc/calc_command.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QSysInfo>

#include <algorithm>

#include "core/reports/day_figures_csv.h"
#include "core/reports/report_files.h"
#include "core/reports/summary_csv.h"
#include "core/tariff/calculation_run.h"
#include "core/tariff/file_blocks.h"
#include "lumivane_calc/calc_json.h"
#include "platform/mapped_file_bytes.h"
#include "platform/resource_folder.h"
#include "platform/settings_store.h"
#include "platform/system_clock.h"
#include "platform/user_folders.h"
#include "platform/utf8_text.h"
#include "core/text/app_facts.h"

namespace lumivane {
namespace {

// Paths stay in the file system's own bytes, as the engine opens them.
std::string folderWithSeparator(const QString& folder)
{
    std::string path = QFile::encodeName(QDir::toNativeSeparators(folder)).toStdString();
    const char separator = QDir::separator().toLatin1();
    if (path.empty() || path.back() != separator)
        path += separator;
    return path;
}

// The folder a --reports-dir or --csv names, absolute and created; "" when it cannot be.
std::string preparedFolder(const QString& folder)
{
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    return QDir().mkpath(absolute) ? folderWithSeparator(absolute) : std::string();
}

QString defaultReportsFolder()
{
    return userFoldersUnder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).reports;
}

CalcCommandOutcome& fail(CalcCommandOutcome& outcome, std::string problem)
{
    outcome.problems.push_back(std::move(problem));
    outcome.exitStatus = 1;
    return outcome;
}

// The reports folder made and the logo beside it; a folder that cannot be made
// is one problem, and the run goes on without bills.
void prepareReportsFolder(const CalcOptions& options, SettingsRecord& settings, ReportEnvironment& environment,
                          CalcCommandOutcome& outcome)
{
    // Absolute, because the menu links the bills by file URL.
    const QString reportsFolder = QDir::cleanPath(QDir::current().absoluteFilePath(
        options.reportsDir.empty() ? defaultReportsFolder()
                                   : QFile::decodeName(QByteArray::fromStdString(options.reportsDir))));
    if (!QDir().mkpath(reportsFolder)) {
        fail(outcome, "cannot create the reports folder " + QFile::encodeName(reportsFolder).toStdString());
        settings.settingsExport = 0;
        return;
    }
    environment.reportsFolder = folderWithSeparator(reportsFolder);
    environment.programFolder = folderWithSeparator(resourceFolder());
    // The bills show the logo from their own folder, as the window's do.
    if (!provideReportLogo(resourceFolder() + QDir::separator(), reportsFolder + QDir::separator()))
        outcome.problems.push_back("the logo reportlogo.jpg could not be copied to the reports folder");
}

// The --csv folder made; "" when none is asked for or it cannot be made (one problem).
std::string prepareCsvFolder(const CalcOptions& options, ReportEnvironment& environment, CalcCommandOutcome& outcome)
{
    if (options.csvDir.empty())
        return {};
    std::string folder = preparedFolder(QFile::decodeName(QByteArray::fromStdString(options.csvDir)));
    if (folder.empty())
        fail(outcome, "cannot create the CSV folder " + options.csvDir);
    environment.writesCsv = !folder.empty();
    return folder;
}

// Where a block's CSV went, or why it did not.
struct CsvResult {
    std::string path;
    std::string error;
};

// One block of the run: its problem, if any, and its CSV when one is asked for.
CsvResult takeBlock(const FileOutcome& file, const std::string& path, const CalcOptions& options,
                    const std::string& csvFolder, const SettingsRecord& settings, CalcCommandOutcome& outcome)
{
    if (!file.calculated)
        fail(outcome, file.status ? path + ": could not be calculated" : file.status.error().reason);
    else if (settings.settingsExport == 1 && !file.billWritten)
        // The figures stand, but the report the caller asked for is missing.
        fail(outcome, file.status ? path + ": no bill was written" : file.status.error().reason);
    // A second file of the same name was given another: said, but nothing is lost.
    if (!file.renamed.empty())
        outcome.problems.push_back(file.renamed);
    if (csvFolder.empty() || !file.calculated || options.csvDir.empty())
        return {};
    CsvResult csv;
    csv.path = csvFolder + (file.fileName.empty() ? file.title : file.fileName) + ".csv";
    auto written = refuseInputAsTarget(csv.path, options.files);
    if (written)
        written = exportOutput(dayFiguresCsv(file.figures, file.period, settings), csv.path);
    if (written)
        return csv;
    csv.error = path + ": no CSV: " + written.error().reason;
    fail(outcome, csv.error);
    return {"", csv.error};
}

SummaryRow summaryRowOf(const std::string& path, const FileOutcome& file)
{
    SummaryRow row;
    row.file = path;
    row.month = file.month;
    row.title = file.title;
    row.calculated = file.calculated;
    row.period = file.period;
    row.dayUnits = file.figures.dayTotal;
    row.nightUnits = file.figures.nightTotal;
    row.charges = file.charges;
    row.noteCount = file.figures.notes.size();
    return row;
}

// summary.csv beside the blocks' CSVs: one problem when it cannot be written.
void writeSummaryCsv(const std::string& csvFolder, const std::vector<SummaryRow>& rows, const CalculationRun& run,
                     const CalcOptions& options, CalcCommandOutcome& outcome)
{
    if (csvFolder.empty())
        return;
    const std::string path = csvFolder + kSummaryCsvName;
    const SummaryTotals totals{run.grandDayUnits(), run.grandNightUnits(), run.grandCharges()};
    auto written = refuseInputAsTarget(path, options.files);
    if (written)
        written = exportOutput(summaryCsv(rows, totals), path);
    if (!written)
        fail(outcome, "no " + std::string(kSummaryCsvName) + ": " + written.error().reason);
}

}  // namespace

namespace {
bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }
}  // namespace

std::string withLineFeeds(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += '\n';
            ++i;
        } else {
            out += isControl(text[i]) ? '?' : text[i];
        }
    }
    return out;
}

std::string terminalLine(std::string_view text)
{
    std::string out(text);
    std::replace_if(out.begin(), out.end(), isControl, '?');
    return out;
}

CalcCommandOutcome runCalcCommand(const CalcOptions& options)
{
    CalcCommandOutcome outcome;

    // The window's store, whatever this program file is called; overrides live for this run only.
    const SettingsStore store(QString::fromUtf8(kMainExecutableName));
    LoadedSettings loaded = loadSettingsNamingUnreadable([&](std::string_view key) -> std::optional<std::string> {
        if (const std::string* text = findOverride(options, key))
            return *text;
        return store.GetSetting(key);
    });
    for (const UnreadableSetting& setting : loaded.unreadable)
        outcome.warnings.push_back(unreadableSettingLine(setting));
    SettingsRecord& settings = loaded.record;
    // Reports are written on request only, so a stored Export of 1 cannot scatter files from scripts.
    settings.settingsExport = options.exportReports ? 1 : 0;

    const SystemClock clock;
    ReportEnvironment environment;
    environment.clock = &clock;
    environment.computerName = utf8Text(QSysInfo::machineHostName());
    environment.inputs = options.files;
    // Folders matter only for reports; a plain run does not look them up.
    if (options.exportReports)
        prepareReportsFolder(options, settings, environment, outcome);
    const std::string csvFolder = prepareCsvFolder(options, environment, outcome);

    GraphState graph;
    const GraphPalette palette = defaultGraphPalette();
    MappedFileBytes files;
    CalculationRun run(settings, std::move(environment), graph, palette, &files);

    CalcJsonRun jsonRun;
    std::vector<SummaryRow> summary;
    std::string text = run.headerText();
    run.leaveGraphUnscaled();  // nothing here shows the graph
    run.prepare(options.files, options.scope, options.eachMonth, false);
    for (const std::string& path : options.files) {
        for (FileOutcome& file : calculateFileBlocks(run, path, options.scope, options.eachMonth, nullptr)) {
            text += file.text;
            CsvResult csv = takeBlock(file, path, options, csvFolder, settings, outcome);
            summary.push_back(summaryRowOf(path, file));
            jsonRun.files.push_back({path, std::move(file), std::move(csv.path), std::move(csv.error)});
        }
    }
    text += run.closingText();
    if (const auto totals = run.grandTotalsCheck(); !totals)
        fail(outcome, totals.error().reason);
    writeSummaryCsv(csvFolder, summary, run, options, outcome);

    if (settings.settingsExport == 1) {
        const auto menu = run.buildReportsMenu();
        if (!menu) {
            const std::string& why = menu.error().reason;
            // The window shows this line under the totals; the printed text is the window's text.
            text += why + "\r\n";
            outcome.problems.push_back(why);
            outcome.exitStatus = 1;
        } else {
            jsonRun.menuPath = *menu;
        }
    }

    if (options.json) {
        jsonRun.grandDayUnits = run.grandDayUnits();
        jsonRun.grandNightUnits = run.grandNightUnits();
        jsonRun.grandCharges = run.grandCharges();
        jsonRun.problems = outcome.problems;
        outcome.output = calcJsonDocument(options, settings, jsonRun);
        return outcome;
    }
    outcome.output = withLineFeeds(text);
    return outcome;
}

}  // namespace lumivane
