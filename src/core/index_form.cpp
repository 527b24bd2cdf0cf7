/*
 * Index descriptors: creating an entry of the index form by handle, by slot or by key field names, and allocating
 * the two buffers of an index as one zero-filled block.
 *
 * An entry goes from free to described (DbsCreateIndexHandle, DbsCreateIndexNo) to keyed (DbsCreateIndexByName
 * records the key fields) to stored (buffers allocated). A refusal leaves the form and the table as they were.
 */
#include <cstdarg>
#include <cstring>

#include "core/core_state.h"
#include "core/dirty_pages.h"
#include "core/index_alloc.h"
#include "core/index_kind.h"
#include "core/va_start_promoted.h"
#include "runtime/trace_log.h"

namespace dbs::core {
namespace {

// Size of each buffer of every allocated index block, by index number; meaningful while apchIdxAddr is set.
uint64_t gIdxBufferBytes[DBS_MAX_INDEXES];

// A sorted entry is the key behind a 32-bit tuple number; its length must fit wIdxEntryLen.
constexpr uint32_t kMaxSortedKeyLen = 0xFFFF - 4;

bool KeyLengthFits(uint8_t byIdxType, uint16_t wKeyLen) {
    return GroupOf(byIdxType) != IndexGroup::Sorted || wKeyLen <= kMaxSortedKeyLen;
}

// Step shared by both ways of describing an index: every field but the attachment to the table.
void Describe(TagIdxForm& idx, uint32_t hIndex, uint32_t hTable, uint8_t byIdxType, uint16_t wDimX,
              uint16_t wDimY, uint16_t wKeyLen) {
    idx = TagIdxForm{};
    idx.dwIdxHandle = hIndex;
    idx.dwDBHandle = hTable;
    idx.byIdxType = byIdxType;
    idx.wDimX = wDimX;
    idx.wDimY = wDimY;
    idx.wIdxEntryLen = static_cast<uint16_t>(byIdxType == DBS_IDX_SORTED ? wKeyLen + 4 : 4);
    idx.byIdxMainAddrPtr = 0;
    idx.byIdxSecondAddrPtr = 1;
}

// The 1-based number of the field with exactly this name, 0 when the table has none.
uint8_t FieldNumber(const TagDBForm& table, const char* name) {
    if (table.ptDomain == nullptr) return 0;
    for (uint8_t i = 0; i < table.byDomainNum; ++i) {
        if (std::strncmp(table.ptDomain[i].achDMName, name, sizeof table.ptDomain[i].achDMName) == 0 &&
            std::strlen(name) < sizeof table.ptDomain[i].achDMName) {
            return static_cast<uint8_t>(i + 1);
        }
    }
    return 0;
}

}  // namespace

uint64_t AllocatedBufferBytes(uint32_t no) { return no < DBS_MAX_INDEXES ? gIdxBufferBytes[no] : 0; }
void RecordBufferBytes(uint32_t no, uint64_t bytes) {
    if (no < DBS_MAX_INDEXES) gIdxBufferBytes[no] = bytes;
}

bool AllocIndexMemory(uint32_t hIndex) {
    TagIdxForm* idx = IndexForm(hIndex);
    if (idx == nullptr) return false;
    const TagDBForm* table = TableForm(idx->dwDBHandle);
    if (table == nullptr || TableBuffer(table, false) == nullptr) return false;
    if (GroupOf(*idx) == IndexGroup::Invalid) {
        DbsTraceLog("[File: %s Line: %d] IndexType:%d Invalid", DBS_HERE, idx->byIdxType);
        return false;
    }
    if (idx->apchIdxAddr[0] != nullptr) return true;
    uint64_t bytes = DescribedBufferBytes(*idx, table->dwMaxTupleNum);
    if (bytes > SIZE_MAX / 2) return false;
    auto* block = static_cast<char*>(DbsMalloc(static_cast<size_t>(bytes * 2)));
    if (block == nullptr) return false;
    idx->apchIdxAddr[0] = block;
    idx->apchIdxAddr[1] = block + bytes;
    RecordBufferBytes(DBS_HANDLE_NO(hIndex), bytes);
    if (GroupOf(*idx) == IndexGroup::Sorted) {
        RecordTreeShape(DBS_HANDLE_NO(hIndex), ShapeFor(idx->wIdxEntryLen, table->dwMaxTupleNum));
    }
    MakeIndexMarks(DBS_HANDLE_NO(hIndex), bytes);
    return true;
}

}  // namespace dbs::core

using namespace dbs::core;

extern "C" {

DBS_API uint8_t DbsCreateIndexHandle(uint32_t hTable, uint32_t hIndex, uint8_t byIdxType, uint16_t wDimX,
                                     uint16_t wDimY, uint16_t wKeyLen) {
    if (gptIdx_Form == nullptr || gptDB_Form == nullptr) return 0;
    if (DBS_HANDLE_KIND(hIndex) != DBS_HANDLE_INDEX || DBS_HANDLE_NO(hIndex) >= DBS_MAX_INDEXES) {
        DbsTraceLog("[File: %s, Line: %d] INDEX Handle %xH invalid", DBS_HERE, hIndex);
        return 0;
    }
    TagIdxForm& idx = gptIdx_Form[DBS_HANDLE_NO(hIndex)];
    if (idx.dwIdxHandle != 0) {
        DbsTraceLog("[File: %s, Line: %d] INDEX Handle %xH exists", DBS_HERE, hIndex);
        return 0;
    }
    TagDBForm* table = TableForm(hTable);
    if (table == nullptr) return 0;
    if (!KeyLengthFits(byIdxType, wKeyLen)) {
        DbsTraceLog("[File: %s, Line: %d] create table %s index error, key length %d too long!", DBS_HERE,
                    table->achDBName, wKeyLen);
        return 0;
    }
    for (uint32_t slot = 0; slot < DBS_IDX_SLOTS; ++slot) {
        if (table->adwIdxHandle[slot] == 0) {
            table->adwIdxHandle[slot] = hIndex;
            Describe(idx, hIndex, hTable, byIdxType, wDimX, wDimY, wKeyLen);
            return 1;
        }
    }
    return 0;
}

DBS_API uint32_t DbsCreateIndexNo(uint32_t hTable, uint16_t wIdxNo, uint8_t byIdxType, uint16_t wDimX,
                                  uint16_t wDimY, uint16_t wKeyLen) {
    TagDBForm* table = TableForm(hTable);
    if (table == nullptr || gptIdx_Form == nullptr) {
        DbsTraceLog("[File: %s, Line: %d] create index error,db %xH invalid.", DBS_HERE, hTable);
        return 0;
    }
    if (wIdxNo >= DBS_IDX_SLOTS) {
        DbsTraceLog("[File: %s, Line: %d] create table %s index error, index slot %d invalid!", DBS_HERE,
                    table->achDBName, wIdxNo);
        return 0;
    }
    uint32_t no = DBS_HANDLE_NO(hTable) * DBS_IDX_SLOTS + wIdxNo;
    TagIdxForm& idx = gptIdx_Form[no];
    if (idx.dwIdxHandle != 0) {
        DbsTraceLog("[File: %s, Line: %d] create table %s index error, the %%th Index is used!", DBS_HERE,
                    table->achDBName);
        return 0;
    }
    if (!KeyLengthFits(byIdxType, wKeyLen)) {
        DbsTraceLog("[File: %s, Line: %d] create table %s index error, key length %d too long!", DBS_HERE,
                    table->achDBName, wKeyLen);
        return 0;
    }
    uint32_t hIndex = no | DBS_HANDLE_INDEX;
    Describe(idx, hIndex, hTable, byIdxType, wDimX, wDimY, wKeyLen);
    table->adwIdxHandle[wIdxNo] = hIndex;
    return hIndex;
}

DBS_API uint32_t DbsCreateIndexByName(uint32_t hTable, uint16_t wIdxNo, uint8_t byIdxType, uint16_t wDimX,
                                      uint16_t wDimY, uint16_t wKeyLen, ...) {
    TagDBForm* table = TableForm(hTable);
    if (table == nullptr) {
        DbsTraceLog("[File: %s, Line: %d] create index error,db %xH invalid.", DBS_HERE, hTable);
        return 0;
    }
    uint8_t fields[DBS_MAX_KEY_FIELDS] = {};
    uint8_t keyNum = 0;
    va_list args;
    DBS_VA_START_PROMOTED(args, wKeyLen);  // the last named parameter is 16 bits by contract
    for (;;) {
        const char* name = va_arg(args, const char*);
        if (name == nullptr) {
            DbsTraceLog("[File: %s, Line: %d] %s Create index error,key name is NULL.", DBS_HERE,
                        table->achDBName);
            va_end(args);
            return 0;
        }
        if (name[0] == '\0') break;
        if (keyNum == DBS_MAX_KEY_FIELDS) {
            DbsTraceLog("[File: %s, Line: %d] %s Create index error,more than %d keys.", DBS_HERE,
                        table->achDBName, DBS_MAX_KEY_FIELDS);
            va_end(args);
            return 0;
        }
        uint8_t field = FieldNumber(*table, name);
        if (field == 0) {
            DbsTraceLog("[File: %s, Line: %d] %s Create index error,key %s no exist.", DBS_HERE,
                        table->achDBName, name);
            va_end(args);
            return 0;
        }
        fields[keyNum++] = field;
    }
    va_end(args);

    uint32_t hIndex = DbsCreateIndexNo(hTable, wIdxNo, byIdxType, wDimX, wDimY, wKeyLen);
    if (hIndex == 0) return 0;
    // A table without storage yet leaves its index keyed and without buffers: DbsAllocMemory on the index gives
    // them once the table is stored. On a stored table an index that cannot get its buffers would refuse every
    // entry, so the entry is undone instead.
    if (TableBuffer(table, false) != nullptr && !AllocIndexMemory(hIndex)) {
        DbsTraceLog("[File: %s, Line: %d] %s Create index error,index buffer not allocated.", DBS_HERE,
                    table->achDBName);
        gptIdx_Form[DBS_HANDLE_NO(hIndex)] = TagIdxForm{};
        table->adwIdxHandle[wIdxNo] = 0;
        return 0;
    }
    TagIdxForm& idx = gptIdx_Form[DBS_HANDLE_NO(hIndex)];
    idx.byIdxKeyNum = keyNum;
    std::memcpy(idx.abyIdxKey, fields, sizeof fields);
    for (uint8_t i = 0; i < keyNum; ++i) table->ptDomain[fields[i] - 1].byDMKeyFlag |= 1;
    return hIndex;
}

}  // extern "C"
