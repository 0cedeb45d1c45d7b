// The maker's serial number of a device, composed from a device type, a date
// and a running number, and the model label that goes with it.
#pragma once

#include <string>
#include <string_view>

namespace cobalin {

struct ComposedSerial {
    std::string serial;      // UTF-8
    std::string modelLabel;  // UTF-8
};

// typeEntry: the chosen device type's entry ("4) LAN Module (Catx)"); its
// first character is the type digit. date: "YYYYMMDD" as typed. running:
// the running number as typed.
//
// The serial number is the type digit, then (for a date of exactly eight
// digits) one character each for year, month and day, the character whose
// code is 48 plus the two-digit value, then the running number as four
// digits (its last four when longer). A date or running number of another
// form is left out. The model label is a prefix for the type, the date as
// typed and the running number, joined by "-".
ComposedSerial ComposeSerialNumber(std::string_view typeEntry, std::string_view date, std::string_view running);

// The next running number as four digits ("0009" gives "0010", "9999"
// gives "0000"); a text that is no running number starts again at "0001".
std::string AdvanceRunningNumber(std::string_view running);

}  // namespace cobalin
