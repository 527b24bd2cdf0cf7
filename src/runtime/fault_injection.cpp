// Counters behind the fault-injection hooks of the allocator and the file helpers.
#include "runtime/fault_injection.h"

#include <atomic>

namespace dbs::fault {
namespace {

struct Trigger {
    std::atomic<long> calls{0};
    std::atomic<long> failAt{0};
    std::atomic<long> shortBytes{-1};
    std::atomic<bool> sticky{false};

    void Arm(long n, long bytes, bool isSticky) {
        calls = 0;
        shortBytes = bytes;
        sticky = isSticky;
        failAt = n;
    }
    // -2: no fault; otherwise the fault to apply.
    long Hit() {
        long at = failAt.load(std::memory_order_relaxed);
        long c = ++calls;
        if (at <= 0) return -2;
        if (c == at || (sticky && c > at)) return shortBytes.load();
        return -2;
    }
};

Trigger gAlloc;
Trigger gIo[static_cast<int>(IoOp::Count)];

}  // namespace

void FailAllocAt(long n, bool sticky) { gAlloc.Arm(n, -1, sticky); }
long AllocCalls() { return gAlloc.calls; }

void FailIoAt(IoOp op, long n, long shortBytes, bool sticky) {
    gIo[static_cast<int>(op)].Arm(n, shortBytes, sticky);
}
long IoCalls(IoOp op) { return gIo[static_cast<int>(op)].calls; }

void ResetAll() {
    gAlloc.Arm(0, -1, false);
    for (auto& t : gIo) t.Arm(0, -1, false);
}

#if defined(DBS_FAULT_INJECTION)
bool AllocShouldFail() { return gAlloc.Hit() != -2; }
long IoFault(IoOp op) { return gIo[static_cast<int>(op)].Hit(); }
#endif

}  // namespace dbs::fault
