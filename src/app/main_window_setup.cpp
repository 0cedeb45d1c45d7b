#include "app/main_window_setup.h"

#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/ini_file.h"
#include "core/text_conversions.h"
#include "features/faces/faces.h"
#include "features/search/search_orchestration.h"
#include "toolkit/controls.h"
#include "windows/names.h"

namespace cobalin {

using namespace ui;

QString MainWindowSetup::NoticeText(const DeviceFamily& family) const {
    return QString::fromStdString(state_.MaxDevicesNotice).replace("XXXX", FromUtf8(family.name));
}

void MainWindowSetup::SetUpMainWindow() {
    QWidget* dhcp = form_.c.Combo2;
    ClearItems(dhcp);
    AddItem(dhcp, "Enable");
    AddItem(dhcp, "Disable");
    SetCaption(form_.c.Label21, "");

    state_.Run = ReadRunSettings(state_.Settings());
    form_.session.BroadcastOnEveryInterface(BroadcastsOnEveryInterface(state_.Run));
    if (state_.Run.ReducedCommandPanel) ReduceCommandPanel();
    ApplyPasswordMask();
    ApplyLogo();
    if (const DeviceFamily* family = FamilyOf(state_.DeviceType)) LayOutPanel(*family);
    LayOutCommon();
    if (!state_.Run.ShowPassword) Hide(form_.c.Frame24);
    SetLine(form_.c.Line1, kSeparator);
    SetCaption(form_.c.Label44, "Please select a mode, network and then click Search button.");
    ShowStatus(form_.c.Label54[1], "Ready", kBlack);
    FillModelList();
    SelectDefaultSearchMode();
    SetUpSerialFrame();
    ClearItems(form_.c.List6);
    Hide(form_.c.Frame13);
    SetText(form_.c.Text4, "");
    faces_.ArrangeFace();
}

void MainWindowSetup::ReduceCommandPanel() {
    const MainHandles& c = form_.c;
    for (QWidget* w : {c.Command7, c.Command36, c.Command37, c.Command38, c.Command13, c.Command24, c.Command35})
        Hide(w);
    SetLeft(form_.c.Command20, GetTwips(form_.c.Command7).left);
    SetLeft(form_.c.Command12, GetTwips(form_.c.Command37).left);
    QWidget* upgrade = form_.c.Command28;
    SetCaption(upgrade, "Fill Upgrade");
    upgrade->setFont(form_.c.Command20->font());
    MoveTo(upgrade, GetTwips(form_.c.Command36).left, Top(form_.c.Command36));
}

void MainWindowSetup::ApplyPasswordMask() {
    // A missing key or one that is not a whole number leaves the fields masked
    // as created; exactly 0 unmasks; above 0 masks.
    const auto mask = state_.Run.PasswordMask;
    if (!mask || *mask < 0) return;
    for (QLineEdit* box : {form_.c.Text12[3], form_.c.Text12[4], form_.c.Text12[5]})
        SetMask(box, *mask > 0 ? "*" : "");
}

void MainWindowSetup::ApplyLogo() {
    QWidget* logo = form_.c.Image1;
    const OemLogo value = state_.Run.Logo;
    if (value == OemLogo::Hidden) {
        Hide(logo);
        return;
    }
    const std::string file(LogoOf(FamilyOf(state_.DeviceType), state_.Run));
    if (value == OemLogo::Shown) Show(logo);
    // A missing or unreadable picture leaves the logo as created.
    LoadPicture(logo, QString::fromStdString(state_.PathOf(file)));
}

void MainWindowSetup::LayOutPanel(const DeviceFamily& family) {
    BeginPanelLayout(family);
    switch (family.panel) {
        case PanelForm::NameLocationPassword: LayOutPasswordFrame(); break;
        case PanelForm::NameAndAddresses: LayOutAddressesOnly(); break;
    }
    FinishPanelLayout(family);
}

// Name, location and passwords in Frame25, the addresses below it.
void MainWindowSetup::LayOutPasswordFrame() {
    QWidget* frame21 = form_.c.Frame21;
    QWidget* frame22 = form_.c.Frame22;
    QWidget* frame25 = form_.c.Frame25;
    QWidget* frame26 = form_.c.Frame26;
    QWidget* refresh = form_.c.Command34[1];

    for (QWidget* w : Widgets(form_.c.List7, form_.c.Combo5, form_.c.Combo6, form_.c.Combo4)) Hide(w);
    Show(frame25);
    SetTop(frame26, Top(frame25) + Height(frame25));
    SetTop(refresh, Bottom(frame26) + 150);
    SetTop(form_.c.Command34[2], Top(refresh));
    SetHeight(frame22, Bottom(refresh) + 100);
    SetHeight(frame21, Height(frame22));
}

// The name alone above the addresses.
void MainWindowSetup::LayOutAddressesOnly() {
    QWidget* frame21 = form_.c.Frame21;
    QWidget* frame22 = form_.c.Frame22;

    Hide(form_.c.Frame25);
    for (QWidget* w : Widgets(form_.c.Combo5, form_.c.Combo6, form_.c.Combo4)) Hide(w);
    SetTop(form_.c.Frame26, kAddressFrameTop);
    SetHeight(frame22, kConfigurationHeight);
    SetTop(form_.c.Command34[1], kRefreshSaveTop);
    SetTop(form_.c.Command34[2], kRefreshSaveTop);
    SetHeight(frame21, Height(frame22));
}

void MainWindowSetup::BeginPanelLayout(const DeviceFamily& family) {
    MoveTo(form_.c.Frame12, 0, 0);
    SetHeight(form_.c.Frame20, family.panelHeight);
    MoveTo(TypeLists(form_.c)[static_cast<size_t>(family.typeList)], 1920, 360);
    SetCaption(form_.c.Label56, NoticeText(family));
    SetCaption(form_.c.Label57, NoticeText(family));
}

void MainWindowSetup::FinishPanelLayout(const DeviceFamily& family) {
    const FamilyCaptions& captions = CaptionsOf(family, state_.Run);
    QWidget* frame12 = form_.c.Frame12;
    QWidget* frame21 = form_.c.Frame21;
    QWidget* close = form_.c.Command34[4];
    SetCaption(form_.c.Label53[6], FromUtf8(family.nameLabel));
    SetTop(form_.c.Label52, family.label52Top);
    SetTop(form_.c.Label57, Height(frame21) - kNoticeRise);
    SetCaption(&form_, FromUtf8(captions.window));
    SetCaption(frame21, FromUtf8(captions.deviceFrame));
    SetHeight(frame12, Bottom(form_.c.Frame20) + family.belowPanel);
    SetTop(close, GetLine(form_.c.Line1).y1 + 150);
    SetTop(form_.c.Frame23, Top(close));
    SetWindowHeight(&form_, Height(frame12));
}

void MainWindowSetup::LayOutCommon() {
    QWidget* found = form_.c.Label43[4];
    for (QWidget* w : Widgets(form_.c.Frame16, form_.c.Frame18)) MoveTo(w, GetTwips(found).left, Top(found));
    SetTwips(form_.c.Frame14, kEngineeringFace);
    // The areas keep the heights the panel's layout gave them.
    Twips frame12 = kFaceArea;
    frame12.height = Height(form_.c.Frame12);
    SetTwips(form_.c.Frame12, frame12);
    SetTwips(form_.c.Frame19, kSimpleFace);
    Twips frame20 = kPanelArea;
    frame20.height = Height(form_.c.Frame20);
    SetTwips(form_.c.Frame20, frame20);
    SetTwips(form_.c.Frame23, kStatusBar);
}

void MainWindowSetup::FillModelList() {
    const SettingsFile settings = state_.Settings();
    QWidget* models = form_.c.Combo1;
    const int16_t count = settings.NumberOr0("ModelSelection", "Count");
    ClearItems(models);
    AddItem(models, "Undefined Device");
    int line = 0;
    bool selectable = false;
    if (count > 0) {
        const int16_t defaultLine = settings.NumberOr0("ModelSelection", "Default");
        selectable = settings.Text("ModelSelection", "Selectable") == "YES";
        // The whole section in one pass: a long list never rereads the file per name.
        const auto section = ReadIniSection("ModelSelection", settings.path());
        for (int n = 1; n <= count; ++n) {
            std::string name = "0";
            const std::string key = std::to_string(n);
            for (const auto& [k, v] : section)
                if (k == key) {
                    name = v.substr(0, 999);
                    break;
                }
            AddItem(models, QString::fromStdString(std::string(Trim(name, kSpaces))));
        }
        // A default outside the list selects line 0.
        line = defaultLine >= 0 && defaultLine <= count ? defaultLine : 0;
    }
    Enable(models, selectable);
    SelectRow(models, line);
}

void MainWindowSetup::SelectDefaultSearchMode() {
    const SettingsFile settings = state_.Settings();
    const int k = settings.NumberOr0("DefaultNetwork", "Mode") - 1;
    const QString parameter = QString::fromStdString(settings.Text("DefaultNetwork", "Parameter"));
    // 0 or less selects nothing; above 3 is no mode either.
    if (k < kAnyNetwork || k > kSpecifiedAddress) return;
    search_.SelectMode(k);
    QWidget* network = form_.c.Text6[4];
    QWidget* address = form_.c.Text6[5];
    SetText(network, k == kSpecifiedNetwork ? parameter : "");
    SetText(address, k == kSpecifiedAddress ? parameter : "");
    Enable(network, k == kSpecifiedNetwork);
    Enable(address, k == kSpecifiedAddress);
}

void MainWindowSetup::SetUpSerialFrame() {
    SetText(form_.c.Text9, QDate::currentDate().toString("yyyyMMdd"));
    SetText(form_.c.Text8, "0001");
    QWidget* types = form_.c.Combo16;
    ClearItems(types);
    for (const char* t : {"0) Unknow Device", "4) LAN Module (Catx)", "5) LAN Module (WIFI)", "6) IP Dongle"}) AddItem(types, t);
    SelectRow(types, 1);
}

}  // namespace cobalin
