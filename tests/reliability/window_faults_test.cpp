// The main window meeting faults of its surroundings: a settings store whose
// texts fit none of their keys, a reports folder that disappears after
// start-up, a logs folder that disappears while monitoring, and a gateway
// that cuts its answer, floods it or sends binary.
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <random>
#include <string>

#include "core/settings/settings_record.h"
#include "ui/widgets/event_label.h"
#include "ui/main_window/frm_main.h"
#include "ui/widgets/process_text_area.h"
#include "support/local_http_server.h"
#include "support/main_window_fixture.h"
#include "support/temp_dir.h"

using lumivane::test::LocalHttpServer;
using lumivane::test::MainWindowFixture;
using lumivane::test::StoredSettings;
using namespace std::chrono_literals;

namespace {

const QString kWait = QStringLiteral("\r\nPlease wait, retrieving pulse readings.");
const QString kError = QStringLiteral("\r\nERROR retrieving data from server!");

const char* kSiteLog = "Status,Timestamp,Value\r\n"
                       "0,01/03/2012 00:00,1000\r\n"
                       "0,01/03/2012 12:00,1012.5\r\n";

bool holdsTemporaryFiles(const QString& folder)
{
    return !QDir(folder).entryList({QStringLiteral("*.part")}, QDir::Files).isEmpty();
}

QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

}  // namespace

class WindowFaultsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dataHome;

private slots:
    void init()
    {
        dataHome = std::make_unique<QTemporaryDir>();
        QVERIFY(dataHome->isValid());
        qputenv("XDG_DATA_HOME", dataHome->path().toUtf8());
    }

    void cleanup() { dataHome.reset(); }

    // ---- Settings store --------------------------------------------------------

    void storedTextsOfTheWrongTypeForEveryKeyStartWithTheDefaults()
    {
        // Texts that fit no numeric, switch or choice key; the text keys take any text.
        const StoredSettings stored = {
            {"DayCost", "abc"},         {"NightCost", ""},         {"Multiplier", "1e400"},
            {"FromHour", "40000"},      {"ToHour", "six"},         {"PulseData", "1,5"},
            {"StoreLocal", "yes"},      {"AlarmLog", "0x1"},       {"MonitorAlarm", "NaN"},
            {"SendSMS", "inf"},         {"HTM", "maybe"},          {"Txt", "Tru"},
            {"CSV", " "},               {"Export", "-40000"},      {"PulseURL", "\x01\x02"},
            {"S1Label", ""},            {"AlarmHi", "lots"},       {"AlarmInterval", "-"},
            {"CommPort", "COM"},        {"CommSettings", "fast"},  {"S1Multi", "x"},
        };
        MainWindowFixture fixture(stored);
        frmMain& w = fixture.window();
        const lumivane::SettingsRecord defaults;
        for (const lumivane::SettingKey& key : lumivane::settingKeys()) {
            const std::string loaded = lumivane::settingTextOf(w.settings, key.key);
            const auto found = stored.find(std::string(key.key));
            if (key.type == lumivane::SettingType::Text && found != stored.end())
                QCOMPARE(loaded, found->second);
            else
                QVERIFY2(loaded == lumivane::settingTextOf(defaults, key.key), std::string(key.key).c_str());
        }
        // The window works with them: the pulse button follows the default switch, no box was shown.
        QVERIFY(w.cmdPulse->isHidden());
        QVERIFY(fixture.messages.isEmpty());
    }

    // ---- Reports folder ----------------------------------------------------------

    void reportsFolderRemovedAfterStartUpIsNamedAndTheWindowReturnsToIdle()
    {
        lumivane::test::TempDir logs;
        MainWindowFixture fixture(StoredSettings{{"Export", "1"}});
        frmMain& w = fixture.window();
        const QString reports = w.reportsFolder;
        QVERIFY(QDir(reports).exists());
        QVERIFY(QDir(reports).removeRecursively());

        QVERIFY(w.addSelectedFile(QString::fromStdString(logs.write("site1.csv", kSiteLog))));
        w.showSelection();
        w.cmdStartConvert->click();

        const QString text = w.txtProcess->text();
        QVERIFY2(text.contains(reports + QStringLiteral("SITE1.html")), qPrintable(text));
        QVERIFY2(text.contains(reports + QStringLiteral("menu.html")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Day Total: 12.500 kWh")), qPrintable(text));
        QCOMPARE(w.cmdStartConvert->text(), QStringLiteral("&Start Calculation"));
        QVERIFY(w.cmdStartConvert->isEnabled());
        QVERIFY(w.cmdExit->isEnabled());
        QVERIFY(w.cmdTot->isHidden());
        QVERIFY(fixture.desktop().opened.isEmpty());
        // Nothing half-written anywhere: the folder is not silently made again.
        QVERIFY(!QDir(reports).exists());
        QVERIFY(!holdsTemporaryFiles(QFileInfo(reports.chopped(1)).absolutePath()));

        // Once the folder is back the next run writes as usual.
        QVERIFY(QDir().mkpath(reports));
        w.cmdStartConvert->click();
        QVERIFY(QFile::exists(reports + QStringLiteral("SITE1.html")));
        QVERIFY(QFile::exists(reports + QStringLiteral("menu.html")));
        QVERIFY(!holdsTemporaryFiles(reports));
        QVERIFY(!w.cmdTot->isHidden());
    }

    // ---- Gateway -----------------------------------------------------------------

    void gatewayFaultsShowTheirReasonAndThePulseButtonComesBack()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        MainWindowFixture fixture(StoredSettings{{"PulseData", "1"}, {"StoreLocal", "1"}});
        frmMain& w = fixture.window();
        w.tmrAlarm->stop();
        w.gatewayTimeLimit = 5s;
        w.settings.settingsPulseURL = server.address().toStdString();
        const QString log = w.logsFolder + QStringLiteral("pulsedata.txt");
        const QByteArray logBefore = contentOf(log);

        std::mt19937 random(7);
        QByteArray binary(3000, '\0');
        for (char& c : binary)
            c = static_cast<char>(random() & 0xFF);

        const struct {
            LocalHttpServer::Response response;
            QString shown;
        } cases[] = {
            {{200, QByteArray(4000, '1'), LocalHttpServer::Mode::CloseMidBody, 0, 0}, QString()},
            {{200, {}, LocalHttpServer::Mode::HugeBody, 0, 10 * 1024 * 1024}, QStringLiteral("response too large")},
            {LocalHttpServer::body(binary), QStringLiteral("Pulse data refused: ")},
        };
        for (const auto& c : cases) {
            server.setResponse("/pdata.htm", c.response);
            w.cmdPulse_Click();
            const QString text = w.txtProcess->text();
            QVERIFY2(text.startsWith(kWait + kError + QStringLiteral("\r\n")), qPrintable(text.left(300)));
            QVERIFY2(c.shown.isEmpty() || text.contains(c.shown), qPrintable(text.left(300)));
            QVERIFY2(text.size() < 4096, "the answer itself reached the results area");
            QVERIFY(w.cmdPulse->isEnabled());
        }
        QCOMPARE(contentOf(log), logBefore);

        // After all that a good answer is shown as ever.
        server.setResponse("/pdata.htm", LocalHttpServer::body("5,1" + QByteArray(",0").repeated(30)));
        w.cmdPulse_Click();
        QVERIFY2(w.txtProcess->text().endsWith(QStringLiteral("Gas Reading = 65541 Ltr/Min\r\nWater Reading = 0 M/3")),
                 qPrintable(w.txtProcess->text()));
    }

    // ---- Logs folder -------------------------------------------------------------

    void logsFolderRemovedWhileMonitoringReportsTheAlarmRecordAndMonitoringGoesOn()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setResponses("/cdata.htm", {LocalHttpServer::body("250"), LocalHttpServer::body("260")});
        MainWindowFixture fixture(
            StoredSettings{{"MonitorAlarm", "1"}, {"AlarmInterval", "0"}, {"AlarmLog", "1"}, {"PulseData", "1"}});
        frmMain& w = fixture.window();
        w.tmrAlarm->stop();
        w.gatewayTimeLimit = 5s;
        w.settings.settingsPulseURL = server.address().toStdString();
        const QString logs = w.logsFolder;
        QVERIFY(QDir(logs).removeRecursively());

        w.tmrAlarm_Timer();
        w.tmrAlarm->stop();
        QVERIFY(w.alarmActive);
        QVERIFY2(w.txtProcess->text().contains(logs + QStringLiteral("alarmdata.txt")),
                 qPrintable(w.txtProcess->text()));
        QVERIFY(!QDir(logs).exists());

        // The alarm blinks, is acknowledged (its record fails as well), and monitoring resumes.
        w.tmrAlarm_Timer();
        w.tmrAlarm->stop();
        QVERIFY(!w.lblAlarm->isHidden());
        w.lblAlarm_DblClick();
        QVERIFY(!w.alarmActive);
        w.tmrAlarm_Timer();
        w.tmrAlarm->stop();
        QCOMPARE(server.requestCount("/cdata.htm"), 2);
        QVERIFY(w.alarmActive);
    }
};

QTEST_MAIN(WindowFaultsTest)
#include "window_faults_test.moc"
