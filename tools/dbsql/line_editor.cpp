/* libedit through its readline-compatible interface. */
#include "line_editor.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <editline/readline.h>

namespace dbsql {

namespace {

// Ctrl-C at the prompt abandons the line being typed instead of ending the session (and with it every change
// not yet saved).
volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) { gInterrupted = 1; }

}  // namespace

LineEditor::LineEditor() {
    struct sigaction action {};
    action.sa_handler = &OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
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
    gInterrupted = 0;
    char* line = readline(prompt);
    if (gInterrupted != 0) {
        std::free(line);
        std::fputs("\n", stdout);
        return std::string();
    }
    if (line == nullptr) return std::nullopt;
    std::string text(line);
    std::free(line);
    if (!text.empty()) add_history(text.c_str());
    return text;
}

}  // namespace dbsql
