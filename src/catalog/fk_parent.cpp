// The parent side of foreign keys, run before a parent tuple is deleted: every child tuple whose filter holds and
// whose key (from the listed columns) equals the parent's key either refuses the delete (restricting keys) or is
// deleted first through the checked delete (cascading keys), which cascades further on its own.
//
// Cascades nest through DbsSysDeleteTabTuple; a depth limit stops a cycle of cascading keys before it exhausts
// the stack. A tuple that refers to itself (a key of a table onto itself) is not its own child: it neither
// blocks its own delete nor cascades into itself. The child table's cursor is restored after each nested delete, so that a cascade that walks the
// same table (a key that refers to its own table) does not make the outer walk skip or repeat tuples.
#include <cstring>

#include "catalog/foreign_key.h"
#include "catalog/table_view.h"
#include "runtime/trace_log.h"

namespace dbs::catalog {
namespace {

int gCascadeDepth = 0;

struct DepthGuard {
    DepthGuard() { ++gCascadeDepth; }
    ~DepthGuard() { --gCascadeDepth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
};

}  // namespace

bool DbsSysFkConsDeleteCheck(const TagSYSCONSTRAINTSTuple* cons, const char* consStr, const uint8_t* parentTuple,
                             int mode) {
    if (cons == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] ptCons is NULL!", DBS_HERE);
        return false;
    }
    if (consStr == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] pchConsStr is NULL!", DBS_HERE);
        return false;
    }
    if (parentTuple == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] pbyTuple is NULL!", DBS_HERE);
        return false;
    }
    const uint32_t hChild = cons->dwTableHandle;
    const uint32_t n = DbsGetTupleNumEX(hChild);
    if (n == 0) return true;

    char text[kConsStrLen + 1] = {};
    std::memcpy(text, consStr, strnlen(consStr, kConsStrLen));
    std::string_view columns;
    if (!GetFkConsString(text, &columns)) {
        DbsTraceLog("[File=%s,Line=%d] GetFkConsString Fail !", DBS_HERE);
        return false;
    }
    const TagDBForm* child = dbs::core::TableForm(hChild);
    if (child == nullptr || !TupleFitsBuffer(child)) {
        DbsTraceLog("[File=%s,Line=%d] R_SYSCONSTRAINTS config error: %s!", DBS_HERE, text);
        return false;
    }
    // Resolve the listed columns once; a key built later from them cannot fail on a name.
    {
        uint8_t probe[kKeyBufLen];
        uint16_t probeLen = 0, badLen = 0;
        static const uint8_t kZeroTuple[kTupleBufLen] = {};
        switch (BuildColumnKey(hChild, columns, kZeroTuple, probe, &probeLen, &badLen)) {
            case ColumnKeyResult::Ok:
                break;
            case ColumnKeyResult::UnknownColumn:
                DbsTraceLog("[File=%s,Line=%d] R_SYSCONSTRAINTS config error: %s!", DBS_HERE, text);
                return false;
            case ColumnKeyResult::CharColumnTooLong:
                DbsTraceLog("[File=%s,Line=%d] wLen=%d is too long!", DBS_HERE, badLen);
                return false;
            case ColumnKeyResult::TooManyColumns:
            case ColumnKeyResult::KeyTooLong:
                DbsTraceLog("[File=%s,Line=%d] R_SYSCONSTRAINTS config error: %s, more than %d columns or %d key "
                            "bytes!", DBS_HERE, text, static_cast<int>(kMaxListedColumns),
                            static_cast<int>(kKeyBufLen));
                return false;
        }
        if (probeLen == 0) {
            DbsTraceLog("[File=%s,Line=%d] DbsSysFkConsDeleteCheck: wOffset == 0!", DBS_HERE);
            return false;
        }
    }
    const auto slot = static_cast<uint16_t>(cons->dwRelIndexHandle - 4u * cons->dwRelTableHandle);
    if (slot > DBS_IDX_SLOTS - 1) {
        DbsTraceLog("[File=%s,Line=%d] wIndexNo=%d is big than IDX_FOURTH!", DBS_HERE, slot);
        return false;
    }
    uint8_t parentKey[kKeyBufLen];
    uint16_t parentLen = 0;
    if (DbsGetIndexValue(cons->dwRelTableHandle, slot, parentTuple, parentKey, sizeof parentKey, &parentLen) !=
        DBS_KEY_OK) {
        DbsTraceLog("[File=%s,Line=%d] DbsSysFkConsDeleteCheck: get Index fail!\n", DBS_HERE);
        return false;
    }

    // A key of a table onto itself: the parent tuple is met among the children and must not hold itself.
    uint8_t selfKey[kKeyBufLen];
    uint16_t selfLen = 0;
    const bool selfReference = hChild == cons->dwRelTableHandle &&
                               DbsGetIndexValue(hChild, 0, parentTuple, selfKey, sizeof selfKey, &selfLen) == DBS_KEY_OK;
    auto isParentItself = [&](const uint8_t* tuple) {
        uint8_t key[kKeyBufLen];
        uint16_t len = 0;
        return selfReference && DbsGetIndexValue(hChild, 0, tuple, key, sizeof key, &len) == DBS_KEY_OK &&
               std::memcmp(key, selfKey, len) == 0;
    };

    if (!DbsSkipToFirstEX(hChild)) return true;
    uint8_t childTuple[kTupleBufLen];
    for (uint32_t step = 0; step < n; ++step) {
        if (DbsGetTupleEX(hChild, childTuple) == 1 && !isParentItself(childTuple) &&
            FkConsValueCheck(hChild, childTuple, text, nullptr)) {
            uint8_t childKey[kKeyBufLen];
            uint16_t childLen = 0;
            BuildColumnKey(hChild, columns, childTuple, childKey, &childLen, nullptr);
            if (std::memcmp(parentKey, childKey, childLen) == 0) {
                if (mode != DBS_CONS_FK_CASCADE) return false;
                if (gCascadeDepth >= kMaxCascadeDepth) {
                    DbsTraceLog("[File=%s,Line=%d] DbsSysFkConsDeleteCheck: Cascade delete deeper than %d levels, "
                                "delete refused!", DBS_HERE, kMaxCascadeDepth);
                    return false;
                }
                const uint32_t cursor = DbsGetTupleNoEX(hChild);
                bool deleted;
                {
                    DepthGuard guard;
                    deleted = DbsSysDeleteTabTuple(hChild, childTuple) == 1;
                }
                DbsSetTupleNoEX(hChild, cursor);
                if (!deleted) {
                    DbsTraceLog("[File=%s,Line=%d] DbsSysFkConsDeleteCheck: Cascade delete child table fail!",
                                DBS_HERE);
                    return false;
                }
                DbsTraceLog("[File=%s,Line=%d] DbsSysFkConsDeleteCheck: Cascade delete child table succ!", DBS_HERE);
            }
        }
        if (!DbsSkipToNextEX(hChild)) break;
    }
    return true;
}

}  // namespace dbs::catalog
