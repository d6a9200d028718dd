#pragma once
// The modem's port and line settings as the settings store holds them
// (`CommPort` "3", `CommSettings` "460800,n,8,1"), read into plain values.
#include <string>
#include <string_view>

#include "core/text/expected.h"

namespace lumivane {

enum class ModemParity { None, Even, Odd, Mark, Space };
enum class ModemStopBits { One, OneAndHalf, Two };

struct ModemLineSettings {
    int speed = 460800;  // bit/s
    ModemParity parity = ModemParity::None;
    int dataBits = 8;  // 5..8
    ModemStopBits stopBits = ModemStopBits::One;
};

// "speed,parity,data bits,stop bits": a positive speed, parity n/e/o/m/s (any
// case), data bits 5..8, stop bits 1, 1.5 or 2; blanks around items allowed.
// Anything else fails with a text that quotes the settings and names the item.
Expected<ModemLineSettings> parseCommSettings(std::string_view text);

// How the operating system names its numbered serial ports.
enum class SerialPortNaming { Windows, Posix };

// The port `CommPort` names: a whole number N (rounded, halves to even), also written
// "COM<N>", is the Nth serial port ("COM3", or "/dev/ttyS2" for 3); a text starting
// with "/" is a device path taken as it stands. Anything else fails, quoting it.
Expected<std::string> modemPortName(std::string_view commPort, SerialPortNaming naming);

}  // namespace lumivane
