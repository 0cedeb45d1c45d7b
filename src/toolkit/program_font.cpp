#include "toolkit/program_font.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QScreen>
#include <cstdio>

namespace cobalin::ui {

namespace {
constexpr double kLayoutDpi = 96;
}

double LayoutPoints(double points) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : kLayoutDpi;
    return dpi > 0 ? points * kLayoutDpi / dpi : points;
}

QString UseProgramFont() {
    QFont font = QApplication::font();
    QString family;
    for (const char* name : kProgramFontFamilies) {
        if (QFontDatabase::hasFamily(name)) {
            family = name;
            break;
        }
    }
    if (family.isEmpty()) {
        std::fprintf(stderr,
                     "cobalin: no font with Arial's metrics is installed (Liberation Sans, from Debian's "
                     "fonts-liberation); using %s, in which some captions are shortened\n",
                     qPrintable(QFontInfo(font).family()));
    } else {
        font.setFamily(family);
    }
    font.setPointSizeF(LayoutPoints(kProgramFontPoints));
    QApplication::setFont(font);
    return family.isEmpty() ? QFontInfo(font).family() : family;
}

}  // namespace cobalin::ui
