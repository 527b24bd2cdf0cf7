// The SQL interface and the record-set calls: argument checks, walking a record set, reading values, ownership
// of record sets across statements, and allocation failures at every step of a statement.
#include "runtime/fault_injection.h"
#include "sql/exec_fixture.h"

namespace dbs::test {
namespace {

class RecordsetTest : public SqlFixture {
protected:
    void SetUp() override {
        SqlFixture::SetUp();
        BuildStaff();
    }
};

TEST_F(RecordsetTest, NullHandlesAreRefusedWithTheirLines) {
    const char* invalid = "[File:* Line*] SQL Recordset Handle is Invalid!";
    struct Case { const char* name; int got; int want; };
    Case cases[] = {
        {"RstMoveFirst", RstMoveFirst(nullptr), -1},   {"RstMoveNext", RstMoveNext(nullptr), -1},
        {"RstMovePrev", RstMovePrev(nullptr), -1},     {"RstMoveLast", RstMoveLast(nullptr), -1},
        {"IsBOF", IsBOF(nullptr), 1},                  {"IsEOF", IsEOF(nullptr), 1},
        {"RstGetRecordNum", RstGetRecordNum(nullptr), -1}, {"RstGetFieldNum", RstGetFieldNum(nullptr), -1},
        {"RstGetTableNum", RstGetTableNum(nullptr), -1},   {"RstGetFieldType", RstGetFieldType(nullptr, 0), -1},
        {"RstGetFieldLen", RstGetFieldLen(nullptr, 0), 0}, {"RstGetFieldValue", RstGetFieldValue(nullptr, 0, nullptr), -1},
        {"RstDestroy", RstDestroy(nullptr), -1},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.name;
    EXPECT_EQ(RstGetFieldName(nullptr, 0), nullptr);
    EXPECT_EQ(RstGetTableName(nullptr, 0), nullptr);
    EXPECT_EQ(trace.Count(), std::size(cases) + 2);
    for (const std::string& line : trace.Texts()) EXPECT_EQ(line, invalid);
    EXPECT_EQ(GetTypeWidth(nullptr), 0);

    trace.Clear();
    EXPECT_EQ(SQLExecute(nullptr, "SELECT ID FROM EMP", nullptr), -1);
    EXPECT_TRUE(trace.Last().starts_with("[FILE sql_api.cpp, Line ")) << trace.Last();
    EXPECT_TRUE(trace.Last().ends_with("], hSqlParser is NULL!")) << trace.Last();
    TagSqlRst* rst = reinterpret_cast<TagSqlRst*>(1);
    EXPECT_EQ(SQLExecute(sql, nullptr, &rst), -1);
    EXPECT_EQ(rst, nullptr);
    EXPECT_EQ(SQLDestory(nullptr), 0);
}

TEST_F(RecordsetTest, WalkingForwardAndBack) {
    TagSqlRst* rst = Run("SELECT ID FROM EMP WHERE ID < 30");
    ASSERT_NE(rst, nullptr);
    EXPECT_EQ(+rst->iCurRow, -1);
    EXPECT_EQ(IsBOF(rst), 1);
    EXPECT_EQ(IsEOF(rst), 0);
    EXPECT_EQ(RstMoveNext(rst), 0);
    EXPECT_EQ(+rst->iCurRow, 0);
    EXPECT_EQ(RstMoveNext(rst), 0);
    EXPECT_EQ(RstMoveNext(rst), 0);
    EXPECT_EQ(+rst->iCurRow, 2);
    EXPECT_EQ(IsEOF(rst), 1);
    trace.Clear();
    EXPECT_EQ(RstMoveNext(rst), 100);
    EXPECT_EQ(trace.Last(), "[File:* Line*] The Current Record Pos is EOF!");
    EXPECT_EQ(+rst->iCurRow, 2);
    TagSqlValue v{};
    EXPECT_EQ(RstGetFieldValue(rst, 0, &v), -1);
    EXPECT_EQ(trace.Last(), "[File:* Line*] ptRst->iCurRow[2] is Invalid!");
    EXPECT_EQ(RstMoveLast(rst), 0);
    EXPECT_EQ(+rst->iCurRow, 1);
    EXPECT_EQ(RstMoveFirst(rst), 0);
    EXPECT_EQ(RstMovePrev(rst), 0);
    EXPECT_EQ(+rst->iCurRow, -1);
    EXPECT_EQ(RstMovePrev(rst), 101);
    EXPECT_EQ(trace.Last(), "[File:* Line*] The Current Record Pos is BOF!");
    EXPECT_EQ(RstGetFieldValue(rst, 0, &v), -1);
}

TEST_F(RecordsetTest, EmptyRecordSet) {
    TagSqlRst* rst = Run("SELECT ID FROM EMP WHERE ID = 0");
    ASSERT_NE(rst, nullptr);
    EXPECT_EQ(IsBOF(rst), 1);
    EXPECT_EQ(IsEOF(rst), 1);
    trace.Clear();
    EXPECT_EQ(RstMoveFirst(rst), 101);
    EXPECT_EQ(RstMoveNext(rst), 100);
    EXPECT_EQ(RstMovePrev(rst), 101);
    EXPECT_EQ(RstMoveLast(rst), 100);
    TagSqlValue v{};
    EXPECT_EQ(RstGetFieldValue(rst, 0, &v), -1);
    EXPECT_EQ(trace.Count(), 5u);
    for (const std::string& line : trace.Texts())
        EXPECT_EQ(line, "[File:* Line*] The Record num of SQL Recordset is 0!");
}

TEST_F(RecordsetTest, FieldIndexAndValueChecksInOrder) {
    TagSqlRst* rst = Run("SELECT ID, NAME FROM EMP WHERE ID = 20");
    ASSERT_NE(rst, nullptr);
    trace.Clear();
    EXPECT_EQ(RstGetFieldType(rst, 2), 25);
    EXPECT_EQ(RstGetFieldType(rst, -1), 25);
    EXPECT_EQ(RstGetFieldLen(rst, 2), 0);
    EXPECT_EQ(RstGetFieldName(rst, 2), nullptr);
    EXPECT_EQ(RstGetTableName(rst, 100), nullptr);
    EXPECT_EQ(RstGetFieldValue(rst, 2, nullptr), 25) << "the index is checked before the value";
    for (const std::string& line : trace.Texts()) EXPECT_EQ(line, "[File:* Line*] Param iFieldIndex is Invalid!");
    EXPECT_EQ(trace.Count(), 6u);
    EXPECT_EQ(RstGetFieldValue(rst, 0, nullptr), 6);
    EXPECT_EQ(trace.Last(), "[File:* Line*] Param lpVal is NULL!");
    EXPECT_EQ(RstGetFieldValue(rst, 0, nullptr), 6) << "then the value, before the row";

    ASSERT_EQ(RstMoveFirst(rst), 0);
    TagSqlValue v{};
    ASSERT_EQ(RstGetFieldValue(rst, 0, &v), 0);
    EXPECT_EQ(v.chType, DB_ULONG);
    EXPECT_EQ(+v.ulULong, 20u);
    EXPECT_EQ(+v.dwLength, 4u);
    EXPECT_EQ(v.chStorage, DBS_STORAGE_BORROWED);
    EXPECT_EQ(+v.pData, +rst->ptResult->pchData);
    EXPECT_EQ(GetTypeWidth(&v), 4);
    ASSERT_EQ(RstGetFieldValue(rst, 1, &v), 0);
    EXPECT_EQ(v.chType, DB_STRING);
    EXPECT_EQ(+v.dwLength, 12u);
    EXPECT_EQ(+v.pData, rst->ptResult->pchData + 4);
    EXPECT_STREQ(static_cast<const char*>(v.pData), "bob");
    EXPECT_EQ(GetTypeWidth(&v), 1);
}

TEST_F(RecordsetTest, TypeWidths) {
    int want[256] = {};
    want[DB_SHORT] = want[DB_USHORT] = 2;
    want[DB_INT] = want[DB_LONG] = want[DB_FLOAT] = want[DB_UINT] = want[DB_ULONG] = 4;
    want[DB_DOUBLE] = 8;
    want[DB_STRING] = want[DB_TINYINT] = 1;
    for (int t = 0; t < 256; ++t) {
        TagSqlValue v{};
        v.chType = static_cast<int8_t>(t);
        EXPECT_EQ(GetTypeWidth(&v), want[t]) << t;
    }
}

TEST_F(RecordsetTest, RecordSetsOutliveStatementsAndTheirContext) {
    TagSqlRst* first = nullptr;
    ASSERT_EQ(SQLExecute(sql, "SELECT NAME FROM EMP WHERE ID = 10", &first), 0);
    Run("DELETE FROM EMP WHERE ID = 10");
    Run("SELECT ID FROM EMP");
    SQLDestory(sql);
    sql = SQLCreate();
    EXPECT_EQ(Rows(first), Rowset{"ann"});
    EXPECT_EQ(RstDestroy(first), 0);
    // a SELECT without a handle to return runs and releases its result at once
    EXPECT_EQ(SQLExecute(sql, "SELECT ID FROM EMP", nullptr), 0);
    EXPECT_EQ(SQLExecute(sql, "EXISTS FROM EMP", nullptr), 0);
    // a DELETE returns no record set
    TagSqlRst* none = reinterpret_cast<TagSqlRst*>(1);
    ASSERT_EQ(SQLExecute(sql, "DELETE FROM EMP WHERE ID = 20", &none), 0);
    EXPECT_EQ(none, nullptr);
}

TEST_F(RecordsetTest, ParseFailuresAreReportedAndTheContextStaysUsable) {
    Refuse("SELECT ID FROM EMP;");
    EXPECT_EQ(trace.Last(), "[File=*,Line=*] Parser SQL String Error!");
    Refuse("SELECT ID FROM NOSUCH");
    Refuse("DELETE FROM EMP WHERE");
    EXPECT_EQ(Select("SELECT ID FROM EMP WHERE ID = 10"), Rowset{"10"});
}

// Every allocation of a statement fails in turn: the statement fails cleanly (or succeeds when the failing
// allocation had a fallback), nothing leaks, main memory never changes on a failure, and the context stays usable.
TEST_F(RecordsetTest, AllocationFailuresAtEveryStep) {
    const char* statements[] = {
        "SELECT NAME, ID * 2, UPPER(NAME) FROM EMP, DEPT WHERE EMP.DNO = DEPT.DNO ORDER BY 2 DESC",
        "SELECT COUNT(*), MAX(NAME), AVG(AGE) FROM EMP WHERE NAME LIKE '*o*'",
        "EXISTS FROM EMP WHERE AGE > 50",
        "UPDATE EMP SET NAME = 'renamed', AGE = AGE + 1 WHERE DNO = 2",
        "DELETE FROM EMP WHERE AGE > 50",
    };
    for (const char* text : statements) {
        for (long n = 1; n < 60; ++n) {
            // each statement starts on fresh data so that the changing statements have work to do
            TearDown();
            SetUp();
            std::vector<char> before = MainImage(hEmp);
            fault::FailAllocAt(n);
            TagSqlRst* rst = nullptr;
            int r = SQLExecute(sql, text, &rst);
            bool hit = fault::AllocCalls() >= n;
            fault::ResetAll();
            if (r != 0) {
                EXPECT_EQ(rst, nullptr) << text << " @" << n;
                EXPECT_EQ(MainImage(hEmp), before) << text << " @" << n;
            }
            if (rst != nullptr) RstDestroy(rst);
            TagSqlRst* again = nullptr;
            EXPECT_EQ(SQLExecute(sql, "SELECT ID FROM EMP", &again), 0) << text << " @" << n;
            RstDestroy(again);
            if (!hit) break;
        }
    }
}

}  // namespace
}  // namespace dbs::test
