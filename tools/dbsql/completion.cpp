/* Tab completion. Statement words include those that are keywords only where they stand (INSERT, INTO,
   VALUES, GROUP, HAVING), so that they complete like every other. */
#include "completion.h"

#include <algorithm>
#include <cctype>

#include "table_access.h"

namespace dbsql {

namespace {

constexpr const char* kSqlWords[] = {
    "AND",    "ASC",    "ASCENDING", "AVG",    "BETWEEN", "BY",     "COUNT",  "DELETE", "DESC",   "DESCENDING",
    "EXISTS", "FROM",   "GROUP",     "HAVING", "IN",      "INSERT", "INTO",   "LIKE",   "LOWER",  "MAX",
    "MIN",    "NOT",    "NULL",      "OR",     "ORDER",   "SELECT", "SET",    "STRLEN", "SUM",    "TRIM",
    "UPDATE", "UPPER",  "VALUES",    "WHERE",  "XOR",
};

constexpr const char* kCommands[] = {".begin",  ".commit", ".count", ".exit", ".export", ".help", ".import", ".load",
                                     ".mode",   ".qdb",    ".quit",  ".rollback", ".save", ".schema", ".tables",
                                     ".trace"};

bool StartsWithNoCase(std::string_view word, std::string_view prefix) {
    return word.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), word.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
           });
}

}  // namespace

std::vector<std::string> Completions(std::string_view prefix) {
    std::vector<std::string> out;
    if (!prefix.empty() && prefix.front() == '.') {
        for (const char* c : kCommands)
            if (std::string_view(c).starts_with(prefix)) out.emplace_back(c);
        return out;
    }
    const bool lower = !prefix.empty() && std::islower(static_cast<unsigned char>(prefix.front()));
    for (const char* w : kSqlWords) {
        if (!StartsWithNoCase(w, prefix)) continue;
        std::string word = w;
        if (lower)
            std::transform(word.begin(), word.end(), word.begin(),
                           [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
        out.push_back(std::move(word));
    }
    for (const TableInfo& t : ListTables()) {
        if (t.name.starts_with(prefix)) out.push_back(t.name);
        for (const FieldInfo& f : t.fields)
            if (f.name.starts_with(prefix)) out.push_back(f.name);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

}  // namespace dbsql
