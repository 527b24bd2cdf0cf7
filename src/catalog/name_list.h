// Comma-separated name lists of constraint strings (foreign-key columns, mutex tables): the whole list loses its
// leading and trailing blanks, the names are split at commas and otherwise kept as they stand (a blank after a
// comma belongs to the next name).
#pragma once

#include <cstring>
#include <string_view>

#include "catalog/catalog_limits.h"

namespace dbs::catalog {

// The NUL-terminated text of a 100-byte constraint field without its leading and trailing blanks.
inline std::string_view TrimList(const char* text) {
    std::string_view s(text, strnlen(text, kConsStrLen));
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// Calls fn(name) for each name in order while it returns true; returns false when fn stopped the walk.
template <typename Fn>
bool ForEachName(std::string_view list, Fn&& fn) {
    size_t start = 0;
    while (true) {
        size_t comma = list.find(',', start);
        std::string_view name = list.substr(start, comma == std::string_view::npos ? list.npos : comma - start);
        if (!fn(name)) return false;
        if (comma == std::string_view::npos) return true;
        start = comma + 1;
    }
}

}  // namespace dbs::catalog
