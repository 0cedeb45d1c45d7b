#include "app/program_folder.h"

#include <QCoreApplication>
#include <QDir>

namespace cobalin {

QString ProgramFolder(const std::string& givenHome) {
    if (!givenHome.empty()) return QDir(QString::fromStdString(givenHome)).absolutePath();
    return QCoreApplication::applicationDirPath();
}

}  // namespace cobalin
