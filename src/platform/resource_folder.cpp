#include "platform/resource_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace lumivane {
namespace {

// The bill template is the one file every report needs, so a folder that holds
// it is taken to hold the set; a stray picture alone does not count.
bool holdsResources(const QString& folder)
{
    return QFileInfo(QDir(folder).filePath(QStringLiteral("billtemplate.html"))).isFile();
}

QString withSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

}  // namespace

QString resourceFolderFor(const QString& executablePath)
{
    const QFileInfo executable(executablePath);
    const QString beside = executable.absolutePath();
    if (holdsResources(beside))
        return withSlash(beside);
    // A link in ~/bin or /usr/local/bin points at the real program; its data
    // lies beside the real one, not beside the link.
    const QString real = executable.canonicalFilePath();
    const QString realFolder = real.isEmpty() ? beside : QFileInfo(real).absolutePath();
    if (holdsResources(realFolder))
        return withSlash(realFolder);
    const QString installed = QDir::cleanPath(realFolder + QStringLiteral("/../share/lumivane"));
    if (holdsResources(installed))
        return withSlash(installed);
    // Nothing found: the folder beside the program, so messages name where files were expected.
    return withSlash(beside);
}

QString resourceFolder() { return resourceFolderFor(QCoreApplication::applicationFilePath()); }

}  // namespace lumivane
