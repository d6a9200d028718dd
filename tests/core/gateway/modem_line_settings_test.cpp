#include "core/gateway/modem_line_settings.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace lumivane;

TEST(ParseCommSettings, ReadsEveryItemInAnyCaseOrQuotesWhatIsWrong)
{
    const Expected<ModemLineSettings> good = parseCommSettings(" 115200 , e , 7 , 1.5 ");
    ASSERT_TRUE(good) << good.error().reason;
    EXPECT_EQ(std::tuple(good->speed, good->parity, good->dataBits, good->stopBits),
              std::tuple(115200, ModemParity::Even, 7, ModemStopBits::OneAndHalf));
    for (const char* text : {"9600,o,8,2", "9600,M,5,1", "9600,s,6,1", "460800,n,8,1"})
        EXPECT_TRUE(parseCommSettings(text)) << text;
    for (const auto& [text, named] : {std::pair{"9600,x,8,1", "parity \"x\""},
                                      {"fast,n,8,1", "speed \"fast\""},
                                      {"9600,n,9,1", "data bits \"9\""},
                                      {"9600,n,8,3", "stop bits \"3\""},
                                      {"9600,n,8", "four"},
                                      {"0,n,8,1", "speed \"0\""},
                                      {"99999999999,n,8,1", "speed"},
                                      {"9600,n,8,1.0", "stop bits"}}) {
        const Expected<ModemLineSettings> r = parseCommSettings(text);
        ASSERT_FALSE(r) << text;
        EXPECT_NE(r.error().reason.find("\"" + std::string(text) + "\""), std::string::npos) << r.error().reason;
        EXPECT_NE(r.error().reason.find(named), std::string::npos) << r.error().reason;
    }
}

// A number, also written "COM<n>", names the nth serial port (rounded halves to even); a device path stands.
TEST(ModemPortName, NumberNamesTheNthSerialPortAndADevicePathStands)
{
    using N = SerialPortNaming;
    for (const auto& [text, naming, port] : {std::tuple{"3", N::Posix, "/dev/ttyS2"},
                                             {"3", N::Windows, "COM3"},
                                             {" 12 ", N::Windows, "COM12"},
                                             {"2.5", N::Windows, "COM2"},
                                             {"3.5", N::Windows, "COM4"},
                                             {"/dev/ttyUSB0", N::Posix, "/dev/ttyUSB0"},
                                             {"COM3", N::Posix, "/dev/ttyS2"},
                                             {"com12", N::Windows, "COM12"}})
        EXPECT_EQ(modemPortName(text, naming).value(), port) << text;
    for (const char* text : {"abc", "", "COM", "COM three", "0", "40000", "ttyS2"}) {
        const Expected<std::string> r = modemPortName(text, N::Posix);
        ASSERT_FALSE(r) << text;
        EXPECT_NE(r.error().reason.find("\"" + std::string(text) + "\""), std::string::npos) << r.error().reason;
    }
}
