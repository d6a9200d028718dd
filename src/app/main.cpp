#include <QApplication>

#include "platform/resource_folder.h"
#include "platform/settings_store.h"
#include "core/text/app_facts.h"
#include "ui/main_window/frm_main.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(lumivane::SettingsStore::executableBaseName());
    QApplication::setApplicationDisplayName(QString::fromLatin1(lumivane::kAppTitle));

    MainWindowEnvironment environment;
    environment.programFolder = lumivane::resourceFolder();
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    environment.commandLineArguments = arguments;

    frmMain window(std::move(environment));
    window.show();
    return QApplication::exec();
}
