/* The session: opening the store, running SQL statements, loading and saving.

   Where the table files live. The library loads every table from the temp directory under the data path
   (DIR/temp/NAME.QDB, network byte order), falling back to a NAME.TMP left by an interrupted save in
   DIR/version. The shell therefore saves with the temp mode into DIR/temp, so that what it saves is exactly
   what the next start loads. A save replaces each file only when its new contents are complete, so a failed
   save leaves the old files in place; a table whose file exists but could not be loaded is never saved over. */
#include "session.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <thread>

#include <fmt/format.h>

#include "progress.h"
#include "statement_input.h"
#include "table_access.h"
#include "value_format.h"

namespace dbsql {

namespace fs = std::filesystem;

namespace {

std::string WithSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

// The table name in a line "... Load table NAME ERROR!".
std::string FailedTable(const std::string& line) {
    static const std::string kHead = "Load table ";
    static const std::string kTail = " ERROR!";
    auto at = line.find(kHead);
    if (at == std::string::npos || !line.ends_with(kTail)) return {};
    at += kHead.size();
    if (line.size() < at + kTail.size()) return {};
    return line.substr(at, line.size() - kTail.size() - at);
}

uint64_t FileSize(const fs::path& p) {
    std::error_code ec;
    auto n = fs::file_size(p, ec);
    return ec ? 0 : n;
}

// Load progress, fed by the lines the default load method writes for every file.
struct LoadProgress {
    ProgressBar bar;
    uint64_t done = 0;
    static void Observe(void* ctx, const std::string& line) {
        auto* self = static_cast<LoadProgress*>(ctx);
        static const std::string kHead = "Load file ";
        auto at = line.find(kHead);
        auto end = line.find(" in DbsDefaultLoadMethod success.");
        if (at == std::string::npos || end == std::string::npos || end < at + kHead.size()) return;
        self->done += FileSize(line.substr(at + kHead.size(), end - at - kHead.size()));
        self->bar.Update(self->done);
    }
};

constexpr uint64_t kProgressThresholdBytes = 256 * 1024;

// The library marks every chunk it reads from a table file with a "." on standard error. That is no
// diagnostic, and in the shell it would break up the error blocks, so it is sent to /dev/null while the
// tables load; terminal() is the real standard error, for the progress bar.
class QuietStderr {
public:
    QuietStderr() {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        int null = open("/dev/null", O_WRONLY);
        if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
        if (null >= 0) close(null);
        if (saved_ >= 0) terminal_ = fdopen(dup(saved_), "w");
    }
    ~QuietStderr() {
        std::fflush(stderr);
        if (terminal_ != nullptr) std::fclose(terminal_);
        if (saved_ >= 0) {
            dup2(saved_, STDERR_FILENO);
            close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;
    std::FILE* terminal() const { return terminal_ != nullptr ? terminal_ : stderr; }

private:
    int saved_ = -1;
    std::FILE* terminal_ = nullptr;
};

}  // namespace

Session::Session(const Options& options, std::ostream& out, std::ostream& err)
    : options_(options), out_(out), err_(err) {
    mode_ = options.mode.value_or(isatty(STDOUT_FILENO) == 1 ? OutputMode::Box : OutputMode::Table);
}

Session::~Session() { Close(); }

size_t Session::TableCount() const { return open_ ? DbsGetTableNum() : 0; }

bool Session::Open() {
    if (!options_.traceFile.empty() && !trace_.SetTraceFile(options_.traceFile)) {
        err_ << "dbsql: cannot open trace file " << options_.traceFile << '\n';
        return false;
    }
    // Without a data directory nothing is loaded or saved there; the working directory stands in so that the
    // library has a data path to derive its directories from.
    {
        std::string dir = WithSlash(options_.dataDir.empty() ? std::string(".") : options_.dataDir);
        if (dir.size() >= DBS_PATH_SIZE) {
            err_ << "dbsql: the data directory name is longer than " << DBS_PATH_SIZE - 1 << " characters\n";
            return false;
        }
        DbsSetDataPath(dir.c_str());
    }
    trace_.Clear();
    if (DbsInitialize(options_.schema, options_.schema2) != 1) {
        Fail("the store could not be built from the schema files", trace_.Take());
        // A half-built store is released so that nothing of it lingers.
        DbsUninitialize();
        trace_.Clear();
        return false;
    }
    open_ = true;
    parser_ = SQLCreate();
    if (parser_ == nullptr) {
        Fail("no SQL parser context could be created", trace_.Take());
        return false;
    }
    if (!options_.noLoad && !options_.dataDir.empty()) Load();
    trace_.Clear();
    return true;
}

bool Session::Load() {
    fs::path data(options_.dataDir);
    uint64_t total = 0;
    for (const auto& t : ListTables()) total += FileSize(data / "temp" / (t.name + ".QDB"));
    std::vector<std::string> lines;
    {
        QuietStderr quiet;
        LoadProgress progress{ProgressBar("loading", total, kProgressThresholdBytes, quiet.terminal())};
        trace_.Clear();
        trace_.SetObserver(&LoadProgress::Observe, &progress);
        trace_.SetEchoStream(quiet.terminal());
        DbsLoadData();
        trace_.SetEchoStream(nullptr);
        trace_.SetObserver(nullptr, nullptr);
        progress.bar.Finish();
        lines = trace_.Take();
    }

    // A table without any file simply starts empty (a new data directory); a table whose file is there but
    // could not be read is a failure, and its file is protected from being saved over.
    unloaded_.clear();
    for (const auto& line : lines) {
        std::string name = FailedTable(line);
        if (name.empty()) continue;
        bool present = fs::exists(data / "temp" / (name + ".QDB")) || fs::exists(data / "version" / (name + ".TMP"));
        if (present) unloaded_.push_back(name);
    }
    if (!unloaded_.empty()) {
        std::string names;
        for (const auto& n : unloaded_) names += (names.empty() ? "" : ", ") + n;
        std::vector<std::string> detail;
        for (const auto& l : lines)
            if (l.find("success.") == std::string::npos && l.find("Loading in") == std::string::npos)
                detail.push_back(l);
        Fail(fmt::format("table files of {} could not be loaded; saving into {} is refused so that they are kept",
                         names, options_.dataDir),
             detail);
        return false;
    }
    return true;
}

bool Session::Save(const std::string& dir) {
    if (!open_) return false;
    std::error_code ec;
    bool same = !options_.dataDir.empty() && fs::equivalent(fs::path(dir), fs::path(options_.dataDir), ec);
    if (same && !unloaded_.empty()) {
        Fail(fmt::format("not saved: the files of {} in {} could not be loaded and would be overwritten",
                         unloaded_.front(), dir),
             {});
        return false;
    }
    fs::path temp = fs::path(dir) / "temp";
    fs::create_directories(temp, ec);
    if (ec) {
        Fail(fmt::format("cannot create {}: {}", temp.string(), ec.message()), {});
        return false;
    }
    std::string target = WithSlash(temp.string());
    if (target.size() >= DBS_PATH_SIZE) {
        Fail(fmt::format("not saved: {} is longer than {} characters", target, DBS_PATH_SIZE - 1), {});
        return false;
    }

    // Expected bytes of all files, for the progress bar; a side thread watches the files grow.
    auto tables = ListTables();
    uint64_t total = 0, records = 0;
    for (const auto& t : tables) {
        if (t.type == DBS_TABLE_TYPE_NOSAVE) continue;
        total += 33 + 39 * t.fields.size() + uint64_t{t.tupleLen + 1u} * t.records;
        records += t.records;
    }
    std::atomic<bool> finished{false};
    std::thread watcher;
    if (records > 5000 && ProgressBar::Enabled()) {
        watcher = std::thread([&] {
            ProgressBar bar("saving", total, 0);
            auto start = fs::file_time_type::clock::now();
            while (!finished.load()) {
                uint64_t done = 0;
                for (const auto& t : tables) {
                    std::error_code e;
                    fs::path qdb = temp / (t.name + ".QDB");
                    auto when = fs::last_write_time(qdb, e);
                    if (!e && when >= start) done += FileSize(qdb);
                    else done += FileSize(temp / (t.name + ".TMP"));
                }
                bar.Update(done);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
    }
    trace_.Clear();
    uint8_t ok = DbsSaveDataToQDB(target.c_str(), DBS_SAVE_TO_TEMP);
    finished = true;
    if (watcher.joinable()) watcher.join();
    auto lines = trace_.Take();
    if (ok != 1) {
        Fail(fmt::format("saving into {} failed; the files of the tables not saved are unchanged", dir), lines);
        return false;
    }
    return true;
}

void Session::Close() {
    if (!open_) return;
    if (inTransaction_) {
        TransRollback();
        inTransaction_ = false;
        err_ << "dbsql: the open transaction was not committed; its changes are dropped\n";
    }
    if (parser_ != nullptr) SQLDestory(parser_);
    parser_ = nullptr;
    DbsUninitialize();
    trace_.Clear();
    open_ = false;
}

void Session::Fail(const std::string& what, const std::vector<std::string>& trace) {
    ++failures_;
    std::string block = "error: " + what + "\n";
    for (const auto& line : trace) block += "  " + line + "\n";
    out_.flush();
    err_ << block;
    err_.flush();
}

void Session::Print(const ResultTable& table) { Render(table, mode_, out_); }

bool Session::RunLine(const std::string& line) {
    auto statement = NormalizeStatement(line);
    if (!statement) return true;
    if (statement->front() == '.') return RunDot(*statement);
    RunSql(*statement);
    return true;
}

bool Session::RunSql(const std::string& sql) {
    if (!open_) return false;
    trace_.Clear();
    TagSqlRst* rst = nullptr;
    int rc = SQLExecute(parser_, sql.c_str(), &rst);
    auto lines = trace_.Take();
    if (rc != DBS_SQL_OK) {
        if (rst != nullptr) RstDestroy(rst);
        // Some failures (a division by zero) leave no line of their own.
        if (lines.empty()) lines.push_back("(the library wrote no reason; a division by zero fails this way)");
        Fail("statement failed: " + sql, lines);
        return false;
    }
    if (rst == nullptr) return true;  // DELETE, UPDATE

    ResultTable table;
    int columns = RstGetFieldNum(rst);
    std::vector<std::string> names;
    for (int c = 0; c < columns; ++c) {
        const char* n = RstGetFieldName(rst, c);
        std::string name = n != nullptr ? std::string(n, strnlen(n, DBS_SQL_NAME_SIZE)) : std::string();
        names.push_back(name.empty() ? fmt::format("column{}", c + 1) : name);
    }
    // Two columns of one name (a join) are told apart by their tables.
    for (int c = 0; c < columns; ++c) {
        std::string name = names[c];
        if (std::count(names.begin(), names.end(), name) > 1) {
            const char* t = RstGetTableName(rst, c);
            std::string owner = t != nullptr ? std::string(t, strnlen(t, DBS_SQL_NAME_SIZE)) : std::string();
            if (!owner.empty()) name = owner.append(".").append(name);
            table.columns.push_back(name);
        } else {
            table.columns.push_back(name);
        }
    }
    int rows = RstGetRecordNum(rst);
    table.rows.reserve(rows > 0 ? static_cast<size_t>(rows) : 0);
    if (rows > 0 && RstMoveFirst(rst) == DBS_SQL_OK) {
        do {
            auto& row = table.rows.emplace_back();
            for (int c = 0; c < columns; ++c) {
                TagSqlValue v{};
                if (RstGetFieldValue(rst, c, &v) == DBS_SQL_OK) row.push_back(CellFromSqlValue(v));
                else row.push_back(Cell::Null());
            }
        } while (RstMoveNext(rst) == DBS_SQL_OK && IsEOF(rst) == 0);
    }
    RstDestroy(rst);
    trace_.Clear();
    Print(table);
    return true;
}

}  // namespace dbsql
