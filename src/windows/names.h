// The names the features share about the windows: the main window's faces,
// the colours the program sets, and the places (twips) that the control
// table creates and the set-up or the faces set again, each stated once.
#pragma once

#include <string>
#include <string_view>

#include "core/settings.h"
#include "toolkit/controls.h"

namespace cobalin::ui {

// The faces are chosen by a setting; the windows name them as the core does.
using cobalin::AdvancedModeText;
using cobalin::Face;
using cobalin::FaceOf;

// Colours the program sets, as BGR numbers.
constexpr unsigned kBlack = 0x000000;
constexpr unsigned kRed = 0x0000FF;  // 255: a refusal or an error in the status line
constexpr unsigned kWhite = 0xFFFFFF;
constexpr unsigned kGrey = 0x808080;
constexpr unsigned kLightYellow = 0xC0FFFF;
constexpr unsigned kLightBlue = 0xFFC0C0;
constexpr unsigned kLightOrange = 0xC0E0FF;
constexpr unsigned kLightGreen = 0xC0FFC0;

// The main window's size as created: the Advance face's width, and the
// height of every face but the configuration panel's own.
constexpr int kMainWidth = 12255, kMainHeight = 10350;
// The Simple 2 window's width: the panel, its area and the logo over it.
constexpr int kPanelWidth = 9540;

// Places of the main window's controls, as created and as set again.
constexpr Twips kFaceArea{0, 0, 11100, 7700};             // Frame12: the simple faces' area
constexpr Twips kLogo{0, 0, kPanelWidth, 1080};           // Image1, atop the area
constexpr Twips kPanelArea{0, 1200, 11055, 5000};         // Frame20: the configuration panel
constexpr Twips kSimpleFace{0, 1200, 11055, 4215};        // Frame19: the simple face
constexpr Twips kEngineeringFace{120, 120, 12225, 9765};  // Frame14
constexpr Twips kStatusBar{60, 3720, 5000, 495};          // Frame23
constexpr LineEnds kSeparator{60, 3120, 10920, 3120};     // Line1, above the panel's buttons
constexpr int kPanelButtonTop = 3240;                     // OK, Close, Help and DEBUG
constexpr int kConfigurationHeight = 3135;                // Frame21 and Frame22 of a panel of name and addresses
constexpr int kAddressFrameTop = 720;                     // Frame26 in Frame22 of a panel of name and addresses
constexpr int kRefreshSaveTop = 2880;                     // Refresh and Save of a panel of name and addresses
constexpr int kNoticeRise = 375;                          // Label57 stands this far above Frame21's foot

// The free-address frame Frame8 "FreeIP" with its lists List2 (the
// addresses that answered) and List3 (those that did not). Each list is as
// wide as "192.168.1.100" needs beside its vertical scroll bar. Below the
// "More" and "Advance" frames, where the window has that room, they stand
// side by side, ten lines each (lines as high as the font). An IP Dongle's
// window is only as high as its panel: there they stand beside those frames,
// one above the other, two lines each. Each list is as high as its whole
// lines: half a line could read as another address ("3" and "8" share
// their upper half).
struct FreeAddressPlaces {
    Twips frame, answered, silent;
};
constexpr FreeAddressPlaces kFreeAddressBelow{
    {8775, 7620, 3330, 2145}, {90, 240, 1530, 1845}, {1710, 240, 1530, 1845}};
constexpr FreeAddressPlaces kFreeAddressBeside{
    {9480, 6300, 2625, 1260}, {90, 270, 2445, 390}, {90, 750, 2445, 390}};

// Label44's tag: which operation the timers finish on the simple face, an
// update of it or a search.
inline const QString kUpdateRunsTag = QStringLiteral("1");
inline const QString kSearchRunsTag = QStringLiteral("0");

// A status line's text with its colour: red for a refusal, an error or a
// report that needs attention, black for progress.
inline void ShowStatus(QWidget* line, const QString& text, unsigned bgr) {
    SetForeColor(line, bgr);
    SetCaption(line, text);
}

}  // namespace cobalin::ui
