#include "app/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>

#include "core/program_folder.h"

namespace cobalin {

QString ProgramFolder(const std::string& givenHome) {
    const std::string given = givenHome.empty() ? std::string() : QDir(QString::fromStdString(givenHome)).absolutePath().toStdString();
    const ProgramFolderChoice choice = ChooseProgramFolder(given, QCoreApplication::applicationDirPath().toStdString(),
                                                           std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    if (!choice.defaults.empty()) {
        const std::string error = FillProgramFolder(choice.defaults, choice.folder);
        // The program still runs: a missing settings file reads as "0".
        if (!error.empty()) std::fprintf(stderr, "cobalin: %s\n", error.c_str());
    }
    return QString::fromStdString(choice.folder);
}

}  // namespace cobalin
