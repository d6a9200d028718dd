#include "core/gateway/modem_dialogue.h"

#include <algorithm>
#include <utility>

namespace lumivane {
namespace {

constexpr const char* kMessageError = "The modem answered ERROR to the message.";
constexpr const char* kMessageOnlyEchoed =
    "The modem echoed the message back but did not confirm it was sent.";

bool contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

bool isContinuationByte(unsigned char byte)
{
    return byte >= 0x80 && byte <= 0xBF;
}

// Length of the UTF-8 sequence a lead byte starts; 0 for a byte that starts none.
std::size_t utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// A modem that echoes character by character may end the wait in the middle of
// its echo, when the part that has arrived already holds an awaited word. That
// part is the reply's tail and the message's head; returns its length.
std::size_t partialEchoLength(std::string_view reply, std::string_view message)
{
    for (std::size_t length = std::min(reply.size(), message.size() - 1); length > 0; --length)
        if (reply.substr(reply.size() - length) == message.substr(0, length))
            return length;
    return 0;
}

}  // namespace

bool isPhoneNumber(std::string_view number)
{
    if (!number.empty() && number.front() == '+')
        number.remove_prefix(1);
    if (number.empty())
        return false;
    for (const char c : number)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::string cleanModemMessage(std::string_view message)
{
    // The modem was switched to the GSM character set, in which UTF-8 bytes
    // would arrive as several wrong letters; one "?" per character is honest.
    std::string out;
    out.reserve(message.size());
    std::size_t i = 0;
    while (i < message.size()) {
        const auto byte = static_cast<unsigned char>(message[i]);
        if (byte == static_cast<unsigned char>(kCtrlZ) || byte == static_cast<unsigned char>(kEscape)) {
            ++i;
            continue;
        }
        if (byte < 0x80) {
            out.push_back(message[i]);
            ++i;
            continue;
        }
        std::size_t length = utf8SequenceLength(byte);
        if (length == 0 || i + length > message.size())
            length = 1;
        for (std::size_t k = 1; k < length; ++k)
            if (!isContinuationByte(static_cast<unsigned char>(message[i + k]))) {
                length = 1;
                break;
            }
        out.push_back('?');
        i += length;
    }
    return out;
}

PreparedModemDialogue prepareModemDialogue(std::string_view number, std::string_view message,
                                           ModemDialogue::Milliseconds replyTimeout)
{
    PreparedModemDialogue prepared;
    if (!isPhoneNumber(number)) {
        // The number goes inside the quotes of a modem command: anything but
        // digits could end that command early or smuggle in another one.
        prepared.error = "The recipient number \"" + std::string(number) +
                         "\" is not a phone number (an optional \"+\" followed by digits only).";
        return prepared;
    }
    prepared.dialogue.emplace(std::string(number), cleanModemMessage(message), replyTimeout);
    return prepared;
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
        {message_ + std::string(1, kCtrlZ), {"+CMGS:", "ERROR"}, "Message Timeout"},
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

ModemStep ModemDialogue::feed(std::string_view received, Milliseconds now)
{
    if (!started_ || finished_)
        return ModemStep{{}, {}, finished_};
    modemReply_.append(received);

    const ModemExchange& exchange = exchanges_[current_];
    bool answered = false;
    for (const std::string& text : exchange.awaited)
        answered = answered || contains(modemReply_, text);
    // An answer that has arrived counts even when it came in the poll that also
    // passed the time-out: the modem did answer.
    const bool timedOut = !answered && now - writtenAt_ > replyTimeout_;
    if (!answered && !timedOut)
        return {};

    ModemStep step;
    if (timedOut) {
        failures_.push_back(exchange.timeoutText);
        step.timeoutText = exchange.timeoutText;
    } else if (current_ + 1 == exchanges_.size()) {
        judgeMessageAnswer();
    }

    // A time-out does not stop the dialogue: the next command is sent in any case.
    ++current_;
    if (current_ == exchanges_.size()) {
        finished_ = true;
        step.finished = true;
        return step;
    }
    step.write = beginExchange(now).write;
    return step;
}

void ModemDialogue::judgeMessageAnswer()
{
    // The wait ends on whatever arrives first, the modem's echo of the text
    // included; the verdict leaves the echoed text out, so a message that itself
    // says "ERROR" or "+CMGS:" is neither a false failure nor a false success.
    std::string answer = modemReply_;
    if (!message_.empty()) {
        const std::size_t echo = answer.find(message_);
        if (echo != std::string::npos)
            answer.erase(echo, message_.size());
        else
            answer.erase(answer.size() - partialEchoLength(answer, message_));
    }
    if (contains(answer, "+CMGS:"))
        return;
    if (contains(answer, "ERROR"))
        failures_.push_back(kMessageError);
    else
        failures_.push_back(kMessageOnlyEchoed);
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
    if (failures_.empty())
        return finished_ ? kModemSentOk : std::string("The message has not been sent yet.");
    std::string text;
    for (const std::string& failure : failures_) {
        if (!text.empty())
            text.push_back('\n');
        text += failure;
    }
    return text;
}

std::vector<std::string> ModemDialogue::awaited() const
{
    if (finished_)
        return {};
    return exchanges_[current_].awaited;
}

}  // namespace lumivane
