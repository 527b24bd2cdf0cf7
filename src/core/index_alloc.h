// Allocation of an index's two buffers, reached through DbsAllocMemory when it is given an index handle.
// Defined by the index code; returns false (with its own trace line) when the buffers cannot be made.
#pragma once

#include <cstdint>

namespace dbs::core {

bool AllocIndexMemory(uint32_t hIndex);

}  // namespace dbs::core
