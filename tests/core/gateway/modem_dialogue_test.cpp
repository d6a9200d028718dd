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
const std::vector<std::string> kGoodModem = {"\r\nOK\r\n", "\r\nOK\r\n", "\r\nOK\r\n", "\r\n> ",
                                             "\r\n+CMGS: 12\r\n\r\nOK\r\n"};

ModemDialogue makeDialogue(const std::string& message = kMessage)
{
    return *prepareModemDialogue(kNumber, message, milliseconds(300)).dialogue;
}

}  // namespace

// Each answer arrives 10 ms after its command; an empty one is silence until the
// time-out, which spoils the result but never stops the dialogue.
TEST(ModemDialogue, EveryDialogueWritesTheFiveCommandsAndSaysWhatFailed)
{
    std::vector<std::string> noCharacterSet = kGoodModem, errorToText = kGoodModem;
    noCharacterSet[2] = "";
    errorToText[4] = "\r\nERROR\r\n";  // ends the fifth wait at once, without a time-out
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {kGoodModem, "Message Sent OK!"},
        {{}, "ATZ - Timeout\nAT+CMGF=1: Timeout\nAT+CSCS= Timeout\n>Prompt Timeout\nMessage Timeout"},
        {noCharacterSet, "AT+CSCS= Timeout"},
        {errorToText, "The modem answered ERROR to the message."},
    };
    for (const auto& [answers, result] : cases) {
        ModemDialogue d = makeDialogue();
        std::vector<std::string> written, timeouts;
        milliseconds now{1000};
        ModemStep step = d.start(now);
        for (int polls = 0; polls < 10000 && !d.finished(); ++polls) {
            std::string answer;
            if (!step.write.empty()) {
                written.push_back(step.write);
                answer = written.size() <= answers.size() ? answers[written.size() - 1] : "";
            }
            step = d.feed(answer, now += milliseconds(10));
            if (!step.timeoutText.empty())
                timeouts.push_back(step.timeoutText);
        }
        EXPECT_EQ(written, (std::vector<std::string>{"ATZ\r", "AT+CMGF=1\r", "AT+CSCS=\"GSM\"\r",
                                                     "AT+CMGS=\"07700900123\"\r", kMessage + '\x1a'}));
        EXPECT_EQ(d.result(), result);
        EXPECT_EQ(timeouts.size(), answers.empty() ? 5u : answers == noCharacterSet ? 1u : 0u);
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
// echo of the text (a modem echoing character by character ends it halfway
// through the echo); an echo alone is not a confirmation.
TEST(ModemDialogue, MessageAnswerIsJudgedApartFromItsEcho)
{
    const struct {
        std::string message;
        std::vector<std::string> reads;  // the wait ends with the last one
        std::string result;
    } cases[] = {
        {"status +CMGS: fine", {"status +CMGS: fine"}, kEchoOnly},
        {"level +CMGS: high", {"level +CM", "GS:"}, kEchoOnly},
        {"level +CMGS: high", {" level +CM", "GS:"}, kEchoOnly},
        {"ERROR on pump 2", {"ERROR on pump 2\r\n+CMGS: 7\r\n"}, "Message Sent OK!"},
        {kMessage, {"\r\nOK\r\n", "\r\n+CMGS: 7\r\n"}, "Message Sent OK!"},  // OK alone does not end it
    };
    for (const auto& c : cases) {
        ModemDialogue d = makeDialogue(c.message);
        d.start(milliseconds(0));
        for (std::size_t i = 0; i < 4; ++i)
            d.feed(kGoodModem[i], milliseconds(1 + i));
        for (std::size_t i = 0; i < c.reads.size(); ++i) {
            const ModemStep step = d.feed(c.reads[i], milliseconds(10 + i));
            EXPECT_EQ(step.finished, i + 1 == c.reads.size()) << c.reads[0] << ", read " << i;
            EXPECT_TRUE(step.timeoutText.empty());
        }
        EXPECT_EQ(d.result(), c.result) << c.reads[0];
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
