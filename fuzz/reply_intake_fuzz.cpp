// Any sequence of datagrams into a table in any state: the intake never reads
// or writes out of bounds and keeps the table's invariants.
#include <cstdlib>
#include <memory>

#include "core/device_table.h"
#include "fuzz_input.h"

using namespace cobalin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::FuzzInput in(data, size);
    static auto store = std::make_unique<DeviceStore>();
    ClearDeviceTable(*store);
    // Start from any fill level, up to a full table.
    const int prefill = in.Byte();
    store->DeviceCount = 0;
    for (int i = 0; i < prefill; ++i) {
        Bytes page(1008, 0);
        page[0] = 0x50;
        page[1] = 0xAA;
        page[5] = static_cast<uint8_t>(i >> 8);
        page[6] = static_cast<uint8_t>(i);
        ReplyIntake(*store, page);
    }
    while (!in.empty()) {
        const size_t length = in.U16() % 2100;
        // A few source addresses, and now and then a new search request.
        const uint8_t from = in.Byte();
        if (from & 0x80) ++store->SearchRound;
        const auto datagram = in.Take(length);
        const int16_t before = store->DeviceCount;
        const IntakeResult r = ReplyIntake(*store, datagram, from & 3u ? 0xC0A80100u | (from & 3u) : 0u);
        NoteArrivalInterface(*store, r, from & 0x10 ? 2 : 0, "eth0", 0xC0A801FAu, from & 0x3F);
        if (store->DeviceCount < 0 || store->DeviceCount > kMaxDevices) std::abort();
        if (r.outcome == IntakeResult::Added && store->DeviceCount != before + 1) std::abort();
        if (r.outcome != IntakeResult::Added && store->DeviceCount != before) std::abort();
        if (!store->DeviceTable[0].MacText.empty()) std::abort();
    }
    for (int16_t i = 1; i <= store->DeviceCount; ++i) {
        const DeviceEntry& e = store->DeviceTable[static_cast<size_t>(i)];
        if (e.MacText.size() != 17) std::abort();
        if (e.SharedAddresses.size() > 8 || (!e.SharedMac && !e.SharedAddresses.empty())) std::abort();
    }
    // The warnings look at every pair of devices and never go out of bounds.
    if (AllDeviceWarnings(*store).size() != static_cast<size_t>(store->DeviceCount) + 1) std::abort();
    return 0;
}
