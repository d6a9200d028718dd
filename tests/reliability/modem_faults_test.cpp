// A GSM modem that answers garbage, or goes away just as the message is sent,
// on a real pseudo-terminal. The dialogue ends, the port is released and the
// result says what failed. A modem that never answers, and one that hangs up
// after the first command, are pinned in gateway/modem_serial_test.cpp.
#include <QTest>

#include <random>

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

// Line noise: every byte value, NUL included, but none of the characters
// that could spell an awaited answer.
std::string garbage(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes;
    while (bytes.size() < size) {
        const char c = static_cast<char>(random() & 0xFF);
        if (c != 'O' && c != 'K' && c != '>' && c != '+' && c != 'E')
            bytes.push_back(c);
    }
    return bytes;
}

}  // namespace

class ModemFaultsTest : public lumivane::test::ModemOnPtyTestCase {
    Q_OBJECT

private slots:

    void garbageAnswersTimeOutEveryExchangeAndReleaseThePort()
    {
        // Every command, whatever it is, gets a burst of noise back.
        modem->answerStartingWith("", garbage(600, 1));
        modem->start();
        SerialModem serial;
        serial.setReplyTimeout(300ms);
        QStringList heard;
        const QString result = sendAndWait(serial, port, kSettings, kNumber, QStringLiteral("hello"),
                                              [&](const QString& text) { heard << text; });
        const QStringList expected = {QStringLiteral("ATZ - Timeout"), QStringLiteral("AT+CMGF=1: Timeout"),
                                      QStringLiteral("AT+CSCS= Timeout"), QStringLiteral(">Prompt Timeout"),
                                      QStringLiteral("Message Timeout")};
        QCOMPARE(heard, expected);
        QCOMPARE(result, QStringList(expected.mid(0, 4) << QString::fromLatin1(lumivane::kNotConfirmedInTime))
                             .join(QLatin1Char('\n')));
        QVERIFY(!result.contains(kSentOk));
        modem->stop();
        QCOMPARE(modem->commands().size(), std::size_t(5));
        QVERIFY(!serial.isPortOpen());
        QVERIFY(!serial.isBusy());
        QVERIFY(portCanBeOpenedAgain(port));
    }

    void garbageAroundTheRightAnswersStillCompletesTheDialogue()
    {
        // Noise before and after each answer, as on a bad line: the answers are found inside it.
        const std::string noise = garbage(200, 2);
        modem->answer("ATZ\r", noise + "\r\nOK\r\n" + noise);
        modem->answer("AT+CMGF=1\r", noise + "OK" + noise);
        modem->answerStartingWith("AT+CSCS=", noise + "\r\nOK\r\n");
        modem->answerStartingWith("AT+CMGS=", noise + "> ");
        modem->answerMessage(noise + "\r\n+CMGS: 7\r\n" + noise);
        modem->start();
        SerialModem serial;
        serial.setReplyTimeout(10s);
        const QString result = sendAndWait(serial, port, kSettings, kNumber, QStringLiteral("hello"));
        QCOMPARE(result, kSentOk);
        QVERIFY(portCanBeOpenedAgain(port));
    }

    void modemGoingAwayAsTheMessageIsSentSaysSoAndReleasesThePort()
    {
        modem->answer("ATZ\r", "\r\nOK\r\n");
        modem->answer("AT+CMGF=1\r", "\r\nOK\r\n");
        modem->answerStartingWith("AT+CSCS=", "\r\nOK\r\n");
        modem->answerStartingWith("AT+CMGS=", "\r\n> ");
        modem->hangUpOn("hello");
        modem->start();
        SerialModem serial;
        serial.setReplyTimeout(10s);
        QStringList heard;
        const QString result = sendAndWait(serial, port, kSettings, kNumber, QStringLiteral("hello"),
                                              [&](const QString& text) { heard << text; });
        QVERIFY(modem->hungUp());
        QVERIFY2(!result.contains(kSentOk), qPrintable(result));
        QVERIFY2(result.contains(port), qPrintable(result));
        QVERIFY2(heard.isEmpty(), "the lost port must end the dialogue, not its time-out");
        QVERIFY(!serial.isPortOpen());
        QVERIFY(!serial.isBusy());
    }
};

QTEST_GUILESS_MAIN(ModemFaultsTest)
#include "modem_faults_test.moc"
