// SqlCompareValues: the one ordering that WHERE predicates, MIN, MAX and BETWEEN share.
//
// NULL and the absent value equal each other and sort below everything; strings compare byte by byte; numbers are
// widened to their class first (signed, unsigned or double) and a mixed signed/unsigned pair compares unsigned.
#include <cstring>

#include "sql/value_ops.h"

namespace dbs::sql {

namespace {

bool IsNullish(int type) { return type == DB_NOVAL || type == DB_NULL; }

template <typename T>
int Sign(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }

int CompareTexts(const SqlValue& a, const SqlValue& b) {
    if (a.bytes() == nullptr || b.bytes() == nullptr) return (a.bytes() == nullptr && b.bytes() == nullptr) ? 0 : 1;
    std::string_view x = a.text();
    std::string_view y = b.text();
    size_t n = x.size() < y.size() ? x.size() : y.size();
    int c = n == 0 ? 0 : std::memcmp(x.data(), y.data(), n);
    if (c != 0) return c < 0 ? -1 : 1;
    return Sign(x.size(), y.size());
}

}  // namespace

int SqlCompareValues(const SqlValue& a, const SqlValue& b, int& err) {
    int ta = a.type();
    int tb = b.type();
    if (IsNullish(ta)) return IsNullish(tb) ? 0 : -1;
    if (IsNullish(tb)) return 1;
    if (ta == DB_STRING && tb == DB_STRING) return CompareTexts(a, b);
    NumClass ca = ClassOf(ta);
    NumClass cb = ClassOf(tb);
    if ((ta == DB_STRING && cb != NumClass::kNone) || (tb == DB_STRING && ca != NumClass::kNone)) {
        err = kSqlErrCompare;
        return 0;
    }
    if (ca == NumClass::kNone || cb == NumClass::kNone) {
        err = kSqlErrSystem;
        return 0;
    }
    if (ca == NumClass::kDouble || cb == NumClass::kDouble) return Sign(a.AsDouble(), b.AsDouble());
    if (ca == NumClass::kLong && cb == NumClass::kLong) return Sign(a.AsLong(), b.AsLong());
    return Sign(a.AsULong(), b.AsULong());
}

}  // namespace dbs::sql
