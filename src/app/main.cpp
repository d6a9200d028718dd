#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>

#include "core/text/app_facts.h"

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

const char* const kHelp = "Usage: lumivane [--] [METER-LOG...]\n"
                          "Opens the Lumivane window with the meter logs named selected for calculation.\n"
                          "Options (before any \"--\"):\n"
                          "  --help     show this text\n"
                          "  --version  show the version\n"
                          "Other arguments starting with \"-\" are ignored; after \"--\" every argument is a path.\n";

// --help and --version are answered before any display is needed, so they work in a plain terminal.
int answerWithoutWindow(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return -1;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("lumivane %s\n", lumivane::versionText().c_str());
            return 0;
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (const int answered = answerWithoutWindow(argc, argv); answered >= 0)
        return answered;
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
