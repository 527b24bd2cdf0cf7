// Test build only: the global operator new of the fault-test executable takes part in the allocation fault
// hook, so that the library's C++ allocations (vectors, strings, new) fail at the n-th call like DbsMalloc.
//
// The hook is armed only around the library call under test (CxxAllocArmed), so the test framework itself
// never sees a failure; lines written to the trace sink while armed do not count either.
#pragma once

namespace dbs::test {

// While an object lives, operator new consults dbs::fault::AllocShouldFail and throws std::bad_alloc when told.
class CxxAllocArmed {
public:
    CxxAllocArmed();
    ~CxxAllocArmed();
    CxxAllocArmed(const CxxAllocArmed&) = delete;
    CxxAllocArmed& operator=(const CxxAllocArmed&) = delete;
};

// While an object lives on this thread, operator new is not counted and never fails (for the trace sink).
class CxxAllocExempt {
public:
    CxxAllocExempt();
    ~CxxAllocExempt();
    CxxAllocExempt(const CxxAllocExempt&) = delete;
    CxxAllocExempt& operator=(const CxxAllocExempt&) = delete;

private:
    bool previous_;
};

}  // namespace dbs::test
