// Which access path a statement takes (SQLExplain), for the cases that must stay scans: constants that are no
// exact value of the key column, and conditions that could fail on a record the index would skip. Each SELECT
// returns the same rows with the index paths off.
#include <dbs/dbs_plan.h>

#include "sql/access_path.h"
#include "sql/exec_fixture.h"

namespace dbs::test {
namespace {

class AccessPathTest : public SqlFixture {
protected:
    void TearDown() override {
        dbs::sql::SetIndexPathsEnabled(true);
        SqlFixture::TearDown();
    }
    std::string Plan(const std::string& text) {
        char buf[512];
        int n = SQLExplain(sql, text.c_str(), buf, sizeof buf);
        return n < 0 ? "error" : std::string(buf);
    }
};

TEST_F(AccessPathTest, ChoosesTheIndexOnlyWhereNothingCanChange) {
    BuildStaff();
    const std::string lookup = "EMP: index 0 (ID) lookup\n";
    const std::string scan = "EMP: scan\n";
    const struct {
        const char* where;
        std::string plan;
    } cases[] = {
        {"ID = 20", lookup},
        {"20 = ID AND AGE > 3", lookup},
        {"ID = 20.0", lookup},
        {"ID = 10 + 10", lookup},
        {"ID = 20.5", scan},                 // a fraction
        {"ID = -20", scan},                  // not a value of an unsigned column
        {"ID = '20'", scan},                 // a string for a number fails the statement on its first record
        {"ID = 20 AND AGE / 0 = 1", scan},   // a division could fail on a record the index skips
        {"ID = 20 AND STRLEN(NAME) = 3", scan},
        {"ID = 20 AND NAME = 3", scan},
        {"ID = 20 AND AGE LIKE 'a*'", scan},
        {"ID = 20 OR AGE = 1", scan},
        {"ID NOT = 20", scan},
        {"-ID = 20", scan},
        {"ID IN (40, 10, 40)", "EMP: index 0 (ID) lookup of 3 keys (IN list)\n"},
        {"ID IN (10, 2.5)", scan},
        {"DNO = 2", scan},                   // no key on EMP.DNO
    };
    for (const auto& c : cases) {
        std::string select = std::string("SELECT NAME, AGE FROM EMP WHERE ") + c.where;
        EXPECT_EQ(Plan(select), c.plan) << c.where;
        dbs::sql::SetIndexPathsEnabled(false);
        trace.Clear();
        TagSqlRst* off = nullptr;
        int rOff = SQLExecute(sql, select.c_str(), &off);
        auto linesOff = trace.Texts();
        dbs::sql::SetIndexPathsEnabled(true);
        trace.Clear();
        TagSqlRst* on = nullptr;
        int rOn = SQLExecute(sql, select.c_str(), &on);
        EXPECT_EQ(rOn, rOff) << c.where;
        EXPECT_EQ(trace.Texts(), linesOff) << c.where;
        EXPECT_EQ(Rows(on), Rows(off)) << c.where;
        if (on) RstDestroy(on);
        if (off) RstDestroy(off);
    }
    EXPECT_EQ(Plan("SELECT * FROM DEPT WHERE DNO = 70000"), "DEPT: scan\n");
    EXPECT_EQ(Plan("SELECT * FROM DEPT WHERE DNO = 65535"), "DEPT: index 0 (DNO) lookup\n");
    EXPECT_EQ(Plan("SELECT * FROM EMP, DEPT WHERE DEPT.DNO = EMP.DNO"),
              "EMP: scan\nDEPT: index 0 (DNO) lookup, per row of the tables before it\n");
    EXPECT_EQ(Plan("UPDATE EMP SET AGE = 1 WHERE ID = 10"), lookup);
    EXPECT_EQ(Plan("DELETE FROM EMP WHERE ID = 10 AND NAME LIKE 'a*'"), lookup);
    EXPECT_EQ(Plan("EXISTS FROM EMP WHERE ID = 10"), lookup);
    dbs::sql::SetIndexPathsEnabled(false);
    EXPECT_EQ(Plan("SELECT * FROM EMP WHERE ID = 10"), scan);
}

TEST_F(AccessPathTest, ExplainRefusesWhatItCannotPlanAndCutsToTheBuffer) {
    BuildStaff();
    char small[8];
    EXPECT_EQ(SQLExplain(sql, "SELECT * FROM EMP", small, sizeof small), 10);
    EXPECT_STREQ(small, "EMP: sc");
    EXPECT_EQ(SQLExplain(sql, "SELECT * FROM NOPE", small, sizeof small), -1);
    EXPECT_EQ(SQLExplain(sql, "SELECT FROM", small, sizeof small), -1);
    EXPECT_EQ(SQLExplain(nullptr, "SELECT * FROM EMP", small, sizeof small), -1);
    // The context runs the next statement as usual.
    EXPECT_EQ(Rows(Run("SELECT NAME FROM EMP WHERE ID = 30")), std::vector<std::string>{"cid"});
}

}  // namespace
}  // namespace dbs::test
