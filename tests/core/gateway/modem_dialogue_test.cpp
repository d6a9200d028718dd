// Whole modem sessions played against the dialogue without a port: the test
// stands in for the modem and the clock.
#include "core/gateway/modem_dialogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace lumivane;
using std::chrono::milliseconds;

namespace {

const std::string kNumber = "07700900123";
const std::string kMessage = "Pump 2 stopped";
const std::string kEchoOnly = "The modem echoed the message back but did not confirm it was sent.";

// Plays a session: after each write, the modem's answer for that exchange
// arrives 10 ms later; an empty answer means silence until the time-out.
struct Session {
    std::vector<std::string> written;
    std::vector<std::string> timeouts;
    std::string result;
};

Session play(ModemDialogue& dialogue, const std::vector<std::string>& answers)
{
    Session s;
    milliseconds now{1000};
    ModemStep step = dialogue.start(now);
    std::string pending;
    for (int polls = 0; polls < 10000 && !dialogue.finished(); ++polls) {
        if (!step.write.empty()) {
            s.written.push_back(step.write);
            const std::size_t exchange = s.written.size() - 1;
            pending = exchange < answers.size() ? answers[exchange] : std::string();
        }
        now += milliseconds(10);
        step = dialogue.feed(pending, now);
        pending.clear();  // each answer arrives once
        if (!step.timeoutText.empty())
            s.timeouts.push_back(step.timeoutText);
    }
    s.result = dialogue.result();
    return s;
}

ModemDialogue makeDialogue(std::string_view number = kNumber, std::string_view message = kMessage,
                           milliseconds timeout = milliseconds(300))
{
    PreparedModemDialogue prepared = prepareModemDialogue(number, message, timeout);
    EXPECT_TRUE(prepared.dialogue.has_value()) << prepared.error;
    return *prepared.dialogue;
}

const std::vector<std::string> kGoodModem = {"\r\nOK\r\n", "\r\nOK\r\n", "\r\nOK\r\n", "\r\n> ",
                                             "\r\n+CMGS: 12\r\n\r\nOK\r\n"};

// A dialogue whose first four exchanges went well: it now waits for the message's answer.
ModemDialogue atTheMessage(const std::string& message)
{
    ModemDialogue d = makeDialogue(kNumber, message);
    d.start(milliseconds(0));
    for (std::size_t i = 0; i < 4; ++i)
        d.feed(kGoodModem[i], milliseconds(1 + i));
    EXPECT_EQ(d.exchangeIndex(), 4);
    return d;
}

}  // namespace

TEST(ModemDialogue, EveryDialogueWritesTheFiveCommandsAndSaysWhatFailed)
{
    const std::vector<std::string> commands = {"ATZ\r", "AT+CMGF=1\r", "AT+CSCS=\"GSM\"\r",
                                               "AT+CMGS=\"07700900123\"\r", std::string("Pump 2 stopped") + '\x1a'};
    const std::vector<std::string> allTimeouts = {"ATZ - Timeout", "AT+CMGF=1: Timeout", "AT+CSCS= Timeout",
                                                  ">Prompt Timeout", "Message Timeout"};
    struct Case {
        const char* name;
        std::vector<std::string> answers;
        std::vector<std::string> timeouts;
        std::string result;
    };
    std::vector<std::string> noCharacterSet = kGoodModem;
    noCharacterSet[2] = "";
    std::vector<std::string> errorToText = kGoodModem;
    errorToText[4] = "\r\nERROR\r\n";
    const Case cases[] = {
        {"clean", kGoodModem, {}, "Message Sent OK!"},
        // A time-out spoils the result but never stops the dialogue.
        {"silent modem", {}, allTimeouts,
         "ATZ - Timeout\nAT+CMGF=1: Timeout\nAT+CSCS= Timeout\n>Prompt Timeout\nMessage Timeout"},
        {"character set unanswered", noCharacterSet, {"AT+CSCS= Timeout"}, "AT+CSCS= Timeout"},
        // ERROR ends the fifth wait at once, without a time-out.
        {"ERROR to the text", errorToText, {}, "The modem answered ERROR to the message."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModemDialogue d = makeDialogue();
        const Session s = play(d, c.answers);
        EXPECT_EQ(s.written, commands);
        EXPECT_EQ(s.timeouts, c.timeouts);
        EXPECT_EQ(s.result, c.result);
        EXPECT_EQ(d.failures().empty(), c.result == "Message Sent OK!");
    }
}

// Awaited text ends the wait wherever and however it arrives, exact case only;
// what answered one exchange never ends the next wait.
TEST(ModemDialogue, AwaitedTextEndsTheWaitWhereverAndHoweverItArrives)
{
    const std::pair<std::vector<std::string>, std::vector<int>> cases[] = {
        {{"\r\nO", "K\r\n"}, {0, 1}},
        {{"ATZ\r\r\nnoise OK more noise"}, {1}},
        {{"\r\nok\r\n"}, {0}},
        {{"\r\nOK\r\n\r\nOK\r\n", ""}, {1, 1}},
    };
    for (const auto& [reads, exchangeAfter] : cases) {
        ModemDialogue d = makeDialogue();
        EXPECT_EQ(d.start(milliseconds(0)).write, "ATZ\r");
        for (std::size_t i = 0; i < reads.size(); ++i) {
            d.feed(reads[i], milliseconds(1 + i));
            EXPECT_EQ(d.exchangeIndex(), exchangeAfter[i]) << reads[0] << ", read " << i;
        }
    }
    // The wait ends only when more than the time-out (15 s by default) has passed;
    // an answer in the poll that passes it still counts.
    ModemDialogue d = *prepareModemDialogue(kNumber, kMessage).dialogue;
    d.start(milliseconds(100));
    EXPECT_EQ(d.feed("", milliseconds(15100)).timeoutText, "");
    EXPECT_EQ(d.feed("", milliseconds(15101)).timeoutText, "ATZ - Timeout");
    const ModemStep answered = d.feed("\r\nOK\r\n", milliseconds(60000));
    EXPECT_EQ(answered.timeoutText, "");
    EXPECT_EQ(answered.write, "AT+CSCS=\"GSM\"\r");
}

// The fifth wait ends on "+CMGS:" or "ERROR", also when they are only in the
// echo of the text; an echo alone is not a confirmation.
TEST(ModemDialogue, MessageAnswerIsJudgedApartFromItsEcho)
{
    struct Case {
        const char* name;
        std::string message;
        std::vector<std::string> reads;  // the wait ends with the last one
        std::string result;
    };
    const Case cases[] = {
        {"echo holding +CMGS:", "status +CMGS: fine", {"status +CMGS: fine"}, kEchoOnly},
        // A modem echoing character by character: the wait ends halfway through the echo.
        {"echo cut short after +CMGS:", "level +CMGS: high", {"level +CM", "GS:"}, kEchoOnly},
        {"echo cut short after a blank", "level +CMGS: high", {" level +CM", "GS:"}, kEchoOnly},
        {"echo holding ERROR, then confirmed", "ERROR on pump 2", {"ERROR on pump 2\r\n+CMGS: 7\r\n"},
         "Message Sent OK!"},
        {"OK alone does not end the wait", kMessage, {"\r\nOK\r\n", "\r\n+CMGS: 7\r\n"}, "Message Sent OK!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModemDialogue d = atTheMessage(c.message);
        for (std::size_t i = 0; i < c.reads.size(); ++i) {
            const ModemStep step = d.feed(c.reads[i], milliseconds(10 + i));
            EXPECT_EQ(step.finished, i + 1 == c.reads.size()) << "read " << i;
            EXPECT_TRUE(step.timeoutText.empty());
        }
        EXPECT_EQ(d.result(), c.result);
    }
}

TEST(ModemDialogue, AbortEndsTheDialogueAndKeepsEarlierFailures)
{
    ModemDialogue d = makeDialogue();
    d.start(milliseconds(0));
    d.feed("", milliseconds(301));  // ATZ timed out
    d.abort("The modem port stopped working: Input/output error");
    EXPECT_EQ(d.result(), "ATZ - Timeout\nThe modem port stopped working: Input/output error");
    EXPECT_TRUE(d.feed("\r\nOK\r\n", milliseconds(302)).write.empty()) << "an ended dialogue writes nothing";
}

// Only digits with an optional leading "+" reach the recipient command; Ctrl-Z and
// ESC would end or cancel the text early, and other characters become one "?" each.
TEST(PrepareModemDialogue, RecipientAndTextCannotCarryCommands)
{
    for (const std::string number : {"+44 7700", "", "0770\"", "0770;D", "++44", "44+"})
        EXPECT_NE(prepareModemDialogue(number, kMessage).error.find("\"" + number + "\" is not a phone number"),
                  std::string::npos) << number;
    const std::string message = std::string("stop") + '\x1a' + "AT+CMGD=1" + '\x1b' + "\r done";
    const auto prepared = prepareModemDialogue("+447700900123", message);
    ASSERT_TRUE(prepared.dialogue);
    EXPECT_EQ(prepared.dialogue->exchanges()[3].written, "AT+CMGS=\"+447700900123\"\r");
    EXPECT_EQ(prepared.dialogue->exchanges()[4].written, std::string("stopAT+CMGD=1\r done") + '\x1a');
    EXPECT_EQ(cleanModemMessage("\xC2\xA3" "5 caf\xC3\xA9 \xE2\x82\xAC" "3 a\xF0\x9F\x94\xA5" "b x\xFFy\xC3"),
              "?5 caf? ?3 a?b x?y?");
}
