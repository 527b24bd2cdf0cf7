// Statement input: one statement or dot command per line. Blank lines and "--" comments are skipped and a
// trailing ";" is removed, because the library's lexer does not accept it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dbsql {

// The statement on a line, trimmed and without its trailing ";" (or ";;"), or nothing for a blank line or a
// comment.
std::optional<std::string> NormalizeStatement(std::string_view line);

// Splits a dot command into words: blanks separate words, double or single quotes keep blanks inside one.
std::vector<std::string> SplitWords(std::string_view line);

}  // namespace dbsql
