// Reading foreign-key strings: splitting off the bracketed filter, comparing a column with a filter literal, and
// building the child key from the column list.
#include <algorithm>
#include <cstring>

#include "catalog/foreign_key.h"
#include "catalog/name_list.h"
#include "catalog/table_view.h"
#include "runtime/trace_log.h"

namespace dbs::catalog {
namespace {

void SkipRun(std::string_view& s, char c) {
    while (!s.empty() && s.front() == c) s.remove_prefix(1);
}
void TrimBack(std::string_view& s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
}

// strtoul on the element text: optional sign, decimal digits, saturating at 0xFFFFFFFF.
uint32_t ElementValue(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        v = std::min<uint64_t>(v * 10 + static_cast<uint64_t>(c - '0'), 0xFFFFFFFFu);
    }
    const auto value = static_cast<uint32_t>(v);
    return negative ? 0u - value : value;
}

}  // namespace

FkParts SplitFkString(std::string_view text) {
    FkParts parts;
    SkipRun(text, ' ');
    if (text.empty() || text.front() != '[') {
        TrimBack(text);
        parts.columns = text;
        return parts;
    }
    const size_t close = text.find(']');
    if (close == std::string_view::npos) {
        parts.malformed = true;
        return parts;
    }
    std::string_view filter = text.substr(0, close);
    std::string_view rest = text.substr(close + 1);
    SkipRun(rest, ' ');
    SkipRun(rest, ',');
    SkipRun(rest, ' ');
    TrimBack(rest);
    while (!filter.empty() && (filter.front() == '[' || filter.front() == ' ')) filter.remove_prefix(1);
    TrimBack(filter);
    parts.hasFilter = true;
    parts.filter = filter;
    parts.columns = rest;
    return parts;
}

bool FkConsFieldCompare(const uint8_t* column, uint16_t len, char type, std::string_view literal) {
    if (type == DBS_KIND_CHAR) {
        if (len == 1) return static_cast<char>(column[0]) == (literal.empty() ? '\0' : literal.front());
        const size_t n = strnlen(reinterpret_cast<const char*>(column), len);
        return literal.size() == n && std::memcmp(column, literal.data(), n) == 0;
    }
    size_t width = 0;
    switch (type) {
        case DBS_KIND_BYTE:
        case DBS_KIND_LOGIC: width = 1; break;
        case DBS_KIND_WORD: width = 2; break;
        case DBS_KIND_DWORD: width = 4; break;
        default:
            DbsTraceLog("[File:%s Line%d] chDMType=%d is Invalid!", DBS_HERE, type);
            return false;
    }
    constexpr size_t kValueBytes = 4096;
    uint8_t values[kValueBytes] = {};
    const size_t limit = kValueBytes / width;
    size_t stored = 0;
    auto store = [&](std::string_view element) {
        const uint32_t v = ElementValue(element);
        std::memcpy(values + stored * width, &v, width);  // little-endian: the low bytes first
        ++stored;
    };

    std::string_view s = literal;
    SkipRun(s, ' ');
    SkipRun(s, ',');
    size_t start = 0, i = 0;
    while (i < s.size() && stored < limit) {
        if (s[i] != ',' && s[i] != ' ') {
            ++i;
            continue;
        }
        store(s.substr(start, i - start));
        while (i < s.size() && s[i] == ' ') ++i;
        while (i < s.size() && s[i] == ',') ++i;
        start = i;
    }
    if (stored < limit && start < s.size()) store(s.substr(start));

    const size_t n = std::min<size_t>(len, kValueBytes);  // a longer column is compared over the array's width
    return std::memcmp(column, values, n) == 0;
}

ColumnKeyResult BuildColumnKey(uint32_t hTable, std::string_view columns, const uint8_t* tuple,
                               uint8_t (&key)[kKeyBufLen], uint16_t* keyLen, uint16_t* badLen) {
    std::memset(key, 0, sizeof key);
    size_t pos = 0, count = 0;
    ColumnKeyResult result = ColumnKeyResult::Ok;
    ForEachName(columns, [&](std::string_view name) {
        if (++count > kMaxListedColumns) {
            result = ColumnKeyResult::TooManyColumns;
            return false;
        }
        char buf[kConsStrLen + 1] = {};
        name.copy(buf, kConsStrLen);
        uint16_t offset = 0, len = 0;
        char type = 0;
        if (!GetFieldProp(hTable, buf, &offset, &type, &len)) {
            result = ColumnKeyResult::UnknownColumn;
            return false;
        }
        if (type == DBS_KIND_CHAR && len > kMaxCharKeyColumn) {
            if (badLen != nullptr) *badLen = len;
            result = ColumnKeyResult::CharColumnTooLong;
            return false;
        }
        if (pos + len > kKeyBufLen) {
            result = ColumnKeyResult::KeyTooLong;
            return false;
        }
        const uint8_t* src = tuple + (offset - 1);
        const size_t n = type == DBS_KIND_CHAR ? strnlen(reinterpret_cast<const char*>(src), len) : len;
        std::memcpy(key + pos, src, n);
        pos += len;
        return true;
    });
    *keyLen = static_cast<uint16_t>(pos);
    return result;
}

bool GetFkConsString(const char* cons, std::string_view* columns) {
    std::string_view s(cons, strnlen(cons, kConsStrLen));
    const size_t close = s.find(']');
    if (close != std::string_view::npos) s.remove_prefix(close + 1);
    SkipRun(s, ' ');
    SkipRun(s, ',');
    TrimBack(s);
    if (columns != nullptr) *columns = s;
    return !s.empty();
}

}  // namespace dbs::catalog
