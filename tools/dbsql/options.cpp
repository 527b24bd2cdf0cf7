/* Command-line parsing with CLI11. */
#include "options.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#ifndef DBSQL_VERSION
#define DBSQL_VERSION "0"
#endif

namespace dbsql {

std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
    CLI::App app{"dbsql: run SQL statements and shell commands against a DBS store", "dbsql"};
    std::string mode;
    app.add_option("-s,--schema", options.schema, "first schema file (DBDef XML)");
    app.add_option("--schema2", options.schema2, "second schema file: optional tables");
    app.add_option("-d,--data", options.dataDir, "data directory: table files are loaded from and saved to it");
    app.add_flag("--no-load", options.noLoad, "start with empty tables; do not load the table files");
    app.add_option("-c", options.commands, "run this statement or dot command (repeatable), then exit")
        ->allow_extra_args(false);
    app.add_option("--mode", mode, "output format")->check(CLI::IsMember({"box", "table", "csv", "json", "line"}));
    app.add_flag("--save", options.save, "save all tables to the data directory before exit");
    app.add_option("--trace", options.traceFile, "append every trace line of the library to this file");
    app.set_version_flag("--version", fmt::format("dbsql {}", DBSQL_VERSION), "print the version and exit");
    app.add_option("file", options.script, "statements to run, one per line (default: standard input)");
    app.footer("Statements end at the end of the line; type .help in the shell for its commands.");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    if (!mode.empty()) options.mode = ParseOutputMode(mode);
    if (options.save && options.dataDir.empty()) {
        fmt::print(stderr, "dbsql: --save needs a data directory (-d DIR)\n");
        return 2;
    }
    return std::nullopt;
}

}  // namespace dbsql
