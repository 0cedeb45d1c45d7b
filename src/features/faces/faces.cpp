#include "features/faces/faces.h"

#include <QPushButton>

#include "core/settings.h"
#include "toolkit/controls.h"
#include "windows/names.h"

namespace cobalin {

using namespace ui;

namespace {
// What the configuration panel grows by in its own face; a family's panel
// may grow by an extra of its own more (DeviceFamily::panelExtra).
constexpr int kPanelGrowth = 1700;

void AddToTop(QWidget* w, int by) { SetTop(w, Top(w) + by); }
void SetLineY(QWidget* line, int y) {
    LineEnds e = GetLine(line);
    e.y1 = e.y2 = y;
    SetLine(line, e);
}
}  // namespace

FaceController::FaceController(FormMain& form, AppState& state) : form_(form), state_(state) {
    auto on = [this](QPushButton* button, auto handler) { connect(button, &QPushButton::clicked, this, handler); };
    on(form_.c.Command35, [this] { SimpleTwoPressed(); });
    on(form_.c.Command24, [this] { SimpleOnePressed(); });
    on(form_.c.Command23, [this] { AdvancePressed(); });
    on(form_.c.Command13, [this] { Show(form_.c.Frame10); });
    on(form_.c.Command14, [this] { Hide(form_.c.Frame10); });
    on(form_.c.Command16, [this] { Show(form_.c.Frame11); });
    on(form_.c.Command26, [this] { Show(form_.c.Frame17); });
    on(form_.c.Command27, [this] { Hide(form_.c.Frame17); });
    on(form_.c.Command12, [this] { ClosePressed(); });
}

// The controls the faces move.
struct FaceController::Parts {
    explicit Parts(FormMain& f)
        : frame12(f.c.Frame12), frame19(f.c.Frame19), frame20(f.c.Frame20),
          frame21(f.c.Frame21), frame22(f.c.Frame22), status(f.c.Frame23),
          line(f.c.Line1), logo(f.c.Image1), ok(f.c.Command34[3]),
          close(f.c.Command34[4]), help(f.c.Command34[5]), debug(f.c.Command34[6]),
          label57(f.c.Label57) {}
    QWidget *frame12, *frame19, *frame20, *frame21, *frame22, *status, *line, *logo, *ok, *close, *help, *debug, *label57;
};

void FaceController::ArrangeFace() {
    const Face face = state_.Run.AdvancedMode;
    const Parts p(form_);
    if (face == Face::Advance || face == Face::SimpleOne) {
        ArrangeSearchFace(p, face == Face::Advance);
    } else {
        ArrangePanelFace(p);
    }
    // For every face the separator, Close and the status bar follow the foot of Frame22.
    SetLineY(p.line, Bottom(p.frame22) + 150);
    SetTop(p.close, GetLine(p.line).y1 + 150);
    SetTop(p.status, Top(p.close));
    const DeviceFamily* family = FamilyOf(state_.DeviceType);
    const bool panelHeight = (family && family->windowAsHighAsPanel) || face == Face::SimpleTwo;
    SetWindowHeight(&form_, panelHeight ? Height(p.frame12) : kMainHeight);
    PlaceFreeAddressLists();
}

// Below the "More" and "Advance" frames where the window shows that room of
// the engineering face, else beside them.
void FaceController::PlaceFreeAddressLists() {
    const Twips below = kFreeAddressBelow.frame;
    const bool room = Top(form_.c.Frame14) + below.top + below.height <= GetTwips(&form_).height;
    const FreeAddressPlaces& at = room ? kFreeAddressBelow : kFreeAddressBeside;
    SetTwips(form_.c.Frame8, at.frame);
    SetTwips(form_.c.List2, at.answered);
    SetTwips(form_.c.List3, at.silent);
}

void FaceController::ArrangeSearchFace(const Parts& p, bool advance) {
    if (advance) SetWindowWidth(&form_, kMainWidth);
    SetTop(p.status, kStatusBar.top);
    if (!advance) SetHeight(p.frame19, 5175);
    SetLineY(p.line, kSeparator.y1);
    for (QWidget* b : {p.ok, p.close, p.help, p.debug}) SetTop(b, kPanelButtonTop);
    SetTop(p.status, Top(p.close));
    Show(p.frame12, !advance);
    Show(p.frame19);
    Hide(p.frame20);
    Show(form_.c.Frame14, advance);
    Show(form_.c.Command32, advance);
    Show(form_.c.Command23, advance);
    SetTop(p.label57, Height(p.frame21) - kNoticeRise);
}

void FaceController::ArrangePanelFace(const Parts& p) {
    const DeviceFamily* family = FamilyOf(state_.DeviceType);
    const int extra = family ? family->panelExtra : 0;
    const bool logoVisible = OwnVisible(p.logo);
    SetWindowWidth(&form_, kPanelWidth);
    if (logoVisible) {
        SetTop(p.frame20, kLogo.height);
    } else {
        SetHeight(p.frame12, Height(p.frame12) + kPanelGrowth + extra);
        SetHeight(p.frame12, Height(p.frame12) - Height(p.logo) + extra);
        SetTop(p.frame20, Top(p.logo));
    }
    SetHeight(p.frame20, Height(p.frame20) + kPanelGrowth + extra);
    Hide(form_.c.Label56);
    if (logoVisible) SetWindowHeight(&form_, Height(p.frame12) + extra);
    if (!state_.Run.ShowPassword) {
        SetLineY(p.line, 3520 + extra);
        for (QWidget* b : {p.ok, p.help, p.debug}) SetTop(b, 3640 + extra);
        SetTop(p.close, (logoVisible ? 3690 : 3640) + extra);
    } else {
        SetLineY(p.line, GetLine(p.line).y1 + kPanelGrowth + extra);
        for (QWidget* b : {p.ok, p.help, p.debug}) AddToTop(b, kPanelGrowth + extra);
        AddToTop(p.close, kPanelGrowth + extra + (logoVisible ? 50 : 0));
    }
    SetTop(p.status, logoVisible ? Top(p.close) - 100 : Top(p.close));
    SetTop(form_.c.Label56, Bottom(p.status) + 50);
    SetTop(p.label57, Height(p.frame21) - kNoticeRise);
    SetWidth(p.frame12, kPanelWidth);
    SetWidth(p.frame20, kPanelWidth);
    SetWidth(p.status, kStatusBar.width);
    LineEnds e = GetLine(p.line);
    e.x2 = 9420;
    SetLine(p.line, e);
    Hide(p.frame19);
    Show(p.frame20);
    Show(p.frame12);
    for (QWidget* w : Widgets(form_.c.Frame14, form_.c.Command32, form_.c.Command23)) Hide(w);
    SelectRow(form_.c.Combo1, 0);
}

void FaceController::SimpleTwoPressed() {
    MoveTo(form_.c.Frame12, 0, 0);
    SetFace(state_.Run, Face::SimpleTwo);
    ArrangeFace();
}

void FaceController::SimpleOnePressed() {
    SetWindowTwips(&form_, kFaceArea.width, 6000);
    // The simple face needs the area's full width again after the narrower
    // configuration panel; without it the face would be cut off at the right.
    SetWidth(form_.c.Frame12, kFaceArea.width);
    SetFace(state_.Run, Face::SimpleOne);
    Show(form_.c.Frame12);
    Hide(form_.c.Frame14);
    ArrangeFace();
}

void FaceController::AdvancePressed() {
    MoveTo(form_.c.Frame14, kEngineeringFace.left, kEngineeringFace.top);
    SetFace(state_.Run, Face::Advance);
    ArrangeFace();
}

void FaceController::ClosePressed() {
    state_.AppClosing = true;
    form_.close();
}

}  // namespace cobalin
