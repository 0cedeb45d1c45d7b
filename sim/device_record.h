// The simulator's own reading and writing of device and LAN-module records,
// byte by byte from the record layout. It deliberately shares no field table
// and no encoder with the program: an offset or an encoding the program gets
// wrong then shows as a difference in the records the program receives,
// instead of being made the same way on both sides.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/lan_description.h"

namespace cobalin::sim {

// A device's record image: the short format in its first 98 bytes, or the
// three pages of the paged format one after the other.
constexpr size_t kImageSize = 3001;
using RecordImage = std::array<uint8_t, kImageSize>;
using ByteString = std::vector<uint8_t>;

struct PageSpan {
    size_t at;      // where the page starts in the image
    size_t length;  // its length on the wire, header included
};
constexpr std::array<PageSpan, 3> kPageSpans = {{{0, 1008}, {1008, 982}, {1990, 845}}};
constexpr size_t kHeaderBytes = 8;       // 0x50, the MAC, the page number
constexpr uint8_t kPagedMark = 0x50;
constexpr size_t kShortLength = 98;

constexpr size_t kPagedIdentityAt = 70;  // six bytes every request for the device carries
constexpr size_t kIdentityBytes = 6;
constexpr size_t kPagedIpAt = 58;
constexpr size_t kPagedSerialAt = 26;    // the serial copy maintenance requests carry
constexpr size_t kShortSerialAt = 24;
constexpr size_t kSerialBytes = 16;

constexpr size_t kModuleLength = 173;
constexpr size_t kModuleMacAt = 8;
constexpr uint8_t kModuleAnswer = 0x41;  // "A"

// Whether a description value of this key can be written into a record: a
// known choice, a number in its field's range, an address. Texts always can.
bool ValueFits(const std::string& key, const std::string& value);

// The record a described device answers with.
RecordImage BuildRecord(const DeviceDescription& d);
// The LAN-module record (173 bytes) it answers the module query with.
ByteString BuildModuleRecord(const DeviceDescription& d);

// Carries the fields of a module record (server name, serials, model,
// company, password, addresses) into a paged record.
void TakeModuleFields(const ByteString& module, RecordImage& record);

// The low 8 bits of the sum of all bytes before the last one.
uint8_t ModuleSum(const ByteString& module);
// The checksum a write's second datagram carries in byte 1005: the low 8
// bits of the sum of the first datagram's bytes 31-1030 and the second's 31-1004.
uint8_t WriteSum(const ByteString& a, const ByteString& b);

// The value of a key as the device section gives it, else its default.
std::string Value(const DeviceDescription& d, const std::string& key);

}  // namespace cobalin::sim
