// Tab completion of the line editor: the words of the SQL dialect, the dot commands, and the names of the
// store's tables and fields. Pure look-up; the editor asks for the candidates of the word being typed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dbsql {

// Every word that begins with `prefix`: SQL words and function names without regard to case (given back in the
// case of the prefix's first letter), dot commands, and table and field names as the store spells them.
std::vector<std::string> Completions(std::string_view prefix);

}  // namespace dbsql
