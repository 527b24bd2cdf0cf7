// Table-file speed: saving and loading a table of 65,535 records of 100 bytes, next to writing and reading the
// same bytes with plain fwrite / fread in the same run. The summary at the end prints the ratios.
//
// The save includes what makes it safe (a sync of the temporary file and the rename), so it is shown against
// both a bare fwrite and an fwrite followed by fsync.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include <dbs/dbs.h>
#include <dbs/traceprint.h>

namespace {

constexpr uint32_t kRecords = 65535;
constexpr size_t kRecordLen = 100;  // status byte + 99 data bytes
constexpr size_t kFileBytes = 33 + 5 * 39 + kRecords * kRecordLen;

std::filesystem::path gDir;
uint32_t gTable = 0;
std::vector<char> gPlain(kFileBytes, 'x');

uint8_t AppendInsert(uint32_t hTable, const void* pbyTuple) {
    return DbsAppendTupleEX(hTable) == 1 && DbsSetTupleEX(hTable, pbyTuple) == 1 ? 1 : 0;
}

void QuietSink(void*, int, const char*, int, const char*) {}

void Setup() {
    TraceSetSink(&QuietSink, nullptr);
    std::string tmpl = (std::filesystem::temp_directory_path() / "dbs_storage_bench_XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) std::abort();
    gDir = tmpl;
    std::filesystem::create_directories(gDir / "version");
    DbsSetDataPath((gDir.string() + "/").c_str());
    DbsCoreInit();
    gTable = DbsCreateTableBySpec(0, "BENCH", 0, kRecords, "TEXT C(87) SAVE", "ID D(4) SAVE", "QTY W(2) SAVE",
                                  "PRICE D(4) SAVE", "FLAGS N(2) SAVE", "");
    DbsSetTableMethod(gTable, DBS_METHOD_INSERT, reinterpret_cast<DbsMethodFn>(&AppendInsert));
    std::vector<uint8_t> tuple(kRecordLen - 1, 'r');
    for (uint32_t i = 0; i < kRecords; ++i) {
        std::memcpy(tuple.data() + 87, &i, 4);
        DbsAppendTuple(gTable);
        DbsSetTuple(gTable, tuple.data());
    }
}

void Teardown() {
    DbsCoreRelease();
    std::filesystem::remove_all(gDir);
    TraceSetSink(nullptr, nullptr);
}

void Save(uint8_t pathNo) {
    DbsSetTableFlag(gTable, DBS_FLAG_SAVE_PENDING);
    DbsSetCurPath(pathNo);
    if (DbsSaveRTable(gTable) != 1) std::abort();
}

void BM_Save(benchmark::State& state) {
    const uint8_t pathNo = static_cast<uint8_t>(state.range(0));
    for (auto _ : state) Save(pathNo);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
}
BENCHMARK(BM_Save)->Arg(DBS_PATH_VERSION)->ArgName("path")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Load(benchmark::State& state) {
    Save(DBS_PATH_VERSION);
    for (auto _ : state) {
        DbsClrSecondaryMem(gTable);
        DbsSetCurPath(DBS_PATH_VERSION);
        if (DbsLoadRTable(gTable) != 1) std::abort();
    }
    if (DbsGetTupleNumEX(gTable) != kRecords) std::abort();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Fwrite(benchmark::State& state) {
    const bool sync = state.range(0) != 0;
    const std::string path = (gDir / "plain.bin").string();
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(gPlain.data(), 1, gPlain.size(), f);
        if (sync) {
            std::fflush(f);
            fsync(fileno(f));
        }
        std::fclose(f);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
}
BENCHMARK(BM_Fwrite)->Arg(0)->Arg(1)->ArgName("sync")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Fread(benchmark::State& state) {
    const std::string path = (gDir / "plain.bin").string();
    {
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(gPlain.data(), 1, gPlain.size(), f);
        std::fclose(f);
    }
    std::vector<char> in(kFileBytes);
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        benchmark::DoNotOptimize(std::fread(in.data(), 1, in.size(), f));
        std::fclose(f);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
}
BENCHMARK(BM_Fread)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps the time per iteration of every benchmark for the ratios: the median when repetitions are asked for,
// else the single run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            const std::string name = r.run_name.str();
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
                times[name] = r.GetAdjustedRealTime();
                medians[name] = true;
            } else if (r.run_type == Run::RT_Iteration && r.iterations > 0 && !medians[name]) {
                times[name] = r.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
    std::map<std::string, bool> medians;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Setup();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto t = [&](const char* name) {
        auto it = reporter.times.find(name);
        return it == reporter.times.end() ? 0.0 : it->second;
    };
    const double save = t("BM_Save/path:3/real_time");
    const double load = t("BM_Load/real_time");
    const double fw = t("BM_Fwrite/sync:0/real_time");
    const double fws = t("BM_Fwrite/sync:1/real_time");
    const double fr = t("BM_Fread/real_time");
    if (save > 0 && fw > 0 && fws > 0) {
        std::printf("save speed / fwrite speed:        %.2fx\n", fw / save);
        std::printf("save speed / fwrite+fsync speed:  %.2fx\n", fws / save);
    }
    if (load > 0 && fr > 0) std::printf("load speed / fread speed:         %.2fx\n", fr / load);
    Teardown();
    return 0;
}
