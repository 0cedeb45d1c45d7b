#include "core/ini_file.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <unordered_set>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/text_conversions.h"

namespace cobalin {

namespace {

constexpr size_t kDefaultBuffer = 1000;

std::string_view Trim(std::string_view s) { return cobalin::Trim(s, kWhitespace); }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The name of a "[section]" line, or nullopt-like empty view with ok=false.
bool SectionName(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return false;
    const size_t close = line.find(']');
    name = Trim(close == std::string_view::npos ? line.substr(1) : line.substr(1, close - 1));
    return true;
}

// Splits "key = value" into its trimmed key and value; false when the line
// holds no "=" or is a comment.
bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';') return false;
    const size_t eq = trimmed.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(trimmed.substr(0, eq));
    value = Trim(trimmed.substr(eq + 1));
    return true;
}

std::string_view DropQuotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

}  // namespace

std::optional<std::string> LookupIni(std::string_view section, std::string_view key, const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    return LookupIniIn(section, key, in);
}

std::optional<std::string> LookupIniIn(std::string_view section, std::string_view key, std::istream& in) {
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        std::string_view name;
        if (SectionName(line, name)) {
            inSection = SameName(name, Trim(section));
            continue;
        }
        if (!inSection) continue;
        std::string_view k, v;
        if (KeyValue(line, k, v) && SameName(k, Trim(key))) return std::string(DropQuotes(v));
    }
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> ReadIniSection(std::string_view section, const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return ReadIniSectionIn(section, in);
}

std::vector<std::pair<std::string, std::string>> ReadIniSectionIn(std::string_view section, std::istream& in) {
    return FindIniSectionIn(section, in).value_or(std::vector<std::pair<std::string, std::string>>{});
}

std::optional<std::vector<std::pair<std::string, std::string>>> FindIniSectionIn(std::string_view section,
                                                                                  std::istream& in) {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::unordered_set<std::string> seen;
    std::string line;
    bool inSection = false, found = false;
    while (in && std::getline(in, line)) {
        std::string_view name;
        if (SectionName(line, name)) {
            inSection = SameName(name, Trim(section));
            found = found || inSection;
            continue;
        }
        std::string_view k, v;
        if (!inSection || !KeyValue(line, k, v)) continue;
        std::string lower(k);
        for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (seen.insert(lower).second) pairs.emplace_back(std::string(k), std::string(DropQuotes(v)));
    }
    if (!found) return std::nullopt;
    return pairs;
}

std::string ReadIni(std::string_view section, std::string_view key, const std::string& file, int size) {
    const size_t buffer = size > 0 ? static_cast<size_t>(size) : kDefaultBuffer;
    const std::string value = LookupIni(section, key, file).value_or("0");
    return value.substr(0, buffer - 1);
}

namespace {

using Lines = std::vector<std::string>;  // each with its own line end, if it had one

std::string_view Body(const std::string& l) {
    std::string_view v(l);
    if (!v.empty() && v.back() == '\n') v.remove_suffix(1);
    if (!v.empty() && v.back() == '\r') v.remove_suffix(1);
    return v;
}

// Sets key=value in the section of the lines, as one WriteIni would.
void SetKey(Lines& lines, const std::string& eol, std::string_view section, std::string_view key,
            std::string_view value) {
    const std::string newLine = std::string(key) + "=" + std::string(value) + eol;

    // Find the section, the key inside it, and the last non-blank line of it.
    long sectionAt = -1, keyAt = -1, lastContent = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view name;
        if (SectionName(Body(lines[i]), name)) {
            if (sectionAt >= 0) break;
            if (SameName(name, Trim(section))) sectionAt = lastContent = static_cast<long>(i);
            continue;
        }
        if (sectionAt < 0) continue;
        if (!Trim(Body(lines[i])).empty()) lastContent = static_cast<long>(i);
        std::string_view k, v;
        if (KeyValue(Body(lines[i]), k, v) && SameName(k, Trim(key))) {
            keyAt = static_cast<long>(i);
            break;
        }
    }
    auto ensureEnded = [&](long i) {
        std::string& l = lines[static_cast<size_t>(i)];
        if (l.empty() || l.back() != '\n') l += eol;
    };
    if (keyAt >= 0) {
        const std::string& old = lines[static_cast<size_t>(keyAt)];
        const bool ended = !old.empty() && old.back() == '\n';
        lines[static_cast<size_t>(keyAt)] = ended ? newLine : newLine.substr(0, newLine.size() - eol.size());
    } else if (sectionAt >= 0) {
        ensureEnded(lastContent);
        lines.insert(lines.begin() + lastContent + 1, newLine);
    } else {
        if (!lines.empty()) ensureEnded(static_cast<long>(lines.size()) - 1);
        lines.push_back("[" + std::string(section) + "]" + eol);
        lines.push_back(newLine);
    }
}

}  // namespace

int WriteIni(std::string_view section, std::string_view key, std::string_view value, const std::string& file) {
    const IniEntry entry{std::string(section), std::string(key), std::string(value)};
    return WriteIniEntries(std::span<const IniEntry>(&entry, 1), file);
}

namespace {

std::atomic<unsigned> tempSerial{0};

// The lines as a new file `name` in `folder` (AT_FDCWD: a path), created
// here and nowhere else: never through a link, never over a file another
// hand put there first; owner only, flushed to the disk. The name, or empty.
std::string WriteTemp(int folder, const std::string& prefix, const Lines& lines) {
    // A name taken by someone else is passed over, never opened.
    constexpr int kTries = 16;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        const std::string temp = prefix + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(tempSerial++);
        const int fd = openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return {};
        }
        bool ok = fchmod(fd, 0600) == 0;
        for (const auto& l : lines) {
            std::string_view rest(l);
            while (ok && !rest.empty()) {
                const ssize_t n = write(fd, rest.data(), rest.size());
                if (n < 0 && errno == EINTR) continue;
                ok = n > 0;
                if (ok) rest.remove_prefix(static_cast<size_t>(n));
            }
        }
        ok = ok && fsync(fd) == 0;
        ok = close(fd) == 0 && ok;
        if (ok) return temp;
        unlinkat(folder, temp.c_str(), 0);
        return {};
    }
    return {};
}

// The file's data was flushed before its rename; the rename (or link) lives
// in the folder, which must reach the disk too, or a power cut can take the
// new name back. A file system that cannot flush a folder (EINVAL) has
// nothing more to give.
bool FlushFolder(int folder) {
    int flushed;
    do flushed = fsync(folder);
    while (flushed != 0 && errno == EINTR);
    return flushed == 0 || errno == EINVAL;
}

// The lines of the file as it stands, and its line end; a missing file has
// none. False when it may not be replaced: a link in its place (whoever put
// it there may have meant another file to be read or overwritten), anything
// but a regular file (a FIFO or a device is opened without waiting on it or
// taking it as a terminal, then refused), or a file that cannot be read.
bool ReadLinesToReplace(const std::string& file, Lines& lines, std::string& eol) {
    struct stat st{};
    if (lstat(file.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return false;
    const int fd = open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;
    FILE* in = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? fdopen(fd, "rb") : nullptr;
    if (!in) {
        close(fd);
        return false;
    }
    std::string content;
    char chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) content.append(chunk, n);
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) return false;
    for (size_t start = 0; start < content.size();) {
        const size_t nl = content.find('\n', start);
        const size_t end = nl == std::string::npos ? content.size() : nl + 1;
        lines.push_back(content.substr(start, end - start));
        start = end;
    }
    const std::string& first = lines.empty() ? content : lines.front();
    if (!first.empty() && first.back() == '\n' && (first.size() < 2 || first[first.size() - 2] != '\r')) eol = "\n";
    return true;
}

// FlushFolder for the folder that holds `file`.
bool FlushFolderOf(const std::string& file) {
    const size_t slash = file.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool flushed = FlushFolder(fd);
    close(fd);
    return flushed;
}

}  // namespace

int WriteIniEntries(std::span<const IniEntry> entries, const std::string& file) {
    Lines lines;
    std::string eol = "\r\n";
    if (!ReadLinesToReplace(file, lines, eol)) return 0;
    for (const IniEntry& e : entries) SetKey(lines, eol, e.section, e.key, e.value);

    // A temporary file beside the target, then rename: never half a file. The
    // process and a running number name it, so two writers never share one.
    const std::string temp = WriteTemp(AT_FDCWD, file, lines);
    if (temp.empty()) return 0;
    if (std::rename(temp.c_str(), file.c_str()) != 0) {
        std::remove(temp.c_str());
        return 0;
    }
    return FlushFolderOf(file) ? 1 : 0;
}

std::string WriteNewIniFile(int folder, std::span<const IniEntry> entries, std::span<const std::string> names) {
    Lines lines;
    for (const IniEntry& e : entries) SetKey(lines, "\r\n", e.section, e.key, e.value);
    const std::string temp = WriteTemp(folder, "", lines);
    if (temp.empty()) return {};
    std::string taken;
    for (const std::string& name : names) {
        // Moved into a name only where none stands: an existing file, folder
        // or link makes it fail, so nothing is ever replaced or followed.
        int moved = renameat2(folder, temp.c_str(), folder, name.c_str(), RENAME_NOREPLACE);
        if (moved != 0 && errno == EINVAL) {  // a file system without it: a link, then the name dropped
            moved = linkat(folder, temp.c_str(), folder, name.c_str(), 0);
            if (moved == 0) unlinkat(folder, temp.c_str(), 0);
        }
        if (moved == 0) {
            taken = name;
            break;
        }
        if (errno != EEXIST) break;
    }
    if (taken.empty()) unlinkat(folder, temp.c_str(), 0);
    // A backup whose name a power cut could take back is no backup.
    if (!taken.empty() && !FlushFolder(folder)) return {};
    return taken;
}

}  // namespace cobalin
