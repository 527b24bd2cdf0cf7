// The core store's process-wide state: the table form, the index form, the work area and the path table.
//
// DbsCoreInit creates every block zero-filled and DbsCoreRelease frees them; in between the forms have fixed
// places. Other subsystems reach a table or an index through the accessors below, which validate a handle
// without writing a trace line (the exported calls write their own refusal lines).
#pragma once

#include <cstdint>

#include <dbs/dbs.h>

#pragma pack(push, 1)
// The path table: the current path number and the four table-file directories under the version path.
struct TagDbsPath {
    uint8_t byCurPath;                       // 0..4, 3 after start-up
    char achPath[4][DBS_PATH_SIZE];          // paths 1..4 at index 0..3
    uint8_t byReserved;
    uint8_t abyPathFlag[4];                  // flag n at index n - 1
};
#pragma pack(pop)
static_assert(sizeof(TagDbsPath) == 1045, "the path table is 1045 bytes");

inline constexpr uint32_t kQdbWorkAreaSize = 136375;

// Globals, named as the store's documentation names them.
extern uint32_t gbDbsInit;
extern TagDBForm* gptDB_Form;
extern TagIdxForm* gptIdx_Form;
extern uint8_t* gpQdbWorkArea;
extern TagDbsPath* gptDbsPath;
extern uint16_t gwIdxFormNum;
extern uint16_t gwTableNum;
extern uint16_t gwIdxNum;

namespace dbs::core {

// The form entry of a valid table handle, or null (core stopped, wrong kind, number >= 128, entry mismatch).
inline TagDBForm* TableForm(uint32_t hTable) {
    if (gptDB_Form == nullptr || DBS_HANDLE_KIND(hTable) != DBS_HANDLE_TABLE) return nullptr;
    uint32_t no = DBS_HANDLE_NO(hTable);
    if (no >= DBS_MAX_TABLES) return nullptr;
    TagDBForm* form = &gptDB_Form[no];
    return form->dwDBHandle == hTable ? form : nullptr;
}

// The form entry of a valid index handle, or null.
inline TagIdxForm* IndexForm(uint32_t hIndex) {
    if (gptIdx_Form == nullptr || DBS_HANDLE_KIND(hIndex) != DBS_HANDLE_INDEX) return nullptr;
    uint32_t no = DBS_HANDLE_NO(hIndex);
    if (no >= DBS_MAX_INDEXES) return nullptr;
    TagIdxForm* form = &gptIdx_Form[no];
    return form->dwIdxHandle == hIndex ? form : nullptr;
}

inline bool IsValidTable(uint32_t hTable) { return TableForm(hTable) != nullptr; }
inline bool IsValidIndex(uint32_t hIndex) { return IndexForm(hIndex) != nullptr; }

// The record buffer of a table that plays the main (secondary = false) or secondary role; null when missing.
inline char* TableBuffer(const TagDBForm* form, bool secondary) {
    uint8_t b = secondary ? form->byDBSecondAddrPtr : form->byDBMainAddrPtr;
    return b < 2 ? form->apchDBAddr[b] : nullptr;
}

}  // namespace dbs::core
