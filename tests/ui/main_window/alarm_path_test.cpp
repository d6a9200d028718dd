// The alarm path end to end: a real HTTP server on 127.0.0.1 as the gateway, a
// text-mode modem on a real pseudo-terminal (ESC after the prompt cancels), real
// log files. Ticks are given by hand; the steady clock moves only when a test says.
#include <QLabel>
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

// One tick by hand; once its check has ended, the timer it starts again is stopped.
void tick(MainWindowFixture& f)
{
    auto* timer = f.find<QTimer>("tmrAlarm");
    QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
    QTRY_VERIFY_WITH_TIMEOUT(timer->isActive(), 5000);
    timer->stop();
}

QStringList alarmLog(MainWindowFixture& f)
{
    return QString::fromUtf8(contentOf(f.folders().logs + "alarmdata.txt")).split("\r\n", Qt::SkipEmptyParts);
}

}  // namespace

class AlarmPathTest : public QObject {
    Q_OBJECT
    std::unique_ptr<GatewayServer> server;
    std::unique_ptr<PtyModem> modem;

    std::unique_ptr<MainWindowFixture> start(StoredSettings stored)
    {
        for (const auto& [key, text] : StoredSettings{{"MonitorAlarm", "1"},
                                                      {"AlarmInterval", "0"},
                                                      {"AlarmLog", "1"},
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

    // The timer runs again after every kind of check: a good one, one the gateway
    // never answered, and one whose answer was refused.
    void monitoringGoesOnAfterEveryCheck()
    {
        const struct {
            const char* name;
            Mode mode;
            const char* current;
        } rows[] = {
            {"good", Mode::Answer, "231"}, {"failed", Mode::CutShort, "231"}, {"refused", Mode::Answer, "high"}};
        for (const auto& row : rows) {
            server->setMode("/cdata.htm", row.mode);
            server->setCurrents({row.current});
            auto f = start({});
            auto* timer = f->find<QTimer>("tmrAlarm");
            QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
            QVERIFY2(!timer->isActive(), row.name);  // stopped while the check is out
            QTRY_VERIFY2_WITH_TIMEOUT(timer->isActive(), row.name, 5000);
        }
    }

    // A silent gateway raises the no-data alarm once NoDataMinutes have passed without a
    // good reading; checks go on, and the first answer is recorded. The status line
    // says what the gateway last did.
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
        QCOMPARE(modem->messagesCancelled(), 0);
        // What followed the first prompt, up to its Ctrl-Z.
        const std::string bytes = modem->received(), prompted = bytes.substr(bytes.find("900111\"\r") + 8);
        QCOMPARE(prompted.substr(0, prompted.find('\x1a') + 1),
                 std::string("Pump(at)(2): (05/12/2026 14:03:27) 250 Amps => 240 Amps.\x1a"));
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
        QElapsedTimer took;
        took.start();
        tick(*f);
        QTRY_COMPARE_WITH_TIMEOUT(alarmLog(*f).size(), 2, 5000);
        QVERIFY(took.elapsed() < 5000);
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

QTEST_MAIN(AlarmPathTest)
#include "alarm_path_test.moc"
