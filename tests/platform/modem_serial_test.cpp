// The SMS dialogue played over a real pseudo-terminal with a scripted modem on the other end.
#include "platform/serial_modem.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSerialPort>

#include <filesystem>

#include <sys/stat.h>

#include "core/gateway/modem_dialogue.h"
#include "support/pty_modem.h"
#include "support/wait_for_result.h"

using namespace lumivane;
using lumivane::test::PtyModem;
using namespace std::chrono_literals;

namespace {

const QString kSettings = "460800,n,8,1";  // a mode the pseudo-terminal takes
const QString kSentOk = "Message Sent OK!";

std::vector<std::string> session(const std::string& number, const std::string& text)
{
    return {"ATZ\r", "AT+CMGF=1\r", "AT+CSCS=\"GSM\"\r", "AT+CMGS=\"" + number + "\"\r", text + '\x1a'};
}

QString textOf(const ModemOutcome& outcome) { return QString::fromStdString(outcome.text()); }

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

// Every way a dialogue fails ends it with its result, writes only what it should
// and lets the port go. A working modem is played by the queue test below.
TEST(SerialModem, EachFailedDialogueEndsWithItsResultAndReleasesThePort)
{
    const struct {
        const char* name;
        bool answers;          // "OK" to the set-up, the prompt and "+CMGS:"
        const char* hangUpOn;  // a command that makes the modem hang up first
        QString settings;
        QString result;  // a part of the result
        std::vector<std::string> wrote;
    } cases[] = {
        {"silent modem", false, "", kSettings, "not sent: no answer from the modem within 300 ms to ATZ", {"ATZ\r"}},
        {"hang-up on the text", true, "hi", kSettings, "", {}},
        {"1.5 stop bits", true, "", "9600,n,8,1.5", "cannot take the line settings", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PtyModem modem;
        ASSERT_EQ(modem.error(), "");
        if (*c.hangUpOn)
            modem.hangUpOn(c.hangUpOn);
        if (c.answers)
            modem.actAsWorkingModem();
        modem.start();
        struct stat device {};
        ASSERT_EQ(::stat(modem.port().c_str(), &device), 0);
        const int before = descriptorsOn(device.st_rdev);
        SerialModem serial;
        serial.setReplyTimeout(300ms);
        QString result;
        QElapsedTimer took;
        took.start();
        serial.sendSMS(QString::fromStdString(modem.port()), c.settings, "0770", "hi",
                       [&](const ModemOutcome& outcome) { result = textOf(outcome); });
        test::waitUntil([&] { return !result.isEmpty(); }, 20s);
        EXPECT_LT(took.elapsed(), 5000) << "a refusal is reported at once";
        modem.stop();
        EXPECT_TRUE(result.contains(c.result)) << result.toStdString();
        EXPECT_FALSE(result.contains(kSentOk));
        if (modem.hungUp()) {
            EXPECT_TRUE(result.contains(QString::fromStdString(modem.port()))) << result.toStdString();
        } else {
            EXPECT_EQ(modem.commands(), c.wrote);
            EXPECT_TRUE(canOpen(modem.port()));
        }
        EXPECT_EQ(descriptorsOn(device.st_rdev), before);
        EXPECT_FALSE(serial.isPortOpen() || serial.isBusy());
    }
    SerialModem serial;
    QString result;
    serial.sendSMS("/dev/does-not-exist", kSettings, "0770", "hi",
                   [&](const ModemOutcome& outcome) { result = textOf(outcome); });
    EXPECT_TRUE(test::waitUntil([&] { return result.contains("/dev/does-not-exist"); }, 5s)) << result.toStdString();
}

// A test SMS queued during an alarm's dialogue waits its turn: never interleaved on the port.
TEST(SerialModem, DialoguesQueuedTogetherRunOneAfterTheOther)
{
    PtyModem modem;
    modem.actAsWorkingModem();
    modem.start();
    const QString port = QString::fromStdString(modem.port());
    SerialModem serial;
    QStringList finished;
    serial.sendSMS(port, kSettings, "111", "one", [&](const ModemOutcome& r) { finished << "first: " + textOf(r); });
    serial.sendSMS(port, kSettings, "222", "two", [&](const ModemOutcome& r) { finished << "second: " + textOf(r); });
    EXPECT_TRUE(serial.isBusy() && finished.isEmpty());
    test::waitUntil([&] { return finished.size() == 2; }, 20s);
    modem.stop();
    EXPECT_EQ(finished, (QStringList{"first: " + kSentOk, "second: " + kSentOk}));
    EXPECT_EQ(modem.messagesSent(), 2);
    std::vector<std::string> expected = session("111", "one"), second = session("222", "two");
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(modem.commands(), expected);
    EXPECT_TRUE(canOpen(modem.port()));
}

// Closing the window aborts the dialogue: the port and its lock are free at once, nobody is told.
TEST(SerialModem, AbortEndsTheDialogueAndReleasesThePortAtOnce)
{
    PtyModem modem;
    modem.start();
    SerialModem serial;
    bool told = false;
    serial.sendSMS(QString::fromStdString(modem.port()), kSettings, "0770", "hi",
                   [&](const ModemOutcome&) { told = true; });
    EXPECT_TRUE(test::waitUntil([&] { return serial.isPortOpen(); }, 5s));
    serial.abortAll();
    EXPECT_FALSE(serial.isBusy());
    EXPECT_TRUE(canOpen(modem.port()));
    test::waitUntil([] { return false; }, 200ms);
    EXPECT_FALSE(told);
}
