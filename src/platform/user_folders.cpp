#include "platform/user_folders.h"

#include <QFile>
#include <QFileInfo>

#include <string_view>

#include "core/reports/report_files.h"

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
    if (existing.exists())
        return !existing.isDir();  // a folder of that name is no logo
    QFile source(programFolder + QStringLiteral("reportlogo.jpg"));
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = source.readAll();
    // Through a temporary file and a rename, as the bills are: runs copying
    // the logo at the same time never see or leave half a picture.
    return replaceFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), {},
                       QFile::encodeName(copy).toStdString())
        .ok();
}

}  // namespace lumivane
