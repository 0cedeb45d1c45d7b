// Any row, any text, any device index: the editor's encodings stay inside
// the record, and a rejected text leaves the record as it was.
#include <cstdlib>
#include <memory>
#include <string_view>

#include "fuzz_input.h"
#include "core/parameter_codec.h"

using namespace cobalin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::FuzzInput in(data, size);
    static auto store = std::make_unique<DeviceStore>();
    static ParameterTextArray texts;
    const long row = in.Byte() & 0x80 ? in.I32() : in.Byte() % 40;
    const long device = in.Byte() & 0x80 ? in.I32() : in.Byte();
    if (store->IsEntry(device)) store->DeviceTable[static_cast<size_t>(device)].FormatTag = (in.Byte() & 1) ? RecordFormat::WithModule : RecordFormat::Paged;
    const auto rest = in.Rest();
    const std::string_view text(reinterpret_cast<const char*>(rest.data()), rest.size());
    const DeviceRecord before = store->IsEntry(device) ? store->DeviceTable[static_cast<size_t>(device)].Record : DeviceRecord{};
    const ApplyOutcome outcome = ApplyParameter(*store, texts, row, text, device);
    if (outcome == ApplyOutcome::Rejected && store->IsEntry(device) &&
        store->DeviceTable[static_cast<size_t>(device)].Record != before)
        std::abort();
    return 0;
}
