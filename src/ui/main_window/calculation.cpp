#include "ui/main_window/calculation.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QFrame>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

#include <exception>
#include <functional>

#include "core/reports/report_files.h"
#include "core/tariff/calculation_run.h"
#include "platform/desktop_services.h"
#include "platform/mapped_file_bytes.h"
#include "platform/utf8_text.h"
#include "ui/widgets/font_scale.h"
#include "ui/widgets/graph_panel.h"
#include "ui/widgets/process_text_area.h"

namespace {

const QString kCancelCaption = QStringLiteral("&Cancel");
// Alt+S belongs to "Edit &Settings".
const QString kStartCaption = QStringLiteral("Start &Calculation");
const QLatin1String kLineEnd("\r\n");

// Opening the graph panel makes the window 117 pixels taller than its
// 484-pixel client area, room for the panel below the results.
constexpr int kClosedClientHeight = 484;
constexpr int kOpenClientHeight = kClosedClientHeight + 117;
constexpr int kClosedGraphFrameHeight = 8;
constexpr int kOpenGraphFrameHeight = 138;

std::string localPath(const QString& path) { return lumivane::pathBytes(path); }

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    return button;
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
public:
    using QObject::QObject;

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
        case QEvent::Drop: return true;
        default: return false;
        }
    }
};

// Network and serial notifications wait for the event loop as before. The
// filter stays in place for two turns of the event loop (window-system input
// reaches the widgets in two steps), then `idle` runs: no nested event loop.
void discardInputOfTheRun(QObject* owner, std::function<void()> idle)
{
    // Owned by `owner`: a window closed before the turns are over takes the filter with it.
    auto* filter = new InputOfTheRun(owner);
    qApp->installEventFilter(filter);
    QTimer::singleShot(0, owner, [owner, filter, idle = std::move(idle)] {
        QTimer::singleShot(0, owner, [filter, idle] {
            delete filter;
            idle();
        });
    });
}

}  // namespace

Calculation::Calculation(QWidget* host, CalculationEnvironment environment)
    : QObject(host), host_(host), environment_(std::move(environment))
{
    const FontScale scale(host->font());
    cmdStartConvert = makeButton(host, "cmdStartConvert", kStartCaption, scale(QRect(8, 294, 240, 32)));
    cmdStartConvert->setEnabled(false);

    txtProcess = new ProcessTextArea(host);
    txtProcess->setObjectName(QStringLiteral("txtProcess"));
    txtProcess->setGeometry(scale(QRect(256, 80, 300, 280)));

    chkGraph = new QCheckBox(QStringLiteral("Display kWh Graph"), host);
    chkGraph->setObjectName(QStringLiteral("chkGraph"));
    chkGraph->setGeometry(scale(QRect(8, 408, 200, 24)));
    cmdTot = makeButton(host, "cmdTot", QStringLiteral("Reports"), scale(QRect(256, 406, 94, 28)));
    cmdTot->hide();
    cmdTot->setEnabled(false);

    fraGraph = new QFrame(host);
    fraGraph->setObjectName(QStringLiteral("fraGraph"));
    fraGraph->setFrameShape(QFrame::StyledPanel);
    fraGraph->setGeometry(scale(QRect(8, 462, 548, kClosedGraphFrameHeight)));
    picGraph = new GraphPanel(fraGraph);
    picGraph->setObjectName(QStringLiteral("picGraph"));
    picGraph->move(9, 14);

    graph_.graphColourIndex = 0;
    graphPalette_ = lumivane::defaultGraphPalette();

    connect(cmdStartConvert, &QPushButton::clicked, this, &Calculation::cmdStartConvert_Click);
    connect(chkGraph, &QCheckBox::stateChanged, this, &Calculation::chkGraph_Click);
    connect(cmdTot, &QPushButton::clicked, this, &Calculation::cmdTot_Click);
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

void Calculation::setStartEnabled(bool enabled) { cmdStartConvert->setEnabled(enabled); }

void Calculation::showResults(const QString& text) { txtProcess->setText(text); }

void Calculation::appendResults(const QString& text) { txtProcess->appendText(text); }

void Calculation::resetGraph() { picGraph->clearBars(); }

void Calculation::cmdTot_Click()
{
    environment_.desktop->openTarget(environment_.reportsFolder + QLatin1String(lumivane::kReportsMenuName));
}

void Calculation::cmdStartConvert_Click()
{
    if (cmdStartConvert->text() != kCancelCaption) {
        cmdStartConvert->setText(kCancelCaption);
        emit busyChanged(true);
        if (chkGraph->checkState() == Qt::Checked)
            resetGraph();
        // The run does not return to the event loop, so show the busy state now.
        host_->repaint();
        runCalculation();
        return;
    }
    cmdStartConvert->setText(kStartCaption);
    emit busyChanged(false);
}

void Calculation::runCalculation()
{
    // However the run ends, the window leaves its busy state. Only a busy
    // window is sent back: performing the click on an idle one would start
    // another run.
    const auto backToIdle = qScopeGuard([this] {
        if (cmdStartConvert->text() == kCancelCaption)
            discardInputOfTheRun(this, [this] {
                if (cmdStartConvert->text() == kCancelCaption)
                    cmdStartConvert_Click();
            });
    });
    try {
        calculateSelection();
    } catch (const std::exception& failure) {
        txtProcess->appendText(QStringLiteral("The calculation stopped: ") + QString::fromLocal8Bit(failure.what()) +
                               kLineEnd);
    } catch (...) {
        txtProcess->appendText(QStringLiteral("The calculation stopped after an unexpected failure.") + kLineEnd);
    }
}

void Calculation::calculateSelection()
{
    lumivane::ReportEnvironment environment;
    environment.reportsFolder = localPath(environment_.reportsFolder);
    environment.programFolder = localPath(environment_.programFolder);
    environment.clock = environment_.clock;
    environment.computerName = lumivane::utf8Text(lumivane::getComputerName());
    lumivane::MappedFileBytes files;
    lumivane::CalculationRun run(settings_, std::move(environment), graph_, graphPalette_, &files);

    txtProcess->setText(lumivane::qtText(run.headerText()));
    txtProcess->repaint();
    for (const QString& file : environment_.selectedFiles()) {
        // The fields and the graph box are read afresh for every file.
        const lumivane::DateScope scope = environment_.dateScope();
        lumivane::BarSink* bars = chkGraph->checkState() == Qt::Checked ? picGraph : nullptr;
        const lumivane::FileOutcome outcome = run.calculateFile(localPath(file), scope, bars);
        txtProcess->appendText(lumivane::qtText(outcome.text));
        // Show the progress without running other handlers in the middle of the run.
        txtProcess->repaint();
        if (bars)
            picGraph->repaint();
    }
    txtProcess->appendText(lumivane::qtText(run.closingText()));

    if (settings_.settingsExport == 1) {
        const auto menu = run.buildReportsMenu();
        if (menu) {
            cmdTot->show();
            cmdTot->setEnabled(true);
            cmdTot_Click();
        } else {
            // Opening a stale or missing menu would show the wrong bills; say why instead.
            txtProcess->appendText(lumivane::qtText(menu.error().reason) + kLineEnd);
        }
    }
}

void Calculation::chkGraph_Click()
{
    const bool open = chkGraph->checkState() == Qt::Checked;
    // The frame sits at the bottom; the taller window makes room for all of picGraph.
    // The controls grow with the font but the graph's picture does not, so the
    // opened part keeps its pixel height.
    const FontScale scale(host_->font());
    const int closedHeight = scale(kClosedClientHeight);
    host_->setFixedSize(host_->width(), open ? closedHeight + kOpenClientHeight - kClosedClientHeight : closedHeight);
    fraGraph->resize(fraGraph->width(), open ? kOpenGraphFrameHeight : scale(kClosedGraphFrameHeight));
}
