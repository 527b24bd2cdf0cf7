// Choosing the access path of each FROM table, and finding the candidate records of an index path.
//
// Two questions decide. First, is the whole condition free of failures and trace lines whatever record it meets?
// Only then may the scan skip records, because a skipped record could otherwise have stopped the statement.
// That is settled from the types alone: no division, no function, no aggregate, no comparison of a string with a
// number, no LIKE on anything but a string. Second, which key columns do AND-ed equalities fix, and to which
// exact key bytes? A column equals a value exactly when their comparison says so, so the key bytes follow the
// comparison's own rules (unsigned comparison of a number with a 'D' or 'W' column, texts up to their first zero
// byte); a constant that is no exact value of the column (a fraction, a negative number, a number out of the
// column's range, a text longer than the column) leaves its equality unused.
#include "sql/access_path.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/core_state.h"
#include "core/index_kind.h"
#include "core/index_prefix.h"
#include "sql/exec_state.h"
#include "sql/executor.h"

namespace dbs::sql {

namespace {

std::atomic<bool> gIndexPaths{true};

// Deepest condition and expression nesting the planner follows; deeper trees are scanned (evaluation refuses
// trees nested more than kMaxEvalDepth levels, and such a refusal must stay where the full walk meets it).
constexpr int kMaxPlannedDepth = 200;

// What an expression yields, by type alone.
enum class VClass : uint8_t { Long, ULong, Double, String, Null, NoVal, Unsafe };

bool IsNumber(VClass c) { return c == VClass::Long || c == VClass::ULong || c == VClass::Double; }

VClass LiteralClass(const TagSqlValue& v) {
    switch (static_cast<uint8_t>(v.chType)) {
        case DB_LONG: return VClass::Long;
        case DB_ULONG: return VClass::ULong;
        case DB_DOUBLE: return VClass::Double;
        case DB_STRING: return VClass::String;
        case DB_NULL: return VClass::Null;
        default: return VClass::Unsafe;
    }
}

VClass ColumnClass(int type) {
    switch (type) {
        case DB_STRING: return VClass::String;
        case DB_ULONG:
        case DB_USHORT: return VClass::ULong;
        case DB_TINYINT: return VClass::Long;
        default: return VClass::Unsafe;
    }
}

// The class of an expression, and the FROM tables whose columns it reads (bit i for table i). Unsafe when its
// evaluation could fail on some record.
VClass ExprClass(const SqlExpr* e, int depth, unsigned& tables) {
    if (e == nullptr || depth > kMaxPlannedDepth) return VClass::Unsafe;
    VClass c = VClass::Unsafe;
    if (e->chKind == 'n') {
        if (e->chOp != '+' && e->chOp != '-' && e->chOp != '*') return VClass::Unsafe;
        VClass l = ExprClass(e->ptLeft, depth + 1, tables);
        VClass r = ExprClass(e->ptRight, depth + 1, tables);
        if (l == VClass::Unsafe || r == VClass::Unsafe) return VClass::Unsafe;
        if (!IsNumber(l) || !IsNumber(r)) c = VClass::NoVal;
        else if (l == VClass::Double || r == VClass::Double) c = VClass::Double;
        else c = (l == VClass::Long && r == VClass::Long) ? VClass::Long : VClass::ULong;
    } else if (e->chKind == 'l' && e->chLeaf == 'v') {
        c = LiteralClass(e->tValue);
    } else if (e->chKind == 'l' && e->chLeaf == 'f') {
        const SqlColumnRef* ref = e->ptColumn;
        if (ref == nullptr || ref->iTableIndex < 0 || ref->iTableIndex >= kMaxFromTables) return VClass::Unsafe;
        tables |= 1u << ref->iTableIndex;
        c = ColumnClass(ref->iType);
    } else {
        return VClass::Unsafe;  // aggregates, string functions, SUBSTR
    }
    if (e->chSign == '-' && c == VClass::ULong) c = VClass::Long;
    return c;
}

// Comparing two values of these classes cannot fail: only a string against a number does.
bool Comparable(VClass a, VClass b) {
    return !((a == VClass::String && IsNumber(b)) || (b == VClass::String && IsNumber(a)));
}

bool SafePredicate(const SqlPredicate& p, int depth) {
    unsigned tables = 0;
    VClass v = ExprClass(p.ptLeft, depth, tables);
    if (v == VClass::Unsafe) return false;
    auto against = [&](const SqlExpr* x) {
        VClass o = ExprClass(x, depth, tables);
        return o != VClass::Unsafe && Comparable(v, o);
    };
    switch (p.eOp) {
        case PredicateOp::Between: return against(p.ptLow) && against(p.ptHigh);
        case PredicateOp::In:
            for (const SqlExprList* e = p.ptInList; e != nullptr; e = e->ptNext) {
                if (!against(e->ptExpr)) return false;
            }
            return true;
        case PredicateOp::Like: return v == VClass::String && p.tPattern.pData != nullptr;
        default: return against(p.ptRight);
    }
}

bool SafeCondition(const SqlCondition* c, int depth) {
    if (c == nullptr) return true;
    if (depth > kMaxPlannedDepth) return false;
    if (c->eConn == Connective::None) return c->ptPredicate == nullptr || SafePredicate(*c->ptPredicate, depth + 1);
    return SafeCondition(c->ptLeft, depth + 1) && SafeCondition(c->ptRight, depth + 1);
}

// Calls fn on every predicate that the top of the condition AND-s together.
template <typename Fn>
void ForEachConjunct(const SqlCondition* c, Fn&& fn) {
    if (c == nullptr) return;
    if (c->eConn == Connective::And) {
        ForEachConjunct(c->ptLeft, fn);
        ForEachConjunct(c->ptRight, fn);
    } else if (c->eConn == Connective::None && c->ptPredicate != nullptr) {
        fn(*c->ptPredicate);
    }
}

// The column a plain reference names (no sign), or null.
const SqlColumnRef* PlainColumn(const SqlExpr* e) {
    if (e == nullptr || e->chKind != 'l' || e->chLeaf != 'f' || e->chSign != '+') return nullptr;
    return e->ptColumn;
}

enum class KeyFit { Exact, NoMatch };

// The key bytes of a column of `type` and `width` that compare equal to v, following the comparison's rules.
// With `strict` (constants) only values that are the column's own values fit; otherwise (values of the earlier
// tables' records) whatever the comparison calls equal does.
KeyFit KeyBytes(const SqlValue& v, int type, uint16_t width, bool strict, uint8_t* dst) {
    if (type == DB_STRING) {
        if (v.type() != DB_STRING) return KeyFit::NoMatch;
        std::string_view t = v.text();
        if (t.size() > width) return KeyFit::NoMatch;
        std::memset(dst, 0, width);
        if (!t.empty()) std::memcpy(dst, t.data(), t.size());
        return KeyFit::Exact;
    }
    uint32_t max = type == DB_ULONG ? 0xFFFFFFFFu : (type == DB_USHORT ? 0xFFFFu : 0xFFu);
    uint32_t x = 0;
    switch (ClassOf(v.type())) {
        case NumClass::kLong: {
            int32_t s = v.AsLong();
            // A signed column (one byte) compares signed; 'D' and 'W' columns compare unsigned.
            if (s < 0 && (strict || type == DB_TINYINT)) return KeyFit::NoMatch;
            x = static_cast<uint32_t>(s);
            break;
        }
        case NumClass::kULong: x = v.AsULong(); break;
        case NumClass::kDouble: {
            double d = v.AsDouble();
            if (!(d >= 0 && d <= static_cast<double>(max)) || std::floor(d) != d) return KeyFit::NoMatch;
            x = static_cast<uint32_t>(d);
            break;
        }
        default: return KeyFit::NoMatch;
    }
    if (x > max) return KeyFit::NoMatch;
    if (type == DB_ULONG) {
        std::memcpy(dst, &x, 4);
    } else if (type == DB_USHORT) {
        auto w = static_cast<uint16_t>(x);
        std::memcpy(dst, &w, 2);
    } else {
        dst[0] = static_cast<uint8_t>(x);
    }
    return KeyFit::Exact;
}

// The SQL type of a key field when equality on it can go through the key bytes; 0 when not (arrays, and
// one-byte kinds wider than a byte, compare only their first element).
int KeyFieldType(const TagDMForm& f) {
    switch (f.chDMType) {
        case DBS_KIND_CHAR: return DB_STRING;
        case DBS_KIND_DWORD: return f.wDMLen == 4 ? DB_ULONG : 0;
        case DBS_KIND_WORD: return f.wDMLen == 2 ? DB_USHORT : 0;
        case DBS_KIND_BYTE:
        case DBS_KIND_LOGIC: return f.wDMLen == 1 ? DB_TINYINT : 0;
        default: return 0;
    }
}

bool SameColumn(const SqlColumnRef* ref, int table, const TagDMForm& f) {
    return ref != nullptr && ref->iTableIndex == table && ref->iOffset == f.wDMOffset - 1 && ref->iWidth == f.wDMLen;
}

// Evaluates a constant into its key bytes; false when it does not fit exactly.
bool ConstantKey(TagSqlParser& ctx, ExecState& st, const SqlExpr* e, int type, uint16_t width, uint8_t* dst) {
    ScratchValue v(st);
    st.iDepth = 0;
    if (SqlEvalExpr(ctx, st, e, *v) != 0) {
        ctx.iErrCode = 0;
        return false;
    }
    return KeyBytes(*v, type, width, true, dst) == KeyFit::Exact;
}

// An equality fixing key field f of FROM table t: to a constant (its bytes written at dst) or to an expression
// over earlier tables. False when the condition holds none.
bool FindEquality(TagSqlParser& ctx, ExecState& st, int t, const TagDMForm& f, KeyTerm& term, uint8_t* dst) {
    bool found = false;
    ForEachConjunct(ctx.ptWhere, [&](const SqlPredicate& p) {
        if (found || p.eOp != PredicateOp::Eq || p.byNot) return;
        for (int side = 0; side < 2 && !found; ++side) {
            const SqlExpr* col = side == 0 ? p.ptLeft : p.ptRight;
            const SqlExpr* val = side == 0 ? p.ptRight : p.ptLeft;
            if (!SameColumn(PlainColumn(col), t, f)) continue;
            unsigned tables = 0;
            VClass c = ExprClass(val, 0, tables);
            bool fits = term.iColumnType == DB_STRING ? c == VClass::String : IsNumber(c);
            if (!fits || (tables >> t) != 0) continue;
            if (tables == 0) {
                if (!ConstantKey(ctx, st, val, term.iColumnType, term.wWidth, dst)) continue;
                term.bConstant = true;
            } else {
                // A join value is taken as it comes; a double could be NaN, which equals everything.
                if (c == VClass::Double) continue;
                term.bConstant = false;
            }
            term.ptValue = val;
            found = true;
        }
    });
    return found;
}

// An IN list of constants on key field f of table t, every item an exact key; its keys go to path.inKeys.
bool FindInList(TagSqlParser& ctx, ExecState& st, int t, const TagDMForm& f, TablePath& path) {
    bool found = false;
    int type = KeyFieldType(f);
    ForEachConjunct(ctx.ptWhere, [&](const SqlPredicate& p) {
        if (found || p.eOp != PredicateOp::In || p.byNot || !SameColumn(PlainColumn(p.ptLeft), t, f)) return;
        path.inKeys.clear();
        uint8_t key[256];
        for (const SqlExprList* e = p.ptInList; e != nullptr; e = e->ptNext) {
            unsigned tables = 0;
            VClass c = ExprClass(e->ptExpr, 0, tables);
            bool fits = type == DB_STRING ? c == VClass::String : IsNumber(c);
            if (!fits || tables != 0 || !ConstantKey(ctx, st, e->ptExpr, type, f.wDMLen, key)) return;
            path.inKeys.insert(path.inKeys.end(), key, key + f.wDMLen);
        }
        path.ptIn = &p;
        found = true;
    });
    return found;
}

// Score of a path: a whole key beats an IN list, which beats a range; longer ranges beat shorter ones.
int Score(const TablePath& p) {
    switch (p.eKind) {
        case PathKind::Lookup: return 100;
        case PathKind::InList: return 50;
        case PathKind::Range: return p.byFixed;
        default: return 0;
    }
}

// The best use of index `slot` of table t, or a Scan path.
void PlanIndex(TagSqlParser& ctx, ExecState& st, int t, uint8_t slot, TablePath& path) {
    path.eKind = PathKind::Scan;
    path.byFixed = 0;
    path.wPrefixLen = 0;
    const TagDBForm* form = dbs::core::TableForm(st.from[t].hTable);
    if (form == nullptr || form->ptDomain == nullptr) return;
    const TagIdxForm* idx = dbs::core::IndexForm(form->adwIdxHandle[slot]);
    if (idx == nullptr || dbs::core::GroupOf(*idx) != dbs::core::IndexGroup::Sorted) return;
    if (idx->byIdxKeyNum == 0 || idx->byIdxKeyNum > 8 || idx->wIdxEntryLen - 4u > sizeof path.abyKey) return;
    path.hIndex = idx->dwIdxHandle;
    path.bySlot = slot;
    path.byKeyColumns = idx->byIdxKeyNum;
    path.wKeyLen = static_cast<uint16_t>(idx->wIdxEntryLen - 4u);
    PathKind kind = PathKind::Scan;
    uint32_t offset = 0;
    bool fixing = true;
    for (uint8_t k = 0; k < idx->byIdxKeyNum; ++k) {
        uint8_t no = idx->abyIdxKey[k];
        if (no == 0 || no > form->byDomainNum) return;
        const TagDMForm& f = form->ptDomain[no - 1];
        if (offset + f.wDMLen > path.wKeyLen) return;
        KeyTerm& term = path.atTerm[k];
        term = KeyTerm{};
        term.iColumnType = KeyFieldType(f);
        term.wOffset = static_cast<uint16_t>(offset);
        term.wWidth = f.wDMLen;
        if (fixing && term.iColumnType != 0 && FindEquality(ctx, st, t, f, term, path.abyKey + offset)) {
            ++path.byFixed;
            path.wPrefixLen = static_cast<uint16_t>(offset + f.wDMLen);
        } else if (fixing) {
            fixing = false;
            if (k + 1 == idx->byIdxKeyNum && term.iColumnType != 0 && FindInList(ctx, st, t, f, path)) {
                path.tInColumn = term;
                kind = PathKind::InList;
            }
        }
        offset += f.wDMLen;
    }
    if (offset != path.wKeyLen) return;
    if (path.byFixed == path.byKeyColumns) kind = PathKind::Lookup;
    else if (kind != PathKind::InList && path.byFixed > 0) kind = PathKind::Range;
    path.eKind = kind;
}

bool CandidateSink(void* ctx, uint32_t tupleNo) {
    static_cast<std::vector<uint32_t>*>(ctx)->push_back(tupleNo);
    return true;
}

const char* FieldName(uint32_t hTable, const TablePath& p, int k) {
    const TagDBForm* form = dbs::core::TableForm(hTable);
    const TagIdxForm* idx = dbs::core::IndexForm(p.hIndex);
    if (form == nullptr || idx == nullptr || form->ptDomain == nullptr) return "?";
    uint8_t no = idx->abyIdxKey[k];
    return (no == 0 || no > form->byDomainNum) ? "?" : form->ptDomain[no - 1].achDMName;
}

}  // namespace

void SetIndexPathsEnabled(bool enabled) { gIndexPaths.store(enabled, std::memory_order_relaxed); }
bool IndexPathsEnabled() { return gIndexPaths.load(std::memory_order_relaxed); }

void PlanAccess(TagSqlParser& ctx, ExecState& st) {
    AccessPlan& plan = st.plan;
    plan.bIndexed = false;
    for (int i = 0; i < kMaxFromTables; ++i) plan.table[i].eKind = PathKind::Scan;
    if (!IndexPathsEnabled() || ctx.ptWhere == nullptr || !SafeCondition(ctx.ptWhere, 0)) return;
    TablePath& trial = plan.trial;
    for (int t = 0; t < ctx.iTableNum; ++t) {
        TablePath& best = plan.table[t];
        for (uint8_t slot = 0; slot < DBS_IDX_SLOTS; ++slot) {
            PlanIndex(ctx, st, t, slot, trial);
            if (Score(trial) > Score(best)) std::swap(trial, best);
        }
        if (best.eKind != PathKind::Scan) plan.bIndexed = true;
    }
}

void FindCandidates(TagSqlParser& ctx, ExecState& st, int i) {
    TablePath& p = st.plan.table[i];
    p.candidates.clear();
    p.iNext = 0;
    uint8_t key[sizeof p.abyKey];
    std::memcpy(key, p.abyKey, p.wKeyLen);
    for (uint8_t k = 0; k < p.byFixed; ++k) {
        const KeyTerm& term = p.atTerm[k];
        if (term.bConstant) continue;
        if (const SqlColumnRef* ref = PlainColumn(term.ptValue); ref != nullptr) {
            // A column of an earlier table: its bytes are the key's, or its text up to the first zero byte.
            const uint8_t* field = st.from[ref->iTableIndex].pbyRecord + ref->iOffset;
            if (ref->iType == term.iColumnType && term.iColumnType != DB_STRING && ref->iWidth == term.wWidth) {
                std::memcpy(key + term.wOffset, field, term.wWidth);
                continue;
            }
            if (ref->iType == DB_STRING && term.iColumnType == DB_STRING) {
                size_t n = strnlen(reinterpret_cast<const char*>(field), static_cast<size_t>(ref->iWidth));
                if (n > term.wWidth) return;
                std::memcpy(key + term.wOffset, field, n);
                std::memset(key + term.wOffset + n, 0, term.wWidth - n);
                continue;
            }
        }
        ScratchValue v(st);
        st.iDepth = 0;
        if (SqlEvalExpr(ctx, st, term.ptValue, *v) != 0) {
            ctx.iErrCode = 0;
            return;
        }
        if (KeyBytes(*v, term.iColumnType, term.wWidth, false, key + term.wOffset) != KeyFit::Exact) return;
    }
    const TagIdxForm* idx = dbs::core::IndexForm(p.hIndex);
    if (idx == nullptr) return;
    uint8_t b = st.bSecondary ? idx->byIdxSecondAddrPtr : idx->byIdxMainAddrPtr;
    switch (p.eKind) {
        case PathKind::Lookup:
            dbs::core::VisitKeyPrefix(p.hIndex, b, key, p.wKeyLen, CandidateSink, &p.candidates);
            return;
        case PathKind::Range:
            dbs::core::VisitKeyPrefix(p.hIndex, b, key, p.wPrefixLen, CandidateSink, &p.candidates);
            break;
        case PathKind::InList: {
            size_t w = p.tInColumn.wWidth;
            for (size_t at = 0; at + w <= p.inKeys.size(); at += w) {
                std::memcpy(key + p.tInColumn.wOffset, p.inKeys.data() + at, w);
                dbs::core::VisitKeyPrefix(p.hIndex, b, key, p.wKeyLen, CandidateSink, &p.candidates);
            }
            break;
        }
        default: return;
    }
    std::sort(p.candidates.begin(), p.candidates.end());
    p.candidates.erase(std::unique(p.candidates.begin(), p.candidates.end()), p.candidates.end());
}

size_t DescribePlan(const TagSqlParser& ctx, const ExecState& st, char* out, size_t size) {
    size_t need = 0;
    auto put = [&](const char* text) {
        size_t len = std::strlen(text);
        if (out != nullptr && need < size) std::memcpy(out + need, text, std::min(len, size - need));
        need += len;
    };
    char number[32];
    for (int i = 0; i < ctx.iTableNum; ++i) {
        const TablePath& p = st.plan.table[i];
        uint32_t h = st.from[i].hTable;
        put(ctx.atTable[i].achTableName);
        if (p.eKind == PathKind::Scan) {
            put(": scan\n");
            continue;
        }
        std::snprintf(number, sizeof number, ": index %d (", p.bySlot);
        put(number);
        for (int k = 0; k < p.byKeyColumns; ++k) {
            if (k != 0) put(", ");
            put(FieldName(h, p, k));
        }
        put(")");
        bool join = false;
        for (int k = 0; k < p.byFixed; ++k) join = join || !p.atTerm[k].bConstant;
        if (p.eKind == PathKind::Lookup) {
            put(" lookup");
        } else if (p.eKind == PathKind::InList) {
            size_t w = p.tInColumn.wWidth == 0 ? 1 : p.tInColumn.wWidth;
            std::snprintf(number, sizeof number, " lookup of %zu keys (IN list)", p.inKeys.size() / w);
            put(number);
        } else {
            put(" range on ");
            for (int k = 0; k < p.byFixed; ++k) {
                if (k != 0) put(", ");
                put(FieldName(h, p, k));
            }
        }
        if (join) put(", per row of the tables before it");
        put("\n");
    }
    if (out != nullptr && size > 0) out[need < size ? need : size - 1] = 0;
    return need;
}

}  // namespace dbs::sql
