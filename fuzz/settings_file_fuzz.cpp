// Settings files of any content: lookups never read out of range or hang,
// and a present key's value is at most what the file holds.
#include <cstdlib>
#include <sstream>
#include <string>

#include "core/ini_file.h"
#include "fuzz_input.h"

using namespace cobalin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::FuzzInput in(data, size);
    const auto sectionBytes = in.Take(in.Byte() % 16);
    const auto keyBytes = in.Take(in.Byte() % 16);
    const std::string section(reinterpret_cast<const char*>(sectionBytes.data()), sectionBytes.size());
    const std::string key(reinterpret_cast<const char*>(keyBytes.data()), keyBytes.size());
    const auto rest = in.Rest();
    const std::string content(reinterpret_cast<const char*>(rest.data()), rest.size());
    {
        std::istringstream stream(content);
        const auto value = LookupIniIn(section, key, stream);
        if (value && value->size() > content.size()) std::abort();
    }
    {
        std::istringstream stream(content);
        size_t total = 0;
        for (const auto& [k, v] : ReadIniSectionIn(section, stream)) total += k.size() + v.size();
        if (total > content.size()) std::abort();
    }
    return 0;
}
