// Column resolution: binds every column reference of a statement to a FROM table and to the offset, width and
// type of its field, after the whole statement is parsed (a column may name a table written later).
#include <cstring>

#include "runtime/trace_log.h"
#include "sql/executor.h"

namespace dbs::sql {

namespace {

int TypeOfKind(char kind) {
    switch (kind) {
        case DBS_KIND_CHAR: return DB_STRING;
        case DBS_KIND_DWORD: return DB_ULONG;
        case DBS_KIND_WORD: return DB_USHORT;
        default: return DB_TINYINT;  // 'N' and 'L'
    }
}

bool SameName(const char* a, const char* b) { return std::strncmp(a, b, kSqlNameSize) == 0; }

int FailReference(TagSqlParser& ctx, const SqlColumnRef& ref) {
    return SqlRaiseError(ctx, kSqlErrFieldRef, "%.*s", static_cast<int>(kSqlNameSize), ref.achColumnName);
}

}  // namespace

int GetFieldIndex(uint16_t wTableNo, const char* pchTableName, const char* pchField) {
    TagDBForm form = DbsGetDBForm(wTableNo);
    if (form.ptDomain != nullptr) {
        for (int i = 0; i < form.byDomainNum; ++i) {
            if (std::strncmp(form.ptDomain[i].achDMName, pchField, DBS_DOMAIN_NAME_SIZE) == 0) return i;
        }
    }
    DbsTraceLog("[File:%s Line%d] GetFieldIndex: Not find field, table:%s, field:%s !", DBS_HERE, pchTableName,
                pchField);
    return -1;
}

bool BindColumn(SqlColumnRef& ref, int iTableIndex, uint16_t offset, char kind, uint16_t width, uint32_t dataLen) {
    // A field must lie inside the record that the scan reads, or its bytes could not be read safely.
    if (offset == 0 || static_cast<uint32_t>(offset - 1) + width > dataLen) return false;
    ref.iTableIndex = iTableIndex;
    ref.iWidth = width;
    ref.iOffset = offset - 1;
    ref.iType = TypeOfKind(kind);
    return true;
}

int ResolveColumns(TagSqlParser& ctx) {
    for (SqlColumnRef* ref = ctx.ptColumnFirst; ref != nullptr; ref = ref->ptNext) {
        int found = -1;
        if (ref->achTableName[0] != 0) {
            for (int i = 0; i < ctx.iTableNum && found < 0; ++i) {
                if (!SameName(ref->achTableName, ctx.atTable[i].achTableName)) continue;
                if (GetFieldIndex(ctx.atTable[i].wTableNo, ctx.atTable[i].achTableName, ref->achColumnName) < 0)
                    return FailReference(ctx, *ref);
                found = i;
            }
        } else {
            for (int i = 0; i < ctx.iTableNum && found < 0; ++i) {
                if (GetFieldIndex(ctx.atTable[i].wTableNo, ctx.atTable[i].achTableName, ref->achColumnName) >= 0)
                    found = i;
            }
            if (found >= 0) std::memcpy(ref->achTableName, ctx.atTable[found].achTableName, kSqlNameSize);
        }
        if (found < 0) return FailReference(ctx, *ref);

        uint32_t hTable = DBS_TABLE_HANDLE(ctx.atTable[found].wTableNo);
        uint16_t offset = 0;
        uint16_t width = 0;
        char kind = 0;
        if (GetFieldProp(hTable, ref->achColumnName, &offset, &kind, &width) == 0 ||
            !BindColumn(*ref, found, offset, kind, width, DbsGetTupleLen(hTable)))
            return FailReference(ctx, *ref);
    }
    return 0;
}

}  // namespace dbs::sql
