// SqlEvalExpr: the value of an expression for the current record combination.
//
// A column reference yields its field as the column's type (the first element of an array field) and also owns
// a copy of the field's raw bytes, so that an uncast column arrives in a result row with all its bytes. Operands
// of an operator are evaluated into scratch values of the executor state, which keep their buffers from row to
// row.
#include <cstring>

#include "sql/executor.h"
#include "sql/value_ops.h"

namespace dbs::sql {

namespace {

int Fail(TagSqlParser& ctx, int code) {
    // A division by zero is only stored; the statement fails without a report of its own.
    if (code == kSqlErrDivideByZero) return SqlStoreError(ctx, code);
    return SqlRaiseError(ctx, code, nullptr);
}

int EvalColumn(TagSqlParser& ctx, ExecState& st, const SqlColumnRef& ref, SqlValue& out) {
    if (ref.iTableIndex < 0 || ref.iTableIndex >= ctx.iTableNum) return Fail(ctx, kSqlErrSystem);
    const uint8_t* field = st.from[ref.iTableIndex].pbyRecord + ref.iOffset;
    uint32_t width = static_cast<uint32_t>(ref.iWidth);
    out.SetType(ref.iType);
    TagSqlValue& r = out.raw();
    switch (ref.iType) {
        case DB_ULONG: {
            uint32_t x = 0;
            std::memcpy(&x, field, width < 4 ? width : 4);
            r.ulULong = x;
            break;
        }
        case DB_USHORT: {
            uint16_t x = 0;
            std::memcpy(&x, field, width < 2 ? width : 2);
            r.usUShort = x;
            break;
        }
        case DB_TINYINT: r.byTinyInt = width != 0 ? field[0] : 0; break;
        default: break;
    }
    bool ok = out.AttachBytes(field, width, ref.iType == DB_STRING ? 1 : 0);
    return ok ? 0 : Fail(ctx, kSqlErrNoMemory);
}

int EvalLiteral(TagSqlParser& ctx, const TagSqlValue& lit, SqlValue& out) {
    if (static_cast<uint8_t>(lit.chType) == DB_STRING) {
        const char* p = static_cast<const char*>(lit.pData);
        size_t n = p == nullptr ? 0 : strnlen(p, lit.dwLength);
        return out.SetString({p == nullptr ? "" : p, n}) ? 0 : Fail(ctx, kSqlErrNoMemory);
    }
    out.SetType(static_cast<uint8_t>(lit.chType));
    TagSqlValue& r = out.raw();
    r = lit;
    r.dwLength = 0;
    r.pData = nullptr;
    r.chStorage = DBS_STORAGE_NONE;
    return 0;
}

int EvalLeaf(TagSqlParser& ctx, ExecState& st, const SqlExpr& e, SqlValue& out) {
    switch (e.chLeaf) {
        case 'v': return EvalLiteral(ctx, e.tValue, out);
        case 'f':
            if (e.ptColumn == nullptr) return Fail(ctx, kSqlErrSystem);
            return EvalColumn(ctx, st, *e.ptColumn, out);
        case 'c': {
            AggregateState* agg = st.FindAggregate(e.ptAggregate);
            if (agg == nullptr) return Fail(ctx, kSqlErrSystem);
            return out.CopyFrom(agg->output) ? 0 : Fail(ctx, kSqlErrNoMemory);
        }
        case 'z': {
            if (SqlEvalExpr(ctx, st, e.ptArg, out) != 0) return -1;
            int code = SqlStringFunction(e.chFunc, out);
            return code == 0 ? 0 : Fail(ctx, code);
        }
        case 's': return SqlRaiseError(ctx, kSqlErrSystem, "current version unsupport SUBSTR");
        default: return Fail(ctx, kSqlErrSystem);
    }
}

}  // namespace

int SqlEvalExpr(TagSqlParser& ctx, ExecState& st, const SqlExpr* ptExpr, SqlValue& out) {
    if (ptExpr == nullptr) return Fail(ctx, kSqlErrSystem);
    DepthGuard depth(st);
    if (depth.TooDeep()) return SqlRaiseError(ctx, kSqlErrSystem, "expression nested too deeply");
    const SqlExpr& e = *ptExpr;
    if (e.chKind == 'n') {
        ScratchValue left(st);
        ScratchValue right(st);
        if (SqlEvalExpr(ctx, st, e.ptLeft, *left) != 0) return -1;
        if (SqlEvalExpr(ctx, st, e.ptRight, *right) != 0) return -1;
        int code = SqlArithmetic(e.chOp, *left, *right, out);
        if (code != 0) return Fail(ctx, code);
    } else if (EvalLeaf(ctx, st, e, out) != 0) {
        return -1;
    }
    if (e.chSign == '-') SqlNegate(out);
    return 0;
}

}  // namespace dbs::sql
