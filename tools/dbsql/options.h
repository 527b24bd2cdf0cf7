// Command-line options of the shell.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "output_format.h"

namespace dbsql {

struct Options {
    std::string schema;   // first schema file (tables loaded and saved)
    std::string schema2;  // second schema file (optional tables)
    std::string dataDir;  // data directory; empty: none
    bool noLoad = false;
    std::vector<std::string> commands;  // -c, in order
    std::optional<OutputMode> mode;     // none: box on a terminal, else table
    bool save = false;
    std::string traceFile;
    std::string script;  // statements file; empty: standard input
};

// Parses the command line. Returns the exit status to end with when the shell must not run (help, version,
// a usage error), having printed what is due.
std::optional<int> ParseOptions(int argc, char** argv, Options& options);

}  // namespace dbsql
