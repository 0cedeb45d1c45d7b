#include "core/serial_number.h"

#include <gtest/gtest.h>

using namespace cobalin;

TEST(SerialNumber, ComposedFromTypeDateAndRunningNumber) {
    struct Case {
        const char *type, *date, *running;
        const char *serial, *label;
    };
    const Case cases[] = {
        // A date whose year ends in 13, month 09, day 05: "=" (61), "9", "5".
        {"4) LAN Module (Catx)", "20130905", "0001", "4=950001", "LAN-20130905-0001"},
        {"6) IP Dongle", "20130905", "0001", "6=950001", "IPD-20130905-0001"},
        {"5) LAN Module (WIFI)", "20261231", "12", "5J<O0012", "WIFI-20261231-0012"},
        {"0) Unknow Device", "20000101", "7", "00110007", "Un-20000101-0007"},
        // A longer running number keeps its last four digits.
        {"4) LAN Module (Catx)", "20130905", "12345", "4=952345", "LAN-20130905-2345"},
        // A date of another form is left out; the label keeps it as typed.
        {"4) LAN Module (Catx)", "2013095", "0001", "40001", "LAN-2013095-0001"},
        {"4) LAN Module (Catx)", "2013-9-5", "0001", "40001", "LAN-2013-9-5-0001"},
        {"4) LAN Module (Catx)", "", "0001", "40001", "LAN--0001"},
        // A running number that is no number is left out of the serial number.
        {"4) LAN Module (Catx)", "20130905", "abc", "4=95", "LAN-20130905-abc"},
        {"4) LAN Module (Catx)", "20130905", "", "4=95", "LAN-20130905-"},
        {"4) LAN Module (Catx)", "20130905", "-3", "4=95", "LAN-20130905--3"},
        // Nothing chosen: no digit, no prefix.
        {"", "20130905", "0001", "=950001", "-20130905-0001"},
    };
    for (const Case& c : cases) {
        const ComposedSerial s = ComposeSerialNumber(c.type, c.date, c.running);
        EXPECT_EQ(s.serial, c.serial) << c.type << " " << c.date << " " << c.running;
        EXPECT_EQ(s.modelLabel, c.label) << c.type << " " << c.date << " " << c.running;
    }
    EXPECT_EQ(ComposeSerialNumber("4) LAN Module (Catx)", "20130905", "0001").serial.size(), 8u);
    // Year 99 is past ASCII: the character 147 of the device's code page.
    EXPECT_EQ(ComposeSerialNumber("6) IP Dongle", "20990101", "1").serial, "6\xE2\x80\x9C" "110001");
}

TEST(SerialNumber, AdvanceCountsOnInFourDigits) {
    const std::pair<const char*, const char*> cases[] = {
        {"0001", "0002"}, {"0009", "0010"}, {"9999", "0000"}, {"12", "0013"}, {"32767", "2768"},
        {"abc", "0001"},  {"", "0001"},     {"-5", "0001"},   {"40000", "0001"}};
    for (const auto& [from, to] : cases) EXPECT_EQ(AdvanceRunningNumber(from), to) << from;
}
