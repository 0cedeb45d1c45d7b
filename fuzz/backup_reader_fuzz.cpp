// Backup files of any content: the reader never reads out of range, and what
// it reads is all or nothing: an error leaves no record, a record read
// comes with the MAC whose section it was in and writes back to the same.
#include <cctype>
#include <cstdlib>
#include <string>

#include "core/settings_backup.h"

using namespace cobalin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const BackupRead read = ReadBackupText(text);
    if (!read.error.empty()) {
        if (read.record != DeviceRecord{}) std::abort();
        return 0;
    }
    if (read.mac.empty()) std::abort();
    // Every line of the record was read from the file: written back, each
    // line's hex stands in the text (in either case).
    std::string upper = text;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const IniEntry& e : BackupEntries(read.mac, read.record))
        if (e.section == read.mac && upper.find(e.value) == std::string::npos) std::abort();
    return 0;
}
