#pragma once
// The main window's calculation: the Start Calculation / Cancel button, the
// results area, the kWh graph box and panel, and the Reports button. It runs
// a CalculationRun over the selection it was handed, fills the results area,
// draws the graph and opens the reports menu.
#include <QObject>
#include <QStringList>

#include <functional>

#include "core/graph/graph_state.h"
#include "core/meterdata/date_scope.h"
#include "core/settings/settings_record.h"

class GraphPanel;
class ProcessTextArea;
class QCheckBox;
class QFrame;
class QImage;
class QPushButton;
class QWidget;

namespace lumivane {
class Clock;
class DesktopLauncher;
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
};

class Calculation : public QObject {
    Q_OBJECT
public:
    // Builds the run controls, the results area and the graph panel on the host window.
    Calculation(QWidget* host, CalculationEnvironment environment);

    // The settings record the next run uses.
    void setSettings(const lumivane::SettingsRecord& settings);
    // The selection was emptied: no run to start, no results, an empty graph.
    void clearSelection();
    // The graph's background picture; false when it cannot be loaded (the graph goes without).
    bool loadGraphPicture(const QString& path);
    // Enables or disables Start Calculation (the busy state).
    void setStartEnabled(bool enabled);

    // Replaces the results area's text / adds to its end.
    void showResults(const QString& text);
    void appendResults(const QString& text);

    void cmdStartConvert_Click();
    void runCalculation();
    void chkGraph_Click();
    void cmdTot_Click();
    // Erases the bars on picGraph; its background picture stays.
    void resetGraph();

signals:
    // A run starts (true) or has ended and the window is idle again (false).
    void busyChanged(bool busy);

private:
    void calculateSelection();

    QWidget* host_;
    CalculationEnvironment environment_;
    lumivane::SettingsRecord settings_;
    lumivane::GraphState graph_;
    lumivane::GraphPalette graphPalette_{};

    QPushButton* cmdStartConvert = nullptr;
    ProcessTextArea* txtProcess = nullptr;
    QCheckBox* chkGraph = nullptr;
    QFrame* fraGraph = nullptr;
    GraphPanel* picGraph = nullptr;
    QPushButton* cmdTot = nullptr;
};
