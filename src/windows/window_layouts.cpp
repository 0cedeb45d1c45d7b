// The control tables of the three windows: every control with its container,
// created geometry (twips) and created state.
#include "windows/window_layouts.h"

namespace cobalin::ui {

namespace {

using K = Kind;

constexpr long kLightYellow = 0xC0FFFF;
constexpr long kLightBlue = 0xFFC0C0;
constexpr long kLightOrange = 0xC0E0FF;
constexpr long kLightGreen = 0xC0FFC0;
constexpr long kGrey = 0x808080;
constexpr long kWhite = 0xFFFFFF;

const ControlDef kMain[] = {
    // ---- Frame12: the area of the two simple faces -------------------------
    {"Frame12", K::PlainFrame, "", {0, 0, 11100, 7700}, "", {}},
    {"Image1", K::Picture, "Frame12", {0, 0, 9540, 1080}, "", {}},

    // Frame20: the configuration panel.
    {"Frame20", K::PlainFrame, "Frame12", {0, 1200, 11055, 5000}, "", {}},
    {"Frame21", K::Frame, "Frame20", {60, 0, 2640, 3135}, "Device", {}},
    {"Label52", K::Label, "Frame21", {2400, 180, 120, 255}, "", {}},
    {"_lblText12(11)", K::Label, "Frame21", {120, 300, 2400, 255}, "Device MAC address", {}},
    {"Text12(11)", K::TextBox, "Frame21", {120, 570, 2400, 315}, "", {.readOnly = true}},
    {"Command34(0)", K::Button, "Frame21", {120, 1020, 1200, 375}, "Scan", {.tooltip = "UDP Broadcast (255.255.255.255:8888)"}},
    {"Combo4", K::ComboBox, "Frame21", {120, 1440, 2400, 315}, "", {}},
    {"Combo5", K::ComboBox, "Frame21", {120, 1800, 2400, 315}, "", {}},
    {"Combo6", K::ComboBox, "Frame21", {120, 1800, 2400, 315}, "", {}},
    {"List7", K::ListBox, "Frame21", {120, 1500, 2400, 1140}, "", {}},
    {"Label57", K::Label, "Frame21", {120, 2760, 2400, 360}, "", {.wrap = true, .fontPoints = 7}},

    {"Frame22", K::Frame, "Frame20", {2760, 0, 3840, 3135}, "Configuration", {}},
    {"Label53(6)", K::Label, "Frame22", {120, 300, 1650, 255}, "Rack No.", {}},
    {"Text12(6)", K::TextBox, "Frame22", {1860, 270, 1860, 300}, "", {.maxLength = 16}},
    {"Frame25", K::PlainFrame, "Frame22", {60, 660, 3720, 1560}, "", {}},
    {"_lblText12(7)", K::Label, "Frame25", {60, 90, 1650, 255}, "Location", {}},
    {"Text12(7)", K::TextBox, "Frame25", {1800, 60, 1860, 300}, "", {.maxLength = 16}},
    {"_lblText12(8)", K::Label, "Frame25", {60, 450, 1650, 255}, "Password", {}},
    {"Text12(8)", K::TextBox, "Frame25", {1800, 420, 1860, 300}, "", {.maxLength = 16, .mask = "*"}},
    {"_lblText12(9)", K::Label, "Frame25", {60, 810, 1650, 255}, "New password", {}},
    {"Text12(9)", K::TextBox, "Frame25", {1800, 780, 1860, 300}, "", {.maxLength = 16, .mask = "*"}},
    {"_lblText12(10)", K::Label, "Frame25", {60, 1170, 1740, 255}, "Confirm new password", {.fontPoints = 8}},
    {"Text12(10)", K::TextBox, "Frame25", {1800, 1140, 1860, 300}, "", {.maxLength = 16, .mask = "*"}},
    {"Command39", K::Button, "Frame25", {60, 1440, 900, 300}, "Fake", {.hidden = true}},
    {"Frame26", K::PlainFrame, "Frame22", {60, 720, 3720, 1500}, "", {}},
    {"_lblBootMode", K::Label, "Frame26", {60, 90, 1650, 255}, "Boot mode", {}},
    {"Option2(1)", K::Option, "Frame26", {1800, 60, 1100, 300}, "Static IP", {.checked = true}},
    {"Option2(0)", K::Option, "Frame26", {2900, 60, 800, 300}, "DHCP", {}},
    {"_lblText12(0)", K::Label, "Frame26", {60, 450, 1650, 255}, "IP address", {}},
    {"Text12(0)", K::TextBox, "Frame26", {1800, 420, 1860, 300}, "", {.maxLength = 15}},
    {"_lblText12(1)", K::Label, "Frame26", {60, 810, 1650, 255}, "Subnet mask", {}},
    {"Text12(1)", K::TextBox, "Frame26", {1800, 780, 1860, 300}, "", {.maxLength = 15}},
    {"_lblText12(2)", K::Label, "Frame26", {60, 1170, 1650, 255}, "Gateway", {}},
    {"Text12(2)", K::TextBox, "Frame26", {1800, 1140, 1860, 300}, "", {.maxLength = 15}},
    // Refresh and Save sit over the foot of Frame22 (Frame22 starts at top 0).
    {"Command34(1)", K::Button, "Frame20", {3960, 2880, 1200, 375}, "Refresh", {.hidden = true, .disabled = true,
     .tooltip = "Send request UDP protocol, Port 8890"}},
    {"Command34(2)", K::Button, "Frame20", {5280, 2880, 1200, 375}, "Save", {.disabled = true,
     .tooltip = "Password authentication is requried for saving configuration."}},

    {"Frame24", K::Frame, "Frame20", {6660, 0, 2820, 2100}, "Authentication", {}},
    {"_lblText12(3)", K::Label, "Frame24", {120, 270, 2580, 255}, "Super user password", {}},
    {"Text12(3)", K::TextBox, "Frame24", {120, 510, 2580, 300}, "", {.maxLength = 16, .mask = "*"}},
    {"_lblText12(4)", K::Label, "Frame24", {120, 870, 2580, 255}, "New super user password", {}},
    {"Text12(4)", K::TextBox, "Frame24", {120, 1110, 2580, 300}, "", {.maxLength = 16, .mask = "*"}},
    {"_lblText12(5)", K::Label, "Frame24", {120, 1470, 2580, 255}, "New password (confirm)", {}},
    {"Text12(5)", K::TextBox, "Frame24", {120, 1710, 2580, 300}, "", {.maxLength = 16, .mask = "*"}},

    {"Line1", K::Line, "Frame20", {60, 3120, 10920, 3120}, "", {}},
    {"Frame23", K::PlainFrame, "Frame20", {60, 3720, 5000, 495}, "", {}},
    {"Label54(0)", K::Label, "Frame23", {0, 90, 700, 255}, "Status:", {}},
    {"Label54(1)", K::Label, "Frame23", {720, 45, 4200, 375}, "Ready.", {.backColor = kLightYellow}},
    {"Command34(3)", K::Button, "Frame20", {5160, 3240, 1000, 375}, "OK", {.hidden = true}},
    {"Command34(5)", K::Button, "Frame20", {6240, 3240, 1000, 375}, "Help", {.hidden = true}},
    {"Command34(6)", K::Button, "Frame20", {7320, 3240, 1000, 375}, "DEBUG", {.hidden = true}},
    {"Command34(4)", K::Button, "Frame20", {8280, 3240, 1200, 375}, "Close", {}},
    {"Label56", K::Label, "Frame20", {60, 4265, 9000, 255}, "", {}},

    // Frame19: the simple face.
    {"Frame19", K::PlainFrame, "Frame12", {0, 1200, 11055, 4215}, "", {}},
    {"Label43(4)", K::Label, "Frame19", {120, 60, 2640, 255}, "Found device list:", {}},
    {"List6", K::ListBox, "Frame19", {120, 330, 2640, 2490}, "", {}},
    {"Command23", K::Button, "Frame19", {120, 2940, 1400, 375}, "Advance...", {}},
    {"Frame15", K::Frame, "Frame19", {2820, 60, 4320, 2820}, "", {}},
    {"Option1(0)", K::Option, "Frame15", {90, 180, 4200, 300}, "Any Network (255.255.255.255:8888)", {.fontPoints = 8}},
    {"Option1(1)", K::Option, "Frame15", {90, 540, 4200, 300}, "Specified Network (XXX.XXX.XXX.255:8888)", {.fontPoints = 8}},
    {"Text6(4)", K::TextBox, "Frame15", {390, 870, 2400, 300}, "", {}},
    {"Option1(2)", K::Option, "Frame15", {90, 1260, 4200, 300}, "Specified IP Address (XXX.XXX.XXX.XXX:8890)", {.fontPoints = 8}},
    {"Text6(5)", K::TextBox, "Frame15", {390, 1590, 2400, 300}, "", {}},
    {"_lblCombo1", K::Label, "Frame15", {120, 2100, 700, 255}, "Model", {}},
    {"Combo1", K::ComboBox, "Frame15", {840, 2070, 3060, 315}, "", {}},
    {"Command10", K::Button, "Frame19", {2820, 2970, 1400, 375}, "Search", {}},
    {"Label44", K::Label, "Frame19", {2820, 3420, 4200, 720}, "", {.wrap = true}},

    {"Frame13", K::Frame, "Frame19", {7200, 60, 3780, 4100}, "MAC", {}},
    {"_lblCombo2", K::Label, "Frame13", {120, 300, 1620, 255}, "DHCP", {}},
    {"Combo2", K::ComboBox, "Frame13", {1740, 270, 1920, 315}, "", {}},
    {"_lblText6(0)", K::Label, "Frame13", {120, 630, 1620, 255}, "IP Address:", {}},
    {"Text6(0)", K::TextBox, "Frame13", {1740, 600, 1920, 300}, "", {}},
    {"_lblText6(1)", K::Label, "Frame13", {120, 960, 1620, 255}, "Subnet:", {}},
    {"Text6(1)", K::TextBox, "Frame13", {1740, 930, 1920, 300}, "", {}},
    {"_lblText6(2)", K::Label, "Frame13", {120, 1290, 1620, 255}, "Gateway:", {}},
    {"Text6(2)", K::TextBox, "Frame13", {1740, 1260, 1920, 300}, "", {}},
    {"_lblText6(7)", K::Label, "Frame13", {120, 1620, 1620, 255}, "Serial No.:", {}},
    {"Text6(7)", K::TextBox, "Frame13", {1740, 1590, 1560, 300}, "", {.readOnly = true}},
    {"Command32", K::Button, "Frame13", {3360, 1590, 300, 300}, "..", {}},
    {"_lblText6(8)", K::Label, "Frame13", {120, 1950, 1620, 255}, "Model", {}},
    {"Text6(8)", K::TextBox, "Frame13", {1740, 1920, 1920, 300}, "", {.readOnly = true}},
    {"_lblText6(3)", K::Label, "Frame13", {120, 2280, 1620, 255}, "Password:", {}},
    {"Text6(3)", K::TextBox, "Frame13", {1740, 2250, 1920, 300}, "", {}},
    {"_lblText6(6)", K::Label, "Frame13", {120, 2610, 1620, 255}, "Confirm Password:", {.fontPoints = 8}},
    {"Text6(6)", K::TextBox, "Frame13", {1740, 2580, 1920, 300}, "", {}},
    {"_lblText6(9)", K::Label, "Frame13", {120, 2940, 1620, 255}, "Device name", {}},
    {"Text6(9)", K::TextBox, "Frame13", {1740, 2910, 1920, 300}, "", {}},
    {"_lblText6(10)", K::Label, "Frame13", {120, 3270, 1620, 255}, "Company name/location", {.fontPoints = 7}},
    {"Text6(10)", K::TextBox, "Frame13", {1740, 3240, 1920, 300}, "", {}},
    {"Command21", K::Button, "Frame13", {1740, 3630, 900, 360}, "Update", {}},
    {"Command22", K::Button, "Frame13", {2700, 3630, 960, 360}, "Default", {}},

    {"Frame16", K::Frame, "Frame19", {120, 60, 2640, 2760}, "", {.hidden = true}},
    {"Label46", K::Label, "Frame16", {120, 240, 2400, 1200}, "", {.wrap = true}},
    {"Label45", K::Label, "Frame16", {120, 1560, 2400, 900}, "Note: UDP Port 8880~8890 is used for the utility.", {.wrap = true}},

    {"Frame18", K::Frame, "Frame19", {120, 60, 6960, 3300}, "Generate Serial No.", {.hidden = true}},
    {"_lblCombo16", K::Label, "Frame18", {120, 330, 1500, 255}, "Device Type", {}},
    {"Combo16", K::ComboBox, "Frame18", {1680, 300, 2700, 315}, "", {}},
    {"_lblText9", K::Label, "Frame18", {120, 720, 1500, 255}, "Date (YYYYMMDD)", {}},
    {"Text9", K::TextBox, "Frame18", {1680, 690, 1500, 300}, "", {}},
    {"Command30", K::Button, "Frame18", {3240, 690, 360, 300}, "T", {}},
    {"_lblText8", K::Label, "Frame18", {120, 1110, 1500, 255}, "Serial", {}},
    {"Text8", K::TextBox, "Frame18", {1680, 1080, 1500, 300}, "", {}},
    {"Command29", K::Button, "Frame18", {3240, 1080, 360, 300}, "A", {}},
    {"_lblText7", K::Label, "Frame18", {120, 1500, 1500, 255}, "Model No.:", {}},
    {"Text7", K::TextBox, "Frame18", {1680, 1470, 2700, 300}, "", {.readOnly = true}},
    {"_lblTxSNO", K::Label, "Frame18", {120, 1890, 1500, 255}, "Serial No.:", {}},
    {"txSNO", K::TextBox, "Frame18", {1680, 1860, 2700, 300}, "", {}},
    {"Label47", K::Label, "Frame18", {1680, 2220, 5100, 255}, "N/A", {.foreColor = kGrey}},
    {"Command33(0)", K::Button, "Frame18", {1680, 2700, 1000, 375}, "Apply", {}},
    {"Command33(1)", K::Button, "Frame18", {2760, 2700, 1000, 375}, "Cancel", {}},
    {"Command31", K::Button, "Frame18", {6480, 180, 360, 300}, "X", {}},

    // ---- Frame14: the engineering face -------------------------------------
    {"Frame14", K::PlainFrame, "", {120, 120, 12225, 9765}, "", {}},
    {"Command1", K::Button, "Frame14", {120, 150, 1400, 375}, "Search (1)", {}},
    {"Check1", K::Check, "Frame14", {1620, 180, 4080, 300}, "Broadcast Search for all connected NSV", {.checked = true}},
    {"_lblPort", K::Label, "Frame14", {5760, 210, 600, 255}, "Port :", {}},
    {"txtRemotePort", K::TextBox, "Frame14", {6360, 180, 780, 300}, "8888", {}},
    {"_lblMode", K::Label, "Frame14", {7260, 210, 660, 255}, "Mode :", {}},
    {"cmbSckMode", K::ComboBox, "Frame14", {7920, 165, 1080, 315}, "", {}},
    {"Frame5", K::Frame, "Frame14", {9120, 0, 2985, 660}, "Connection", {}},
    {"_lblIPaddr", K::Label, "Frame5", {90, 300, 1080, 255}, "IP Address :", {}},
    {"txtIPaddr", K::TextBox, "Frame5", {1185, 270, 1710, 300}, "192.168.1.250", {}},

    {"_lblList1", K::Label, "Frame14", {120, 780, 2280, 255}, "NSV MAC (2)", {}},
    {"List1", K::ListBox, "Frame14", {120, 1050, 2280, 2520}, "", {}},
    {"Label21", K::Label, "Frame14", {120, 3630, 2280, 255}, "", {}},

    {"Frame1", K::Frame, "Frame14", {2520, 720, 9585, 4380}, "Configuration", {}},
    {"Label3", K::Label, "Frame1", {120, 270, 2400, 255}, "Parameter", {}},
    {"List4", K::ListBox, "Frame1", {120, 540, 2400, 3060}, "", {.backColor = kLightBlue}},
    {"Label4", K::Label, "Frame1", {2580, 270, 2700, 255}, "Value (4)", {}},
    {"List5", K::ListBox, "Frame1", {2580, 540, 2700, 3060}, "", {.backColor = kLightYellow}},
    {"Label38", K::Label, "Frame1", {120, 3690, 5160, 255}, "Enter value and click Apply to change the selected value", {}},
    {"Frame3", K::Frame, "Frame1", {5400, 180, 4065, 2520}, "Details", {}},
    {"Label6", K::Label, "Frame3", {120, 270, 1500, 300}, "MAC address   : ", {}},
    {"Label7", K::Label, "Frame3", {1680, 270, 2280, 300}, "MAC address : ", {.backColor = kLightOrange}},
    {"Label16", K::Label, "Frame3", {120, 590, 1500, 300}, "Server name    :", {}},
    {"Label17", K::Label, "Frame3", {1680, 590, 2280, 300}, "MAC address : ", {.backColor = kLightOrange}},
    {"Label12", K::Label, "Frame3", {120, 910, 1500, 300}, "S.N. (Brenik)    : ", {}},
    {"Label13", K::Label, "Frame3", {1680, 910, 2280, 300}, "MAC address : ", {.backColor = kLightOrange}},
    {"Label8(0)", K::Label, "Frame3", {120, 1230, 1500, 300}, "Version && Date : ", {}},
    {"Label9x", K::Label, "Frame3", {1680, 1230, 2280, 300}, "MAC address : ", {.backColor = kLightOrange}},
    {"Label10", K::Label, "Frame3", {120, 1550, 1500, 300}, "Link- IN            : ", {}},
    {"Label11", K::Label, "Frame3", {1680, 1550, 2280, 300}, "MAC address : ", {.tooltip = "Auto detected",
     .backColor = kLightGreen}},
    {"Label59", K::Label, "Frame3", {120, 1870, 1500, 300}, "Link-OUT         : ", {}},
    {"Label58", K::Label, "Frame3", {1680, 1870, 2280, 300}, "MAC address : ", {.tooltip = "Auto detected",
     .backColor = kLightGreen}},
    {"Label14", K::Label, "Frame3", {120, 2190, 1500, 300}, "Port Status       : ", {}},
    {"Label15", K::Label, "Frame3", {1680, 2190, 2280, 300}, "MAC address : ", {.backColor = kLightGreen}},
    {"Frame2", K::Frame, "Frame1", {5400, 2760, 4065, 1260}, "Set Value", {}},
    {"Label5", K::Label, "Frame2", {120, 240, 3825, 255}, "Value (5)", {}},
    {"Text4", K::TextBox, "Frame2", {120, 480, 3825, 300}, "", {}},
    {"Combo3", K::ComboBox, "Frame2", {120, 480, 3825, 315}, "", {.hidden = true}},
    {"Command6", K::Button, "Frame2", {120, 840, 1320, 330}, "Apply (6)", {}},
    {"Command5", K::Button, "Frame2", {1560, 840, 900, 330}, "Ping", {}},
    {"Command9", K::Button, "Frame1", {5400, 4050, 1500, 300}, "Update (7)", {}},

    {"Frame6", K::Frame, "Frame14", {120, 5160, 11985, 1080}, "Command Panel", {}},
    {"Command7", K::Button, "Frame6", {120, 240, 1620, 360}, "Fill Zenta-630", {}},
    {"Command36", K::Button, "Frame6", {1800, 240, 1620, 360}, "Fill Zenta-5400", {}},
    {"Command37", K::Button, "Frame6", {3480, 240, 1620, 360}, "Fill Zenta-610", {}},
    {"Command38", K::Button, "Frame6", {5160, 240, 1620, 360}, "Fill Zenta-5200", {}},
    {"Command20", K::Button, "Frame6", {6840, 240, 1620, 360}, "Fill IP Dongle", {}},
    {"Command28", K::Button, "Frame6", {8520, 240, 1620, 360}, "Fill LAN Upgrade", {.fontPoints = 7}},
    {"Command12", K::Button, "Frame6", {10200, 240, 1620, 360}, "Close", {}},
    {"Command25", K::Button, "Frame6", {120, 660, 1620, 360}, "Fill WIFI", {.hidden = true}},
    {"Command13", K::Button, "Frame6", {1800, 660, 1620, 360}, "More..>", {}},
    {"Command24", K::Button, "Frame6", {3480, 660, 1620, 360}, "Simple 1...", {}},
    {"Command35", K::Button, "Frame6", {5160, 660, 1620, 360}, "Simple 2...", {}},
    {"Command26", K::Button, "Frame6", {6840, 660, 1620, 360}, "Misc.", {.hidden = true}},

    {"Frame4", K::Frame, "Frame14", {120, 3900, 2280, 1140}, "Status", {}},
    {"Label1", K::Label, "Frame4", {120, 300, 2040, 780}, "Search", {.wrap = true}},

    {"Frame10", K::Frame, "Frame14", {120, 6300, 3900, 1260}, "More", {.hidden = true}},
    {"Command3", K::Button, "Frame10", {120, 270, 1200, 360}, "Reset", {}},
    {"Command8", K::Button, "Frame10", {1380, 270, 1200, 360}, "Clear NSV", {}},
    {"Command4", K::Button, "Frame10", {2640, 270, 1200, 360}, "Ping", {}},
    {"Command14", K::Button, "Frame10", {120, 720, 1200, 360}, "Hide..<", {}},
    {"Command16", K::Button, "Frame10", {1380, 720, 1200, 360}, "Advance", {}},

    {"Frame11", K::Frame, "Frame14", {4140, 6300, 5220, 1260}, "Advance", {.hidden = true}},
    {"Label39", K::Label, "Frame11", {120, 300, 930, 255}, "Start Byte", {}},
    {"Text1", K::TextBox, "Frame11", {1080, 270, 540, 300}, "156", {}},
    {"Label40", K::Label, "Frame11", {1680, 300, 990, 255}, "Size (byte)", {}},
    {"Text2", K::TextBox, "Frame11", {2700, 270, 450, 300}, "15", {}},
    {"Command15", K::Button, "Frame11", {3210, 240, 600, 330}, "View", {}},
    {"Command18", K::Button, "Frame11", {3840, 240, 600, 330}, "Hide", {}},
    {"Text3", K::TextBox, "Frame11", {120, 630, 2460, 300}, "", {}},
    {"Text5", K::TextBox, "Frame11", {2640, 630, 2460, 300}, "", {}},
    {"Command17", K::Button, "Frame11", {4470, 240, 660, 330}, "Update", {}},
    {"Label41", K::Label, "Frame11", {120, 960, 2400, 255}, "", {}},

    {"Frame8", K::Frame, "Frame14", {9480, 6300, 2625, 1260}, "FreeIP", {}},
    {"List2", K::ListBox, "Frame8", {90, 240, 1185, 960}, "", {}},
    {"List3", K::ListBox, "Frame8", {1350, 240, 1185, 960}, "", {}},

    // ---- Frame17: "Misc." over the window ---------------------------------
    {"Frame17", K::Frame, "", {4200, 3600, 3000, 1260}, "Misc.", {.hidden = true}},
    {"Command11", K::Button, "Frame17", {120, 300, 1680, 375}, "BackupSetting", {}},
    {"Command19", K::Button, "Frame17", {120, 750, 1680, 375}, "SetBaud", {}},
    {"Command27", K::Button, "Frame17", {2520, 180, 360, 300}, "X", {}},
};

const ControlDef kChooser[] = {
    {"Frame1", K::Frame, "", {240, 120, 4020, 1260}, "Select the device type", {}},
    {"Option1(1)", K::Option, "Frame1", {300, 360, 3480, 300}, "ZentaBox", {.checked = true}},
    {"Option1(0)", K::Option, "Frame1", {300, 780, 3480, 300}, "IP Dongle", {}},
    {"Label1", K::Label, "", {240, 1620, 2640, 255}, "", {}},
    {"Command11", K::Button, "", {3060, 1560, 1200, 375}, "Start", {}},
};

const ControlDef kHelp[] = {
    {"Picture1", K::Picture, "", {240, 120, 7755, 3525}, "", {}},
    {"Picture2", K::Picture, "", {240, 120, 7755, 3525}, "", {}},
    {"Label6", K::Label, "Picture2", {150, 2640, 5400, 285}, "", {.backColor = kWhite}},
    {"Frame1", K::Frame, "", {240, 3780, 7755, 2820}, "", {}},
    {"Label1(5)", K::Label, "Frame1", {120, 240, 7500, 255}, "==========================================================================", {.fontPoints = 8}},
    {"Label1(0)", K::Label, "Frame1", {120, 600, 1200, 255}, "Scan :", {}},
    {"Label2(0)", K::Label, "Frame1", {1380, 600, 6240, 255}, "Broadcast scanning for connected device.", {}},
    {"Label1(1)", K::Label, "Frame1", {120, 960, 1200, 255}, "Refresh :", {}},
    {"Label2(1)", K::Label, "Frame1", {1380, 960, 6240, 255}, "Read configuration by IP address.", {}},
    {"Label1(2)", K::Label, "Frame1", {120, 1320, 1200, 255}, "Save :", {}},
    {"Label2(2)", K::Label, "Frame1", {1380, 1320, 6240, 255}, "Save configuration to the selected device", {}},
    {"Label1(3)", K::Label, "Frame1", {120, 1680, 1200, 255}, "Close :", {}},
    {"Label2(3)", K::Label, "Frame1", {1380, 1680, 6240, 255}, "Close and discard changes.", {}},
    {"Label1(4)", K::Label, "Frame1", {120, 2040, 1200, 255}, "Help :", {}},
    {"Label2(4)", K::Label, "Frame1", {1380, 2040, 6240, 255}, "Show this help message.", {}},
    {"Label1(6)", K::Label, "Frame1", {120, 2400, 7500, 255}, "==========================================================================", {.fontPoints = 8}},
    {"Command1", K::Button, "", {240, 6960, 1200, 375}, "Close", {}},
    {"labVer", K::Label, "", {5760, 7020, 2235, 255}, "Ver", {}},
};

}  // namespace

std::span<const ControlDef> MainWindowControls() { return kMain; }
std::span<const ControlDef> ChooserControls() { return kChooser; }
std::span<const ControlDef> HelpWindowControls() { return kHelp; }

}  // namespace cobalin::ui
