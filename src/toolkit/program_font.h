// The one font of every window. The layouts are in twips, drawn for a narrow
// sans-serif with Arial's metrics at 96 dots per inch, so the program sets
// that font itself rather than take whatever the desktop offers: Liberation
// Sans (Debian's fonts-liberation), or another family with the same metrics.
#pragma once

#include <QString>

namespace cobalin::ui {

// The size of every caption the control tables give no size of their own.
constexpr double kProgramFontPoints = 8;

// Families with Arial's metrics, the first one installed is used.
inline constexpr const char* kProgramFontFamilies[] = {"Liberation Sans", "Arimo", "Arial"};

// Sets the application's font; returns the family it uses. When none of the
// families is installed, the default sans-serif family is kept at the
// program's size, and standard error says so once (captions may then be
// shortened, each shown whole in its tool tip).
QString UseProgramFont();

// A point size as the layouts mean it: at 96 dots per inch, the layouts' own
// (15 twips a pixel). A desktop that sets more dots per inch for fonts alone
// would otherwise make every caption larger than its control.
double LayoutPoints(double points);

}  // namespace cobalin::ui
