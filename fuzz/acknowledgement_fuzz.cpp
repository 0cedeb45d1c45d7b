#include <cstdlib>
#include <span>

#include "core/device_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const bool ack = cobalin::IsAcknowledgement(std::span<const uint8_t>(data, size));
    if (ack && (size < 16 || data[0] != 0x50 || data[7] != 0)) std::abort();
    return 0;
}
