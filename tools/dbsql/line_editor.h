// Interactive input with line editing and history (libedit). History is kept in ~/.dbsql_history when a
// home directory is known.
#pragma once

#include <optional>
#include <string>

namespace dbsql {

class LineEditor {
public:
    LineEditor();
    ~LineEditor();
    LineEditor(const LineEditor&) = delete;
    LineEditor& operator=(const LineEditor&) = delete;

    // The next line without its line end, or nothing at the end of input (Ctrl-D).
    std::optional<std::string> Read(const char* prompt);

private:
    std::string historyFile_;
};

}  // namespace dbsql
