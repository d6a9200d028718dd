#include "core/gateway/modem_line_settings.h"

#include <charconv>
#include <optional>
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

Error refused(std::string_view text, std::string_view why)
{
    return failure("The modem line settings \"" + std::string(text) + "\" cannot be used: " + std::string(why) +
                   " (expected speed,parity,data bits,stop bits such as \"460800,n,8,1\").");
}

}  // namespace

Expected<ModemLineSettings> parseCommSettings(std::string_view text)
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
        return refused(text, "it must have four comma-separated items");

    ModemLineSettings settings;

    const auto speed = parseWholeNumber(items[0]);
    if (!speed || *speed <= 0)
        return refused(text, "the speed \"" + std::string(items[0]) + "\" is not a whole number of bit/s");
    settings.speed = *speed;

    if (items[1].size() != 1)
        return refused(text, "the parity \"" + std::string(items[1]) + "\" must be one of n, e, o, m, s");
    switch (items[1].front()) {
    case 'n':
    case 'N': settings.parity = ModemParity::None; break;
    case 'e':
    case 'E': settings.parity = ModemParity::Even; break;
    case 'o':
    case 'O': settings.parity = ModemParity::Odd; break;
    case 'm':
    case 'M': settings.parity = ModemParity::Mark; break;
    case 's':
    case 'S': settings.parity = ModemParity::Space; break;
    default: return refused(text, "the parity \"" + std::string(items[1]) + "\" must be one of n, e, o, m, s");
    }

    const auto dataBits = parseWholeNumber(items[2]);
    if (!dataBits || *dataBits < 5 || *dataBits > 8)
        return refused(text, "the data bits \"" + std::string(items[2]) + "\" must be 5, 6, 7 or 8");
    settings.dataBits = *dataBits;

    if (items[3] == "1")
        settings.stopBits = ModemStopBits::One;
    else if (items[3] == "1.5")
        settings.stopBits = ModemStopBits::OneAndHalf;
    else if (items[3] == "2")
        settings.stopBits = ModemStopBits::Two;
    else
        return refused(text, "the stop bits \"" + std::string(items[3]) + "\" must be 1, 1.5 or 2");

    return settings;
}

Expected<std::string> modemPortName(std::string_view commPort, SerialPortNaming naming)
{
    std::string_view trimmed = trimBlanks(commPort);
    // A device path lets an integrator point at a USB adapter or a test terminal,
    // which have no port number.
    if (!trimmed.empty() && trimmed.front() == '/')
        return std::string(trimmed);
    // "COM3" is how the port is named where the setting usually comes from.
    if (trimmed.size() > 3 && (trimmed[0] == 'C' || trimmed[0] == 'c') && (trimmed[1] == 'O' || trimmed[1] == 'o') &&
        (trimmed[2] == 'M' || trimmed[2] == 'm'))
        trimmed.remove_prefix(3);
    const auto number = parseInt16HalfEven(trimmed);
    if (!number)
        return failure("The modem port \"" + std::string(commPort) + "\" is neither a port number nor a device path.");
    if (*number < 1)
        return failure("The modem port \"" + std::string(commPort) + "\" names no serial port (they count from 1).");
    if (naming == SerialPortNaming::Windows)
        return "COM" + std::to_string(*number);
    return "/dev/ttyS" + std::to_string(*number - 1);
}

}  // namespace lumivane
