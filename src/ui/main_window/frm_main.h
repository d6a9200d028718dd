#pragma once
// The main window: owns all long-lived state of the program (settings record,
// folders, file selection, graph state, alarm state) and its controls. Its
// procedures are spread over a few sources by subsystem:
//   shell/frm_main.cpp            start-up, folders, busy state, plain buttons
//   meterdata/frm_main_scope.cpp  date scope, drop zone, file selection   (workflow)
//   calc/frm_main_run.cpp         calculation run, graph panel            (workflow)
//   gateway/frm_main_gateway.cpp  pulse readings, current alarm monitor
//   gateway/frm_main_modem.cpp    SMS modem sender
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>

#include "core/graph/graph_state.h"
#include "core/settings/settings_record.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTimer;
class DropZoneLabel;
class EventLabel;
class GraphPanel;
class ProcessTextArea;
class frmAbout;
class frmSettings;

namespace lumivane {
class Clock;
class DesktopLauncher;
class SettingsStore;
class HttpClient;
class SerialModem;
}  // namespace lumivane

// Shows a message box and returns the button pressed; tests pass a recorder.
using MessageBoxFunction = std::function<QMessageBox::StandardButton(
    QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons, QMessageBox::Icon icon)>;

// What start-up hands the window. Anything left empty gets the real thing.
struct MainWindowEnvironment {
    QString programFolder;               // folder of the executable, ending with "/"
    QStringList commandLineArguments;    // without the program's own name
    lumivane::SettingsStore* store = nullptr;
    const lumivane::Clock* clock = nullptr;
    lumivane::DesktopLauncher* desktop = nullptr;
    MessageBoxFunction messageBox;
};

class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(MainWindowEnvironment environment, QWidget* parent = nullptr);
    ~frmMain() override;

    // ---- Shell ------------------------------------------------------------
    lumivane::SettingsRecord settings;
    QString reportsFolder;     // ends with the separator
    QString logsFolder;        // ends with the separator
    QString programFolder;     // ends with the separator
    QString graphPicturePath;

    lumivane::SettingsStore& store() const { return *store_; }
    const lumivane::Clock& clock() const { return *clock_; }
    lumivane::DesktopLauncher& desktop() const { return *desktop_; }
    // A message box titled with the application title.
    QMessageBox::StandardButton showMessage(const QString& text,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                            QMessageBox::Icon icon = QMessageBox::NoIcon,
                                            QWidget* parent = nullptr);

    void setupDataFolders();
    // The busy state: enables or disables cmdReset, cmdStartConvert, chkDate, cmdExit, cmdSettings.
    void enableControls(bool enabled);
    // Erases the bars on picGraph; its background picture stays.
    void resetGraph();
    // Reloads the settings record (through the settings dialog) and sets cmdPulse.
    void getSKSettings();
    frmSettings* settingsDialog();

    void cmdSettings_Click();
    void cmdAbout_Click();
    void cmdTot_Click();
    void cmdExit_Click();
    void lblHTTP_Click();
    frmAbout* aboutDialog() const;

    // Controls (object names are these names).
    EventLabel* lblAlarm = nullptr;
    QFrame* fraGraph = nullptr;
    GraphPanel* picGraph = nullptr;
    QCheckBox* chkGraph = nullptr;
    QPushButton* cmdPulse = nullptr;
    QCheckBox* chkDate = nullptr;
    QLineEdit* txtDD = nullptr;
    QLineEdit* txtMM = nullptr;
    QLineEdit* txtYY = nullptr;
    QLineEdit* txtDays = nullptr;
    QScrollBar* vsDD = nullptr;
    QScrollBar* vsMM = nullptr;
    QScrollBar* vsYY = nullptr;
    QScrollBar* vsDays = nullptr;
    QPushButton* cmdSettings = nullptr;
    QPushButton* cmdReset = nullptr;
    QPushButton* cmdStartConvert = nullptr;
    ProcessTextArea* txtProcess = nullptr;
    DropZoneLabel* lblDropZone = nullptr;
    EventLabel* lblHTTP = nullptr;
    QLabel* lblVer = nullptr;
    QPushButton* cmdTot = nullptr;
    QPushButton* cmdAbout = nullptr;
    QPushButton* cmdExit = nullptr;
    QLabel* Picture1 = nullptr;
    QTimer* tmrAlarm = nullptr;

    // ---- Date scope, file selection, calculation run, graph (workflow) ------
    lumivane::GraphState graph;
    lumivane::GraphPalette graphPalette{};
    QStringList selectedFiles;   // slots 1..selectedCount are selectedFiles[0..selectedCount-1]
    qint16 selectedCount = 0;
    QString savedDropZoneCaption;

    void initWorkflow();                 // connects the workflow controls; called by the constructor
    void loadCommandLineArguments(const QStringList& arguments);
    void loadCommandLineFiles(const QString& commandLine);
    bool addSelectedFile(const QString& path);
    void showSelection();
    void enableDateFields(bool enabled);
    void chkDate_Click();
    void chkGraph_Click();
    void cmdReset_Click();
    void cmdStartConvert_Click();
    void runCalculation();
    void lblDropZone_DragOver();
    void lblDropZone_DragDrop(const QStringList& paths);
    void txtDD_Change();

    // ---- Gateway: pulse readings and current alarm monitor ------------------
    lumivane::HttpClient* Inet1 = nullptr;
    bool alarmActive = false;
    qint16 alarmTickCount = 0;
    bool alarmFlash = false;

    // How long one gateway request may take before it counts as failed (tests shorten it).
    std::chrono::milliseconds gatewayTimeLimit{std::chrono::seconds(60)};

    void initGateway();                  // creates Inet1, starts tmrAlarm; called by the constructor
    void cmdPulse_Click();
    void getPulseReadings();
    void tmrAlarm_Timer();
    void checkCurrentAlarm();
    void lblAlarm_DblClick();
    // Sets the banner's text colour (red in the low byte; 0x80000008 is the window-text colour).
    void setAlarmBannerColour(quint32 colour);

    // ---- SMS modem sender ---------------------------------------------------
    lumivane::SerialModem* MSComm1 = nullptr;

    QString sendModemSMS(QString sNum, QString sMsg);
    void testSMS(QString sNum, QString sMsg);
    void reportModemTimeout(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void buildControls();
    void loadPicture(QLabel* target, const QString& fileName);
    void setLinkUnderlined(bool underlined);

    std::unique_ptr<lumivane::SettingsStore> ownStore_;
    std::unique_ptr<lumivane::Clock> ownClock_;
    std::unique_ptr<lumivane::DesktopLauncher> ownDesktop_;
    lumivane::SettingsStore* store_ = nullptr;
    const lumivane::Clock* clock_ = nullptr;
    lumivane::DesktopLauncher* desktop_ = nullptr;
    MessageBoxFunction messageBox_;
    QPointer<frmSettings> settings_;
    QPointer<frmAbout> about_;
};
