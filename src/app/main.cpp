#include <QApplication>
#include <QIcon>

#include "platform/desktop_services.h"
#include "platform/resource_folder.h"
#include "platform/utf8_text.h"
#include "ui/main_window/frm_main.h"

namespace {

// The icon's PNG sizes are built into the program, so the window has its icon
// in a build folder and in an installed tree alike, without an SVG reader.
QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/lumivane-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    lumivane::setApplicationIdentity();
    QApplication::setWindowIcon(applicationIcon());

    MainWindowEnvironment environment;
    environment.programFolder = lumivane::resourceFolder();
    // The paths' own bytes, not the locale's reading of them, so names that
    // are no UTF-8 still open.
    environment.commandLineArguments = lumivane::argumentTexts(argc, argv);

    frmMain window(std::move(environment));
    window.show();
    return QApplication::exec();
}
