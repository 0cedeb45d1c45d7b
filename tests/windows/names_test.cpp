// The faces by the AdvancedMode setting's text.
#include "windows/names.h"

#include <gtest/gtest.h>

using namespace cobalin::ui;

TEST(Names, FaceOfTheSettingText) {
    struct Case { const char* text; Face face; };
    const Case cases[] = {
        {"0", Face::SimpleTwo}, {"1", Face::Advance}, {"2", Face::SimpleOne},
        // Only the exact texts name a face; a number written otherwise does not.
        {"1.0", Face::Other},   {"01", Face::Other},  {"+2", Face::Other},  {" 1", Face::Other},
        {"5", Face::Other},     {"", Face::Other},    {"x", Face::Other},
    };
    for (const auto& c : cases) EXPECT_EQ(FaceOf(c.text), c.face) << "[" << c.text << "]";
    // A face button's text selects that face again.
    for (Face f : {Face::SimpleTwo, Face::Advance, Face::SimpleOne}) EXPECT_EQ(FaceOf(AdvancedModeText(f)), f);
    EXPECT_EQ(AdvancedModeText(Face::Other), "");
}
