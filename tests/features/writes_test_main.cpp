// The writes' widget tests run each countdown at a twentieth of its time
// unless the environment asks for another scale.
#include <QApplication>
#include <gtest/gtest.h>

#include "toolkit/program_font.h"

#include "core/program_options.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty(cobalin::kTimeScaleVariable)) qputenv(cobalin::kTimeScaleVariable, "0.05");
    QApplication app(argc, argv);
    cobalin::ui::UseProgramFont();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
