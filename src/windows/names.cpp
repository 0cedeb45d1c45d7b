#include "windows/names.h"

namespace cobalin::ui {

namespace {
struct FaceText {
    Face face;
    std::string_view text;
};
constexpr FaceText kFaceTexts[] = {{Face::SimpleTwo, "0"}, {Face::Advance, "1"}, {Face::SimpleOne, "2"}};
}  // namespace

Face FaceOf(std::string_view advancedMode) {
    for (const auto& f : kFaceTexts)
        if (f.text == advancedMode) return f.face;
    return Face::Other;
}

std::string AdvancedModeText(Face face) {
    for (const auto& f : kFaceTexts)
        if (f.face == face) return std::string(f.text);
    return {};
}

}  // namespace cobalin::ui
