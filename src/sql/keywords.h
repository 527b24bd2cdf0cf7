// The keyword and function-name tables of the SQL dialect.
//
// Keywords: 46 spellings kept sorted by a case-insensitive comparison and found by binary search. Functions: 13
// names searched in order, case-insensitively, each with its category ('c' aggregate, 'z' string, 'D' date) and
// function letter.
#pragma once

#include <string_view>

namespace dbs::sql {

// Token of a keyword, or 0 when the word is none.
int LookupKeyword(std::string_view word);

struct FunctionInfo {
    const char* pchName;
    char chCategory;
    char chLetter;
};

// The function of that name, or nullptr.
const FunctionInfo* LookupFunction(std::string_view word);

// Case-insensitive equality of two words (ASCII letters only).
bool EqualNoCase(std::string_view a, std::string_view b);

}  // namespace dbs::sql
