// The gateway monitor end to end: a real HTTP server on 127.0.0.1 as the gateway,
// a text-mode modem on a real pseudo-terminal (ESC after the prompt cancels), real
// log files. Ticks are given by hand; the steady clock moves only when a test says.
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
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

// One tick by hand: the timer stops while the check is out and runs again after it,
// whatever the check's end; it is then kept out of the test (at once when the gateway is held).
void tick(MainWindowFixture& f, bool checkEnds = true)
{
    auto* timer = f.find<QTimer>("tmrAlarm");
    timer->start();  // running, as when it times out by itself
    QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
    QVERIFY(!timer->isActive());
    if (checkEnds)
        QTRY_VERIFY_WITH_TIMEOUT(timer->isActive(), 5000);
    timer->stop();
}

QStringList alarmLog(MainWindowFixture& f)
{
    return QString::fromUtf8(contentOf(f.folders().logs + "alarmdata.txt")).split("\r\n", Qt::SkipEmptyParts);
}

}  // namespace

class GatewayMonitorTest : public QObject {
    Q_OBJECT
    std::unique_ptr<GatewayServer> server;
    std::unique_ptr<PtyModem> modem;

    std::unique_ptr<MainWindowFixture> start(StoredSettings stored)
    {
        for (const auto& [key, text] : StoredSettings{{"MonitorAlarm", "1"},
                                                      {"AlarmInterval", "0"},
                                                      {"AlarmLog", "1"},
                                                      {"PulseData", "1"},
                                                      {"PulseURL", server->address().toStdString()}})
            stored.emplace(key, text);
        if (modem)
            stored.emplace("CommPort", modem->port());
        auto f = std::make_unique<MainWindowFixture>(lumivane::test::WindowOptions{.stored = stored});
        f->find<QTimer>("tmrAlarm")->stop();
        return f;
    }

    void startModem(const std::function<void(PtyModem&)>& script = {})
    {
        modem = std::make_unique<PtyModem>();
        QVERIFY2(modem->error().empty(), modem->error().c_str());
        modem->actAsWorkingModem();
        if (script)
            script(*modem);
        modem->start();
    }

private slots:
    void init() { server = std::make_unique<GatewayServer>(); }
    void cleanup()
    {
        modem.reset();
        server.reset();
    }

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
            auto f = start({{"StoreLocal", "1"}, {"S2Multi", "0.5"}});
            if (!row.logsFolderKept)
                QVERIFY(QDir(f->folders().logs).removeRecursively());
            if (row.behindCheck) {
                tick(*f, false);
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
        // The dialogue lasts a while.
        startModem([](PtyModem& m) { m.setReplyDelay(std::chrono::milliseconds(150)); });
        server->setCurrents({"250"});
        server->setMode("/cdata.htm", Mode::Hold);
        auto f = start({{"SendSMS", "1"},
                        {"SMSNumber", "+44 7700 900999"},
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
        tick(*f, false);
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

        f->clock().set("05/12/2026", "14:10:00");
        QTest::mouseDClick(banner, Qt::LeftButton);
        QVERIFY(banner->isHidden());
        QVERIFY(contentOf(alarmLog).endsWith("\"?\"\r\nAcknowledged: [05/12/2026 14:10:00]\r\n"));
    }

    // A silent gateway raises the no-data alarm once NoDataMinutes have passed without a
    // good reading; checks go on, and the first answer is recorded. The status line
    // says what the gateway last did. Monitoring goes on after every kind of check.
    void silentGatewayRaisesTheNoDataAlarmUntilItAnswers()
    {
        server->setMode("/cdata.htm", Mode::CutShort);
        auto f = start({{"NoDataMinutes", "1"}});
        auto* banner = f->find<EventLabel>("lblAlarm");
        auto* status = f->find<QLabel>("lblStatus");
        tick(*f);
        QCOMPARE(status->text(), "Gateway: no answer since 14:03:27 (1 check)");
        QVERIFY(banner->isHidden());
        f->advanceSteadyClock(std::chrono::seconds(61));
        f->clock().set("05/12/2026", "14:04:28");
        tick(*f);
        QVERIFY(!banner->isHidden());
        QCOMPARE(banner->text(), "NO DATA FROM GATEWAY: [05/12/2026 14:04:28] no good reading since start-up");
        QCOMPARE(status->text(), "Gateway: no answer since 14:03:27 (2 checks)");
        tick(*f);  // during the no-data alarm the checks go on
        QCOMPARE(status->text(), "Gateway: no answer since 14:03:27 (3 checks)");
        server->setMode("/cdata.htm", Mode::Answer);
        server->setCurrents({"231"});
        f->clock().set("05/12/2026", "14:05:00");
        tick(*f);
        QCOMPARE(status->text(), "Gateway: last good reading 14:05:00, 231 A");
        QCOMPARE(alarmLog(*f),
                 (QStringList{"NO DATA FROM GATEWAY: [05/12/2026 14:04:28] no good reading since start-up",
                              "Gateway answering again: [05/12/2026 14:05:00]"}));
        server->setCurrents({"high"});
        tick(*f);  // an answer that is refused: checks go on
    }

    // Over a modem that cancels on ESC, the alarm reaches every recipient: after the
    // prompt only printable bytes and the final Ctrl-Z. The results area and the alarm
    // log hold one stamped line per recipient, also with AlarmLog 0.
    void alarmSmsReachesEachRecipientInPrintableText()
    {
        startModem();
        server->setCurrents({"250"});
        auto f = start({{"SendSMS", "1"},
                        {"AlarmLog", "0"},
                        {"SMSNumber", "07700900111, +44 7700 900222"},
                        {"SMSAlarmMsg", "Pump@{2}"}});
        tick(*f);
        QTRY_COMPARE_WITH_TIMEOUT(alarmLog(*f).size(), 2, 10000);
        const QString stamp = "[05/12/2026 14:03:27] for the alarm of [05/12/2026 14:03:27] to ";
        const QString note = "; 5 character(s) the modem cannot take were sent as look-alikes or \"?\"";
        QCOMPARE(alarmLog(*f), (QStringList{"Alarm SMS sent: " + stamp + "07700900111" + note,
                                            "Alarm SMS sent: " + stamp + "+44 7700 900222" + note}));
        QCOMPARE(modem->messagesSent(), 2);
        // What followed the first prompt, up to its Ctrl-Z: only printable bytes, no ESC.
        QCOMPARE(modem->commands().at(4), std::string("Pump(at)(2): (05/12/2026 14:03:27) 250 Amps => 240 Amps.\x1a"));
    }

    // A refusal is recorded at once with the modem's diagnosis, tried again after each
    // retry wait with the port free in between, and given up after the last try.
    void refusedAlarmSmsIsExplainedAndTriedAgain()
    {
        startModem([](PtyModem& m) {
            m.refuse("AT+CMGS=", "+CME ERROR: 11");
            m.setStatus("SIM PIN", "0,0", "3,99");
        });
        server->setCurrents({"250"});
        auto f = start({{"SendSMS", "1"}, {"SMSNumber", "07700900111"}});
        tick(*f);
        QTRY_COMPARE_WITH_TIMEOUT(alarmLog(*f).size(), 2, 5000);  // at once, not after time-outs
        const QString why = ": the SIM needs its PIN (+CME ERROR: 11) to AT+CMGS; the modem reports: the SIM "
                            "needs its PIN, not registered, signal 3 of 31; 2 character(s) the modem cannot take were "
                            "sent as look-alikes or \"?\"";
        const QString head =
            "Alarm SMS not sent: [05/12/2026 14:03:27] for the alarm of [05/12/2026 14:03:27] to 07700900111";
        QCOMPARE(alarmLog(*f).at(1), head + why + "; tried again in 0 s");
        QVERIFY(f->find<QLabel>("lblStatus")->text().endsWith("Alarm SMS: waiting to try again"));
        QVERIFY(QSerialPort(QString::fromStdString(modem->port())).open(QIODevice::ReadWrite));
        QTRY_COMPARE_WITH_TIMEOUT(alarmLog(*f).size(), 4, 5000);
        QCOMPARE(alarmLog(*f).at(2), head + why + " (try 2); tried again in 0 s");
        QCOMPARE(alarmLog(*f).at(3), head + why + " (try 3); no more tries");
        QCOMPARE(modem->messagesSent(), 0);
    }

    // Closing while an alarm SMS is on its way asks first (No keeps the window); closed
    // anyway, the SMS is recorded as abandoned.
    void closingDuringAnAlarmSmsAsksAndRecordsItAbandoned()
    {
        startModem([](PtyModem& m) { m.setReplyDelay(std::chrono::milliseconds(400)); });
        server->setCurrents({"250"});
        auto f = start({{"SendSMS", "1"}, {"SMSNumber", "07700900111"}});
        f->window().show();
        tick(*f);
        QTRY_VERIFY_WITH_TIMEOUT(f->find<QLabel>("lblStatus")->text().contains("Alarm SMS: sending (AT"), 5000);
        f->answer = QMessageBox::No;
        QVERIFY(!f->window().close());
        QCOMPARE(f->messages, QStringList{"An alarm SMS is still being sent. Close anyway?"});
        f->answer = QMessageBox::Yes;
        QVERIFY(f->window().close());
        QCOMPARE(
            alarmLog(*f).constLast(),
            "Alarm SMS abandoned: [05/12/2026 14:03:27] for the alarm of [05/12/2026 14:03:27] to 07700900111: the "
            "program was closed");
    }
};

QTEST_MAIN(GatewayMonitorTest)
#include "gateway_monitor_test.moc"
