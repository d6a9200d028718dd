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
//   - the dialogue writes at most its five commands, in order, each exactly once;
//   - the exchange index never goes back and never passes 5; finished means 5;
//   - a time-out is reported only after more than the reply time-out;
//   - after the input, time alone ends the dialogue within five more polls;
//   - the result is "Message Sent OK!" exactly when nothing failed.
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
    const std::string& text = dialogue.exchanges().back().written;
    check(text.find(kCtrlZ) == text.size() - 1, "message not ended by Ctrl-Z, or carries Ctrl-Z inside");
    // ESC only as the GSM alphabet's escape, always followed by the escaped character.
    for (std::size_t at = text.find(kEscape); at != std::string::npos; at = text.find(kEscape, at + 2))
        check(at + 2 < text.size() && text[at + 1] != kEscape && text[at + 1] != kCtrlZ, "a lone ESC in the message");

    std::size_t writes = 0;
    int lastIndex = 0;
    Ms now{1000000}, lastWrite = now;
    auto take = [&](const ModemStep& step) {
        if (!step.timeoutText.empty())
            check(now - lastWrite > ModemDialogue::kReplyTimeout, "time-out reported too early");
        if (!step.write.empty()) {
            check(writes < dialogue.exchanges().size() && step.write == dialogue.exchanges()[writes].written,
                  "a command out of order or written twice");
            ++writes;
            lastWrite = now;
        }
        const int index = dialogue.exchangeIndex();
        check(index >= lastIndex && index <= 5, "exchange index went back or past the end");
        lastIndex = index;
        check(dialogue.finished() == (index == 5) && (!step.finished || dialogue.finished()),
              "finished does not match the exchange index");
    };
    take(dialogue.start(now));
    check(writes == 1, "start wrote no first command");

    static constexpr Ms kSteps[7] = {Ms{0}, Ms{1}, Ms{50}, Ms{1000}, Ms{15000}, Ms{15001}, Ms{60000}};
    bool aborted = false;
    while (!input.empty()) {
        const auto header = static_cast<std::uint8_t>(input.front());
        input.remove_prefix(1);
        if (header == 0xFF) {
            dialogue.abort("The modem port went away.");
            aborted = true;
            check(dialogue.finished(), "abort did not end the dialogue");
            break;
        }
        const std::size_t length = std::min<std::size_t>(header & 31, input.size());
        now = header >> 5 == 7 ? now - Ms{500} : now + kSteps[header >> 5];
        take(dialogue.feed(input.substr(0, length), now));
        input.remove_prefix(length);
    }

    // Silence from here on: each poll after the time-out ends one exchange. The
    // steps back above model a clock read out of order; the real one is steady,
    // so the silence is counted from the last write at the latest.
    for (int poll = 0; poll < 5 && !dialogue.finished(); ++poll) {
        now = std::max(now, lastWrite) + ModemDialogue::kReplyTimeout * ModemDialogue::kMessageTimeoutFactor + Ms{1};
        take(dialogue.feed({}, now));
    }
    check(dialogue.finished(), "the dialogue did not end within five silent time-outs");
    check(aborted || writes == 5, "a finished dialogue did not write all five commands");
    const ModemStep after = dialogue.feed("OK\r\n", now + Ms{1});
    check(after.write.empty() && after.finished, "a finished dialogue wrote again");
    check((dialogue.result().rfind(kModemSentOk, 0) == 0) == dialogue.failures().empty(),
          "result does not follow the failures");
    return 0;
}
