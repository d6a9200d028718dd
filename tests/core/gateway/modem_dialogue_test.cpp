// Whole modem sessions played against the dialogue without a port: the test
// stands in for the modem and the clock.
#include "core/gateway/modem_dialogue.h"
#include "core/gateway/gsm_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace lumivane;
using std::chrono::milliseconds;

namespace {

const std::string kNumber = "07700900123";
const std::string kMessage = "Pump 2 stopped";
const std::vector<std::string> kGoodModem = {"\r\nOK\r\n", "\r\nOK\r\n", "\r\nOK\r\n", "\r\n> ",
                                             "\r\n+CMGS: 12\r\n\r\nOK\r\n"};

// A dialogue started at 0 ms whose first `answers` arrive one per millisecond.
ModemDialogue answeredDialogue(const std::string& message, const std::vector<std::string>& answers)
{
    ModemDialogue d = prepareModemDialogue(kNumber, message, milliseconds(300)).value();
    d.start(milliseconds(0));
    for (std::size_t i = 0; i < answers.size(); ++i)
        d.feed(answers[i], milliseconds(1 + i));
    return d;
}

}  // namespace

// An error ends its wait at once with the modem's code; it does not stop the
// dialogue but spoils the result. A text one SMS cannot hold, or that lost
// characters to the GSM alphabet, is sent with a note.
TEST(ModemDialogue, ResultNamesEachErrorCodeAndNotesATextThatDoesNotFit)
{
    std::vector<std::string> errorToText = kGoodModem, codedErrors = kGoodModem;
    errorToText[4] = "\r\nERROR\r\n";
    codedErrors[1] = "\r\n+CME ERROR: 3\r\n";
    codedErrors[4] = "\r\n+CMS ERROR: 500 \r\n";
    const struct {
        std::string message;
        std::vector<std::string> answers;
        std::string result;
    } cases[] = {
        {kMessage, errorToText, "The modem answered ERROR to the message."},
        {kMessage, codedErrors,
         "The modem answered +CME ERROR: 3 to AT+CMGF=1.\nThe modem answered +CMS ERROR: 500 to the message."},
        {std::string(160, 'a'), kGoodModem, "Message Sent OK!"},
        {std::string(161, 'a'), kGoodModem,
         "Message Sent OK!\nNote: the text is 161 characters long; one SMS holds 160, so the network may cut or refuse it."},
        {"x\xE2\x80\x94y", kGoodModem,
         "Message Sent OK!\nNote: 1 character(s) of the text are not in the GSM alphabet and were sent as \"?\"."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(answeredDialogue(c.message, c.answers).result(), c.result);
}

// Awaited text ends the wait wherever and however it arrives, exact case only;
// what answered one exchange never ends the next wait.
TEST(ModemDialogue, AwaitedTextEndsTheWaitWhereverAndHoweverItArrives)
{
    const std::pair<std::vector<std::string>, std::vector<int>> cases[] = {
        {{"\r\nO", "K\r\n"}, {0, 1}}, {{"ATZ\r\r\nnoise OK more noise"}, {1}},
        {{"\r\nok\r\n"}, {0}},        {{"\r\nOK\r\n\r\nOK\r\n", ""}, {1, 1}},
        {{"\r\nERROR\r\n"}, {1}},     {{"\r\n+CMS ERROR: 5", "00\r\n"}, {0, 1}},  // the code is read to its line end
    };
    for (const auto& [reads, exchangeAfter] : cases) {
        ModemDialogue d = answeredDialogue(kMessage, {});
        for (std::size_t i = 0; i < reads.size(); ++i) {
            d.feed(reads[i], milliseconds(1 + i));
            EXPECT_EQ(d.exchangeIndex(), exchangeAfter[i]) << reads[0] << ", read " << i;
        }
    }
    // The wait ends only when more than the time-out (15 s by default) has passed;
    // an answer in the poll that passes it still counts.
    ModemDialogue d = prepareModemDialogue(kNumber, kMessage).value();
    d.start(milliseconds(100));
    EXPECT_EQ(d.feed("", milliseconds(15100)).timeoutText, "");
    EXPECT_EQ(d.feed("", milliseconds(15101)).timeoutText, "ATZ - Timeout");
    const ModemStep answered = d.feed("\r\nOK\r\n", milliseconds(60000));
    EXPECT_EQ(answered.timeoutText, "");
    EXPECT_EQ(answered.write, "AT+CSCS=\"GSM\"\r");
}

// The fifth wait ends on the modem's own "+CMGS:" or error, never on the echo of
// the text (which may arrive character by character). Silence ends it only after
// four reply time-outs (60 s by default), as "not confirmed in time".
TEST(ModemDialogue, MessageAnswerIsJudgedApartFromItsEcho)
{
    const struct {
        std::string message;
        std::vector<std::string> reads;
        bool endsOnLastRead;
        std::string result;
    } cases[] = {
        {"status +CMGS: fine", {"status +CMGS: fine"}, false, kNotConfirmedInTime},
        {"level +CMGS: high", {"level +CM", "GS:"}, false, kNotConfirmedInTime},
        {"ERROR on pump 2", {"ERROR on pump"}, false, kNotConfirmedInTime},
        {"ERROR on pump 2", {"ERROR on pump 2", "\r\n+CMGS: 7\r\n"}, true, "Message Sent OK!"},
        {"ERROR on pump 2", {"ERROR on pump 2\r\nERROR\r\n"}, true, "The modem answered ERROR to the message."},
        {kMessage, {"\r\nOK\r\n", "\r\n+CMGS: 7\r\n"}, true, "Message Sent OK!"},  // OK alone does not end it
    };
    for (const auto& c : cases) {
        ModemDialogue d = answeredDialogue(c.message, {kGoodModem.begin(), kGoodModem.begin() + 4});
        for (std::size_t i = 0; i < c.reads.size(); ++i) {
            const ModemStep step = d.feed(c.reads[i], milliseconds(10 + i));
            EXPECT_EQ(step.finished, c.endsOnLastRead && i + 1 == c.reads.size()) << c.reads[0] << ", read " << i;
        }
        if (!c.endsOnLastRead) {
            EXPECT_FALSE(d.feed("", milliseconds(4 + 1200)).finished) << "four reply time-outs for the message";
            EXPECT_EQ(d.feed("", milliseconds(4 + 1201)).timeoutText, "Message Timeout");
        }
        EXPECT_EQ(d.result(), c.result) << c.reads[0];
    }
}

// The recipient loses blanks, hyphens, dots and brackets; then only digits with an
// optional leading "+" reach the command.
TEST(PrepareModemDialogue, RecipientCannotCarryCommands)
{
    for (const auto& [typed, sent] :
         {std::pair{"+44 7700 900123", "+447700900123"}, {"(0)7700-900.123", "07700900123"}})
        EXPECT_EQ(prepareModemDialogue(typed, kMessage)->exchanges()[3].written,
                  "AT+CMGS=\"" + std::string(sent) + "\"\r");
    for (const std::string number : {"+44 7700 x", "", "()", "0770\"", "0770;D", "++44", "44+"}) {
        const auto refused = prepareModemDialogue(number, kMessage);
        ASSERT_FALSE(refused) << number;
        EXPECT_NE(refused.error().reason.find("\"" + number + "\" is not a phone number"), std::string::npos);
    }
}

// The text in the GSM default alphabet: the escape table for [ ] { } € ^ \ | ~, one
// "?" for anything else (Ctrl-Z and ESC among them, which would end or cancel the
// text), counting what was replaced and the characters sent.
TEST(PrepareModemDialogue, TextInTheGsmAlphabetEscapesOrReplacesWhatItLacks)
{
    const GsmText text = encodeGsmText("@\u00A35 caf\xC3\xA9 \xE2\x82\xAC"
                                       "3 a\xF0\x9F\x94\xA5"
                                       "b x\xFFy\x1a\x1b[]{}^\\|~\xC3");
    EXPECT_EQ(text.bytes, std::string("\0\x01"
                                      "5 caf\x05 \x1b\x65"
                                      "3 a?b x?y??",
                                      22) +
                              "\x1b<\x1b>\x1b(\x1b)\x1b\x14\x1b/\x1b@\x1b=?");
    EXPECT_EQ(text.replaced, 5u);
    EXPECT_EQ(text.characters, 22u + 16u + 1u);
}
