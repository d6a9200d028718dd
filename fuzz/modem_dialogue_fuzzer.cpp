// The SMS modem dialogue fed arbitrary replies in arbitrary chunks at
// arbitrary times.
//
// Input: the recipient number up to the first LF, the message up to the
// second LF (both go through prepareModemDialogue, as the window's do), then
// chunks, each one header byte followed by its bytes: the header's low five
// bits are the chunk's length, its high three bits pick how much time passes
// before it arrives (0 ms, 1 ms, 50 ms, 1 s, 15 s, just over 15 s, 1 min, or
// a step back in time). A header of 0xFF aborts the dialogue as a failed port.
//
// Checks beyond memory safety:
//   - after the prompt only printable bytes go out, then Ctrl-Z;
//   - the sending commands go out in order, each at most once, and after a
//     refusal only ESC and the three status queries;
//   - after the input, time alone ends the dialogue within ten more polls;
//   - "sent" only when all five sending commands went out and nothing was queried;
//     any other outcome has a reason.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/gateway/modem_dialogue.h"
#include "fuzz_support.h"

using namespace lumivane;
using lumivane::fuzz::check;
using Ms = ModemDialogue::Milliseconds;

namespace {

std::string_view takeLine(std::string_view& input)
{
    const std::string_view line = input.substr(0, input.find('\n'));
    input = line.size() < input.size() ? input.substr(line.size() + 1) : std::string_view();
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view number = takeLine(input);
    Expected<ModemDialogue> prepared = prepareModemDialogue(number, takeLine(input));
    if (!prepared) {
        check(!prepared.error().reason.empty(), "refused number without a reason");
        return 0;
    }
    ModemDialogue& dialogue = *prepared;
    const std::vector<ModemExchange> sending = dialogue.exchanges();
    const std::string& text = sending.back().written;
    check(text.back() == kCtrlZ &&
              std::all_of(text.begin(), text.end() - 1, [](char c) { return c >= 0x20 && c <= 0x7E; }),
          "the message carries a control byte or is not ended by Ctrl-Z");

    std::size_t writes = 0;
    int queries = 0;
    bool finished = false;
    auto take = [&](const ModemStep& step) {
        check(!finished || step.write.empty(), "a finished dialogue wrote again");
        if (!step.write.empty()) {
            const bool next = writes < sending.size() && step.write == sending[writes].written && queries == 0;
            const bool query = step.write == std::string(1, kEscape) || step.write == "AT+CPIN?\r" ||
                               step.write == "AT+CREG?\r" || step.write == "AT+CSQ\r";
            check(next || query, "a command out of order, written twice or unknown");
            writes += next;
            queries += query;
        }
        finished = finished || step.finished;
        check(!step.finished || dialogue.finished(), "finished step of an unfinished dialogue");
    };
    Ms now{1000000};
    take(dialogue.start(now));
    check(writes == 1, "start wrote no first command");

    static constexpr Ms kSteps[7] = {Ms{0}, Ms{1}, Ms{50}, Ms{1000}, Ms{15000}, Ms{15001}, Ms{60000}};
    while (!input.empty()) {
        const auto header = static_cast<std::uint8_t>(input.front());
        input.remove_prefix(1);
        if (header == 0xFF) {
            dialogue.abort("The modem port went away.");
            check(dialogue.finished(), "abort did not end the dialogue");
            break;
        }
        const std::size_t length = std::min<std::size_t>(header & 31, input.size());
        now = header >> 5 == 7 ? now - Ms{500} : now + kSteps[header >> 5];
        take(dialogue.feed(input.substr(0, length), now));
        input.remove_prefix(length);
    }

    // Silence from here on: each poll after the longest time-out ends one exchange.
    for (int poll = 0; poll < 10 && !dialogue.finished(); ++poll) {
        now += ModemDialogue::kReplyTimeout * ModemDialogue::kMessageTimeoutFactor + Ms{600000};
        take(dialogue.feed({}, now));
    }
    check(dialogue.finished(), "the dialogue did not end within ten silent time-outs");
    const ModemOutcome& outcome = dialogue.outcome();
    if (outcome.delivery == SmsDelivery::Sent)
        check(writes == 5 && queries == 0 && outcome.reason.empty(), "sent without the whole dialogue");
    else
        check(!outcome.reason.empty(), "not sent without a reason");
    return 0;
}
