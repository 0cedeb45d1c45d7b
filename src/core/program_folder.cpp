#include "core/program_folder.h"

#include <filesystem>
#include <system_error>

namespace cobalin {

namespace fs = std::filesystem;

ProgramFolderChoice ChooseProgramFolder(const std::string& given, const std::string& exeDir, const char* xdgConfigHome,
                                        const char* home) {
    if (!given.empty()) return {given, {}};
    const fs::path exe = fs::path(exeDir).lexically_normal();
    const fs::path bin = exe.has_filename() ? exe : exe.parent_path();
    const fs::path shipped = bin.parent_path() / "share" / "cobalin";
    std::error_code ec;
    if (bin.filename() != "bin" || !fs::is_directory(shipped, ec)) return {exeDir, {}};
    // The configuration home must be an absolute path; a relative one is ignored.
    fs::path config;
    if (xdgConfigHome && fs::path(xdgConfigHome).is_absolute()) config = xdgConfigHome;
    else if (home && fs::path(home).is_absolute()) config = fs::path(home) / ".config";
    else return {exeDir, {}};
    return {(config / "cobalin").string(), shipped.string()};
}

std::string FillProgramFolder(const std::string& defaults, const std::string& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return "cannot make " + folder + ": " + ec.message();
    for (auto it = fs::recursive_directory_iterator(defaults, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const fs::path target = fs::path(folder) / fs::relative(it->path(), defaults);
        if (it->is_directory()) {
            fs::create_directories(target, ec);
        } else if (!fs::exists(target)) {
            fs::copy_file(it->path(), target, ec);
            // The shipped files are read-only; the user's copies are theirs to change.
            if (!ec)
                fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
        }
        if (ec) return "cannot copy " + it->path().string() + " to " + target.string() + ": " + ec.message();
    }
    if (ec) return "cannot read " + defaults + ": " + ec.message();
    return {};
}

}  // namespace cobalin
