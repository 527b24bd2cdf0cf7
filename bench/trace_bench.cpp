// The cost of one trace line: DbsTraceLog to a sink that drops it, and to the default file output
// (DBS_TRACE_FILE), where the line is formatted, stamped, written and flushed.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include <dbs/dbs.h>
#include <dbs/traceprint.h>

namespace {

void DropSink(void*, int, const char*, int, const char*) {}

void BM_TraceLineToSink(benchmark::State& state) {
    TraceSetSink(&DropSink, nullptr);
    for (auto _ : state) DbsTraceLog("[File:%s Line:%d] Table Handle %xH Invalid", "bench.cpp", 1, 0x10005u);
    TraceSetSink(nullptr, nullptr);
}
BENCHMARK(BM_TraceLineToSink);

void BM_TraceLineToFile(benchmark::State& state) {
    char path[] = "/tmp/dbs_trace_bench_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) std::abort();
    close(fd);
    setenv("DBS_TRACE_FILE", path, 1);
    for (auto _ : state) DbsTraceLog("[File:%s Line:%d] Table Handle %xH Invalid", "bench.cpp", 1, 0x10005u);
    unsetenv("DBS_TRACE_FILE");
    std::remove(path);
}
BENCHMARK(BM_TraceLineToFile);

}  // namespace

BENCHMARK_MAIN();
