// The shell in batch mode: options, input sources, output formats, failing statements and exit status.
#include <gtest/gtest.h>

#include "dbsql_runner.h"

namespace dbsql::test {
namespace {

const char* const kRegions =
    "ID,NAME,CODES,LEVEL\r\n"
    "1,North,\"[1, 2, 3]\",0\r\n"
    "2,\"South, far\",[7],9\r\n"
    "3,\"Say \"\"hi\"\"\",[0],255\r\n";  // LEVEL 255 breaks the check constraint: refused

TEST_F(ShellTest, VersionHelpAndUsageErrors) {
    auto v = RunDbsql({"--version"}, "", dir);
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out.rfind("dbsql ", 0), 0u) << v.out;

    auto h = RunDbsql({"--help"}, "", dir);
    EXPECT_EQ(h.status, 0);
    EXPECT_NE(h.out.find("--schema2"), std::string::npos);

    EXPECT_NE(RunDbsql({"--mode", "xml"}, "", dir).status, 0);
    auto save = RunDbsql({"--save"}, "", dir);
    EXPECT_EQ(save.status, 2);
    EXPECT_NE(save.err.find("--save needs a data directory"), std::string::npos);
}

TEST_F(ShellTest, SchemaErrorEndsWithTheLibrarysLines) {
    WriteFile(dir / "bad.xml", "<NotDBDef/>");
    auto r = RunDbsql({"-s", "bad.xml", "-c", ".tables"}, "", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error: the store could not be built from the schema files"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("the tag of root node is not 'DBDef'"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST_F(ShellTest, TablesInEveryMode) {
    struct Case {
        const char* mode;
        const char* expected;
    } cases[] = {
        {"csv", "name,type,records,capacity\r\nREGION,1,0,100\r\nCITY,1,0,100\r\n"},
        {"json",
         "[\n {\"name\":\"REGION\",\"type\":1,\"records\":0,\"capacity\":100},\n"
         " {\"name\":\"CITY\",\"type\":1,\"records\":0,\"capacity\":100}\n]\n"},
        {"line",
         "    name = REGION\n    type = 1\n records = 0\ncapacity = 100\n\n"
         "    name = CITY\n    type = 1\n records = 0\ncapacity = 100\n"},
        {"table",
         "+--------+------+---------+----------+\n"
         "| name   | type | records | capacity |\n"
         "+--------+------+---------+----------+\n"
         "| REGION |    1 |       0 |      100 |\n"
         "| CITY   |    1 |       0 |      100 |\n"
         "+--------+------+---------+----------+\n"},
        {"box",
         "┌────────┬──────┬─────────┬──────────┐\n"
         "│ name   │ type │ records │ capacity │\n"
         "├────────┼──────┼─────────┼──────────┤\n"
         "│ REGION │    1 │       0 │      100 │\n"
         "│ CITY   │    1 │       0 │      100 │\n"
         "└────────┴──────┴─────────┴──────────┘\n"},
    };
    for (const auto& c : cases) {
        auto r = Run({"--mode", c.mode, "-c", ".tables"});
        EXPECT_EQ(r.status, 0) << c.mode << ": " << r.err;
        EXPECT_EQ(r.out, c.expected) << c.mode;
    }
}

TEST_F(ShellTest, SelectResultsInEveryMode) {
    WriteFile(dir / "regions.csv", kRegions);
    struct Case {
        const char* mode;
        const char* expected;
    } cases[] = {
        {"csv", "ID,NAME,CODES\r\n1,North,\"[1, 2, 3]\"\r\n2,\"South, far\",\"[7, 0, 0]\"\r\n"},
        {"json",
         "[\n {\"ID\":1,\"NAME\":\"North\",\"CODES\":[1,2,3]},\n {\"ID\":2,\"NAME\":\"South, far\",\"CODES\":[7,0,0]}\n]\n"},
        {"line", "   ID = 1\n NAME = North\nCODES = [1, 2, 3]\n\n   ID = 2\n NAME = South, far\nCODES = [7, 0, 0]\n"},
        {"table",
         "+----+------------+-----------+\n"
         "| ID | NAME       | CODES     |\n"
         "+----+------------+-----------+\n"
         "|  1 | North      | [1, 2, 3] |\n"
         "|  2 | South, far | [7, 0, 0] |\n"
         "+----+------------+-----------+\n"},
    };
    for (const auto& c : cases) {
        auto r = Run({"--mode", c.mode}, ".import regions.csv REGION\nSELECT ID, NAME, CODES FROM REGION;\n");
        // The refused third row makes the run fail, after the rest has run.
        EXPECT_EQ(r.status, 1) << c.mode;
        ASSERT_EQ(r.out.rfind("imported 2 records into REGION\n", 0), 0u) << c.mode << ": " << r.out << r.err;
        EXPECT_EQ(r.out.substr(std::string("imported 2 records into REGION\n").size()), c.expected) << c.mode;
    }
}

TEST_F(ShellTest, PlanShowsTheAccessPathOfEachTable) {
    auto r = Run({}, ".plan SELECT CITY.NAME, REGION.NAME FROM CITY, REGION WHERE REGION.ID = CITY.REGION;\n"
                     ".plan DELETE FROM CITY WHERE ID IN (1, 2) AND NAME <> 'x'\n"
                     ".plan UPDATE CITY SET NAME = 'y' WHERE ID = 1.5\n.plan\n.plan SELECT * FROM NOPE\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "CITY: scan\nREGION: index 0 (ID) lookup, per row of the tables before it\n"
              "CITY: index 0 (ID) lookup of 2 keys (IN list)\n"
              "CITY: scan\n");
    EXPECT_NE(r.err.find("usage: .plan STATEMENT"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("cannot plan: SELECT * FROM NOPE"), std::string::npos) << r.err;
}

TEST_F(ShellTest, UnsignedValuesStayUnsigned) {
    WriteFile(dir / "r.csv", "ID,NAME,CODES,LEVEL\n4294967295,Max,\"65535 0 1\",9\n");
    auto r = Run({"--mode", "csv", "-c", ".import r.csv REGION", "-c", "SELECT ID, CODES, LEVEL FROM REGION"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("4294967295,\"[65535, 0, 1]\",9\r\n"), std::string::npos) << r.out;
}

TEST_F(ShellTest, FailingStatementReportsItsTraceLinesAndTheRunGoesOn) {
    auto r = Run({"--mode", "csv"}, "SELECT * FROM NOSUCH\n.count REGION\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "0\n");
    // One block: the statement, then the library's lines, indented.
    ASSERT_EQ(r.err.rfind("error: statement failed: SELECT * FROM NOSUCH\n  ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("Parser SQL String Error!"), std::string::npos) << r.err;
}

TEST_F(ShellTest, SqlErrorReportsReadAsOneLine) {
    struct Case {
        const char* sql;
        const char* line;
    } cases[] = {
        {"SELECT NOPE FROM REGION", "\n  ***SQL processing error: code 1 - invalid data field reference : NOPE\n"},
        {"SELECT ID FROM REGION WHERE ID = 1 ORDER BY 3",
         "\n  ***SQL processing error: code 21 - invalid column reference : 3\n"},
        {"SELECT ID FROM REGION WHERE NAME = 1", "\n  ***SQL processing error: code 32 - not valid compares occurred\n"},
    };
    WriteFile(dir / "r.csv", "ID,NAME,CODES,LEVEL\n1,North,[1],1\n");
    for (const auto& c : cases) {
        auto r = Run({"-c", ".import r.csv REGION", "-c", c.sql});
        EXPECT_EQ(r.status, 1) << c.sql;
        EXPECT_NE(r.err.find(c.line), std::string::npos) << c.sql << "\n" << r.err;
    }
    // A division by zero fails without a line of the library's own.
    auto zero = Run({"-c", ".import r.csv REGION", "-c", "SELECT x = 7 / 0 FROM REGION"});
    EXPECT_EQ(zero.status, 1);
    EXPECT_NE(zero.err.find("error: statement failed: SELECT x = 7 / 0 FROM REGION\n  (the library wrote no reason"),
              std::string::npos)
        << zero.err;
}

TEST_F(ShellTest, PipedInputSkipsCommentsAndTrailingSemicolons) {
    auto r = Run({"--mode", "csv"}, "-- a comment\n\n  .count CITY ;\nSELECT ID FROM CITY;;\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0\nID\r\n");
}

TEST_F(ShellTest, ScriptFileAndUnknownCommands) {
    WriteFile(dir / "script.sql", ".mode csv\n.frobnicate\n.count REGION\n");
    auto r = Run({"script.sql"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "0\n");
    EXPECT_NE(r.err.find("error: unknown command .frobnicate"), std::string::npos);

    auto missing = Run({"nosuch.sql"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot open nosuch.sql"), std::string::npos);
}

TEST_F(ShellTest, CommandsRunBeforeTheScript) {
    WriteFile(dir / "script.sql", ".count CITY\n");
    auto r = Run({"-c", ".mode csv", "-c", ".count REGION", "script.sql"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0\n0\n");
}

TEST_F(ShellTest, QuitStopsReading) {
    auto r = Run({}, ".count REGION\n.quit\n.count NOSUCH\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0\n");
}

TEST_F(ShellTest, SchemaShowsKindsKeysAndConstraints) {
    auto r = Run({"-c", ".schema REGION", "-c", ".schema CITY"});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* part : {"REGION  (table 0, type 1", "CODES  WORD[3]", "NAME   CHAR(16)", "key 0 (primary): ID",
                             "check LEVEL: \"<=9\"", "referenced by CITY (restrict)",
                             "foreign key -> REGION key 0, on delete restrict: \"REGION\""})
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
    EXPECT_NE(Run({"-c", ".schema NOSUCH"}).status, 0);
}

TEST_F(ShellTest, DeleteAndUpdateChangeTheData) {
    WriteFile(dir / "regions.csv", "ID,NAME,CODES,LEVEL\n1,North,[1],1\n2,South,[2],2\n");
    auto r = Run({"--mode", "csv"}, ".import regions.csv REGION\nUPDATE REGION SET LEVEL = 5 WHERE ID = 2;\n"
                                    "DELETE FROM REGION WHERE ID = 1\nSELECT ID, LEVEL FROM REGION\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "imported 2 records into REGION\nID,LEVEL\r\n2,5\r\n");
}

TEST_F(ShellTest, TransactionsGroupChangesUntilCommit) {
    WriteFile(dir / "regions.csv", "ID,NAME,CODES,LEVEL\n1,North,[1],1\n2,South,[2],2\n");
    auto r = Run({"--mode", "csv"},
                 ".import regions.csv REGION\n"
                 ".begin\nDELETE FROM REGION WHERE ID = 1\n.count REGION\n.rollback\n.count REGION\n"
                 ".begin\nDELETE FROM REGION WHERE ID = 1\n.commit\n.count REGION\n"
                 ".commit\n");
    EXPECT_EQ(r.status, 1);  // the last .commit has no transaction
    EXPECT_EQ(r.out, "imported 2 records into REGION\n2\n2\n1\n");
    EXPECT_NE(r.err.find("error: commit refused\n  "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("No Transact is in ACTIVE state!"), std::string::npos) << r.err;
}

TEST_F(ShellTest, ModeAndTraceCommands) {
    auto r = Run({}, ".mode json\n.mode\n.mode xml\n.trace maybe\n.trace on\n.count REGION\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "json\n0\n");
    EXPECT_NE(r.err.find("usage: .mode box|table|csv|json|line"), std::string::npos);
    EXPECT_NE(r.err.find("usage: .trace on|off"), std::string::npos);
}

TEST_F(ShellTest, TraceFileReceivesTheLibrarysLines) {
    auto r = Run({"--trace", "trace.log", "-c", "SELECT * FROM NOSUCH"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(ReadFile(dir / "trace.log").find("Parser SQL String Error!"), std::string::npos);
}

}  // namespace
}  // namespace dbsql::test
