#pragma once
// The main window for widget tests, in a per-user data tree of its own: a real
// settings store, a fixed clock, and recorders in place of the desktop's
// viewers and of message boxes (or real boxes, answered with Return). Tests
// reach the window only through its controls, found by name.
#include <QMessageBox>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/desktop_services.h"
#include "platform/settings_store.h"
#include "platform/user_folders.h"
#include "support/fixed_clock.h"
#include "ui/main_window/frm_main.h"
#include "ui/widgets/process_text_area.h"

namespace lumivane::test {

class RecordingDesktop : public DesktopLauncher {
public:
    bool openTarget(const QString& target) override
    {
        opened << target;
        return true;
    }
    bool launchTextViewer(const QString& path) override
    {
        viewed << path;
        return true;
    }
    QStringList opened;
    QStringList viewed;
};

// Key -> text stored before the window starts.
using StoredSettings = std::map<std::string, std::string>;

struct WindowOptions {
    StoredSettings stored;
    QStringList arguments;
    QString programFolder;          // empty: the tests' own folder, which holds the resources
    bool realMessageBoxes = false;  // show real boxes, each answered with Return, instead of recording them
    bool dataRootBlocked = false;   // a plain file where the per-user data folder belongs
};

class MainWindowFixture {
public:
    explicit MainWindowFixture(WindowOptions options = {});

    frmMain& window() { return *window_; }
    // The control of that object name and type; the test fails without one.
    template <typename T>
    T* find(const char* name)
    {
        T* control = window_->findChild<T*>(QString::fromLatin1(name));
        if (!control)
            qFatal("no control %s", name);
        return control;
    }
    // What the results area shows.
    QString results() { return find<ProcessTextArea>("txtProcess")->text(); }
    // Clicks Start Calculation and waits for the run to end; false when it does not end in time.
    bool runCalculation();
    // Clicks Edit Settings, runs `inside` while the dialog is shown modally, then closes it.
    void throughSettingsButton(const std::function<void()>& inside);
    // The per-user tree this window works in.
    UserFolders folders() const;
    SettingsStore& store() { return store_; }
    RecordingDesktop& desktop() { return desktop_; }
    FixedClock& clock() { return clock_; }
    // The steady clock of the alarm's minute rules, which only the test moves.
    void advanceSteadyClock(std::chrono::milliseconds by) { steady_ += by; }

    // Every message box text shown so far ("title: text" for real boxes), and the answer
    // given to the next recorded ones.
    QStringList messages;
    QMessageBox::StandardButton answer = QMessageBox::Ok;

private:
    QTemporaryDir dataHome_;
    QTimer boxAnswerer_;
    SettingsStore store_;
    FixedClock clock_;
    std::chrono::milliseconds steady_{0};
    RecordingDesktop desktop_;
    std::unique_ptr<frmMain> window_;
};

// Reads a whole file as bytes ("<unreadable>" when it cannot be read).
QByteArray contentOf(const QString& path);

}  // namespace lumivane::test
