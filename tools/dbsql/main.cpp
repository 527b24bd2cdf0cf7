/* dbsql: runs SQL statements and shell commands against a DBS store built from schema files.

   Input comes from -c options, a statements file, piped standard input, or, when standard input is a
   terminal, an interactive prompt with line editing. In batch mode the exit status is 1 when any statement
   or command failed, 2 for a usage error. */
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <string>

#include "line_editor.h"
#include "options.h"
#include "session.h"

namespace {

int RunStream(dbsql::Session& session, std::istream& in) {
    std::string line;
    while (std::getline(in, line))
        if (!session.RunLine(line)) break;
    return 0;
}

void RunInteractive(dbsql::Session& session) {
    size_t tables = session.TableCount();
    std::cout << "dbsql " << DBSQL_VERSION << ": " << tables << (tables == 1 ? " table" : " tables")
              << ". Enter .help for the commands, .quit to leave.\n";
    dbsql::LineEditor editor;
    while (auto line = editor.Read("dbsql> "))
        if (!session.RunLine(*line)) break;
}

}  // namespace

int main(int argc, char** argv) {
    dbsql::Options options;
    if (auto status = dbsql::ParseOptions(argc, argv, options)) return *status;

    dbsql::Session session(options, std::cout, std::cerr);
    if (!session.Open()) return 1;

    // -c statements run first, then a statements file; without either, standard input.
    bool interactive = false;
    bool go = true;
    for (const auto& c : options.commands)
        if (go) go = session.RunLine(c);
    if (go && !options.script.empty()) {
        std::ifstream in(options.script);
        if (!in) {
            std::cerr << "dbsql: cannot open " << options.script << '\n';
            return 1;
        }
        RunStream(session, in);
    } else if (options.commands.empty() && options.script.empty()) {
        if (isatty(STDIN_FILENO) == 1) {
            interactive = true;
            RunInteractive(session);
        } else {
            RunStream(session, std::cin);
        }
    }

    bool saved = true;
    if (options.save) saved = session.Save(options.dataDir);
    session.Close();
    std::cout.flush();
    if (interactive) return saved ? 0 : 1;
    return session.Failures() == 0 ? 0 : 1;
}
