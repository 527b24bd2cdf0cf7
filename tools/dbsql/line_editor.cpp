/* libedit through its readline-compatible interface.

   The editor's own signal handling is switched off and characters are read here: SIGINT stays blocked
   except while waiting for a key, so a Ctrl-C pressed at any moment (while a statement runs, before the
   editor has set up the terminal, or while it waits) ends the wait for the current line at once. Left to
   itself, the editor retries a read interrupted by a signal and waits for the next key instead. */
#include "line_editor.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <editline/readline.h>

#include "completion.h"

namespace dbsql {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;
sigset_t gWaitMask;  // the signal mask while waiting for a key: SIGINT let through

void OnInterrupt(int) { gInterrupted = 1; }

// One byte of input, or EOF at the end of input and once SIGINT has arrived.
int ReadKey(FILE* stream) {
    int fd = stream != nullptr ? fileno(stream) : STDIN_FILENO;
    for (;;) {
        if (gInterrupted != 0) return EOF;
        pollfd p{fd, POLLIN, 0};
        int ready = ppoll(&p, 1, nullptr, &gWaitMask);  // SIGINT is delivered only in here
        if (ready < 0) {
            if (errno == EINTR) continue;
            return EOF;
        }
        unsigned char c = 0;
        ssize_t n = read(fd, &c, 1);
        if (n == 1) return c;
        if (n == 0 || (errno != EINTR && errno != EAGAIN)) return EOF;
    }
}

// The editor asks for the candidates one at a time, state 0 first; each is handed over in a block of its own.
char* NextCompletion(const char* text, int state) {
    static std::vector<std::string> candidates;
    static size_t next = 0;
    if (state == 0) {
        candidates = Completions(text != nullptr ? text : "");
        next = 0;
    }
    if (next >= candidates.size()) return nullptr;
    return strdup(candidates[next++].c_str());
}

char** CompleteWord(const char* text, int, int) {
    rl_attempted_completion_over = 1;   // no file names when no word fits
    return rl_completion_matches(text, NextCompletion);
}

}  // namespace

LineEditor::LineEditor() {
    sigset_t block;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    sigprocmask(SIG_BLOCK, &block, &gWaitMask);
    sigdelset(&gWaitMask, SIGINT);
    struct sigaction action {};
    action.sa_handler = &OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);

    // Both must be set before the first call into the editor, which reads them when it starts.
    rl_catch_signals = 0;
    rl_getc_function = &ReadKey;
    rl_attempted_completion_function = &CompleteWord;
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
    // A Ctrl-C pressed while the last statement ran is still pending and abandons this line: the person
    // pressed it to get the prompt back.
    gInterrupted = 0;
    char* line = readline(prompt);
    if (gInterrupted != 0) {
        std::free(line);
        std::fputs("\n", stdout);
        std::fflush(stdout);
        return std::string();
    }
    if (line == nullptr) return std::nullopt;
    std::string text(line);
    std::free(line);
    if (!text.empty()) add_history(text.c_str());
    return text;
}

}  // namespace dbsql
