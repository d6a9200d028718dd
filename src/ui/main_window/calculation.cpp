#include "ui/main_window/calculation.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include <exception>

#include "core/graph/bar_recording.h"
#include "core/reports/report_files.h"
#include "core/tariff/calculation_run.h"
#include "platform/desktop_services.h"
#include "platform/settings_store.h"
#include "platform/utf8_text.h"
#include "ui/main_window/calculation_worker.h"
#include "ui/widgets/graph_panel.h"
#include "ui/widgets/process_text_area.h"

namespace {

const QString kCancelCaption = QStringLiteral("&Cancel");
// Alt+S belongs to "Edit &Settings".
const QString kStartCaption = QStringLiteral("Start &Calculation");
const QLatin1String kLineEnd("\r\n");

std::string localPath(const QString& path) { return lumivane::pathBytes(path); }

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QString quoted(const QString& path)
{
    return QLatin1Char('"') + lumivane::shownPath(QDir::toNativeSeparators(path)) + QLatin1Char('"');
}

// The line after a cancelled run's text, naming every file it did not calculate.
QString leftOutLine(const QStringList& leftOut)
{
    QStringList names;
    for (const QString& path : leftOut)
        names << quoted(path);
    return QStringLiteral("The calculation was cancelled: %1 %2 not calculated: %3.")
               .arg(leftOut.size())
               .arg(leftOut.size() == 1 ? QStringLiteral("file was") : QStringLiteral("files were"))
               .arg(names.join(QStringLiteral(", "))) +
           kLineEnd;
}

}  // namespace

Calculation::Calculation(QWidget* host, CalculationEnvironment environment)
    : QObject(host), host_(host), environment_(std::move(environment))
{
    cmdStartConvert = makeButton(host, "cmdStartConvert", kStartCaption);
    cmdStartConvert->setEnabled(false);
    chkEachMonth = new QCheckBox(QStringLiteral("Each &month"), host);
    chkEachMonth->setObjectName(QStringLiteral("chkEachMonth"));
    chkEachMonth->setToolTip(QStringLiteral("Book every calendar month of each file as its own block and bill."));
    if (environment_.store)
        chkEachMonth->setChecked(environment_.store->GetSetting(lumivane::kEachMonthKey).value_or("0") == "1");

    txtProcess = new ProcessTextArea(host);
    txtProcess->setObjectName(QStringLiteral("txtProcess"));
    txtProcess->setAccessibleName(QStringLiteral("Results"));

    chkGraph = new QCheckBox(QStringLiteral("Display kWh Graph"), host);
    chkGraph->setObjectName(QStringLiteral("chkGraph"));
    cmdTot = makeButton(host, "cmdTot", QStringLiteral("Reports"));
    cmdTot->hide();
    cmdTot->setEnabled(false);
    cmdSaveResults = makeButton(host, "cmdSaveResults", QStringLiteral("Sa&ve Results..."));
    cmdOpenReports = makeButton(host, "cmdOpenReports", QStringLiteral("Open Reports &Folder"));

    fraGraph = new QFrame(host);
    fraGraph->setObjectName(QStringLiteral("fraGraph"));
    fraGraph->setFrameShape(QFrame::StyledPanel);
    picGraph = new GraphPanel(fraGraph);
    picGraph->setObjectName(QStringLiteral("picGraph"));
    auto* graphLayout = new QVBoxLayout(fraGraph);
    graphLayout->setContentsMargins(9, 14, 9, 9);
    graphLayout->addWidget(picGraph);
    fraGraph->hide();

    graph_.graphColourIndex = 0;

    worker_ = new CalculationWorker;
    worker_->moveToThread(&workerThread_);
    connect(&workerThread_, &QThread::finished, worker_, &QObject::deleteLater);
    workerThread_.setObjectName(QStringLiteral("calculation"));
    workerThread_.start();

    connect(cmdStartConvert, &QPushButton::clicked, this, &Calculation::cmdStartConvert_Click);
    connect(chkEachMonth, &QCheckBox::toggled, this, [this](bool checked) {
        if (environment_.store)
            environment_.store->SaveSetting(lumivane::kEachMonthKey, checked ? "1" : "0");
    });
    connect(chkGraph, &QCheckBox::stateChanged, this, &Calculation::chkGraph_Click);
    connect(cmdTot, &QPushButton::clicked, this, &Calculation::cmdTot_Click);
    connect(cmdSaveResults, &QPushButton::clicked, this, &Calculation::cmdSaveResults_Click);
    connect(cmdOpenReports, &QPushButton::clicked, this, &Calculation::cmdOpenReports_Click);
}

Calculation::~Calculation()
{
    // A file being calculated is finished first; nothing waits for more.
    cancelRequested_ = true;
    workerThread_.quit();
    workerThread_.wait();
}

void Calculation::setSettings(const lumivane::SettingsRecord& settings) { settings_ = settings; }

void Calculation::clearSelection()
{
    cmdStartConvert->setEnabled(false);
    txtProcess->setText(QString());
    graph_.graphDayX = 0;
    graph_.graphNightX = 0;
    resetGraph();
}

bool Calculation::loadGraphPicture(const QString& path)
{
    const QImage background(path);
    if (background.isNull())
        return false;
    picGraph->setBackgroundPicture(background);
    return true;
}

void Calculation::setStartEnabled(bool enabled)
{
    // During a run the button is Cancel and stays usable.
    cmdStartConvert->setEnabled(enabled || (running_ && !cancelRequested_));
    chkEachMonth->setEnabled(!running_);
    cmdSaveResults->setEnabled(!running_);
}

void Calculation::showResults(const QString& text) { txtProcess->setText(text); }

void Calculation::appendResults(const QString& text) { txtProcess->appendText(text); }

void Calculation::resetGraph() { picGraph->clearBars(); }

void Calculation::cmdTot_Click()
{
    environment_.desktop->openTarget(environment_.reportsFolder + QLatin1String(lumivane::kReportsMenuName));
}

void Calculation::cmdStartConvert_Click()
{
    if (running_)
        cancelRun();
    else
        startRun();
}

void Calculation::cancelRun()
{
    if (!running_)
        return;
    cancelRequested_ = true;
    cmdStartConvert->setEnabled(false);
}

// Runs `work` with the worker on its thread, then `done` with its result here.
// A failure in the work ends the run with a line saying why.
template <typename Work, typename Done>
void Calculation::onWorker(Work work, Done done)
{
    QMetaObject::invokeMethod(
        worker_,
        [this, work, done] {
            QString failure;
            try {
                auto result = work(*worker_);
                QMetaObject::invokeMethod(
                    this, [done, result] { done(result); }, Qt::QueuedConnection);
                return;
            } catch (const std::exception& error) {
                failure = QStringLiteral("The calculation stopped: ") + QString::fromLocal8Bit(error.what());
            } catch (...) {
                failure = QStringLiteral("The calculation stopped after an unexpected failure.");
            }
            worker_->discard();
            QMetaObject::invokeMethod(
                this, [this, failure] { stopAfterFailure(failure); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void Calculation::startRun()
{
    running_ = true;
    cancelRequested_ = false;
    runFiles_ = environment_.selectedFiles();
    nextFile_ = 0;
    eachMonth_ = chkEachMonth->isChecked();
    cmdStartConvert->setText(kCancelCaption);
    emit busyChanged(true);
    setStartEnabled(false);
    if (chkGraph->checkState() == Qt::Checked)
        resetGraph();

    lumivane::ReportEnvironment environment;
    environment.reportsFolder = localPath(environment_.reportsFolder);
    environment.programFolder = localPath(environment_.programFolder);
    environment.clock = environment_.clock;
    environment.computerName = lumivane::utf8Text(lumivane::getComputerName());
    for (const QString& file : environment_.selectedFiles())
        environment.inputs.push_back(localPath(file));
    const lumivane::SettingsRecord settings = settings_;
    const lumivane::GraphState graph = graph_;
    // Each file reads the fields and the graph box afresh; a file whose scope
    // or bars changed since is booked again in its turn.
    const lumivane::DateScope scope = environment_.dateScope();
    const bool withBars = chkGraph->checkState() == Qt::Checked;
    const bool eachMonth = eachMonth_;
    const std::vector<std::string> paths = environment.inputs;
    onWorker(
        [settings, environment, graph, paths, scope, eachMonth, withBars](CalculationWorker& worker) {
            return worker.begin(settings, environment, graph, paths, scope, eachMonth, withBars);
        },
        [this](const std::string& header) {
            txtProcess->setText(lumivane::qtText(header));
            calculateNextFile();
        });
}

void Calculation::calculateNextFile()
{
    if (cancelRequested_ || nextFile_ >= runFiles_.size()) {
        finishRun();
        return;
    }
    const QString file = runFiles_.at(nextFile_++);
    emit fileStarted(nextFile_, static_cast<int>(runFiles_.size()), file);
    // The fields and the graph box are read afresh for every file.
    const lumivane::DateScope scope = environment_.dateScope();
    const bool withBars = chkGraph->checkState() == Qt::Checked;
    const bool eachMonth = eachMonth_;
    const std::string path = localPath(file);
    onWorker([path, scope, eachMonth,
              withBars](CalculationWorker& worker) { return worker.calculate(path, scope, eachMonth, withBars); },
             [this](const CalculatedFile& result) {
                 txtProcess->appendText(lumivane::qtText(result.text));
                 // Bars are drawn here, on the window's thread, once the file is done.
                 if (result.bars) {
                     result.bars->replayInto(*picGraph);
                     picGraph->update();
                 }
                 calculateNextFile();
             });
}

void Calculation::finishRun()
{
    const QStringList leftOut = runFiles_.mid(nextFile_);
    const bool buildMenu = settings_.settingsExport == 1;
    onWorker([buildMenu](CalculationWorker& worker) { return worker.finish(buildMenu); },
             [this, leftOut](const FinishedRun& end) {
                 graph_ = end.graph;
                 txtProcess->appendText(lumivane::qtText(end.closingText));
                 if (end.menuAsked && !end.menuBuilt)
                     // Opening a stale or missing menu would show the wrong bills; say why instead.
                     txtProcess->appendText(lumivane::qtText(end.menuProblem) + kLineEnd);
                 if (!leftOut.isEmpty())
                     txtProcess->appendText(leftOutLine(leftOut));
                 backToIdle();
                 if (end.menuBuilt) {
                     cmdTot->show();
                     cmdTot->setEnabled(true);
                     cmdTot_Click();
                 }
             });
}

void Calculation::stopAfterFailure(const QString& why)
{
    txtProcess->appendText(why + kLineEnd);
    backToIdle();
}

void Calculation::backToIdle()
{
    running_ = false;
    cancelRequested_ = false;
    runFiles_.clear();
    cmdStartConvert->setText(kStartCaption);
    emit busyChanged(false);
}

void Calculation::chkGraph_Click()
{
    const bool open = chkGraph->checkState() == Qt::Checked;
    fraGraph->setVisible(open);
    emit graphShown(open);
}

void Calculation::cmdSaveResults_Click()
{
    QString folder = QDir::homePath();
    if (environment_.store)
        if (const auto kept = environment_.store->GetSetting(lumivane::kResultsFolderKey))
            folder = QString::fromStdString(*kept);
    auto* dialog = new QFileDialog(host_, QStringLiteral("Save Results"), folder);
    dialog->setObjectName(QStringLiteral("dlgSaveResults"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilters({QStringLiteral("Text files (*.txt)"), QStringLiteral("All files (*)")});
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    dialog->selectFile(QStringLiteral("results.txt"));
    connect(dialog, &QFileDialog::fileSelected, this, &Calculation::saveResultsTo);
    dialog->open();
}

void Calculation::saveResultsTo(const QString& path)
{
    if (environment_.store)
        environment_.store->SaveSetting(lumivane::kResultsFolderKey, QFileInfo(path).absolutePath().toStdString());
    // The text as the area keeps it: UTF-8 with its CR LF line ends, nothing
    // added; written beside the target and renamed, so an old file is never half-replaced.
    QSaveFile file(path);
    const QByteArray bytes = txtProcess->text().toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return;
    if (environment_.warn)
        environment_.warn(QStringLiteral("The results could not be saved to \"%1\": %2")
                              .arg(QDir::toNativeSeparators(path), file.errorString()));
}

void Calculation::cmdOpenReports_Click()
{
    const QString folder = environment_.reportsFolder;
    if (!QFileInfo(folder).isDir() || !environment_.desktop->openTarget(folder)) {
        if (environment_.warn)
            environment_.warn(
                QStringLiteral("The reports folder \"%1\" could not be opened.").arg(QDir::toNativeSeparators(folder)));
    }
}
