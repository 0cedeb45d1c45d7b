// The program folder of this run (see core/program_folder.h), filled with the
// shipped defaults when the program is installed and starts for the first time.
#pragma once

#include <QString>
#include <string>

namespace cobalin {

// Needs a QCoreApplication (for the executable's folder).
QString ProgramFolder(const std::string& givenHome);

}  // namespace cobalin
