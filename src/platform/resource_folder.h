#pragma once
// Where the shipped templates and pictures are found: beside the program in a
// build folder, under share/lumivane in an installed tree.
#include <QString>

namespace lumivane {

// The resource folder of the running program (needs a QCoreApplication); ends with "/".
QString resourceFolder();

// The resource folder for the program at `executablePath`: the folder holding it
// when the templates are there, else "../share/lumivane" from the program's real
// location (symlinks resolved) when that holds them, else the folder holding it.
// The result is absolute and ends with "/".
QString resourceFolderFor(const QString& executablePath);

}  // namespace lumivane
