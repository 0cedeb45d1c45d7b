// Where the program keeps Setting.ini, the logos, the fill data sets and the
// backups. --home (or COBALIN_HOME) wins. An installed program (its
// executable in a "bin" folder beside "share/cobalin") keeps them in
// $XDG_CONFIG_HOME/cobalin (default ~/.config/cobalin), filled at its first
// start with the shipped defaults of share/cobalin. Any other program (one
// run from its build folder) keeps them in its executable's folder.
#pragma once

#include <string>

namespace cobalin {

struct ProgramFolderChoice {
    std::string folder;
    std::string defaults;  // the shipped defaults to fill the folder from; empty: none
};

// given: --home or COBALIN_HOME (empty when neither); exeDir: the executable's
// folder; xdgConfigHome and home: the environment's values (may be null).
ProgramFolderChoice ChooseProgramFolder(const std::string& given, const std::string& exeDir, const char* xdgConfigHome,
                                        const char* home);

// Creates the folder and copies into it every file of the defaults (and of
// their subfolders) that it does not hold yet; what the user changed or
// added stays. Empty when done, else what failed.
std::string FillProgramFolder(const std::string& defaults, const std::string& folder);

}  // namespace cobalin
