// The typed handles and the control tables name the same controls: every
// control of a table has its handle and every handle its control, so the two
// cannot drift apart.
#include <gtest/gtest.h>

#include <QSet>

#include "windows/forms.h"

using namespace cobalin::ui;

namespace {

QSet<QString> TableNames(std::span<const ControlDef> table) {
    QSet<QString> names;
    for (const ControlDef& d : table) names.insert(d.name);
    return names;
}

// The main window shows a device session's timer and sockets.
struct MainWindow {
    cobalin::AppState state{"."};
    cobalin::DeviceSession session{state};
    FormMain form{session};
};

template <class Window>
void ExpectHandlesMatchTable(const Window& w, std::span<const ControlDef> table) {
    const QStringList bound = w.c.bind_.Bound();
    const QSet<QString> handles(bound.begin(), bound.end());
    EXPECT_EQ(handles.size(), bound.size()) << "a control has two handles";
    const QSet<QString> names = TableNames(table);
    for (const QString& n : names - handles) ADD_FAILURE() << w.objectName().toStdString() << ": no handle for " << n.toStdString();
    for (const QString& n : handles - names) ADD_FAILURE() << w.objectName().toStdString() << ": handle without control " << n.toStdString();
}

// A window of two controls and a control array with a gap.
constexpr ControlDef kSmall[] = {
    {"Label1", Kind::Label, "", {0, 0, 600, 300}, "One", {}},
    {"Command1(0)", Kind::Button, "", {0, 300, 600, 300}, "A", {}},
    {"Command1(2)", Kind::Button, "", {0, 600, 600, 300}, "C", {}},
};

}  // namespace

TEST(WindowHandles, EveryControlOfEachTableHasItsHandle) {
    MainWindow main;
    ExpectHandlesMatchTable(main.form, MainWindowControls());
    ExpectHandlesMatchTable(FormDeviceSelect(), ChooserControls());
    ExpectHandlesMatchTable(FormHelp(), HelpWindowControls());
}

TEST(WindowHandles, HandlesAreTheNamedControls) {
    MainWindow main;
    const FormMain& w = main.form;
    EXPECT_EQ(w.c.List1, w.Control("List1"));
    EXPECT_EQ(w.c.Command34[2], w.Control("Command34(2)"));
    EXPECT_EQ(w.c.Text6[9], w.Control("Text6(9)"));
    // A gap in an array is null; an array ends at its highest index.
    EXPECT_EQ(w.c.Label8.size(), 1u);
    EXPECT_EQ(w.c.Label43[0], nullptr);
    EXPECT_EQ(w.c.Label43[4], w.Control("Label43(4)"));
}

TEST(WindowHandles, AnArrayKeepsItsGapsNull) {
    Form f("FormTest", kSmall, 1200, 900);
    HandleBinder bind(f);
    const std::array<QPushButton*, 3> buttons = bind("Command1");
    EXPECT_EQ(buttons[0], f.Control("Command1(0)"));
    EXPECT_EQ(buttons[1], nullptr);
    EXPECT_EQ(buttons[2], f.Control("Command1(2)"));
    EXPECT_EQ(bind.Bound(), QStringList({"Command1(0)", "Command1(2)"}));
}

TEST(WindowHandlesDeathTest, AHandleTheWindowLacksStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Form f("FormTest", kSmall, 1200, 900);
    HandleBinder bind(f);
    EXPECT_DEATH(QLabel* l = bind("Lable1"); (void)l, "FormTest has no control named \"Lable1\"");
    EXPECT_DEATH(QPushButton* b = bind("Label1"); (void)b, "FormTest has no QPushButton named \"Label1\"");
    // An array longer than the window's: its last index must be there.
    using FourButtons = std::array<QPushButton*, 4>;
    EXPECT_DEATH((void)FourButtons(bind("Command1")), "FormTest has no control named \"Command1\\(3\\)\"");
}
