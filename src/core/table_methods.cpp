/*
 * A table's type, flags and method slots, and the dispatchers that run a table's methods.
 *
 * Thirteen method slots hang off every form entry: load and save (defaults installed at creation), insert,
 * update and delete (installed by the catalogue), and a pre- and post-method around each. The dispatchers run
 * them in the documented order and return the last result; a table without any insert method refuses inserts.
 */
#include <cstring>

#include "core/core_state.h"
#include "core/core_trace.h"

namespace dbs::core {
namespace {

// The slot of method number `no` (1..13) in the form entry, as raw bytes (the form is packed, so a slot may sit
// at any address and is written with memcpy); null for other numbers.
void* MethodSlot(TagDBForm& form, uint16_t no) {
    void* slot = nullptr;
    switch (no) {
        case DBS_METHOD_LOAD: slot = &form.pfnLoad; break;
        case DBS_METHOD_SAVE: slot = &form.pfnSave; break;
        case DBS_METHOD_INSERT: slot = &form.pfnInsert; break;
        case DBS_METHOD_UPDATE: slot = &form.pfnUpdate; break;
        case DBS_METHOD_DELETE: slot = &form.pfnDelete; break;
        case DBS_METHOD_PRE_LOAD: slot = &form.pfnPreLoad; break;
        case DBS_METHOD_POST_LOAD: slot = &form.pfnPostLoad; break;
        case DBS_METHOD_PRE_INSERT: slot = &form.pfnPreInsert; break;
        case DBS_METHOD_POST_INSERT: slot = &form.pfnPostInsert; break;
        case DBS_METHOD_PRE_UPDATE: slot = &form.pfnPreUpdate; break;
        case DBS_METHOD_POST_UPDATE: slot = &form.pfnPostUpdate; break;
        case DBS_METHOD_PRE_DELETE: slot = &form.pfnPreDelete; break;
        case DBS_METHOD_POST_DELETE: slot = &form.pfnPostDelete; break;
        default: return nullptr;
    }
    return slot;
}

// Pre-method, method, post-method over one record: a refusing pre-method stops the dispatch, the post-method
// runs only after a successful method, and no method at all is a refusal.
uint8_t DispatchTuple(uint32_t hTable, const void* tuple, DbsTupleMethodFn pre, DbsTupleMethodFn main,
                      DbsTupleMethodFn post) {
    uint8_t result = 0;
    if (pre != nullptr) {
        result = pre(hTable, tuple);
        if (result == 0) return 0;
    }
    if (main != nullptr) {
        result = main(hTable, tuple);
        if (result != 0 && post != nullptr) result = post(hTable, tuple);
    }
    return result;
}

}  // namespace
}  // namespace dbs::core

using namespace dbs::core;

// `form` is the name of the variable the macro declares, so it cannot be parenthesised.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define DBS_DISPATCH_FORM(h, form)                                                   \
    TagDBForm* form = TableForm(h);                                                  \
    if (form == nullptr) {                                                           \
        DbsTraceLog("[File:%s Line%d] Table Handle %x Invalid", DBS_HERE, (h));      \
        return 0;                                                                    \
    }
// NOLINTEND(bugprone-macro-parentheses)

extern "C" {

DBS_API uint8_t DbsSetTableType(uint32_t hTable, uint8_t byType) {
    TagDBForm* form = TableForm(hTable);
    if (form == nullptr) {
        DBS_TRACE_BAD_TABLE(hTable);
        return 0;
    }
    form->byDBType = byType;
    return 1;
}

DBS_API uint8_t DbsSetTableMethod(uint32_t hTable, uint16_t wMethodNo, DbsMethodFn pfnMethod) {
    TagDBForm* form = TableForm(hTable);
    if (form == nullptr) {
        DBS_TRACE_BAD_TABLE(hTable);
        return 0;
    }
    void* slot = MethodSlot(*form, wMethodNo);
    if (slot == nullptr) {
        DbsTraceLog("[File: %s, Line: %d] set table (%xH) method %d error. method invalid.", DBS_HERE, hTable,
                    static_cast<int>(wMethodNo));
        return 0;
    }
    static_assert(sizeof(DbsMethodFn) == sizeof(DbsTupleMethodFn) && sizeof(DbsMethodFn) == sizeof(DbsFormMethodFn));
    std::memcpy(slot, &pfnMethod, sizeof pfnMethod);
    return 1;
}

DBS_API uint8_t DbsSetTableFlag(uint32_t hTable, uint8_t byValue) {
    TagDBForm* form = TableForm(hTable);
    if (form == nullptr) {
        DBS_TRACE_BAD_TABLE(hTable);
        return 0;
    }
    const auto bits = static_cast<uint8_t>(byValue & ~DBS_FLAG_CLEAR);
    if ((byValue & DBS_FLAG_CLEAR) != 0) {
        form->byDBFlag = static_cast<uint8_t>(form->byDBFlag & ~bits);
    } else {
        form->byDBFlag = static_cast<uint8_t>(form->byDBFlag | bits);
    }
    return 1;
}

DBS_API uint8_t DbsInsertRTable(uint32_t hTable, const void* pbyTuple) {
    DBS_DISPATCH_FORM(hTable, form);
    DBS_REFUSE_NULL(pbyTuple, 0);
    return DispatchTuple(hTable, pbyTuple, form->pfnPreInsert, form->pfnInsert, form->pfnPostInsert);
}

DBS_API uint8_t DbsUpdateRTable(uint32_t hTable, const void* pbyTuple) {
    DBS_DISPATCH_FORM(hTable, form);
    DBS_REFUSE_NULL(pbyTuple, 0);
    return DispatchTuple(hTable, pbyTuple, form->pfnPreUpdate, form->pfnUpdate, form->pfnPostUpdate);
}

DBS_API uint8_t DbsDeleteRTable(uint32_t hTable, const void* pbyTuple) {
    DBS_DISPATCH_FORM(hTable, form);
    DBS_REFUSE_NULL(pbyTuple, 0);
    return DispatchTuple(hTable, pbyTuple, form->pfnPreDelete, form->pfnDelete, form->pfnPostDelete);
}

DBS_API uint8_t DbsLoadRTable(uint32_t hTable) {
    DBS_DISPATCH_FORM(hTable, form);
    if (TableBuffer(form, false) == nullptr) return 1;
    uint8_t result = 1;
    if (form->pfnPreLoad != nullptr) result = form->pfnPreLoad(hTable, form);
    if (form->pfnLoad != nullptr) result = form->pfnLoad(hTable, form);
    if (result != 0 && form->pfnPostLoad != nullptr) result = form->pfnPostLoad(hTable, form);
    return result;
}

}  // extern "C"
