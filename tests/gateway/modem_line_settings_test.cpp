#include "gateway/modem_line_settings.h"

#include <gtest/gtest.h>

using namespace lumivane;

TEST(ParseCommSettings, ReadsTheDefaultLineSettings)
{
    const ModemLineSettingsResult r = parseCommSettings("460800,n,8,1");
    ASSERT_TRUE(r.settings) << r.error;
    EXPECT_EQ(r.settings->speed, 460800);
    EXPECT_EQ(r.settings->parity, ModemParity::None);
    EXPECT_EQ(r.settings->dataBits, 8);
    EXPECT_EQ(r.settings->stopBits, ModemStopBits::One);
}

TEST(ParseCommSettings, ParityLettersInAnyCase)
{
    const std::pair<const char*, ModemParity> cases[] = {
        {"9600,n,8,1", ModemParity::None}, {"9600,E,7,1", ModemParity::Even}, {"9600,o,7,1", ModemParity::Odd},
        {"9600,M,7,1", ModemParity::Mark}, {"9600,s,7,1", ModemParity::Space}, {"9600,N,8,1", ModemParity::None}};
    for (const auto& [text, parity] : cases) {
        const ModemLineSettingsResult r = parseCommSettings(text);
        ASSERT_TRUE(r.settings) << text << ": " << r.error;
        EXPECT_EQ(r.settings->parity, parity) << text;
    }
}

TEST(ParseCommSettings, DataBitsFiveToEightAndAllThreeStopBits)
{
    for (int bits = 5; bits <= 8; ++bits) {
        const ModemLineSettingsResult r = parseCommSettings("9600,n," + std::to_string(bits) + ",1");
        ASSERT_TRUE(r.settings) << r.error;
        EXPECT_EQ(r.settings->dataBits, bits);
    }
    EXPECT_EQ(parseCommSettings("9600,n,8,1.5").settings->stopBits, ModemStopBits::OneAndHalf);
    EXPECT_EQ(parseCommSettings("9600,n,8,2").settings->stopBits, ModemStopBits::Two);
}

TEST(ParseCommSettings, BlanksAroundItemsAreAllowed)
{
    const ModemLineSettingsResult r = parseCommSettings(" 115200 , e , 7 , 2 ");
    ASSERT_TRUE(r.settings) << r.error;
    EXPECT_EQ(r.settings->speed, 115200);
    EXPECT_EQ(r.settings->parity, ModemParity::Even);
    EXPECT_EQ(r.settings->dataBits, 7);
    EXPECT_EQ(r.settings->stopBits, ModemStopBits::Two);
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

TEST(ModemPortName, PortNumberNamesTheNthSerialPort)
{
    EXPECT_EQ(modemPortName("3", SerialPortNaming::Posix).portName, "/dev/ttyS2");
    EXPECT_EQ(modemPortName("3", SerialPortNaming::Windows).portName, "COM3");
    EXPECT_EQ(modemPortName("1", SerialPortNaming::Posix).portName, "/dev/ttyS0");
    EXPECT_EQ(modemPortName(" 12 ", SerialPortNaming::Windows).portName, "COM12");
}

TEST(ModemPortName, PortNumberIsRoundedHalvesToEven)
{
    EXPECT_EQ(modemPortName("2.5", SerialPortNaming::Windows).portName, "COM2");
    EXPECT_EQ(modemPortName("3.5", SerialPortNaming::Windows).portName, "COM4");
    EXPECT_EQ(modemPortName("2.6", SerialPortNaming::Posix).portName, "/dev/ttyS2");
}

TEST(ModemPortName, DevicePathIsTakenAsItStands)
{
    EXPECT_EQ(modemPortName("/dev/ttyUSB0", SerialPortNaming::Posix).portName, "/dev/ttyUSB0");
    EXPECT_EQ(modemPortName("/dev/pts/5", SerialPortNaming::Posix).portName, "/dev/pts/5");
}

TEST(ModemPortName, RefusesTextsThatNameNoPort)
{
    for (const char* text : {"abc", "", "COM3", "0", "-1", "40000", "ttyS2"}) {
        const ModemPortNameResult r = modemPortName(text, SerialPortNaming::Posix);
        EXPECT_TRUE(r.portName.empty()) << text;
        EXPECT_NE(r.error.find("\"" + std::string(text) + "\""), std::string::npos) << r.error;
    }
}
