/*
 * Single-field access to the current record: DbsSetDomain / DbsGetDomain and their EX twins.
 *
 * The field is found by exact name in field order. Field access neither reads nor changes the slot's status
 * byte, so a field written into a free slot stays invisible until the slot is brought into use.
 */
#include <cstring>

#include "core/core_trace.h"
#include "core/dirty_pages.h"
#include "core/tuple_ops.h"

namespace dbs::core {
namespace {

const TagDMForm* FindDomain(const TagDBForm& form, const char* name) {
    if (form.ptDomain == nullptr) return nullptr;
    for (uint32_t k = 0; k < form.byDomainNum; ++k) {
        const TagDMForm& dm = form.ptDomain[k];
        if (std::strncmp(dm.achDMName, name, DBS_DOMAIN_NAME_SIZE) == 0) return &dm;
    }
    return nullptr;
}

// The bytes of `dm` in the current record of `buf`, or null (with a trace line) when there is no current record
// or the field does not lie inside the slot.
char* CurrentFieldBytes(const TupleBuffer& buf, const TagDMForm& dm) {
    const char* table = buf.Form().achDBName;
    if (!buf.Exists()) {
        DbsTraceLog("[File: %s, Line: %d] table %s is null.", DBS_HERE, table);
        return nullptr;
    }
    if (!buf.InRange(buf.Cursor())) {
        DbsTraceLog("[File: %s, Line: %d] table %s has no current record.", DBS_HERE, table);
        return nullptr;
    }
    if (dm.wDMOffset == 0 || size_t{dm.wDMOffset} + dm.wDMLen > buf.SlotLen()) {
        DbsTraceLog("[File: %s, Line: %d] field %s of table %s lies outside the record.", DBS_HERE, dm.achDMName,
                    table);
        return nullptr;
    }
    return buf.Slot(buf.Cursor()) + dm.wDMOffset;
}

}  // namespace

uint8_t SetDomain(Role role, uint32_t hTable, const char* name, const void* src) {
    TagDBForm* form = TableForm(hTable);
    if (form == nullptr) {
        DBS_TRACE_BAD_TABLE(hTable);
        return 0;
    }
    DBS_REFUSE_NULL(name, 0);
    DBS_REFUSE_NULL(src, 0);
    const TagDMForm* dm = FindDomain(*form, name);
    if (dm == nullptr) {
        DbsTraceLog("[File: %s, Line: %d]  field %s not in table %s.", DBS_HERE, name, form->achDBName);
        return 0;
    }
    const TupleBuffer buf(*form, role);
    char* bytes = CurrentFieldBytes(buf, *dm);
    if (bytes == nullptr) return 0;
    std::memcpy(bytes, src, dm->wDMLen);
    NoteTableWriteIn(buf.TableNo(), buf.No(), buf.SlotOffset(buf.Cursor()) + dm->wDMOffset, dm->wDMLen);
    return 1;
}

uint8_t GetDomain(Role role, uint32_t hTable, const char* name, void* dst) {
    TagDBForm* form = TableForm(hTable);
    if (form == nullptr) {
        DBS_TRACE_BAD_TABLE(hTable);
        return 0;
    }
    DBS_REFUSE_NULL(name, 0);
    DBS_REFUSE_NULL(dst, 0);
    const TagDMForm* dm = FindDomain(*form, name);
    if (dm == nullptr) {
        DbsTraceLog("[File: %s, Line: %d] field %s not in table %s.", DBS_HERE, name, form->achDBName);
        return 0;
    }
    const char* bytes = CurrentFieldBytes(TupleBuffer(*form, role), *dm);
    if (bytes == nullptr) return 0;
    std::memcpy(dst, bytes, dm->wDMLen);
    return 1;
}

}  // namespace dbs::core
