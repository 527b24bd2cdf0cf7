// cond_eval: three-valued evaluation of WHERE trees (1 true, 0 false, -1 unknown).
//
// AND stops at a false left side and OR at a true one; XOR always evaluates both. A comparison with the absent
// value is unknown, and NOT leaves unknown comparisons unknown. Any error stored below ends the evaluation with 0
// and the code set, which the drivers turn into a failed statement.
#include "sql/executor.h"
#include "sql/value_ops.h"

namespace dbs::sql {

namespace {

int AndOf(int l, int r) {
    if (l == 0 || r == 0) return 0;
    return (l == 1 && r == 1) ? 1 : -1;
}

int OrOf(int l, int r) {
    if (l == 1 || r == 1) return 1;
    return (l == 0 && r == 0) ? 0 : -1;
}

int XorOf(int l, int r) {
    if (l == -1 || r == -1) return -1;
    return l != r ? 1 : 0;
}

int Negated(int r) { return r == 0 ? 1 : 0; }

bool Failed(const TagSqlParser& ctx) { return ctx.iErrCode != 0; }

// Compares and reports an error of the comparison; returns false on an error.
bool Compare(TagSqlParser& ctx, const SqlValue& a, const SqlValue& b, int& c) {
    int err = 0;
    c = SqlCompareValues(a, b, err);
    if (err != 0) {
        SqlRaiseError(ctx, err, nullptr);
        return false;
    }
    return true;
}

int Comparison(TagSqlParser& ctx, ExecState& st, const SqlPredicate& p) {
    ScratchValue left(st);
    ScratchValue right(st);
    if (SqlEvalExpr(ctx, st, p.ptLeft, *left) != 0) return 0;
    if (SqlEvalExpr(ctx, st, p.ptRight, *right) != 0) return 0;
    int tl = left->type();
    int tr = right->type();
    if ((tl == DB_NOVAL && tr != DB_NULL) || (tr == DB_NOVAL && tl != DB_NULL)) return -1;
    auto plain = [](int t) { return t == DB_STRING || t == DB_NOVAL || t == DB_NULL; };
    if ((tl == DB_STRING && !plain(tr)) || (tr == DB_STRING && !plain(tl))) {
        SqlRaiseError(ctx, kSqlErrCompare, nullptr);
        return 0;
    }
    int c = 0;
    if (!Compare(ctx, *left, *right, c)) return -1;
    int r = 0;
    switch (p.eOp) {
        case PredicateOp::Eq: r = c == 0; break;
        case PredicateOp::Ne: r = c != 0; break;
        case PredicateOp::Lt: r = c < 0; break;
        case PredicateOp::Le: r = c <= 0; break;
        case PredicateOp::Gt: r = c > 0; break;
        case PredicateOp::Ge: r = c >= 0; break;
        default: break;
    }
    return p.byNot ? Negated(r) : r;
}

int Between(TagSqlParser& ctx, ExecState& st, const SqlPredicate& p) {
    ScratchValue v(st);
    ScratchValue low(st);
    ScratchValue high(st);
    if (SqlEvalExpr(ctx, st, p.ptLeft, *v) != 0 || SqlEvalExpr(ctx, st, p.ptLow, *low) != 0 ||
        SqlEvalExpr(ctx, st, p.ptHigh, *high) != 0)
        return 0;
    int c = 0;
    int r = 0;
    if (!Compare(ctx, *v, *low, c)) return 0;
    if (c >= 0) {
        if (!Compare(ctx, *v, *high, c)) return 0;
        r = c <= 0;
    }
    return p.byNot ? Negated(r) : r;
}

int In(TagSqlParser& ctx, ExecState& st, const SqlPredicate& p) {
    ScratchValue v(st);
    ScratchValue item(st);
    if (SqlEvalExpr(ctx, st, p.ptLeft, *v) != 0) return 0;
    int r = 0;
    for (const SqlExprList* e = p.ptInList; e != nullptr && r == 0; e = e->ptNext) {
        if (SqlEvalExpr(ctx, st, e->ptExpr, *item) != 0) return 0;
        int c = 0;
        if (!Compare(ctx, *v, *item, c)) return -1;
        if (c == 0) r = 1;
    }
    return p.byNot ? Negated(r) : r;
}

int Like(TagSqlParser& ctx, ExecState& st, const SqlPredicate& p) {
    ScratchValue v(st);
    if (SqlEvalExpr(ctx, st, p.ptLeft, *v) != 0) return 0;
    if (v->type() != DB_STRING) {
        SqlRaiseError(ctx, kSqlErrValueType, "string needed after keyword LIKE");
        return 0;
    }
    const char* pattern = static_cast<const char*>(p.tPattern.pData);
    int r = SqlLikeMatch(v->bytes(), pattern);
    return p.byNot ? Negated(r) : r;
}

int Predicate(TagSqlParser& ctx, ExecState& st, const SqlPredicate& p) {
    switch (p.eOp) {
        case PredicateOp::Between: return Between(ctx, st, p);
        case PredicateOp::In: return In(ctx, st, p);
        case PredicateOp::Like: return Like(ctx, st, p);
        default: return Comparison(ctx, st, p);
    }
}

int Eval(TagSqlParser& ctx, ExecState& st, const SqlCondition* c) {
    if (c == nullptr) return 1;
    DepthGuard depth(st);
    if (depth.TooDeep()) {
        SqlRaiseError(ctx, kSqlErrSystem, "condition nested too deeply");
        return 0;
    }
    if (c->eConn == Connective::None) {
        if (c->ptPredicate == nullptr) return 1;
        int r = Predicate(ctx, st, *c->ptPredicate);
        return Failed(ctx) ? 0 : r;
    }
    int l = Eval(ctx, st, c->ptLeft);
    if (Failed(ctx)) return 0;
    if (c->eConn == Connective::And && l == 0) return 0;
    if (c->eConn == Connective::Or && l == 1) return 1;
    int r = Eval(ctx, st, c->ptRight);
    if (Failed(ctx)) return 0;
    switch (c->eConn) {
        case Connective::And: return AndOf(l, r);
        case Connective::Or: return OrOf(l, r);
        default: return XorOf(l, r);
    }
}

}  // namespace

int cond_eval(TagSqlParser& ctx, ExecState& st, const SqlCondition* ptCond) {
    ctx.iErrCode = 0;
    st.iDepth = 0;
    return Eval(ctx, st, ptCond);
}

}  // namespace dbs::sql
