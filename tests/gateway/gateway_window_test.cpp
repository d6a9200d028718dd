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
#include "shell/event_label.h"
#include "shell/frm_main.h"
#include "shell/process_text_area.h"
#include "support/local_http_server.h"
#include "support/main_window_fixture.h"
#include "support/pty_pair.h"
#include "support/scripted_modem.h"
#include "support/temp_dir.h"

using lumivane::test::LocalHttpServer;
using lumivane::test::MainWindowFixture;
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

    void startWindow(std::map<std::string, std::string> stored = {})
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

    void pulseButtonShowsReadingsAndAppendsRecord()
    {
        server->setResponse("/pdata.htm", LocalHttpServer::body(pulseBody()));
        startWindow({{"S2Multi", "0.5"}, {"StoreLocal", "1"}});
        frmMain& w = window();
        w.txtProcess->setText("earlier results");
        bool disabledWhileWaiting = false;
        QString textWhileWaiting;
        connect(server.get(), &LocalHttpServer::requestReceived, this, [&] {
            disabledWhileWaiting = !w.cmdPulse->isEnabled();
            textWhileWaiting = w.txtProcess->text();
        });
        QVERIFY(w.cmdPulse->isVisible());
        QTest::mouseClick(w.cmdPulse, Qt::LeftButton);

        QVERIFY(disabledWhileWaiting);
        QCOMPARE(textWhileWaiting, kWait);
        QCOMPARE(w.txtProcess->text(),
                 kWait + "\r\nGas Reading = 65541 Ltr/Min\r\nWater Reading = 65539.5 M/3");
        QCOMPARE(readLog(w, "pulsedata.txt"), std::string("\r\nS1=65541, S2=131079, DT=05/12/2026 14:03:27\r\n"));
        QVERIFY(w.cmdPulse->isEnabled());
        QCOMPARE(server->requestLines(),
                 QStringList{"GET /pdata.htm?t=05%2F12%2F2026%2014%3A03%3A27 HTTP/1.1"});
    }

    void pulseRecordTakesTheTimeOfRecording()
    {
        server->setResponse("/pdata.htm", LocalHttpServer::body(pulseBody("-1", "1")));
        startWindow({{"StoreLocal", "1"}});
        frmMain& w = window();
        // The clock moves on while the gateway answers.
        connect(server.get(), &LocalHttpServer::requestReceived, this,
                [&] { fixture->clock().set("05/12/2026", "14:03:29"); });
        w.cmdPulse_Click();
        QCOMPARE(readLog(w, "pulsedata.txt"), std::string("\r\nS1=65535, S2=131079, DT=05/12/2026 14:03:29\r\n"));
        QVERIFY(server->requestLines().value(0).contains("14%3A03%3A27"));
    }

    void pulseEmptyAnswerShowsErrorLineAndLogsNothing()
    {
        server->setResponse("/pdata.htm", LocalHttpServer::body(""));
        startWindow({{"StoreLocal", "1"}});
        frmMain& w = window();
        w.cmdPulse_Click();
        QCOMPARE(w.txtProcess->text(), kWait + kError);
        QCOMPARE(readLog(w, "pulsedata.txt"), std::string("\r\n"));
        QVERIFY(w.cmdPulse->isEnabled());
    }

    void pulseBadWordShowsReasonAndLogsNothing()
    {
        server->setResponse("/pdata.htm", LocalHttpServer::body(pulseBody("5", "1", "40000")));
        startWindow({{"StoreLocal", "1"}});
        frmMain& w = window();
        w.cmdPulse_Click();
        QCOMPARE(w.txtProcess->text(),
                 kWait + kError + "\r\nPulse data refused: field 30 \"40000\" is not a 16-bit number");
        QCOMPARE(readLog(w, "pulsedata.txt"), std::string("\r\n"));
        QVERIFY(w.cmdPulse->isEnabled());
    }

    void pulseThirtyOneFieldsShowReasonAndLogNothing()
    {
        server->setResponse("/pdata.htm", LocalHttpServer::body(pulseBody("5", "1", "7", "2", 31)));
        startWindow({{"StoreLocal", "1"}});
        frmMain& w = window();
        w.cmdPulse_Click();
        QCOMPARE(w.txtProcess->text(), kWait + kError + "\r\nPulse data refused: too few fields (31 of 32)");
        QCOMPARE(readLog(w, "pulsedata.txt"), std::string("\r\n"));
    }

    void pulseBadMultiplierShowsReason()
    {
        server->setResponse("/pdata.htm", LocalHttpServer::body(pulseBody()));
        startWindow({{"StoreLocal", "1"}});
        frmMain& w = window();
        w.settings.settingsS1Multi = "one";
        w.cmdPulse_Click();
        QCOMPARE(w.txtProcess->text(),
                 kWait + kError + "\r\nSettings: multiplier S1Multi \"one\" is not a number");
        QCOMPARE(readLog(w, "pulsedata.txt"), std::string("\r\n"));
    }

    void pulseUnreachableGatewayShowsReason()
    {
        startWindow();
        frmMain& w = window();
        w.settings.settingsPulseURL =
            QStringLiteral("127.0.0.1:%1").arg(lumivane::test::closedLoopbackPort()).toStdString();
        w.cmdPulse_Click();
        QVERIFY2(w.txtProcess->text().startsWith(kWait + kError + "\r\nthe gateway 127.0.0.1:"),
                 qPrintable(w.txtProcess->text()));
        QVERIFY(w.txtProcess->text().contains("cannot be reached"));
        QVERIFY(w.cmdPulse->isEnabled());
    }

    void pulseSilentGatewayTimesOut()
    {
        server->setResponse("/pdata.htm", {200, "x", LocalHttpServer::Mode::NeverAnswer, 0, 0});
        startWindow({{"StoreLocal", "1"}});
        frmMain& w = window();
        w.gatewayTimeLimit = 300ms;
        w.cmdPulse_Click();
        QCOMPARE(w.txtProcess->text(),
                 kWait + kError + "\r\nno complete answer from the gateway within 0.3 seconds");
        QCOMPARE(readLog(w, "pulsedata.txt"), std::string("\r\n"));
        QVERIFY(w.cmdPulse->isEnabled());
    }

    void pulseStoreLocalTwoShowsReadingsWithoutRecord()
    {
        server->setResponse("/pdata.htm", LocalHttpServer::body(pulseBody() + ",9,9,9"));
        startWindow({{"StoreLocal", "2"}});
        frmMain& w = window();
        w.cmdPulse_Click();
        QCOMPARE(w.txtProcess->text(), kWait + "\r\nGas Reading = 65541 Ltr/Min\r\nWater Reading = 131079 M/3");
        QCOMPARE(readLog(w, "pulsedata.txt"), std::string("\r\n"));
    }

    void pulseLogThatCannotBeWrittenIsReported()
    {
        server->setResponse("/pdata.htm", LocalHttpServer::body(pulseBody()));
        startWindow({{"StoreLocal", "1"}});
        frmMain& w = window();
        w.logsFolder = dataHome->path() + "/no-such-folder/";
        w.cmdPulse_Click();
        const QString text = w.txtProcess->text();
        QVERIFY2(text.startsWith(kWait + kError + "\r\nPulse log: cannot open "), qPrintable(text));
        QVERIFY(text.contains("no-such-folder/pulsedata.txt"));
        QVERIFY(w.cmdPulse->isEnabled());
    }

    // ---- Alarm monitor -----------------------------------------------------

    void bannerStartsHiddenBoldCentredWithItsTip()
    {
        startWindow();
        frmMain& w = window();
        QVERIFY(w.lblAlarm->isHidden());
        QVERIFY(w.lblAlarm->font().bold());
        QCOMPARE(w.lblAlarm->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
        QCOMPARE(w.lblAlarm->toolTip(), QStringLiteral("Double-Click this Legend to Acknowledge Alarm."));
        QCOMPARE(w.lblAlarm->palette().color(QPalette::WindowText), QColor(192, 0, 0));
        QVERIFY(!w.alarmActive);
        QCOMPARE(w.alarmTickCount, qint16(0));
    }

    void timerRunsFromStartUpEverySecond()
    {
        fixture = std::make_unique<MainWindowFixture>();
        QVERIFY(window().tmrAlarm->isActive());
        QCOMPARE(window().tmrAlarm->interval(), 1000);
    }

    void firstCheckComesOnTheSixteenthTick()
    {
        server->setResponse("/cdata.htm", LocalHttpServer::body("100"));
        startWindow({{"MonitorAlarm", "1"}, {"AlarmInterval", "15"}});
        for (int i = 1; i <= 15; ++i)
            tick();
        QCOMPARE(server->requestCount("/cdata.htm"), 0);
        tick();
        QCOMPARE(server->requestCount("/cdata.htm"), 1);
        QVERIFY(server->requestLines().value(0).startsWith("GET /cdata.htm?t=05%2F12%2F2026%2014%3A03%3A27 "));
        QVERIFY(!window().alarmActive);
        QVERIFY(window().lblAlarm->isHidden());
    }

    void monitoringOffSendsNothing()
    {
        server->setResponse("/cdata.htm", LocalHttpServer::body("300"));
        startWindow({{"MonitorAlarm", "0"}, {"AlarmInterval", "0"}});
        for (int i = 0; i < 20; ++i)
            tick();
        QCOMPARE(server->requestCount("/cdata.htm"), 0);
        QCOMPARE(window().alarmTickCount, qint16(0));
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

    // A check that falls due while a slow pulse request waits: the check waits its
    // turn on the one client, and both get their own answers.
    void checkDuringSlowPulseRequestGetsItsOwnAnswer()
    {
        server->setResponse("/pdata.htm", {200, pulseBody(), LocalHttpServer::Mode::AnswerSlowly, 400, 0});
        server->setResponse("/cdata.htm", LocalHttpServer::body("300"));
        startWindow({{"MonitorAlarm", "1"}, {"AlarmInterval", "0"}});
        frmMain& w = window();
        QStringList events;
        connect(server.get(), &LocalHttpServer::requestReceived, this,
                [&](const QString& line) { events << "request " + line.section(' ', 1, 1).section('?', 0, 0); });
        connect(server.get(), &LocalHttpServer::responseSent, this,
                [&](const QString& path) { events << "answer " + path; });
        bool tickRanDuringPulse = false;
        connect(server.get(), &LocalHttpServer::requestReceived, this, [&](const QString& line) {
            if (line.contains("/pdata.htm"))
                QTimer::singleShot(50ms, this, [&] {
                    tickRanDuringPulse = !w.cmdPulse->isEnabled();
                    tick();
                });
        });

        w.cmdPulse_Click();

        QVERIFY(tickRanDuringPulse);
        QCOMPARE(w.txtProcess->text(), kWait + "\r\nGas Reading = 65541 Ltr/Min\r\nWater Reading = 131079 M/3");
        QVERIFY(w.alarmActive);
        QVERIFY(w.lblAlarm->text().endsWith("] 300 Amps => 240 Amps."));
        QCOMPARE(events, (QStringList{"request /pdata.htm", "answer /pdata.htm", "request /cdata.htm",
                                      "answer /cdata.htm"}));
        QVERIFY(w.cmdPulse->isEnabled());
    }

    void pulseClickedDuringSlowCheckGetsItsOwnAnswer()
    {
        server->setResponse("/pdata.htm", LocalHttpServer::body(pulseBody()));
        server->setResponse("/cdata.htm", {200, "100", LocalHttpServer::Mode::AnswerSlowly, 400, 0});
        startWindow({{"MonitorAlarm", "1"}, {"AlarmInterval", "0"}});
        frmMain& w = window();
        connect(server.get(), &LocalHttpServer::requestReceived, this, [&](const QString& line) {
            if (line.contains("/cdata.htm"))
                QTimer::singleShot(50ms, this, [&] { w.cmdPulse->click(); });
        });
        tick();
        QCOMPARE(w.txtProcess->text(), kWait + "\r\nGas Reading = 65541 Ltr/Min\r\nWater Reading = 131079 M/3");
        QVERIFY(!w.alarmActive);
        QCOMPARE(server->requestCount("/pdata.htm"), 1);
        QCOMPARE(server->requestCount("/cdata.htm"), 1);
    }
};

QTEST_MAIN(GatewayWindowTest)
#include "gateway_window_test.moc"
