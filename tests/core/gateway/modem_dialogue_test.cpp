// Whole modem sessions played against the dialogue without a port: the test
// stands in for the modem and the clock.
#include "core/gateway/modem_dialogue.h"
#include "core/gateway/gsm_text.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace lumivane;
using std::chrono::milliseconds;

namespace {

const std::string kNumber = "07700900123";
const std::string kMessage = "Pump 2 stopped";
constexpr char kText[] = "TEXT";  // stands for the message in a modem's script

// A text-mode modem that answers by the head of what was written; `script` replaces answers.
std::string scriptedAnswer(const std::map<std::string, std::string>& script, const std::string& written)
{
    const bool text = !written.empty() && written.back() == kCtrlZ;
    for (const auto& [head, answer] : script)
        if ((text && head == kText) || (!text && written.rfind(head, 0) == 0))
            return answer;
    if (text)
        return "> " + written + "\r\n+CMGS: 12\r\n\r\nOK\r\n";  // echoed, then the reference
    if (written.rfind("AT+CMGS=", 0) == 0)
        return "\r\n> ";
    for (const char* status : {"+CPIN: READY", "+CREG: 0,1", "+CSQ: 20,99"})
        if (written.size() > 6 && written.substr(2, 4) == std::string_view(status).substr(0, 4))
            return "\r\n" + std::string(status) + "\r\n\r\nOK\r\n";
    return "\r\nOK\r\n";
}

struct Played {
    std::vector<std::string> written;
    ModemOutcome outcome;
    long endedAt = 0;  // ms, the time of the feed that finished the dialogue
};

// Plays the dialogue: each answer arrives 1 ms after the write; silence lets 400 ms
// pass per poll (reply time-out 300 ms, the message's 1200 ms).
Played play(const std::map<std::string, std::string>& script, const std::string& message = kMessage)
{
    ModemDialogue d = prepareModemDialogue(kNumber, message, milliseconds(300)).value();
    Played p;
    ModemStep step = d.start(milliseconds(0));
    p.written.push_back(step.write);
    std::string pending = scriptedAnswer(script, step.write);
    for (int polls = 0; !d.finished() && polls < 100; ++polls) {
        p.endedAt += pending.empty() ? 400 : 1;
        step = d.feed(std::exchange(pending, {}), milliseconds(p.endedAt));
        if (!step.write.empty()) {
            p.written.push_back(step.write);
            pending = scriptedAnswer(script, step.write);
        }
    }
    p.outcome = d.outcome();
    return p;
}

const std::vector<std::string> kSending = {"ATZ\r", "AT+CMGF=1\r", "AT+CSCS=\"GSM\"\r", "AT+CMGS=\"07700900123\"\r",
                                           kMessage + '\x1a'};
const std::vector<std::string> kQueries = {"AT+CPIN?\r", "AT+CREG?\r", "AT+CSQ\r"};

std::vector<std::string> joined(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

// Each way a modem answers ends in one true outcome: a refusal stops the sending at
// once and the modem is asked why; OK without +CMGS is a dropped message; a missing
// prompt is "not sent" and leaves text mode with ESC; a silent modem is not queried.
TEST(ModemDialogue, EachAnswerEndsInATrueOutcome)
{
    // A SIM that needs its PIN, as the status queries of the refusal's row report it.
    const std::map<std::string, std::string> pinNeeded = {{"AT+CPIN?", "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n"},
                                                          {"AT+CREG?", "\r\n+CREG: 0,0\r\n\r\nOK\r\n"},
                                                          {"AT+CSQ", "\r\n+CSQ: 3,99\r\n\r\nOK\r\n"}};
    const std::vector<std::string> upToPrompt(kSending.begin(), kSending.begin() + 4);
    const std::string ready = "; the modem reports: the SIM is ready, registered, signal 20 of 31";
    const struct {
        const char *name, *head, *answer;  // head: the command whose answer is replaced ("" for none)
        SmsDelivery delivery;
        std::string text;
        std::vector<std::string> written;
        long endedBy;  // ms
    } cases[] = {
        {"working", "", "", SmsDelivery::Sent, kModemSentOk, kSending, 5},
        {"SIM PIN", "AT+CMGS=", "\r\n+CME ERROR: 11\r\n", SmsDelivery::NotSent,
         "not sent: the SIM needs its PIN (+CME ERROR: 11) to AT+CMGS; the modem reports: the SIM needs its PIN, "
         "not registered, signal 3 of 31",
         joined(upToPrompt, kQueries), 7},
        {"dropped", kText, "\r\nOK\r\n", SmsDelivery::NotSent,
         "not sent: the modem answered OK without +CMGS: it dropped the message" + ready, joined(kSending, kQueries),
         8},
        {"centre", kText, "\r\n+CMS ERROR: 330\r\n", SmsDelivery::NotSent,
         "not sent: SMS service centre unknown (+CMS ERROR: 330)" + ready, joined(kSending, kQueries), 8},
        {"no prompt", "AT+CMGS=", "", SmsDelivery::NotSent,
         "not sent: no prompt from the modem within 300 ms after AT+CMGS" + ready,
         joined(joined(upToPrompt, {"\x1b"}), kQueries), 408},
        {"silent", "ATZ", "", SmsDelivery::NotSent, "not sent: no answer from the modem within 300 ms to ATZ",
         std::vector<std::string>(1, "ATZ\r"), 400},
        {"no confirmation", kText, "", SmsDelivery::Unconfirmed,
         "not confirmed: the modem did not answer the message within 1 s; it may have been sent", kSending, 1604},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::map<std::string, std::string> script = c.name == std::string("SIM PIN") ? pinNeeded : decltype(script){};
        if (*c.head)
            script[c.head] = c.answer;
        const Played p = play(script);
        EXPECT_EQ(p.outcome.delivery, c.delivery);
        EXPECT_EQ(p.outcome.text(), c.text);
        EXPECT_EQ(p.written, c.written);
        EXPECT_LE(p.endedAt, c.endedBy);
        EXPECT_EQ(p.outcome.worthRetrying, c.delivery != SmsDelivery::Sent);
    }
}

// Result codes count only as whole lines of the modem's own: the echo of a text
// that says "ERROR", "OK" or "+CMGS:" never ends the wait, nor does "ok".
TEST(ModemDialogue, OnlyWholeResultLinesEndAWait)
{
    for (const std::string message : {"ERROR on pump 2", "OK", "level +CMGS: high"}) {
        const Played p = play({{kText, message + "\r\n+CMS ERROR: 500\r\n"}}, message);
        EXPECT_EQ(p.outcome.reason, "not sent: unknown error (+CMS ERROR: 500)") << message;
        EXPECT_EQ(play({{kText, message + "\r\n+CMGS: 7\r\n\r\nOK\r\n"}}, message).outcome.delivery, SmsDelivery::Sent)
            << message;
    }
    ModemDialogue d = prepareModemDialogue(kNumber, kMessage).value();
    d.start(milliseconds(0));
    for (const char* noise : {"ATZ\r", "\r\nok\r\n", "noise OK more\r\n", "\r\nO"})
        EXPECT_EQ(d.feed(noise, milliseconds(1)).write, "") << noise;
    EXPECT_EQ(d.feed("K\r\n", milliseconds(2)).write, "AT+CMGF=1\r");
    EXPECT_EQ(d.feed("\r\n+CMS ERROR: 5", milliseconds(3)).write, "") << "the code is read to its line end";
    EXPECT_EQ(d.feed("00\r\n", milliseconds(4)).write, "AT+CPIN?\r");
    EXPECT_EQ(d.feed("", milliseconds(1504)).write, "") << "a status query waits 1.5 s";
    EXPECT_TRUE(d.feed("", milliseconds(1505)).finished) << "a modem that does not answer one is not asked more";
    EXPECT_EQ(d.outcome().text(), "not sent: unknown error (+CMS ERROR: 500) to AT+CMGF");
}

// The recipient loses blanks, hyphens, dots and brackets; then only digits with an
// optional leading "+" reach the command. "(0)" after a country code is refused with
// the number as it should be written; lists are split at commas.
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
    EXPECT_EQ(normalizePhoneNumber("+44 (0)7700-900.123").error().reason,
              "The recipient number \"+44 (0)7700-900.123\" has \"(0)\" after the country code; that 0 is not dialled "
              "from abroad. Write it as \"+447700900123\".");
    // Two of them, or nothing left without them: refused, with a suggestion only when one can be dialled.
    EXPECT_TRUE(normalizePhoneNumber("+44 ((0)0)7700").error().reason.ends_with("Write it as \"+447700\"."));
    EXPECT_TRUE(normalizePhoneNumber("+(0)").error().reason.ends_with("not dialled from abroad."));
    EXPECT_EQ(splitRecipients(" 0770 1, ,+44 20,"), (std::vector<std::string>{"0770 1", "+44 20"}));
}

// After the prompt only printable bytes go out: the escape table and the characters
// at control codes of the alphabet become look-alikes, counted in a note. (That the
// text goes to the port as encoded: the window's alarm SMS test, byte for byte.)
TEST(PrepareModemDialogue, TextHoldsOnlyPrintableBytes)
{
    const GsmText text = encodeGsmText("[07/12] {a}~\\|^ \xE2\x82\xAC"
                                       "5 @x \xC3\xB2\xCE\x93\xC3\xA9\xC3\xA0 "
                                       "\xC3\x84\xC3\xB1 \x1b\x1a\n\xF0\x9F\x94\xA5\xFF");
    EXPECT_EQ(text.bytes, "(07/12) (a)-//' EUR5 (at)x oGea [}    ??");
    EXPECT_EQ(text.replaced, 19u);
    std::string everything;
    for (char32_t c = 1; c < 0x800; ++c) {  // every one- and two-byte character as UTF-8
        if (c < 0x80)
            everything.push_back(static_cast<char>(c));
        else
            everything += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    }
    for (const char byte : encodeGsmText(everything).bytes)
        ASSERT_TRUE(byte >= 0x20 && byte <= 0x7E) << int(byte);
    EXPECT_EQ(play({}, "a[b]").outcome.text(),
              "Message Sent OK!; 2 character(s) the modem cannot take were sent as look-alikes or \"?\"");
}
