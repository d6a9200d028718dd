#include "core/gateway/modem_line_settings.h"

#include <charconv>
#include <vector>

#include "core/text/number_text.h"

namespace lumivane {
namespace {

std::optional<int> parseWholeNumber(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

ModemLineSettingsResult failure(std::string_view text, std::string_view why)
{
    ModemLineSettingsResult result;
    result.error = "The modem line settings \"" + std::string(text) + "\" cannot be used: " + std::string(why) +
                   " (expected speed,parity,data bits,stop bits such as \"460800,n,8,1\").";
    return result;
}

}  // namespace

ModemLineSettingsResult parseCommSettings(std::string_view text)
{
    std::vector<std::string_view> items;
    std::string_view rest = text;
    for (;;) {
        const std::size_t comma = rest.find(',');
        items.push_back(trimBlanks(rest.substr(0, comma)));
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    if (items.size() != 4)
        return failure(text, "it must have four comma-separated items");

    ModemLineSettings settings;

    const auto speed = parseWholeNumber(items[0]);
    if (!speed || *speed <= 0)
        return failure(text, "the speed \"" + std::string(items[0]) + "\" is not a whole number of bit/s");
    settings.speed = *speed;

    if (items[1].size() != 1)
        return failure(text, "the parity \"" + std::string(items[1]) + "\" must be one of n, e, o, m, s");
    switch (items[1].front()) {
    case 'n': case 'N': settings.parity = ModemParity::None; break;
    case 'e': case 'E': settings.parity = ModemParity::Even; break;
    case 'o': case 'O': settings.parity = ModemParity::Odd; break;
    case 'm': case 'M': settings.parity = ModemParity::Mark; break;
    case 's': case 'S': settings.parity = ModemParity::Space; break;
    default:
        return failure(text, "the parity \"" + std::string(items[1]) + "\" must be one of n, e, o, m, s");
    }

    const auto dataBits = parseWholeNumber(items[2]);
    if (!dataBits || *dataBits < 5 || *dataBits > 8)
        return failure(text, "the data bits \"" + std::string(items[2]) + "\" must be 5, 6, 7 or 8");
    settings.dataBits = *dataBits;

    if (items[3] == "1")
        settings.stopBits = ModemStopBits::One;
    else if (items[3] == "1.5")
        settings.stopBits = ModemStopBits::OneAndHalf;
    else if (items[3] == "2")
        settings.stopBits = ModemStopBits::Two;
    else
        return failure(text, "the stop bits \"" + std::string(items[3]) + "\" must be 1, 1.5 or 2");

    ModemLineSettingsResult result;
    result.settings = settings;
    return result;
}

ModemPortNameResult modemPortName(std::string_view commPort, SerialPortNaming naming)
{
    ModemPortNameResult result;
    const std::string_view trimmed = trimBlanks(commPort);
    // A device path lets an integrator point at a USB adapter or a test terminal,
    // which have no port number.
    if (!trimmed.empty() && trimmed.front() == '/') {
        result.portName = std::string(trimmed);
        return result;
    }
    const auto number = parseInt16HalfEven(commPort);
    if (!number) {
        result.error = "The modem port \"" + std::string(commPort) +
                       "\" is neither a port number nor a device path.";
        return result;
    }
    if (*number < 1) {
        result.error = "The modem port \"" + std::string(commPort) + "\" names no serial port (they count from 1).";
        return result;
    }
    if (naming == SerialPortNaming::Windows)
        result.portName = "COM" + std::to_string(*number);
    else
        result.portName = "/dev/ttyS" + std::to_string(*number - 1);
    return result;
}

}  // namespace lumivane
