/* The shell's dot commands. Each one either does its work and prints its result on standard output, or
   reports one error block on standard error and counts as a failed statement. */
#include <ostream>

#include <fmt/format.h>

#include <dbs/dbs_plan.h>

#include "csv_transfer.h"
#include "qdb_viewer.h"
#include "session.h"
#include "statement_input.h"
#include "table_access.h"

namespace dbsql {

namespace {

constexpr const char* kHelp = R"(Statements (one per line, a trailing ";" is optional):
  SELECT ... FROM ... [WHERE ...] [GROUP BY ... [HAVING ...]] [ORDER BY ...]   EXISTS FROM ...
  INSERT INTO ... [(...)] VALUES (...)   UPDATE ... SET ...   DELETE FROM ...   (Tab completes words and names)
Commands:
  .help                       this text
  .tables                     tables with their type, records and capacity
  .schema [TABLE]             fields, kinds, lengths, keys and constraints
  .count TABLE                number of records
  .plan STATEMENT             how the statement reaches each table: through a key index, or by a scan
  .begin | .commit | .rollback  group INSERT, UPDATE and DELETE statements in one transaction
  .save [DIR]                 save all tables (default: the data directory)
  .load                       reload all tables from the data directory
  .mode box|table|csv|json|line  output format
  .trace on|off               show the library's trace lines as they are written
  .import FILE.csv TABLE      insert the rows of a CSV file (header row of field names)
  .export TABLE FILE.csv      write a table as CSV
  .qdb FILE.QDB [--network-order]  show a table file without loading it
  .quit                       leave (also .exit or end of input)
)";

}  // namespace

bool Session::RunDot(const std::string& line) {
    auto words = SplitWords(line);
    if (words.empty()) return true;
    std::string cmd = words.front();
    std::vector<std::string> args(words.begin() + 1, words.end());

    if (cmd == ".quit" || cmd == ".exit") return false;
    if (cmd == ".help") {
        CmdHelp();
        return true;
    }
    if (cmd == ".mode") {
        CmdMode(args);
        return true;
    }
    if (cmd == ".trace") {
        CmdTrace(args);
        return true;
    }
    if (cmd == ".qdb") {
        CmdQdb(args);
        return true;
    }
    if (!open_) {
        Fail(cmd + ": the store is not open", {});
        return true;
    }
    if (cmd == ".tables") CmdTables();
    else if (cmd == ".schema") CmdSchema(args);
    else if (cmd == ".count") CmdCount(args);
    else if (cmd == ".plan") CmdPlan(line.substr(line.find(".plan") + 5));
    else if (cmd == ".begin" || cmd == ".commit" || cmd == ".rollback") CmdTrans(cmd);
    else if (cmd == ".save") CmdSave(args);
    else if (cmd == ".load") CmdReload();
    else if (cmd == ".import") CmdImport(args);
    else if (cmd == ".export") CmdExport(args);
    else Fail("unknown command " + cmd + " (try .help)", {});
    return true;
}

void Session::CmdHelp() { out_ << kHelp; }

bool Session::CmdPlan(const std::string& statement) {
    auto start = statement.find_first_not_of(" \t");
    if (start == std::string::npos) {
        Fail("usage: .plan STATEMENT", {});
        return false;
    }
    std::string sql = statement.substr(start);
    trace_.Clear();
    std::string text(256, '\0');
    int need = SQLExplain(parser_, sql.c_str(), text.data(), static_cast<int>(text.size()));
    if (need >= static_cast<int>(text.size())) {
        text.assign(static_cast<size_t>(need) + 1, '\0');
        need = SQLExplain(parser_, sql.c_str(), text.data(), static_cast<int>(text.size()));
    }
    auto lines = trace_.Take();
    if (need < 0) {
        Fail("cannot plan: " + sql, lines);
        return false;
    }
    out_ << text.substr(0, static_cast<size_t>(need));
    return true;
}

bool Session::CmdMode(const std::vector<std::string>& args) {
    if (args.empty()) {
        out_ << OutputModeName(mode_) << '\n';
        return true;
    }
    auto mode = args.size() == 1 ? ParseOutputMode(args[0]) : std::nullopt;
    if (!mode) {
        Fail("usage: .mode box|table|csv|json|line", {});
        return false;
    }
    mode_ = *mode;
    return true;
}

bool Session::CmdTrace(const std::vector<std::string>& args) {
    if (args.size() != 1 || (args[0] != "on" && args[0] != "off")) {
        Fail("usage: .trace on|off", {});
        return false;
    }
    trace_.SetEcho(args[0] == "on");
    return true;
}

bool Session::CmdTables() {
    ResultTable t;
    t.columns = {"name", "type", "records", "capacity"};
    for (const auto& info : ListTables())
        t.rows.push_back({Cell::Text(info.name), Cell::Number(std::to_string(info.type)),
                          Cell::Number(std::to_string(info.records)), Cell::Number(std::to_string(info.capacity))});
    trace_.Clear();
    Print(t);
    return true;
}

bool Session::CmdSchema(const std::vector<std::string>& args) {
    if (args.size() > 1) {
        Fail("usage: .schema [TABLE]", {});
        return false;
    }
    if (!catalogueRead_) {
        catalogue_ = ReadCatalogue(options_.schema, options_.schema2);
        catalogueRead_ = true;
    }
    auto all = ListTables();
    trace_.Clear();
    bool any = false;
    for (const auto& t : all) {
        if (!args.empty() && t.name != args[0]) continue;
        if (any) out_ << '\n';
        DescribeTable(t, catalogue_, all, out_);
        any = true;
    }
    if (!args.empty() && !any) {
        auto t = FindTable(args[0]);
        if (t) {
            DescribeTable(*t, catalogue_, all, out_);
            return true;
        }
        Fail("no table " + args[0], {});
        return false;
    }
    return true;
}

bool Session::CmdCount(const std::vector<std::string>& args) {
    auto t = args.size() == 1 ? FindTable(args[0]) : std::nullopt;
    trace_.Clear();
    if (!t) {
        Fail(args.size() == 1 ? "no table " + args[0] : "usage: .count TABLE", {});
        return false;
    }
    out_ << t->records << '\n';
    return true;
}

bool Session::CmdTrans(const std::string& which) {
    trace_.Clear();
    int rc = which == ".begin" ? TransBegin() : which == ".commit" ? TransCommit() : TransRollback();
    auto lines = trace_.Take();
    if (rc != 0) {
        Fail(which.substr(1) + " refused", lines);
        return false;
    }
    inTransaction_ = which == ".begin";
    return true;
}

bool Session::CmdSave(const std::vector<std::string>& args) {
    if (args.size() > 1) {
        Fail("usage: .save [DIR]", {});
        return false;
    }
    std::string dir = args.empty() ? options_.dataDir : args[0];
    if (dir.empty()) {
        Fail("no data directory: give one (.save DIR) or start with -d DIR", {});
        return false;
    }
    return Save(dir);
}

bool Session::CmdReload() {
    if (inTransaction_) {
        Fail("commit or roll back the transaction before reloading", {});
        return false;
    }
    if (options_.dataDir.empty()) {
        Fail("no data directory to load from (start with -d DIR)", {});
        return false;
    }
    trace_.Clear();
    if (parser_ != nullptr) SQLDestory(parser_);
    parser_ = nullptr;
    DbsUninitialize();
    open_ = false;
    catalogueRead_ = false;
    bool noLoad = options_.noLoad;
    options_.noLoad = false;
    bool ok = Open();
    options_.noLoad = noLoad;
    return ok;
}

bool Session::CmdImport(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        Fail("usage: .import FILE.csv TABLE", {});
        return false;
    }
    auto t = FindTable(args[1]);
    if (!t) {
        Fail("no table " + args[1], {});
        return false;
    }
    ImportReport r = ImportCsv(args[0], *t, inTransaction_, trace_);
    trace_.Clear();
    if (!r.ok) {
        Fail("import into " + t->name + " failed: " + r.error, {});
        return false;
    }
    out_ << fmt::format("imported {} record{} into {}{}\n", r.accepted, r.accepted == 1 ? "" : "s", t->name,
                        inTransaction_ ? " (published at .commit)" : "");
    if (r.refused.empty()) return true;

    std::vector<std::string> detail;
    constexpr size_t kShown = 20;
    for (size_t i = 0; i < r.refused.size() && i < kShown; ++i) {
        const auto& row = r.refused[i];
        detail.push_back(fmt::format("line {}: {}", row.line, row.reason));
        for (const auto& l : row.trace) detail.push_back("  " + l);
    }
    if (r.refused.size() > kShown) detail.push_back(fmt::format("... and {} more", r.refused.size() - kShown));
    Fail(fmt::format("{} row{} of {} refused", r.refused.size(), r.refused.size() == 1 ? "" : "s", args[0]), detail);
    return false;
}

bool Session::CmdExport(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        Fail("usage: .export TABLE FILE.csv", {});
        return false;
    }
    auto t = FindTable(args[0]);
    if (!t) {
        Fail("no table " + args[0], {});
        return false;
    }
    size_t written = 0;
    std::string error = ExportCsv(*t, args[1], written);
    trace_.Clear();
    if (!error.empty()) {
        Fail("export of " + t->name + " failed: " + error, {});
        return false;
    }
    out_ << fmt::format("exported {} record{} of {} to {}\n", written, written == 1 ? "" : "s", t->name, args[1]);
    return true;
}

bool Session::CmdQdb(const std::vector<std::string>& args) {
    std::string file;
    bool network = false;
    for (const auto& a : args) {
        if (a == "--network-order") network = true;
        else if (file.empty()) file = a;
        else file = "\x01";  // two files: a usage error
    }
    if (file.empty() || file == "\x01") {
        Fail("usage: .qdb FILE.QDB [--network-order]", {});
        return false;
    }
    std::string error = ShowQdbFile(file, network, mode_, out_);
    if (!error.empty()) {
        Fail(error, {});
        return false;
    }
    return true;
}

}  // namespace dbsql
