#pragma once
// Builds the main window for widget tests: a real settings store in the
// test's own XDG folders, a fixed clock, and recorders in place of the
// desktop's viewers and of message boxes.
#include <QMessageBox>
#include <QStringList>

#include <map>
#include <memory>
#include <string>

#include "platform/desktop_services.h"
#include "platform/settings_store.h"
#include "ui/main_window/frm_main.h"
#include "support/fixed_clock.h"

namespace lumivane::test {

class RecordingDesktop : public DesktopLauncher {
public:
    bool openTarget(const QString& target) override { opened << target; return true; }
    bool launchTextViewer(const QString& path) override { viewed << path; return true; }
    QStringList opened;
    QStringList viewed;
};

// Key -> text stored before the window starts.
using StoredSettings = std::map<std::string, std::string>;

struct ShownMessage {
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon;
};

class MainWindowFixture {
public:
    // Settings to store before the window starts (key -> text).
    // An empty program folder means the tests' own folder, which holds the resources.
    explicit MainWindowFixture(std::map<std::string, std::string> stored = {},
                               QStringList arguments = {}, QString programFolder = {});
    ~MainWindowFixture();

    frmMain& window() { return *window_; }
    SettingsStore& store() { return store_; }
    RecordingDesktop& desktop() { return desktop_; }
    FixedClock& clock() { return clock_; }
    // Every message box shown so far; the answer given to the next ones.
    QList<ShownMessage> messages;
    QMessageBox::StandardButton answer = QMessageBox::Ok;

    // Clears the store of every key (for a clean first run in one process).
    static void clearStore(SettingsStore& store);

private:
    SettingsStore store_;
    FixedClock clock_;
    RecordingDesktop desktop_;
    std::unique_ptr<frmMain> window_;
};

}  // namespace lumivane::test
