// SqlLikeMatch: LIKE patterns, case-sensitive and byte by byte.
//
// "*" matches any run of characters (also none), "?" exactly one; "**" and "??" stand for a literal "*" and "?".
// Pairs are read from left to right, so a pattern splits into the same tokens wherever matching resumes. The
// match keeps only the position of the last single "*" to resume from, which finds the same answer as trying
// every split recursively, in time proportional to text length times pattern length and without recursion.
#include "sql/value_ops.h"

namespace dbs::sql {

namespace {

enum class Tok { kEnd, kStar, kAny, kChar };

struct Token {
    Tok kind;
    char ch;
    int width;
};

Token Read(const char* p) {
    if (*p == 0) return {Tok::kEnd, 0, 0};
    if (p[0] == '*' && p[1] == '*') return {Tok::kChar, '*', 2};
    if (p[0] == '?' && p[1] == '?') return {Tok::kChar, '?', 2};
    if (*p == '*') return {Tok::kStar, 0, 1};
    if (*p == '?') return {Tok::kAny, 0, 1};
    return {Tok::kChar, *p, 1};
}

}  // namespace

int SqlLikeMatch(const char* text, const char* pattern) {
    if (text == nullptr || pattern == nullptr) return -1;
    const char* t = text;
    const char* p = pattern;
    const char* resumePattern = nullptr;  // just after the last single "*"
    const char* resumeText = nullptr;     // where that "*" would take one more character
    for (;;) {
        Token k = Read(p);
        if (*t == 0) {
            if (k.kind == Tok::kEnd) return 1;
            if (k.kind == Tok::kStar && p[1] == 0) return 1;
            return 0;
        }
        if (k.kind == Tok::kStar) {
            if (p[1] == 0) return 1;
            resumePattern = p + 1;
            resumeText = t;
            p += 1;
            continue;
        }
        if (k.kind == Tok::kAny || (k.kind == Tok::kChar && k.ch == *t)) {
            ++t;
            p += k.width;
            continue;
        }
        // Mismatch (or pattern exhausted with text left): let the last "*" take one more character.
        if (resumePattern == nullptr) return 0;
        ++resumeText;
        if (*resumeText == 0) return 0;
        t = resumeText;
        p = resumePattern;
    }
}

}  // namespace dbs::sql
