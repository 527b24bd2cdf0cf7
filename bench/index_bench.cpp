// Speed of the index and buffer calls, each against the plain operation it must stay close to:
//   - a sorted-index lookup (DbsLocateTuple, then DbsGetTuple) among 65,535 4-byte keys vs std::lower_bound over
//     a std::vector of the same keys;
//   - DbsAllCopyData over 64 MiB of tables vs memcpy of the same buffers;
//   - DbsChangeOverAddr over 128 tables with 512 indexes, holding little and much data.
// Each figure is the median of several rounds; run a Release or RelWithDebInfo build.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

#include <dbs/dbs.h>
#include <dbs/traceprint.h>

#include "core/core_state.h"
#include "core/dirty_pages.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename F>
double MedianSeconds(int rounds, F&& body) {
    std::vector<double> t;
    for (int r = 0; r < rounds; ++r) {
        auto start = Clock::now();
        body();
        t.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// Times `ours` and `base` in alternating rounds, so that a change in the machine's load hits both alike; gives the
// median time of each and the median of the per-round ratios.
struct Pair {
    double ours, base, ratio;
};
template <typename A, typename B>
Pair MedianPair(int rounds, A&& ours, B&& base) {
    std::vector<double> a, b, r;
    for (int i = 0; i < rounds; ++i) {
        a.push_back(MedianSeconds(1, ours));
        b.push_back(MedianSeconds(1, base));
        r.push_back(a.back() / b.back());
    }
    for (auto* v : {&a, &b, &r}) std::sort(v->begin(), v->end());
    return {a[a.size() / 2], b[b.size() / 2], r[r.size() / 2]};
}

void Quiet(void*, int, const char*, int, const char*) {}

void Restart() {
    DbsCoreRelease();
    DbsCoreInit();
}

volatile uint64_t gSink;

void SortedLookup() {
    Restart();
    constexpr uint32_t kKeys = 65535;
    uint32_t table = DbsCreateTableBySpec(0, "LOOKUP", 0, kKeys, "ID D(4) SAVE", "NAME C(12) SAVE", "");
    uint32_t idx = DbsCreateIndexByName(table, 0, DBS_IDX_SORTED, 0, 0, 4, "ID", "");
    if (table == 0 || idx == 0) {
        std::printf("sorted lookup: setup failed\n");
        return;
    }
    // Keys 3, 6, 9, ... stored big-endian, so that appending them keeps the list in order without moves.
    std::vector<uint32_t> keys(kKeys);
    for (uint32_t i = 0; i < kKeys; ++i) keys[i] = __builtin_bswap32((i + 1) * 3);
    for (uint32_t i = 0; i < kKeys; ++i) {
        char tuple[16] = {};
        std::memcpy(tuple, &keys[i], 4);
        DbsAppendTupleEX(table);
        DbsSetTupleEX(table, tuple);
        DbsInsertIndexEX(idx, &keys[i]);
    }
    DbsChangeOver(table);

    std::vector<uint32_t> probes(keys);
    std::shuffle(probes.begin(), probes.end(), std::mt19937(42));
    std::vector<uint32_t> sorted(kKeys);
    for (uint32_t i = 0; i < kKeys; ++i) sorted[i] = (i + 1) * 3;
    std::vector<uint32_t> numericProbes(kKeys);
    for (uint32_t i = 0; i < kKeys; ++i) numericProbes[i] = __builtin_bswap32(probes[i]);

    uint64_t misses = 0;
    Pair p = MedianPair(21, [&] {
        char tuple[16];
        for (uint32_t k : probes) {
            if (DbsLocateTuple(idx, &k) != 1 || DbsGetTuple(table, tuple) != 1) ++misses;
            gSink = gSink + static_cast<uint8_t>(tuple[0]);
        }
    }, [&] {
        for (uint32_t k : numericProbes) {
            auto it = std::lower_bound(sorted.begin(), sorted.end(), k);
            gSink = gSink + static_cast<uint64_t>(it - sorted.begin());
        }
    });
    std::printf("sorted lookup among %u keys: DbsLocateTuple+DbsGetTuple %.1f ns, std::lower_bound %.1f ns, "
                "ratio %.2fx (misses %llu)\n",
                kKeys, p.ours / kKeys * 1e9, p.base / kKeys * 1e9, p.ratio, static_cast<unsigned long long>(misses));
}

void AllCopy() {
    Restart();
    constexpr int kTables = 64;
    constexpr uint32_t kSlots = 8192;  // 8192 slots of 128 bytes: 1 MiB per buffer
    std::vector<uint32_t> tables;
    for (int i = 0; i < kTables; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "T%d", i);
        uint32_t h = DbsCreateTableBySpec(static_cast<uint16_t>(i), name, 0, kSlots, "DATA C(127) SAVE", "");
        if (h == 0) {
            std::printf("all copy: setup failed\n");
            return;
        }
        TagDBForm& f = gptDB_Form[i];
        std::memset(f.apchDBAddr[f.byDBMainAddrPtr], 'U', size_t{kSlots} * f.wTupleLen);
        f.adwTupleNum[f.byDBMainAddrPtr] = kSlots;
        tables.push_back(h);
    }
    const double bytes = double(kTables) * kSlots * 128;
    // The records were written behind the calls' back: note every page as written before each copy, so that
    // each copy moves the whole store (the worst case of a copy that moves what changed).
    Pair p = MedianPair(15, [] {
        for (uint16_t i = 0; i < kTables; ++i) dbs::core::NoteTableWrite(i, 0, uint64_t{kSlots} * 128);
        DbsAllCopyData();
    }, [&] {
        for (int i = 0; i < kTables; ++i) {
            TagDBForm& f = gptDB_Form[i];
            std::memcpy(f.apchDBAddr[f.byDBSecondAddrPtr], f.apchDBAddr[f.byDBMainAddrPtr], size_t{kSlots} * 128);
        }
    });
    std::printf("DbsAllCopyData of %.0f MiB: %.2f GB/s, memcpy %.2f GB/s, ratio %.2fx\n", bytes / (1 << 20),
                bytes / p.ours / 1e9, bytes / p.base / 1e9, 1 / p.ratio);
}

double ChangeOverAddr(uint32_t slots) {
    Restart();
    for (int i = 0; i < DBS_MAX_TABLES; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "S%d", i);
        uint32_t h = DbsCreateTableBySpec(static_cast<uint16_t>(i), name, 0, slots, "ID D(4) SAVE",
                                          "DATA C(60) SAVE", "");
        for (uint16_t s = 0; s < 4; ++s) DbsCreateIndexByName(h, s, DBS_IDX_SORTED, 0, 0, 4, "ID", "");
    }
    constexpr int kCalls = 1000;
    return MedianSeconds(15, [] {
        for (int i = 0; i < kCalls; ++i) DbsChangeOverAddr();
    }) / kCalls;
}

}  // namespace

int main() {
    TraceSetSink(Quiet, nullptr);
    SortedLookup();
    AllCopy();
    double small = ChangeOverAddr(1), large = ChangeOverAddr(1024);
    std::printf("DbsChangeOverAddr, 128 tables and 512 indexes: %.0f ns with 1 slot per table, %.0f ns with 1024 "
                "slots (%.0f MiB)\n",
                small * 1e9, large * 1e9, 128.0 * 1024 * 2 * (64 + 4 * 8) / (1 << 20));
    DbsCoreRelease();
    return 0;
}
