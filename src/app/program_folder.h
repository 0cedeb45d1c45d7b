// Where the program keeps Setting.ini, the logos, the fill data sets and the
// backups: --home or COBALIN_HOME when given, else the executable's folder.
#pragma once

#include <QString>
#include <string>

namespace cobalin {

// Needs a QCoreApplication (for the executable's folder).
QString ProgramFolder(const std::string& givenHome);

}  // namespace cobalin
