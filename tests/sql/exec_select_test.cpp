// SELECT end to end: from tables built through the catalogue, through SQLExecute, to the record-set calls.
#include "sql/exec_fixture.h"

namespace dbs::test {
namespace {

class SelectTest : public SqlFixture {
protected:
    void SetUp() override {
        SqlFixture::SetUp();
        BuildStaff();
    }
};

TEST_F(SelectTest, StarGivesEveryColumnWithItsStoredWidthAndType) {
    TagSqlRst* rst = Run("SELECT * FROM EMP");
    ASSERT_NE(rst, nullptr);
    ASSERT_EQ(RstGetFieldNum(rst), 4);
    struct Col { const char* name; int type; int len; int offset; };
    Col want[] = {{"ID", DB_ULONG, 4, 0}, {"NAME", DB_STRING, 12, 4}, {"DNO", DB_USHORT, 2, 16},
                  {"AGE", DB_TINYINT, 1, 18}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(RstGetFieldName(rst, i), want[i].name);
        EXPECT_STREQ(RstGetTableName(rst, i), "EMP");
        EXPECT_EQ(RstGetFieldType(rst, i), want[i].type);
        EXPECT_EQ(RstGetFieldLen(rst, i), want[i].len);
        EXPECT_EQ(+rst->ptResult->atField[i].wOffset, want[i].offset);
    }
    EXPECT_EQ(+rst->ptResult->iRowLen, 19);
    EXPECT_EQ(+rst->ptResult->iDataLen, 4 * 19);
    EXPECT_EQ(Rows(rst), (Rowset{"10|ann|1|30", "20|bob|2|45", "30|cid|2|25", "40|dora|1|60"}));
}

TEST_F(SelectTest, WherePredicates) {
    struct Case { const char* where; Rowset ids; };
    Case cases[] = {
        {"ID = 20", {"20"}},
        {"ID <> 20", {"10", "30", "40"}},
        {"ID NOT EQ 20", {"10", "30", "40"}},
        {"AGE >= 45", {"20", "40"}},
        {"AGE BETWEEN 25 AND 45", {"10", "20", "30"}},
        {"AGE NOT BETWEEN 25 AND 45", {"40"}},
        {"ID IN (40, 10, 99)", {"10", "40"}},
        {"ID NOT IN (40, 10)", {"20", "30"}},
        {"NAME LIKE '?o*'", {"20", "40"}},
        {"NAME NOT LIKE '*a'", {"10", "20", "30"}},
        {"NAME = 'cid'", {"30"}},
        {"NAME > 'b'", {"20", "30", "40"}},
        {"DNO = 1 AND AGE < 50", {"10"}},
        {"DNO = 1 OR AGE < 30", {"10", "30", "40"}},
        {"DNO = 1 XOR AGE < 40", {"30", "40"}},
        {"(ID = 10 OR ID = 20) AND AGE > 40", {"20"}},
        {"ID * 2 - 10 = 50", {"30"}},
        {"-ID = 0 - 40", {"40"}},
        {"ID / 3 = 3", {"10"}},
        {"UPPER(NAME) = 'BOB'", {"20"}},
        {"STRLEN(NAME) = 4", {"40"}},
        // NULL equals only NULL; the absent value makes a comparison unknown
        {"ID = NULL", {}},
        {"ID <> NULL", {"10", "20", "30", "40"}},
        {"NULL = NULL", {"10", "20", "30", "40"}},
        {"ID + 'x' = 1", {}},
        {"ID + 'x' NOT EQ 1", {}},
        {"ID + 'x' = 1 OR ID = 10", {"10"}},
        {"ID + 'x' = 1 XOR ID = 10", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Select(std::string("SELECT ID FROM EMP WHERE ") + c.where), c.ids) << c.where;
    }
}

TEST_F(SelectTest, EvaluationErrorsFailTheStatementWithTheirReport) {
    struct Case { const char* text; const char* report; };
    Case cases[] = {
        {"SELECT ID FROM EMP WHERE NAME = 1", "code 32 - not valid compares occurred"},
        {"SELECT ID FROM EMP WHERE ID LIKE '1*'", "code 17 - invalid value type"},
        {"SELECT UPPER(ID) FROM EMP", "code 9 - invalid expression"},
        {"SELECT SUBSTR(NAME, 1, 2) FROM EMP", "code 2 - sql processor\tsystem error"},
    };
    for (const Case& c : cases) {
        trace.Clear();
        Refuse(c.text);
        EXPECT_TRUE(TraceHas(c.report)) << c.text << "\n" << TraceText();
    }
    trace.Clear();
    Refuse("SELECT ID / 0 FROM EMP");
    EXPECT_FALSE(TraceHas("code 22")) << "a division by zero is stored without a report";
    EXPECT_EQ(sql->iErrCode, 22);
    EXPECT_EQ(Select("SELECT ID FROM EMP WHERE ID = 10"), Rowset{"10"}) << "the context stays usable";
}

TEST_F(SelectTest, LongChainsAreEvaluatedOrRefusedWithoutExhaustingTheStack) {
    auto chain = [](const char* first, const char* link, int n) {
        std::string text = first;
        for (int i = 0; i < n; ++i) text += link;
        return text;
    };
    EXPECT_EQ(Select("SELECT ID FROM EMP WHERE ID = " + chain("0", " + 1", 900)), Rowset{});
    EXPECT_EQ(Select("SELECT COUNT(*) FROM EMP WHERE " + chain("ID = 10", " OR ID = 20", 900)), Rowset{"2"});
    Refuse("SELECT ID FROM EMP WHERE ID = " + chain("0", " + 1", 200000));
    EXPECT_TRUE(TraceHas("expression nested too deeply")) << TraceText();
    Refuse("SELECT ID FROM EMP WHERE " + chain("ID = 10", " OR ID = 20", 200000));
    EXPECT_TRUE(TraceHas("condition nested too deeply"));
}

TEST_F(SelectTest, UnknownColumnsAreReportedAfterEachTableSearched) {
    Refuse("SELECT NOPE FROM EMP, DEPT");
    Rowset want = {"[File:* Line*] GetFieldIndex: Not find field, table:EMP, field:NOPE !",
                   "[File:* Line*] GetFieldIndex: Not find field, table:DEPT, field:NOPE !"};
    Rowset got = trace.Texts();
    ASSERT_GE(got.size(), 3u);
    EXPECT_EQ(Rowset(got.begin(), got.begin() + 2), want);
    EXPECT_TRUE(TraceHas("code 1 - invalid data field reference")) << TraceText();
    EXPECT_EQ(got.back(), "[File=*,Line=*] Parser SQL String Error!");

    trace.Clear();
    // an unqualified column of the second table leaves one line for the first
    EXPECT_EQ(Select("SELECT DNAME FROM EMP, DEPT WHERE ID = 10 AND DEPT.DNO = 1"), Rowset{"sales"});
    EXPECT_EQ(trace.Texts(), Rowset{"[File:* Line*] GetFieldIndex: Not find field, table:EMP, field:DNAME !"});
    trace.Clear();
    Refuse("SELECT X.ID FROM EMP");
    EXPECT_TRUE(TraceHas("code 1 - invalid data field reference")) << TraceText();
}

TEST_F(SelectTest, CastsSignsAndComputedColumns) {
    TagSqlRst* rst = Run("SELECT (DOUBLE) ID, -ID, neg = -AGE, (LONG) '42', 7.0 / 2, 7 / 2, (TINYINT) 300 FROM EMP "
                         "WHERE ID = 10");
    ASSERT_NE(rst, nullptr);
    int types[] = {DB_DOUBLE, DB_LONG, DB_SHORT, DB_LONG, DB_DOUBLE, DB_LONG, DB_TINYINT};
    int lens[] = {8, 4, 2, 4, 8, 4, 1};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(RstGetFieldType(rst, i), types[i]) << i;
        EXPECT_EQ(RstGetFieldLen(rst, i), lens[i]) << i;
    }
    EXPECT_STREQ(RstGetFieldName(rst, 2), "neg");
    EXPECT_STREQ(RstGetFieldName(rst, 5), "");
    EXPECT_EQ(Rows(rst), Rowset{"10.000000|-10|-30|42|3.500000|3|44"});
}

TEST_F(SelectTest, StringFunctionsKeepTheColumnWidth) {
    TagSqlRst* rst = Run("SELECT UPPER(NAME), TRIM('ab  '), TRIM('   '), 'lit' FROM EMP WHERE ID = 40");
    ASSERT_NE(rst, nullptr);
    EXPECT_EQ(RstGetFieldLen(rst, 0), 12);
    EXPECT_EQ(RstGetFieldLen(rst, 3), 3);
    EXPECT_EQ(Rows(rst), Rowset{"DORA|ab| |lit"});
}

TEST_F(SelectTest, Aggregates) {
    EXPECT_EQ(Select("SELECT COUNT(*), SUM(AGE), MIN(NAME), MAX(ID), AVG(AGE) FROM EMP"),
              Rowset{"4|160|ann|40|40"});
    EXPECT_EQ(Select("SELECT COUNT(*) FROM EMP WHERE DNO = 2"), Rowset{"2"});
    EXPECT_EQ(Select("SELECT AVG(ID) FROM EMP WHERE ID < 25"), Rowset{"15"});
    EXPECT_EQ(Select("SELECT AVG(DNO) FROM EMP WHERE ID < 25"), Rowset{"1"}) << "integer average of 1 and 2";
    EXPECT_EQ(Select("SELECT MAX(NAME), total = SUM(ID) * 2 FROM EMP WHERE AGE > 40"), Rowset{"dora|120"});

    // over no rows: COUNT gives one row with 0; SUM gives one row of width 0 holding NULL
    EXPECT_EQ(Select("SELECT COUNT(*) FROM EMP WHERE ID = 0"), Rowset{"0"});
    TagSqlRst* rst = Run("SELECT SUM(AGE) FROM EMP WHERE ID = 0");
    ASSERT_NE(rst, nullptr);
    EXPECT_EQ(RstGetRecordNum(rst), 1);
    EXPECT_EQ(+rst->ptResult->iRowLen, 0);
    EXPECT_EQ(+rst->ptResult->iDataLen, 0);
    EXPECT_EQ(+rst->ptResult->pchData, nullptr);
    EXPECT_EQ(RstGetFieldType(rst, 0), DB_NULL);
    EXPECT_EQ(RstGetFieldLen(rst, 0), 0);
    EXPECT_EQ(Rows(rst), Rowset{"-"});

    // a first row of width 0 ends the collection with exactly that one row, aggregates or not
    rst = Run("SELECT NULL FROM EMP");
    EXPECT_EQ(RstGetRecordNum(rst), 1);
    EXPECT_EQ(RstGetFieldType(rst, 0), DB_NULL);
    EXPECT_EQ(+rst->ptResult->pchData, nullptr);
}

TEST_F(SelectTest, OrderBy) {
    EXPECT_EQ(Select("SELECT ID FROM EMP ORDER BY 1 DESC"), (Rowset{"40", "30", "20", "10"}));
    EXPECT_EQ(Select("SELECT NAME, DNO FROM EMP ORDER BY DNO, NAME DESC"),
              (Rowset{"dora|1", "ann|1", "cid|2", "bob|2"}));
    EXPECT_EQ(Select("SELECT a = -AGE, ID FROM EMP ORDER BY a"), (Rowset{"-60|40", "-45|20", "-30|10", "-25|30"}));
    EXPECT_EQ(Select("SELECT NAME FROM EMP WHERE ID > 10 ORDER BY NAME ASCENDING"), (Rowset{"bob", "cid", "dora"}));
}

TEST_F(SelectTest, NoRowsGiveAnEmptyRecordSetWithNamedColumns) {
    TagSqlRst* rst = Run("SELECT ID, NAME FROM EMP WHERE ID = 0");
    ASSERT_NE(rst, nullptr);
    EXPECT_EQ(RstGetRecordNum(rst), 0);
    EXPECT_EQ(RstGetFieldType(rst, 0), -1);
    EXPECT_EQ(RstGetFieldLen(rst, 1), 0);
    EXPECT_STREQ(RstGetFieldName(rst, 1), "NAME");
    EXPECT_EQ(+rst->ptResult->pchData, nullptr);
}

TEST_F(SelectTest, JoinsVisitEveryCombination) {
    EXPECT_EQ(Select("SELECT ID, DNAME FROM EMP, DEPT WHERE EMP.DNO = DEPT.DNO"),
              (Rowset{"10|sales", "20|dev", "30|dev", "40|sales"}));
    // three tables, one of them twice: 4 x 3 x 3 combinations, none skipped
    EXPECT_EQ(Select("SELECT COUNT(*) FROM EMP, DEPT, DEPT"), Rowset{"36"});
    EXPECT_EQ(Select("SELECT COUNT(*) FROM DEPT, EMP, DEPT WHERE EMP.ID = 10"), Rowset{"9"});
    TagSqlRst* rst = Run("SELECT DEPT.DNAME, ID, n = 1 + 1 FROM EMP, DEPT WHERE ID = 10 AND DEPT.DNO = 3");
    ASSERT_NE(rst, nullptr);
    EXPECT_STREQ(RstGetTableName(rst, 0), "DEPT");
    EXPECT_EQ(+rst->ptResult->atField[0].iTableIndex, 1);
    EXPECT_STREQ(RstGetTableName(rst, 1), "EMP");
    EXPECT_STREQ(RstGetTableName(rst, 2), "");
    EXPECT_EQ(RstGetTableNum(rst), 2);
}

TEST_F(SelectTest, Exists) {
    struct Case { const char* text; int want; };
    Case cases[] = {{"EXISTS FROM EMP WHERE ID = 10", 1}, {"EXISTS FROM EMP WHERE ID = 40", 1},
                    {"EXISTS FROM EMP WHERE ID = 20", 1}, {"EXISTS FROM EMP WHERE ID = 99", 0},
                    {"EXISTS FROM EMP", 1},               {"EXISTS FROM EMP WHERE ID + 'x' = 1", 1}};
    for (const Case& c : cases) {
        TagSqlRst* rst = Run(c.text);
        ASSERT_NE(rst, nullptr);
        EXPECT_EQ(Rows(rst), Rowset{std::to_string(c.want)}) << c.text;
        EXPECT_STREQ(RstGetFieldName(rst, 0), "exists");
        EXPECT_EQ(RstGetFieldType(rst, 0), DB_INT);
        EXPECT_EQ(+rst->ptResult->iDataLen, 4);
    }
    Refuse("EXISTS FROM EMP WHERE NAME = 3");
}

}  // namespace
}  // namespace dbs::test
