#include <QApplication>
#include <gtest/gtest.h>

#include "toolkit/program_font.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    cobalin::ui::UseProgramFont();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
