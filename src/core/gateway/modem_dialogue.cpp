#include "core/gateway/modem_dialogue.h"

#include <algorithm>
#include <utility>

#include "core/gateway/gsm_text.h"

namespace lumivane {
namespace {

constexpr std::size_t kMessageExchange = 4;
// What the modem's final result codes start with; the two with a code carry it to the line end.
constexpr std::string_view kCodedErrors[] = {"+CME ERROR:", "+CMS ERROR:"};

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// A modem that echoes character by character may have echoed only the message's
// head so far; that part is the reply's tail. Returns its length.
std::size_t partialEchoLength(std::string_view reply, std::string_view message)
{
    for (std::size_t length = std::min(reply.size(), message.size() - 1); length > 0; --length)
        if (reply.substr(reply.size() - length) == message.substr(0, length))
            return length;
    return 0;
}

// The modem's error answer in `answer`: "ERROR", or "+CMS ERROR: 500" once its line has
// ended (the code may still be arriving); empty when there is none yet. At the
// time-out an unfinished coded line counts as it stands.
std::string modemError(std::string_view answer, bool final)
{
    for (const std::string_view coded : kCodedErrors) {
        const std::size_t at = answer.find(coded);
        if (at == std::string_view::npos)
            continue;
        const std::size_t lineEnd = answer.find_first_of("\r\n", at);
        if (lineEnd == std::string_view::npos && !final)
            return {};
        std::string_view code = answer.substr(at, lineEnd == std::string_view::npos ? answer.npos : lineEnd - at);
        while (!code.empty() && code.back() == ' ')
            code.remove_suffix(1);
        return std::string(code);
    }
    return contains(answer, "ERROR") ? std::string("ERROR") : std::string();
}

}  // namespace

Expected<std::string> normalizePhoneNumber(std::string_view number)
{
    std::string digits;
    for (const char c : number)
        if (c != ' ' && c != '-' && c != '.' && c != '(' && c != ')')
            digits.push_back(c);
    std::string_view rest = digits;
    if (!rest.empty() && rest.front() == '+')
        rest.remove_prefix(1);
    const bool valid =
        !rest.empty() && std::all_of(rest.begin(), rest.end(), [](char c) { return c >= '0' && c <= '9'; });
    // The number goes inside the quotes of a modem command: anything but digits
    // could end that command early or smuggle in another one.
    if (!valid)
        return failure("The recipient number \"" + std::string(number) +
                       "\" is not a phone number (an optional \"+\" followed by digits; blanks, hyphens, dots "
                       "and brackets are allowed between them).");
    return digits;
}

Expected<ModemDialogue> prepareModemDialogue(std::string_view number, std::string_view message,
                                             ModemDialogue::Milliseconds replyTimeout)
{
    Expected<std::string> checked = normalizePhoneNumber(number);
    if (!checked)
        return checked.error();
    const GsmText text = encodeGsmText(message);
    ModemDialogue dialogue(std::move(checked).value(), text.bytes, replyTimeout);
    if (text.replaced > 0)
        dialogue.addNote("Note: " + std::to_string(text.replaced) +
                         " character(s) of the text are not in the GSM alphabet and were sent as \"?\".");
    if (text.characters > kSmsCharacters)
        dialogue.addNote("Note: the text is " + std::to_string(text.characters) + " characters long; one SMS holds " +
                         std::to_string(kSmsCharacters) + ", so the network may cut or refuse it.");
    return dialogue;
}

ModemDialogue::ModemDialogue(const std::string& number, std::string message, Milliseconds replyTimeout)
    : message_(std::move(message)), replyTimeout_(replyTimeout)
{
    const std::string cr(1, '\r');
    exchanges_ = {
        {"ATZ" + cr, {"OK"}, "ATZ - Timeout"},
        {"AT+CMGF=1" + cr, {"OK"}, "AT+CMGF=1: Timeout"},
        {"AT+CSCS=\"GSM\"" + cr, {"OK"}, "AT+CSCS= Timeout"},
        {"AT+CMGS=\"" + number + "\"" + cr, {">"}, ">Prompt Timeout"},
        {message_ + std::string(1, kCtrlZ), {"+CMGS:"}, "Message Timeout"},
    };
}

ModemStep ModemDialogue::start(Milliseconds now)
{
    if (started_ || finished_)
        return ModemStep{{}, {}, finished_};
    started_ = true;
    current_ = 0;
    return beginExchange(now);
}

ModemStep ModemDialogue::beginExchange(Milliseconds now)
{
    modemReply_.clear();
    writtenAt_ = now;
    return ModemStep{exchanges_[current_].written, {}, false};
}

ModemDialogue::Milliseconds ModemDialogue::timeoutOf(std::size_t exchange) const
{
    return exchange == kMessageExchange ? replyTimeout_ * kMessageTimeoutFactor : replyTimeout_;
}

ModemStep ModemDialogue::feed(std::string_view received, Milliseconds now)
{
    if (!started_ || finished_)
        return ModemStep{{}, {}, finished_};
    modemReply_.append(received);

    // The modem's echo of the text is not its answer: a message that itself says
    // "ERROR" or "+CMGS:" must not end the wait.
    std::string answer = modemReply_;
    if (current_ == kMessageExchange && !message_.empty()) {
        const std::size_t echo = answer.find(message_);
        if (echo != std::string::npos)
            answer.erase(echo, message_.size());
        else
            answer.erase(answer.size() - partialEchoLength(answer, message_));
    }

    const ModemExchange& exchange = exchanges_[current_];
    bool answered = false;
    for (const std::string& text : exchange.awaited)
        answered = answered || contains(answer, text);
    const bool late = now - writtenAt_ > timeoutOf(current_);
    const std::string error = answered ? std::string() : modemError(answer, late);
    // An answer that has arrived counts even when it came in the poll that also
    // passed the time-out: the modem did answer.
    if (!answered && error.empty() && !late)
        return {};

    ModemStep step;
    const std::string command = current_ == kMessageExchange ? std::string("the message")
                                                             : exchange.written.substr(0, exchange.written.size() - 1);
    if (!error.empty()) {
        failures_.push_back("The modem answered " + error + " to " + command + ".");
    } else if (!answered) {
        failures_.push_back(current_ == kMessageExchange ? kNotConfirmedInTime : exchange.timeoutText);
        step.timeoutText = exchange.timeoutText;
    }

    // Neither a time-out nor an error stops the dialogue: the next command is sent in any case.
    ++current_;
    if (current_ == exchanges_.size()) {
        finished_ = true;
        step.finished = true;
        return step;
    }
    step.write = beginExchange(now).write;
    return step;
}

void ModemDialogue::abort(std::string reason)
{
    if (finished_)
        return;
    failures_.push_back(std::move(reason));
    finished_ = true;
    current_ = exchanges_.size();
}

std::string ModemDialogue::result() const
{
    std::string text = failures_.empty() ? (finished_ ? kModemSentOk : "The message has not been sent yet.") : "";
    for (const std::string& failure : failures_) {
        if (!text.empty())
            text.push_back('\n');
        text += failure;
    }
    for (const std::string& note : notes_)
        text += "\n" + note;
    return text;
}

std::vector<std::string> ModemDialogue::awaited() const
{
    if (finished_)
        return {};
    return exchanges_[current_].awaited;
}

}  // namespace lumivane
