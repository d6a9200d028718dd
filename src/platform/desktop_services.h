#pragma once
#include <future>
// Operating-system and desktop services: the per-user data folder, the file
// system checks, opening things in the desktop's viewers, the computer name.
#include <QString>

namespace lumivane {

struct AppDataFolder {
    QString path;            // without a trailing separator; empty when it can't be had
    QString failureMessage;  // what to tell the operator when empty ("" for no message)
};

// The per-user local data location, created when missing.
AppDataFolder getAppDataFolder();

// Whether a folder of that path exists.
bool dirExists(const QString& path);

// True when the path exists and is not a folder; false otherwise, errors included.
bool fileExists(const QString& path);

// Creates one folder (its parent must exist); true when it exists afterwards.
bool createFolder(const QString& path);

// Copies a file; false when the source can't be read or the target written.
bool copyFile(const QString& from, const QString& to);

// The computer's network name.
QString getComputerName();

// Names the running program for the settings store (its executable's name) and
// for the desktop's launcher, and gives it no display name, so every window
// title reads exactly as the window sets it.
void setApplicationIdentity();

// Opening a file or an address in the desktop's usual viewer, and showing a
// text file in a plain-text viewer. Tests pass a recording implementation.
class DesktopLauncher {
public:
    virtual ~DesktopLauncher() = default;
    // A file path, an http(s) address or a "mailto:" address; the result may be ignored.
    virtual bool openTarget(const QString& target) = 0;
    // Starts a plain-text viewer on the file without waiting for it: $VISUAL, the
    // desktop's handler for plain text, then the first known editor installed.
    virtual bool launchTextViewer(const QString& path) = 0;
};

class SystemDesktopLauncher : public DesktopLauncher {
public:
    // Starts asking the desktop for its plain-text handler in the background,
    // so no later click waits for the answer.
    SystemDesktopLauncher();
    ~SystemDesktopLauncher() override;
    bool openTarget(const QString& target) override;
    bool launchTextViewer(const QString& path) override;
    // Whether the desktop has answered the look-up started at construction.
    bool desktopAnswered() const;

private:
    std::shared_future<bool> textHandler_;
};

// Whether $VISUAL, split into words, names an editor that opens a window of its
// own; terminal editors (vi, nano, "emacs -nw", ...) show nothing without a terminal.
bool isGraphicalEditor(const QStringList& command);

}  // namespace lumivane
