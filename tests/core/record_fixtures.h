// Small builders for records and replies used across the codec tests.
#pragma once

#include <cstring>
#include <initializer_list>
#include <string_view>

#include "core/device_table.h"

namespace cobalin::testing {

inline void Put(DeviceRecord& r, size_t at, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) r[at++] = b;
}
inline void PutText(DeviceRecord& r, size_t at, std::string_view text) { std::memcpy(r.data() + at, text.data(), text.size()); }

// A paged page as a device sends it: 0x50, the MAC, the page number, data.
inline Bytes Page(uint8_t number, std::array<uint8_t, 6> mac, size_t length = 0) {
    Bytes b(length ? length : kPages[number].length, 0);
    b[0] = kPageMark;
    std::copy(mac.begin(), mac.end(), b.begin() + 1);
    b[7] = number;
    return b;
}

inline Bytes ShortReply(std::array<uint8_t, 6> mac) {
    Bytes b(kShortRecordSize, 0);
    std::copy(mac.begin(), mac.end(), b.begin() + kShortMacOffset);
    return b;
}

inline std::array<uint8_t, 6> Mac(uint8_t last) { return {0x02, 0x7E, 0x3A, 0x04, 0xC8, last}; }

}  // namespace cobalin::testing
