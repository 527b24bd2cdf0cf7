/*
 * Keyword and function tables. The keyword table is checked at compile time to be sorted in the order of the
 * same case-insensitive comparison that the binary search uses, so the search can never miss an entry.
 */
#include "sql/keywords.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

#include "sql/lexer.h"

namespace dbs::sql {
namespace {

constexpr char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// <0, 0, >0 like a case-insensitive strcmp.
constexpr int CompareNoCase(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(Lower(a[i]));
        unsigned char cb = static_cast<unsigned char>(Lower(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

struct Keyword {
    std::string_view spelling;
    int iToken;
};

constexpr Keyword kKeywords[] = {
    {"AND", kTokAnd},
    {"ASC", kTokAsc},
    {"ASCENDING", kTokAsc},
    {"BETWEEN", kTokBetween},
    {"BY", kTokBy},
    {"DB_DOUBLE", kTokDouble},
    {"DB_FLOAT", kTokFloat},
    {"DB_INT", kTokInt},
    {"DB_LONG", kTokLong},
    {"DB_SHORT", kTokShort},
    {"DB_TINYINT", kTokTinyInt},
    {"DB_UINT", kTokUInt},
    {"DB_ULONG", kTokULong},
    {"DB_USHORT", kTokUShort},
    {"DELETE", kTokDelete},
    {"DESC", kTokDesc},
    {"DESCENDING", kTokDesc},
    {"DOUBLE", kTokDouble},
    {"EQ", kTokEq},
    {"EXISTS", kTokExists},
    {"FLOAT", kTokFloat},
    {"FROM", kTokFrom},
    {"GE", kTokGe},
    {"GT", kTokGt},
    {"IN", kTokIn},
    {"INT", kTokInt},
    {"LE", kTokLe},
    {"LIKE", kTokLike},
    {"LONG", kTokLong},
    {"LT", kTokLt},
    {"NE", kTokNe},
    {"NOT", kTokNot},
    {"NULL", kTokNull},
    {"OR", kTokOr},
    {"ORDER", kTokOrder},
    {"SELECT", kTokSelect},
    {"SET", kTokSet},
    {"SHORT", kTokShort},
    {"SUBSTR", kTokSubstr},
    {"TINYINT", kTokTinyInt},
    {"UINT", kTokUInt},
    {"ULONG", kTokULong},
    {"UPDATE", kTokUpdate},
    {"USHORT", kTokUShort},
    {"WHERE", kTokWhere},
    {"XOR", kTokXor},
};
static_assert(std::size(kKeywords) == 46);

constexpr bool IsSorted() {
    for (size_t i = 1; i < std::size(kKeywords); ++i) {
        if (CompareNoCase(kKeywords[i - 1].spelling, kKeywords[i].spelling) >= 0) return false;
    }
    return true;
}
static_assert(IsSorted(), "the keyword table must stay sorted for the binary search");

constexpr FunctionInfo kFunctions[] = {
    {"AVG", 'c', 'a'},   {"COUNT", 'c', 'C'}, {"DAY", 'D', 'A'},  {"LOWER", 'z', 'l'}, {"MAX", 'c', 'M'},
    {"MIN", 'c', 'm'},   {"MONTH", 'D', 'o'}, {"STRLEN", 'z', 'L'}, {"SUM", 'c', 's'}, {"TRIM", 'z', 't'},
    {"UPPER", 'z', 'u'}, {"WEEKDAY", 'D', 'w'}, {"YEAR", 'D', 'y'},
};
static_assert(std::size(kFunctions) == 13);

// For each letter, the range of the keywords that begin with it (the table is sorted, so they stand together);
// a word is searched for only among those.
struct LetterRange {
    uint8_t lo = 0, hi = 0;
};
constexpr std::array<LetterRange, 26> MakeLetterRanges() {
    std::array<LetterRange, 26> ranges{};
    for (size_t i = 0; i < std::size(kKeywords); ++i) {
        LetterRange& r = ranges[static_cast<size_t>(Lower(kKeywords[i].spelling[0]) - 'a')];
        if (r.hi == 0) r.lo = static_cast<uint8_t>(i);
        r.hi = static_cast<uint8_t>(i + 1);
    }
    return ranges;
}
constexpr std::array<LetterRange, 26> kByLetter = MakeLetterRanges();

}  // namespace

bool EqualNoCase(std::string_view a, std::string_view b) { return CompareNoCase(a, b) == 0; }

int LookupKeyword(std::string_view word) {
    if (word.empty()) return 0;
    const char first = Lower(word[0]);
    if (first < 'a' || first > 'z') return 0;   // every keyword begins with a letter
    size_t lo = kByLetter[static_cast<size_t>(first - 'a')].lo;
    size_t hi = kByLetter[static_cast<size_t>(first - 'a')].hi;
    while (lo < hi) {
        size_t mid = lo + (hi - lo) / 2;
        int c = CompareNoCase(word, kKeywords[mid].spelling);
        if (c == 0) return kKeywords[mid].iToken;
        if (c < 0) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    return 0;
}

const FunctionInfo* LookupFunction(std::string_view word) {
    if (word.empty()) return nullptr;
    const char first = Lower(word[0]);
    for (const FunctionInfo& f : kFunctions) {
        // The first letter settles most names without measuring the function's name.
        if (Lower(f.pchName[0]) == first && EqualNoCase(word, f.pchName)) return &f;
    }
    return nullptr;
}

}  // namespace dbs::sql
