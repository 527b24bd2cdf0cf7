// dbs_compare: DBS side by side with SQLite on the same data, in one process, in one run.
//
// One table of records of about 64 bytes (a 'D' primary key, a 16-byte 'C' unique key, 'D' and 'W' fields), the
// same schema in SQLite (INTEGER PRIMARY KEY, UNIQUE index, prepared statements, one transaction for bulk work,
// in-memory database). Every task runs in rounds that alternate between the two sides, so that a change in the
// machine's load hits both alike; the median times and the median of the per-round ratios are kept. Before the
// figures count, both sides' results are compared. The program prints one table (task, DBS, SQLite, ratio,
// target, met), then how the DBS figures grow from 1,000 records to the full size, and writes the figures to a
// data file for bench/plot_compare.sh.
//
// Usage: dbs_compare [--records N] [--repeat R] [--out FILE] [--publish 0|1|only]
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <dbs/dbs.h>
#include <dbs/traceprint.h>

#include "core/dirty_pages.h"
#include "core/page_marks.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Values read in timed loops are added here so that the compiler keeps the reads.
volatile uint64_t g_sink = 0;
void Keep(uint64_t v) { g_sink = g_sink + v; }

// ---- the data set --------------------------------------------------------------------------------------------

#pragma pack(push, 1)
struct Item {             // the record's data bytes, in field order
    uint32_t id;          // ID     DWORD, primary key
    char code[16];        // CODE   CHAR(16), unique key
    uint32_t qty;         // QTY    DWORD, uniform 0..65535: "QTY < N/100" selects 1%
    uint32_t price;       // PRICE  DWORD
    uint32_t stock;       // STOCK  DWORD
    uint32_t cost;        // COST   DWORD
    uint32_t vendor;      // VENDOR DWORD
    uint32_t batch;       // BATCH  DWORD
    uint16_t w[10];       // W1..W10 WORD
};
#pragma pack(pop)
static_assert(sizeof(Item) == 64);

std::vector<Item> MakeItems(uint32_t n) {
    std::mt19937 rng(42);
    std::vector<Item> items(n);
    for (uint32_t i = 0; i < n; ++i) {
        Item& it = items[i];
        std::memset(&it, 0, sizeof it);
        it.id = i + 1;
        std::snprintf(it.code, sizeof it.code, "K%06u", (i * 40503u + 12345u) % 65536u);  // a bijection
        it.qty = rng() % 65536;
        it.price = rng() % 100000;
        it.stock = rng() % 1000;
        it.cost = rng() % 100000;
        it.vendor = rng() % 500;
        it.batch = rng();
        for (int k = 0; k < 10; ++k) it.w[k] = static_cast<uint16_t>(rng());
    }
    return items;
}

const char* kSchemaXml = R"(<?xml version="1.0"?>
<DBDef>
  <Table Name="ITEM" MaxRecNum="%u">
    <Field Name="ID" DataType="DWORD"/>
    <Field Name="CODE" DataType="CHAR" Num="16"/>
    <Field Name="QTY" DataType="DWORD"/>
    <Field Name="PRICE" DataType="DWORD"/>
    <Field Name="STOCK" DataType="DWORD"/>
    <Field Name="COST" DataType="DWORD"/>
    <Field Name="VENDOR" DataType="DWORD"/>
    <Field Name="BATCH" DataType="DWORD"/>
    <Field Name="W1" DataType="WORD"/><Field Name="W2" DataType="WORD"/>
    <Field Name="W3" DataType="WORD"/><Field Name="W4" DataType="WORD"/>
    <Field Name="W5" DataType="WORD"/><Field Name="W6" DataType="WORD"/>
    <Field Name="W7" DataType="WORD"/><Field Name="W8" DataType="WORD"/>
    <Field Name="W9" DataType="WORD"/><Field Name="W10" DataType="WORD"/>
    <PriKey Name="PK_ITEM"><PKI Field="ID"/></PriKey>
    <PriKey Name="UK_CODE"><PKI Field="CODE"/></PriKey>
  </Table>
</DBDef>
)";

const char* kSqliteSchema =
    "CREATE TABLE item(id INTEGER PRIMARY KEY, code TEXT NOT NULL UNIQUE, qty INTEGER, price INTEGER,"
    " stock INTEGER, cost INTEGER, vendor INTEGER, batch INTEGER, w1 INTEGER, w2 INTEGER, w3 INTEGER,"
    " w4 INTEGER, w5 INTEGER, w6 INTEGER, w7 INTEGER, w8 INTEGER, w9 INTEGER, w10 INTEGER)";

// ---- timing --------------------------------------------------------------------------------------------------

// One task's figures: the median time of each side (per record, row or lookup) and the median of the per-round
// ratios SQLite / DBS. The two sides run in alternating rounds, so that a change in the machine's load during the
// run hits both alike.
struct Timed {
    double dbs = 0, lite = 0, ratio = 0;
};

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// The last trace line the library wrote; shown when a task fails. Nothing else of the trace is kept.
char g_lastLine[512];
void KeepLastLine(void*, int, const char*, int, const char* text) {
    std::snprintf(g_lastLine, sizeof g_lastLine, "%s", text);
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "dbs_compare: %s (last trace line: %s)\n", what.c_str(), g_lastLine);
    std::exit(1);
}

// The number a typed value holds; for characters their length and first byte, so that they are read.
int64_t IntegerOf(const TagSqlValue& v) {
    switch (v.chType) {
    case DB_SHORT: return v.sShort;
    case DB_INT: return v.iInt;
    case DB_LONG: return v.lLong;
    case DB_USHORT: return v.usUShort;
    case DB_UINT: return v.uiUInt;
    case DB_ULONG: return v.ulULong;
    case DB_TINYINT: return v.byTinyInt;
    case DB_DOUBLE: return static_cast<int64_t>(v.dDouble);
    case DB_FLOAT: return static_cast<int64_t>(v.fFloat);
    case DB_STRING:
        return v.pData != nullptr && v.dwLength > 0 ? v.dwLength + *static_cast<const uint8_t*>(v.pData) : 0;
    default: return 0;
    }
}

// ---- the DBS side --------------------------------------------------------------------------------------------

class DbsSide {
public:
    explicit DbsSide(uint32_t capacity) {
        dir_ = fs::temp_directory_path() / ("dbs_compare_" + std::to_string(getpid()));
        fs::create_directories(dir_ / "temp");
        schema_ = (dir_ / "item.xml").string();
        char xml[4096];
        std::snprintf(xml, sizeof xml, kSchemaXml, capacity);
        std::ofstream(schema_) << xml;
        dataPath_ = dir_.string() + "/";
    }
    ~DbsSide() {
        DbsUninitialize();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    void Start() {
        DbsUninitialize();
        DbsSetDataPath(dataPath_.c_str());
        if (DbsInitialize(schema_, "") != 1) Fail("DbsInitialize failed");
        table_ = DbsGetTableHandle("ITEM");
        primary_ = DBS_INDEX_HANDLE(DBS_HANDLE_NO(table_), 0);
    }
    // Checked inserts into secondary memory, then published.
    void Insert(const std::vector<Item>& items, const std::vector<uint32_t>& order) {
        for (uint32_t i : order) {
            if (DbsSysInsertTabTuple(table_, &items[i]) != 1) Fail("checked insert refused a record");
        }
        DbsChangeOverAddr();
        DbsAllCopyData();
    }
    uint64_t Lookups(const std::vector<uint32_t>& keys) {
        Item out;
        uint64_t sum = 0;
        for (uint32_t key : keys) {
            if (DbsLocateTuple(primary_, &key) != 1 || DbsGetTuple(table_, &out) != 1) Fail("lookup missed");
            sum += out.id + out.qty + out.price + out.stock + out.cost + out.vendor + out.batch + out.w[9] +
                   static_cast<uint8_t>(out.code[0]);
        }
        return sum;
    }
    // Runs a statement; returns the rows of its record set (SELECT) or 0. Every column of every row is read, and
    // `first` receives the first column of the first row (the number of a COUNT).
    int Sql(const char* sql, int64_t* first = nullptr) {
        hSqlParser p = SQLCreate();
        TagSqlRst* rst = nullptr;
        int rc = SQLExecute(p, sql, &rst);
        int rows = 0;
        if (rc != 0) Fail(std::string("SQLExecute failed: ") + sql);
        if (rst != nullptr) {
            TagSqlValue v{};
            uint64_t sum = 0;
            const int columns = RstGetFieldNum(rst);
            // RstMoveNext from the last row reaches the end position (still 0); IsEOF tells when it is there.
            for (int r = RstMoveFirst(rst); r == 0 && IsEOF(rst) == 0; r = RstMoveNext(rst)) {
                for (int c = 0; c < columns; ++c) {
                    const int got = RstGetFieldValue(rst, c, &v);
                    if (got != 0) Fail("RstGetFieldValue gave " + std::to_string(got) + " in " + sql);
                    const int64_t value = IntegerOf(v);
                    if (rows == 0 && c == 0 && first != nullptr) *first = value;
                    sum += static_cast<uint64_t>(value);
                }
                ++rows;
            }
            RstDestroy(rst);
            Keep(sum);
        }
        SQLDestory(p);
        return rows;
    }
    void Save() {
        if (DbsSaveDataToQDB((dir_ / "temp").string().c_str(), DBS_SAVE_TO_TEMP) != 1) Fail("save failed");
    }
    // Loading fills secondary memory through the checked insert, so it starts from an empty one.
    void Load() {
        DbsClrSecondaryMem(table_);
        if (DbsLoadData() != 1) Fail("load failed");
    }
    uint32_t Count() const { return DbsGetTupleNum(table_); }

private:
    fs::path dir_;
    std::string schema_, dataPath_;
    uint32_t table_ = 0, primary_ = 0;
};

// ---- the SQLite side -----------------------------------------------------------------------------------------

class SqliteSide {
public:
    ~SqliteSide() { Close(); }
    void Open(const char* name = ":memory:") {
        Close();
        if (sqlite3_open(name, &db_) != SQLITE_OK) Fail("sqlite3_open");
    }
    void Close() {
        if (db_ != nullptr) sqlite3_close(db_);
        db_ = nullptr;
    }
    // Rows changed by the last statement.
    int Changes() const { return sqlite3_changes(db_); }
    void Exec(const char* sql) {
        char* err = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
            std::string e = err != nullptr ? err : "?";
            sqlite3_free(err);
            Fail("sqlite: " + e + " in " + sql);
        }
    }
    sqlite3_stmt* Prepare(const char* sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &st, nullptr) != SQLITE_OK) Fail(std::string("prepare: ") + sql);
        return st;
    }
    void Create() {
        Open();
        Exec(kSqliteSchema);
    }
    void Insert(const std::vector<Item>& items, const std::vector<uint32_t>& order) {
        Exec("BEGIN");
        sqlite3_stmt* st = Prepare("INSERT INTO item VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        for (uint32_t i : order) {
            const Item& it = items[i];
            sqlite3_bind_int64(st, 1, it.id);
            sqlite3_bind_text(st, 2, it.code, static_cast<int>(strnlen(it.code, 16)), SQLITE_STATIC);
            const uint32_t d[6] = {it.qty, it.price, it.stock, it.cost, it.vendor, it.batch};
            for (int k = 0; k < 6; ++k) sqlite3_bind_int64(st, 3 + k, d[k]);
            for (int k = 0; k < 10; ++k) sqlite3_bind_int(st, 9 + k, it.w[k]);
            if (sqlite3_step(st) != SQLITE_DONE) Fail("sqlite insert");
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        Exec("COMMIT");
    }
    uint64_t Lookups(const std::vector<uint32_t>& keys) {
        sqlite3_stmt* st = Prepare("SELECT * FROM item WHERE id = ?");
        uint64_t sum = 0;
        for (uint32_t key : keys) {
            sqlite3_bind_int64(st, 1, key);
            if (sqlite3_step(st) != SQLITE_ROW) Fail("sqlite lookup missed");
            for (int c = 0; c < 18; ++c) {
                if (c == 1) {
                    sum += static_cast<uint64_t>(sqlite3_column_bytes(st, c));
                    (void)sqlite3_column_text(st, c);
                } else {
                    sum += static_cast<uint64_t>(sqlite3_column_int64(st, c));
                }
            }
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        return sum;
    }
    // Runs a query and reads every column of every row by its own type, as a host would.
    int Query(const char* sql) { return QueryOn(db_, sql); }
    static int QueryOn(sqlite3* db, const char* sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) Fail(std::string("prepare: ") + sql);
        int rows = 0;
        uint64_t sum = 0;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                if (sqlite3_column_type(st, c) == SQLITE_TEXT) {
                    const unsigned char* text = sqlite3_column_text(st, c);
                    sum += static_cast<uint64_t>(sqlite3_column_bytes(st, c)) + (text != nullptr ? text[0] : 0);
                } else {
                    sum += static_cast<uint64_t>(sqlite3_column_int64(st, c));
                }
            }
            ++rows;
        }
        if (rc != SQLITE_DONE) Fail(std::string("sqlite step: ") + sql);
        sqlite3_finalize(st);
        Keep(sum);
        return rows;
    }
    // The value of a one-row, one-column query.
    int64_t Scalar(const char* sql) {
        sqlite3_stmt* st = Prepare(sql);
        if (sqlite3_step(st) != SQLITE_ROW) Fail(std::string("sqlite scalar: ") + sql);
        int64_t v = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return v;
    }
    // Writes the in-memory database to a file through the backup interface.
    void SaveTo(const std::string& file) {
        std::remove(file.c_str());
        sqlite3* out = nullptr;
        if (sqlite3_open(file.c_str(), &out) != SQLITE_OK) Fail("sqlite open file");
        sqlite3_backup* b = sqlite3_backup_init(out, "main", db_, "main");
        if (b == nullptr) Fail("sqlite backup init");
        sqlite3_backup_step(b, -1);
        sqlite3_backup_finish(b);
        sqlite3_close(out);
    }
    // Opens the file on a connection of its own and reads every row back; the in-memory database stays as it is.
    int LoadFrom(const std::string& file) {
        sqlite3* in = nullptr;
        if (sqlite3_open(file.c_str(), &in) != SQLITE_OK) Fail("sqlite open file");
        int rows = QueryOn(in, "SELECT * FROM item");
        sqlite3_close(in);
        return rows;
    }

private:
    sqlite3* db_ = nullptr;
};

// ---- the tasks -----------------------------------------------------------------------------------------------

struct Row {
    std::string task;
    std::string unit;       // what one figure measures
    Timed t;
    double target = 0;      // SQLite / DBS must reach at least this
    std::string targetText;
};

long ResidentBytes() {
    std::ifstream in("/proc/self/statm");
    long pages = 0, resident = 0;
    in >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// Resident bytes per record after loading, measured in a child process so that nothing else is counted. `load`
// fills a store and calls its argument while the store is still alive.
using Measure = std::function<void()>;
double MemoryPerRecord(const std::function<void(const Measure&)>& load, uint32_t records) {
    int fds[2];
    if (pipe(fds) != 0) return 0;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const long before = ResidentBytes();
        long after = before;
        load([&] { after = ResidentBytes(); });
        double per = static_cast<double>(after - before) / records;
        if (write(fds[1], &per, sizeof per) != sizeof per) _exit(1);
        _exit(0);
    }
    close(fds[1]);
    double per = 0;
    if (read(fds[0], &per, sizeof per) != sizeof per) per = 0;
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return per;
}

using Step = std::function<void()>;

double TimeOnce(const Step& setup, const Step& work) {
    if (setup) setup();
    auto t0 = Clock::now();
    work();
    return Seconds(t0, Clock::now());
}

double MedianOf(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

Timed Alternate(int repeat, double per, const Step& dbsSetup, const Step& dbsWork, const Step& liteSetup,
                const Step& liteWork) {
    std::vector<double> a, b, r;
    for (int i = 0; i < repeat; ++i) {
        a.push_back(TimeOnce(dbsSetup, dbsWork) / per);
        if (!liteWork) continue;
        b.push_back(TimeOnce(liteSetup, liteWork) / per);
        r.push_back(a.back() > 0 ? b.back() / a.back() : 0);
    }
    return {MedianOf(a), MedianOf(b), MedianOf(r)};
}

struct Figures {
    Timed lookup, insertOrdered, insertRandom, select, count, update, del, saveLoad;
    int selectRows[2] = {};  // what the statements found on each side, compared
    int64_t countValue[2] = {};
    int64_t afterDelete[2] = {};
};

// Runs every task on `n` records, DBS and (when `withSqlite`) SQLite in alternating rounds.
Figures Run(uint32_t n, int repeat, bool withSqlite, const std::vector<Item>& items,
            const std::vector<uint32_t>& ordered, const std::vector<uint32_t>& shuffled,
            const std::vector<uint32_t>& keys) {
    DbsSide dbs(n);
    SqliteSide lite;
    Figures f;
    const uint32_t onePercent = 65536 / 100;
    char sel[160], cnt[160], upd[160], del[160], lsel[160], lcnt[160], lupd[160], ldel[160];
    std::snprintf(sel, sizeof sel, "SELECT ID, CODE, PRICE FROM ITEM WHERE QTY < %u", onePercent);
    std::snprintf(cnt, sizeof cnt, "SELECT COUNT(*) FROM ITEM WHERE QTY < %u", onePercent);
    std::snprintf(upd, sizeof upd, "UPDATE ITEM SET PRICE = PRICE + 1 WHERE QTY < %u", onePercent);
    std::snprintf(del, sizeof del, "DELETE FROM ITEM WHERE QTY < %u", onePercent);
    std::snprintf(lsel, sizeof lsel, "SELECT id, code, price FROM item WHERE qty < %u", onePercent);
    std::snprintf(lcnt, sizeof lcnt, "SELECT COUNT(*) FROM item WHERE qty < %u", onePercent);
    std::snprintf(lupd, sizeof lupd, "UPDATE item SET price = price + 1 WHERE qty < %u", onePercent);
    std::snprintf(ldel, sizeof ldel, "DELETE FROM item WHERE qty < %u", onePercent);
    const std::string file = (fs::temp_directory_path() / ("dbs_compare_" + std::to_string(getpid()) + ".db"));
    auto lite_ = [&](Step s) { return withSqlite ? s : Step{}; };
    const double rows = n;

    f.insertOrdered = Alternate(repeat, rows, [&] { dbs.Start(); }, [&] { dbs.Insert(items, ordered); },
                                [&] { lite.Create(); }, lite_([&] { lite.Insert(items, ordered); }));
    f.insertRandom = Alternate(repeat, rows, [&] { dbs.Start(); }, [&] { dbs.Insert(items, shuffled); },
                               [&] { lite.Create(); }, lite_([&] { lite.Insert(items, shuffled); }));
    f.lookup = Alternate(repeat, static_cast<double>(keys.size()), nullptr, [&] { Keep(dbs.Lookups(keys)); },
                         nullptr, lite_([&] { Keep(lite.Lookups(keys)); }));
    f.selectRows[0] = dbs.Sql(sel);
    (void)dbs.Sql(cnt, &f.countValue[0]);
    if (withSqlite) {
        f.selectRows[1] = lite.Query(lsel);
        f.countValue[1] = lite.Scalar(lcnt);
    }
    f.select = Alternate(repeat, rows, nullptr, [&] { (void)dbs.Sql(sel); }, nullptr,
                         lite_([&] { (void)lite.Query(lsel); }));
    f.count = Alternate(repeat, rows, nullptr, [&] { (void)dbs.Sql(cnt); }, nullptr,
                        lite_([&] { (void)lite.Query(lcnt); }));
    f.update = Alternate(repeat, rows, nullptr, [&] { (void)dbs.Sql(upd); }, nullptr, lite_([&] { lite.Exec(lupd); }));
    f.saveLoad = Alternate(repeat, rows, nullptr, [&] {
                               dbs.Save();
                               dbs.Load();
                           }, nullptr, lite_([&] {
                               lite.SaveTo(file);
                               if (lite.LoadFrom(file) != static_cast<int>(n)) Fail("SQLite lost records");
                           }));
    if (dbs.Count() != n) Fail("save and load lost records");
    f.del = Alternate(repeat, rows, [&] {
                          dbs.Start();
                          dbs.Insert(items, ordered);
                      }, [&] { (void)dbs.Sql(del); }, [&] {
                          lite.Create();
                          lite.Insert(items, ordered);
                      }, lite_([&] { lite.Exec(ldel); }));
    f.afterDelete[0] = dbs.Count();
    if (withSqlite) f.afterDelete[1] = lite.Scalar("SELECT COUNT(*) FROM item");
    std::remove(file.c_str());
    return f;
}

// ---- a million records keyed through the core calls ----------------------------------------------------------

// Records appended and keyed one by one through DbsAppendTuple, DbsSetTuple and DbsInsertIndex in random key
// order, against SQLite inserting the same keys into an INTEGER PRIMARY KEY table in one transaction; then point
// lookups among them. The cost of an insertion must not grow with the table: the first and the last eighth of the
// fill are timed apart.
struct MillionFigures {
    Timed fill, lookup;
    double firstEighth = 0, lastEighth = 0;  // DBS seconds per insert, medians over the rounds
    double firstCpu = 0, lastCpu = 0;        // the same in process CPU time, which other processes do not stretch
    double liteFirst = 0, liteLast = 0;      // SQLite's, for comparison: what the caches add to both sides
};

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

MillionFigures Million(int repeat) {
    constexpr uint32_t kRecords = 1000000;
    std::vector<uint32_t> keys(kRecords);
    for (uint32_t i = 0; i < kRecords; ++i) keys[i] = i + 1;
    std::shuffle(keys.begin(), keys.end(), std::mt19937(11));
    std::vector<uint32_t> probes(100000);
    std::mt19937 rng(12);
    for (auto& k : probes) k = 1 + rng() % kRecords;

    uint32_t table = 0, index = 0;
    std::vector<double> first, last, firstCpu, lastCpu, liteFirst, liteLast;
    auto dbsSetup = [&] {
        DbsUninitialize();
        DbsCoreRelease();
        if (DbsCoreInit() != 1) Fail("DbsCoreInit failed");
        table = DbsCreateTableBySpec(0, "BIG", 0, kRecords, "ID D(4) SAVE", "QTY D(4) SAVE", "");
        index = table != 0 ? DbsCreateIndexByName(table, 0, DBS_IDX_SORTED, 0, 0, 4, "ID", "") : 0;
        if (index == 0) Fail("the table of a million records could not be made");
    };
    auto dbsFill = [&] {
        const uint32_t eighth = kRecords / 8;
        Clock::time_point mark = Clock::now();
        double cpuMark = CpuSeconds();
        for (uint32_t i = 0; i < kRecords; ++i) {
            const uint32_t tuple[2] = {keys[i], keys[i] ^ 0x5555u};
            if (DbsAppendTuple(table) != 1 || DbsSetTuple(table, tuple) != 1 || DbsInsertIndex(index, &keys[i]) != 1) {
                Fail("a core insertion was refused");
            }
            if (i + 1 == eighth) {
                first.push_back(Seconds(mark, Clock::now()) / eighth);
                firstCpu.push_back((CpuSeconds() - cpuMark) / eighth);
            }
            if (i + 1 == kRecords - eighth) {
                mark = Clock::now();
                cpuMark = CpuSeconds();
            }
        }
        last.push_back(Seconds(mark, Clock::now()) / eighth);
        lastCpu.push_back((CpuSeconds() - cpuMark) / eighth);
    };
    SqliteSide lite;
    auto liteSetup = [&] {
        lite.Open();
        lite.Exec("CREATE TABLE big(id INTEGER PRIMARY KEY, qty INTEGER)");
    };
    auto liteFill = [&] {
        lite.Exec("BEGIN");
        sqlite3_stmt* st = lite.Prepare("INSERT INTO big VALUES(?, ?)");
        const uint32_t eighth = kRecords / 8;
        Clock::time_point mark = Clock::now();
        for (uint32_t i = 0; i < kRecords; ++i) {
            sqlite3_bind_int64(st, 1, keys[i]);
            sqlite3_bind_int64(st, 2, keys[i] ^ 0x5555u);
            if (sqlite3_step(st) != SQLITE_DONE) Fail("sqlite insert");
            sqlite3_reset(st);
            if (i + 1 == eighth) liteFirst.push_back(Seconds(mark, Clock::now()) / eighth);
            if (i + 1 == kRecords - eighth) mark = Clock::now();
        }
        liteLast.push_back(Seconds(mark, Clock::now()) / eighth);
        sqlite3_finalize(st);
        lite.Exec("COMMIT");
    };
    MillionFigures f;
    f.fill = Alternate(repeat, kRecords, dbsSetup, dbsFill, liteSetup, liteFill);
    f.firstEighth = MedianOf(first);
    f.lastEighth = MedianOf(last);
    f.liteFirst = MedianOf(liteFirst);
    f.liteLast = MedianOf(liteLast);
    f.firstCpu = MedianOf(firstCpu);
    f.lastCpu = MedianOf(lastCpu);
    f.lookup = Alternate(repeat, static_cast<double>(probes.size()), nullptr, [&] {
        uint32_t tuple[2];
        uint64_t sum = 0;
        for (uint32_t k : probes) {
            if (DbsLocateTuple(index, &k) != 1 || DbsGetTuple(table, tuple) != 1) Fail("lookup missed");
            sum += tuple[1];
        }
        Keep(sum);
    }, nullptr, [&] {
        sqlite3_stmt* st = lite.Prepare("SELECT * FROM big WHERE id = ?");
        uint64_t sum = 0;
        for (uint32_t k : probes) {
            sqlite3_bind_int64(st, 1, k);
            if (sqlite3_step(st) != SQLITE_ROW) Fail("sqlite lookup missed");
            sum += static_cast<uint64_t>(sqlite3_column_int64(st, 0) + sqlite3_column_int64(st, 1));
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        Keep(sum);
    });
    DbsCoreRelease();
    return f;
}

std::string Human(double seconds) {
    char buf[32];
    if (seconds < 1e-6) std::snprintf(buf, sizeof buf, "%.1f ns", seconds * 1e9);
    else if (seconds < 1e-3) std::snprintf(buf, sizeof buf, "%.2f us", seconds * 1e6);
    else std::snprintf(buf, sizeof buf, "%.2f ms", seconds * 1e3);
    return buf;
}


// ---- SQL through the key indexes ------------------------------------------------------------------------------
// Statements whose condition fixes a key: point SELECTs by the primary key, a join of a child table to its parent
// on the parent's key, and one-record UPDATE and DELETE by the primary key. Both sides parse the statement text
// every time (SQLite prepares, steps and finalizes each one); DBS keeps one parser context.

const char* kJoinSchemaXml = R"(<?xml version="1.0"?>
<DBDef>
  <Table Name="PARENT" MaxRecNum="256">
    <Field Name="ID" DataType="DWORD"/>
    <Field Name="NAME" DataType="CHAR" Num="12"/>
    <PriKey Name="PK_PARENT"><PKI Field="ID"/></PriKey>
  </Table>
  <Table Name="CHILD" MaxRecNum="256">
    <Field Name="CID" DataType="DWORD"/>
    <Field Name="PID" DataType="DWORD"/>
    <Field Name="QTY" DataType="DWORD"/>
    <PriKey Name="PK_CHILD"><PKI Field="CID"/></PriKey>
  </Table>
</DBDef>
)";

// Runs statements on one DBS parser context, reading every column of every row.
class DbsStatements {
public:
    DbsStatements() : p_(SQLCreate()) {}
    ~DbsStatements() { SQLDestory(p_); }
    int Run(const char* sql) {
        TagSqlRst* rst = nullptr;
        if (SQLExecute(p_, sql, &rst) != 0) Fail(std::string("SQLExecute failed: ") + sql);
        if (rst == nullptr) return 0;
        TagSqlValue v{};
        uint64_t sum = 0;
        int rows = 0;
        const int columns = RstGetFieldNum(rst);
        for (int r = RstMoveFirst(rst); r == 0 && IsEOF(rst) == 0; r = RstMoveNext(rst), ++rows) {
            for (int c = 0; c < columns; ++c) {
                if (RstGetFieldValue(rst, c, &v) != 0) Fail("RstGetFieldValue failed");
                sum += static_cast<uint64_t>(IntegerOf(v));
            }
        }
        RstDestroy(rst);
        Keep(sum);
        return rows;
    }

private:
    hSqlParser p_;
};

std::vector<Row> RunKeyedStatements(uint32_t n, int repeat, const std::vector<Item>& items,
                                    const std::vector<uint32_t>& ordered, const std::vector<uint32_t>& keys) {
    const size_t points = 10000, changes = 1000;
    std::vector<Row> rows;
    {
        DbsSide dbs(n);
        SqliteSide lite;
        dbs.Start();
        dbs.Insert(items, ordered);
        lite.Create();
        lite.Insert(items, ordered);
        DbsStatements st;
        char sql[128];
        Timed point = Alternate(repeat, points, nullptr, [&] {
            for (size_t i = 0; i < points; ++i) {
                std::snprintf(sql, sizeof sql, "SELECT * FROM ITEM WHERE ID = %u", keys[i]);
                if (st.Run(sql) != 1) Fail("point SELECT missed");
            }
        }, nullptr, [&] {
            for (size_t i = 0; i < points; ++i) {
                std::snprintf(sql, sizeof sql, "SELECT * FROM item WHERE id = %u", keys[i]);
                if (lite.Query(sql) != 1) Fail("sqlite point SELECT missed");
            }
        });
        rows.push_back({"point SELECT by primary key", "per statement", point, 2, ">= 2x"});
        Timed update = Alternate(repeat, changes, nullptr, [&] {
            for (size_t i = 0; i < changes; ++i) {
                std::snprintf(sql, sizeof sql, "UPDATE ITEM SET PRICE = PRICE + 1 WHERE ID = %u", keys[i]);
                st.Run(sql);
            }
        }, nullptr, [&] {
            for (size_t i = 0; i < changes; ++i) {
                std::snprintf(sql, sizeof sql, "UPDATE item SET price = price + 1 WHERE id = %u", keys[i]);
                lite.Exec(sql);
            }
        });
        rows.push_back({"UPDATE one record by key", "per statement", update, 0, "report"});
        Timed del = Alternate(repeat, changes, [&] {
            dbs.Start();
            dbs.Insert(items, ordered);
        }, [&] {
            for (size_t i = 0; i < changes; ++i) {
                std::snprintf(sql, sizeof sql, "DELETE FROM ITEM WHERE ID = %zu", i * 7 + 1);
                st.Run(sql);
            }
        }, [&] {
            lite.Create();
            lite.Insert(items, ordered);
        }, [&] {
            for (size_t i = 0; i < changes; ++i) {
                std::snprintf(sql, sizeof sql, "DELETE FROM item WHERE id = %zu", i * 7 + 1);
                lite.Exec(sql);
            }
        });
        if (dbs.Count() != n - changes) Fail("DELETE by key removed " + std::to_string(n - dbs.Count()));
        rows.push_back({"DELETE one record by key", "per statement", del, 0, "report"});
    }
    // The join, on a store of its own.
    const fs::path dir = fs::temp_directory_path() / ("dbs_compare_join_" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::ofstream((dir / "join.xml").string()) << kJoinSchemaXml;
    DbsUninitialize();
    DbsSetDataPath((dir.string() + "/").c_str());
    if (DbsInitialize((dir / "join.xml").string(), "") != 1) Fail("DbsInitialize of the join schema failed");
    SqliteSide lite;
    lite.Create();
    lite.Exec("CREATE TABLE parent(id INTEGER PRIMARY KEY, name TEXT)");
    lite.Exec("CREATE TABLE child(cid INTEGER PRIMARY KEY, pid INTEGER, qty INTEGER)");
    const uint32_t hParent = DbsGetTableHandle("PARENT"), hChild = DbsGetTableHandle("CHILD");
    std::mt19937 rng(11);
    for (uint32_t i = 0; i < 256; ++i) {
        struct {
            uint32_t id;
            char name[12];
        } pr{};
        pr.id = i * 3 + 1;
        std::snprintf(pr.name, sizeof pr.name, "P%u", i);
        if (DbsSysInsertTabTuple(hParent, &pr) != 1) Fail("parent insert");
        char sql[128];
        std::snprintf(sql, sizeof sql, "INSERT INTO parent VALUES(%u, '%s')", pr.id, pr.name);
        lite.Exec(sql);
    }
    for (uint32_t i = 0; i < 256; ++i) {
        const uint32_t ch[3] = {i + 1, (static_cast<uint32_t>(rng()) % 256) * 3 + 1, static_cast<uint32_t>(rng() % 100)};
        if (DbsSysInsertTabTuple(hChild, ch) != 1) Fail("child insert");
        char sql[128];
        std::snprintf(sql, sizeof sql, "INSERT INTO child VALUES(%u, %u, %u)", ch[0], ch[1], ch[2]);
        lite.Exec(sql);
    }
    DbsChangeOverAddr();
    DbsAllCopyData();
    {
        DbsStatements st;
        const char* dj = "SELECT CHILD.CID, CHILD.QTY, PARENT.NAME FROM CHILD, PARENT WHERE PARENT.ID = CHILD.PID";
        const char* lj = "SELECT child.cid, child.qty, parent.name FROM child, parent WHERE parent.id = child.pid";
        if (st.Run(dj) != 256 || lite.Query(lj) != 256) Fail("the join sides disagree");
        const int joins = 100;
        Timed join = Alternate(repeat, joins, nullptr, [&] {
            for (int i = 0; i < joins; ++i) st.Run(dj);
        }, nullptr, [&] {
            for (int i = 0; i < joins; ++i) lite.Query(lj);
        });
        rows.push_back({"join 256 x 256 on parent key", "per statement", join, 1, ">= 1x"});
    }
    DbsUninitialize();
    std::error_code ec;
    fs::remove_all(dir, ec);
    return rows;
}

// ---- SQL INSERT and GROUP BY -----------------------------------------------------------------------------------

// The INSERT statements of the records, `perStatement` records each, written before the timing starts (SQLite's
// side binds its values to a prepared statement, which costs it no text either).
std::vector<std::string> InsertTexts(const std::vector<Item>& items, uint32_t perStatement) {
    std::vector<std::string> texts;
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        const Item& it = items[i];
        if (i % perStatement == 0) text = "INSERT INTO ITEM VALUES ";
        else text += ", ";
        char row[256];
        std::snprintf(row, sizeof row, "(%u, '%.16s', %u, %u, %u, %u, %u, %u, %u, %u, %u, %u, %u, %u, %u, %u, %u, %u)",
                      it.id, it.code, it.qty, it.price, it.stock, it.cost, it.vendor, it.batch, it.w[0], it.w[1],
                      it.w[2], it.w[3], it.w[4], it.w[5], it.w[6], it.w[7], it.w[8], it.w[9]);
        text += row;
        if (i % perStatement == perStatement - 1 || i + 1 == items.size()) texts.push_back(text);
    }
    return texts;
}

// Runs the statements on one parser inside one transaction.
void DbsInsertStatements(const std::vector<std::string>& texts) {
    hSqlParser p = SQLCreate();
    if (TransBegin() != 0) Fail("TransBegin failed");
    for (const std::string& t : texts) {
        if (SQLExecute(p, t.c_str(), nullptr) != 0) Fail("INSERT failed: " + t.substr(0, 80));
    }
    if (TransCommit() != 0) Fail("TransCommit failed");
    SQLDestory(p);
}

// INSERT statements of one record and of 100 records against SQLite's prepared insert in one transaction, and a
// GROUP BY into 100 groups; printed as rows of the table above and added to the data file.
void InsertAndGroupRows(uint32_t n, int repeat, const std::vector<Item>& items, const std::vector<uint32_t>& ordered,
                        std::ofstream& dat, int& idx) {
    DbsSide dbs(n);
    SqliteSide lite;
    const std::vector<std::string> one = InsertTexts(items, 1);
    const std::vector<std::string> hundred = InsertTexts(items, 100);
    const double rows = n;
    Timed single = Alternate(repeat, rows, [&] { dbs.Start(); }, [&] { DbsInsertStatements(one); },
                             [&] { lite.Create(); }, [&] { lite.Insert(items, ordered); });
    if (dbs.Count() != n) Fail("INSERT statements lost records");
    Timed batched = Alternate(repeat, rows, [&] { dbs.Start(); }, [&] { DbsInsertStatements(hundred); },
                              [&] { lite.Create(); }, [&] { lite.Insert(items, ordered); });
    if (dbs.Count() != n) Fail("INSERT statements lost records");
    const char* group = "SELECT VENDOR / 5, COUNT(*), SUM(PRICE), MAX(QTY) FROM ITEM GROUP BY VENDOR / 5";
    const char* lgroup = "SELECT vendor / 5, COUNT(*), SUM(price), MAX(qty) FROM item GROUP BY vendor / 5";
    if (dbs.Sql(group) != lite.Query(lgroup)) Fail("the two sides disagree on the groups");
    Timed grouped = Alternate(repeat, rows, nullptr, [&] { (void)dbs.Sql(group); }, nullptr,
                              [&] { (void)lite.Query(lgroup); });
    const Row table[] = {
        {"INSERT, 1 record per statement", "per record", single, 1, ">= 1x"},
        {"INSERT, 100 records per stmt", "per record", batched, 1, ">= 1x"},
        {"GROUP BY into 100 groups", "per row scanned", grouped, 1, ">= 1x"},
    };
    for (const Row& r : table) {
        std::printf("| %-31s | %-15s | %10s | %10s | %7.1fx | %6s | %-3s |\n", r.task.c_str(), r.unit.c_str(),
                    Human(r.t.dbs).c_str(), Human(r.t.lite).c_str(), r.t.ratio, r.targetText.c_str(),
                    r.t.ratio >= r.target ? "yes" : "no");
        dat << idx++ << " \"" << r.task << "\" " << r.t.dbs << " " << r.t.lite << " " << r.t.ratio << "\n";
    }
}

// ---- publishing what changed ---------------------------------------------------------------------------------
// Stores of 1 and of 16 tables of 65,535 records of 100 bytes (a 'D' primary key, two 'D' fields, an 88-byte 'C'
// field), against SQLite in memory with the same tables. Every SQL UPDATE or DELETE outside a transaction copies
// main onto secondary memory for all tables and swaps the roles; the copy moves only the pages written since the
// last one, so a one-record change should cost the same whatever the size of the store. The DBS store is also run
// with copies of whole buffers (the way before page marks) to show what the marks save.

constexpr uint32_t kWideRecords = 65535;

#pragma pack(push, 1)
struct Wide {
    uint32_t id, qty, price;
    char note[88];
};
#pragma pack(pop)
static_assert(sizeof(Wide) == 100);

Wide WideRecord(uint32_t id) {
    Wide w{};
    w.id = id;
    w.qty = id % 1000;
    w.price = id * 7 % 100000;
    std::snprintf(w.note, sizeof w.note, "record %u", id);
    return w;
}

class WideDbs {
public:
    WideDbs(int tables, bool marks) {
        dir_ = fs::temp_directory_path() / ("dbs_compare_wide_" + std::to_string(getpid()));
        fs::create_directories(dir_ / "temp");
        std::string xml = "<?xml version=\"1.0\"?>\n<DBDef>\n";
        for (int t = 0; t < tables; ++t) {
            char table[512];
            std::snprintf(table, sizeof table,
                          "  <Table Name=\"T%d\" MaxRecNum=\"%u\"><Field Name=\"ID\" DataType=\"DWORD\"/>"
                          "<Field Name=\"QTY\" DataType=\"DWORD\"/><Field Name=\"PRICE\" DataType=\"DWORD\"/>"
                          "<Field Name=\"NOTE\" DataType=\"CHAR\" Num=\"88\"/>"
                          "<PriKey Name=\"PK_T%d\"><PKI Field=\"ID\"/></PriKey></Table>\n",
                          t, kWideRecords, t);
            xml += table;
        }
        xml += "</DBDef>\n";
        const std::string schema = (dir_ / "wide.xml").string();
        std::ofstream(schema) << xml;
        DbsUninitialize();
        dbs::core::SetMarksKept(marks);
        DbsSetDataPath((dir_.string() + "/").c_str());
        if (DbsInitialize(schema, "") != 1) Fail("DbsInitialize failed (wide store)");
        dbs::core::SetMarksKept(true);
        for (int t = 0; t < tables; ++t) {
            const uint32_t h = Table(t);
            for (uint32_t id = 1; id <= kWideRecords; ++id) {
                const Wide w = WideRecord(id);
                if (DbsSysInsertTabTuple(h, &w) != 1) Fail("checked insert refused a record (wide store)");
            }
        }
        DbsChangeOverAddr();
        DbsAllCopyData();
        parser_ = SQLCreate();
    }
    ~WideDbs() {
        SQLDestory(parser_);
        DbsUninitialize();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    uint32_t Table(int t) const {
        std::string name = "T";
        name += std::to_string(t);  // appended: "T" + a temporary string makes g++ 12 at -O3 warn (-Wrestrict)
        return DbsGetTableHandle(name.c_str());
    }
    void Sql(const char* text) {
        TagSqlRst* rst = nullptr;
        if (SQLExecute(parser_, text, &rst) != 0) Fail(std::string("SQLExecute failed: ") + text);
        if (rst != nullptr) RstDestroy(rst);
    }

private:
    fs::path dir_;
    hSqlParser parser_ = nullptr;
};

class WideLite {
public:
    explicit WideLite(int tables) {
        lite_.Create();
        lite_.Exec("BEGIN");
        for (int t = 0; t < tables; ++t) {
            std::string name = "t";
            name += std::to_string(t);
            const std::string create = "CREATE TABLE " + name + "(id INTEGER PRIMARY KEY, qty INTEGER, price INTEGER, "
                                       "note TEXT)";
            lite_.Exec(create.c_str());
            sqlite3_stmt* st = lite_.Prepare(("INSERT INTO " + name + " VALUES(?,?,?,?)").c_str());
            for (uint32_t id = 1; id <= kWideRecords; ++id) {
                const Wide w = WideRecord(id);
                sqlite3_bind_int64(st, 1, w.id);
                sqlite3_bind_int64(st, 2, w.qty);
                sqlite3_bind_int64(st, 3, w.price);
                sqlite3_bind_text(st, 4, w.note, static_cast<int>(strnlen(w.note, sizeof w.note)), SQLITE_STATIC);
                if (sqlite3_step(st) != SQLITE_DONE) Fail("sqlite insert (wide store)");
                sqlite3_reset(st);
            }
            sqlite3_finalize(st);
        }
        lite_.Exec("COMMIT");
    }
    void Exec(const char* sql) { lite_.Exec(sql); }
    int Changes() const { return lite_.Changes(); }

private:
    SqliteSide lite_;
};

struct PublishFigures {
    Timed update1, update16, updateWhole16, replace16, replaceWhole16, keyed1, keyed16, keyedReplace16;
    double copy16 = 0, copyWhole16 = 0, swap16 = 0, scattered16 = 0;
};

// The SQLite side of the tasks below: one-record UPDATEs by primary key, or a DELETE and an INSERT per key.
Step LiteUpdates(WideLite& lite, const std::vector<uint32_t>& keys) {
    return [&lite, &keys] {
        char text[128];
        for (uint32_t k : keys) {
            std::snprintf(text, sizeof text, "UPDATE t0 SET price = price + 1 WHERE id = %u", k);
            lite.Exec(text);
        }
    };
}
Step LiteReplaces(WideLite& lite, const std::vector<uint32_t>& keys) {
    return [&lite, &keys] {
        char text[256];
        for (uint32_t k : keys) {
            const Wide w = WideRecord(k);
            std::snprintf(text, sizeof text, "DELETE FROM t0 WHERE id = %u", k);
            lite.Exec(text);
            std::snprintf(text, sizeof text, "INSERT INTO t0 VALUES(%u, %u, %u, '%s')", w.id, w.qty, w.price,
                          w.note);
            lite.Exec(text);
        }
    };
}

// A change of secondary memory published the way a statement outside a transaction does it: copy, change, swap.
void Published(uint8_t (*change)(uint32_t, const void*), uint32_t hTable, const Wide& w) {
    DbsAllCopyData();
    if (change(hTable, &w) != 1) Fail("a checked operation refused (wide store)");
    DbsChangeOverAddr();
}

// One-record UPDATE by primary key through SQL, one statement per key.
Timed TimeUpdates(WideDbs& dbs, WideLite& lite, int repeat, const std::vector<uint32_t>& keys) {
    return Alternate(repeat, static_cast<double>(keys.size()), nullptr, [&] {
        char text[128];
        for (uint32_t k : keys) {
            std::snprintf(text, sizeof text, "UPDATE T0 SET PRICE = PRICE + 1 WHERE ID = %u", k);
            dbs.Sql(text);
        }
    }, nullptr, LiteUpdates(lite, keys));
}

// One-record DELETE by primary key through SQL, then the record's checked insert, published.
Timed TimeReplaces(WideDbs& dbs, WideLite& lite, int repeat, const std::vector<uint32_t>& keys) {
    return Alternate(repeat, static_cast<double>(keys.size()), nullptr, [&] {
        char text[128];
        for (uint32_t k : keys) {
            std::snprintf(text, sizeof text, "DELETE FROM T0 WHERE ID = %u", k);
            dbs.Sql(text);
            Published(DbsSysInsertTabTuple, dbs.Table(0), WideRecord(k));
        }
    }, nullptr, LiteReplaces(lite, keys));
}

// What a keyed UPDATE or DELETE costs besides finding its record: the copy, the checked change of the record and
// the swap, through the C calls; in SQLite the same statements as above.
Timed TimeKeyedUpdates(WideDbs& dbs, WideLite& lite, int repeat, const std::vector<uint32_t>& keys) {
    return Alternate(repeat, static_cast<double>(keys.size()), nullptr, [&] {
        for (uint32_t k : keys) {
            Wide w = WideRecord(k);
            w.price += 1;
            Published(DbsSysUpdateTabTuple, dbs.Table(0), w);
        }
    }, nullptr, LiteUpdates(lite, keys));
}

Timed TimeKeyedReplaces(WideDbs& dbs, WideLite& lite, int repeat, const std::vector<uint32_t>& keys) {
    return Alternate(repeat, static_cast<double>(keys.size()), nullptr, [&] {
        for (uint32_t k : keys) {
            Published(DbsSysDeleteTabTuple, dbs.Table(0), WideRecord(k));
            Published(DbsSysInsertTabTuple, dbs.Table(0), WideRecord(k));
        }
    }, nullptr, LiteReplaces(lite, keys));
}

// DbsAllCopyData after `changes` records changed in secondary memory (at keys spread over all tables), per change.
double TimeScatteredCopies(WideDbs& dbs, int tables, const std::vector<uint32_t>& keys, uint32_t changes) {
    std::vector<double> copies;
    for (size_t at = 0; at + changes <= keys.size(); at += changes) {
        for (size_t i = at; i < at + changes; ++i) {
            Wide w = WideRecord(keys[i]);
            w.price += 2;
            if (DbsSysUpdateTabTuple(dbs.Table(static_cast<int>(i % static_cast<size_t>(tables))), &w) != 1) {
                Fail("checked update refused (wide store)");
            }
        }
        DbsChangeOverAddr();
        auto t0 = Clock::now();
        DbsAllCopyData();
        copies.push_back(Seconds(t0, Clock::now()) / changes);
    }
    return MedianOf(copies);
}

// DbsAllCopyData (and, apart, DbsChangeOverAddr) after one record changed in secondary memory, per call.
void TimeCopies(WideDbs& dbs, int tables, const std::vector<uint32_t>& keys, double& copy, double& swap) {
    std::vector<double> copies, swaps;
    for (uint32_t k : keys) {
        const uint32_t h = dbs.Table(static_cast<int>(k % static_cast<uint32_t>(tables)));
        Wide w = WideRecord(k);
        w.price += 1;
        if (DbsSysUpdateTabTuple(h, &w) != 1) Fail("checked update refused (wide store)");
        auto t0 = Clock::now();
        DbsChangeOverAddr();
        auto t1 = Clock::now();
        DbsAllCopyData();
        auto t2 = Clock::now();
        swaps.push_back(Seconds(t0, t1));
        copies.push_back(Seconds(t1, t2));
    }
    copy = MedianOf(copies);
    swap = MedianOf(swaps);
}

PublishFigures RunPublish(int repeat) {
    std::mt19937 rng(11);
    std::vector<uint32_t> keys(200), few(10);
    for (auto& k : keys) k = 1 + rng() % kWideRecords;
    for (auto& k : few) k = 1 + rng() % kWideRecords;
    PublishFigures f;
    {
        WideLite lite(1);
        WideDbs dbs(1, true);
        f.update1 = TimeUpdates(dbs, lite, repeat, keys);
        f.keyed1 = TimeKeyedUpdates(dbs, lite, repeat, keys);
    }
    WideLite lite(16);
    {
        WideDbs dbs(16, true);
        f.update16 = TimeUpdates(dbs, lite, repeat, keys);
        f.replace16 = TimeReplaces(dbs, lite, repeat, keys);
        f.keyed16 = TimeKeyedUpdates(dbs, lite, repeat, keys);
        f.keyedReplace16 = TimeKeyedReplaces(dbs, lite, repeat, keys);
        TimeCopies(dbs, 16, keys, f.copy16, f.swap16);
        std::vector<uint32_t> many(4000);
        for (auto& k : many) k = 1 + rng() % kWideRecords;
        f.scattered16 = TimeScatteredCopies(dbs, 16, many, 400);
    }
    {
        WideDbs dbs(16, false);
        f.updateWhole16 = TimeUpdates(dbs, lite, repeat, few);
        f.replaceWhole16 = TimeReplaces(dbs, lite, repeat, few);
        double swap = 0;
        TimeCopies(dbs, 16, few, f.copyWhole16, swap);
    }
    return f;
}

void PrintPublish(const PublishFigures& f) {
    std::printf("\nPublishing what changed: stores of 1 and 16 tables of %u records of 100 bytes, SQLite in memory "
                "with the same tables (pages of %llu bytes; \"whole\": copies of whole buffers)\n\n",
                kWideRecords, static_cast<unsigned long long>(dbs::core::PageMarks::kPageBytes));
    std::printf("| %-44s | %10s | %10s | %8s | %-22s | %-3s |\n", "task (per operation)", "DBS", "SQLite", "ratio",
                "target", "met");
    std::printf("|%s|%s|%s|%s|%s|%s|\n", std::string(46, '-').c_str(), std::string(12, '-').c_str(),
                std::string(12, '-').c_str(), std::string(10, '-').c_str(), std::string(24, '-').c_str(),
                std::string(5, '-').c_str());
    auto row = [](const char* task, const Timed& t, double target, const char* targetText) {
        std::printf("| %-44s | %10s | %10s | %7.2fx | %-22s | %-3s |\n", task, Human(t.dbs).c_str(),
                    Human(t.lite).c_str(), t.ratio, targetText, target == 0 ? "-" : t.ratio >= target ? "yes" : "no");
    };
    row("UPDATE by primary key, 1 table", f.update1, 0, "report");
    row("UPDATE by primary key, 16 tables", f.update16, 1, ">= 1x SQLite");
    row("UPDATE by primary key, 16 tables, whole", f.updateWhole16, 0, "report");
    row("DELETE + checked insert + publish, 16 tables", f.replace16, 1, ">= 1x SQLite");
    row("DELETE + checked insert + publish, whole", f.replaceWhole16, 0, "report");
    row("by key, no scan: copy+update+swap, 1 table", f.keyed1, 0, "report");
    row("by key, no scan: copy+update+swap, 16 tables", f.keyed16, 1, ">= 1x SQLite UPDATE");
    row("by key, no scan: delete+insert, 16 tables", f.keyedReplace16, 1, ">= 1x SQLite DEL+INS");
    auto growthRow = [](const char* task, double one, double sixteen) {
        const double growth = one > 0 ? sixteen / one : 0;
        std::printf("| %-44s | %9.2fx | %10s | %8s | %-22s | %-3s |\n", task, growth, "", "", "<= 1.2x",
                    growth <= 1.2 ? "yes" : "no");
    };
    growthRow("UPDATE: 16 tables / 1 table", f.update1.dbs, f.update16.dbs);
    growthRow("by key, no scan: 16 tables / 1 table", f.keyed1.dbs, f.keyed16.dbs);
    std::printf("| %-44s | %10s | %10s | %8s | %-22s | %-3s |\n", "DbsAllCopyData after one change, 16 tables",
                Human(f.copy16).c_str(), "", "", "report", "-");
    std::printf("| %-44s | %10s | %10s | %8s | %-22s | %-3s |\n", "DbsAllCopyData after one change, whole",
                Human(f.copyWhole16).c_str(), "", "", "report", "-");
    std::printf("| %-44s | %10s | %10s | %8s | %-22s | %-3s |\n", "DbsAllCopyData after 400 changes, per change",
                Human(f.scattered16).c_str(), "", "", "report", "-");
    std::printf("| %-44s | %10s | %10s | %8s | %-22s | %-3s |\n", "DbsChangeOverAddr, 16 tables",
                Human(f.swap16).c_str(), "", "", "report", "-");
}

}  // namespace

int main(int argc, char** argv) {
    uint32_t records = 65535;
    int repeat = 5;
    std::string out = "dbs_compare.dat";
    std::string publish = "1";  // 0: without the block on publishing, only: that block alone
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--records") records = static_cast<uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
        else if (a == "--repeat") repeat = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--out") out = argv[i + 1];
        else if (a == "--publish") publish = argv[i + 1];
    }
    if (records < 1000 || records > 65535) Fail("--records must be from 1000 to 65535");
    TraceSetSink(KeepLastLine, nullptr);  // figures only
    if (publish == "only") {
        PrintPublish(RunPublish(repeat));
        return 0;
    }

    auto build = [](uint32_t n, std::vector<Item>& items, std::vector<uint32_t>& ordered,
                    std::vector<uint32_t>& shuffled, std::vector<uint32_t>& keys) {
        items = MakeItems(n);
        ordered.resize(n);
        for (uint32_t i = 0; i < n; ++i) ordered[i] = i;
        shuffled = ordered;
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
        std::mt19937 rng(9);
        keys.resize(100000);
        for (auto& k : keys) k = 1 + rng() % n;
    };

    std::vector<Item> items;
    std::vector<uint32_t> ordered, shuffled, keys;
    build(records, items, ordered, shuffled, keys);

    // Memory first, in children of a process that has not yet filled its heap with the timed runs.
    double memDbs = MemoryPerRecord([&](const Measure& measure) {
        DbsSide side(records);
        side.Start();
        side.Insert(items, ordered);
        side.Save();
        side.Start();
        side.Load();
        measure();
    }, records);
    double memLite = MemoryPerRecord([&](const Measure& measure) {
        SqliteSide lite;
        lite.Create();
        lite.Insert(items, ordered);
        measure();
    }, records);

    Figures d = Run(records, repeat, true, items, ordered, shuffled, keys);
    if (d.selectRows[0] != d.selectRows[1] || d.countValue[0] != d.countValue[1] ||
        d.afterDelete[0] != d.afterDelete[1]) {
        Fail("the two sides disagree: rows " + std::to_string(d.selectRows[0]) + "/" +
             std::to_string(d.selectRows[1]) + ", count " + std::to_string(d.countValue[0]) + "/" +
             std::to_string(d.countValue[1]) + ", after delete " + std::to_string(d.afterDelete[0]) + "/" +
             std::to_string(d.afterDelete[1]));
    }

    std::vector<Row> rows = {
        {"point lookup by primary key", "per lookup", d.lookup, 10, ">= 10x"},
        {"checked insert, key order", "per record", d.insertOrdered, 2, ">= 2x"},
        {"checked insert, random order", "per record", d.insertRandom, 1, ">= 1x"},
        {"SELECT ... WHERE (1% of rows)", "per row scanned", d.select, 1, ">= 1x"},
        {"SELECT COUNT(*) ... WHERE", "per row scanned", d.count, 1, ">= 1x"},
        {"UPDATE ... WHERE (1% of rows)", "per row scanned", d.update, 1, ">= 1x"},
        {"DELETE ... WHERE (1% of rows)", "per row scanned", d.del, 1, ">= 1x"},
        {"save to disk and load back", "per record", d.saveLoad, 2, ">= 2x"},
    };

    std::printf("DBS and SQLite %s on %u records of 64 bytes, %d alternating rounds: median times, median of the "
                "per-round ratios\n\n", sqlite3_libversion(), records, repeat);
    std::printf("| %-31s | %-15s | %10s | %10s | %8s | %6s | %-3s |\n", "task", "figure", "DBS", "SQLite",
                "ratio", "target", "met");
    std::printf("|%s|%s|%s|%s|%s|%s|%s|\n", std::string(33, '-').c_str(), std::string(17, '-').c_str(),
                std::string(12, '-').c_str(), std::string(12, '-').c_str(), std::string(10, '-').c_str(),
                std::string(8, '-').c_str(), std::string(5, '-').c_str());
    std::ofstream dat(out);
    dat << "# task dbs_seconds sqlite_seconds ratio\n";
    int idx = 0;
    for (const Row& r : rows) {
        const double ratio = r.t.ratio;
        std::printf("| %-31s | %-15s | %10s | %10s | %7.1fx | %6s | %-3s |\n", r.task.c_str(), r.unit.c_str(),
                    Human(r.t.dbs).c_str(), Human(r.t.lite).c_str(), ratio, r.targetText.c_str(),
                    ratio >= r.target ? "yes" : "no");
        dat << idx++ << " \"" << r.task << "\" " << r.t.dbs << " " << r.t.lite << " " << ratio << "\n";
    }
    InsertAndGroupRows(records, repeat, items, ordered, dat, idx);
    std::printf("| %-31s | %-15s | %8.0f B | %8.0f B | %7.1fx | %6s | %-3s |\n", "memory after loading",
                "resident/record", memDbs, memLite, memDbs > 0 ? memLite / memDbs : 0, "report", "-");

    // SQL through the key indexes, in a table of its own.
    const std::vector<Row> keyed = RunKeyedStatements(records, repeat, items, ordered, keys);
    std::printf("\nSQL statements that fix a key, %u records (the join: 256 parents, 256 children)\n\n", records);
    std::printf("| %-31s | %-15s | %10s | %10s | %8s | %6s | %-3s |\n", "task", "figure", "DBS", "SQLite",
                "ratio", "target", "met");
    for (const Row& r : keyed) {
        std::printf("| %-31s | %-15s | %10s | %10s | %7.2fx | %6s | %-3s |\n", r.task.c_str(), r.unit.c_str(),
                    Human(r.t.dbs).c_str(), Human(r.t.lite).c_str(), r.t.ratio, r.targetText.c_str(),
                    r.target == 0 ? "-" : (r.t.ratio >= r.target ? "yes" : "no"));
        dat << idx++ << " \"" << r.task << "\" " << r.t.dbs << " " << r.t.lite << " " << r.t.ratio << "\n";
    }

    // A million records keyed through the core calls, in a block of its own.
    const MillionFigures m = Million(std::max(1, repeat / 2));
    std::printf("\nA million records appended and keyed through the core calls in random key order\n\n");
    std::printf("| %-31s | %-15s | %10s | %10s | %8s | %6s | %-3s |\n", "task", "figure", "DBS", "SQLite",
                "ratio", "target", "met");
    std::printf("|%s|%s|%s|%s|%s|%s|%s|\n", std::string(33, '-').c_str(), std::string(17, '-').c_str(),
                std::string(12, '-').c_str(), std::string(12, '-').c_str(), std::string(10, '-').c_str(),
                std::string(8, '-').c_str(), std::string(5, '-').c_str());
    std::printf("| %-31s | %-15s | %10s | %10s | %7.1fx | %6s | %-3s |\n", "fill of 1,000,000", "per record",
                Human(m.fill.dbs).c_str(), Human(m.fill.lite).c_str(), m.fill.ratio, ">= 1x",
                m.fill.ratio >= 1 ? "yes" : "no");
    std::printf("| %-31s | %-15s | %10s | %10s | %7.1fx | %6s | %-3s |\n", "point lookup among 1,000,000",
                "per lookup", Human(m.lookup.dbs).c_str(), Human(m.lookup.lite).c_str(), m.lookup.ratio, "report",
                "-");
    const double growth = m.firstEighth > 0 ? m.lastEighth / m.firstEighth : 0;
    std::printf("\nDBS per insert: %s over the first eighth, %s over the last, %.2fx (target <= 1.5x: %s)\n",
                Human(m.firstEighth).c_str(), Human(m.lastEighth).c_str(), growth, growth <= 1.5 ? "yes" : "no");
    std::printf("in process CPU time: %s and %s, %.2fx\n", Human(m.firstCpu).c_str(), Human(m.lastCpu).c_str(),
                m.firstCpu > 0 ? m.lastCpu / m.firstCpu : 0);
    std::printf("SQLite per insert: %s over the first eighth, %s over the last, %.2fx\n", Human(m.liteFirst).c_str(),
                Human(m.liteLast).c_str(), m.liteFirst > 0 ? m.liteLast / m.liteFirst : 0);
    dat << idx++ << " \"fill of 1,000,000\" " << m.fill.dbs << " " << m.fill.lite << " " << m.fill.ratio << "\n";
    dat << idx++ << " \"point lookup among 1,000,000\" " << m.lookup.dbs << " " << m.lookup.lite << " "
        << m.lookup.ratio << "\n";

    // How the DBS figures grow with the table: time per record at 1,000 records and at the full size.
    std::vector<Item> items1;
    std::vector<uint32_t> ordered1, shuffled1, keys1;
    build(1000, items1, ordered1, shuffled1, keys1);
    Figures d1 = Run(1000, repeat, false, items1, ordered1, shuffled1, keys1);
    std::printf("\nDBS time per record (per lookup for lookups) at 1,000 and %u records\n\n", records);
    std::printf("| %-31s | %10s | %10s |\n", "task", "1,000", std::to_string(records).c_str());
    std::printf("|%s|%s|%s|\n", std::string(33, '-').c_str(), std::string(12, '-').c_str(),
                std::string(12, '-').c_str());
    const Timed small[] = {d1.lookup, d1.insertOrdered, d1.insertRandom, d1.select, d1.count, d1.update, d1.del,
                           d1.saveLoad};
    for (size_t i = 0; i < rows.size(); ++i) {
        std::printf("| %-31s | %10s | %10s |\n", rows[i].task.c_str(), Human(small[i].dbs).c_str(),
                    Human(rows[i].t.dbs).c_str());
    }
    if (publish != "0") PrintPublish(RunPublish(repeat));
    return 0;
}
