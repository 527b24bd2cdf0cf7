// Test hooks that make the library's allocations and file operations fail on purpose.
//
// Compiled in when DBS_FAULT_INJECTION is set (the default build, so the tests can use them); each check is one
// predictable branch on a counter. Nothing here is part of the public interface.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dbs::fault {

enum class IoOp : int { Open = 0, Read, Write, Close, Sync, Rename, Count };

// Allocation failures: the n-th allocation from now fails (1 = the next one); with `sticky`, every allocation
// from the n-th on fails. 0 turns the hook off.
void FailAllocAt(long n, bool sticky = false);
// Number of allocations attempted since the last FailAllocAt or ResetAll.
long AllocCalls();

// File operation failures: the n-th operation of that kind from now fails. For Read and Write, `shortBytes`
// >= 0 makes it a short transfer of that many bytes instead of a plain failure.
void FailIoAt(IoOp op, long n, long shortBytes = -1, bool sticky = false);
long IoCalls(IoOp op);

void ResetAll();

#if defined(DBS_FAULT_INJECTION)
bool AllocShouldFail();
// Returns -2 for no fault, -1 for a plain failure, or the number of bytes of a short transfer.
long IoFault(IoOp op);
#else
inline bool AllocShouldFail() { return false; }
inline long IoFault(IoOp) { return -2; }
#endif

}  // namespace dbs::fault
