// Record-call throughput of the core store: appending, positioned reads and writes, and a full scan over a
// table of 65,535 records; and the fill of a 1,000,000-slot table at two sizes, whose time per record shows
// that appending stays linear as the table fills.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include <dbs/dbs.h>

namespace {

#pragma pack(push, 1)
struct Rec {
    uint32_t id;
    char name[12];
};
#pragma pack(pop)

constexpr uint32_t kTableRecords = 65535;

// A freshly started core with one table of `capacity` slots of Rec.
uint32_t FreshTable(uint32_t capacity) {
    DbsSetDataPath("/tmp/dbs_bench/");
    DbsCoreRelease();
    DbsCoreInit();
    return DbsCreateTableBySpec(0, "BENCH", 0, capacity, "ID D(4) SAVE", "NAME C(12) SAVE", "");
}

void Fill(uint32_t h, uint32_t count) {
    Rec r{};
    std::memcpy(r.name, "record-name", 12);
    for (uint32_t i = 0; i < count; ++i) {
        r.id = i;
        DbsAppendTuple(h);
        DbsSetTuple(h, &r);
    }
}

void BM_Append(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const uint32_t h = FreshTable(kTableRecords);
        state.ResumeTiming();
        Fill(h, kTableRecords);
    }
    state.SetItemsProcessed(state.iterations() * kTableRecords);
}
BENCHMARK(BM_Append)->Unit(benchmark::kMillisecond);

void BM_PositionedRead(benchmark::State& state) {
    const uint32_t h = FreshTable(kTableRecords);
    Fill(h, kTableRecords);
    Rec r{};
    uint32_t no = 0;
    for (auto _ : state) {
        no = no % kTableRecords + 1;
        DbsSetTupleNo(h, no);
        DbsGetTuple(h, &r);
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PositionedRead);

void BM_PositionedWrite(benchmark::State& state) {
    const uint32_t h = FreshTable(kTableRecords);
    Fill(h, kTableRecords);
    Rec r{};
    uint32_t no = 0;
    for (auto _ : state) {
        no = no % kTableRecords + 1;
        r.id = no;
        DbsSetTupleNo(h, no);
        DbsSetTuple(h, &r);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PositionedWrite);

void BM_FullScan(benchmark::State& state) {
    const uint32_t h = FreshTable(kTableRecords);
    Fill(h, kTableRecords);
    Rec r{};
    for (auto _ : state) {
        uint32_t sum = 0;
        for (uint8_t ok = DbsSkipToFirst(h); ok; ok = DbsSkipToNext(h)) {
            DbsGetTuple(h, &r);
            sum += r.id;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kTableRecords);
}
BENCHMARK(BM_FullScan)->Unit(benchmark::kMicrosecond);

// Fill the first `range(0)` slots of a 1,000,000-slot table: equal time per record at 100k and 1M means the
// search for the lowest free slot does not grow with the table.
void BM_FillMillionSlotTable(benchmark::State& state) {
    const auto count = static_cast<uint32_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        const uint32_t h = FreshTable(1000000);
        state.ResumeTiming();
        Fill(h, count);
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["ns/record"] = benchmark::Counter(static_cast<double>(state.iterations()) * count,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FillMillionSlotTable)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
