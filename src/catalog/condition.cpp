// The condition language of check constraints.
//
// A condition is a comma-separated list of terms (">=N", ">N", "<=N", "<N", "N-M", "N-", "N"); the value passes
// when any term holds. Terms are collected character by character keeping only what the grammar can use, so
// blanks and stray characters may stand anywhere; numbers read like a 32-bit string-to-long conversion
// (saturating at 2147483647, an empty number reads 0) and compare as unsigned 32-bit values.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "catalog/catalog_limits.h"
#include "catalog/constraint_checks.h"
#include "runtime/trace_log.h"

namespace dbs::catalog {
namespace {

constexpr size_t kTermBufLen = 128;
constexpr uint32_t kLongMax = 2147483647u;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the leading decimal digits at `text` (none reads 0); `end` receives the position after them.
uint32_t ReadNumber(const char* text, const char** end) {
    uint32_t value = 0;
    while (IsDigit(*text)) {
        uint32_t digit = static_cast<uint32_t>(*text - '0');
        value = value > (kLongMax - digit) / 10 ? kLongMax : value * 10 + digit;
        ++text;
    }
    if (end != nullptr) *end = text;
    return value;
}

// Evaluates one collected term (only digits, a leading '<' or '>', an '=' after it and '-' after digits).
bool TermHolds(uint32_t v, const char* term) {
    if (term[0] == '>' || term[0] == '<') {
        const bool orEqual = term[1] == '=';
        const uint32_t n = ReadNumber(term + (orEqual ? 2 : 1), nullptr);
        if (term[0] == '>') return orEqual ? v >= n : v > n;
        return orEqual ? v <= n : v < n;
    }
    const char* rest = nullptr;
    const uint32_t n = ReadNumber(term, &rest);
    if (*rest == '-') {
        if (rest[1] == '\0') return false;  // "N-": an open range never holds
        const uint32_t m = ReadNumber(rest + 1, nullptr);
        return v >= std::min(n, m) && v <= std::max(n, m);
    }
    return v == n;
}

}  // namespace

bool CheckSearchCondition(uint32_t value, const char* condition) {
    if (condition == nullptr) {
        DbsTraceLog("SearchCondition = NULL!");
        return false;
    }
    const size_t len = strnlen(condition, kConsStrLen);
    char term[kTermBufLen];
    size_t kept = 0;
    for (size_t i = 0; i <= len; ++i) {
        const char c = i < len ? condition[i] : '\0';
        if (c == ',' || c == '\0') {
            if (kept == 0) continue;  // nothing collected yet: the comma is dropped
            term[kept] = '\0';
            if (TermHolds(value, term)) return true;
            kept = 0;
            continue;
        }
        if (kept + 1 >= kTermBufLen) continue;  // cannot happen with a 100-byte condition
        const char last = kept > 0 ? term[kept - 1] : '\0';
        const bool keep = IsDigit(c) || ((c == '>' || c == '<') && kept == 0) ||
                          (c == '=' && (last == '>' || last == '<')) || (c == '-' && IsDigit(last));
        if (keep) term[kept++] = c;
    }
    return false;
}

}  // namespace dbs::catalog
