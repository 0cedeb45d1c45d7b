// Plans of any content, and the checks of each row against a device of any
// record: the reader never reads out of range or hangs, a plan with a fault
// runs no row, and each row's decision is one the report can give.
#include <cstdlib>
#include <memory>
#include <string>

#include "core/configure_plan.h"
#include "core/record_layout.h"
#include "fuzz_input.h"

using namespace cobalin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::FuzzInput in(data, size);
    const auto deviceClass = static_cast<DeviceClass>(in.Byte() % 3);
    const uint8_t pages = in.Byte();
    // The device the rows are checked against: a record of fuzzed bytes.
    auto store = std::make_unique<DeviceStore>();
    DeviceEntry& e = store->DeviceTable[1];
    const auto recordBytes = in.Take(in.U16() % (e.Record.size() + 1));
    std::copy(recordBytes.begin(), recordBytes.end(), e.Record.begin());
    e.FormatTag = pages & 0x80 ? RecordFormat::WithModule : RecordFormat::Paged;
    e.ReceivedPages = pages & 0x7;
    store->DeviceCount = 1;
    const auto rest = in.Rest();
    const std::string text(reinterpret_cast<const char*>(rest.data()), rest.size());

    const PlanParse plan = ParsePlan(text);
    if (!plan.error.empty() && !plan.rows.empty()) std::abort();
    for (const PlanRow& row : plan.rows) {
        if (NormalizeMac(row.mac) != row.mac) std::abort();
        e.MacText = row.mac;
        const DevicePlan decision = PlanDevice(*store, 1, row, deviceClass);
        switch (decision.status) {
            case RowStatus::Unchanged:
                if (!decision.changed.empty()) std::abort();
                break;
            case RowStatus::WouldChange:
                if (decision.changed.empty() || decision.changed.size() != decision.sent.rows.size()) std::abort();
                break;
            case RowStatus::Refused:
                if (decision.reason.empty() || !decision.changed.empty()) std::abort();
                break;
            default:
                std::abort();
        }
    }
    return 0;
}
