// The gateway monitor end to end: a real HTTP server on 127.0.0.1, real log
// files, and for the alarm SMS a scripted modem on a real pseudo-terminal.
// Ticks are given by hand; the real timer is kept out of the test.
#include <QDir>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "support/local_http_server.h"
#include "support/main_window_fixture.h"
#include "support/modem_on_pty.h"
#include "ui/widgets/event_label.h"

using lumivane::test::contentOf;
using lumivane::test::LocalHttpServer;
using lumivane::test::MainWindowFixture;
using lumivane::test::StoredSettings;
using Mode = LocalHttpServer::Mode;

namespace {

const QString kWait = "\r\nPlease wait, retrieving pulse readings.";
const QString kError = "\r\nERROR retrieving data from server!\r\n";
const QString kReadings = "\r\nGas Reading = 65541 Ltr/Min\r\nWater Reading = ";

// 32 words: counter 1 = 65541 and counter 2 = 131079 unless changed.
QByteArray pulseBody(const QByteArray& field30 = "7")
{
    QList<QByteArray> fields(32, "0");
    fields[0] = "5";
    fields[1] = "1";
    fields[30] = field30;
    fields[31] = "2";
    return fields.join(',');
}

void tick(MainWindowFixture& f)
{
    auto* timer = f.find<QTimer>("tmrAlarm");
    QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
    timer->stop();
}

}  // namespace

class GatewayMonitorTest : public QObject {
    Q_OBJECT
    std::unique_ptr<LocalHttpServer> server;

    std::unique_ptr<MainWindowFixture> start(StoredSettings stored)
    {
        stored.emplace("PulseData", "1");
        stored.emplace("PulseURL", server->address().toStdString());
        auto f = std::make_unique<MainWindowFixture>(lumivane::test::WindowOptions{.stored = stored});
        f->find<QTimer>("tmrAlarm")->stop();
        return f;
    }

private slots:
    void init()
    {
        server = std::make_unique<LocalHttpServer>();
        QVERIFY(server->start());
    }

    void pulseButtonShowsAndLogsTheReadingsOrSaysWhatFailed_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("mode");
        QTest::addColumn<StoredSettings>("stored");
        QTest::addColumn<QString>("shown");  // after "Please wait"
        QTest::addColumn<QByteArray>("log");
        const QByteArray empty = "\r\n", stamped = "\r\nS1=65541, S2=131079, DT=05/12/2026 14:03:29\r\n";
        const auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };
        row("readings, S2 multiplier 0.5") << pulseBody() << 0 << StoredSettings{{"S2Multi", "0.5"}}
                                           << kReadings + "65539.5 M/3" << stamped;
        row("StoreLocal 2: no record") << pulseBody() << 0 << StoredSettings{{"StoreLocal", "2"}}
                                       << kReadings + "131079 M/3" << empty;
        row("a field of 40000") << pulseBody("40000") << 0 << StoredSettings{}
                                << kError + "Pulse data refused: field 30 \"40000\" is not a 16-bit number" << empty;
        row("empty body") << QByteArray() << 0 << StoredSettings{} << kError.chopped(2) << empty;
        row("cut mid-body") << QByteArray(4000, '1') << int(Mode::CloseMidBody) << StoredSettings{} << kError << empty;
        row("flooded") << QByteArray() << int(Mode::HugeBody) << StoredSettings{} << kError << empty;
        row("gateway unreachable") << QByteArray() << -1 << StoredSettings{} << kError + "the gateway 127.0.0.1:" << empty;
        row("logs folder removed") << pulseBody() << -2 << StoredSettings{} << kError + "Pulse log: cannot open "
                                   << QByteArray("<unreadable>");
    }

    void pulseButtonShowsAndLogsTheReadingsOrSaysWhatFailed()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, mode);
        QFETCH(StoredSettings, stored);
        QFETCH(QString, shown);
        QFETCH(QByteArray, log);
        server->setResponse("/pdata.htm", {200, body, Mode(std::max(mode, 0)), 0, 10 * 1024 * 1024});
        stored.emplace("StoreLocal", "1");
        if (mode == -1)
            stored["PulseURL"] = QString("127.0.0.1:%1").arg(lumivane::test::closedLoopbackPort()).toStdString();
        auto f = start(stored);
        if (mode == -2)
            QVERIFY(QDir(f->folders().logs).removeRecursively());
        auto* pulse = f->find<QPushButton>("cmdPulse");
        QString textWhileWaiting = kWait;
        bool enabledWhileWaiting = false;
        const auto c = connect(server.get(), &LocalHttpServer::requestReceived, this, [&] {
            enabledWhileWaiting = pulse->isEnabled();
            textWhileWaiting = f->results();
            f->clock().set("05/12/2026", "14:03:29");  // the clock moves on while the gateway answers
        });
        QTest::mouseClick(pulse, Qt::LeftButton);
        disconnect(c);

        QCOMPARE(textWhileWaiting, kWait);
        QVERIFY(!enabledWhileWaiting);
        QVERIFY2(f->results().startsWith(kWait + shown) && f->results().size() < 400, qPrintable(f->results().left(300)));
        QCOMPARE(contentOf(f->folders().logs + "pulsedata.txt"), log);
        QVERIFY(pulse->isEnabled());
        if (mode >= 0)
            QCOMPARE(server->requestLines().constLast(), "GET /pdata.htm?t=05%2F12%2F2026%2014%3A03%3A27 HTTP/1.1");
    }

    void alarmIsRaisedSentBlinksAndIsAcknowledged_data()
    {
        QTest::addColumn<bool>("logsFolderKept");
        QTest::newRow("alarm log written") << true;
        QTest::newRow("logs folder removed while monitoring") << false;
    }

    void alarmIsRaisedSentBlinksAndIsAcknowledged()
    {
        QFETCH(bool, logsFolderKept);
        lumivane::test::ModemOnPty line;
        QVERIFY2(line.isOpen(), line.error());
        line.modem().actAsWorkingModem();
        line.modem().start();
        server->setResponses("/cdata.htm", {LocalHttpServer::body("250"), LocalHttpServer::body("100")});
        auto f = start({{"MonitorAlarm", "1"}, {"AlarmInterval", "0"}, {"SendSMS", "1"}, {"AlarmLog", "1"},
                        {"SMSNumber", "07700900999"}, {"CommPort", line.port().toStdString()}});
        const QString alarmLog = f->folders().logs + "alarmdata.txt";
        if (!logsFolderKept)
            QVERIFY(QDir(f->folders().logs).removeRecursively());
        auto* banner = f->find<EventLabel>("lblAlarm");
        const QColor red(192, 0, 0), windowText = f->window().palette().color(QPalette::WindowText);
        const QString message = "OVER CURRENT ALARM: [05/12/2026 14:03:27] 250 Amps => 240 Amps.";
        const int before = server->requestCount("/cdata.htm");

        tick(*f);  // the check raises the alarm; the banner shows from the next tick
        QCOMPARE(banner->text(), message);
        QVERIFY(banner->isHidden());
        line.modem().stop();
        const auto commands = line.modem().commands();
        QCOMPARE(std::count(commands.begin(), commands.end(), "AT+CMGS=\"07700900999\"\r"), 1);
        QCOMPARE(commands.back(), message.toStdString() + "\x1a");
        QCOMPARE(contentOf(alarmLog), logsFolderKept ? ("\r\n" + message + "\r\n").toUtf8() : "<unreadable>");
        QCOMPARE(f->results().contains(alarmLog), !logsFolderKept);

        // It blinks, and no check is made while it is active.
        for (const QColor& colour : {red, windowText, red}) {
            tick(*f);
            QVERIFY(!banner->isHidden());
            QCOMPARE(banner->palette().color(QPalette::WindowText), colour);
        }
        QCOMPARE(server->requestCount("/cdata.htm"), before + 1);

        f->clock().set("05/12/2026", "14:10:00");
        QTest::mouseDClick(banner, Qt::LeftButton);
        QVERIFY(banner->isHidden());
        QCOMPARE(banner->text(), QStringLiteral("Acknowledged"));
        if (logsFolderKept)
            QCOMPARE(contentOf(alarmLog), ("\r\n" + message + "\r\nAcknowledged: [05/12/2026 14:10:00]\r\n").toUtf8());
        tick(*f);  // monitoring resumes
        QCOMPARE(server->requestCount("/cdata.htm"), before + 2);
    }
};

QTEST_MAIN(GatewayMonitorTest)
#include "gateway_monitor_test.moc"
