// Loading the font configuration is the longest single step before the
// first window can be painted. It is started on its own thread as the
// program starts, and the windows wait for it only when they first need text.
#pragma once

namespace cobalin::ui {

void StartFontWarmup();
// Returns once the font configuration is loaded (at once when no warm-up ran).
void WaitForFonts();

}  // namespace cobalin::ui
