#include "platform/user_folders.h"

#include <QFile>
#include <QFileInfo>

namespace lumivane {

UserFolders userFoldersUnder(const QString& dataLocation)
{
    const QString root = dataLocation + QStringLiteral("/Lumivane");
    return {root, root + QStringLiteral("/reports/"), root + QStringLiteral("/logs/")};
}

bool provideReportLogo(const QString& programFolder, const QString& reportsFolder)
{
    // Qt Core only: lumivane-calc, which shares this, links nothing of the desktop.
    const QString copy = reportsFolder + QStringLiteral("reportlogo.jpg");
    const QFileInfo existing(copy);
    return (existing.exists() && !existing.isDir()) ||
           QFile::copy(programFolder + QStringLiteral("reportlogo.jpg"), copy);
}

}  // namespace lumivane
