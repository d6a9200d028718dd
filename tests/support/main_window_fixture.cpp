#include "support/main_window_fixture.h"

#include <QCoreApplication>
#include <QSettings>

#include "core/text/app_facts.h"

namespace lumivane::test {

MainWindowFixture::MainWindowFixture(std::map<std::string, std::string> stored, QStringList arguments,
                                     QString programFolder)
    : store_(QString::fromLatin1(kMainExecutableName))
{
    clearStore(store_);
    for (const auto& [key, text] : stored)
        store_.SaveSetting(key, text);

    MainWindowEnvironment environment;
    environment.programFolder =
        programFolder.isEmpty() ? QCoreApplication::applicationDirPath() + QLatin1Char('/') : programFolder;
    environment.commandLineArguments = std::move(arguments);
    environment.store = &store_;
    environment.clock = &clock_;
    environment.desktop = &desktop_;
    environment.messageBox = [this](QWidget*, const QString& text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::Icon icon) {
        messages.append({text, buttons, icon});
        return answer;
    };
    window_ = std::make_unique<frmMain>(std::move(environment));
}

MainWindowFixture::~MainWindowFixture() = default;

void MainWindowFixture::clearStore(SettingsStore& store)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Lumivane"),
                       QString::fromLatin1(kMainExecutableName));
    settings.clear();
    settings.sync();
    store.refresh();
}

}  // namespace lumivane::test
