// The INSERT driver. Every row becomes a record that starts as zero bytes and receives the row's values in the
// columns named (every column in table order without a list); the record then goes through the checked insert.
// Outside a transaction the statement works on a copy of main memory and publishes it only when every row was
// accepted, so a refused row leaves main memory exactly as it was.
//
// A value must fit its column as it is: a whole number within the range of a numeric column, a string no wider
// than a character column. An array field takes a number as its first element, or a string listing its elements
// ("[1, 2, 3]" or "1 2 3", decimal or 0x hexadecimal). Anything else fails the statement naming column and value.
#include <array>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "runtime/trace_log.h"
#include "sql/executor.h"
#include "sql/value_ops.h"

namespace dbs::sql {

namespace {

// Where one value of a row goes: a field of the table, bound once per statement. A plain record, so that the
// table of them costs nothing to set up.
struct InsertTarget {
    const char* name;
    uint32_t nameSize;   // of the zero-padded name buffer; its length is measured only for an error detail
    uint32_t offset;   // in the record without its status byte
    uint32_t width;
    int type;          // DB_STRING, DB_ULONG, DB_USHORT or DB_TINYINT
};
// A table has at most 255 fields.
using InsertTargets = std::array<InsertTarget, 256>;

// The value as the error detail shows it: a string in quotes (cut after 60 characters), a number, NULL.
void DescribeValue(const SqlValue& v, char (&text)[80]) {
    switch (ClassOf(v.type())) {
        case NumClass::kLong: std::snprintf(text, sizeof text, "%" PRId32, v.AsLong()); return;
        case NumClass::kULong: std::snprintf(text, sizeof text, "%" PRIu32, v.AsULong()); return;
        case NumClass::kDouble: std::snprintf(text, sizeof text, "%.17g", v.AsDouble()); return;
        default: break;
    }
    if (v.type() == DB_STRING) {
        std::string_view t = v.text();
        std::snprintf(text, sizeof text, "'%.*s%s'", static_cast<int>(t.size() > 60 ? 60 : t.size()), t.data(),
                      t.size() > 60 ? "..." : "");
    } else {
        std::snprintf(text, sizeof text, "%s", v.type() == DB_NULL ? "NULL" : "no value");
    }
}

int Refuse(TagSqlParser& ctx, int code, const InsertTarget& col, const SqlValue& v, const char* expected) {
    char text[80];
    DescribeValue(v, text);
    const auto nameLen = static_cast<int>(strnlen(col.name, col.nameSize));
    return SqlRaiseError(ctx, code, "%.*s = %s (%s)", nameLen, col.name, text, expected);
}

// A number as a whole unsigned value, when it is one.
bool WholeValue(const SqlValue& v, uint64_t& out) {
    switch (ClassOf(v.type())) {
        case NumClass::kLong:
            if (v.AsLong() < 0) return false;
            out = static_cast<uint64_t>(v.AsLong());
            return true;
        case NumClass::kULong: out = v.AsULong(); return true;
        case NumClass::kDouble: {
            double d = v.AsDouble();
            if (!(d >= 0 && d <= 4294967295.0) || d != std::floor(d)) return false;
            out = static_cast<uint64_t>(d);
            return true;
        }
        default: return false;
    }
}

void PutUnit(uint8_t* p, uint32_t unit, uint64_t x) {
    // Host byte order, as the record calls take records.
    if (unit == 4) {
        auto u = static_cast<uint32_t>(x);
        std::memcpy(p, &u, 4);
    } else if (unit == 2) {
        auto u = static_cast<uint16_t>(x);
        std::memcpy(p, &u, 2);
    } else {
        *p = static_cast<uint8_t>(x);
    }
}

bool IsListSeparator(char c) { return c == ',' || c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// One element of an array list: decimal or 0x hexadecimal, at most `max`.
bool ParseElement(std::string_view s, uint64_t max, uint64_t& out) {
    uint64_t base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty()) return false;
    uint64_t x = 0;
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        const unsigned char lower = u | 0x20u;
        uint64_t d = 0;
        if (u >= '0' && u <= '9') {
            d = u - uint64_t{'0'};
        } else if (base == 16 && lower >= 'a' && lower <= 'f') {
            d = lower - uint64_t{'a'} + 10;
        } else {
            return false;
        }
        x = x * base + d;
        if (x > max) return false;
    }
    out = x;
    return true;
}

// The elements of an array field from their list; false when an element is no number within range or there are
// more elements than the field holds. Missing elements stay zero.
bool StoreList(std::string_view s, uint8_t* field, uint32_t unit, uint32_t units, uint64_t max) {
    while (!s.empty() && IsListSeparator(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsListSeparator(s.back())) s.remove_suffix(1);
    if (s.size() >= 2 && s.front() == '[' && s.back() == ']') s = s.substr(1, s.size() - 2);
    uint32_t index = 0;
    size_t pos = 0;
    for (;;) {
        while (pos < s.size() && IsListSeparator(s[pos])) ++pos;
        if (pos >= s.size()) return true;
        size_t end = pos;
        while (end < s.size() && !IsListSeparator(s[end])) ++end;
        uint64_t x = 0;
        if (index >= units || !ParseElement(s.substr(pos, end - pos), max, x)) return false;
        PutUnit(field + static_cast<size_t>(index) * unit, unit, x);
        ++index;
        pos = end;
    }
}

// Writes one value into its column of a zeroed record, or fails the statement.
int StoreInsertValue(TagSqlParser& ctx, const InsertTarget& col, const SqlValue& v, uint8_t* record) {
    uint8_t* field = record + col.offset;
    const uint32_t width = col.width;
    if (col.type == DB_STRING) {
        if (v.type() != DB_STRING) return Refuse(ctx, kSqlErrValueType, col, v, "a string expected");
        std::string_view t = v.text();
        if (t.size() > width) {
            char expected[48];
            std::snprintf(expected, sizeof expected, "at most %" PRIu32 " characters", width);
            return Refuse(ctx, kSqlErrLiteral, col, v, expected);
        }
        if (!t.empty()) std::memcpy(field, t.data(), t.size());
        return 0;
    }
    const auto unit = static_cast<uint32_t>(TypeWidth(col.type));
    const uint64_t max = unit == 4 ? 0xFFFFFFFFu : unit == 2 ? 0xFFFFu : 0xFFu;
    const uint32_t units = unit == 0 ? 0 : width / unit;
    auto refuse = [&](int code) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "a whole number from 0 to %" PRIu64 "%s", max,
                      units > 1 ? ", or a list of them" : "");
        return Refuse(ctx, code, col, v, expected);
    };
    if (v.type() == DB_STRING) {
        if (units > 1 && StoreList(v.text(), field, unit, units, max)) return 0;
        return refuse(units > 1 ? kSqlErrLiteral : kSqlErrValueType);
    }
    uint64_t x = 0;
    if (!IsNumericType(v.type())) return refuse(kSqlErrValueType);
    if (units == 0 || !WholeValue(v, x) || x > max) return refuse(kSqlErrLiteral);
    PutUnit(field, unit, x);
    return 0;
}

// The fields the values go to: those of the column list, or every field of the table in order.
int BindTargets(TagSqlParser& ctx, const ExecState& st, InsertTargets& targets) {
    if (ctx.ptInsertColumns != nullptr) {
        size_t n = 0;
        for (const SqlExprList* c = ctx.ptInsertColumns; c != nullptr && n < targets.size(); c = c->ptNext) {
            const SqlColumnRef& ref = *c->ptExpr->ptColumn;
            targets[n++] = InsertTarget{ref.achColumnName, kSqlNameSize, static_cast<uint32_t>(ref.iOffset),
                                        static_cast<uint32_t>(ref.iWidth), ref.iType};
        }
        return 0;
    }
    const TagDBForm form = DbsGetDBForm(ctx.atTable[0].wTableNo);
    if (form.ptDomain == nullptr || form.byDomainNum != ctx.iInsertColumnNum)
        return SqlRaiseError(ctx, kSqlErrSystem, nullptr);
    SqlColumnRef ref{};   // BindColumn sets every part read below
    for (int i = 0; i < form.byDomainNum; ++i) {
        const TagDMForm& f = form.ptDomain[i];
        if (!BindColumn(ref, 0, f.wDMOffset, f.chDMType, f.wDMLen, st.from[0].dwDataLen)) {
            const auto nameLen = static_cast<int>(strnlen(f.achDMName, sizeof f.achDMName));
            return SqlRaiseError(ctx, kSqlErrFieldRef, "%.*s", nameLen, f.achDMName);
        }
        targets[static_cast<size_t>(i)] = InsertTarget{f.achDMName, sizeof f.achDMName,
                                                       static_cast<uint32_t>(ref.iOffset),
                                                       static_cast<uint32_t>(ref.iWidth), ref.iType};
    }
    return 0;
}

int InsertRows(TagSqlParser& ctx, ExecState& st) {
    InsertTargets targets;
    if (BindTargets(ctx, st, targets) != 0) return -1;
    const FromCursor& target = st.from[0];
    for (const SqlInsertRow* row = ctx.ptInsertRows; row != nullptr; row = row->ptNext) {
        std::memset(target.pbyRecord, 0, target.dwDataLen);
        size_t column = 0;
        for (const SqlExprList* value = row->ptValues; value != nullptr && column < targets.size();
             value = value->ptNext, ++column) {
            ScratchValue v(st);
            if (SqlEvalExpr(ctx, st, value->ptExpr, *v) != 0 ||
                StoreInsertValue(ctx, targets[column], *v, target.pbyRecord) != 0)
                return -1;
        }
        if (!DbsSysInsertTabTuple(target.hTable, target.pbyRecord)) {
            DbsTraceLog("[File=%s,Line=%d] ins_insertrecord Error!", DBS_HERE);
            return -1;
        }
    }
    return 0;
}

}  // namespace

int RunInsert(TagSqlParser& ctx, ExecState& st) {
    return AsOneStatement([&] { return InsertRows(ctx, st); });
}

}  // namespace dbs::sql
