#include "features/faces/faces.h"

#include <QPushButton>

#include "core/settings.h"
#include "toolkit/controls.h"
#include "windows/names.h"

namespace cobalin {

using namespace ui;

namespace {
// What the configuration panel grows by in its own face; an IP Dongle's
// panel grows by this extra more.
constexpr int kPanelGrowth = 1700;
constexpr int kIpDongleExtra = 1050;

int Top(QWidget* w) { return GetTwips(w).top; }
int Height(QWidget* w) { return GetTwips(w).height; }
void AddToTop(QWidget* w, int by) { SetTop(w, Top(w) + by); }
void SetLineY(QWidget* line, int y) {
    LineEnds e = GetLine(line);
    e.y1 = e.y2 = y;
    SetLine(line, e);
}
}  // namespace

FaceController::FaceController(FormMain& form, AppState& state) : form_(form), state_(state) {
    auto on = [this](const char* name, auto handler) {
        connect(form_.Get<QPushButton>(name), &QPushButton::clicked, this, handler);
    };
    on("Command35", [this] { SimpleTwoPressed(); });
    on("Command24", [this] { SimpleOnePressed(); });
    on("Command23", [this] { AdvancePressed(); });
    on("Command13", [this] { Show(form_.Control("Frame10")); });
    on("Command14", [this] { Hide(form_.Control("Frame10")); });
    on("Command16", [this] { Show(form_.Control("Frame11")); });
    on("Command26", [this] { Show(form_.Control("Frame17")); });
    on("Command27", [this] { Hide(form_.Control("Frame17")); });
    on("Command12", [this] { ClosePressed(); });
}

void FaceController::ArrangeFace() {
    const int extra = state_.DeviceType == DeviceClass::IpDongle ? kIpDongleExtra : 0;
    const Face face = state_.Run.AdvancedMode;
    QWidget* frame12 = form_.Control("Frame12");
    QWidget* frame19 = form_.Control("Frame19");
    QWidget* frame20 = form_.Control("Frame20");
    QWidget* frame21 = form_.Control("Frame21");
    QWidget* frame22 = form_.Control("Frame22");
    QWidget* status = form_.Control("Frame23");
    QWidget* line = form_.Control("Line1");
    QWidget* logo = form_.Control("Image1");
    QWidget* ok = form_.Control("Command34(3)");
    QWidget* close = form_.Control("Command34(4)");
    QWidget* help = form_.Control("Command34(5)");
    QWidget* debug = form_.Control("Command34(6)");
    QWidget* label57 = form_.Control("Label57");

    if (face == Face::Advance || face == Face::SimpleOne) {
        const bool advance = face == Face::Advance;
        if (advance) SetWindowWidth(&form_, kMainWidth);
        SetTop(status, kStatusBar.top);
        if (!advance) SetHeight(frame19, 5175);
        SetLineY(line, kSeparator.y1);
        for (QWidget* b : {ok, close, help, debug}) SetTop(b, kPanelButtonTop);
        SetTop(status, Top(close));
        Show(frame12, !advance);
        Show(frame19);
        Hide(frame20);
        Show(form_.Control("Frame14"), advance);
        Show(form_.Control("Command32"), advance);
        Show(form_.Control("Command23"), advance);
        SetTop(label57, Height(frame21) - kNoticeRise);
    } else {
        const bool logoVisible = OwnVisible(logo);
        SetWindowWidth(&form_, kPanelWidth);
        if (logoVisible) {
            SetTop(frame20, kLogo.height);
        } else {
            SetHeight(frame12, Height(frame12) + kPanelGrowth + extra);
            SetHeight(frame12, Height(frame12) - Height(logo) + extra);
            SetTop(frame20, Top(logo));
        }
        SetHeight(frame20, Height(frame20) + kPanelGrowth + extra);
        Hide(form_.Control("Label56"));
        if (logoVisible) SetWindowHeight(&form_, Height(frame12) + extra);
        if (!state_.Run.ShowPassword) {
            SetLineY(line, 3520 + extra);
            for (QWidget* b : {ok, help, debug}) SetTop(b, 3640 + extra);
            SetTop(close, (logoVisible ? 3690 : 3640) + extra);
        } else {
            SetLineY(line, GetLine(line).y1 + kPanelGrowth + extra);
            for (QWidget* b : {ok, help, debug}) AddToTop(b, kPanelGrowth + extra);
            AddToTop(close, kPanelGrowth + extra + (logoVisible ? 50 : 0));
        }
        SetTop(status, logoVisible ? Top(close) - 100 : Top(close));
        SetTop(form_.Control("Label56"), Top(status) + Height(status) + 50);
        SetTop(label57, Height(frame21) - kNoticeRise);
        SetWidth(frame12, kPanelWidth);
        SetWidth(frame20, kPanelWidth);
        SetWidth(status, kStatusBar.width);
        LineEnds e = GetLine(line);
        e.x2 = 9420;
        SetLine(line, e);
        Hide(frame19);
        Show(frame20);
        Show(frame12);
        Hide(form_.Control("Frame14"));
        Hide(form_.Control("Command32"));
        Hide(form_.Control("Command23"));
        SelectRow(form_.Control("Combo1"), 0);
    }
    // For every face the separator, Close and the status bar follow the foot of Frame22.
    SetLineY(line, Top(frame22) + Height(frame22) + 150);
    SetTop(close, GetLine(line).y1 + 150);
    SetTop(status, Top(close));
    const bool panelHeight = state_.DeviceType == DeviceClass::IpDongle || face == Face::SimpleTwo;
    SetWindowHeight(&form_, panelHeight ? Height(frame12) : kMainHeight);
}

void FaceController::SimpleTwoPressed() {
    MoveTo(form_.Control("Frame12"), 0, 0);
    SetFace(state_.Run, Face::SimpleTwo);
    ArrangeFace();
}

void FaceController::SimpleOnePressed() {
    SetWindowTwips(&form_, kFaceArea.width, 6000);
    // The simple face needs the area's full width again after the narrower
    // configuration panel; without it the face would be cut off at the right.
    SetWidth(form_.Control("Frame12"), kFaceArea.width);
    SetFace(state_.Run, Face::SimpleOne);
    Show(form_.Control("Frame12"));
    Hide(form_.Control("Frame14"));
    ArrangeFace();
}

void FaceController::AdvancePressed() {
    MoveTo(form_.Control("Frame14"), kEngineeringFace.left, kEngineeringFace.top);
    SetFace(state_.Run, Face::Advance);
    ArrangeFace();
}

void FaceController::ClosePressed() {
    state_.AppClosing = true;
    form_.close();
}

}  // namespace cobalin
