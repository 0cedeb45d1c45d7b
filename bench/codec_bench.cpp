// Decoding a paged record and taking one page into a table of 255 devices.
#include <benchmark/benchmark.h>

#include <memory>

#include "core/device_table.h"

using namespace cobalin;

namespace {

DeviceRecord SampleRecord() {
    DeviceRecord r{};
    for (size_t i = 0; i < r.size(); ++i) r[i] = static_cast<uint8_t>('A' + i % 26);
    r[0] = kPageMark;
    r[9] = 1;
    r[177] = 6;
    r[178] = 3;
    r[179] = 0;
    return r;
}

void BM_DecodePagedRecord(benchmark::State& state) {
    const DeviceRecord r = SampleRecord();
    ParameterTextArray texts;
    for (auto _ : state) {
        DecodeRecord(r, texts);
        benchmark::DoNotOptimize(texts);
    }
}
BENCHMARK(BM_DecodePagedRecord);

// The last device's page 1 into a full table: the longest match scan.
void BM_IntakePageFullTable(benchmark::State& state) {
    auto store = std::make_unique<DeviceStore>();
    Bytes page(1008, 0);
    page[0] = kPageMark;
    for (int i = 0; i < 255; ++i) {
        page[5] = static_cast<uint8_t>(i >> 8);
        page[6] = static_cast<uint8_t>(i);
        ReplyIntake(*store, page);
    }
    Bytes page1(982, 0);
    page1[0] = kPageMark;
    page1[6] = 254;
    page1[7] = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReplyIntake(*store, page1));
    }
}
BENCHMARK(BM_IntakePageFullTable);

}  // namespace

BENCHMARK_MAIN();
