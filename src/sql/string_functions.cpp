// The string functions STRLEN, UPPER, LOWER and TRIM. They work on the value's own copy of the text, in place,
// and keep its stored length.
#include <cstring>

#include "sql/value_ops.h"

namespace dbs::sql {

namespace {

void MapLetters(SqlValue& v, bool upper) {
    char* p = v.mutable_bytes();
    if (p == nullptr) return;
    for (uint32_t i = 0; i < v.length() && p[i] != 0; ++i) {
        char c = p[i];
        if (upper && c >= 'a' && c <= 'z') p[i] = static_cast<char>(c - 'a' + 'A');
        if (!upper && c >= 'A' && c <= 'Z') p[i] = static_cast<char>(c - 'A' + 'a');
    }
}

// Trailing blanks become zero bytes, but never the first character: a text of blanks keeps one.
void TrimRight(SqlValue& v) {
    char* p = v.mutable_bytes();
    if (p == nullptr) return;
    size_t n = v.text().size();
    while (n > 1 && p[n - 1] == ' ') p[--n] = 0;
}

}  // namespace

int SqlStringFunction(char letter, SqlValue& v) {
    if (v.type() == DB_NOVAL) return 0;
    if (v.type() != DB_STRING) return kSqlErrExpression;
    switch (letter) {
        case 'L': v.SetInt(static_cast<int32_t>(v.text().size())); break;
        case 'u': MapLetters(v, true); break;
        case 'l': MapLetters(v, false); break;
        case 't': TrimRight(v); break;
        default: return kSqlErrSystem;
    }
    return 0;
}

}  // namespace dbs::sql
