#include "support/main_window_fixture.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>

#include "core/text/app_facts.h"

namespace lumivane::test {

MainWindowFixture::MainWindowFixture(WindowOptions options) : store_(QString::fromLatin1(kMainExecutableName))
{
    qputenv("XDG_DATA_HOME", dataHome_.path().toUtf8());
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Lumivane"),
              QString::fromLatin1(kMainExecutableName))
        .clear();
    store_.refresh();
    if (options.dataRootBlocked)
        QFile(userFoldersUnder(dataHome_.path()).root).open(QIODevice::WriteOnly);
    for (const auto& [key, text] : options.stored)
        store_.SaveSetting(key, text);

    MainWindowEnvironment environment;
    environment.programFolder = options.programFolder.isEmpty()
                                    ? QCoreApplication::applicationDirPath() + QLatin1Char('/')
                                    : options.programFolder;
    environment.commandLineArguments = std::move(options.arguments);
    environment.store = &store_;
    environment.clock = &clock_;
    environment.desktop = &desktop_;
    environment.gatewayTimeLimit = std::chrono::seconds(5);
    environment.steadyNow = [this] { return steady_; };
    // An alarm SMS is tried again after 1 and 5 minutes in the program; tests wait less.
    environment.smsRetryDelays = {std::chrono::milliseconds(300), std::chrono::milliseconds(600)};
    if (options.realMessageBoxes) {
        // Each box is answered from the event loop its exec() runs, as an operator pressing Enter.
        QObject::connect(&boxAnswerer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                messages << box->windowTitle() + ": " + box->text();
                QTest::keyClick(box, Qt::Key_Return);
            }
        });
        boxAnswerer_.start(10);
    } else {
        environment.messageBox = [this](QWidget*, const QString& text, QMessageBox::StandardButtons,
                                        QMessageBox::Icon) {
            messages << text;
            return answer;
        };
    }
    window_ = std::make_unique<frmMain>(std::move(environment));
}

bool MainWindowFixture::runCalculation()
{
    auto* start = find<QPushButton>("cmdStartConvert");
    start->click();
    return QTest::qWaitFor([start] { return start->text() == QStringLiteral("Start &Calculation"); }, 60000);
}

void MainWindowFixture::throughSettingsButton(const std::function<void()>& inside)
{
    QTimer::singleShot(0, [&] {
        inside();
        if (auto* dialog = QApplication::activeModalWidget())  // a step that left it open would hang the test
            dialog->close();
    });
    find<QPushButton>("cmdSettings")->click();
}

UserFolders MainWindowFixture::folders() const
{
    return userFoldersUnder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

}  // namespace lumivane::test
