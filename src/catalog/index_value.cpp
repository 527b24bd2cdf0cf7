// Keys and column properties from the catalogue's point of view: DbsGetIndexValue builds the key of one index
// slot from a whole tuple, GetFieldProp looks a column up by name, and DbsGetKeyDomainNames lists a table's key
// column names from the catalogue list of key columns.
//
// A key is built in the caller's buffer, which is cleared over its given length first; every copy is bounded by
// that length, so a descriptor whose declared key length disagrees with its columns cannot make it overrun.
#include <algorithm>
#include <cstring>

#include "catalog/catalog_lists.h"
#include "catalog/table_view.h"
#include "runtime/trace_log.h"

using dbs::catalog::FindField;
using dbs::catalog::kMaxCharKeyColumn;
using dbs::catalog::kMaxKeyColumns;
using dbs::catalog::SlotIndex;

extern "C" {

DBS_API uint16_t DbsGetIndexValue(uint32_t hTable, uint16_t wIdxNo, const void* pbyTuple, void* pbyKey,
                                  uint16_t wKeyBufLen, uint16_t* pwKeyLen) {
    const TagDBForm* form = dbs::core::TableForm(hTable);
    if (form == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] DbsGetIndexValue Function, TableHandle = %x is error!", DBS_HERE, hTable);
        return DBS_KEY_ERROR;
    }
    if (wIdxNo >= DBS_IDX_SLOTS) {
        DbsTraceLog("[File=%s,Line=%d] DbsGetIndexValue Function, The %dth index is not exist!", DBS_HERE, wIdxNo);
        return DBS_KEY_NO_INDEX;
    }
    if (pbyTuple == nullptr || pbyKey == nullptr || pwKeyLen == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] DbsGetIndexValue Function, The Pointer is null!", DBS_HERE);
        return DBS_KEY_ERROR;
    }
    const TagIdxForm* idx = SlotIndex(form, wIdxNo);
    if (idx == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] DbsGetIndexValue Function, The %dth index is not exist!", DBS_HERE, wIdxNo);
        return DBS_KEY_NO_INDEX;
    }
    const unsigned declaredLen = idx->wIdxEntryLen >= 4 ? idx->wIdxEntryLen - 4u : 0u;
    if (wKeyBufLen < declaredLen) {
        DbsTraceLog("[File=%s,Line=%d] DbsGetIndexValue Function, The index buffer is too small!", DBS_HERE);
        return DBS_KEY_BUF_TOO_SMALL;
    }
    if (idx->byIdxKeyNum > kMaxKeyColumns) {
        DbsTraceLog("[File=%s,Line=%d] ptIdx->byIdxKeyNum = %d more than %d!", DBS_HERE, idx->byIdxKeyNum,
                    static_cast<int>(kMaxKeyColumns));
        return DBS_KEY_ERROR;
    }

    // Resolve the key columns first: nothing is written unless the whole key fits the buffer.
    const TagDMForm* columns[kMaxKeyColumns] = {};
    unsigned keyLen = 0;
    for (unsigned i = 0; i < idx->byIdxKeyNum; ++i) {
        unsigned fieldNo = idx->abyIdxKey[i];
        if (fieldNo == 0 || fieldNo > form->byDomainNum || form->ptDomain == nullptr) {
            DbsTraceLog("[File=%s,Line=%d] DbsGetIndexValue Function, key field %u of the %dth index is not exist!",
                        DBS_HERE, fieldNo, wIdxNo);
            return DBS_KEY_ERROR;
        }
        columns[i] = &form->ptDomain[fieldNo - 1];
        if (columns[i]->chDMType == DBS_KIND_CHAR && columns[i]->wDMLen > kMaxCharKeyColumn) {
            DbsTraceLog("[File=%s,Line=%d] wDMLen is too long!", DBS_HERE);
            return DBS_KEY_ERROR;
        }
        keyLen += columns[i]->wDMLen;
    }
    if (keyLen > wKeyBufLen) {
        DbsTraceLog("[File=%s,Line=%d] DbsGetIndexValue Function, The index buffer is too small!", DBS_HERE);
        return DBS_KEY_BUF_TOO_SMALL;
    }

    auto* key = static_cast<uint8_t*>(pbyKey);
    const auto* tuple = static_cast<const uint8_t*>(pbyTuple);
    std::memset(key, 0, wKeyBufLen);
    unsigned pos = 0;
    for (unsigned i = 0; i < idx->byIdxKeyNum; ++i) {
        const TagDMForm* col = columns[i];
        const uint8_t* src = tuple + (col->wDMOffset - 1);
        size_t n = col->wDMLen;
        if (col->chDMType == DBS_KIND_CHAR) {
            n = strnlen(reinterpret_cast<const char*>(src), n);
        }
        std::memcpy(key + pos, src, n);
        pos += col->wDMLen;
    }
    *pwKeyLen = static_cast<uint16_t>(pos);
    return DBS_KEY_OK;
}

DBS_API uint8_t GetFieldProp(uint32_t hTable, const char* pchField, uint16_t* pwOffset, char* pchType,
                             uint16_t* pwLen) {
    const TagDBForm* form = dbs::core::TableForm(hTable);
    if (form == nullptr) {
        DbsTraceLog("[File:%s Line%d] GetFieldProp: Table Handle %xH Invalid!", DBS_HERE, hTable);
        return 0;
    }
    if (pchField == nullptr) {
        DbsTraceLog("[File:%s Line%d] GetFieldProp: pchField = NULL!", DBS_HERE);
        return 0;
    }
    const TagDMForm* field = FindField(form, pchField);
    if (field == nullptr) {
        DbsTraceLog("[File:%s Line%d] GetFieldProp: Not find field, table:%s, field:%s !", DBS_HERE,
                    form->achDBName, pchField);
        return 0;
    }
    if (pwOffset != nullptr) *pwOffset = field->wDMOffset;
    if (pchType != nullptr) *pchType = field->chDMType;
    if (pwLen != nullptr) *pwLen = field->wDMLen;
    return 1;
}

DBS_API void DbsGetKeyDomainNames(uint32_t hTable, char** ppchNames, uint32_t* pdwCount) {
    if (!dbs::core::IsValidTable(hTable)) {
        DbsTraceLog("[File: %s, Line: %d] Table Handle %xH invalid", DBS_HERE, hTable);
        return;
    }
    if (ppchNames == nullptr || pdwCount == nullptr) {
        DbsTraceLog("[File: %s, Line: %d] DbsGetKeyDomainNames: output pointer is NULL", DBS_HERE);
        return;
    }
    uint32_t count = 0;
    for (uint32_t i = 0; i < gdwSysConsColumnNum; ++i) {
        if (gptSysConsColumn[i].dwTableHandle == hTable) ++count;
    }
    *pdwCount = count;
    if (count == 0) return;

    auto* block = static_cast<char*>(DbsMalloc(static_cast<size_t>(count) * DBS_KEY_NAME_SLOT));
    if (block == nullptr) {
        DbsTraceLog("[File: %s, Line: %d] malloc memory failed", DBS_HERE);
        *pdwCount = 0;  // no block, so no names to walk
        return;
    }
    char* slot = block;
    for (uint32_t i = 0; i < gdwSysConsColumnNum; ++i) {
        const TagSYSCONSCOLUMNTuple& rec = gptSysConsColumn[i];
        if (rec.dwTableHandle != hTable) continue;
        // A slot holds 29 characters and the NUL; longer names are cut.
        size_t n = std::min(strnlen(rec.achDMName, sizeof rec.achDMName), size_t{DBS_KEY_NAME_SLOT - 1});
        std::memcpy(slot, rec.achDMName, n);
        slot[n] = '\0';
        slot += DBS_KEY_NAME_SLOT;
    }
    *ppchNames = block;
}

}  // extern "C"
