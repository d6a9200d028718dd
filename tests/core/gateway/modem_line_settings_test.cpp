#include "core/gateway/modem_line_settings.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace lumivane;

TEST(ParseCommSettings, ReadsEveryItemInAnyCaseOrQuotesWhatIsWrong)
{
    const ModemLineSettingsResult good = parseCommSettings(" 115200 , e , 7 , 1.5 ");
    ASSERT_TRUE(good.settings) << good.error;
    EXPECT_EQ(good.settings->speed, 115200);
    EXPECT_EQ(good.settings->parity, ModemParity::Even);
    EXPECT_EQ(good.settings->dataBits, 7);
    EXPECT_EQ(good.settings->stopBits, ModemStopBits::OneAndHalf);
    for (const char* text : {"9600,o,8,2", "9600,M,5,1", "9600,s,6,1", "460800,n,8,1"})
        EXPECT_TRUE(parseCommSettings(text).settings) << text;
    for (const auto& [text, named] :
         {std::pair{"9600,x,8,1", "parity \"x\""}, {"fast,n,8,1", "speed \"fast\""}, {"9600,n,9,1", "data bits \"9\""},
          {"9600,n,8,3", "stop bits \"3\""}, {"9600,n,8", "four"}, {"0,n,8,1", "speed \"0\""},
          {"99999999999,n,8,1", "speed"}, {"9600,n,8,1.0", "stop bits"}}) {
        const ModemLineSettingsResult r = parseCommSettings(text);
        EXPECT_FALSE(r.settings) << text;
        EXPECT_NE(r.error.find("\"" + std::string(text) + "\""), std::string::npos) << r.error;
        EXPECT_NE(r.error.find(named), std::string::npos) << r.error;
    }
}

// A number names the nth serial port (rounded halves to even); a device path stands.
TEST(ModemPortName, NumberNamesTheNthSerialPortAndADevicePathStands)
{
    using N = SerialPortNaming;
    for (const auto& [text, naming, port] :
         {std::tuple{"3", N::Posix, "/dev/ttyS2"}, {"3", N::Windows, "COM3"}, {" 12 ", N::Windows, "COM12"},
          {"2.5", N::Windows, "COM2"}, {"3.5", N::Windows, "COM4"}, {"/dev/ttyUSB0", N::Posix, "/dev/ttyUSB0"}})
        EXPECT_EQ(modemPortName(text, naming).portName, port) << text;
    for (const char* text : {"abc", "", "COM3", "0", "40000", "ttyS2"}) {
        const ModemPortNameResult r = modemPortName(text, N::Posix);
        EXPECT_TRUE(r.portName.empty()) << text;
        EXPECT_NE(r.error.find("\"" + std::string(text) + "\""), std::string::npos) << r.error;
    }
}
