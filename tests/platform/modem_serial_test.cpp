// The SMS dialogue played over a real pseudo-terminal, with a scripted modem on
// the other end.
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <numeric>

#include <sys/stat.h>

#include "core/gateway/modem_dialogue.h"
#include "platform/serial_modem.h"
#include "support/modem_on_pty.h"
#include "support/wait_for_result.h"

using lumivane::SerialModem;
using lumivane::test::portCanBeOpenedAgain;
using lumivane::test::ScriptedModem;
using lumivane::test::sendAndWait;
using namespace std::chrono_literals;

namespace {

// The device number of a character device (0 when there is none).
dev_t deviceOf(const QString& path)
{
    struct stat device {};
    if (::stat(path.toLocal8Bit().constData(), &device) != 0 || !S_ISCHR(device.st_mode))
        return 0;
    return device.st_rdev;
}

// How many of this process's file descriptors refer to the device; counted by
// device number, which still matches once the modem side has hung up and the
// device's path is gone.
int descriptorsOpenOn(dev_t device)
{
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        struct stat target {};
        if (::stat(fds.filePath(fd).toLocal8Bit().constData(), &target) == 0 && S_ISCHR(target.st_mode) &&
            target.st_rdev == device)
            ++count;
    }
    return count;
}

// The port's descriptors in this process when the watch began, to tell later
// that a dialogue let the port go.
struct PortWatch {
    explicit PortWatch(const QString& path) : device(deviceOf(path)), before(descriptorsOpenOn(device)) {}
    bool released() const { return device != 0 && descriptorsOpenOn(device) == before; }
    dev_t device;
    int before;
};

// Keeps the time-out texts a dialogue reports as it goes.
std::function<void(const QString&)> collect(QStringList& heard)
{
    return [&heard](const QString& text) { heard << text; };
}

std::vector<std::string> cleanSession(const std::string& number, const std::string& message)
{
    return {"ATZ\r", "AT+CMGF=1\r", "AT+CSCS=\"GSM\"\r", "AT+CMGS=\"" + number + "\"\r", message + '\x1a'};
}

}  // namespace

class ModemSerialTest : public lumivane::test::ModemOnPtyTestCase {
    Q_OBJECT

private slots:

    void aPortStillHeldCannotBeOpenedAgain()
    {
        // What the "port released" checks below rely on.
        const PortWatch watch(port);
        QVERIFY(watch.device != 0);
        QSerialPort held(port);
        QVERIFY(held.open(QIODevice::ReadWrite));
        QVERIFY(!portCanBeOpenedAgain(port));
        QVERIFY(!watch.released());
        held.close();
        QVERIFY(portCanBeOpenedAgain(port));
        QVERIFY(watch.released());
    }

    void workingModemGetsTheExactBytes_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("messageReply");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QByteArray>("numberWritten");
        QTest::addColumn<QByteArray>("textWritten");
        const QByteArray confirmed("\r\n+CMGS: 12\r\n\r\nOK\r\n");
        QTest::newRow("clean") << kNumber << QStringLiteral("Pump 2 stopped") << confirmed << kSentOk
                               << kNumber.toLatin1() << QByteArray("Pump 2 stopped");
        QTest::newRow("ERROR to the text") << kNumber << QStringLiteral("hello") << QByteArray("\r\nERROR\r\n")
                                           << QStringLiteral("The modem answered ERROR to the message.")
                                           << kNumber.toLatin1() << QByteArray("hello");
        QTest::newRow("coded error to the text")
            << kNumber << QStringLiteral("hello") << QByteArray("\r\n+CMS ERROR: 500\r\n")
            << QStringLiteral("The modem answered +CMS ERROR: 500 to the message.") << kNumber.toLatin1()
            << QByteArray("hello");
        // The number loses its blanks, brackets and hyphens; the text is written in the
        // GSM alphabet: "£" is 0x01, "[" goes through the escape, Ctrl-Z and ESC become "?".
        QTest::newRow("grouped number, GSM text")
            << QStringLiteral("+44 (7700) 900-123")
            << QStringLiteral("a") + QChar(26) + QStringLiteral("b") + QChar(27) + QStringLiteral("c \u00A35[")
            << confirmed << kSentOk << QByteArray("+447700900123") << QByteArray("a?b?c \x01" "5\x1b<");
    }

    void workingModemGetsTheExactBytes()
    {
        QFETCH(QString, number);
        QFETCH(QString, message);
        QFETCH(QByteArray, messageReply);
        QFETCH(QString, result);
        QFETCH(QByteArray, numberWritten);
        QFETCH(QByteArray, textWritten);
        modem->actAsWorkingModem(messageReply.toStdString());
        modem->start();
        const PortWatch watch(port);
        SerialModem serial;
        QCOMPARE(sendAndWait(serial, port, kSettings, number, message), result);
        modem->stop();
        const std::vector<std::string> expected = cleanSession(numberWritten.toStdString(), textWritten.toStdString());
        QCOMPARE(modem->commands(), expected);
        QCOMPARE(modem->received(), std::accumulate(expected.begin(), expected.end(), std::string()));
        QVERIFY(!serial.isPortOpen());
        QVERIFY(!serial.isBusy());
        QVERIFY(watch.released());
        QVERIFY(portCanBeOpenedAgain(port));
    }

    void silentModemTimesOutEveryExchangeAndReleasesThePort()
    {
        modem->start();
        const PortWatch watch(port);
        SerialModem serial;
        serial.setReplyTimeout(300ms);
        QStringList heard;
        const QString result = sendAndWait(serial, port, kSettings, kNumber, QStringLiteral("hello"), collect(heard));
        const QStringList expected = {QStringLiteral("ATZ - Timeout"), QStringLiteral("AT+CMGF=1: Timeout"),
                                      QStringLiteral("AT+CSCS= Timeout"), QStringLiteral(">Prompt Timeout"),
                                      QStringLiteral("Message Timeout")};
        QCOMPARE(heard, expected);
        QCOMPARE(result, QStringList(expected.mid(0, 4) << QString::fromLatin1(lumivane::kNotConfirmedInTime))
                             .join(QLatin1Char('\n')));
        modem->stop();
        QCOMPARE(modem->commands().size(), std::size_t(5));  // a time-out does not stop the dialogue
        QVERIFY(!serial.isPortOpen());
        QVERIFY(watch.released());
        QVERIFY(portCanBeOpenedAgain(port));
    }

    void echoingModem_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("messageReply");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QStringList>("timeouts");
        // The echo of an awaited word is no answer: the wait goes on for the modem's own.
        QTest::newRow("echoed +CMGS:, never confirmed")
            << QStringLiteral("level +CMGS: high") << QByteArray()
            << QString::fromLatin1(lumivane::kNotConfirmedInTime) << QStringList{"Message Timeout"};
        QTest::newRow("echoed ERROR, then confirmed") << QStringLiteral("ERROR on pump 2")
                                                      << QByteArray("\r\n+CMGS: 12\r\n\r\nOK\r\n") << kSentOk
                                                      << QStringList();
        QTest::newRow("clean dialogue") << QStringLiteral("Pump 2 stopped")
                                        << QByteArray("\r\n+CMGS: 12\r\n\r\nOK\r\n") << kSentOk << QStringList();
    }

    void echoingModem()
    {
        QFETCH(QString, message);
        QFETCH(QByteArray, messageReply);
        QFETCH(QString, result);
        QFETCH(QStringList, timeouts);
        modem->setEcho(true);
        modem->actAsWorkingModem(messageReply.toStdString());
        modem->start();
        SerialModem serial;
        serial.setReplyTimeout(500ms);
        QStringList heard;
        QCOMPARE(sendAndWait(serial, port, kSettings, kNumber, message, collect(heard)), result);
        QCOMPARE(heard, timeouts);
    }

    void portThatDoesNotExistFailsWithAClearText_data()
    {
        QTest::addColumn<QString>("portText");
        QTest::addColumn<QStringList>("named");
        QTest::newRow("missing device") << QStringLiteral("/dev/does-not-exist")
                                        << QStringList{"/dev/does-not-exist", "cannot be opened"};
        QTest::newRow("port number 3") << QStringLiteral("3") << QStringList{"/dev/ttyS2"};
        QTest::newRow("COM3") << QStringLiteral("COM3") << QStringList{"/dev/ttyS2"};
        QTest::newRow("neither number nor path") << QStringLiteral("COM three") << QStringList{"\"COM three\""};
    }

    void portThatDoesNotExistFailsWithAClearText()
    {
        QFETCH(QString, portText);
        QFETCH(QStringList, named);
        if (named.contains(QStringLiteral("/dev/ttyS2")) && QFileInfo::exists(QStringLiteral("/dev/ttyS2")))
            QSKIP("this machine has a /dev/ttyS2; the test needs it absent");
        SerialModem serial;
        serial.setReplyTimeout(300ms);
        const QString result = sendAndWait(serial, portText, kSettings, kNumber, QStringLiteral("hello"));
        for (const QString& text : named)
            QVERIFY2(result.contains(text), qPrintable(result));
        QVERIFY(!serial.isBusy());
    }

    void badLineSettingsFailBeforeAnythingIsWritten_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("named");
        QTest::newRow("parity x") << QStringLiteral("9600,x,8,1") << QStringLiteral("parity");
        QTest::newRow("speed fast") << QStringLiteral("fast,n,8,1") << QStringLiteral("speed");
        // Valid settings, but a POSIX terminal has no such mode: found once the port is open.
        QTest::newRow("1.5 stop bits") << QStringLiteral("9600,n,8,1.5")
                                       << QStringLiteral("cannot take the line settings");
    }

    void badLineSettingsFailBeforeAnythingIsWritten()
    {
        QFETCH(QString, settings);
        QFETCH(QString, named);
        modem->actAsWorkingModem();
        modem->start();
        const PortWatch watch(port);
        SerialModem serial;
        const QString result = sendAndWait(serial, port, settings, kNumber, QStringLiteral("hello"));
        modem->stop();
        QVERIFY2(result.contains(QLatin1Char('"') + settings + QLatin1Char('"')), qPrintable(result));
        QVERIFY2(result.contains(named), qPrintable(result));
        QCOMPARE(modem->received(), std::string());
        QVERIFY(watch.released());
        QVERIFY(portCanBeOpenedAgain(port));
    }

    void refusedNumberNeverReachesTheModem_data()
    {
        QTest::addColumn<QString>("number");
        QTest::newRow("letter inside") << QStringLiteral("+44 7700 x");
        QTest::newRow("letters") << QStringLiteral("abc");
        QTest::newRow("empty") << QString();
        QTest::newRow("quote") << QStringLiteral("0770\"\rATD112");
    }

    void refusedNumberNeverReachesTheModem()
    {
        QFETCH(QString, number);
        modem->actAsWorkingModem();
        modem->start();
        SerialModem serial;
        const QString result = sendAndWait(serial, port, kSettings, number, QStringLiteral("hello"));
        modem->stop();
        QVERIFY2(result.startsWith(QStringLiteral("The recipient number \"%1\" is not a phone number").arg(number)),
                 qPrintable(result));
        QCOMPARE(modem->received(), std::string());
    }

    void modemHangingUpMidDialogueEndsItAndReleasesThePort()
    {
        modem->answer("ATZ\r", "\r\nOK\r\n");
        modem->hangUpOn("AT+CMGF=1");
        modem->start();
        const PortWatch watch(port);
        QVERIFY(watch.device != 0);
        SerialModem serial;
        serial.setReplyTimeout(10s);
        QStringList heard;
        const QString result = sendAndWait(serial, port, kSettings, kNumber, QStringLiteral("hello"), collect(heard));
        QVERIFY(modem->hungUp());
        QVERIFY2(result.contains(QStringLiteral("can no longer be read")) ||
                     result.contains(QStringLiteral("cannot be written")),
                 qPrintable(result));
        QVERIFY2(result.contains(port), qPrintable(result));
        QVERIFY2(!result.contains(kSentOk), qPrintable(result));
        QVERIFY2(heard.isEmpty(), "the lost port must end the dialogue, not its time-outs");
        QVERIFY(watch.released());
        QVERIFY(!serial.isPortOpen());
        QVERIFY(!serial.isBusy());
    }

    void modemErrorToACommandEndsItsWaitWithTheCodeAndTheDialogueGoesOn()
    {
        modem->answer("AT+CMGF=1\r", "\r\n+CMS ERROR: 302\r\n");
        modem->actAsWorkingModem();
        modem->start();
        SerialModem serial;
        serial.setReplyTimeout(20s);
        QStringList heard;
        QElapsedTimer clock;
        clock.start();
        const QString result = sendAndWait(serial, port, kSettings, kNumber, QStringLiteral("hi"), collect(heard));
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(result, QStringLiteral("The modem answered +CMS ERROR: 302 to AT+CMGF=1."));
        QVERIFY(heard.isEmpty());
        modem->stop();
        QCOMPARE(modem->commands().size(), std::size_t(5));
    }

    void dialoguesQueuedTogetherRunOneAfterTheOther()
    {
        modem->actAsWorkingModem();
        modem->start();
        SerialModem serial;
        serial.setReplyTimeout(5s);
        QStringList finished;
        serial.sendSMS(port, kSettings, QStringLiteral("111"), QStringLiteral("one"),
                       [&](const QString& r) { finished << QStringLiteral("first: ") + r; });
        serial.sendSMS(port, kSettings, QStringLiteral("222"), QStringLiteral("two"),
                       [&](const QString& r) { finished << QStringLiteral("second: ") + r; });
        QVERIFY(serial.isBusy());
        QVERIFY(finished.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 20000);
        modem->stop();
        QCOMPARE(finished, (QStringList{QStringLiteral("first: ") + kSentOk, QStringLiteral("second: ") + kSentOk}));
        // Both dialogues whole and one after the other: never interleaved on the port.
        std::vector<std::string> expected = cleanSession("111", "one");
        for (const std::string& command : cleanSession("222", "two"))
            expected.push_back(command);
        QCOMPARE(modem->commands(), expected);
        QVERIFY(!serial.isBusy());
        QVERIFY(portCanBeOpenedAgain(port));
    }

    void abortEndsTheDialogueAndReleasesThePortWithoutAnswer()
    {
        modem->start();
        const PortWatch watch(port);
        SerialModem serial;
        bool answered = false;
        serial.sendSMS(port, kSettings, kNumber, QStringLiteral("hi"), [&](const QString&) { answered = true; });
        QTRY_VERIFY(serial.isPortOpen());
        serial.abortAll();
        QVERIFY(!serial.isBusy());
        QVERIFY(watch.released());
        QVERIFY(portCanBeOpenedAgain(port));
        QTest::qWait(200);
        QVERIFY(!answered);
    }
};

QTEST_GUILESS_MAIN(ModemSerialTest)
#include "modem_serial_test.moc"
