// Private-profile ("ini") files: the program's own Setting.ini (read only)
// and the settings backups (written).
#pragma once

#include <istream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cobalin {

// Looks a key up in a section of the file. Section and key names match
// without regard to case; a missing file, section or key gives "0"; a key with
// an empty value gives ""; a value longer than the buffer (size, 0 meaning
// 1000) is cut to buffer size minus one characters. The file is opened afresh
// on every call.
// The key's value, or nullopt when the file, the section or the key is missing.
std::optional<std::string> LookupIni(std::string_view section, std::string_view key, const std::string& file);

// Every key of a section with its value (the first of two equal keys wins;
// names as written in the file), in one pass over the file.
std::vector<std::pair<std::string, std::string>> ReadIniSection(std::string_view section, const std::string& file);

// The same lookups on an already opened stream.
std::optional<std::string> LookupIniIn(std::string_view section, std::string_view key, std::istream& in);
std::vector<std::pair<std::string, std::string>> ReadIniSectionIn(std::string_view section, std::istream& in);
// As ReadIniSectionIn, but nullopt when the stream holds no such section
// (a section that is present and empty gives an empty list).
std::optional<std::vector<std::pair<std::string, std::string>>> FindIniSectionIn(std::string_view section,
                                                                                  std::istream& in);

std::string ReadIni(std::string_view section, std::string_view key, const std::string& file, int size = 0);

// Writes key=value into the section, creating the file, the section or the
// key as needed; every other line is kept as it was. The file is replaced
// atomically. Nonzero on success, 0 when the file cannot be written.
int WriteIni(std::string_view section, std::string_view key, std::string_view value, const std::string& file);

// One key for WriteIniEntries.
struct IniEntry {
    std::string section, key, value;
};
// Writes every entry in order, each as WriteIni would, in one replacement of
// the file: either all of them land or the file stays as it was. Nonzero on
// success, 0 when the file cannot be written.
// The file is created anew, readable and writable by its owner only,
// whatever the umask (it may hold a device's password); a symbolic link in
// the file's place is neither read nor written through, and a FIFO or a
// device there is refused without being waited on: 0. Once renamed into
// place, the folder is flushed too, so a power cut keeps the new file.
int WriteIniEntries(std::span<const IniEntry> entries, const std::string& file);

// Writes the entries as a new file in the open folder `folder`, under the
// first of `names` that no file, folder or link holds yet: never replacing
// one, never following a link, readable and writable by its owner only; the
// folder is flushed once the name stands in it. The name taken, or empty
// when none could be written (or made to last).
std::string WriteNewIniFile(int folder, std::span<const IniEntry> entries, std::span<const std::string> names);

}  // namespace cobalin
