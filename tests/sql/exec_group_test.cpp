// GROUP BY and HAVING: table-driven semantics on the staff tables, and a differential test against SQLite over
// random data (SQLite's rows ordered by the grouping values, as these come without ORDER BY).
#include <cstdio>
#include <random>

#include <sqlite3.h>

#include "sql/exec_fixture.h"

namespace dbs::test {
namespace {

class GroupTest : public SqlFixture {
protected:
    void SetUp() override {
        SqlFixture::SetUp();
        BuildStaff();
    }
};

TEST_F(GroupTest, GroupsInOrderOfTheirValues) {
    struct Case {
        const char* statement;
        Rowset rows;
    };
    const Case cases[] = {
        {"SELECT DNO, COUNT(*), SUM(AGE), MIN(NAME), MAX(AGE) FROM EMP GROUP BY DNO",
         {"1|2|90|ann|60", "2|2|70|bob|45"}},
        {"SELECT COUNT(*), DNO FROM EMP GROUP BY DNO HAVING SUM(AGE) > 80", {"2|1"}},
        {"SELECT DNO, AVG(AGE) FROM EMP GROUP BY DNO HAVING COUNT(*) = 2 AND DNO <> 1", {"2|35"}},
        {"SELECT DNO FROM EMP GROUP BY DNO ORDER BY 1 DESC", {"2", "1"}},
        {"SELECT DNO FROM EMP WHERE AGE > 99 GROUP BY DNO", {}},
        {"SELECT COUNT(*) FROM EMP WHERE AGE > 99 GROUP BY DNO", {}},
        {"SELECT n = AGE / 20, COUNT(*) FROM EMP GROUP BY AGE / 20", {"1|2", "2|1", "3|1"}},
        {"SELECT NAME FROM EMP GROUP BY NAME, DNO HAVING NAME LIKE '*o*'", {"bob", "dora"}},
        {"SELECT DNAME, COUNT(*) FROM EMP, DEPT WHERE EMP.DNO = DEPT.DNO GROUP BY DNAME", {"dev|2", "sales|2"}},
        {"SELECT * FROM DEPT GROUP BY DNAME, DNO", {"2|dev", "3|empty", "1|sales"}},
        {"SELECT COUNT(*) FROM EMP GROUP BY -AGE / 30", {"1", "2", "1"}},   // -2, -1 and 0
    };
    for (const Case& c : cases) EXPECT_EQ(Select(c.statement), c.rows) << c.statement;
}

TEST_F(GroupTest, RefusedGroupings) {
    struct Case {
        const char* statement;
        int code;
    };
    const Case cases[] = {
        {"SELECT NAME, COUNT(*) FROM EMP GROUP BY DNO", 4},   // a plain column that is not grouped
        {"SELECT AGE FROM EMP GROUP BY AGE + 0", 4},
        {"SELECT COUNT(*) FROM EMP GROUP BY COUNT(*)", 10},
        {"SELECT DNO FROM EMP GROUP BY DNO HAVING NAME = 1", 32},
        {"SELECT DNO FROM EMP GROUP BY DNO, DNO, DNO, DNO, DNO, DNO, DNO, DNO, DNO, DNO, DNO, DNO, DNO, DNO, DNO, "
         "DNO, DNO", 19},
        {"SELECT DNO FROM EMP HAVING COUNT(*) > 1", 0},   // HAVING only after GROUP BY
        {"SELECT DNO FROM EMP GROUP DNO", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        sql->iErrCode = 0;
        Refuse(c.statement);
        EXPECT_EQ(sql->iErrCode, c.code);
    }
}

// The 10,000-row limit of SELECT counts the groups that HAVING keeps.
class GroupLimitTest : public SqlFixture {};

TEST_F(GroupLimitTest, TheRowLimitCountsGroupsAfterHaving) {
    const uint32_t h = AddTable("R", 10001);
    AddColumn(h, "K", 'D', 4);
    AddKey(h, 0, {"K"});
    ASSERT_EQ(Build(), 1);
    for (int k = 0; k < 10001; k += 100) {
        std::string text = "INSERT INTO R VALUES (" + std::to_string(k) + ")";
        for (int i = k + 1; i < k + 100 && i < 10001; ++i) text += ", (" + std::to_string(i) + ")";
        Run(text);
    }
    Refuse("SELECT K FROM R GROUP BY K");
    EXPECT_EQ(sql->iErrCode, 11);
    EXPECT_EQ(Select("SELECT COUNT(*) FROM R GROUP BY K HAVING K >= 9999"), (Rowset{"1", "1"}));
}

// SQLite holds the same random records; each query pair must give the same rows.
class GroupDifferentialTest : public SqlFixture {
protected:
    void TearDown() override {
        if (db_ != nullptr) sqlite3_close(db_);
        SqlFixture::TearDown();
    }
    void Exec(const std::string& text) {
        char* err = nullptr;
        ASSERT_EQ(sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "");
    }
    Rowset Lite(const std::string& text) {
        Rowset rows;
        sqlite3_stmt* s = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, text.c_str(), -1, &s, nullptr), SQLITE_OK) << sqlite3_errmsg(db_);
        while (sqlite3_step(s) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(s); ++i) {
                if (i) row += '|';
                const unsigned char* t = sqlite3_column_text(s, i);
                row += t ? reinterpret_cast<const char*>(t) : "";
            }
            rows.push_back(row);
        }
        sqlite3_finalize(s);
        return rows;
    }
    sqlite3* db_ = nullptr;
};

TEST_F(GroupDifferentialTest, MatchesSqliteOverRandomData) {
    const uint32_t h = AddTable("R", 1024);
    AddColumn(h, "K", 'D', 4);
    AddColumn(h, "A", 'N', 1);
    AddColumn(h, "B", 'W', 2);
    AddColumn(h, "S", 'C', 3);
    AddKey(h, 0, {"K"});
    ASSERT_EQ(Build(), 1);
    ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
    Exec("CREATE TABLE R (K INTEGER PRIMARY KEY, A INTEGER, B INTEGER, S TEXT)");
    std::mt19937 rng(18);
    const char* words[] = {"a", "ab", "b", "ba", "abc", "B", "z"};
    std::string batch = "INSERT INTO R VALUES ";
    for (int k = 0; k < 600; ++k) {
        if (k % 100 != 0) batch += ", ";
        const unsigned a = rng() % 7, b = rng() % 3000;
        const char* s = words[rng() % 7];
        char row[64];  // formatted: "(" + a temporary string makes g++ 12 at -O3 warn (-Wrestrict)
        std::snprintf(row, sizeof row, "(%d, %u, %u, '%s')", k, a, b, s);
        batch += row;
        if (k % 100 == 99) {
            Run(batch);   // the rows go in through INSERT statements of 100 rows
            Exec(batch);
            batch = "INSERT INTO R VALUES ";
        }
    }
    ASSERT_EQ(DbsGetTupleNum(h), 600u);
    struct Pair {
        const char* ours;
        const char* lite;
    };
    const Pair pairs[] = {
        {"SELECT A, COUNT(*), SUM(B), MIN(B), MAX(S) FROM R GROUP BY A",
         "SELECT A, COUNT(*), SUM(B), MIN(B), MAX(S) FROM R GROUP BY A ORDER BY A"},
        {"SELECT S, A, COUNT(*) FROM R WHERE B < 2000 GROUP BY S, A HAVING COUNT(*) > 3",
         "SELECT S, A, COUNT(*) FROM R WHERE B < 2000 GROUP BY S, A HAVING COUNT(*) > 3 ORDER BY S, A"},
        {"SELECT B / 100, AVG(A), MIN(S) FROM R GROUP BY B / 100 HAVING MAX(A) - MIN(A) >= 5 OR B / 100 = 7",
         "SELECT B / 100, SUM(A) / COUNT(A), MIN(S) FROM R GROUP BY B / 100 "
         "HAVING MAX(A) - MIN(A) >= 5 OR B / 100 = 7 ORDER BY 1"},
        {"SELECT COUNT(*), SUM(K) FROM R GROUP BY A * 3 + B / 1000 HAVING SUM(K) NOT BETWEEN 1000 AND 5000",
         "SELECT COUNT(*), SUM(K) FROM R GROUP BY A * 3 + B / 1000 HAVING SUM(K) NOT BETWEEN 1000 AND 5000 "
         "ORDER BY A * 3 + B / 1000"},
        {"SELECT A, S, MAX(B) FROM R GROUP BY A, S HAVING A IN (1, 3) ORDER BY 3 DESC",
         "SELECT A, S, MAX(B) FROM R GROUP BY A, S HAVING A IN (1, 3) ORDER BY 3 DESC"},
    };
    for (const Pair& p : pairs) {
        const Rowset expected = Lite(p.lite);
        EXPECT_GT(expected.size(), 1u) << p.lite;
        EXPECT_EQ(Select(p.ours), expected) << p.ours;
    }
}

}  // namespace
}  // namespace dbs::test
