// Whole modem sessions played against the dialogue without a port: the test
// stands in for the modem and the clock.
#include "gateway/modem_dialogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace lumivane;
using std::chrono::milliseconds;

namespace {

const std::string kNumber = "07700900123";
const std::string kMessage = "Pump 2 stopped";

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

}  // namespace

TEST(ModemDialogue, WritesTheFiveCommandsInOrderWithExactBytes)
{
    ModemDialogue d = makeDialogue();
    const Session s = play(d, kGoodModem);
    const std::vector<std::string> expected = {
        "ATZ\r", "AT+CMGF=1\r", "AT+CSCS=\"GSM\"\r", "AT+CMGS=\"07700900123\"\r",
        std::string("Pump 2 stopped") + '\x1a'};
    EXPECT_EQ(s.written, expected);
}

TEST(ModemDialogue, CleanDialogueReportsMessageSentOk)
{
    ModemDialogue d = makeDialogue();
    const Session s = play(d, kGoodModem);
    EXPECT_TRUE(s.timeouts.empty());
    EXPECT_EQ(s.result, "Message Sent OK!");
    EXPECT_TRUE(d.failures().empty());
}

TEST(ModemDialogue, AwaitedTextSplitOverTwoReadsStillEndsTheWait)
{
    ModemDialogue d = makeDialogue();
    ModemStep step = d.start(milliseconds(0));
    EXPECT_EQ(step.write, "ATZ\r");
    step = d.feed("\r\nO", milliseconds(5));
    EXPECT_TRUE(step.write.empty());
    EXPECT_EQ(d.exchangeIndex(), 0);
    step = d.feed("K\r\n", milliseconds(6));
    EXPECT_EQ(step.write, "AT+CMGF=1\r");
    EXPECT_EQ(d.exchangeIndex(), 1);
}

TEST(ModemDialogue, AwaitedTextIsFoundAnywhereInTheReplyIncludingTheEcho)
{
    ModemDialogue d = makeDialogue();
    d.start(milliseconds(0));
    const ModemStep step = d.feed("ATZ\r\r\nnoise OK more noise", milliseconds(1));
    EXPECT_EQ(step.write, "AT+CMGF=1\r");
}

TEST(ModemDialogue, AwaitedTextMustMatchExactCase)
{
    ModemDialogue d = makeDialogue();
    d.start(milliseconds(0));
    const ModemStep step = d.feed("\r\nok\r\n", milliseconds(1));
    EXPECT_TRUE(step.write.empty());
    EXPECT_EQ(d.exchangeIndex(), 0);
}

TEST(ModemDialogue, ReplyIsEmptiedForEveryExchange)
{
    ModemDialogue d = makeDialogue();
    d.start(milliseconds(0));
    // Two answers in one read: the second OK belongs to the first exchange's
    // reply and must not end the wait of the second command.
    ModemStep step = d.feed("\r\nOK\r\n\r\nOK\r\n", milliseconds(1));
    EXPECT_EQ(step.write, "AT+CMGF=1\r");
    EXPECT_EQ(d.modemReply(), "");
    step = d.feed("", milliseconds(2));
    EXPECT_TRUE(step.write.empty());
    EXPECT_EQ(d.exchangeIndex(), 1);
}

TEST(ModemDialogue, WaitEndsOnlyWhenMoreThanTheTimeoutHasPassed)
{
    ModemDialogue d = makeDialogue(kNumber, kMessage, milliseconds(15000));
    d.start(milliseconds(100));
    EXPECT_TRUE(d.feed("", milliseconds(15100)).timeoutText.empty());
    EXPECT_EQ(d.exchangeIndex(), 0);
    const ModemStep step = d.feed("", milliseconds(15101));
    EXPECT_EQ(step.timeoutText, "ATZ - Timeout");
    EXPECT_EQ(step.write, "AT+CMGF=1\r");
}

TEST(ModemDialogue, DefaultReplyTimeoutIsFifteenSeconds)
{
    PreparedModemDialogue prepared = prepareModemDialogue(kNumber, kMessage);
    ASSERT_TRUE(prepared.dialogue);
    prepared.dialogue->start(milliseconds(0));
    EXPECT_TRUE(prepared.dialogue->feed("", milliseconds(15000)).timeoutText.empty());
    EXPECT_EQ(prepared.dialogue->feed("", milliseconds(15001)).timeoutText, "ATZ - Timeout");
}

TEST(ModemDialogue, SilentModemTimesOutEveryExchangeAndNamesThemAll)
{
    ModemDialogue d = makeDialogue();
    const Session s = play(d, {});
    const std::vector<std::string> expected = {"ATZ - Timeout", "AT+CMGF=1: Timeout", "AT+CSCS= Timeout",
                                               ">Prompt Timeout", "Message Timeout"};
    EXPECT_EQ(s.timeouts, expected);
    EXPECT_EQ(s.written.size(), 5u) << "a time-out must not stop the dialogue";
    EXPECT_EQ(s.result, "ATZ - Timeout\nAT+CMGF=1: Timeout\nAT+CSCS= Timeout\n>Prompt Timeout\nMessage Timeout");
    EXPECT_NE(s.result.find("Timeout"), std::string::npos);
    EXPECT_EQ(s.result.find("Message Sent OK!"), std::string::npos);
}

TEST(ModemDialogue, OneTimedOutExchangeSpoilsTheResultButTheRestStillRuns)
{
    ModemDialogue d = makeDialogue();
    std::vector<std::string> answers = kGoodModem;
    answers[2] = "";  // no answer to the character set command
    const Session s = play(d, answers);
    EXPECT_EQ(s.written.size(), 5u);
    EXPECT_EQ(s.timeouts, std::vector<std::string>{"AT+CSCS= Timeout"});
    EXPECT_EQ(s.result, "AT+CSCS= Timeout");
}

TEST(ModemDialogue, ErrorAnswerToTheMessageIsReportedNotSentOk)
{
    ModemDialogue d = makeDialogue();
    std::vector<std::string> answers = kGoodModem;
    answers[4] = "\r\nERROR\r\n";
    const Session s = play(d, answers);
    EXPECT_TRUE(s.timeouts.empty()) << "ERROR must end the fifth wait at once";
    EXPECT_EQ(s.result, "The modem answered ERROR to the message.");
}

TEST(ModemDialogue, EchoedMessageContainingCmgsEndsTheFifthWaitAtOnce)
{
    const std::string message = "status +CMGS: fine";
    ModemDialogue d = makeDialogue(kNumber, message);
    d.start(milliseconds(0));
    for (int i = 0; i < 4; ++i)
        d.feed(kGoodModem[static_cast<std::size_t>(i)], milliseconds(1 + i));
    ASSERT_EQ(d.exchangeIndex(), 4);
    const ModemStep step = d.feed(message, milliseconds(10));
    EXPECT_TRUE(step.finished);
    EXPECT_TRUE(step.timeoutText.empty());
    // Only the echo came back, so the message is not confirmed as sent.
    EXPECT_EQ(d.result(), "The modem echoed the message back but did not confirm it was sent.");
}

TEST(ModemDialogue, EchoCutShortAfterAnAwaitedWordIsStillTheEcho)
{
    // A modem echoing character by character: the wait ends as soon as
    // "+CMGS:" has arrived, halfway through the echo.
    const std::string message = "level +CMGS: high";
    for (const std::string& before : {std::string(), std::string(" ")}) {
        ModemDialogue d = makeDialogue(kNumber, message);
        d.start(milliseconds(0));
        for (int i = 0; i < 4; ++i)
            d.feed(kGoodModem[static_cast<std::size_t>(i)], milliseconds(1 + i));
        EXPECT_TRUE(d.feed(before + "level +CM", milliseconds(10)).write.empty());
        EXPECT_TRUE(d.feed("GS:", milliseconds(11)).finished);
        EXPECT_EQ(d.result(), "The modem echoed the message back but did not confirm it was sent.") << before;
    }
}

TEST(ModemDialogue, EchoedMessageContainingErrorIsNotTakenForTheModemsError)
{
    const std::string message = "ERROR on pump 2";
    ModemDialogue d = makeDialogue(kNumber, message);
    d.start(milliseconds(0));
    for (int i = 0; i < 4; ++i)
        d.feed(kGoodModem[static_cast<std::size_t>(i)], milliseconds(1 + i));
    const ModemStep step = d.feed(message + "\r\n+CMGS: 7\r\n", milliseconds(10));
    EXPECT_TRUE(step.finished);
    EXPECT_EQ(d.result(), "Message Sent OK!");
}

TEST(ModemDialogue, AnswerArrivingInThePollThatPassesTheTimeoutCountsAsAnswer)
{
    ModemDialogue d = makeDialogue(kNumber, kMessage, milliseconds(100));
    d.start(milliseconds(0));
    const ModemStep step = d.feed("\r\nOK\r\n", milliseconds(500));
    EXPECT_TRUE(step.timeoutText.empty());
    EXPECT_EQ(step.write, "AT+CMGF=1\r");
    EXPECT_TRUE(d.failures().empty());
}

TEST(ModemDialogue, ExchangeFiveWaitsForCmgsOrError)
{
    ModemDialogue d = makeDialogue();
    d.start(milliseconds(0));
    for (int i = 0; i < 4; ++i)
        d.feed(kGoodModem[static_cast<std::size_t>(i)], milliseconds(1 + i));
    EXPECT_EQ(d.awaited(), (std::vector<std::string>{"+CMGS:", "ERROR"}));
    EXPECT_FALSE(d.feed("\r\nOK\r\n", milliseconds(20)).finished) << "OK alone does not end the fifth wait";
}

TEST(ModemDialogue, AbortEndsTheDialogueAndKeepsEarlierFailures)
{
    ModemDialogue d = makeDialogue();
    d.start(milliseconds(0));
    d.feed("", milliseconds(301));  // ATZ timed out
    d.abort("The modem port stopped working: Input/output error");
    EXPECT_TRUE(d.finished());
    EXPECT_EQ(d.result(), "ATZ - Timeout\nThe modem port stopped working: Input/output error");
    EXPECT_TRUE(d.feed("\r\nOK\r\n", milliseconds(302)).write.empty()) << "an ended dialogue writes nothing";
}

TEST(ModemDialogue, ResultBeforeTheEndIsNotSuccess)
{
    ModemDialogue d = makeDialogue();
    d.start(milliseconds(0));
    EXPECT_NE(d.result(), "Message Sent OK!");
}

TEST(PrepareModemDialogue, RefusesRecipientsThatAreNotPhoneNumbers)
{
    for (const std::string number : {"+44 7700", "abc", "", "+", "0770\"", "0770;D", "++44", "44+", " 0770"}) {
        const PreparedModemDialogue prepared = prepareModemDialogue(number, kMessage);
        EXPECT_FALSE(prepared.dialogue) << number;
        EXPECT_NE(prepared.error.find("\"" + number + "\" is not a phone number"), std::string::npos)
            << prepared.error;
    }
}

TEST(PrepareModemDialogue, AcceptsDigitsWithAnOptionalLeadingPlus)
{
    for (const std::string number : {"07700900123", "+447700900123", "1"}) {
        const PreparedModemDialogue prepared = prepareModemDialogue(number, kMessage);
        ASSERT_TRUE(prepared.dialogue) << number;
        EXPECT_EQ(prepared.dialogue->exchanges()[3].written, "AT+CMGS=\"" + number + "\"\r");
    }
}

TEST(PrepareModemDialogue, CtrlZAndEscapeAreRemovedFromTheMessage)
{
    const std::string message = std::string("stop") + '\x1a' + "AT+CMGD=1" + '\x1b' + "\r done";
    const PreparedModemDialogue prepared = prepareModemDialogue(kNumber, message);
    ASSERT_TRUE(prepared.dialogue);
    EXPECT_EQ(prepared.dialogue->exchanges()[4].written, std::string("stopAT+CMGD=1\r done") + '\x1a');
}

TEST(CleanModemMessage, ReplacesEachNonAsciiCharacterWithOneQuestionMark)
{
    EXPECT_EQ(cleanModemMessage("\xC2\xA3" "5 left"), "?5 left");           // pound sign, 2 bytes
    EXPECT_EQ(cleanModemMessage("caf\xC3\xA9!"), "caf?!");                   // e acute
    EXPECT_EQ(cleanModemMessage("\xE2\x82\xAC" "3"), "?3");                 // euro sign, 3 bytes
    EXPECT_EQ(cleanModemMessage("a\xF0\x9F\x94\xA5" "b"), "a?b");           // 4 bytes
    EXPECT_EQ(cleanModemMessage("x\xFFy\xC3"), "x?y?");                       // broken UTF-8, byte by byte
    EXPECT_EQ(cleanModemMessage("plain 7-bit text 0-9 @#"), "plain 7-bit text 0-9 @#");
}
