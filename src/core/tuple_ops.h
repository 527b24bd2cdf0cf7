// The record calls, each written once and parameterised by the buffer role; the exported plain calls pass
// Role::Main and their EX twins Role::Secondary. Each validates the table handle first ("Table Handle %xH
// Invalid" and the failure result), refuses null pointers, never touches the other buffer, and leaves the
// store unchanged on failure except where positioning moves the cursor as documented.
#pragma once

#include <cstdint>
#include <utility>

#include "core/core_trace.h"
#include "core/tuple_buffer.h"

namespace dbs::core {

// Runs `fn` on the role's buffer of a valid table handle; an invalid handle is traced and gives 0, and so does
// a form whose role names no buffer number.
template <typename Fn>
auto WithTupleBuffer(Role role, uint32_t hTable, Fn fn) -> decltype(fn(std::declval<TupleBuffer&>())) {
    TagDBForm* form = TableForm(hTable);
    if (form == nullptr) {
        DBS_TRACE_BAD_TABLE(hTable);
        return 0;
    }
    TupleBuffer buf(*form, role);
    if (!buf.HasNumber()) return 0;
    return fn(buf);
}

uint8_t SetDomain(Role role, uint32_t hTable, const char* name, const void* src);
uint8_t GetDomain(Role role, uint32_t hTable, const char* name, void* dst);

uint8_t SetTupleNo(Role role, uint32_t hTable, uint32_t tupleNo);
uint32_t GetTupleNo(Role role, uint32_t hTable);
uint8_t SkipToFirst(Role role, uint32_t hTable);
uint8_t SkipToNext(Role role, uint32_t hTable);
uint8_t SkipToPrev(Role role, uint32_t hTable);

uint8_t GetTuple(Role role, uint32_t hTable, void* dst);
uint8_t SetTuple(Role role, uint32_t hTable, const void* src);
uint32_t GetTupleNum(Role role, uint32_t hTable);
uint8_t AppendTuple(Role role, uint32_t hTable);
uint8_t DeleteTuple(Role role, uint32_t hTable);

}  // namespace dbs::core
