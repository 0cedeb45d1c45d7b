// Reads a settings backup back with an INI reader independent of the
// program's own (Python's configparser, tests/data/read_backup.py).
#pragma once

#include <cstdio>
#include <span>
#include <string>

namespace cobalin::testing {

// "MAC=...\nBYTES=...\nHEX=...\n", or the reader's reason for refusing the file.
inline std::string ReadBackup(const std::string& file) {
    const std::string command = "python3 " COBALIN_SOURCE_DIR "/tests/data/read_backup.py '" + file + "' 2>&1";
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    return out;
}

inline std::string UpperHex(std::span<const uint8_t> bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (uint8_t b : bytes) s += {digits[b >> 4], digits[b & 15]};
    return s;
}

}  // namespace cobalin::testing
