#include "platform/user_folders.h"

namespace lumivane {

UserFolders userFoldersUnder(const QString& dataLocation)
{
    const QString root = dataLocation + QStringLiteral("/Lumivane");
    return {root, root + QStringLiteral("/reports/"), root + QStringLiteral("/logs/")};
}

}  // namespace lumivane
