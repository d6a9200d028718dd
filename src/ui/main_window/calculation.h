#pragma once
// The main window's calculation: the Start Calculation / Cancel button, the
// "Each month" box, the results area and what keeps it (Save Results, Open
// Reports Folder), the kWh graph box and panel, and the Reports button. It
// runs a CalculationRun over the selection on a worker thread, one file at a
// time, fills the results area, draws the graph and opens the reports menu.
#include <QObject>
#include <QStringList>
#include <QThread>

#include <functional>

#include "core/graph/graph_state.h"
#include "core/meterdata/date_scope.h"
#include "core/settings/settings_record.h"

class CalculationWorker;
class GraphPanel;
class ProcessTextArea;
class QCheckBox;
class QFrame;
class QPushButton;
class QWidget;

namespace lumivane {
class Clock;
class DesktopLauncher;
class SettingsStore;
}  // namespace lumivane

// What a run needs from around it.
struct CalculationEnvironment {
    QString reportsFolder;  // ends with the separator
    QString programFolder;  // ends with the separator
    const lumivane::Clock* clock = nullptr;
    lumivane::DesktopLauncher* desktop = nullptr;
    // The selected paths, asked for when a run starts.
    std::function<QStringList()> selectedFiles;
    // The date scope as the window shows it; asked afresh for every file.
    std::function<lumivane::DateScope()> dateScope;
    // Keeps the "Each month" choice and the folder results were saved to.
    lumivane::SettingsStore* store = nullptr;
    // Tells the operator of a failure that is no part of the results.
    std::function<void(const QString&)> warn;
};

class Calculation : public QObject {
    Q_OBJECT
public:
    // Builds the run controls, the results area and the graph panel on the host window.
    Calculation(QWidget* host, CalculationEnvironment environment);
    ~Calculation() override;

    // The settings record the next run uses.
    void setSettings(const lumivane::SettingsRecord& settings);
    // The selection was emptied: no run to start, no results, an empty graph.
    void clearSelection();
    // The graph's background picture; false when it cannot be loaded (the graph goes without).
    bool loadGraphPicture(const QString& path);
    // Enables or disables Start Calculation and the run's choices (the busy state).
    void setStartEnabled(bool enabled);
    // Whether a run is under way.
    bool isRunning() const { return running_; }
    // Stops the run after the file being calculated; the text names the files left out.
    void cancelRun();

    // Replaces the results area's text / adds to its end.
    void showResults(const QString& text);
    void appendResults(const QString& text);

    void cmdStartConvert_Click();
    void chkGraph_Click();
    void cmdTot_Click();
    void cmdSaveResults_Click();
    void cmdOpenReports_Click();
    // Erases the bars on picGraph; its background picture stays.
    void resetGraph();

signals:
    // A run starts (true) or has ended and the window is idle again (false).
    void busyChanged(bool busy);
    // The run turns to file `number` of `count`.
    void fileStarted(int number, int count, const QString& path);
    // The graph panel was opened or closed: the window needs room for it.
    void graphShown(bool shown);

private:
    void startRun();
    void calculateNextFile();
    void finishRun();
    void stopAfterFailure(const QString& why);
    void backToIdle();
    void saveResultsTo(const QString& path);
    template <typename Work, typename Done>
    void onWorker(Work work, Done done);

    QWidget* host_;
    CalculationEnvironment environment_;
    lumivane::SettingsRecord settings_;
    lumivane::GraphState graph_;

    QThread workerThread_;
    CalculationWorker* worker_ = nullptr;
    bool running_ = false;
    bool cancelRequested_ = false;
    bool eachMonth_ = false;
    QStringList runFiles_;
    int nextFile_ = 0;

    QPushButton* cmdStartConvert = nullptr;
    QCheckBox* chkEachMonth = nullptr;
    ProcessTextArea* txtProcess = nullptr;
    QCheckBox* chkGraph = nullptr;
    QFrame* fraGraph = nullptr;
    GraphPanel* picGraph = nullptr;
    QPushButton* cmdTot = nullptr;
    QPushButton* cmdSaveResults = nullptr;
    QPushButton* cmdOpenReports = nullptr;
};
