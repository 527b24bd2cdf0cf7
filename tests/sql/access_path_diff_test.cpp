// Index access paths never change a statement: random statements over random data run once with every table
// scanned and once with the index paths on, from the same start, and after every statement the return code, the
// record set (descriptors and bytes), the trace lines and the whole store (both buffers of every table and index,
// cursors and counts) must be the same. DBS_DIFF_STATEMENTS sets the number of statements (100,000 by default).
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/core_state.h"
#include "core/index_prefix.h"
#include "sql/access_path.h"
#include "sql/exec_state.h"
#include "sql/exec_fixture.h"

namespace dbs::test {
namespace {

struct Column {
    const char* name;
    char kind;
};
struct Table {
    const char* name;
    std::vector<Column> columns;
};

const std::vector<Table> kTables = {
    {"P", {{"ID", 'D'}, {"GRP", 'W'}, {"NAME", 'C'}, {"V", 'N'}}},
    {"C", {{"CID", 'W'}, {"PID", 'D'}, {"K", 'N'}, {"S", 'C'}}},
    {"Q", {{"A", 'N'}, {"B", 'C'}, {"X", 'D'}}},
};
const char* const kTexts[] = {"a", "b", "ab", "abc", "abcd", "x", "xy", "p", "q", ""};
const char* const kQTexts[] = {"p", "q", "ab"};

class Hash {
public:
    void Add(const void* data, size_t n) {
        const auto* p = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < n; ++i) h_ = (h_ ^ p[i]) * 1099511628211ull;
    }
    template <typename T>
    void Value(const T& v) { Add(&v, sizeof v); }
    uint64_t Get() const { return h_; }

private:
    uint64_t h_ = 1469598103934665603ull;
};

struct Step {
    std::string text;
    uint64_t result = 0, traces = 0, store = 0;
    std::string detail;  // with DBS_DIFF_VERBOSE: the record set's bytes and the trace lines
};

class AccessPathDiff : public SqlFixture {
protected:
    void TearDown() override {
        dbs::sql::SetIndexPathsEnabled(true);
        SqlFixture::TearDown();
    }

    void Schema() {
        uint32_t p = AddTable("P", 24);
        AddColumn(p, "ID", 'D', 4);
        AddColumn(p, "GRP", 'W', 2);
        AddColumn(p, "NAME", 'C', 4);
        AddColumn(p, "V", 'N', 1);
        AddKey(p, 0, {"ID"});
        AddKey(p, 1, {"GRP", "NAME"});
        uint32_t c = AddTable("C", 32);
        AddColumn(c, "CID", 'W', 2);
        AddColumn(c, "PID", 'D', 4);
        AddColumn(c, "K", 'N', 1);
        AddColumn(c, "S", 'C', 3);
        AddKey(c, 0, {"CID"});
        AddKey(c, 1, {"PID", "K"});
        AddForeignKey(c, p, 0, "PID", DBS_CONS_FK_CASCADE);
        uint32_t q = AddTable("Q", 16);
        AddColumn(q, "A", 'N', 1);
        AddColumn(q, "B", 'C', 2);
        AddColumn(q, "X", 'D', 4);
        AddKey(q, 0, {"A", "B"});
    }

    // A fresh store holding the same random records for the same seed.
    void Rebuild(uint32_t seed) {
        DbsCoreRelease();
        ASSERT_EQ(DbsCoreInit(), 1);
        catalog::ReleaseLists();
        ASSERT_EQ(Build(), 1);
        dbs::sql::ResetTransactionState();
        std::mt19937 rng(seed);
        std::vector<uint32_t> ids;
        for (int i = 0; i < 20; ++i) {
            uint32_t id = rng() % 31;
            TupleBuilder t(DBS_TABLE_HANDLE(0));
            t.D("ID", id).W("GRP", static_cast<uint16_t>(rng() % 5)).C("NAME", kTexts[rng() % 5]);
            t.N("V", static_cast<uint8_t>(rng() % 10));
            if (DbsSysInsertTabTuple(DBS_TABLE_HANDLE(0), t.data())) ids.push_back(id);
        }
        for (int i = 0; i < 28; ++i) {
            TupleBuilder t(DBS_TABLE_HANDLE(1));
            t.W("CID", static_cast<uint16_t>(rng() % 41)).D("PID", ids[rng() % ids.size()]);
            t.N("K", static_cast<uint8_t>(rng() % 4)).C("S", kTexts[5 + rng() % 3]);
            DbsSysInsertTabTuple(DBS_TABLE_HANDLE(1), t.data());
        }
        for (int i = 0; i < 14; ++i) {
            TupleBuilder t(DBS_TABLE_HANDLE(2));
            t.N("A", static_cast<uint8_t>(rng() % 5)).C("B", kQTexts[rng() % 3]);
            t.D("X", rng() % 10);
            DbsSysInsertTabTuple(DBS_TABLE_HANDLE(2), t.data());
        }
        Publish();
        SQLDestory(sql);
        sql = SQLCreate();
    }

    // ---- statements --------------------------------------------------------------------------------------------
    struct Ref {
        int table;   // position in FROM
        int column;
    };

    std::string Constant(std::mt19937& rng, char kind) {
        int r = static_cast<int>(rng() % 40);
        if (kind == 'C') {
            if (r == 0) return "3";
            if (r == 1) return "NULL";
            return std::string("'") + kTexts[rng() % 10] + "'";
        }
        switch (r) {
            case 0: return "-1";
            case 1: return "2.0";
            case 2: return "2.5";
            case 3: return "70000";
            case 4: return "256";
            case 5: return "'a'";
            case 6: return "1 + 1";
            default: return std::to_string(rng() % (kind == 'N' ? 10 : 31));
        }
    }

    std::string Name(const std::vector<int>& from, const Ref& r) {
        const Table& t = kTables[from[r.table]];
        return std::string(t.name) + "." + t.columns[r.column].name;
    }

    Ref AnyColumn(std::mt19937& rng, const std::vector<int>& from) {
        Ref r{static_cast<int>(rng() % from.size()), 0};
        r.column = static_cast<int>(rng() % kTables[from[r.table]].columns.size());
        return r;
    }

    char Kind(const std::vector<int>& from, const Ref& r) { return kTables[from[r.table]].columns[r.column].kind; }

    std::string Operand(std::mt19937& rng, const std::vector<int>& from, const Ref& r) {
        std::string n = Name(from, r);
        switch (rng() % 48) {
            case 0: return n + " + 1";
            case 1: return n + " / 2";
            case 2: return "-" + n;
            case 3: return Kind(from, r) == 'C' ? "STRLEN(" + n + ")" : n + " * 2";
            default: return n;
        }
    }

    std::string Predicate(std::mt19937& rng, const std::vector<int>& from) {
        Ref r = AnyColumn(rng, from);
        char kind = Kind(from, r);
        std::string col = Operand(rng, from, r);
        std::string neg = rng() % 12 == 0 ? " NOT" : "";
        switch (rng() % 10) {
            case 0:
            case 1:
            case 2: return col + neg + " = " + Constant(rng, kind);
            case 3: {  // a column of another (or the same) FROM table
                Ref o = AnyColumn(rng, from);
                for (int i = 0; i < 4 && Kind(from, o) != kind; ++i) o = AnyColumn(rng, from);
                return col + neg + " = " + Operand(rng, from, o);
            }
            case 4: {
                std::string list = Constant(rng, kind);
                int n = 1 + static_cast<int>(rng() % 4);
                for (int i = 0; i < n; ++i) list += ", " + Constant(rng, kind);
                return col + neg + " IN (" + list + ")";
            }
            case 5: return col + neg + " BETWEEN " + Constant(rng, kind) + " AND " + Constant(rng, kind);
            case 6: return col + neg + (rng() % 2 ? " < " : " >= ") + Constant(rng, kind);
            case 7: return col + neg + " <> " + Constant(rng, kind);
            case 8:
                if (kind == 'C' || rng() % 4 == 0) return col + neg + " LIKE '" + (rng() % 2 ? "a*" : "?") + "'";
                return col + " = " + Constant(rng, kind);
            default: return Constant(rng, kind) + neg + " = " + col;
        }
    }

    std::string Condition(std::mt19937& rng, const std::vector<int>& from, int depth) {
        if (depth > 2 || rng() % 3 == 0) return Predicate(rng, from);
        const char* conn = rng() % 5 < 3 ? " AND " : (rng() % 2 ? " OR " : " XOR ");
        std::string l = Condition(rng, from, depth + 1);
        std::string r = Condition(rng, from, depth + 1);
        return rng() % 3 == 0 ? "(" + l + conn + r + ")" : l + conn + r;
    }

    std::string Where(std::mt19937& rng, const std::vector<int>& from) {
        if (rng() % 10 == 0) return "";
        std::string w = Condition(rng, from, 0);
        // Mostly a key of some table fixed, whole or in part.
        if (rng() % 3 != 0) {
            Ref key{static_cast<int>(rng() % from.size()), 0};
            if (from[key.table] != 1 && rng() % 2) key.column = 1;
            w = Name(from, key) + " = " + Constant(rng, Kind(from, key)) + " AND (" + w + ")";
        }
        // Joins: the key of a later table equal to a column of an earlier one.
        for (size_t i = 1; i < from.size(); ++i) {
            if (rng() % 4 == 0) continue;
            Ref later{static_cast<int>(i), 0};
            Ref earlier{static_cast<int>(rng() % i), 0};
            if (from[i] == 1 && rng() % 2) later.column = 1;  // C.PID
            earlier.column = static_cast<int>(rng() % kTables[from[earlier.table]].columns.size());
            w += " AND " + Name(from, later) + " = " + Name(from, earlier);
        }
        return " WHERE " + w;
    }

    std::string Statement(std::mt19937& rng) {
        int kind = static_cast<int>(rng() % 10);
        if (kind < 5) {
            std::vector<int> from;
            int n = 1 + static_cast<int>(rng() % 3);
            for (int i = 0; i < n; ++i) from.push_back(static_cast<int>(rng() % 3));
            std::string list;
            switch (rng() % 6) {
                case 0: list = "*"; break;
                case 1: list = "COUNT(*), MAX(" + Name(from, AnyColumn(rng, from)) + "), " + Name(from, AnyColumn(rng, from)); break;
                case 2: list = "NULL"; break;
                default:
                    list = Name(from, AnyColumn(rng, from)) + ", " + Name(from, AnyColumn(rng, from));
                    break;
            }
            std::string names;
            for (size_t i = 0; i < from.size(); ++i) names += std::string(i ? ", " : "") + kTables[from[i]].name;
            std::string order = rng() % 4 == 0 && list != "*" && list != "NULL" && list[0] != 'C' ? " ORDER BY 1" : "";
            return "SELECT " + list + " FROM " + names + Where(rng, from) + order;
        }
        std::vector<int> one = {static_cast<int>(rng() % 3)};
        const Table& t = kTables[one[0]];
        if (kind == 5) return std::string("EXISTS FROM ") + t.name + Where(rng, one);
        if (kind == 6 || kind == 7) {
            Ref set = AnyColumn(rng, one);
            if (set.column == 0 && rng() % 4 != 0) set.column = 1 + static_cast<int>(rng() % (t.columns.size() - 1));
            return std::string("UPDATE ") + t.name + " SET " + t.columns[set.column].name + " = " +
                   Constant(rng, Kind(one, set)) + Where(rng, one);
        }
        return std::string("DELETE FROM ") + t.name + Where(rng, one);
    }

    // ---- observation -------------------------------------------------------------------------------------------
    static bool Collect(void* ctx, uint32_t tupleNo) {
        static_cast<Hash*>(ctx)->Value(tupleNo);
        return true;
    }

    uint64_t StoreDigest() {
        Hash h;
        for (uint16_t no = 0; no < kTables.size(); ++no) {
            const TagDBForm* f = dbs::core::TableForm(DBS_TABLE_HANDLE(no));
            h.Value(f->byDBMainAddrPtr);
            h.Value(f->byDBSecondAddrPtr);
            for (int b = 0; b < 2; ++b) {
                h.Value(uint32_t{f->adwTupleNo[b]});  // packed: copied, never bound
                h.Value(uint32_t{f->adwTupleNum[b]});
                h.Add(f->apchDBAddr[b], size_t{f->dwMaxTupleNum} * f->wTupleLen);
            }
            for (uint32_t slot = 0; slot < DBS_IDX_SLOTS; ++slot) {
                const TagIdxForm* x = dbs::core::IndexForm(f->adwIdxHandle[slot]);
                if (x == nullptr) continue;
                h.Value(x->byIdxMainAddrPtr);
                for (uint8_t b = 0; b < 2; ++b) {
                    h.Value(uint32_t{x->adwIdxEntryNum[b]});
                    h.Value(uint32_t{x->adwIdxPos[b]});
                    dbs::core::VisitKeyPrefix(x->dwIdxHandle, b, nullptr, 0, Collect, &h);
                }
            }
        }
        return h.Get();
    }

    Step Execute(const std::string& text) {
        Step s;
        s.text = text;
        Hash result;
        trace.Clear();
        int r = 0;
        if (text == "BEGIN") r = TransBegin();
        else if (text == "COMMIT") r = TransCommit();
        else if (text == "ROLLBACK") r = TransRollback();
        else {
            TagSqlRst* rst = nullptr;
            r = SQLExecute(sql, text.c_str(), &rst);
            if (rst != nullptr) {
                const TagSqlRecordset& rs = *rst->ptResult;
                result.Add(&rs, offsetof(TagSqlRecordset, pchData));
                if (rs.pchData != nullptr) result.Add(rs.pchData, static_cast<size_t>(rs.iDataLen));
                if (verbose_) {
                    char hex[4];
                    for (int i = 0; i < rs.iDataLen; ++i) {
                        std::snprintf(hex, sizeof hex, "%02x", static_cast<uint8_t>(rs.pchData[i]));
                        s.detail += hex;
                    }
                }
                RstDestroy(rst);
            }
            auto* st = static_cast<dbs::sql::ExecState*>(sql->pvExecState);
            if (r == 0 && st != nullptr && st->plan.bIndexed) {
                ++indexedRuns;
                for (int i = 0; i < dbs::sql::kMaxFromTables; ++i) {
                    const dbs::sql::TablePath& p = st->plan.table[i];
                    bool join = p.byFixed != 0 && !p.atTerm[0].bConstant;
                    seen.insert(text.substr(0, 6) + (st->bSecondary ? "/tx " : " ") +
                                std::to_string(static_cast<int>(p.eKind)) + (join ? "j" : ""));
                }
            }
        }
        result.Value(r);
        Hash lines;
        for (const TraceLine& l : trace.Lines()) {
            lines.Add(l.text.data(), l.text.size());
            if (verbose_) s.detail += "\n  " + l.text;
        }
        s.result = result.Get();
        s.traces = lines.Get();
        s.store = StoreDigest();
        return s;
    }

    int indexedRuns = 0;
    std::set<std::string> seen;  // statement kind, in a transaction, path kind, join
    bool verbose_ = std::getenv("DBS_DIFF_VERBOSE") != nullptr;

    std::vector<Step> Run(uint32_t seed, int count, bool indexed) {
        Rebuild(seed);
        dbs::sql::SetIndexPathsEnabled(indexed);
        std::mt19937 rng(seed * 7919u + 1);
        std::vector<Step> steps;
        steps.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            int t = static_cast<int>(rng() % 40);
            std::string text = t == 0 ? "BEGIN" : t == 1 ? "COMMIT" : t == 2 ? "ROLLBACK" : Statement(rng);
            steps.push_back(Execute(text));
        }
        return steps;
    }
};

TEST_F(AccessPathDiff, IndexPathsChangeNothing) {
    Schema();
    const char* env = std::getenv("DBS_DIFF_STATEMENTS");
    const int total = env != nullptr ? std::atoi(env) : 100000;
    const int perRound = 500;
    int differences = 0;
    for (int round = 0; round * perRound < total && differences == 0; ++round) {
        auto seed = static_cast<uint32_t>(round + 1);
        std::vector<Step> scan = Run(seed, perRound, false);
        std::vector<Step> index = Run(seed, perRound, true);
        for (size_t i = 0; i < scan.size() && differences == 0; ++i) {
            const Step& a = scan[i];
            const Step& b = index[i];
            ASSERT_EQ(a.text, b.text);
            if (a.result != b.result || a.traces != b.traces || a.store != b.store) {
                ++differences;
                ADD_FAILURE() << "round " << round << " statement " << i << ": " << a.text
                              << (a.result != b.result ? " [result]" : "") << (a.traces != b.traces ? " [traces]" : "")
                              << (a.store != b.store ? " [store]" : "") << "\nscan:  " << a.detail
                              << "\nindex: " << b.detail;
            }
        }
    }
    // The index paths must really have been taken, and often.
    EXPECT_GT(indexedRuns, total / 4);
    if (total >= 20000) {
        for (const char* path : {"SELECT 1", "SELECT 1j", "SELECT 2", "SELECT 3", "EXISTS 1", "EXISTS 2", "UPDATE 1",
                                 "UPDATE/tx 1", "DELETE 1", "DELETE/tx 1", "DELETE/tx 3"})
            EXPECT_EQ(seen.count(path), 1u) << path;
    }
}

}  // namespace
}  // namespace dbs::test
