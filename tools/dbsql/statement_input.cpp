/* Line handling shared by every input source (-c, script files, piped input and the line editor). */
#include "statement_input.h"

#include <cctype>

namespace dbsql {

namespace {

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

std::optional<std::string> NormalizeStatement(std::string_view line) {
    std::string_view s = Trim(line);
    if (s.starts_with("--")) return std::nullopt;
    while (!s.empty() && s.back() == ';') s = Trim(s.substr(0, s.size() - 1));
    if (s.empty()) return std::nullopt;
    return std::string(s);
}

std::vector<std::string> SplitWords(std::string_view line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) break;
        std::string word;
        while (i < line.size() && !IsBlank(line[i])) {
            char q = line[i];
            if (q == '"' || q == '\'') {
                ++i;
                while (i < line.size() && line[i] != q) word += line[i++];
                if (i < line.size()) ++i;  // closing quote
            } else {
                word += line[i++];
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

}  // namespace dbsql
