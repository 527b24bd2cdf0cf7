// INSERT end to end: what a row stores, every refusal failing the whole statement with main memory unchanged,
// rows inside transactions, and the statement words staying usable as table and column names.
#include "sql/exec_fixture.h"

namespace dbs::test {
namespace {

class InsertTest : public SqlFixture {
protected:
    void SetUp() override {
        SqlFixture::SetUp();
        BuildStaff();
    }
    Rowset Staff() { return Select("SELECT ID, NAME, DNO, AGE FROM EMP"); }
};

TEST_F(InsertTest, RowsAreStoredAsWritten) {
    struct Case {
        const char* statement;
        Rowset staff;   // EMP afterwards, beyond the four records of the fixture
    };
    const Case cases[] = {
        {"INSERT INTO EMP VALUES (50, 'eve', 3, 41)", {"50|eve|3|41"}},
        {"insert into EMP (DNO, ID, NAME) values (2, 51, 'fay')", {"51|fay|2|0"}},
        {"INSERT INTO EMP (ID, DNO) VALUES (52, 1), (53, 1), (0x36, 1)", {"52||1|0", "53||1|0", "54||1|0"}},
        {"INSERT INTO EMP VALUES (5 * 11, UPPER('gus'), 1 + 1, 99.0)", {"55|GUS|2|99"}},
        {"INSERT INTO EMP VALUES (4294967295, 'twelve chars', 2, -0)", {"4294967295|twelve chars|2|0"}},
    };
    const Rowset base = Staff();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        ASSERT_EQ(DbsGetTupleNum(hEmp), 4u);
        EXPECT_EQ(Run(c.statement), nullptr);
        Rowset expected = base;
        expected.insert(expected.end(), c.staff.begin(), c.staff.end());
        EXPECT_EQ(Staff(), expected);
        ExpectConsistent(hEmp);
        Run("DELETE FROM EMP WHERE ID > 40");
    }
}

TEST_F(InsertTest, RefusalsNameTheColumnAndChangeNothing) {
    struct Case {
        const char* statement;
        int code;            // SQL error code, 0 for a refusal of the checked insert
        const char* detail;  // in the trace, nullptr for none
    };
    const Case cases[] = {
        {"INSERT INTO EMP VALUES (50, 'eve', 3, 300)", 16, "AGE = 300 (a whole number from 0 to 255)"},
        {"INSERT INTO EMP VALUES (-1, 'eve', 3, 1)", 16, "ID = -1"},
        {"INSERT INTO EMP VALUES (50, 'eve', 3, 2.5)", 16, "AGE = 2.5"},
        {"INSERT INTO EMP VALUES (50, 'eve', 65536, 1)", 16, "DNO = 65536"},
        {"INSERT INTO EMP VALUES (50, 'eve', '3', 1)", 17, "DNO = '3' (a whole number"},
        {"INSERT INTO EMP VALUES (50, 7, 3, 1)", 17, "NAME = 7 (a string expected)"},
        {"INSERT INTO EMP VALUES (50, 'thirteen char', 3, 1)", 16, "NAME = 'thirteen char' (at most 12 characters)"},
        {"INSERT INTO EMP VALUES (50, NULL, 3, 1)", 17, "NAME = NULL"},
        {"INSERT INTO EMP VALUES (50, 'x' + 1, 3, 1)", 17, "NAME = no value"},
        {"INSERT INTO EMP VALUES (50, 'eve', 3)", 12, "3 values for 4 columns"},
        {"INSERT INTO EMP (ID, NAME) VALUES (50, 'a'), (51)", 12, "1 values for 2 columns"},
        {"INSERT INTO EMP (ID, ID) VALUES (50, 51)", 21, "ID named twice"},
        {"INSERT INTO EMP (ID, SALARY) VALUES (50, 1)", 1, "SALARY"},
        {"INSERT INTO EMP (ID) VALUES (AGE)", 9, "AGE is no constant value"},
        {"INSERT INTO EMP (ID) VALUES (COUNT(*))", 10, "COUNT"},
        {"INSERT INTO STAFF VALUES (1)", 29, "STAFF"},
        {"INSERT INTO EMP (ID) VALUES (1 / 0)", 22, nullptr},   // stored only, as everywhere
        // the checked insert: a duplicate key, a missing department, the age check; the second row is refused
        // after the first one was accepted into the working copy
        {"INSERT INTO EMP VALUES (50, 'eve', 3, 1), (10, 'dup', 1, 1)", 0, "ins_insertrecord Error!"},
        {"INSERT INTO EMP VALUES (50, 'eve', 9, 1)", 0, "ins_insertrecord Error!"},
        {"INSERT INTO EMP VALUES (50, 'eve', 3, 100)", 0, "ins_insertrecord Error!"},
    };
    const std::vector<char> emp = MainImage(hEmp);
    const std::vector<char> dept = MainImage(hDept);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        trace.Clear();
        Refuse(c.statement);
        if (c.code != 0) {
            EXPECT_EQ(sql->iErrCode, c.code);
        }
        if (c.detail != nullptr) {
            EXPECT_TRUE(TraceHas(c.detail)) << TraceText();
        }
        EXPECT_EQ(MainImage(hEmp), emp);
        EXPECT_EQ(MainImage(hDept), dept);
        EXPECT_EQ(DbsGetTupleNum(hEmp), 4u);
    }
    // A statement after the refusals starts from the published data, not from a refused working copy.
    Run("INSERT INTO EMP VALUES (50, 'eve', 3, 1)");
    EXPECT_EQ(Select("SELECT ID FROM EMP WHERE ID >= 50"), Rowset{"50"});
    ExpectConsistent(hEmp);
}

TEST_F(InsertTest, InsideATransactionRowsWaitForTheCommit) {
    ASSERT_EQ(TransBegin(), 0);
    Run("INSERT INTO DEPT VALUES (4, 'ops')");
    Run("INSERT INTO EMP VALUES (50, 'eve', 4, 33)");   // sees the department of the same transaction
    Run("UPDATE EMP SET AGE = 34 WHERE ID = 50");
    EXPECT_EQ(Select("SELECT DNO FROM DEPT WHERE DNO = 4"), Rowset{});   // not published yet
    ASSERT_EQ(TransCommit(), 0);
    EXPECT_EQ(Select("SELECT ID, NAME, DNO, AGE FROM EMP WHERE ID = 50"), Rowset{"50|eve|4|34"});

    const std::vector<char> emp = MainImage(hEmp);
    ASSERT_EQ(TransBegin(), 0);
    Run("INSERT INTO EMP VALUES (60, 'gil', 1, 1)");
    ASSERT_EQ(TransRollback(), 0);
    EXPECT_EQ(MainImage(hEmp), emp);
    EXPECT_EQ(Select("SELECT ID FROM EMP WHERE ID = 60"), Rowset{});
    ExpectConsistent(hEmp);
}

// Array fields take a number as their first element or a list of elements, as the shell's import reads them;
// the statement words are plain names wherever they do not begin or continue a statement.
class InsertWordsTest : public SqlFixture {};

TEST_F(InsertWordsTest, ArrayFieldsAndWordsAsNames) {
    const uint32_t h = AddTable("Values", 16);
    AddColumn(h, "Insert", 'D', 4);
    AddColumn(h, "Group", 'W', 6);
    AddColumn(h, "Having", 'C', 4);
    AddKey(h, 0, {"Insert"});
    ASSERT_EQ(Build(), 1);
    Run("INSERT INTO Values (Insert, Group) VALUES (1, '[1, 2, 3]'), (2, '0x10;7'), (3, 9), (4, ' 5 ')");
    Run("INSERT INTO Values (Having, Insert) VALUES ('into', 5)");
    std::vector<uint16_t> groups;
    std::vector<uint8_t> tuple(DbsGetTupleLen(h));
    for (bool on = DbsSkipToFirst(h); on; on = DbsSkipToNext(h)) {
        DbsGetTuple(h, tuple.data());
        for (int i = 0; i < 3; ++i) {
            uint16_t x = 0;
            std::memcpy(&x, tuple.data() + 4 + 2 * i, 2);
            groups.push_back(x);
        }
    }
    EXPECT_EQ(groups, (std::vector<uint16_t>{1, 2, 3, 16, 7, 0, 9, 0, 0, 5, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Select("SELECT Insert FROM Values WHERE Group = 9 OR Having = 'into'"), (Rowset{"3", "5"}));
    EXPECT_EQ(Select("SELECT Group, COUNT(*) FROM Values WHERE Insert < 3 GROUP BY Group HAVING Group > 0"),
              (Rowset{"1|1", "16|1"}));
    Refuse("INSERT INTO Values (Insert, Group) VALUES (6, '1 2 3 4')");
    EXPECT_TRUE(TraceHas("Group = '1 2 3 4' (a whole number from 0 to 65535, or a list of them)")) << TraceText();
    Refuse("INSERT INTO Values (Insert, Group) VALUES (6, '1, x')");
    Refuse("INSERT INTO Values (Insert, Group) VALUES (6, '65536')");
    EXPECT_EQ(DbsGetTupleNum(h), 5u);
    // Still no statement of their own elsewhere.
    Refuse("INSERT Values VALUES (7)");
    Refuse("INSERT INTO Values VALUES");
    Refuse("INSERT INTO Values (Insert) (7)");
    Refuse("Values");
}

}  // namespace
}  // namespace dbs::test
