// The core's process-wide state. Every pointer here is null and every count 0 while the core is stopped;
// DbsCoreInit and DbsCoreRelease (core_lifecycle.cpp) are the only places that create or destroy the blocks.
#include "core/core_state.h"

#include <cstring>

uint32_t gbDbsInit = 0;
TagDBForm* gptDB_Form = nullptr;
TagIdxForm* gptIdx_Form = nullptr;
uint8_t* gpQdbWorkArea = nullptr;
TagDbsPath* gptDbsPath = nullptr;
uint16_t gwIdxFormNum = 0;
uint16_t gwTableNum = 0;
uint16_t gwIdxNum = 0;

namespace dbs::core {

namespace detail {
uint32_t gadwFreeHint[DBS_MAX_TABLES][2] = {};
uint16_t gawDomainCapacity[DBS_MAX_TABLES] = {};
}  // namespace detail

void ResetTableSideState(uint16_t tableNo, uint16_t domainCapacity) {
    if (tableNo >= DBS_MAX_TABLES) return;
    detail::gadwFreeHint[tableNo][0] = 0;
    detail::gadwFreeHint[tableNo][1] = 0;
    detail::gawDomainCapacity[tableNo] = domainCapacity;
    detail::gTableFreeSlots[tableNo].Release();
}

}  // namespace dbs::core
