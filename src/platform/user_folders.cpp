#include "platform/user_folders.h"

#include "platform/desktop_services.h"

namespace lumivane {

UserFolders userFoldersUnder(const QString& dataLocation)
{
    const QString root = dataLocation + QStringLiteral("/Lumivane");
    return {root, root + QStringLiteral("/reports/"), root + QStringLiteral("/logs/")};
}

bool provideReportLogo(const QString& programFolder, const QString& reportsFolder)
{
    const QString copy = reportsFolder + QStringLiteral("reportlogo.jpg");
    return fileExists(copy) || copyFile(programFolder + QStringLiteral("reportlogo.jpg"), copy);
}

}  // namespace lumivane
