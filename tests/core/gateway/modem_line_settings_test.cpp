#include "core/gateway/modem_line_settings.h"

#include <gtest/gtest.h>

using namespace lumivane;

TEST(ParseCommSettings, ReadsEveryItemInAnyCaseWithBlanksAround)
{
    using P = ModemParity;
    using S = ModemStopBits;
    const struct {
        const char* text;
        int speed;
        ModemParity parity;
        int dataBits;
        ModemStopBits stopBits;
    } cases[] = {
        {"460800,n,8,1", 460800, P::None, 8, S::One},  {"9600,E,7,1", 9600, P::Even, 7, S::One},
        {"9600,o,6,1", 9600, P::Odd, 6, S::One},       {"9600,M,5,1", 9600, P::Mark, 5, S::One},
        {"9600,s,7,1.5", 9600, P::Space, 7, S::OneAndHalf}, {"9600,N,8,2", 9600, P::None, 8, S::Two},
        {" 115200 , e , 7 , 2 ", 115200, P::Even, 7, S::Two},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const ModemLineSettingsResult r = parseCommSettings(c.text);
        ASSERT_TRUE(r.settings) << r.error;
        EXPECT_EQ(r.settings->speed, c.speed);
        EXPECT_EQ(r.settings->parity, c.parity);
        EXPECT_EQ(r.settings->dataBits, c.dataBits);
        EXPECT_EQ(r.settings->stopBits, c.stopBits);
    }
}

TEST(ParseCommSettings, RefusesWhatIsNotLineSettingsAndQuotesTheText)
{
    const std::pair<const char*, const char*> cases[] = {
        {"9600,x,8,1", "parity \"x\""},   {"fast,n,8,1", "speed \"fast\""},  {"9600,n,9,1", "data bits \"9\""},
        {"9600,n,8,3", "stop bits \"3\""}, {"9600,n,8", "four"},             {"9600,n,8,1,1", "four"},
        {"", "four"},                     {"0,n,8,1", "speed \"0\""},        {"-9600,n,8,1", "speed"},
        {"9600.5,n,8,1", "speed"},        {"9600,no,8,1", "parity \"no\""},  {"9600,,8,1", "parity \"\""},
        {"99999999999,n,8,1", "speed"},   {"9600,n,8,1.0", "stop bits"}};
    for (const auto& [text, named] : cases) {
        const ModemLineSettingsResult r = parseCommSettings(text);
        EXPECT_FALSE(r.settings) << text;
        EXPECT_NE(r.error.find("\"" + std::string(text) + "\""), std::string::npos) << r.error;
        EXPECT_NE(r.error.find(named), std::string::npos) << text << " -> " << r.error;
    }
}

TEST(ModemPortName, NumberNamesTheNthSerialPortAndADevicePathStands)
{
    const struct {
        const char* text;
        SerialPortNaming naming;
        const char* port;
    } cases[] = {
        {"3", SerialPortNaming::Posix, "/dev/ttyS2"},   {"3", SerialPortNaming::Windows, "COM3"},
        {"1", SerialPortNaming::Posix, "/dev/ttyS0"},   {" 12 ", SerialPortNaming::Windows, "COM12"},
        // Rounded halves to even.
        {"2.5", SerialPortNaming::Windows, "COM2"},     {"3.5", SerialPortNaming::Windows, "COM4"},
        {"2.6", SerialPortNaming::Posix, "/dev/ttyS2"},
        {"/dev/ttyUSB0", SerialPortNaming::Posix, "/dev/ttyUSB0"}, {"/dev/pts/5", SerialPortNaming::Posix, "/dev/pts/5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(modemPortName(c.text, c.naming).portName, c.port) << c.text;
}

TEST(ModemPortName, RefusesTextsThatNameNoPort)
{
    for (const char* text : {"abc", "", "COM3", "0", "-1", "40000", "ttyS2"}) {
        const ModemPortNameResult r = modemPortName(text, SerialPortNaming::Posix);
        EXPECT_TRUE(r.portName.empty()) << text;
        EXPECT_NE(r.error.find("\"" + std::string(text) + "\""), std::string::npos) << r.error;
    }
}
