// Test support for the fault tests: the example shop store started from its two schema files in a scratch data
// folder and filled with a few linked records, a trace sink that is exempt from injected allocation failures,
// and a snapshot of every table's two buffers to show that a failed call changed nothing it should not have.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <dbs/dbs.h>

namespace dbs::test {

// Records every trace line; allocations made while recording neither count for nor suffer injected faults.
class FaultTrace {
public:
    FaultTrace();
    ~FaultTrace();
    FaultTrace(const FaultTrace&) = delete;
    FaultTrace& operator=(const FaultTrace&) = delete;
    const std::vector<std::string>& Lines() const { return lines_; }
    bool Contains(const std::string& part) const;
    std::string Joined() const;
    void Clear() { lines_.clear(); }

private:
    static void Sink(void* ctx, int level, const char* file, int line, const char* text);
    std::vector<std::string> lines_;
};

// Every record in use of both buffers of every table, with its slot number.
struct StoreImage {
    std::map<std::string, std::vector<std::pair<uint32_t, std::vector<uint8_t>>>> main, secondary;
    bool operator==(const StoreImage&) const = default;
};

class ShopFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the store from the example schema (both files); true on success.
    bool Start();
    // Customers 1..3, stores 1..2, products 1..4, orders with lines, suppliers and supplies, published to main.
    void Fill();
    StoreImage Image() const;
    // Every record in use of secondary memory is found again through each of its table's keys.
    void ExpectIndexesAgree() const;

    // A tuple of `table` with fields set by name (numbers at the field's width, texts zero-padded).
    std::vector<uint8_t> Tuple(const char* table, const std::map<std::string, uint32_t>& numbers,
                               const std::map<std::string, std::string>& texts = {}) const;

    // Saves every table to the folder the loading reads first; true when all were saved.
    bool SaveAll();
    // Empties every secondary buffer and loads the saved tables, which become main memory; secondary is then a
    // copy of main again. Returns DbsLoadData's result.
    uint8_t Reload();
    // Built in SetUp: the calls under test may run with C++ allocations failing.
    const std::string& Temp() const { return temp; }

    std::filesystem::path root;
    std::string temp;  // the folder saves go to and loading reads first, with a trailing separator
    FaultTrace trace;
};

// Runs `call` with the allocation fault hook (DbsMalloc and C++ allocations) set to fail the n-th allocation,
// for n = 1, 2, ... until the call no longer reaches the failure. Before each try `reset` restores the starting
// state (hook disarmed); after a try that failed, `check(failedAt)` inspects the store. Returns how many tries
// met a failure. No exception may leave the library.
long WalkAllocFailures(const std::function<void()>& reset, const std::function<bool()>& call,
                       const std::function<void(bool ok, long n)>& check, long limit = 20000);

}  // namespace dbs::test
