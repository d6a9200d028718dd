// The main window's pulse button and alarm monitor, end to end: a real local HTTP
// server on 127.0.0.1, real log files in a throw-away data folder, and for the alarm
// SMS a scripted modem on a real pseudo-terminal. Ticks are driven by calling the
// tick handler, never by waiting for the timer.
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <string>

#include "platform/http_client.h"
#include "ui/widgets/event_label.h"
#include "ui/main_window/frm_main.h"
#include "ui/widgets/process_text_area.h"
#include "support/local_http_server.h"
#include "support/main_window_fixture.h"
#include "support/pty_pair.h"
#include "support/scripted_modem.h"
#include "support/temp_dir.h"

using lumivane::test::LocalHttpServer;
using lumivane::test::MainWindowFixture;
using lumivane::test::StoredSettings;
using namespace std::chrono_literals;

namespace {

const QString kWait = QStringLiteral("\r\nPlease wait, retrieving pulse readings.");
const QString kError = QStringLiteral("\r\nERROR retrieving data from server!");

// 32 words (or another count), counter 1 = 65541 and counter 2 = 131079 by default.
QByteArray pulseBody(const QByteArray& f0 = "5", const QByteArray& f1 = "1", const QByteArray& f30 = "7",
                     const QByteArray& f31 = "2", int count = 32)
{
    QList<QByteArray> fields(count, "0");
    fields[0] = f0;
    fields[1] = f1;
    if (count > 31) {
        fields[30] = f30;
        fields[31] = f31;
    }
    return fields.join(',');
}

std::string readLog(const frmMain& w, const char* name)
{
    return lumivane::test::readFile((w.logsFolder + QLatin1String(name)).toStdString());
}

}  // namespace

class GatewayWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dataHome;
    std::unique_ptr<MainWindowFixture> fixture;
    std::unique_ptr<LocalHttpServer> server;

    frmMain& window() { return fixture->window(); }

    // One tick of the alarm timer, with the real timer kept out of the test.
    void tick()
    {
        window().tmrAlarm_Timer();
        window().tmrAlarm->stop();
    }

    void startWindow(StoredSettings stored = {})
    {
        stored.emplace("PulseData", "1");
        fixture = std::make_unique<MainWindowFixture>(stored);
        frmMain& w = window();
        w.tmrAlarm->stop();
        w.gatewayTimeLimit = 5s;
        w.settings.settingsPulseURL = server->address().toStdString();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
    }

private slots:
    void init()
    {
        // A fresh data tree each time: the logs start as the two bytes CR LF.
        dataHome = std::make_unique<QTemporaryDir>();
        QVERIFY(dataHome->isValid());
        qputenv("XDG_DATA_HOME", dataHome->path().toUtf8());
        server = std::make_unique<LocalHttpServer>();
        QVERIFY(server->start());
    }

    void cleanup()
    {
        fixture.reset();
        server.reset();
        dataHome.reset();
    }

    // ---- Pulse button ----------------------------------------------------

    void pulseReadingsAreShownAndLoggedWithTheTimeOfRecording_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<StoredSettings>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("log");
        QTest::newRow("5/1/7/2 with S2 multiplier 0.5")
            << pulseBody() << StoredSettings{{"S2Multi", "0.5"}, {"StoreLocal", "1"}}
            << "\r\nGas Reading = 65541 Ltr/Min\r\nWater Reading = 65539.5 M/3"
            << QByteArray("\r\nS1=65541, S2=131079, DT=05/12/2026 14:03:29\r\n");
        QTest::newRow("low word -1 with high word 1")
            << pulseBody("-1", "1") << StoredSettings{{"StoreLocal", "1"}}
            << "\r\nGas Reading = 65535 Ltr/Min\r\nWater Reading = 131079 M/3"
            << QByteArray("\r\nS1=65535, S2=131079, DT=05/12/2026 14:03:29\r\n");
        QTest::newRow("StoreLocal 2: no record; fields past 32 ignored")
            << pulseBody() + ",9,9,9" << StoredSettings{{"StoreLocal", "2"}}
            << "\r\nGas Reading = 65541 Ltr/Min\r\nWater Reading = 131079 M/3" << QByteArray("\r\n");
    }

    void pulseReadingsAreShownAndLoggedWithTheTimeOfRecording()
    {
        QFETCH(QByteArray, body);
        QFETCH(StoredSettings, stored);
        QFETCH(QString, shown);
        QFETCH(QByteArray, log);
        server->setResponse("/pdata.htm", LocalHttpServer::body(body));
        startWindow(stored);
        frmMain& w = window();
        w.txtProcess->setText("earlier results");
        bool disabledWhileWaiting = false;
        QString textWhileWaiting;
        connect(server.get(), &LocalHttpServer::requestReceived, this, [&] {
            disabledWhileWaiting = !w.cmdPulse->isEnabled();
            textWhileWaiting = w.txtProcess->text();
            // The clock moves on while the gateway answers.
            fixture->clock().set("05/12/2026", "14:03:29");
        });
        QVERIFY(w.cmdPulse->isVisible());
        QTest::mouseClick(w.cmdPulse, Qt::LeftButton);

        QVERIFY(disabledWhileWaiting);
        QCOMPARE(textWhileWaiting, kWait);
        QCOMPARE(w.txtProcess->text(), kWait + shown);
        QCOMPARE(readLog(w, "pulsedata.txt"), log.toStdString());
        QVERIFY(w.cmdPulse->isEnabled());
        QCOMPARE(server->requestLines(),
                 QStringList{"GET /pdata.htm?t=05%2F12%2F2026%2014%3A03%3A27 HTTP/1.1"});
    }

    void pulseFailureShowsItsReasonAndLogsNothing_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("answers");
        QTest::addColumn<StoredSettings>("stored");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty body") << QByteArray() << true << StoredSettings{} << QString();
        QTest::newRow("a field of 40000")
            << pulseBody("5", "1", "40000") << true << StoredSettings{}
            << "\r\nPulse data refused: field 30 \"40000\" is not a 16-bit number";
        QTest::newRow("31 fields") << pulseBody("5", "1", "7", "2", 31) << true << StoredSettings{}
                                   << "\r\nPulse data refused: too few fields (31 of 32)";
        QTest::newRow("multiplier no number") << pulseBody() << true << StoredSettings{{"S1Multi", "one"}}
                                              << "\r\nSettings: multiplier S1Multi \"one\" is not a number";
        QTest::newRow("gateway that never answers")
            << pulseBody() << false << StoredSettings{}
            << "\r\nno complete answer from the gateway within 0.3 seconds";
    }

    void pulseFailureShowsItsReasonAndLogsNothing()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, answers);
        QFETCH(StoredSettings, stored);
        QFETCH(QString, reason);
        server->setResponse("/pdata.htm", answers ? LocalHttpServer::body(body)
                                                  : LocalHttpServer::Response{200, body,
                                                                              LocalHttpServer::Mode::NeverAnswer, 0, 0});
        stored.emplace("StoreLocal", "1");
        startWindow(stored);
        frmMain& w = window();
        if (!answers)
            w.gatewayTimeLimit = 300ms;
        w.cmdPulse_Click();
        QCOMPARE(w.txtProcess->text(), kWait + kError + reason);
        QCOMPARE(readLog(w, "pulsedata.txt"), std::string("\r\n"));
        QVERIFY(w.cmdPulse->isEnabled());
    }

    void unreachableGatewayAndUnwritableLogAreNamed()
    {
        server->setResponse("/pdata.htm", LocalHttpServer::body(pulseBody()));
        startWindow({{"StoreLocal", "1"}});
        frmMain& w = window();
        const std::string gateway = w.settings.settingsPulseURL;
        w.settings.settingsPulseURL =
            QStringLiteral("127.0.0.1:%1").arg(lumivane::test::closedLoopbackPort()).toStdString();
        w.cmdPulse_Click();
        QString text = w.txtProcess->text();
        QVERIFY2(text.startsWith(kWait + kError + "\r\nthe gateway 127.0.0.1:") && text.contains("cannot be reached"),
                 qPrintable(text));
        QVERIFY(w.cmdPulse->isEnabled());

        w.settings.settingsPulseURL = gateway;
        w.logsFolder = dataHome->path() + "/no-such-folder/";
        w.cmdPulse_Click();
        text = w.txtProcess->text();
        QVERIFY2(text.startsWith(kWait + kError + "\r\nPulse log: cannot open ") &&
                     text.contains("no-such-folder/pulsedata.txt"),
                 qPrintable(text));
        QVERIFY(w.cmdPulse->isEnabled());
    }

    // ---- Alarm monitor -----------------------------------------------------

    // Interval, hidden banner and empty caption belong to the window's start state.
    void timerRunsFromStartUpAndTheBannerIsBoldCentredRed()
    {
        fixture = std::make_unique<MainWindowFixture>();
        frmMain& w = window();
        QVERIFY(w.tmrAlarm->isActive());
        QVERIFY(w.lblAlarm->font().bold());
        QCOMPARE(w.lblAlarm->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
        QCOMPARE(w.lblAlarm->toolTip(), QStringLiteral("Double-Click this Legend to Acknowledge Alarm."));
        QCOMPARE(w.lblAlarm->palette().color(QPalette::WindowText), QColor(192, 0, 0));
    }

    void checkFallsDueOnceTheCountPassesTheInterval_data()
    {
        QTest::addColumn<StoredSettings>("stored");
        QTest::addColumn<int>("firstCheckTick");  // 0: none in 20 ticks
        QTest::newRow("interval 15: the 16th tick")
            << StoredSettings{{"MonitorAlarm", "1"}, {"AlarmInterval", "15"}} << 16;
        QTest::newRow("interval 0: the first tick") << StoredSettings{{"MonitorAlarm", "1"}, {"AlarmInterval", "0"}}
                                                    << 1;
        QTest::newRow("monitoring off") << StoredSettings{{"MonitorAlarm", "0"}, {"AlarmInterval", "0"}} << 0;
    }

    void checkFallsDueOnceTheCountPassesTheInterval()
    {
        QFETCH(StoredSettings, stored);
        QFETCH(int, firstCheckTick);
        server->setResponse("/cdata.htm", LocalHttpServer::body("100"));
        startWindow(stored);
        int firstCheck = 0;
        for (int i = 1; i <= 20 && firstCheck == 0; ++i) {
            tick();
            if (server->requestCount("/cdata.htm") > 0)
                firstCheck = i;
        }
        QCOMPARE(firstCheck, firstCheckTick);
        QCOMPARE(server->requestCount("/cdata.htm"), firstCheck ? 1 : 0);
        if (firstCheck)
            QVERIFY(server->requestLines().value(0).startsWith("GET /cdata.htm?t=05%2F12%2F2026%2014%3A03%3A27 "));
        else
            QCOMPARE(window().alarmTickCount, qint16(0));
        QVERIFY(!window().alarmActive);
        QVERIFY(window().lblAlarm->isHidden());
    }

    void alarmEndToEndWithSmsRecordBlinkAndAcknowledgement()
    {
        lumivane::test::PtyPair pty;
        QVERIFY2(pty.isOpen(), pty.error().c_str());
        lumivane::test::ScriptedModem modem(pty);
        modem.actAsWorkingModem();
        modem.start();

        // The second answer, after the acknowledgement, is a normal current.
        server->setResponses("/cdata.htm", {LocalHttpServer::body("250"), LocalHttpServer::body("100")});
        startWindow({{"MonitorAlarm", "1"}, {"AlarmInterval", "0"}, {"SendSMS", "1"}, {"AlarmLog", "1"},
                     {"SMSNumber", "07700900999"}, {"CommPort", pty.slavePath()}});
        frmMain& w = window();
        const QColor windowText = w.palette().color(QPalette::WindowText);
        const std::string message = "OVER CURRENT ALARM: [05/12/2026 14:03:27] 250 Amps => 240 Amps.";

        tick();  // the check raises the alarm; the banner shows from the next tick
        QVERIFY(w.alarmActive);
        QCOMPARE(w.lblAlarm->text(), QString::fromStdString(message));
        QVERIFY(w.lblAlarm->isHidden());
        QCOMPARE(readLog(w, "alarmdata.txt"), "\r\n" + message + "\r\n");
        modem.stop();
        int sends = 0;
        for (const std::string& command : modem.commands())
            sends += command == "AT+CMGS=\"07700900999\"\r" ? 1 : 0;
        QCOMPARE(sends, 1);
        QCOMPARE(modem.commands().back(), message + "\x1a");

        tick();
        QVERIFY(w.lblAlarm->isVisible());
        QCOMPARE(w.lblAlarm->palette().color(QPalette::WindowText), QColor(192, 0, 0));
        tick();
        QCOMPARE(w.lblAlarm->palette().color(QPalette::WindowText), windowText);
        tick();
        QCOMPARE(w.lblAlarm->palette().color(QPalette::WindowText), QColor(192, 0, 0));
        for (int i = 0; i < 10; ++i)
            tick();
        QCOMPARE(server->requestCount("/cdata.htm"), 1);  // no requests while the alarm is active
        QCOMPARE(readLog(w, "alarmdata.txt"), "\r\n" + message + "\r\n");

        fixture->clock().set("05/12/2026", "14:10:00");
        QTest::mouseDClick(w.lblAlarm, Qt::LeftButton);
        QVERIFY(!w.alarmActive);
        QVERIFY(w.lblAlarm->isHidden());
        QCOMPARE(w.lblAlarm->text(), QStringLiteral("Acknowledged"));
        QCOMPARE(w.lblAlarm->palette().color(QPalette::WindowText), windowText);
        QCOMPARE(readLog(w, "alarmdata.txt"),
                 "\r\n" + message + "\r\nAcknowledged: [05/12/2026 14:10:00]\r\n");

        tick();  // monitoring resumes
        QCOMPARE(server->requestCount("/cdata.htm"), 2);
        QVERIFY(!w.alarmActive);
        QCOMPARE(modem.commands().size(), std::size_t(5));  // still the one SMS
    }

    void currentAtTheLimitRaisesNothing()
    {
        server->setResponses("/cdata.htm", {LocalHttpServer::body("240"), LocalHttpServer::body("240.5"),
                                             LocalHttpServer::body("high"), LocalHttpServer::body(""),
                                             LocalHttpServer::body("240.6")});
        startWindow({{"MonitorAlarm", "1"}, {"AlarmInterval", "0"}, {"AlarmLog", "1"}});
        frmMain& w = window();
        for (int i = 0; i < 4; ++i) {
            tick();
            QVERIFY(!w.alarmActive);
            QVERIFY(w.lblAlarm->isHidden());
        }
        QCOMPARE(readLog(w, "alarmdata.txt"), std::string("\r\n"));
        tick();
        QVERIFY(w.alarmActive);
        QVERIFY(w.lblAlarm->text().contains("] 241 Amps => 240 Amps."));
    }

    void alarmLogZeroLeavesTheLogUntouched()
    {
        server->setResponse("/cdata.htm", LocalHttpServer::body("300"));
        startWindow({{"MonitorAlarm", "1"}, {"AlarmInterval", "0"}, {"AlarmLog", "0"}});
        frmMain& w = window();
        tick();
        QVERIFY(w.alarmActive);
        tick();
        QTest::mouseDClick(w.lblAlarm, Qt::LeftButton);
        QVERIFY(!w.alarmActive);
        QCOMPARE(readLog(w, "alarmdata.txt"), std::string("\r\n"));
    }

    // The one client serves both: whichever request comes second waits its turn,
    // and each gets its own answer.
    void pulseRequestAndCheckOverlapping_data()
    {
        QTest::addColumn<bool>("pulseFirst");
        QTest::newRow("check falls due during a slow pulse request") << true;
        QTest::newRow("pulse clicked during a slow check") << false;
    }

    void pulseRequestAndCheckOverlapping()
    {
        QFETCH(bool, pulseFirst);
        using Mode = LocalHttpServer::Mode;
        const QString first = pulseFirst ? "/pdata.htm" : "/cdata.htm";
        const QString second = pulseFirst ? "/cdata.htm" : "/pdata.htm";
        server->setResponse("/pdata.htm", {200, pulseBody(), pulseFirst ? Mode::AnswerSlowly : Mode::Normal, 400, 0});
        server->setResponse("/cdata.htm", {200, "300", pulseFirst ? Mode::Normal : Mode::AnswerSlowly, 400, 0});
        startWindow({{"MonitorAlarm", "1"}, {"AlarmInterval", "0"}});
        frmMain& w = window();
        QStringList events;
        QStringList eventsWhenSecondStarted;
        connect(server.get(), &LocalHttpServer::requestReceived, this, [&](const QString& line) {
            const QString path = line.section(' ', 1, 1).section('?', 0, 0);
            events << "request " + path;
            if (path == first)
                QTimer::singleShot(50ms, this, [&] {
                    eventsWhenSecondStarted = events;
                    pulseFirst ? tick() : w.cmdPulse->click();
                });
        });
        connect(server.get(), &LocalHttpServer::responseSent, this,
                [&](const QString& path) { events << "answer " + path; });

        pulseFirst ? w.cmdPulse_Click() : tick();

        QCOMPARE(eventsWhenSecondStarted, QStringList{"request " + first});
        QCOMPARE(events, (QStringList{"request " + first, "answer " + first, "request " + second, "answer " + second}));
        QCOMPARE(w.txtProcess->text(), kWait + "\r\nGas Reading = 65541 Ltr/Min\r\nWater Reading = 131079 M/3");
        QVERIFY(w.alarmActive);
        QVERIFY(w.lblAlarm->text().endsWith("] 300 Amps => 240 Amps."));
        QVERIFY(w.cmdPulse->isEnabled());
    }
};

QTEST_MAIN(GatewayWindowTest)
#include "gateway_window_test.moc"
