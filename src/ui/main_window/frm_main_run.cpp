// The main window's calculation run and its kWh graph panel.
#include "ui/main_window/frm_main.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>

#include <exception>

#include "core/tariff/calculation_run.h"
#include "ui/widgets/graph_panel.h"
#include "core/meterdata/date_scope.h"
#include "ui/widgets/drop_zone_label.h"
#include "ui/widgets/spin_range_validator.h"
#include "platform/desktop_services.h"
#include "platform/mapped_file_bytes.h"
#include "ui/widgets/process_text_area.h"

namespace {

const QString kCancelCaption = QStringLiteral("&Cancel");
const QLatin1String kLineEnd("\r\n");

// Window heights at 15 twips a pixel: 7630 twips with the graph panel closed
// (the 484-pixel client area) and 9390 twips open, 1760 twips taller.
constexpr int kClosedClientHeight = 484;
constexpr int kOpenClientHeight = kClosedClientHeight + (9390 - 7630) / 15;
constexpr int kClosedGraphFrameHeight = 8;
constexpr int kOpenGraphFrameHeight = 138;

std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString shownText(const std::string& text) { return QString::fromStdString(text); }

// The scope as the fields hold it at this moment.
lumivane::DateScope dateScopeOf(const frmMain& window)
{
    lumivane::DateScope scope;
    scope.enabled = window.chkDate->checkState() == Qt::Checked;
    scope.dayText = window.txtDD->text().toStdString();
    scope.monthText = window.txtMM->text().toStdString();
    scope.yearText = window.txtYY->text().toStdString();
    scope.daysText = window.txtDays->text().toStdString();
    return scope;
}

// A field left with an unfinished number ("20" of a year being typed) gets
// its spin's value back, so the run sees what the spin shows.
void settleField(QLineEdit* field, const QScrollBar* spin)
{
    if (SpinRangeValidator::check(field->text(), spin->minimum(), spin->maximum()) != QValidator::Acceptable)
        field->setText(QString::number(spin->value()));
}

// Input the operator gave while the window was busy. The run never returns
// to the event loop, so clicks, keys and close requests made meanwhile wait
// in the queue; delivered after the window is idle again they would reach
// controls that are enabled by then: a click on the greyed "Cancel" would
// start another run, one on Reset Selection would wipe the results just
// shown, a close request would close the window after all. So what is queued
// is delivered while the window is still busy (greyed controls ignore it and
// closing is refused), and input to the controls that stay enabled (the graph
// box, the date fields, About) is swallowed on the way.
class InputOfTheRun : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
        }
    }
};

// Network and serial notifications wait for the event loop as before.
void discardInputOfTheRun()
{
    InputOfTheRun filter;
    qApp->installEventFilter(&filter);
    // Window-system input reaches the widgets in two steps; two rounds take both.
    for (int round = 0; round < 2; ++round)
        QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
    qApp->removeEventFilter(&filter);
}

void calculateSelection(frmMain& window)
{
    lumivane::ReportEnvironment environment;
    environment.reportsFolder = localPath(window.reportsFolder);
    environment.programFolder = localPath(window.programFolder);
    environment.clock = &window.clock();
    environment.computerName = lumivane::getComputerName().toStdString();
    lumivane::MappedFileBytes files;
    lumivane::CalculationRun run(window.settings, std::move(environment), window.graph, window.graphPalette, &files);

    window.txtProcess->setText(shownText(run.headerText()));
    window.txtProcess->repaint();
    for (int i = 0; i < window.selectedCount; ++i) {
        // The fields and the graph box are read afresh for every file.
        const lumivane::DateScope scope = dateScopeOf(window);
        lumivane::BarSink* bars = window.chkGraph->checkState() == Qt::Checked ? window.picGraph : nullptr;
        const lumivane::FileOutcome outcome = run.calculateFile(localPath(window.selectedFiles.at(i)), scope, bars);
        window.txtProcess->appendText(shownText(outcome.text));
        // Show the progress without running other handlers in the middle of the run.
        window.txtProcess->repaint();
        if (bars)
            window.picGraph->repaint();
    }
    window.txtProcess->appendText(shownText(run.grandTotalsText()));

    if (window.settings.settingsExport == 1) {
        const lumivane::MenuOutcome menu = run.buildReportsMenu();
        if (menu.written) {
            window.cmdTot->show();
            window.cmdTot->setEnabled(true);
            window.desktop().openTarget(window.reportsFolder + QStringLiteral("menu.html"));
        } else {
            // Opening a stale or missing menu would show the wrong bills; say why instead.
            window.txtProcess->appendText(shownText(menu.error) + kLineEnd);
        }
    }
}

}  // namespace

void frmMain::cmdStartConvert_Click()
{
    if (cmdStartConvert->text() != kCancelCaption) {
        cmdStartConvert->setText(kCancelCaption);
        enableControls(false);
        if (chkGraph->checkState() == Qt::Checked)
            resetGraph();
        lblDropZone->setAcceptDrops(false);
        lblDropZone->setBackColour(QColor(255, 255, 255));
        savedDropZoneCaption = lblDropZone->text();
        lblDropZone->setText(QStringLiteral("Calculating!"));
        settleField(txtMM, vsMM);
        settleField(txtYY, vsYY);
        settleField(txtDays, vsDays);
        // The run does not return to the event loop, so show the busy state now.
        repaint();
        runCalculation();
        return;
    }
    cmdStartConvert->setText(QStringLiteral("&Start Calculation"));
    lblDropZone->setAcceptDrops(true);
    lblDropZone->setBackColour(QColor(192, 255, 192));
    lblDropZone->setText(savedDropZoneCaption);
    enableControls(true);
}

void frmMain::runCalculation()
{
    // However the run ends, the window leaves its busy state. Only a busy
    // window is sent back: performing the click on an idle one would start
    // another run.
    const auto backToIdle = qScopeGuard([this] {
        if (cmdStartConvert->text() == kCancelCaption) {
            discardInputOfTheRun();
            cmdStartConvert_Click();
        }
    });
    try {
        calculateSelection(*this);
    } catch (const std::exception& failure) {
        txtProcess->appendText(QStringLiteral("The calculation stopped: ") + QString::fromLocal8Bit(failure.what()) +
                               kLineEnd);
    } catch (...) {
        txtProcess->appendText(QStringLiteral("The calculation stopped after an unexpected failure.") + kLineEnd);
    }
}

void frmMain::chkGraph_Click()
{
    const bool open = chkGraph->checkState() == Qt::Checked;
    // The frame sits at the bottom; the taller window makes room for all of picGraph.
    setFixedSize(width(), open ? kOpenClientHeight : kClosedClientHeight);
    fraGraph->resize(fraGraph->width(), open ? kOpenGraphFrameHeight : kClosedGraphFrameHeight);
}
