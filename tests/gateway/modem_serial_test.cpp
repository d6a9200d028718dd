// The SMS dialogue played over a real pseudo-terminal, with a scripted modem on
// the other end.
#include <QDir>
#include <QFileInfo>
#include <QSerialPort>
#include <QTest>
#include <QTimer>

#include <memory>

#include <sys/stat.h>

#include "platform/serial_modem.h"
#include "support/pty_pair.h"
#include "support/scripted_modem.h"

using lumivane::SerialModem;
using lumivane::test::PtyPair;
using lumivane::test::ScriptedModem;
using namespace std::chrono_literals;

namespace {

const QString kSettings = QStringLiteral("460800,n,8,1");
const QString kNumber = QStringLiteral("07700900123");
const QString kSentOk = QStringLiteral("Message Sent OK!");

// Whether nothing holds the port any more: a fresh open succeeds.
bool portCanBeOpenedAgain(const QString& path)
{
    QSerialPort port(path);
    const bool ok = port.open(QIODevice::ReadWrite);
    port.close();
    return ok;
}

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

std::vector<std::string> cleanSession(const std::string& number, const std::string& message)
{
    return {"ATZ\r", "AT+CMGF=1\r", "AT+CSCS=\"GSM\"\r", "AT+CMGS=\"" + number + "\"\r", message + '\x1a'};
}

}  // namespace

class ModemSerialTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<ScriptedModem> modem;
    QString port;

private slots:
    void init()
    {
        pty = std::make_unique<PtyPair>();
        QVERIFY2(pty->isOpen(), pty->error().c_str());
        port = QString::fromStdString(pty->slavePath());
        modem = std::make_unique<ScriptedModem>(*pty);
    }

    void cleanup()
    {
        modem.reset();
        pty.reset();
    }

    void aPortStillHeldCannotBeOpenedAgain()
    {
        // What the "port released" checks below rely on.
        const dev_t device = deviceOf(port);
        QVERIFY(device != 0);
        const int descriptorsBefore = descriptorsOpenOn(device);
        QSerialPort held(port);
        QVERIFY(held.open(QIODevice::ReadWrite));
        QVERIFY(!portCanBeOpenedAgain(port));
        QCOMPARE(descriptorsOpenOn(device), descriptorsBefore + 1);
        held.close();
        QVERIFY(portCanBeOpenedAgain(port));
        QCOMPARE(descriptorsOpenOn(device), descriptorsBefore);
    }

    void cleanDialogueWritesTheExactBytesAndReportsSent()
    {
        modem->actAsWorkingModem();
        modem->start();
        SerialModem serial;
        const QString result = serial.sendSMS(port, kSettings, kNumber, QStringLiteral("Pump 2 stopped"));
        modem->stop();
        QCOMPARE(result, kSentOk);
        QCOMPARE(modem->commands(), cleanSession("07700900123", "Pump 2 stopped"));
        QCOMPARE(modem->received(), std::string("ATZ\rAT+CMGF=1\rAT+CSCS=\"GSM\"\rAT+CMGS=\"07700900123\"\rPump 2 stopped\x1a"));
        QVERIFY(!serial.isPortOpen());
        QVERIFY(!serial.isBusy());
        QVERIFY(portCanBeOpenedAgain(port));
    }

    void modemAnsweringErrorToTheTextIsReportedAsFailure()
    {
        modem->actAsWorkingModem("\r\nERROR\r\n");
        modem->start();
        SerialModem serial;
        const QString result = serial.sendSMS(port, kSettings, kNumber, QStringLiteral("hello"));
        QCOMPARE(result, QStringLiteral("The modem answered ERROR to the message."));
        QVERIFY(portCanBeOpenedAgain(port));
    }

    void silentModemTimesOutEveryExchangeAndReleasesThePort()
    {
        modem->start();
        const dev_t device = deviceOf(port);
        QVERIFY(device != 0);
        const int descriptorsBefore = descriptorsOpenOn(device);
        SerialModem serial;
        serial.setReplyTimeout(300ms);
        QStringList heard;
        const QString result = serial.sendSMS(port, kSettings, kNumber, QStringLiteral("hello"),
                                              [&](const QString& text) { heard << text; });
        const QStringList expected = {QStringLiteral("ATZ - Timeout"), QStringLiteral("AT+CMGF=1: Timeout"),
                                      QStringLiteral("AT+CSCS= Timeout"), QStringLiteral(">Prompt Timeout"),
                                      QStringLiteral("Message Timeout")};
        QCOMPARE(heard, expected);
        QCOMPARE(result, expected.join(QLatin1Char('\n')));
        modem->stop();
        QCOMPARE(modem->commands().size(), std::size_t(5));  // a time-out does not stop the dialogue
        QVERIFY(!serial.isPortOpen());
        QCOMPARE(descriptorsOpenOn(device), descriptorsBefore);
        QVERIFY(portCanBeOpenedAgain(port));
    }

    void echoedTextContainingCmgsEndsTheFifthWaitAtOnce()
    {
        // The modem echoes everything but never confirms the text: only the echo
        // can end the fifth wait before its (long) time-out.
        modem->setEcho(true);
        modem->answer("ATZ\r", "\r\nOK\r\n");
        modem->answer("AT+CMGF=1\r", "\r\nOK\r\n");
        modem->answer("AT+CSCS=\"GSM\"\r", "\r\nOK\r\n");
        modem->answerStartingWith("AT+CMGS=", "\r\n> ");
        modem->start();
        SerialModem serial;
        serial.setReplyTimeout(60s);
        QStringList heard;
        const QString result = serial.sendSMS(port, kSettings, kNumber, QStringLiteral("level +CMGS: high"),
                                              [&](const QString& text) { heard << text; });
        QVERIFY2(heard.isEmpty(), qPrintable(heard.join(',')));
        QCOMPARE(result, QStringLiteral("The modem echoed the message back but did not confirm it was sent."));
    }

    void echoingModemStillCompletesACleanDialogue()
    {
        // A text holding none of the awaited words, so only the modem's own
        // answers can end the waits, however the echo and the answer are split
        // over reads. (An echo holding "ERROR" ends the fifth wait at once; how
        // it is judged is pinned by the dialogue's own tests, where the split is fixed.)
        modem->setEcho(true);
        modem->actAsWorkingModem();
        modem->start();
        SerialModem serial;
        serial.setReplyTimeout(5s);
        QStringList heard;
        const QString result = serial.sendSMS(port, kSettings, kNumber, QStringLiteral("Pump 2 stopped"),
                                              [&](const QString& text) { heard << text; });
        QVERIFY2(heard.isEmpty(), qPrintable(heard.join(',')));
        QCOMPARE(result, kSentOk);
    }

    void portThatDoesNotExistFailsWithAClearText()
    {
        SerialModem serial;
        const QString result = serial.sendSMS(QStringLiteral("/dev/does-not-exist"), kSettings, kNumber,
                                              QStringLiteral("hello"));
        QVERIFY2(result.contains(QStringLiteral("/dev/does-not-exist")), qPrintable(result));
        QVERIFY2(result.contains(QStringLiteral("cannot be opened")), qPrintable(result));
        QVERIFY(!serial.isBusy());
    }

    void portNumberThreeIsTheThirdSerialPort()
    {
        if (QFileInfo::exists(QStringLiteral("/dev/ttyS2")))
            QSKIP("this machine has a /dev/ttyS2; the test needs it absent");
        SerialModem serial;
        serial.setReplyTimeout(300ms);
        const QString result = serial.sendSMS(QStringLiteral("3"), kSettings, kNumber, QStringLiteral("hello"));
        QVERIFY2(result.contains(QStringLiteral("/dev/ttyS2")), qPrintable(result));
    }

    void portTextThatIsNeitherNumberNorPathFails()
    {
        SerialModem serial;
        const QString result = serial.sendSMS(QStringLiteral("COM three"), kSettings, kNumber, QStringLiteral("x"));
        QVERIFY2(result.contains(QStringLiteral("\"COM three\"")), qPrintable(result));
    }

    void badLineSettingsFailBeforeAnythingIsWritten_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("named");
        QTest::newRow("parity x") << QStringLiteral("9600,x,8,1") << QStringLiteral("parity");
        QTest::newRow("speed fast") << QStringLiteral("fast,n,8,1") << QStringLiteral("speed");
    }

    void badLineSettingsFailBeforeAnythingIsWritten()
    {
        QFETCH(QString, settings);
        QFETCH(QString, named);
        modem->actAsWorkingModem();
        modem->start();
        SerialModem serial;
        const QString result = serial.sendSMS(port, settings, kNumber, QStringLiteral("hello"));
        modem->stop();
        QVERIFY2(result.contains(QLatin1Char('"') + settings + QLatin1Char('"')), qPrintable(result));
        QVERIFY2(result.contains(named), qPrintable(result));
        QCOMPARE(modem->received(), std::string());
        QVERIFY(portCanBeOpenedAgain(port));
    }

    void lineSettingsThePortCannotTakeFailAndReleaseThePort()
    {
        // One and a half stop bits are valid settings, but a POSIX terminal has no such mode.
        modem->actAsWorkingModem();
        modem->start();
        const dev_t device = deviceOf(port);
        const int descriptorsBefore = descriptorsOpenOn(device);
        SerialModem serial;
        const QString result = serial.sendSMS(port, QStringLiteral("9600,n,8,1.5"), kNumber, QStringLiteral("hello"));
        modem->stop();
        QVERIFY2(result.startsWith(QStringLiteral("The modem port %1 cannot take the line settings \"9600,n,8,1.5\"").arg(port)),
                 qPrintable(result));
        QCOMPARE(modem->received(), std::string());
        QCOMPARE(descriptorsOpenOn(device), descriptorsBefore);
    }

    void refusedNumberNeverReachesTheModem_data()
    {
        QTest::addColumn<QString>("number");
        QTest::newRow("blank inside") << QStringLiteral("+44 7700");
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
        const QString result = serial.sendSMS(port, kSettings, number, QStringLiteral("hello"));
        modem->stop();
        QCOMPARE(result, QStringLiteral("The recipient number \"%1\" is not a phone number (an optional \"+\" "
                                        "followed by digits only).").arg(number));
        QCOMPARE(modem->received(), std::string());
    }

    void ctrlZAndEscapeAreRemovedAndOtherCharactersBecomeQuestionMarks()
    {
        modem->actAsWorkingModem();
        modem->start();
        SerialModem serial;
        const QString message = QStringLiteral("a") + QChar(26) + QStringLiteral("b") + QChar(27) +
                                QStringLiteral("c \u00A35");
        QCOMPARE(serial.sendSMS(port, kSettings, QStringLiteral("+447700900123"), message), kSentOk);
        modem->stop();
        const auto commands = modem->commands();
        QCOMPARE(commands.size(), std::size_t(5));
        QCOMPARE(commands[3], std::string("AT+CMGS=\"+447700900123\"\r"));
        QCOMPARE(commands[4], std::string("abc ?5\x1a"));
    }

    void modemHangingUpMidDialogueEndsItAndReleasesThePort()
    {
        modem->answer("ATZ\r", "\r\nOK\r\n");
        modem->hangUpOn("AT+CMGF=1");
        modem->start();
        const dev_t device = deviceOf(port);
        QVERIFY(device != 0);
        const int descriptorsBefore = descriptorsOpenOn(device);
        SerialModem serial;
        serial.setReplyTimeout(10s);
        QStringList heard;
        const QString result = serial.sendSMS(port, kSettings, kNumber, QStringLiteral("hello"),
                                              [&](const QString& text) { heard << text; });
        QVERIFY(modem->hungUp());
        QVERIFY2(result.contains(QStringLiteral("can no longer be read")) ||
                     result.contains(QStringLiteral("cannot be written")),
                 qPrintable(result));
        QVERIFY2(result.contains(port), qPrintable(result));
        QVERIFY2(!result.contains(kSentOk), qPrintable(result));
        QVERIFY2(heard.isEmpty(), "the lost port must end the dialogue, not its time-outs");
        QCOMPARE(descriptorsOpenOn(device), descriptorsBefore);
        QVERIFY(!serial.isPortOpen());
        QVERIFY(!serial.isBusy());
    }

    void secondDialogueStartedDuringTheFirstRunsAfterIt()
    {
        modem->actAsWorkingModem();
        modem->start();
        SerialModem serial;
        serial.setReplyTimeout(5s);
        QStringList finished;
        bool busyWhenSecondStarted = false;
        // Fires from the first dialogue's event processing, as an alarm tick would
        // during a test SMS.
        QTimer::singleShot(0, this, [&] {
            busyWhenSecondStarted = serial.isBusy();
            finished << QStringLiteral("second: ") + serial.sendSMS(port, kSettings, QStringLiteral("222"), QStringLiteral("two"));
        });
        finished << QStringLiteral("first: ") + serial.sendSMS(port, kSettings, QStringLiteral("111"), QStringLiteral("one"));
        modem->stop();

        QVERIFY(busyWhenSecondStarted);
        QCOMPARE(finished, (QStringList{QStringLiteral("second: ") + kSentOk, QStringLiteral("first: ") + kSentOk}));
        // Both dialogues whole and one after the other: never interleaved on the port.
        std::vector<std::string> expected = cleanSession("111", "one");
        for (const std::string& command : cleanSession("222", "two"))
            expected.push_back(command);
        QCOMPARE(modem->commands(), expected);
        QVERIFY(!serial.isBusy());
        QVERIFY(portCanBeOpenedAgain(port));
    }
};

QTEST_GUILESS_MAIN(ModemSerialTest)
#include "modem_serial_test.moc"
