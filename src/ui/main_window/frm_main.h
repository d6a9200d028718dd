#pragma once
// The main window. It is composed of parts that each own their controls,
// their state and their handlers:
//   DateScopePanel  the "Select Dates" box, the date fields and spins
//   FileSelection   the drop zone, Reset Selection, the command-line paths
//   Calculation     Start Calculation, the results area, the kWh graph, Reports
//   GatewayMonitor  the pulse button, the alarm timer and banner
//   SmsSender       the GSM modem
// The window itself owns the settings record and the settings store, the
// per-user folders, the busy state, and the plain buttons; it passes plain
// values to the parts and wires their signals.
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "core/settings/settings_form.h"
#include "core/settings/settings_record.h"
#include "ui/widgets/message_box.h"

class QLabel;
class QPushButton;
class EventLabel;
class frmAbout;
class frmSettings;
class DateScopePanel;
class FileSelection;
class Calculation;
class GatewayMonitor;
class SmsSender;

namespace lumivane {
class Clock;
class DesktopLauncher;
class SettingsStore;
}  // namespace lumivane

// What start-up hands the window. Anything left empty gets the real thing.
struct MainWindowEnvironment {
    QString programFolder;             // folder of the executable, ending with "/"
    QStringList commandLineArguments;  // without the program's own name
    lumivane::SettingsStore* store = nullptr;
    const lumivane::Clock* clock = nullptr;
    lumivane::DesktopLauncher* desktop = nullptr;
    MessageBoxFunction messageBox;
    // How long one gateway request may take before it counts as failed.
    std::chrono::milliseconds gatewayTimeLimit{std::chrono::seconds(60)};
    // A steady clock for the alarm's minute rules, and the waits before an alarm SMS is
    // tried again; tests shorten them.
    std::function<std::chrono::milliseconds()> steadyNow;
    std::array<std::chrono::milliseconds, 2> smsRetryDelays{std::chrono::minutes(1), std::chrono::minutes(5)};
};

class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(MainWindowEnvironment environment, QWidget* parent = nullptr);
    ~frmMain() override;

    // The busy state: enables or disables cmdReset, cmdAddFiles, chkDate, cmdSettings;
    // cmdStartConvert turns into Cancel and stays enabled.
    void enableControls(bool enabled);
    // Reloads the settings record from the store, refills the settings dialog,
    // hands the record to the parts and shows or hides the pulse button.
    void getSKSettings();

    void cmdSettings_Click();
    void cmdAbout_Click();
    void cmdExit_Click();
    void lblHTTP_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    struct Folders {
        QString program;  // each ends with the separator
        QString reports;
        QString logs;
    };

    void setupDataFolders();
    void buildControls();
    void connectParts();
    // Puts the parts' controls into the window's layout, sized as last closed.
    void arrangeControls();
    // The first size: the results area shows a whole line of the results.
    QSize defaultSize() const;
    // False while a calculation runs: the operator is asked, and a yes stops
    // the run and closes the window once it has ended.
    bool mayCloseNow();
    void loadPicture(QLabel* target, const QString& fileName);
    void setLinkUnderlined(bool underlined);
    void storeSettings(const lumivane::SettingsForm& form);
    void tellUnreadableSettings(const std::vector<lumivane::UnreadableSetting>& unreadable);
    QMessageBox::StandardButton showMessage(const QString& text, QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                            QMessageBox::Icon icon = QMessageBox::NoIcon, QWidget* parent = nullptr);

    std::unique_ptr<lumivane::SettingsStore> ownStore_;
    std::unique_ptr<lumivane::Clock> ownClock_;
    std::unique_ptr<lumivane::DesktopLauncher> ownDesktop_;
    lumivane::SettingsStore* store_ = nullptr;
    const lumivane::Clock* clock_ = nullptr;
    lumivane::DesktopLauncher* desktop_ = nullptr;
    MessageBoxFunction messageBox_;
    Folders folders_;
    lumivane::SettingsRecord settings_;
    bool closeAfterRun_ = false;

    DateScopePanel* scope_ = nullptr;
    FileSelection* selection_ = nullptr;
    Calculation* calculation_ = nullptr;
    GatewayMonitor* gateway_ = nullptr;
    SmsSender* sms_ = nullptr;
    QPointer<frmSettings> settingsDialog_;
    QPointer<frmAbout> about_;

    QLabel* Picture1 = nullptr;
    QPushButton* cmdSettings = nullptr;
    QPushButton* cmdAbout = nullptr;
    QPushButton* cmdExit = nullptr;
    EventLabel* lblHTTP = nullptr;
    QLabel* lblVer = nullptr;
    QLabel* lblStatus = nullptr;
    QString gatewayStatus_;
    QString smsStatus_;
};
