// Module answers of any length and content, then edits mirrored into them.
#include <memory>
#include <string_view>

#include "fuzz_input.h"
#include "core/lan_module.h"

using namespace cobalin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::FuzzInput in(data, size);
    static auto store = std::make_unique<DeviceStore>();
    ClearDeviceTable(*store);
    store->DeviceCount = 0;
    const int devices = in.Byte() % 8;
    for (int i = 0; i < devices; ++i) {
        Bytes page(1008, 0);
        page[0] = 0x50;
        page[6] = static_cast<uint8_t>(i);
        ReplyIntake(*store, page);
    }
    // Answers kept for devices that have not answered yet, taken in as pages arrive.
    EarlyModules early;
    while (!in.empty()) {
        const uint8_t what = in.Byte();
        if (what % 4 == 1) {
            const auto answer = in.Take(in.U16() % 400);
            if (ModuleReplyIntake(*store, answer) < 0) early.Keep(answer);
        } else if (what % 4 == 2) {
            Bytes page(1008, 0);
            page[0] = 0x50;
            page[6] = in.Byte();
            const IntakeResult r = ReplyIntake(*store, page);
            if (r.outcome == IntakeResult::Added) early.TakeFor(*store, r.entry);
        } else if (what % 4 == 3) {
            early.TakeFor(*store, in.I32());
        } else {
            const long k = in.I32();
            const int code = in.Byte() % 14;
            const auto text = in.Take(in.Byte() % 40);
            BuildModuleUpdate(*store, k, code, std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
        }
    }
    return 0;
}
