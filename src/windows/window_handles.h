// Typed handles to the windows' controls, one member per control of each
// window's table (window_layouts.cpp), so that the program's own code names a
// control in a way the compiler checks. A control array is a std::array
// indexed as its names are: "Command34(2)" is Command34[2]; an index the
// table lacks is a null gap. The features reach them through their window's
// member `c`: `form_.c.List1`, `form_.c.Command34[2]`.
//
// The names stay what the tables, the layout and the UI driver use: each
// handle is filled from its name once the window is built, and a name the
// window lacks, or a control of another kind, stops the program at once.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <array>

#include "toolkit/form.h"

namespace cobalin::ui {

// Fills one handle, or one control array, from a window's control names and
// records the names it bound (for the check that handles and table agree).
class HandleBinder {
public:
    explicit HandleBinder(const Form& form) : form_(form) {}

    class Named {
    public:
        template <class T>
        operator T*() const {
            binder_.bound_ << name_;
            return binder_.form_.Get<T>(name_);
        }
        // Every index of "Name(i)" the window has; the last must be there,
        // so that an array is never longer than the table's.
        template <class T, std::size_t N>
        operator std::array<T*, N>() const {
            std::array<T*, N> handles{};
            for (std::size_t i = 0; i < N; ++i) {
                const QString name = QString("%1(%2)").arg(name_).arg(i);
                if (i + 1 < N && !binder_.form_.Find(name)) continue;
                handles[i] = Named{binder_, name};
            }
            return handles;
        }

    private:
        friend class HandleBinder;
        Named(HandleBinder& binder, QString name) : binder_(binder), name_(std::move(name)) {}
        HandleBinder& binder_;
        QString name_;
    };

    Named operator()(const char* name) { return Named{*this, name}; }
    const QStringList& Bound() const { return bound_; }

private:
    const Form& form_;
    QStringList bound_;
};

// The main window's controls.
struct MainHandles {
    explicit MainHandles(const Form& form) : bind_(form) {}
    HandleBinder bind_;  // first: the handles below are filled through it

    QFrame* Frame12 = bind_("Frame12");
    QLabel* Image1 = bind_("Image1");
    QFrame* Frame20 = bind_("Frame20");
    QGroupBox* Frame21 = bind_("Frame21");
    QLabel* Label52 = bind_("Label52");
    std::array<QLabel*, 12> _lblText12 = bind_("_lblText12");
    std::array<QLineEdit*, 12> Text12 = bind_("Text12");
    std::array<QPushButton*, 7> Command34 = bind_("Command34");
    QComboBox* Combo4 = bind_("Combo4");
    QComboBox* Combo5 = bind_("Combo5");
    QComboBox* Combo6 = bind_("Combo6");
    QListWidget* List7 = bind_("List7");
    QLabel* Label57 = bind_("Label57");
    QGroupBox* Frame22 = bind_("Frame22");
    std::array<QLabel*, 7> Label53 = bind_("Label53");
    QFrame* Frame25 = bind_("Frame25");
    QPushButton* Command39 = bind_("Command39");
    QFrame* Frame26 = bind_("Frame26");
    QLabel* _lblBootMode = bind_("_lblBootMode");
    std::array<QRadioButton*, 2> Option2 = bind_("Option2");
    QGroupBox* Frame24 = bind_("Frame24");
    QWidget* Line1 = bind_("Line1");
    QFrame* Frame23 = bind_("Frame23");
    std::array<QLabel*, 2> Label54 = bind_("Label54");
    QLabel* Label56 = bind_("Label56");
    QFrame* Frame19 = bind_("Frame19");
    std::array<QLabel*, 5> Label43 = bind_("Label43");
    QListWidget* List6 = bind_("List6");
    QPushButton* Command23 = bind_("Command23");
    QGroupBox* Frame15 = bind_("Frame15");
    std::array<QRadioButton*, 3> Option1 = bind_("Option1");
    std::array<QLineEdit*, 11> Text6 = bind_("Text6");
    QLabel* _lblCombo1 = bind_("_lblCombo1");
    QComboBox* Combo1 = bind_("Combo1");
    QPushButton* Command10 = bind_("Command10");
    QLabel* Label44 = bind_("Label44");
    QGroupBox* Frame13 = bind_("Frame13");
    QLabel* _lblCombo2 = bind_("_lblCombo2");
    QComboBox* Combo2 = bind_("Combo2");
    std::array<QLabel*, 11> _lblText6 = bind_("_lblText6");
    QPushButton* Command32 = bind_("Command32");
    QPushButton* Command21 = bind_("Command21");
    QPushButton* Command22 = bind_("Command22");
    QGroupBox* Frame16 = bind_("Frame16");
    QLabel* Label46 = bind_("Label46");
    QLabel* Label45 = bind_("Label45");
    QGroupBox* Frame18 = bind_("Frame18");
    QLabel* _lblCombo16 = bind_("_lblCombo16");
    QComboBox* Combo16 = bind_("Combo16");
    QLabel* _lblText9 = bind_("_lblText9");
    QLineEdit* Text9 = bind_("Text9");
    QPushButton* Command30 = bind_("Command30");
    QLabel* _lblText8 = bind_("_lblText8");
    QLineEdit* Text8 = bind_("Text8");
    QPushButton* Command29 = bind_("Command29");
    QLabel* _lblText7 = bind_("_lblText7");
    QLineEdit* Text7 = bind_("Text7");
    QLabel* _lblTxSNO = bind_("_lblTxSNO");
    QLineEdit* txSNO = bind_("txSNO");
    QLabel* Label47 = bind_("Label47");
    std::array<QPushButton*, 2> Command33 = bind_("Command33");
    QPushButton* Command31 = bind_("Command31");
    QFrame* Frame14 = bind_("Frame14");
    QPushButton* Command1 = bind_("Command1");
    QCheckBox* Check1 = bind_("Check1");
    QLabel* _lblPort = bind_("_lblPort");
    QLineEdit* txtRemotePort = bind_("txtRemotePort");
    QLabel* _lblMode = bind_("_lblMode");
    QComboBox* cmbSckMode = bind_("cmbSckMode");
    QGroupBox* Frame5 = bind_("Frame5");
    QLabel* _lblIPaddr = bind_("_lblIPaddr");
    QLineEdit* txtIPaddr = bind_("txtIPaddr");
    QLabel* _lblList1 = bind_("_lblList1");
    QListWidget* List1 = bind_("List1");
    QLabel* Label21 = bind_("Label21");
    QGroupBox* Frame1 = bind_("Frame1");
    QLabel* Label3 = bind_("Label3");
    QListWidget* List4 = bind_("List4");
    QLabel* Label4 = bind_("Label4");
    QListWidget* List5 = bind_("List5");
    QLabel* Label38 = bind_("Label38");
    QGroupBox* Frame3 = bind_("Frame3");
    QLabel* Label6 = bind_("Label6");
    QLabel* Label7 = bind_("Label7");
    QLabel* Label16 = bind_("Label16");
    QLabel* Label17 = bind_("Label17");
    QLabel* Label12 = bind_("Label12");
    QLabel* Label13 = bind_("Label13");
    std::array<QLabel*, 1> Label8 = bind_("Label8");
    QLabel* Label9x = bind_("Label9x");
    QLabel* Label10 = bind_("Label10");
    QLabel* Label11 = bind_("Label11");
    QLabel* Label59 = bind_("Label59");
    QLabel* Label58 = bind_("Label58");
    QLabel* Label14 = bind_("Label14");
    QLabel* Label15 = bind_("Label15");
    QGroupBox* Frame2 = bind_("Frame2");
    QLabel* Label5 = bind_("Label5");
    QLineEdit* Text4 = bind_("Text4");
    QComboBox* Combo3 = bind_("Combo3");
    QPushButton* Command6 = bind_("Command6");
    QPushButton* Command5 = bind_("Command5");
    QPushButton* Command9 = bind_("Command9");
    QGroupBox* Frame6 = bind_("Frame6");
    QPushButton* Command7 = bind_("Command7");
    QPushButton* Command36 = bind_("Command36");
    QPushButton* Command37 = bind_("Command37");
    QPushButton* Command38 = bind_("Command38");
    QPushButton* Command20 = bind_("Command20");
    QPushButton* Command28 = bind_("Command28");
    QPushButton* Command12 = bind_("Command12");
    QPushButton* Command25 = bind_("Command25");
    QPushButton* Command13 = bind_("Command13");
    QPushButton* Command24 = bind_("Command24");
    QPushButton* Command35 = bind_("Command35");
    QPushButton* Command26 = bind_("Command26");
    QGroupBox* Frame4 = bind_("Frame4");
    QLabel* Label1 = bind_("Label1");
    QGroupBox* Frame10 = bind_("Frame10");
    QPushButton* Command3 = bind_("Command3");
    QPushButton* Command8 = bind_("Command8");
    QPushButton* Command4 = bind_("Command4");
    QPushButton* Command14 = bind_("Command14");
    QPushButton* Command16 = bind_("Command16");
    QGroupBox* Frame11 = bind_("Frame11");
    QLabel* Label39 = bind_("Label39");
    QLineEdit* Text1 = bind_("Text1");
    QLabel* Label40 = bind_("Label40");
    QLineEdit* Text2 = bind_("Text2");
    QPushButton* Command15 = bind_("Command15");
    QPushButton* Command18 = bind_("Command18");
    QLineEdit* Text3 = bind_("Text3");
    QLineEdit* Text5 = bind_("Text5");
    QPushButton* Command17 = bind_("Command17");
    QLabel* Label41 = bind_("Label41");
    QGroupBox* Frame8 = bind_("Frame8");
    QListWidget* List2 = bind_("List2");
    QListWidget* List3 = bind_("List3");
    QGroupBox* Frame17 = bind_("Frame17");
    QPushButton* Command11 = bind_("Command11");
    QPushButton* Command19 = bind_("Command19");
    QPushButton* Command27 = bind_("Command27");
    QPushButton* Command40 = bind_("Command40");
};

// The device-type chooser's controls.
struct ChooserHandles {
    explicit ChooserHandles(const Form& form) : bind_(form) {}
    HandleBinder bind_;  // first: the handles below are filled through it

    QGroupBox* Frame1 = bind_("Frame1");
    std::array<QRadioButton*, 2> Option1 = bind_("Option1");
    QLabel* Label1 = bind_("Label1");
    QPushButton* Command11 = bind_("Command11");
};

// The help window's controls.
struct HelpHandles {
    explicit HelpHandles(const Form& form) : bind_(form) {}
    HandleBinder bind_;  // first: the handles below are filled through it

    QLabel* Picture1 = bind_("Picture1");
    QLabel* Picture2 = bind_("Picture2");
    QLabel* Label6 = bind_("Label6");
    QGroupBox* Frame1 = bind_("Frame1");
    std::array<QLabel*, 7> Label1 = bind_("Label1");
    std::array<QLabel*, 5> Label2 = bind_("Label2");
    QPushButton* Command1 = bind_("Command1");
    QLabel* labVer = bind_("labVer");
};

}  // namespace cobalin::ui
