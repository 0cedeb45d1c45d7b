// Looking a control up by name: the program's own lookups stop at a name the
// window does not have; the driver's lookup answers nullptr.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "toolkit/form.h"

using namespace cobalin::ui;

namespace {

constexpr ControlDef kTable[] = {
    {"Label1", Kind::Label, "", {0, 0, 600, 300}, "One", {}},
    {"Command1", Kind::Button, "", {0, 300, 600, 300}, "Go", {}},
};

}  // namespace

TEST(FormLookup, KnownNamesAreFoundByEveryLookup) {
    Form f("FormTest", kTable, 1200, 900);
    EXPECT_EQ(f.Control("Label1"), f.Find("Label1"));
    ASSERT_NE(f.Get<QPushButton>("Command1"), nullptr);
    EXPECT_EQ(f.Get<QPushButton>("Command1")->text(), "Go");
    EXPECT_EQ(f.Find("Label2"), nullptr);
    EXPECT_EQ(f.Component("Label2"), nullptr);
}

TEST(FormLookupDeathTest, AnUnknownNameStopsTheProgramNamingIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Form f("FormTest", kTable, 1200, 900);
    EXPECT_DEATH(f.Control("Lable1"), "FormTest has no control named \"Lable1\"");
    EXPECT_DEATH(f.Get<QPushButton>("Label1"), "FormTest has no QPushButton named \"Label1\"");
}
