// The SMS dialogue played over a real pseudo-terminal with a scripted modem on the other end.
#include "platform/serial_modem.h"

#include <gtest/gtest.h>

#include <QSerialPort>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <random>

#include <sys/stat.h>

#include "support/pty_modem.h"

using lumivane::SerialModem;
using lumivane::test::PtyModem;
using namespace std::chrono_literals;

namespace {

const QString kSettings = "460800,n,8,1";  // a mode the pseudo-terminal takes
const QString kSentOk = "Message Sent OK!";
const QString kAllTimedOut = "ATZ - Timeout\nAT+CMGF=1: Timeout\nAT+CSCS= Timeout\n>Prompt Timeout\nMessage Timeout";

std::vector<std::string> session(const std::string& number, const std::string& text)
{
    return {"ATZ\r", "AT+CMGF=1\r", "AT+CSCS=\"GSM\"\r", "AT+CMGS=\"" + number + "\"\r", text + '\x1a'};
}

// Line noise without a character that could spell an awaited answer.
std::string noise(unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes;
    while (bytes.size() < 300)
        if (const char c = static_cast<char>(random() & 0xFF); std::string_view("OK>+E").find(c) == std::string::npos)
            bytes.push_back(c);
    return bytes;
}

// How many of this process's descriptors are open on the device; counted by
// device number, which still matches once the modem side has hung up and the path is gone.
int descriptorsOn(dev_t device)
{
    int count = 0;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        struct stat target {};
        count += ::stat(fd.path().c_str(), &target) == 0 && S_ISCHR(target.st_mode) && target.st_rdev == device;
    }
    return count;
}

bool canOpen(const std::string& path)
{
    QSerialPort port(QString::fromStdString(path));
    return port.open(QIODevice::ReadWrite);
}

}  // namespace

// Every dialogue ends with its result, writes only what it should, never
// mistakes an echo for an answer, and lets the port go on every way out.
TEST(SerialModem, EachDialogueEndsWithItsResultAndReleasesThePort)
{
    const std::string ok = "\r\nOK\r\n";
    const struct {
        const char* name;
        std::function<void(PtyModem&)> script;
        QString number, message, settings;
        std::chrono::milliseconds timeout;
        QString result;  // the whole result, or a part of it ending in "..."
        std::vector<std::string> wrote;
    } cases[] = {
        {"clean", [](PtyModem& m) { m.actAsWorkingModem(); }, "07700900123", "Pump 2 stopped", kSettings, 10s,
         kSentOk, session("07700900123", "Pump 2 stopped")},
        // Ctrl-Z and ESC would end or cancel the text early; other characters become "?".
        {"ctrl-z, escape, pound", [](PtyModem& m) { m.actAsWorkingModem(); }, "+447700900123",
         QString("a") + QChar(26) + "b" + QChar(27) + "c \u00A35", kSettings, 10s, kSentOk,
         session("+447700900123", "abc ?5")},
        {"silent modem", [](PtyModem&) {}, "0770", "hi", kSettings, 300ms, kAllTimedOut, session("0770", "hi")},
        {"answers inside noise",
         [&](PtyModem& m) {
             m.answer("AT+CMGS=", noise(2) + "> ");
             m.answerMessage(noise(3) + "\r\n+CMGS: 7\r\n" + noise(4));
             m.answer("", noise(5) + ok + noise(6));
         },
         "0770", "hi", kSettings, 10s, kSentOk, session("0770", "hi")},
        // The modem never confirms; only the echo ends the wait, and it is no confirmation.
        {"echoed +CMGS: in the text",
         [](PtyModem& m) {
             m.setEcho(true);
             m.actAsWorkingModem("");
         },
         "0770", "level +CMGS: high", kSettings, 20s,
         "The modem echoed the message back but did not confirm it was sent.", session("0770", "level +CMGS: high")},
        {"echoing modem", [](PtyModem& m) { m.setEcho(true), m.actAsWorkingModem(); }, "0770", "Pump 2 stopped",
         kSettings, 20s, kSentOk, session("0770", "Pump 2 stopped")},
        {"hang-up after the first command", [&](PtyModem& m) { m.answer("ATZ", ok), m.hangUpOn("AT+CMGF"); }, "0770",
         "hi", kSettings, 10s, "...", {"ATZ\r", "AT+CMGF=1\r"}},
        {"hang-up on the text", [&](PtyModem& m) { m.hangUpOn("hi"), m.actAsWorkingModem(); }, "0770", "hi",
         kSettings, 10s, "...", {}},
        {"parity x", [](PtyModem& m) { m.actAsWorkingModem(); }, "0770", "hi", "9600,x,8,1", 10s, "parity...", {}},
        {"1.5 stop bits", [](PtyModem& m) { m.actAsWorkingModem(); }, "0770", "hi", "9600,n,8,1.5", 10s,
         "cannot take the line settings...", {}},
        {"number with a command in it", [](PtyModem& m) { m.actAsWorkingModem(); }, "0770\"\rATD112", "hi", kSettings,
         10s, "The recipient number \"0770\"\rATD112\" is not a phone number (an optional \"+\" followed by digits only).",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PtyModem modem;
        ASSERT_EQ(modem.error(), "");
        c.script(modem);
        modem.start();
        struct stat device {};
        ASSERT_EQ(::stat(modem.port().c_str(), &device), 0);
        const int before = descriptorsOn(device.st_rdev);
        SerialModem serial;
        serial.setReplyTimeout(c.timeout);
        QStringList heard;
        const QString result = serial.sendSMS(QString::fromStdString(modem.port()), c.settings, c.number, c.message,
                                              [&](const QString& text) { heard << text; });
        modem.stop();
        if (c.result.endsWith("...")) {
            EXPECT_TRUE(result.contains(c.result.chopped(3))) << result.toStdString();
            EXPECT_FALSE(result.contains(kSentOk));
        } else {
            EXPECT_EQ(result, c.result);
        }
        if (modem.hungUp()) {
            EXPECT_TRUE(result.contains(QString::fromStdString(modem.port()))) << result.toStdString();
            EXPECT_TRUE(heard.isEmpty()) << "the lost port must end the dialogue, not its time-outs";
        } else {
            EXPECT_EQ(modem.commands(), c.wrote);
            EXPECT_TRUE(canOpen(modem.port()));
        }
        EXPECT_EQ(descriptorsOn(device.st_rdev), before);
        EXPECT_FALSE(serial.isPortOpen() || serial.isBusy());
    }
    SerialModem serial;
    for (const QString& port : {QString("/dev/does-not-exist"), QString("COM three")})
        EXPECT_TRUE(serial.sendSMS(port, kSettings, "0770", "hi").contains(port)) << port.toStdString();
}

// A test SMS started during an alarm's dialogue waits its turn: never interleaved on the port.
TEST(SerialModem, SecondDialogueStartedDuringTheFirstRunsAfterIt)
{
    PtyModem modem;
    modem.actAsWorkingModem();
    modem.start();
    const QString port = QString::fromStdString(modem.port());
    SerialModem serial;
    QStringList finished;
    bool busyWhenSecondStarted = false;
    QTimer::singleShot(0, [&] {
        busyWhenSecondStarted = serial.isBusy();
        finished << "second: " + serial.sendSMS(port, kSettings, "222", "two");
    });
    finished << "first: " + serial.sendSMS(port, kSettings, "111", "one");
    modem.stop();
    EXPECT_TRUE(busyWhenSecondStarted);
    EXPECT_EQ(finished, (QStringList{"second: " + kSentOk, "first: " + kSentOk}));
    std::vector<std::string> expected = session("111", "one");
    for (const std::string& command : session("222", "two"))
        expected.push_back(command);
    EXPECT_EQ(modem.commands(), expected);
    EXPECT_TRUE(canOpen(modem.port()));
}
