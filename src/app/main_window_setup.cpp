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

PanelCaptions CaptionsFor(DeviceClass deviceType, const RunSettings& run) {
    if (deviceType == DeviceClass::IpDongle) {
        if (run.ZentaCoolMode)
            return {"Cobalin for Master IP fan unit (Ver. Q113V1)", "Master IP fan unit", "Name", "IP Dongle"};
        return {"Cobalin for IP Dongle (Ver. Q113V1)", QString("IP Dongle") + " list", "Name", "IP Dongle"};
    }
    // A value that is not a number counts as different from 1.
    if (run.AdvancedModeIsOne) return {"Cobalin (Ver. Q113V1)", QString("Device") + " list", "Rack No.", "ZentaBox"};
    return {"Cobalin for ZentaBox (Ver. Q113V1)", QString("ZentaBox") + " list", "Rack No.", "ZentaBox"};
}

QString MainWindowSetup::NoticeText() const {
    return QString::fromStdString(state_.MaxDevicesNotice).replace("XXXX", CaptionsFor(state_.DeviceType, state_.Run).noticeName);
}

void MainWindowSetup::SetUpMainWindow() {
    QWidget* dhcp = form_.Control("Combo2");
    ClearItems(dhcp);
    AddItem(dhcp, "Enable");
    AddItem(dhcp, "Disable");
    SetCaption(form_.Control("Label21"), "");

    state_.Run = ReadRunSettings(state_.Settings());
    for (SocketControl* s : {form_.UDP8888, form_.UDP8890, form_.UDPsck}) s->everyInterface = BroadcastsOnEveryInterface(state_.Run);
    if (state_.Run.ReducedCommandPanel) ReduceCommandPanel();
    ApplyPasswordMask();
    ApplyLogo();
    if (state_.DeviceType == DeviceClass::IpDongle) LayOutPanelForIpDongle();
    else if (state_.DeviceType == DeviceClass::ZentaBox) LayOutPanelForZentaBox();
    LayOutCommon();
    if (!state_.Run.ShowPassword) Hide(form_.Control("Frame24"));
    SetLine(form_.Control("Line1"), kSeparator);
    SetCaption(form_.Control("Label44"), "Please select a mode, network and then click Search button.");
    ShowStatus(form_.Control("Label54(1)"), "Ready", kBlack);
    FillModelList();
    SelectDefaultSearchMode();
    SetUpSerialFrame();
    ClearItems(form_.Control("List6"));
    Hide(form_.Control("Frame13"));
    SetText(form_.Control("Text4"), "");
    faces_.ArrangeFace();
}

void MainWindowSetup::ReduceCommandPanel() {
    for (const char* name : {"Command7", "Command36", "Command37", "Command38", "Command13", "Command24", "Command35"})
        Hide(form_.Control(name));
    SetLeft(form_.Control("Command20"), GetTwips(form_.Control("Command7")).left);
    SetLeft(form_.Control("Command12"), GetTwips(form_.Control("Command37")).left);
    QWidget* upgrade = form_.Control("Command28");
    SetCaption(upgrade, "Fill Upgrade");
    upgrade->setFont(form_.Control("Command20")->font());
    MoveTo(upgrade, GetTwips(form_.Control("Command36")).left, Top(form_.Control("Command36")));
}

void MainWindowSetup::ApplyPasswordMask() {
    // A missing key or one that is not a whole number leaves the fields masked
    // as created; exactly 0 unmasks; above 0 masks.
    const auto mask = state_.Run.PasswordMask;
    if (!mask || *mask < 0) return;
    for (const char* name : {"Text12(3)", "Text12(4)", "Text12(5)"})
        SetMask(form_.Get<QLineEdit>(name), *mask > 0 ? "*" : "");
}

void MainWindowSetup::ApplyLogo() {
    QWidget* logo = form_.Control("Image1");
    const OemLogo value = state_.Run.Logo;
    if (value == OemLogo::Hidden) {
        Hide(logo);
        return;
    }
    std::string file = "OEMLogo.bmp";
    if (state_.DeviceType == DeviceClass::IpDongle) file = value == OemLogo::Shown && state_.Run.ZentaCoolMode ? "IPFANOEMLogo.bmp" : "IPDOEMLogo.bmp";
    if (value == OemLogo::Shown) Show(logo);
    // A missing or unreadable picture leaves the logo as created.
    LoadPicture(logo, QString::fromStdString(state_.PathOf(file)));
}

void MainWindowSetup::LayOutPanelForIpDongle() {
    QWidget* frame21 = form_.Control("Frame21");
    QWidget* frame22 = form_.Control("Frame22");
    QWidget* frame25 = form_.Control("Frame25");
    QWidget* frame26 = form_.Control("Frame26");
    QWidget* refresh = form_.Control("Command34(1)");

    BeginPanelLayout(5000, "Combo5");
    for (const char* name : {"List7", "Combo5", "Combo6", "Combo4"}) Hide(form_.Control(name));
    Show(frame25);
    SetTop(frame26, Top(frame25) + Height(frame25));
    SetTop(refresh, Bottom(frame26) + 150);
    SetTop(form_.Control("Command34(2)"), Top(refresh));
    SetHeight(frame22, Bottom(refresh) + 100);
    SetHeight(frame21, Height(frame22));
    FinishPanelLayout(DeviceClass::IpDongle, 180, 1500);
}

void MainWindowSetup::LayOutPanelForZentaBox() {
    QWidget* frame21 = form_.Control("Frame21");
    QWidget* frame22 = form_.Control("Frame22");

    BeginPanelLayout(3050, "Combo6");
    Hide(form_.Control("Frame25"));
    for (const char* name : {"Combo5", "Combo6", "Combo4"}) Hide(form_.Control(name));
    SetTop(form_.Control("Frame26"), kAddressFrameTop);
    SetHeight(frame22, kConfigurationHeight);
    SetTop(form_.Control("Command34(1)"), kRefreshSaveTop);
    SetTop(form_.Control("Command34(2)"), kRefreshSaveTop);
    SetHeight(frame21, Height(frame22));
    FinishPanelLayout(DeviceClass::ZentaBox, 120, 1700);
}

void MainWindowSetup::BeginPanelLayout(int panelHeight, const char* typeList) {
    MoveTo(form_.Control("Frame12"), 0, 0);
    SetHeight(form_.Control("Frame20"), panelHeight);
    MoveTo(form_.Control(typeList), 1920, 360);
    SetCaption(form_.Control("Label56"), NoticeText());
    SetCaption(form_.Control("Label57"), NoticeText());
}

void MainWindowSetup::FinishPanelLayout(DeviceClass deviceType, int label52Top, int belowPanel) {
    const PanelCaptions captions = CaptionsFor(deviceType, state_.Run);
    QWidget* frame12 = form_.Control("Frame12");
    QWidget* frame21 = form_.Control("Frame21");
    QWidget* close = form_.Control("Command34(4)");
    SetCaption(form_.Control("Label53(6)"), captions.nameLabel);
    SetTop(form_.Control("Label52"), label52Top);
    SetTop(form_.Control("Label57"), Height(frame21) - kNoticeRise);
    SetCaption(&form_, captions.window);
    SetCaption(frame21, captions.deviceFrame);
    SetHeight(frame12, Bottom(form_.Control("Frame20")) + belowPanel);
    SetTop(close, GetLine(form_.Control("Line1")).y1 + 150);
    SetTop(form_.Control("Frame23"), Top(close));
    SetWindowHeight(&form_, Height(frame12));
}

void MainWindowSetup::LayOutCommon() {
    QWidget* found = form_.Control("Label43(4)");
    for (const char* name : {"Frame16", "Frame18"}) MoveTo(form_.Control(name), GetTwips(found).left, Top(found));
    SetTwips(form_.Control("Frame14"), kEngineeringFace);
    // The areas keep the heights the panel's layout gave them.
    Twips frame12 = kFaceArea;
    frame12.height = Height(form_.Control("Frame12"));
    SetTwips(form_.Control("Frame12"), frame12);
    SetTwips(form_.Control("Frame19"), kSimpleFace);
    Twips frame20 = kPanelArea;
    frame20.height = Height(form_.Control("Frame20"));
    SetTwips(form_.Control("Frame20"), frame20);
    SetTwips(form_.Control("Frame23"), kStatusBar);
}

void MainWindowSetup::FillModelList() {
    const SettingsFile settings = state_.Settings();
    QWidget* models = form_.Control("Combo1");
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
    QWidget* network = form_.Control("Text6(4)");
    QWidget* address = form_.Control("Text6(5)");
    SetText(network, k == kSpecifiedNetwork ? parameter : "");
    SetText(address, k == kSpecifiedAddress ? parameter : "");
    Enable(network, k == kSpecifiedNetwork);
    Enable(address, k == kSpecifiedAddress);
}

void MainWindowSetup::SetUpSerialFrame() {
    SetText(form_.Control("Text9"), QDate::currentDate().toString("yyyyMMdd"));
    SetText(form_.Control("Text8"), "0001");
    QWidget* types = form_.Control("Combo16");
    ClearItems(types);
    for (const char* t : {"0) Unknow Device", "4) LAN Module (Catx)", "5) LAN Module (WIFI)", "6) IP Dongle"}) AddItem(types, t);
    SelectRow(types, 1);
}

}  // namespace cobalin
