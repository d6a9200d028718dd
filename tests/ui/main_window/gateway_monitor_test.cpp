// The gateway monitor end to end: a real HTTP server on 127.0.0.1, real log
// files, and for the alarm SMS a scripted modem on a real pseudo-terminal.
// Ticks are given by hand; the real timer is kept out of the test.
#include <QDir>
#include <QPushButton>
#include <QTimer>

#include "support/gateway_server.h"
#include "support/main_window_fixture.h"
#include "support/pty_modem.h"
#include "ui/widgets/event_label.h"

using lumivane::test::contentOf;
using lumivane::test::GatewayServer;
using lumivane::test::MainWindowFixture;
using lumivane::test::PtyModem;
using lumivane::test::StoredSettings;
using Mode = GatewayServer::Mode;

namespace {

const QString kWait = "\r\nPlease wait, retrieving pulse readings.";
const QString kReadings = "\r\nGas Reading = 65541 Ltr/Min\r\nWater Reading = ";
const QString kQueued = "\r\nWaiting for the current check to finish before asking the gateway.";

// 32 words: counter 1 = 65541 and counter 2 = 131079.
const QByteArray kPulseBody = "5,1," + QByteArray("0,").repeated(28) + "7,2";

// One tick by hand; the timer the tick starts again (at once, or once its check
// has ended) is kept out of the test.
void tick(MainWindowFixture& f)
{
    auto* timer = f.find<QTimer>("tmrAlarm");
    QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
    timer->stop();
}

}  // namespace

class GatewayMonitorTest : public QObject {
    Q_OBJECT
    std::unique_ptr<GatewayServer> server;

    std::unique_ptr<MainWindowFixture> start(StoredSettings stored)
    {
        stored.emplace("PulseData", "1");
        stored.emplace("PulseURL", server->address().toStdString());
        auto f = std::make_unique<MainWindowFixture>(lumivane::test::WindowOptions{.stored = stored});
        f->find<QTimer>("tmrAlarm")->stop();
        return f;
    }

private slots:
    void pulseButtonShowsAndLogsTheReadingsOrSaysWhatFailed()
    {
        const QByteArray logged = "\r\nS1=65541, S2=131079, DT=05/12/2026 14:03:29\r\n";
        const struct {
            const char* name;
            Mode mode;
            bool logsFolderKept, behindCheck;  // behind: asked while a check is on the wire
            QString shown;                     // after "Please wait"
            QByteArray log;
        } rows[] = {{"readings, S2 multiplier 0.5", Mode::Answer, true, false, kReadings + "65539.5 M/3", logged},
                    {"queued behind a check", Mode::Answer, true, true, kQueued + kReadings, logged},
                    {"cut mid-body", Mode::CutShort, true, false, "\r\nERROR retrieving data from server!\r\n", "\r\n"},
                    // Faults of this computer are not blamed on the server.
                    {"logs folder removed", Mode::Answer, false, false,
                     "\r\nERROR writing the pulse log:\r\ncannot open ", "<unreadable>"}};
        for (const auto& row : rows) {
            server = std::make_unique<GatewayServer>();
            server->setPulseBody(kPulseBody);
            server->setMode("/pdata.htm", row.mode);
            server->setCurrents({"100"});
            server->setMode("/cdata.htm", Mode::Hold);
            auto f = start({{"StoreLocal", "1"}, {"S2Multi", "0.5"}, {"MonitorAlarm", "1"}, {"AlarmInterval", "0"}});
            if (!row.logsFolderKept)
                QVERIFY(QDir(f->folders().logs).removeRecursively());
            if (row.behindCheck) {
                tick(*f);
                QTRY_COMPARE(server->requestCount("/cdata.htm"), 1);
            }
            auto* pulse = f->find<QPushButton>("cmdPulse");
            QString textWhileWaiting;
            bool enabledWhileWaiting = true;
            const auto c = connect(server.get(), &GatewayServer::requestReceived, this, [&] {
                enabledWhileWaiting = pulse->isEnabled();
                textWhileWaiting = f->results();
                f->clock().set("05/12/2026", "14:03:29");  // the clock moves on while the gateway answers
            });
            QTest::mouseClick(pulse, Qt::LeftButton);
            // A queued request takes its time stamp when it goes out, after the check.
            if (row.behindCheck) {
                f->clock().set("05/12/2026", "14:03:28");
                server->release();
            }
            QTRY_VERIFY_WITH_TIMEOUT(pulse->isEnabled(), 20000);
            disconnect(c);

            QVERIFY2(f->results().startsWith(kWait + row.shown) && f->results().size() < 400,
                     qPrintable(row.name + (": " + f->results().left(300))));
            QCOMPARE(textWhileWaiting, kWait + (row.behindCheck ? kQueued : ""));
            QVERIFY(!enabledWhileWaiting);
            QCOMPARE(contentOf(f->folders().logs + "pulsedata.txt"), row.log);
            const QString sentAt = row.behindCheck ? "14%3A03%3A28" : "14%3A03%3A27";
            QCOMPARE(server->requestLines().constLast(), "GET /pdata.htm?t=05%2F12%2F2026%20" + sentAt + " HTTP/1.1");
        }
    }

    // Edit Settings opened while a check waits, and again while the alarm SMS runs:
    // neither holds the work up. The banner and the record come before the SMS,
    // whose outcome follows in the results area and the alarm log; a double click
    // on the banner acknowledges the alarm.
    void alarmCheckAndSmsGoOnWhileTheSettingsDialogIsOpenAndAreAcknowledged()
    {
        server = std::make_unique<GatewayServer>();
        const auto modem = std::make_unique<PtyModem>();
        modem->actAsWorkingModem();
        QVERIFY2(modem->error().empty(), modem->error().c_str());
        modem->setReplyDelay(std::chrono::milliseconds(150));  // the dialogue lasts a while
        modem->start();
        server->setCurrents({"250"});
        server->setMode("/cdata.htm", Mode::Hold);
        auto f = start({{"MonitorAlarm", "1"},
                        {"AlarmInterval", "0"},
                        {"SendSMS", "1"},
                        {"AlarmLog", "1"},
                        {"SMSNumber", "+44 7700 900999"},
                        {"CommPort", modem->port()},
                        {"SMSAlarmMsg", "<font color=green size=6>ALL CLEAR</font><!--\t"}});
        auto* banner = f->find<EventLabel>("lblAlarm");
        const QString alarmLog = f->folders().logs + "alarmdata.txt";
        // A stored text is shown as it stands, never as markup; its control characters are blanks.
        const QString message =
            "<font color=green size=6>ALL CLEAR</font><!-- : [05/12/2026 14:03:27] 250 Amps => 240 Amps.";
        bool checkPending = false, smsRunning = false;
        QByteArray logWhenSmsRan;
        connect(
            server.get(), &GatewayServer::requestReceived, this,
            [&] {
                checkPending = banner->isHidden();
                server->release();  // the answer travels while the dialog opens
                f->throughSettingsButton([&] { QTRY_VERIFY_WITH_TIMEOUT(!banner->isHidden(), 20000); });
                smsRunning = !f->results().contains("Alarm SMS");
                logWhenSmsRan = contentOf(alarmLog);
                f->throughSettingsButton([&] { QTRY_VERIFY_WITH_TIMEOUT(f->results().contains("Alarm SMS"), 20000); });
            },
            Qt::SingleShotConnection);
        tick(*f);
        QTRY_VERIFY_WITH_TIMEOUT(f->results().contains("Alarm SMS"), 20000);
        f->find<QTimer>("tmrAlarm")->stop();
        QVERIFY(checkPending && smsRunning);
        // Too long for the banner: only the operator's text gives way.
        const QString tail = ": [05/12/2026 14:03:27] 250 Amps => 240 Amps.";
        QVERIFY2(banner->text().endsWith(u'\u2026' + tail), qPrintable(banner->text()));
        QVERIFY(message.startsWith(banner->text().section(u'\u2026', 0, 0)));
        QCOMPARE(banner->textFormat(), Qt::PlainText);
        QCOMPARE(logWhenSmsRan, ("\r\n" + message + "\r\n").toUtf8());
        const QString sent =
            "Alarm SMS sent: [05/12/2026 14:03:27] for the alarm of [05/12/2026 14:03:27] to +44 7700 900999"
            "; 2 character(s) the modem cannot take were sent as look-alikes or \"?\"";
        QVERIFY2(f->results().endsWith("\r\n" + sent), qPrintable(f->results()));
        QCOMPARE(contentOf(alarmLog), ("\r\n" + message + "\r\n" + sent + "\r\n").toUtf8());
        modem->stop();
        QCOMPARE(modem->commands().at(3), "AT+CMGS=\"+447700900999\"\r");

        f->clock().set("05/12/2026", "14:10:00");
        QTest::mouseDClick(banner, Qt::LeftButton);
        QVERIFY(banner->isHidden());
        QVERIFY(contentOf(alarmLog).endsWith("\"?\"\r\nAcknowledged: [05/12/2026 14:10:00]\r\n"));
    }
};

QTEST_MAIN(GatewayMonitorTest)
#include "gateway_monitor_test.moc"
