// Replacement of the global allocation functions for the fault tests: plain malloc/free, plus a throw of
// std::bad_alloc when the library's allocation fault hook says the current allocation is the one to fail.
#include "alloc_hook.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include "runtime/fault_injection.h"

namespace dbs::test {
namespace {

std::atomic<bool> gArmed{false};
thread_local bool tExempt = false;

void* Allocate(std::size_t size) {
    if (gArmed.load(std::memory_order_relaxed) && !tExempt && dbs::fault::AllocShouldFail()) throw std::bad_alloc();
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

void* AllocateAligned(std::size_t size, std::align_val_t align) {
    if (gArmed.load(std::memory_order_relaxed) && !tExempt && dbs::fault::AllocShouldFail()) throw std::bad_alloc();
    const auto a = static_cast<std::size_t>(align);
    void* p = std::aligned_alloc(a, (size + a - 1) / a * a);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

}  // namespace

CxxAllocArmed::CxxAllocArmed() { gArmed = true; }
CxxAllocArmed::~CxxAllocArmed() { gArmed = false; }

CxxAllocExempt::CxxAllocExempt() : previous_(tExempt) { tExempt = true; }
CxxAllocExempt::~CxxAllocExempt() { tExempt = previous_; }

}  // namespace dbs::test

void* operator new(std::size_t size) { return dbs::test::Allocate(size); }
void* operator new[](std::size_t size) { return dbs::test::Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return dbs::test::Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return dbs::test::Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(std::size_t size, std::align_val_t align) { return dbs::test::AllocateAligned(size, align); }
void* operator new[](std::size_t size, std::align_val_t align) { return dbs::test::AllocateAligned(size, align); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
