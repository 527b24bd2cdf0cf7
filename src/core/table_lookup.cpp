/*
 * Read-only lookups over the table form: handles by number or name, the descriptor by value, and a table's
 * name, type and fields. None of them changes any state; each refusal writes one trace line and returns 0,
 * null or an all-zero descriptor.
 */
#include <cstring>

#include "core/core_state.h"
#include "core/core_trace.h"

using namespace dbs::core;

extern "C" {

DBS_API uint32_t DbsGetDBHandle(uint16_t wTableNo) {
    if (wTableNo >= DBS_MAX_TABLES) {
        DbsTraceLog("[File:%s Line%d] gptDB_Form Item %d Exceed", DBS_HERE, static_cast<int>(wTableNo));
        return 0;
    }
    if (gptDB_Form == nullptr) {
        DbsTraceLog("[File:%s Line%d] gptDB_Form is NULL", DBS_HERE);
        return 0;
    }
    return gptDB_Form[wTableNo].dwDBHandle;
}

DBS_API TagDBForm DbsGetDBForm(uint16_t wTableNo) {
    TagDBForm copy;
    std::memset(&copy, 0, sizeof copy);
    if (wTableNo >= DBS_MAX_TABLES) {
        DbsTraceLog("[File:%s Line%d] gptDB_Form Item %d Exceed", DBS_HERE, static_cast<int>(wTableNo));
        return copy;
    }
    if (gptDB_Form == nullptr) {
        DbsTraceLog("[File:%s Line%d] gptDB_Form is NULL", DBS_HERE);
        return copy;
    }
    std::memcpy(&copy, &gptDB_Form[wTableNo], sizeof copy);
    return copy;
}

DBS_API uint32_t DbsGetTableHandle(const char* pchTableName) {
    if (gptDB_Form == nullptr) {
        DBS_TRACE_DIRECT("DbsGetTableHandle get unexcept error");
        return 0;
    }
    DBS_REFUSE_NULL(pchTableName, 0);
    for (uint32_t no = 0; no < DBS_MAX_TABLES; ++no) {
        const TagDBForm& form = gptDB_Form[no];
        if (form.dwDBHandle != 0 && std::strncmp(form.achDBName, pchTableName, DBS_TABLE_NAME_SIZE) == 0) {
            return form.dwDBHandle;
        }
    }
    return 0;
}

DBS_API const char* DbsGetTableName(uint32_t hTable) {
    const TagDBForm* form = TableForm(hTable);
    if (form == nullptr) {
        DBS_TRACE_BAD_TABLE(hTable);
        return nullptr;
    }
    return form->achDBName;
}

DBS_API uint8_t DbsGetTableType(uint32_t hTable) {
    const TagDBForm* form = TableForm(hTable);
    if (form == nullptr) {
        DBS_TRACE_BAD_TABLE(hTable);
        return 0;
    }
    return form->byDBType;
}

DBS_API uint8_t DbsGetDomainNum(uint32_t hTable) {
    const TagDBForm* form = TableForm(hTable);
    if (form == nullptr) {
        DBS_TRACE_BAD_TABLE(hTable);
        return 0;
    }
    return form->byDomainNum;
}

DBS_API const TagDMForm* DbsGetDomainName(uint32_t hTable, uint8_t byDomainNo) {
    const TagDBForm* form = TableForm(hTable);
    if (form == nullptr) {
        DBS_TRACE_BAD_TABLE(hTable);
        return nullptr;
    }
    if (byDomainNo >= form->byDomainNum || form->ptDomain == nullptr) {
        DbsTraceLog("[File:%s Line%d] Domain No %d of table %s Invalid", DBS_HERE, static_cast<int>(byDomainNo),
                    form->achDBName);
        return nullptr;
    }
    return &form->ptDomain[byDomainNo];
}

DBS_API uint16_t DbsGetTableNum(void) { return gwTableNum; }

}  // extern "C"

