#include "platform/desktop_services.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QSysInfo>
#include <QUrl>

#include "platform/settings_store.h"

namespace lumivane {

AppDataFolder getAppDataFolder()
{
    // The generic data location is the per-user, non-roaming data folder
    // (XDG_DATA_HOME on Linux, AppData/Local on Windows).
    const QString location = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (location.isEmpty())
        return {QString(), QStringLiteral("An invalid folder ID was specified")};
    QString path = QDir::cleanPath(location);
    if (!QDir().mkpath(path))
        return {QString(), QStringLiteral("The APPDATA folder does not exist")};
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return {path, QString()};
}

bool dirExists(const QString& path) { return QFileInfo(path).isDir(); }

bool fileExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

bool createFolder(const QString& path) { return QDir().mkdir(path) || dirExists(path); }

bool copyFile(const QString& from, const QString& to) { return QFile::copy(from, to); }

QString getComputerName() { return QSysInfo::machineHostName(); }

bool SystemDesktopLauncher::openTarget(const QString& target)
{
    const QUrl url = target.contains(QLatin1String("://")) || target.startsWith(QLatin1String("mailto:"))
                         ? QUrl(target)
                         : QUrl::fromLocalFile(target);
    return QDesktopServices::openUrl(url);
}

namespace {

// Whether the desktop names a handler for plain text. xdg-open alone would not
// tell: with none named it hands a text file to whatever claims it, a browser
// or an archive tool, or fails without a word.
bool desktopHasTextHandler()
{
    const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (query.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
        return false;
    QProcess process;
    process.start(query, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
    // A short shell script; a hung one must not freeze the window for long.
    if (!process.waitForFinished(2000)) {
        process.kill();
        process.waitForFinished(500);
        return false;
    }
    return process.exitCode() == 0 && process.readAllStandardOutput().trimmed().endsWith(".desktop");
}

bool startProgram(const QString& name, QStringList arguments, const QString& path)
{
    const QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty())
        return false;
    arguments << path;
    return QProcess::startDetached(program, arguments);
}

}  // namespace

bool isGraphicalEditor(const QStringList& command)
{
    if (command.isEmpty())
        return false;
    static const QStringList terminalEditors{
        QStringLiteral("vi"),    QStringLiteral("vim"),   QStringLiteral("nvim"),   QStringLiteral("view"),
        QStringLiteral("nvi"),   QStringLiteral("elvis"), QStringLiteral("nano"),   QStringLiteral("pico"),
        QStringLiteral("ed"),    QStringLiteral("ex"),    QStringLiteral("joe"),    QStringLiteral("jed"),
        QStringLiteral("micro"), QStringLiteral("ne"),    QStringLiteral("mcedit"), QStringLiteral("kak"),
        QStringLiteral("hx"),    QStringLiteral("helix"), QStringLiteral("mg"),     QStringLiteral("zile"),
        QStringLiteral("jove"),  QStringLiteral("less"),  QStringLiteral("more"),   QStringLiteral("emacsclient")};
    if (terminalEditors.contains(QFileInfo(command.front()).fileName()))
        return false;
    // Emacs opens a window unless told to stay in the terminal.
    return !command.contains(QStringLiteral("-nw")) && !command.contains(QStringLiteral("--no-window-system")) &&
           !command.contains(QStringLiteral("-t")) && !command.contains(QStringLiteral("--tty"));
}

SystemDesktopLauncher::SystemDesktopLauncher()
    : textHandler_(std::async(std::launch::async, desktopHasTextHandler).share())
{
}

SystemDesktopLauncher::~SystemDesktopLauncher() = default;

bool SystemDesktopLauncher::desktopAnswered() const
{
    return textHandler_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

bool SystemDesktopLauncher::launchTextViewer(const QString& path)
{
    // The user's own choice first, when it opens a window. $VISUAL may carry
    // options ("code --new-window"); it is split into words, never handed to a shell.
    const QStringList visual = QProcess::splitCommand(qEnvironmentVariable("VISUAL"));
    if (isGraphicalEditor(visual) && startProgram(visual.front(), visual.mid(1), path))
        return true;
    // The desktop's answer was asked for at start; one still on its way is not waited for.
    const bool handler = desktopAnswered() && textHandler_.get();
    if (handler && startProgram(QStringLiteral("xdg-open"), {}, path))
        return true;
    static const char* const viewers[] = {"gnome-text-editor", "gedit",   "kate",   "mousepad", "xed", "pluma",
                                          "featherpad",        "leafpad", "notepad"};
    for (const char* viewer : viewers)
        if (startProgram(QString::fromLatin1(viewer), {}, path))
            return true;
    // Handing the file to whatever opens it could show it in a browser or not at all; say so instead.
    return false;
}

void setApplicationIdentity()
{
    QCoreApplication::setApplicationName(SettingsStore::executableBaseName());
    // A display name would be appended to every title that does not end with it
    // ("Settings — ..."); an empty one leaves the titles alone.
    QGuiApplication::setApplicationDisplayName(QString());
    // Wayland desktops find the launcher, and with it the icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.lumivane.Lumivane"));
}

}  // namespace lumivane
