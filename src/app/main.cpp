#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <cstdio>
#include <cstdlib>

#include "app/program_options.h"
#include "cobalin_version.h"

int main(int argc, char* argv[]) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const cobalin::ProgramOptions options = cobalin::ParseProgramOptions(args, std::getenv("COBALIN_HOME"));
    if (!options.error.empty()) {
        std::fprintf(stderr, "cobalin: %s\n%s", options.error.c_str(), cobalin::UsageText().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(cobalin::UsageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("cobalin %s\n", COBALIN_VERSION);
        return 0;
    }
    QApplication app(argc, argv);
    const QString home = options.home.empty() ? QCoreApplication::applicationDirPath()
                                              : QDir(QString::fromStdString(options.home)).absolutePath();
    QMainWindow window;
    window.setWindowTitle("Cobalin");
    window.setProperty("home", home);
    window.resize(640, 480);
    window.show();
    return app.exec();
}
