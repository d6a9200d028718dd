#pragma once
// The text-mode AT dialogue that sends one SMS through a GSM modem, as a state
// machine: it is fed the bytes received and the time, and answers with the
// bytes to write. It does no I/O itself; a platform loop plays it over a port.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/expected.h"

namespace lumivane {

inline constexpr const char* kModemSentOk = "Message Sent OK!";
inline constexpr char kCtrlZ = 26;
inline constexpr char kEscape = 27;
inline constexpr const char* kNotConfirmedInTime =
    "Message Timeout: the modem did not confirm the message in time; it may still be sent.";

// One command of the dialogue: what is written, what ends its wait, and what
// is reported when nothing awaited arrives in time.
struct ModemExchange {
    std::string written;
    std::vector<std::string> awaited;  // any one of them ends the wait
    std::string timeoutText;
};

// What the driver must do after starting or feeding the dialogue.
struct ModemStep {
    std::string write;        // bytes to write to the port now; empty when only waiting goes on
    std::string timeoutText;  // set when a wait has just ended by time-out
    bool finished = false;    // the dialogue has ended; result() holds its outcome
};

class ModemDialogue {
public:
    using Milliseconds = std::chrono::milliseconds;
    static constexpr Milliseconds kReplyTimeout{15000};
    // The network may take this many reply time-outs to accept the message (60 s).
    static constexpr int kMessageTimeoutFactor = 4;

    // A dialogue for a checked number and the message's bytes as the modem takes them
    // (see prepareModemDialogue); commands wait `replyTimeout`, the message four times that.
    ModemDialogue(const std::string& number, std::string message, Milliseconds replyTimeout = kReplyTimeout);

    // Begins the first exchange at time `now` (any steady origin); returns its bytes to write.
    ModemStep start(Milliseconds now);

    // Appends `received` to modemReply and, at time `now`, ends the wait when the awaited
    // text, ERROR, +CME ERROR: n or +CMS ERROR: n has arrived outside the modem's echo of
    // what was written, or the time-out has passed since the write; then returns the next
    // exchange's bytes, or finished after the last one.
    ModemStep feed(std::string_view received, Milliseconds now);

    // Ends the dialogue at once because the port failed; the reason joins the result.
    void abort(std::string reason);

    // Whether the dialogue has ended (all five exchanges done, or aborted).
    bool finished() const { return finished_; }

    // "Message Sent OK!" after a clean dialogue, otherwise every failure, one per line;
    // then any note (such as a text longer than one SMS).
    std::string result() const;

    // Adds a line that follows the outcome in result() without making it a failure.
    void addNote(std::string note) { notes_.push_back(std::move(note)); }

    // The failures so far, in the order they happened.
    const std::vector<std::string>& failures() const { return failures_; }

    // Index of the exchange in progress (0..4); 5 once finished.
    int exchangeIndex() const { return static_cast<int>(current_); }

    // What the exchange in progress waits for (empty once finished).
    std::vector<std::string> awaited() const;

    // Everything received since the exchange in progress was written.
    const std::string& modemReply() const { return modemReply_; }

    // The five exchanges for this number and message, in order.
    const std::vector<ModemExchange>& exchanges() const { return exchanges_; }

private:
    ModemStep beginExchange(Milliseconds now);
    Milliseconds timeoutOf(std::size_t exchange) const;

    std::vector<ModemExchange> exchanges_;
    std::string message_;
    Milliseconds replyTimeout_;
    std::size_t current_ = 0;
    Milliseconds writtenAt_{0};
    std::string modemReply_;
    std::vector<std::string> failures_;
    std::vector<std::string> notes_;
    bool started_ = false;
    bool finished_ = false;
};

// The number without blanks, hyphens, dots and brackets, when what is left is an
// optional "+" followed by digits; anything else is refused with a text naming it.
Expected<std::string> normalizePhoneNumber(std::string_view number);

// Checks the number and encodes the message in the GSM default alphabet; a text
// longer than one SMS, or with characters the alphabet cannot hold, gets a note.
Expected<ModemDialogue> prepareModemDialogue(std::string_view number, std::string_view message,
                                             ModemDialogue::Milliseconds replyTimeout = ModemDialogue::kReplyTimeout);

}  // namespace lumivane
