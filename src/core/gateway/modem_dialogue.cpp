#include "core/gateway/modem_dialogue.h"

#include <algorithm>
#include <utility>

#include "core/gateway/gsm_text.h"
#include "core/text/number_text.h"

namespace lumivane {
namespace {

using Awaits = ModemExchange::Awaits;

bool startsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

// The complete lines heard so far (a line ends at CR or LF), blanks trimmed, empty ones dropped.
std::vector<std::string> completeLines(std::string_view heard)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < heard.size(); ++i)
        if (heard[i] == '\r' || heard[i] == '\n') {
            const std::string_view line = trimBlanks(heard.substr(start, i - start));
            if (!line.empty())
                lines.emplace_back(line);
            start = i + 1;
        }
    return lines;
}

bool isError(std::string_view line)
{
    return line == "ERROR" || startsWith(line, "+CME ERROR:") || startsWith(line, "+CMS ERROR:");
}

// The prompt is "> " at the start of a line; the modem sends no line end after it.
bool promptArrived(std::string_view heard)
{
    for (std::size_t at = heard.find('>'); at != std::string_view::npos; at = heard.find('>', at + 1))
        if (at == 0 || heard[at - 1] == '\n' || heard[at - 1] == '\r')
            return true;
    return false;
}

struct CodeWords {
    int code;
    const char* words;
};
// The codes a modem gives most often for a message that cannot go (3GPP TS 27.007
// for +CME, TS 27.005 and TS 24.011 for +CMS).
constexpr CodeWords kCmeCodes[] = {
    {3, "operation not allowed"},
    {4, "operation not supported"},
    {10, "no SIM inserted"},
    {11, "the SIM needs its PIN"},
    {12, "the SIM needs its PUK"},
    {13, "SIM failure"},
    {14, "the SIM is busy"},
    {15, "wrong SIM"},
    {16, "wrong password"},
    {17, "the SIM needs its PIN2"},
    {18, "the SIM needs its PUK2"},
    {20, "memory full"},
    {30, "no network service"},
    {31, "network time-out"},
    {32, "network not allowed, emergency calls only"},
    {100, "unknown error"},
};
constexpr CodeWords kCmsCodes[] = {
    {1, "unassigned number"},
    {8, "operator barred the SMS"},
    {10, "call barred"},
    {21, "message refused by the network"},
    {27, "destination out of service"},
    {28, "unidentified subscriber"},
    {29, "facility rejected"},
    {30, "unknown subscriber"},
    {38, "network out of order"},
    {41, "temporary network failure"},
    {42, "network congestion"},
    {47, "network resources unavailable"},
    {50, "SMS not subscribed"},
    {300, "modem failure"},
    {301, "SMS service of the modem reserved"},
    {302, "operation not allowed"},
    {303, "operation not supported"},
    {304, "invalid PDU mode parameter"},
    {305, "invalid text mode parameter"},
    {310, "no SIM inserted"},
    {311, "the SIM needs its PIN"},
    {312, "the phone needs its SIM PIN"},
    {313, "SIM failure"},
    {314, "the SIM is busy"},
    {315, "wrong SIM"},
    {316, "the SIM needs its PUK"},
    {320, "memory failure"},
    {322, "memory full"},
    {330, "SMS service centre unknown"},
    {331, "no network service"},
    {332, "network time-out"},
    {500, "unknown error"},
};

template <std::size_t N>
const char* wordsOf(const CodeWords (&table)[N], std::string_view digits)
{
    for (const CodeWords& entry : table)
        if (std::to_string(entry.code) == digits)
            return entry.words;
    return nullptr;
}

std::string cpinWords(std::string_view state)
{
    if (state == "READY")
        return "the SIM is ready";
    if (state == "SIM PIN")
        return "the SIM needs its PIN";
    if (state == "SIM PUK")
        return "the SIM is blocked and needs its PUK";
    return "the SIM reports " + std::string(state);
}

std::string cregWords(std::string_view values)
{
    // "+CREG: <n>,<stat>[,...]": the registration state is the second value.
    const std::size_t comma = values.find(',');
    const std::string_view stat = trimBlanks(comma == std::string_view::npos ? values : values.substr(comma + 1, 1));
    if (stat == "1")
        return "registered";
    if (stat == "5")
        return "registered (roaming)";
    if (stat == "2")
        return "not registered, searching for a network";
    if (stat == "3")
        return "registration denied";
    if (stat == "0")
        return "not registered";
    return "registration unknown";
}

std::string csqWords(std::string_view values)
{
    const std::string_view rssi = trimBlanks(values.substr(0, values.find(',')));
    if (rssi == "99" || rssi.empty())
        return "signal unknown";
    return "signal " + std::string(rssi) + " of 31";
}

}  // namespace

std::string modemErrorText(std::string_view resultCode)
{
    const std::string quoted(trimBlanks(resultCode));
    const bool cme = startsWith(quoted, "+CME ERROR:");
    if (!cme && !startsWith(quoted, "+CMS ERROR:"))
        return "the modem answered " + quoted;
    const std::string_view digits = trimBlanks(std::string_view(quoted).substr(11));
    const char* words = cme ? wordsOf(kCmeCodes, digits) : wordsOf(kCmsCodes, digits);
    return words ? std::string(words) + " (" + quoted + ")" : "the modem answered " + quoted;
}

std::string ModemOutcome::text() const
{
    std::string line = delivery == SmsDelivery::Sent ? std::string(kModemSentOk) : reason;
    if (!diagnosis.empty())
        line += "; the modem reports: " + diagnosis;
    for (const std::string& note : notes)
        line += "; " + note;
    return line;
}

Expected<std::string> normalizePhoneNumber(std::string_view number)
{
    const std::string typed(trimBlanks(number));
    std::string digits;
    for (const char c : typed)
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
        return failure("The recipient number \"" + typed +
                       "\" is not a phone number (an optional \"+\" followed by digits; blanks, hyphens, dots "
                       "and brackets are allowed between them).");
    // "+44 (0)7700..." is written for people: dialled as it stands the 0 makes a wrong number.
    std::string compact;
    for (const char c : typed)
        if (c != ' ')
            compact.push_back(c);
    if (typed.front() == '+' && compact.find("(0)") != std::string::npos) {
        // Every "(0)" goes, or the number suggested would be refused in its turn.
        std::string corrected = compact;
        for (std::size_t at = corrected.find("(0)"); at != std::string::npos; at = corrected.find("(0)"))
            corrected.erase(at, 3);
        const Expected<std::string> dialled = normalizePhoneNumber(corrected);
        return failure("The recipient number \"" + typed +
                       "\" has \"(0)\" after the country code; that 0 is not dialled from abroad." +
                       (dialled ? " Write it as \"" + *dialled + "\"." : std::string()));
    }
    return digits;
}

std::vector<std::string> splitRecipients(std::string_view numbers)
{
    std::vector<std::string> list;
    while (!numbers.empty()) {
        const std::size_t comma = numbers.find(',');
        const std::string_view one = trimBlanks(numbers.substr(0, comma));
        if (!one.empty())
            list.emplace_back(one);
        numbers.remove_prefix(comma == std::string_view::npos ? numbers.size() : comma + 1);
    }
    return list;
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
        dialogue.addNote(std::to_string(text.replaced) +
                         " character(s) the modem cannot take were sent as look-alikes or \"?\"");
    if (text.characters > kSmsCharacters)
        dialogue.addNote("the text is " + std::to_string(text.characters) + " characters long; one SMS holds " +
                         std::to_string(kSmsCharacters) + ", so the network may cut or refuse it");
    return dialogue;
}

ModemDialogue::ModemDialogue(const std::string& number, std::string message, Milliseconds replyTimeout)
    : message_(std::move(message)), replyTimeout_(replyTimeout)
{
    const std::string cr(1, '\r');
    exchanges_ = {
        {"ATZ" + cr, Awaits::FinalResult},
        {"AT+CMGF=1" + cr, Awaits::FinalResult},
        {"AT+CSCS=\"GSM\"" + cr, Awaits::FinalResult},
        {"AT+CMGS=\"" + number + "\"" + cr, Awaits::Prompt},
        {message_ + std::string(1, kCtrlZ), Awaits::MessageResult},
    };
}

ModemStep ModemDialogue::start(Milliseconds now)
{
    if (started_ || finished_)
        return ModemStep{{}, finished_};
    started_ = true;
    current_ = 0;
    return beginExchange(now);
}

ModemStep ModemDialogue::beginExchange(Milliseconds now)
{
    heard_.clear();
    writtenAt_ = now;
    return ModemStep{exchanges_[current_].written, false};
}

ModemDialogue::Milliseconds ModemDialogue::timeoutOf(const ModemExchange& exchange) const
{
    switch (exchange.awaits) {
    case Awaits::MessageResult: return replyTimeout_ * kMessageTimeoutFactor;
    case Awaits::Diagnosis: return std::min(replyTimeout_, kDiagnosisTimeout);
    case Awaits::FinalResult:
    case Awaits::Prompt: break;
    }
    return replyTimeout_;
}

std::string ModemDialogue::commandInProgress() const
{
    if (finished_ || !started_)
        return {};
    const std::string& written = exchanges_[current_].written;
    if (exchanges_[current_].awaits == Awaits::MessageResult)
        return "the message";
    return written.substr(0, std::min(written.find_first_of("=\r"), written.size()));
}

ModemStep ModemDialogue::next(Milliseconds now)
{
    ++current_;
    if (current_ < exchanges_.size())
        return beginExchange(now);
    if (diagnosing_)
        outcome_.diagnosis = [this] {
            std::string joined;
            for (const std::string& part : diagnosis_)
                joined += (joined.empty() ? "" : ", ") + part;
            return joined;
        }();
    else
        outcome_.delivery = SmsDelivery::Sent;
    finished_ = true;
    return ModemStep{{}, true};
}

ModemStep ModemDialogue::fail(std::string reason, bool askWhy, const std::string& cancel, Milliseconds now)
{
    outcome_.delivery = SmsDelivery::NotSent;
    outcome_.reason = std::move(reason);
    outcome_.worthRetrying = true;
    // The sending stops here; what follows only asks the modem for its state.
    exchanges_.resize(current_ + 1);
    diagnosing_ = true;
    if (askWhy) {
        if (!cancel.empty())
            exchanges_.push_back({cancel, Awaits::Diagnosis});
        for (const char* query : {"AT+CPIN?\r", "AT+CREG?\r", "AT+CSQ\r"})
            exchanges_.push_back({query, Awaits::Diagnosis});
    } else if (!cancel.empty()) {
        // Written without waiting: nothing more will be asked of a silent modem.
        finished_ = true;
        return ModemStep{cancel, true};
    }
    return next(now);
}

void ModemDialogue::noteDiagnosis(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        const std::string_view text = line;
        if (startsWith(text, "+CPIN:"))
            diagnosis_.push_back(cpinWords(trimBlanks(text.substr(6))));
        else if (startsWith(text, "+CREG:"))
            diagnosis_.push_back(cregWords(trimBlanks(text.substr(6))));
        else if (startsWith(text, "+CSQ:"))
            diagnosis_.push_back(csqWords(trimBlanks(text.substr(5))));
        else if (startsWith(text, "+CME ERROR:") && exchanges_[current_].written == "AT+CPIN?\r")
            diagnosis_.push_back(modemErrorText(text));
    }
}

ModemStep ModemDialogue::feed(std::string_view received, Milliseconds now)
{
    if (!started_ || finished_)
        return ModemStep{{}, finished_};
    heard_.append(received);
    heardModem_ = heardModem_ || !received.empty();
    const ModemExchange& exchange = exchanges_[current_];
    // The modem's echo of the text is not its answer: a text that itself says
    // "OK", "ERROR" or "+CMGS:" must not end the wait.
    std::string answer = heard_;
    if (exchange.awaits == Awaits::MessageResult && !message_.empty())
        if (const std::size_t echo = answer.find(message_); echo != std::string::npos)
            answer.erase(echo, message_.size());
    HeardSoFar heard;
    heard.lines = completeLines(answer);
    const auto finalLine = std::find_if(heard.lines.begin(), heard.lines.end(),
                                        [](const std::string& l) { return l == "OK" || isError(l); });
    if (finalLine != heard.lines.end())
        heard.finalLine = *finalLine;
    heard.late = now - writtenAt_ > timeoutOf(exchange);

    switch (exchange.awaits) {
    case Awaits::Diagnosis: return onDiagnosis(heard, now);
    case Awaits::Prompt: return onPrompt(heard, now);
    case Awaits::MessageResult: return onMessageResult(heard, now);
    case Awaits::FinalResult: break;
    }
    return onFinalResult(heard, now);
}

ModemStep ModemDialogue::onFinalResult(const HeardSoFar& heard, Milliseconds now)
{
    const std::string command = commandInProgress();
    if (isError(heard.finalLine))
        return fail("not sent: " + modemErrorText(heard.finalLine) + " to " + command, true, {}, now);
    if (!heard.finalLine.empty())
        return next(now);
    if (heard.late)
        return fail("not sent: no answer from the modem within " + std::to_string(replyTimeout_.count()) + " ms to " +
                        command,
                    heardModem_, {}, now);
    return {};
}

ModemStep ModemDialogue::onPrompt(const HeardSoFar& heard, Milliseconds now)
{
    const std::string command = commandInProgress();
    if (promptArrived(heard_))
        return next(now);
    if (isError(heard.finalLine))
        return fail("not sent: " + modemErrorText(heard.finalLine) + " to " + command, true, {}, now);
    if (!heard.finalLine.empty())
        return fail("not sent: the modem answered OK to " + command + " but gave no prompt", true, {}, now);
    // ESC leaves text mode in case the prompt came in a form not recognised.
    if (heard.late)
        return fail("not sent: no prompt from the modem within " + std::to_string(replyTimeout_.count()) +
                        " ms after " + command,
                    heardModem_, std::string(1, kEscape), now);
    return {};
}

ModemStep ModemDialogue::onMessageResult(const HeardSoFar& heard, Milliseconds now)
{
    const bool referenced = std::any_of(heard.lines.begin(), heard.lines.end(),
                                        [](const std::string& l) { return startsWith(l, "+CMGS:"); });
    if (isError(heard.finalLine))
        return fail("not sent: " + modemErrorText(heard.finalLine), true, {}, now);
    if (!heard.finalLine.empty() && !referenced)
        return fail("not sent: the modem answered OK without +CMGS: it dropped the message", true, {}, now);
    if (!heard.finalLine.empty() || (heard.late && referenced))
        return next(now);
    if (!heard.late)
        return {};
    outcome_.delivery = SmsDelivery::Unconfirmed;
    outcome_.reason = "not confirmed: the modem did not answer the message within " +
                      std::to_string(replyTimeout_.count() * kMessageTimeoutFactor / 1000) +
                      " s; it may have been sent";
    outcome_.worthRetrying = true;
    finished_ = true;
    return ModemStep{{}, true};
}

ModemStep ModemDialogue::onDiagnosis(const HeardSoFar& heard, Milliseconds now)
{
    if (!heard.finalLine.empty()) {
        noteDiagnosis(heard.lines);
        return next(now);
    }
    // A modem that does not answer one query will not answer the next.
    if (heard.late)
        exchanges_.resize(current_ + 1);
    return heard.late ? next(now) : ModemStep{};
}

void ModemDialogue::abort(std::string reason)
{
    if (finished_)
        return;
    outcome_.delivery = SmsDelivery::NotSent;
    outcome_.reason = "not sent: " + std::move(reason);
    outcome_.worthRetrying = true;
    finished_ = true;
}

}  // namespace lumivane
