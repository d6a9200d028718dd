#pragma once
// The text-mode AT dialogue that sends one SMS through a GSM modem, as a state
// machine: it is fed the bytes received and the time, and answers with the
// bytes to write. It does no I/O itself; a platform loop plays it over a port.
// The modem's answers are read line by line, as its result codes arrive: the
// first refusal ends the sending at once, and the modem is then asked why
// (SIM, registration, signal) so the outcome can say it in words.
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/expected.h"

namespace lumivane {

inline constexpr const char* kModemSentOk = "Message Sent OK!";
inline constexpr char kCtrlZ = 26;
inline constexpr char kEscape = 27;

// What became of one SMS.
enum class SmsDelivery {
    Sent,         // the modem gave the message a reference (+CMGS:) and OK
    NotSent,      // refused, dropped or never prompted for: certainly not sent
    Unconfirmed,  // the text went out but the modem never answered it
};

struct ModemOutcome {
    SmsDelivery delivery = SmsDelivery::NotSent;
    std::string reason;              // why it was not sent; empty when sent
    std::string diagnosis;           // the modem's own state in words, when it was asked
    std::vector<std::string> notes;  // look-alikes used, a text longer than one SMS
    bool worthRetrying = false;      // a modem or network reason, which may pass
    // One line: "Message Sent OK!" or the reason, the diagnosis and the notes, joined by "; ".
    std::string text() const;
};

// One command of the dialogue and what ends its wait.
struct ModemExchange {
    enum class Awaits { FinalResult, Prompt, MessageResult, Diagnosis };
    std::string written;
    Awaits awaits = Awaits::FinalResult;
};

// What the driver must do after starting or feeding the dialogue.
struct ModemStep {
    std::string write;      // bytes to write to the port now; empty when only waiting goes on
    bool finished = false;  // the dialogue has ended; outcome() holds what became of the SMS
};

class ModemDialogue {
public:
    using Milliseconds = std::chrono::milliseconds;
    static constexpr Milliseconds kReplyTimeout{15000};
    // The network may take this many reply time-outs to accept the message (60 s).
    static constexpr int kMessageTimeoutFactor = 4;
    // A modem that answered before answers a status query at once; the diagnosis
    // must not hold back the outcome.
    static constexpr Milliseconds kDiagnosisTimeout{1500};

    // A dialogue for a checked number and the message's bytes as the modem takes them
    // (see prepareModemDialogue); commands wait `replyTimeout`, the message four times that.
    ModemDialogue(const std::string& number, std::string message, Milliseconds replyTimeout = kReplyTimeout);

    // Begins the first exchange at time `now` (any steady origin); returns its bytes to write.
    ModemStep start(Milliseconds now);

    // Appends `received` to what the exchange in progress has heard and, at time `now`,
    // judges the complete lines: OK, ERROR, +CME ERROR: n, +CMS ERROR: n, +CMGS: n, the
    // prompt; or the time-out. Returns the next bytes to write, or finished.
    ModemStep feed(std::string_view received, Milliseconds now);

    // Ends the dialogue at once because the port failed; the reason becomes the outcome's.
    void abort(std::string reason);

    bool finished() const { return finished_; }

    // What became of the SMS; meaningful once finished.
    const ModemOutcome& outcome() const { return outcome_; }

    // Adds a note that follows the outcome without making it a failure.
    void addNote(std::string note) { outcome_.notes.push_back(std::move(note)); }

    // The command in progress, such as "AT+CMGS" or "the message"; empty once finished.
    std::string commandInProgress() const;

    // The sending exchanges for this number and message, in order.
    const std::vector<ModemExchange>& exchanges() const { return exchanges_; }

private:
    // The complete lines heard for the exchange in progress, and its first final result code.
    struct HeardSoFar {
        std::vector<std::string> lines;
        std::string finalLine;  // "OK", "ERROR", "+CME ERROR: n" or "+CMS ERROR: n"; empty when none yet
        bool late = false;      // its time-out has passed
    };
    ModemStep onFinalResult(const HeardSoFar& heard, Milliseconds now);
    ModemStep onPrompt(const HeardSoFar& heard, Milliseconds now);
    ModemStep onMessageResult(const HeardSoFar& heard, Milliseconds now);
    ModemStep onDiagnosis(const HeardSoFar& heard, Milliseconds now);
    ModemStep beginExchange(Milliseconds now);
    ModemStep fail(std::string reason, bool askWhy, const std::string& cancel, Milliseconds now);
    ModemStep next(Milliseconds now);
    Milliseconds timeoutOf(const ModemExchange& exchange) const;
    void noteDiagnosis(const std::vector<std::string>& lines);

    std::vector<ModemExchange> exchanges_;  // the sending, then (after a failure) the queries
    std::string message_;
    Milliseconds replyTimeout_;
    std::size_t current_ = 0;
    bool diagnosing_ = false;
    bool heardModem_ = false;
    Milliseconds writtenAt_{0};
    std::string heard_;  // what arrived since the exchange in progress was written
    std::vector<std::string> diagnosis_;
    ModemOutcome outcome_;
    bool started_ = false;
    bool finished_ = false;
};

// The number without blanks, hyphens, dots and brackets, when what is left is an
// optional "+" followed by digits; anything else is refused with a text naming it,
// and so is "(0)" after a country code, which would be dialled as a wrong 0.
Expected<std::string> normalizePhoneNumber(std::string_view number);

// The numbers of a comma-separated list, each trimmed; empty entries dropped.
std::vector<std::string> splitRecipients(std::string_view numbers);

// Checks the number and encodes the message in the printable GSM alphabet; a text
// longer than one SMS, or with characters written as look-alikes, gets a note.
Expected<ModemDialogue> prepareModemDialogue(std::string_view number, std::string_view message,
                                             ModemDialogue::Milliseconds replyTimeout = ModemDialogue::kReplyTimeout);

// The modem's error result code in words: "+CME ERROR: 11" as "the SIM needs its PIN
// (+CME ERROR: 11)"; a code without words is quoted as it stands.
std::string modemErrorText(std::string_view resultCode);

}  // namespace lumivane
