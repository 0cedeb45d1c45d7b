// Simulator description files of any content: parsed or refused with a
// line number, never a crash; what parses builds records and module records.
#include <cstdlib>
#include <string>

#include "sim/device_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    cobalin::sim::ParseError error;
    const auto lan = cobalin::sim::ParseLanDescription(text, error);
    if (!lan) {
        if (error.message.empty()) std::abort();
        return 0;
    }
    // Keep huge counts cheap: build only the first devices.
    for (size_t i = 0; i < lan->devices.size() && i < 8; ++i) {
        cobalin::sim::BuildRecord(lan->devices[i]);
        cobalin::sim::BuildModuleRecord(lan->devices[i]);
    }
    return 0;
}
