// The mutex-table check: a table whose mutex record lists other tables may take a tuple only while every listed
// table is empty in secondary memory. Only the table's first mutex record counts.
#include <cstring>
#include <string_view>

#include "catalog/catalog_lists.h"
#include "catalog/constraint_checks.h"
#include "catalog/name_list.h"
#include "runtime/trace_log.h"

namespace dbs::catalog {

bool DbsMutexTableCheck(uint32_t hTable) {
    const TagSYSCONSTRAINTSTuple* rec = nullptr;
    for (uint32_t i = 0; i < gdwSysMutexTabNum && rec == nullptr; ++i) {
        if (gptSysMutexTab[i].dwTableHandle == hTable) rec = &gptSysMutexTab[i];
    }
    if (rec == nullptr) return true;

    char list[kConsStrLen + 1] = {};
    std::memcpy(list, rec->achSearchCondition, sizeof rec->achSearchCondition);
    const std::string_view names = TrimList(list);
    list[(names.data() - list) + names.size()] = '\0';  // the list as printed: trailing blanks removed
    if (names.empty()) {
        DbsTraceLog("[File=%s,Line=%d] Table[%x]: Mutex Table String is Empty!", DBS_HERE, hTable);
        return false;
    }
    bool ok = true;
    ForEachName(names, [&](std::string_view name) {
        char buf[kConsStrLen + 1] = {};
        name.copy(buf, kConsStrLen);
        const uint32_t other = DbsGetTableHandle(buf);
        if (other == 0) {
            DbsTraceLog("[File=%s,Line=%d] Table[%x]: Mutex Table String is Error, %s!", DBS_HERE, hTable, list);
            ok = false;
        } else if (DbsGetTupleNumEX(other) > 0) {
            DbsTraceLog("[File=%s,Line=%d] Table[%d]: Mutex Table[%s] is not empty!", DBS_HERE,
                        static_cast<int>(DBS_HANDLE_NO(hTable)), buf);
            ok = false;
        }
        return ok;
    });
    return ok;
}

}  // namespace dbs::catalog
