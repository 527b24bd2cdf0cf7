// The exported record calls: each plain call works on main memory and its EX twin on secondary memory, both
// through the one implementation in tuple_fields.cpp, tuple_navigation.cpp and tuple_records.cpp.
#include "core/tuple_ops.h"

using dbs::core::Role;
namespace core = dbs::core;

extern "C" {

DBS_API uint8_t DbsSetDomain(uint32_t h, const char* n, const void* p) { return core::SetDomain(Role::Main, h, n, p); }
DBS_API uint8_t DbsSetDomainEX(uint32_t h, const char* n, const void* p) {
    return core::SetDomain(Role::Secondary, h, n, p);
}
DBS_API uint8_t DbsGetDomain(uint32_t h, const char* n, void* p) { return core::GetDomain(Role::Main, h, n, p); }
DBS_API uint8_t DbsGetDomainEX(uint32_t h, const char* n, void* p) { return core::GetDomain(Role::Secondary, h, n, p); }

DBS_API uint8_t DbsSetTupleNo(uint32_t h, uint32_t no) { return core::SetTupleNo(Role::Main, h, no); }
DBS_API uint8_t DbsSetTupleNoEX(uint32_t h, uint32_t no) { return core::SetTupleNo(Role::Secondary, h, no); }
DBS_API uint32_t DbsGetTupleNo(uint32_t h) { return core::GetTupleNo(Role::Main, h); }
DBS_API uint32_t DbsGetTupleNoEX(uint32_t h) { return core::GetTupleNo(Role::Secondary, h); }
DBS_API uint8_t DbsSkipToFirst(uint32_t h) { return core::SkipToFirst(Role::Main, h); }
DBS_API uint8_t DbsSkipToFirstEX(uint32_t h) { return core::SkipToFirst(Role::Secondary, h); }
DBS_API uint8_t DbsSkipToNext(uint32_t h) { return core::SkipToNext(Role::Main, h); }
DBS_API uint8_t DbsSkipToNextEX(uint32_t h) { return core::SkipToNext(Role::Secondary, h); }
DBS_API uint8_t DbsSkipToPrev(uint32_t h) { return core::SkipToPrev(Role::Main, h); }
DBS_API uint8_t DbsSkipToPrevEX(uint32_t h) { return core::SkipToPrev(Role::Secondary, h); }

DBS_API uint8_t DbsGetTuple(uint32_t h, void* p) { return core::GetTuple(Role::Main, h, p); }
DBS_API uint8_t DbsGetTupleEX(uint32_t h, void* p) { return core::GetTuple(Role::Secondary, h, p); }
DBS_API uint8_t DbsSetTuple(uint32_t h, const void* p) { return core::SetTuple(Role::Main, h, p); }
DBS_API uint8_t DbsSetTupleEX(uint32_t h, const void* p) { return core::SetTuple(Role::Secondary, h, p); }
DBS_API uint32_t DbsGetTupleNum(uint32_t h) { return core::GetTupleNum(Role::Main, h); }
DBS_API uint32_t DbsGetTupleNumEX(uint32_t h) { return core::GetTupleNum(Role::Secondary, h); }
DBS_API uint8_t DbsAppendTuple(uint32_t h) { return core::AppendTuple(Role::Main, h); }
DBS_API uint8_t DbsAppendTupleEX(uint32_t h) { return core::AppendTuple(Role::Secondary, h); }
DBS_API uint8_t DbsDeleteTuple(uint32_t h) { return core::DeleteTuple(Role::Main, h); }
DBS_API uint8_t DbsDeleteTupleEX(uint32_t h) { return core::DeleteTuple(Role::Secondary, h); }

DBS_API uint16_t DbsGetTupleLen(uint32_t hTable) {
    const TagDBForm* form = core::TableForm(hTable);
    if (form == nullptr) {
        DBS_TRACE_BAD_TABLE(hTable);
        return 0;
    }
    return form->wTupleLen == 0 ? 0 : static_cast<uint16_t>(form->wTupleLen - 1);
}

}  // extern "C"
