/*
 * Creating tables: filling a table form entry, adding its fields and allocating its storage block.
 *
 * A form entry goes from free to described (DbsCreateTableForm / DbsCreateTableFormNo, then DbsAddDomain per
 * field) to stored (DbsAllocMemory). The descriptor block made at creation holds exactly the field count given
 * then; DbsAddDomain refuses to go beyond it, and refuses any field once the storage block exists, because the
 * record buffers follow the descriptors in that block.
 *
 * A refused creation leaves the entry free, so it can be tried again; creating a table raises gwTableNum to
 * cover it (and gwIdxNum to four times that), so tables made in code take part in the whole-store operations.
 */
#include <cstring>
#include <limits>

#include "core/core_state.h"
#include "core/core_trace.h"
#include "core/dirty_pages.h"
#include "core/index_alloc.h"

namespace dbs::core {
namespace {

constexpr uint32_t kMaxDomains = 255;
constexpr uint32_t kMaxTupleLen = std::numeric_limits<uint16_t>::max();

bool IsFieldKind(char kind) {
    return kind == DBS_KIND_CHAR || kind == DBS_KIND_DWORD || kind == DBS_KIND_WORD || kind == DBS_KIND_BYTE ||
           kind == DBS_KIND_LOGIC;
}

// The checks every creation path shares once the entry is known to be free: a usable file name and a field
// count the descriptor block can describe.
bool NameAndCountAccepted(const char* name, uint16_t domainNum) {
    size_t len = strnlen(name, DBS_TABLE_NAME_SIZE);
    if (len == 0) {
        DbsTraceLog("[File: %s, Line: %d] create table error,name is empty.", DBS_HERE);
        return false;
    }
    if (len >= DBS_TABLE_NAME_SIZE) {
        DbsTraceLog("[File: %s, Line: %d] create table %s error,name exceed 8 chars.", DBS_HERE, name);
        return false;
    }
    if (std::strpbrk(name, "/\\") != nullptr) {
        DbsTraceLog("[File: %s, Line: %d] create table %s error,name contains a path separator.", DBS_HERE, name);
        return false;
    }
    if (domainNum > kMaxDomains) {
        DbsTraceLog("[File: %s, Line: %d] create table %s error,field count %d exceed 255.", DBS_HERE, name,
                    static_cast<int>(domainNum));
        return false;
    }
    return true;
}

// Fills entry `no` (already checked free) with `handle`. On failure the entry is left free.
bool FillFormEntry(uint16_t no, uint32_t handle, const char* name, uint16_t reserved, uint32_t maxTupleNum,
                   uint16_t domainNum) {
    auto* domains = static_cast<TagDMForm*>(DbsMalloc(sizeof(TagDMForm) * domainNum));
    if (domains == nullptr) return false;

    TagDBForm& form = gptDB_Form[no];
    std::memset(&form, 0, sizeof form);
    form.dwDBHandle = handle;
    std::memcpy(form.achDBName, name, std::strlen(name) + 1);
    form.wDBReserved = reserved;
    form.byDBFlag = DBS_FLAG_SAVE_PENDING;
    form.dwMaxTupleNum = maxTupleNum;
    form.byDBMainAddrPtr = 0;
    form.byDBSecondAddrPtr = 1;
    form.ptDomain = domains;
    form.pfnLoad = DbsDefaultLoadMethod;
    form.pfnSave = DbsDefaultSaveMethod;
    ResetTableSideState(no, domainNum);

    if (no >= gwTableNum) {
        gwTableNum = static_cast<uint16_t>(no + 1);
        gwIdxNum = static_cast<uint16_t>(gwTableNum * DBS_IDX_SLOTS);
    }
    return true;
}

bool AllocTableMemory(TagDBForm& form) {
    if (form.ptDomain == nullptr) {
        DbsTraceLog("[File: %s Line: %d] Table %s has no field block", DBS_HERE, form.achDBName);
        return false;
    }
    if (form.apchDBAddr[0] != nullptr && form.apchDBAddr[1] != nullptr) return true;

    // A table without fields still has its status byte in every slot.
    const uint32_t tupleLen = form.wTupleLen == 0 ? 1u : form.wTupleLen;
    const uint64_t domainBytes = uint64_t{form.byDomainNum} * sizeof(TagDMForm);
    const uint64_t bufferBytes = uint64_t{form.dwMaxTupleNum} * tupleLen;
    const uint64_t total = domainBytes + 2 * bufferBytes;
    if (total > std::numeric_limits<size_t>::max()) {
        DbsTraceLog("[File:%s Line:%d] No memory(%llu bytes) for allocated", DBS_HERE,
                    static_cast<unsigned long long>(total));
        return false;
    }
    auto* block = static_cast<char*>(DbsMalloc(static_cast<size_t>(total)));
    if (block == nullptr) return false;

    if (domainBytes != 0) std::memcpy(block, form.ptDomain, static_cast<size_t>(domainBytes));
    DbsFree(form.ptDomain);
    form.ptDomain = reinterpret_cast<TagDMForm*>(block);
    form.apchDBAddr[0] = block + domainBytes;
    form.apchDBAddr[1] = form.apchDBAddr[0] + bufferBytes;
    if (form.wTupleLen == 0) {
        form.wTupleLen = 1;
        form.wTupleLenCopy = 1;
    }
    const auto no = static_cast<uint16_t>(DBS_HANDLE_NO(form.dwDBHandle));
    ResetFreeHint(no, 0);
    ResetFreeHint(no, 1);
    MakeTableMarks(no, bufferBytes);
    MakeTableFreeSlots(no, form.dwMaxTupleNum);
    return true;
}

}  // namespace
}  // namespace dbs::core

using namespace dbs::core;

extern "C" {

DBS_API uint8_t DbsCreateTableForm(uint32_t hTable, const char* pchName, uint16_t wReserved,
                                   uint32_t dwMaxTupleNum, uint16_t wDomainNum) {
    if (gptDB_Form == nullptr) {
        DbsTraceLog("[File:%s Line%d] gptDB_Form is NULL", DBS_HERE);
        return 0;
    }
    DBS_REFUSE_NULL(pchName, 0);
    const uint32_t no = DBS_HANDLE_NO(hTable);
    if (no >= DBS_MAX_TABLES || DBS_HANDLE_KIND(hTable) != DBS_HANDLE_TABLE) {
        DBS_TRACE_BAD_TABLE(hTable);
        return 0;
    }
    if (gptDB_Form[no].dwDBHandle != 0) {
        DbsTraceLog("[File: %s, Line: %d] Table Handle %xH exists.", DBS_HERE, hTable);
        return 0;
    }
    if (!NameAndCountAccepted(pchName, wDomainNum)) return 0;
    return FillFormEntry(static_cast<uint16_t>(no), hTable, pchName, wReserved, dwMaxTupleNum, wDomainNum) ? 1 : 0;
}

DBS_API uint32_t DbsCreateTableFormNo(uint16_t wTableNo, const char* pchName, uint16_t wReserved,
                                      uint32_t dwMaxTupleNum, uint16_t wDomainNum) {
    if (gptDB_Form == nullptr) {
        DbsTraceLog("[File:%s Line%d] gptDB_Form is NULL", DBS_HERE);
        return 0;
    }
    DBS_REFUSE_NULL(pchName, 0);
    const uint32_t handle = DBS_TABLE_HANDLE(wTableNo);
    if (wTableNo >= DBS_MAX_TABLES) {
        DBS_TRACE_BAD_TABLE(handle);
        return 0;
    }
    if (gptDB_Form[wTableNo].dwDBHandle != 0) {
        DbsTraceLog("[File: %s, Line: %d] TableNo=%d exists.", DBS_HERE, static_cast<int>(wTableNo));
        return 0;
    }
    if (!NameAndCountAccepted(pchName, wDomainNum)) return 0;
    return FillFormEntry(wTableNo, handle, pchName, wReserved, dwMaxTupleNum, wDomainNum) ? handle : 0;
}

DBS_API uint8_t DbsAddDomain(uint32_t hTable, const char* pchName, char chType, uint16_t wLen, uint8_t bySaveFlag) {
    TagDBForm* form = TableForm(hTable);
    if (form == nullptr) {
        DbsTraceLog("[File: %s, Line: %d] DbsAddDomain's param(Table Handle) is invaild!", DBS_HERE);
        return 0;
    }
    DBS_REFUSE_NULL(pchName, 0);
    const char* table = form->achDBName;
    const uint16_t no = static_cast<uint16_t>(DBS_HANDLE_NO(hTable));
    if (form->ptDomain == nullptr || form->apchDBAddr[0] != nullptr) {
        DbsTraceLog("[File: %s, Line: %d] DbsAddDomain table %s error,storage already allocated.", DBS_HERE, table);
        return 0;
    }
    if (form->byDomainNum >= DomainCapacity(no)) {
        DbsTraceLog("[File: %s, Line: %d] DbsAddDomain table %s error,field %s exceeds the %d fields given at creation.",
                    DBS_HERE, table, pchName, static_cast<int>(DomainCapacity(no)));
        return 0;
    }
    const size_t nameLen = strnlen(pchName, DBS_DOMAIN_NAME_SIZE);
    if (nameLen == 0 || nameLen >= DBS_DOMAIN_NAME_SIZE) {
        DbsTraceLog("[File: %s, Line: %d] DbsAddDomain table %s error,field name %s invalid.", DBS_HERE, table,
                    pchName);
        return 0;
    }
    if (!IsFieldKind(chType)) {
        DbsTraceLog("[File: %s, Line: %d] DbsAddDomain table %s error,field %s kind %c invalid.", DBS_HERE, table,
                    pchName, chType);
        return 0;
    }
    if (wLen == 0) {
        DbsTraceLog("[File: %s, Line: %d] DbsAddDomain table %s error,field %s length is Zero.", DBS_HERE, table,
                    pchName);
        return 0;
    }
    const uint32_t baseLen = form->byDomainNum == 0 ? 1u : form->wTupleLen;
    if (baseLen + wLen > kMaxTupleLen) {
        DbsTraceLog("[File: %s, Line: %d] DbsAddDomain table %s error,field %s makes the record exceed 65535 bytes.",
                    DBS_HERE, table, pchName);
        return 0;
    }

    TagDMForm& dm = form->ptDomain[form->byDomainNum];
    std::memset(&dm, 0, sizeof dm);
    std::memcpy(dm.achDMName, pchName, nameLen);
    dm.chDMType = chType;
    dm.wDMLen = wLen;
    dm.byDMSaveFlag = bySaveFlag;
    if (form->byDomainNum == 0) {
        dm.wDMOffset = 1;
    } else {
        const TagDMForm& prev = form->ptDomain[form->byDomainNum - 1];
        dm.wDMOffset = static_cast<uint16_t>(prev.wDMOffset + prev.wDMLen);
    }
    form->byDomainNum = static_cast<uint8_t>(form->byDomainNum + 1);
    form->wTupleLen = static_cast<uint16_t>(baseLen + wLen);
    form->byDomainNumCopy = form->byDomainNum;
    form->wTupleLenCopy = form->wTupleLen;
    return 1;
}

DBS_API uint8_t DbsAllocMemory(uint32_t dwHandle) {
    if (TagDBForm* form = TableForm(dwHandle)) return AllocTableMemory(*form) ? 1 : 0;
    if (IsValidIndex(dwHandle)) return AllocIndexMemory(dwHandle) ? 1 : 0;
    DbsTraceLog("[File: %s Line: %d] Handle %xH Invalid", DBS_HERE, dwHandle);
    return 0;
}

}  // extern "C"
