#include "ui/font_warmup.h"

#include <fontconfig/fontconfig.h>

#include <thread>

namespace cobalin::ui {

namespace {
std::thread& Warmup() {
    static std::thread t;
    return t;
}
}  // namespace

void StartFontWarmup() {
    if (!Warmup().joinable()) Warmup() = std::thread([] { FcInit(); });
}

void WaitForFonts() {
    if (Warmup().joinable()) Warmup().join();
}

}  // namespace cobalin::ui
