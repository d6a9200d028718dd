#include "platform/desktop_services.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QSysInfo>
#include <QUrl>

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

bool SystemDesktopLauncher::launchTextViewer(const QString& path)
{
    // The first plain-text viewer found; the desktop's default handler otherwise.
    static const char* const viewers[] = {"gnome-text-editor", "gedit", "kate", "mousepad",
                                          "xed", "pluma", "featherpad", "leafpad", "notepad"};
    for (const char* viewer : viewers) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(viewer));
        if (!program.isEmpty())
            return QProcess::startDetached(program, {path});
    }
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty())
        return QProcess::startDetached(opener, {path});
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace lumivane
