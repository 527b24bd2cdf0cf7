// The UPDATE driver: for every record whose condition is not false, all SET values are computed first (so that
// SET a = b, b = a exchanges two columns), written into a copy of the record converted to their columns' types,
// and the record goes to the checked update. Publishing follows the DELETE driver: a statement of its own outside
// a transaction, swapped only when every record was accepted.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "runtime/trace_log.h"
#include "sql/executor.h"
#include "sql/value_ops.h"

namespace dbs::sql {

namespace {

// A number stored into a character column is written as its decimal text.
void NumberAsText(const SqlValue& v, char (&text)[40], size_t& len) {
    int n = 0;
    switch (ClassOf(v.type())) {
        case NumClass::kLong: n = std::snprintf(text, sizeof text, "%" PRId32, v.AsLong()); break;
        case NumClass::kULong: n = std::snprintf(text, sizeof text, "%" PRIu32, v.AsULong()); break;
        case NumClass::kDouble: n = std::snprintf(text, sizeof text, "%.17g", v.AsDouble()); break;
        default: break;
    }
    len = n > 0 ? static_cast<size_t>(n) : 0;
}

// Writes one SET value into the record at its column: at most the column's width; a shorter string is followed
// by one zero byte and the rest of the column keeps its old bytes.
void StoreValue(uint8_t* field, const SqlColumnRef& col, SqlValue& v) {
    SqlConvertValue(v, col.iType);
    uint32_t width = static_cast<uint32_t>(col.iWidth);
    const void* src = nullptr;
    size_t size = 0;
    char text[40];
    char slot[8] = {};
    if (col.iType == DB_STRING && IsNumericType(v.type())) {
        NumberAsText(v, text, size);
        src = text;
    } else if (v.type() == DB_STRING) {
        std::string_view t = v.text();
        src = t.data();
        size = t.size();
    } else if (v.OwnsBytes()) {
        src = v.bytes();
        size = v.length();
    } else {
        size = ValueWidth(v);
        if (size > sizeof slot) size = sizeof slot;
        WriteValueBytes(v, slot, static_cast<uint32_t>(size));
        src = slot;
    }
    size_t n = size < width ? size : width;
    if (n != 0) std::memcpy(field, src, n);
    if ((col.iType == DB_STRING || v.type() == DB_STRING) && n < width) field[n] = 0;
}

// The primary key of a record; false for a table without a primary index.
struct PrimaryKey {
    uint8_t bytes[DBS_KEY_BUF_LEN];
    uint16_t len = 0;
    bool Read(uint32_t hTable, const uint8_t* record) {
        return DbsGetIndexValue(hTable, 0, record, bytes, sizeof bytes, &len) == DBS_KEY_OK;
    }
    bool operator==(const PrimaryKey& o) const { return len == o.len && std::memcmp(bytes, o.bytes, len) == 0; }
};

int upd_updaterecord(TagSqlParser& ctx, ExecState& st) {
    uint32_t h = st.from[0].hTable;
    uint8_t* record = st.from[0].pbyRecord;
    PrimaryKey before;
    bool keyed = before.Read(h, record);
    for (int i = 0; i < ctx.iSetNum; ++i) {
        const SqlColumnRef* col = ctx.atSet[i].ptColumn;
        if (col == nullptr || col->iTableIndex != 0) return SqlRaiseError(ctx, kSqlErrFieldRef, nullptr);
        StoreValue(record + col->iOffset, *col, st.set[i]);
    }
    // The checked update finds the stored record by the primary key of the record it is given. A changed key
    // would make it overwrite another record holding the new key, or refuse when there is none, so a change of
    // the primary key is refused here for every record alike.
    PrimaryKey after;
    if (keyed && (!after.Read(h, record) || !(after == before))) {
        DbsTraceLog("[File=%s,Line=%d] upd_updaterecord: the primary key of table %s cannot change!", DBS_HERE,
                    ctx.atTable[0].achTableName);
        DbsTraceLog("[File=%s,Line=%d] upd_updaterecord Error!", DBS_HERE);
        return -1;
    }
    if (!DbsSysUpdateTabTuple(h, record)) {
        DbsTraceLog("[File=%s,Line=%d] upd_updaterecord Error!", DBS_HERE);
        return -1;
    }
    return 0;
}

}  // namespace

int RunUpdate(TagSqlParser& ctx, ExecState& st) {
    return ChangeMatchingRecords(ctx, st, [](TagSqlParser& c, ExecState& s) {
        for (int i = 0; i < c.iSetNum; ++i) {
            if (SqlEvalExpr(c, s, c.atSet[i].ptExpr, s.set[i]) != 0) return -1;
        }
        return upd_updaterecord(c, s);
    });
}

}  // namespace dbs::sql
