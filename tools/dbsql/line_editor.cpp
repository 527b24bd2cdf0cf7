/* libedit through its readline-compatible interface. */
#include "line_editor.h"

#include <cstdio>
#include <cstdlib>

#include <editline/readline.h>

namespace dbsql {

LineEditor::LineEditor() {
    using_history();
    stifle_history(1000);
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != 0) {
        historyFile_ = std::string(home) + "/.dbsql_history";
        read_history(historyFile_.c_str());
    }
}

LineEditor::~LineEditor() {
    if (!historyFile_.empty()) write_history(historyFile_.c_str());
}

std::optional<std::string> LineEditor::Read(const char* prompt) {
    char* line = readline(prompt);
    if (line == nullptr) return std::nullopt;
    std::string text(line);
    std::free(line);
    if (!text.empty()) add_history(text.c_str());
    return text;
}

}  // namespace dbsql
