// Shared helpers of the core tests: building a table in code through the public calls.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "support/trace_capture.h"

namespace dbs::test {

struct FieldDef {
    const char* name;
    char kind;
    uint16_t len;
};

// Creates table `no` with the given fields and its storage; returns the handle (0 and a test failure otherwise).
inline uint32_t MakeTable(uint16_t no, const char* name, uint32_t capacity, std::initializer_list<FieldDef> fields) {
    uint32_t h = DbsCreateTableFormNo(no, name, 0, capacity, static_cast<uint16_t>(fields.size()));
    EXPECT_NE(h, 0u) << name;
    for (const FieldDef& f : fields) EXPECT_EQ(DbsAddDomain(h, f.name, f.kind, f.len, 1), 1) << f.name;
    EXPECT_EQ(DbsAllocMemory(h), 1) << name;
    return h;
}

}  // namespace dbs::test
