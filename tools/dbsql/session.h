// A shell session: the store opened from the schema files and the data directory, one SQL parser context,
// the output mode, the transaction state and the count of failed statements. Every statement or command
// runs to completion and reports its failure as one block on standard error; a failure never ends the
// session, and the data directory is written only by an explicit save.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include <dbs/dbs.h>

#include "options.h"
#include "output_format.h"
#include "schema_view.h"
#include "trace_capture.h"

namespace dbsql {

class Session {
public:
    Session(const Options& options, std::ostream& out, std::ostream& err);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Builds the store from the schema files and loads the table files. False when the store could not be
    // built (the reason is on standard error).
    bool Open();
    // Ends an open transaction without committing it and releases the store.
    void Close();

    // Runs one line: a dot command or an SQL statement. False when the session should end (.quit).
    bool RunLine(const std::string& line);

    // Saves every table into dir (a data directory: the table files go to dir/temp). False on failure.
    bool Save(const std::string& dir);

    size_t Failures() const { return failures_; }
    size_t TableCount() const;
    const Options& options() const { return options_; }

private:
    bool RunSql(const std::string& sql);
    bool RunDot(const std::string& line);
    bool Load();
    void Fail(const std::string& what, const std::vector<std::string>& trace);
    void Print(const ResultTable& table);

    // dot commands; each returns false when it failed
    bool CmdTables();
    bool CmdSchema(const std::vector<std::string>& args);
    bool CmdCount(const std::vector<std::string>& args);
    bool CmdPlan(const std::string& statement);
    bool CmdTrans(const std::string& which);
    bool CmdSave(const std::vector<std::string>& args);
    bool CmdReload();
    bool CmdMode(const std::vector<std::string>& args);
    bool CmdTrace(const std::vector<std::string>& args);
    bool CmdImport(const std::vector<std::string>& args);
    bool CmdExport(const std::vector<std::string>& args);
    bool CmdQdb(const std::vector<std::string>& args);
    void CmdHelp();

    Options options_;
    std::ostream& out_;
    std::ostream& err_;
    TraceCollector trace_;
    OutputMode mode_;
    hSqlParser parser_ = nullptr;
    bool open_ = false;
    bool inTransaction_ = false;
    // Tables whose files exist but could not be loaded: saving into the data directory would overwrite them.
    std::vector<std::string> unloaded_;
    Catalogue catalogue_;
    bool catalogueRead_ = false;
    size_t failures_ = 0;
};

}  // namespace dbsql
