#pragma once
// The layout of the per-user data tree, shared by the window and the tools:
// <data location>/Lumivane with the reports and logs folders inside.
#include <QString>

namespace lumivane {

struct UserFolders {
    QString root;     // without a trailing separator
    QString reports;  // ends with the separator
    QString logs;     // ends with the separator
};

// The tree's folders under a per-user data location (nothing is created).
UserFolders userFoldersUnder(const QString& dataLocation);

// Bills show "reportlogo.jpg" from their own folder: copies it there from the
// program's folder when it is missing. False when it is missing and cannot be copied.
bool provideReportLogo(const QString& programFolder, const QString& reportsFolder);

}  // namespace lumivane
