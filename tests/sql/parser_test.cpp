// Parser: the statements the grammar accepts with the trees they build, the statements it rejects with the
// lines they trace, the limits of the semantic actions, bounded nesting, memory shortage, re-entrancy, and
// random input.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <thread>

#include "runtime/fault_injection.h"
#include "sql/parser.h"
#include "sql/parser_context.h"
#include "sql/tree_print.h"
#include "support/trace_capture.h"

namespace dbs::sql {
namespace {

class ParserTest : public test::CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        ASSERT_NE(DbsCreateTableBySpec(1, "t", 0, 10, "A D(4) SAVE", "B W(2) SAVE", "NAME C(16) SAVE", ""), 0u);
        ASSERT_NE(DbsCreateTableBySpec(2, "u", 0, 10, "A D(4) SAVE", "X D(4) SAVE", ""), 0u);
        for (int i = 1; i <= 6; ++i) {
            const std::string name = "t" + std::to_string(i);
            ASSERT_NE(DbsCreateTableBySpec(static_cast<uint16_t>(10 + i), name.c_str(), 0, 10, "A D(4) SAVE", ""),
                      0u);
        }
        trace.Clear();
    }
    void TearDown() override {
        fault::ResetAll();
        CoreFixture::TearDown();
    }

    // The printed tree, or "-1" when the parse fails.
    std::string Tree(const std::string& sql) {
        trace.Clear();
        if (Parse(*ctx, sql) != 0) return "-1";
        return PrintStatement(*ctx);
    }

    // After a failed parse no tree is left behind.
    void ExpectNoTree() {
        EXPECT_EQ(ctx->eKind, StatementKind::None);
        EXPECT_EQ(ctx->iSelectNum, 0);
        EXPECT_EQ(ctx->iSetNum, 0);
        EXPECT_EQ(ctx->ptWhere, nullptr);
        EXPECT_EQ(ctx->ptColumnFirst, nullptr);
        EXPECT_EQ(ctx->ptAggFirst, nullptr);
        EXPECT_EQ(ctx->ptOwnedValues, nullptr);
    }

    std::unique_ptr<TagSqlParser> ctx = std::make_unique<TagSqlParser>();
};

struct TreeCase {
    const char* sql;
    const char* tree;
};

TEST_F(ParserTest, AcceptedStatementsBuildTheirTrees) {
    const TreeCase cases[] = {
        // select lists, FROM, SELECT *
        {"SELECT * FROM t", "SELECT t.A, t.B, t.NAME FROM t"},
        {"SELECT * FROM t, u", "SELECT t.A, t.B, t.NAME, u.A, u.X FROM t, u"},
        {"select a, B from t", "SELECT a, B FROM t"},
        {"SELECT t.A, u.X FROM t, u WHERE t.A = u.A", "SELECT t.A, u.X FROM t, u WHERE (EQ t.A u.A)"},
        {"SELECT u.X FROM t, u", "SELECT u.X FROM t, u"},
        {"SELECT A\nFROM\tt", "SELECT A FROM t"},
        // names, casts
        {"SELECT total = SUM(A) FROM t", "SELECT total=SUM(A) FROM t"},
        {"SELECT (DOUBLE) A FROM t", "SELECT (DB_DOUBLE)A FROM t"},
        {"SELECT x = (db_int) A + 1, (TINYINT)B, (ushort)(A) FROM t",
         "SELECT x=(DB_INT)(+ A 1), (DB_TINYINT)B, (DB_USHORT)A FROM t"},
        {"SELECT (A), (A + 1) * 2 FROM t", "SELECT A, (* (+ A 1) 2) FROM t"},
        {"SELECT abcdefghijklmnopqrstuvwxyz = A FROM t", "SELECT abcdefghijklmnopqrst=A FROM t"},
        // arithmetic: binding and grouping
        {"SELECT A - B - 1 FROM t", "SELECT (- (- A B) 1) FROM t"},
        {"SELECT A + B * 2 / 3 FROM t", "SELECT (+ A (/ (* B 2) 3)) FROM t"},
        {"SELECT -A, +B, - - A, -(A + 1) FROM t", "SELECT -A, B, -A, -(+ A 1) FROM t"},
        {"SELECT A ^ B ^ 3 FROM t", "SELECT A FROM t"},
        {"SELECT -A ^ (B + 1) FROM t", "SELECT -A FROM t"},
        // literals
        {"SELECT 'lit', 'it''s', '', 1.5, 3000000000, 0x10, NULL FROM t",
         "SELECT 'lit', 'it''s', '', 1.5d, 3000000000u, 16u, NULL FROM t"},
        // calls
        {"SELECT COUNT(*), count(A), AVG(A), max(B), MIN(B) FROM t",
         "SELECT COUNT(*), COUNT(A), AVG(A), MAX(B), MIN(B) FROM t"},
        {"SELECT a = upper(NAME), lower(NAME), TRIM(NAME), strlen(NAME) FROM t",
         "SELECT a=UPPER(NAME), LOWER(NAME), TRIM(NAME), STRLEN(NAME) FROM t"},
        {"SELECT SUM(A * 2) + MAX(SUM(B)) FROM t", "SELECT (+ SUM((* A 2)) MAX(SUM(B))) FROM t"},
        {"SELECT SUBSTR(NAME, 1, 2) FROM t", "SELECT SUBSTR(NAME,1,2) FROM t"},
        // conditions: comparators, NOT after the left side, binding of AND over OR and XOR
        {"DELETE FROM t WHERE A = 1", "DELETE FROM t WHERE (EQ A 1)"},
        {"UPDATE t SET A = 1 WHERE B = 2", "UPDATE t SET A=1 WHERE (EQ B 2)"},
        {"SELECT A FROM t WHERE A NOT EQ 1", "SELECT A FROM t WHERE (NOT EQ A 1)"},
        {"SELECT A FROM t WHERE A <> 1 AND A != 2 AND A NE 3",
         "SELECT A FROM t WHERE (AND (AND (NE A 1) (NE A 2)) (NE A 3))"},
        {"SELECT A FROM t WHERE A < 1 OR A <= 2 OR A > 3 OR A >= 4 OR A lt 5 OR A GE 6",
         "SELECT A FROM t WHERE (OR (OR (OR (OR (OR (LT A 1) (LE A 2)) (GT A 3)) (GE A 4)) (LT A 5)) (GE A 6))"},
        {"SELECT A FROM t WHERE A EQ 1 OR B EQ 2 AND NAME EQ 'x'",
         "SELECT A FROM t WHERE (OR (EQ A 1) (AND (EQ B 2) (EQ NAME 'x')))"},
        {"SELECT A FROM t WHERE A EQ 1 XOR B EQ 2 OR A EQ 3",
         "SELECT A FROM t WHERE (OR (XOR (EQ A 1) (EQ B 2)) (EQ A 3))"},
        {"SELECT A FROM t WHERE A BETWEEN 1 AND 2 AND B IN (1, 2, 3) OR NAME NOT LIKE 'a*'",
         "SELECT A FROM t WHERE (OR (AND (BETWEEN A 1 2) (IN B [1 2 3])) (NOT LIKE NAME 'a*'))"},
        {"SELECT A FROM t WHERE A NOT BETWEEN B - 1 AND B + 1 AND A NOT IN (-1)",
         "SELECT A FROM t WHERE (AND (NOT BETWEEN A (- B 1) (+ B 1)) (NOT IN A [-1]))"},
        // parentheses in conditions: a condition or an arithmetic primary
        {"SELECT A FROM t WHERE (A EQ 1 OR B EQ 2) AND NAME EQ 'x'",
         "SELECT A FROM t WHERE (AND (OR (EQ A 1) (EQ B 2)) (EQ NAME 'x'))"},
        {"SELECT A FROM t WHERE (A) EQ 1", "SELECT A FROM t WHERE (EQ A 1)"},
        {"SELECT A FROM t WHERE ((A + 1) * 2 GE B)", "SELECT A FROM t WHERE (GE (* (+ A 1) 2) B)"},
        {"SELECT A FROM t WHERE ((A EQ 1))", "SELECT A FROM t WHERE (EQ A 1)"},
        {"SELECT A FROM t WHERE (((A)) + 1 EQ 2 AND (B LT 3))",
         "SELECT A FROM t WHERE (AND (EQ (+ A 1) 2) (LT B 3))"},
        {"SELECT A FROM t WHERE (A ^ B EQ 1)", "SELECT A FROM t WHERE (EQ A 1)"},
        {"SELECT A FROM t WHERE (A) ^ B EQ 1", "SELECT A FROM t WHERE (EQ A 1)"},
        {"SELECT A FROM t WHERE (A EQ 1) OR ((B EQ 2) XOR (A EQ 3))",
         "SELECT A FROM t WHERE (OR (EQ A 1) (XOR (EQ B 2) (EQ A 3)))"},
        // ORDER BY by number and by name, directions
        {"SELECT A, B FROM t ORDER BY 2 DESC, a", "SELECT A, B FROM t ORDER BY 2d, 1a"},
        {"SELECT x = A, B FROM t WHERE A GT 1 ORDER BY X ascending",
         "SELECT x=A, B FROM t WHERE (GT A 1) ORDER BY 1a"},
        {"SELECT * FROM t ORDER BY NAME DESCENDING", "SELECT t.A, t.B, t.NAME FROM t ORDER BY 3d"},
        // one-table statements
        {"EXISTS FROM t WHERE A GT 0x10", "EXISTS FROM t WHERE (GT A 16u)"},
        {"EXISTS FROM u", "EXISTS FROM u"},
        {"DELETE FROM t", "DELETE FROM t"},
        {"UPDATE t SET A = B, B = A", "UPDATE t SET A=B, B=A"},
        {"UPDATE t SET t.A = -A * 2 WHERE NAME LIKE 'x?'", "UPDATE t SET t.A=(* -A 2) WHERE (LIKE NAME 'x?')"},
    };
    for (const TreeCase& c : cases) {
        EXPECT_EQ(Tree(c.sql), c.tree) << "sql: " << c.sql << "\ntrace: " << testing::PrintToString(trace.Texts());
        EXPECT_EQ(trace.Count(), c.sql == std::string("SELECT A\nFROM\tt") ? 1u : 0u) << c.sql;
    }
}

TEST_F(ParserTest, ColumnReferencesAreSharedAndKeptInOrder) {
    ASSERT_EQ(Tree("SELECT A, t.A, B FROM t WHERE u.X EQ A AND B GT t.A"), "SELECT A, t.A, B FROM t WHERE "
                                                                           "(AND (EQ u.X A) (GT B t.A))");
    EXPECT_EQ(PrintColumns(*ctx), "A t.A B u.X");
    EXPECT_EQ(ctx->ptColumnFirst->iTableIndex, -1);
    ASSERT_EQ(Tree("SELECT MAX(A) + MIN(B), COUNT(*) FROM t"), "SELECT (+ MAX(A) MIN(B)), COUNT(*) FROM t");
    std::string aggs;
    for (const SqlAggregate* a = ctx->ptAggFirst; a != nullptr; a = a->ptNext) aggs += a->chFunc;
    EXPECT_EQ(aggs, "MmC");
}

TEST_F(ParserTest, LiteralsCarryTheirTypes) {
    ASSERT_EQ(Parse(*ctx, "SELECT 7, 4294967295, 2.25, 'ab', NULL FROM t"), 0);
    const TagSqlValue& i = ctx->atSelect[0].ptExpr->tValue;
    EXPECT_EQ(i.chType, DB_LONG);
    EXPECT_EQ(int32_t{i.lLong}, 7);
    EXPECT_EQ(ctx->atSelect[1].ptExpr->tValue.chType, DB_ULONG);
    EXPECT_EQ(uint32_t{ctx->atSelect[1].ptExpr->tValue.ulULong}, 4294967295u);
    EXPECT_EQ(ctx->atSelect[2].ptExpr->tValue.chType, DB_DOUBLE);
    EXPECT_EQ(double{ctx->atSelect[2].ptExpr->tValue.dDouble}, 2.25);
    const TagSqlValue& s = ctx->atSelect[3].ptExpr->tValue;
    EXPECT_EQ(s.chType, DB_STRING);
    EXPECT_EQ(uint32_t{s.dwLength}, 3u);
    EXPECT_EQ(s.chStorage, DBS_STORAGE_OWNED);
    EXPECT_STREQ(static_cast<const char*>(s.pData), "ab");
    EXPECT_EQ(ctx->atSelect[4].ptExpr->tValue.chType, DB_NULL);
    EXPECT_EQ(ctx->atSelect[0].iCastType, -1);
    EXPECT_EQ(ctx->atTable[0].wTableNo, 1);
    EXPECT_EQ(ctx->eKind, StatementKind::Select);
}

TEST_F(ParserTest, SyntaxErrorsAreRejected) {
    const char* cases[] = {
        "",
        "SELECT",
        "SELECT A FROM",
        "SELECT FROM t",
        "SELECT A FROM t WHERE NOT A EQ 1",
        "SELECT A, * FROM t",
        "SELECT *, A FROM t",
        "DELETE FROM t, u",
        "EXISTS FROM t, u",
        "DELETE t",
        "UPDATE t A = 1",
        "UPDATE t SET A EQ 1",
        "UPDATE t SET A = 1 WHERE B == 1",
        "SELECT A FROM t t2",
        "SELECT (A ^ B) FROM t",
        "SELECT A ^ B + 1 FROM t",
        "SELECT A + (INT) B FROM t",
        "SELECT (INT) (INT) A FROM t",
        "SELECT x = (INT) FROM t",
        "SELECT x = y = A FROM t",
        "SELECT (A EQ 1) FROM t",
        "SELECT A FROM t WHERE A = 1 = 2",
        "SELECT A FROM t WHERE (A EQ 1",
        "SELECT A FROM t WHERE A EQ 1)",
        "SELECT A FROM t WHERE (A + 1)",
        "SELECT A FROM t WHERE (A ^ B) EQ 1",
        "SELECT A FROM t WHERE A LIKE B",
        "SELECT A FROM t WHERE A LIKE 'x' + 'y'",
        "SELECT A FROM t WHERE A BETWEEN 1 OR 2",
        "SELECT A FROM t WHERE A IN ()",
        "SELECT A FROM t WHERE A IN 1, 2",
        "SELECT A FROM t WHERE A EQ 1 AND",
        "SELECT A FROM t WHERE A NOT NOT EQ 1",
        "SELECT A FROM t WHERE",
        "SELECT A FROM t ORDER BY 1 ASC DESC",
        "SELECT A FROM t ORDER BY -1",
        "SELECT A FROM t ORDER BY 3000000000",
        "SELECT A FROM t ORDER BY 'A'",
        "SELECT A FROM t ORDER A",
        "SELECT A FROM t ORDER BY 1 WHERE A EQ 1",
        "DELETE FROM t ORDER BY 1",
        "SELECT COUNT() FROM t",
        "SELECT SUBSTR(NAME, 1) FROM t",
        "SELECT A. FROM t",
        "SELECT t.u.A FROM t",
        "SELECT A FROM t WHERE A EQ 1 EXISTS",
        "WHERE A EQ 1",
    };
    for (const char* sql : cases) {
        EXPECT_EQ(Tree(sql), "-1") << sql;
        EXPECT_EQ(trace.Texts(), std::vector<std::string>{"yyerror: syntax error\r\n"}) << sql;
        EXPECT_EQ(ctx->iErrCode, 0) << sql;
        ExpectNoTree();
    }
}

TEST_F(ParserTest, SemicolonIsAnUnknownCharacterThenASyntaxError) {
    EXPECT_EQ(Tree("SELECT A FROM t;"), "-1");
    EXPECT_EQ(trace.Texts(), (std::vector<std::string>{"\n***SQL processing error: code 15 - unknowned character in "
                                                       "statement",
                                                       " : ; in pos 17", "\n", "yyerror: syntax error\r\n"}));
    EXPECT_EQ(ctx->iErrCode, 15);
    ExpectNoTree();
}

TEST_F(ParserTest, OverlongTokenFailsTheStatementWithCode31Only) {
    const std::string texts[] = {
        "SELECT " + std::string(600, 'A') + " FROM t",
        "SELECT A FROM t WHERE NAME LIKE '" + std::string(600, 'p') + "'",
    };
    for (const std::string& sql : texts) {
        EXPECT_EQ(Tree(sql), "-1");
        EXPECT_EQ(ctx->iErrCode, 31);
        EXPECT_EQ(trace.Texts(), (std::vector<std::string>{"Input string too long, limit 512\r\n",
                                                           "\n***SQL processing error: code 31 - input string too long",
                                                           "\n"}));
        ExpectNoTree();
    }
}

struct CodeCase {
    std::string sql;
    int code;
    const char* message;
    std::string detail;
};

TEST_F(ParserTest, ActionLimitsAndLookupsRaiseTheirCodes) {
    std::string items101 = "SELECT A";
    std::string sets101 = "UPDATE t SET A = 1";
    for (int i = 1; i < 101; ++i) {
        items101 += ", A";
        sets101 += ", A = 1";
    }
    items101 += " FROM t";
    const CodeCase cases[] = {
        {"SELECT A FROM t ORDER BY 3", 21, "invalid column reference", " : 3"},
        {"SELECT A FROM t ORDER BY 0", 21, "invalid column reference", " : 0"},
        {"SELECT A, B FROM t ORDER BY 1, 2, 1", 18, "too many order by columns", " : sort columns limit 2"},
        {"SELECT A, B FROM t ORDER BY 1, 2, 3", 21, "invalid column reference", " : 3"},
        {"SELECT A FROM t ORDER BY zz", 30, "column name reference not found in select clause", " : zz"},
        {"SELECT SUM(*) FROM t", 10, "invalid calculation function", " : SUM"},
        {"SELECT upper(*) FROM t", 10, "invalid calculation function", " : upper"},
        {"SELECT YEAR(A) FROM t", 10, "invalid calculation function", " : YEAR"},
        {"SELECT A FROM t WHERE Month(A) EQ 1", 10, "invalid calculation function", " : Month"},
        {"SELECT A FROM t1, t2, t3, t4, t5, t6", 20, "too many tables in statement", " : table limit 5"},
        {"SELECT A FROM t1, t2, t3, t4, t5, t6, t7", 20, "too many tables in statement", " : table limit 5"},
        {"SELECT A FROM nosuch", 29, "table not found in current database", " : nosuch"},
        {"DELETE FROM nosuch WHERE A EQ 1", 29, "table not found in current database", " : nosuch"},
        {"UPDATE nosuch SET A = 1", 29, "table not found in current database", " : nosuch"},
        {"EXISTS FROM nosuch", 29, "table not found in current database", " : nosuch"},
        {"SELECT A FROM " + std::string(40, 'T'), 29, "table not found in current database",
         " : " + std::string(40, 'T')},
        {items101, 19, "too many columns specified in select list", " : select columns limit 100"},
        {sets101, 19, "too many columns specified in select list", " : set columns limit 100"},
        {"SELECT " + std::string(40, 'c') + " FROM t", 1, "invalid data field reference", " : " + std::string(40, 'c')},
        {"SELECT " + std::string(40, 'q') + ".A FROM t", 1, "invalid data field reference", " : A"},
    };
    for (const CodeCase& c : cases) {
        EXPECT_EQ(Tree(c.sql), "-1") << c.sql;
        EXPECT_EQ(ctx->iErrCode, c.code) << c.sql;
        EXPECT_EQ(trace.Texts(),
                  (std::vector<std::string>{"\n***SQL processing error: code " + std::to_string(c.code) + " - " +
                                                c.message,
                                            c.detail, "\n"}))
            << c.sql;
        ExpectNoTree();
    }
}

TEST_F(ParserTest, LongestNamesOfTheStoreCanBeReferenced) {
    const std::string field(31, 'f');
    const uint32_t hTable = DbsCreateTableFormNo(20, "wide", 0, 10, 1);
    ASSERT_NE(hTable, 0u);
    ASSERT_EQ(DbsAddDomain(hTable, field.c_str(), 'D', 4, 1), 1);
    ASSERT_EQ(Tree("SELECT wide." + field + " FROM wide"), "SELECT wide." + field + " FROM wide");
    ASSERT_EQ(Tree("SELECT * FROM wide"), "SELECT wide." + field + " FROM wide");
    EXPECT_EQ(std::string(ctx->atSelect[0].achName), field);
}

TEST_F(ParserTest, SelectStarBeyondOneHundredColumnsIsRefused) {
    for (uint16_t no = 30; no < 32; ++no) {
        std::string table = "w";
        table += std::to_string(no);  // appended: "w" + a temporary string makes g++ 12 at -O3 warn (-Wrestrict)
        const uint32_t hTable = DbsCreateTableFormNo(no, table.c_str(), 0, 10, 60);
        ASSERT_NE(hTable, 0u);
        for (int f = 0; f < 60; ++f) {
            std::string field = "F";
            field += std::to_string(f);
            ASSERT_EQ(DbsAddDomain(hTable, field.c_str(), 'N', 1, 1), 1);
        }
    }
    EXPECT_NE(Tree("SELECT * FROM w30"), "-1");
    EXPECT_EQ(ctx->iSelectNum, 60);
    EXPECT_EQ(Tree("SELECT * FROM w30, w31"), "-1");
    EXPECT_EQ(ctx->iErrCode, 19);
    EXPECT_EQ(trace.Texts()[1], " : select columns limit 100");
}

TEST_F(ParserTest, NestingIsBounded) {
    auto nested = [](int depth, const char* open, const char* inner, const char* close) {
        std::string s;
        for (int i = 0; i < depth; ++i) s += open;
        s += inner;
        for (int i = 0; i < depth; ++i) s += close;
        return s;
    };
    EXPECT_EQ(Tree("SELECT " + nested(kMaxParseDepth, "(", "A", ")") + " FROM t"), "SELECT A FROM t");
    const std::string deep[] = {
        "SELECT " + nested(5000, "(", "A", ")") + " FROM t",
        "SELECT " + nested(5000, "-", "A", "") + " FROM t",
        "SELECT " + nested(5000, "SUM(", "A", ")") + " FROM t",
        "SELECT " + nested(5000, "SUBSTR(", "A", ",1,2)") + " FROM t",
        "SELECT A FROM t WHERE " + nested(5000, "(", "A EQ 1", ")"),
        "SELECT A FROM t WHERE " + nested(5000, "(", "A", ")") + " EQ 1",
        "SELECT A FROM t WHERE A IN (" + nested(5000, "(", "A", ")") + ")",
    };
    for (const std::string& sql : deep) {
        EXPECT_EQ(Tree(sql), "-1") << sql.substr(0, 40);
        EXPECT_EQ(trace.Texts(), std::vector<std::string>{"yyerror: yacc stack overflow\r\n"}) << sql.substr(0, 40);
        ExpectNoTree();
    }
    // The context is usable again at once.
    EXPECT_EQ(Tree("SELECT (((A))) FROM t"), "SELECT A FROM t");
}

TEST_F(ParserTest, MemoryShortageStoresCode6WithoutReport) {
    // Every allocation of a parse fails in turn: each failure is clean, and the context recovers afterwards.
    const std::string sql = "SELECT x = 'a', UPPER(NAME) FROM t WHERE NAME LIKE 'p*' AND A IN (1, 2) ORDER BY 1";
    for (long n = 1; n <= 3; ++n) {
        auto fresh = std::make_unique<TagSqlParser>();
        trace.Clear();
        fault::FailAllocAt(n);
        const int rc = Parse(*fresh, sql);
        fault::ResetAll();
        if (rc == 0) continue;
        EXPECT_EQ(fresh->iErrCode, 6) << n;
        // Only the allocator's own line: code 6 is stored, not reported, while the tree is built.
        ASSERT_EQ(trace.Count(), 1u) << n;
        EXPECT_NE(trace.Last().find("No memory("), std::string::npos) << n;
        EXPECT_EQ(fresh->ptOwnedValues, nullptr);
        EXPECT_EQ(Parse(*fresh, sql), 0);
    }
}

TEST_F(ParserTest, RepeatedStatementsReuseTheArena) {
    const std::string sql = "SELECT A + 1, B FROM t WHERE A BETWEEN 1 AND 5 OR B IN (1, 2, 3) ORDER BY 2 DESC";
    ASSERT_EQ(Parse(*ctx, sql), 0);
    const size_t blocks = ctx->tArena.BlockCount();
    fault::FailAllocAt(1, true);   // any allocation now would fail the statement
    for (int i = 0; i < 10; ++i) ASSERT_EQ(Parse(*ctx, sql), 0);
    fault::ResetAll();
    EXPECT_EQ(ctx->tArena.BlockCount(), blocks);
}

TEST_F(ParserTest, LargeStatementsGrowTheArena) {
    std::string sql = "SELECT A FROM t WHERE A IN (1";
    for (int i = 0; i < 3000; ++i) sql += ", " + std::to_string(i);
    sql += ")";
    ASSERT_EQ(Parse(*ctx, sql), 0);
    EXPECT_GT(ctx->tArena.BlockCount(), 1u);
    EXPECT_EQ(Tree("SELECT B FROM t"), "SELECT B FROM t");
}

TEST_F(ParserTest, ContextsAreIndependentAcrossThreads) {
    const std::string sqlA = "SELECT A, B FROM t WHERE A EQ 1 OR NAME LIKE 'a*' ORDER BY 2 DESC";
    const std::string sqlB = "UPDATE u SET X = X + 1 WHERE A BETWEEN 1 AND 2";
    auto work = [](const std::string& sql, std::string* out) {
        auto ctx = std::make_unique<TagSqlParser>();
        for (int i = 0; i < 2000; ++i) {
            if (Parse(*ctx, sql) != 0) {
                *out = "failed";
                return;
            }
        }
        *out = PrintStatement(*ctx);
    };
    std::string outA, outB;
    std::thread a(work, sqlA, &outA);
    std::thread b(work, sqlB, &outB);
    a.join();
    b.join();
    EXPECT_EQ(outA, "SELECT A, B FROM t WHERE (OR (EQ A 1) (LIKE NAME 'a*')) ORDER BY 2d");
    EXPECT_EQ(outB, "UPDATE u SET X=(+ X 1) WHERE (BETWEEN A 1 2)");
}

// Random bytes and random token soup never crash, never overrun and never leak (the sanitizer build checks the
// last two); every failure leaves no tree behind.
TEST_F(ParserTest, RandomInputNeverCrashes) {
    const char* pieces[] = {"SELECT ", "FROM ", "t ", "u ", "WHERE ", "A ", "B ", "NAME ", "(", ")", ",", "*", "+",
                            "-", "/", "^", "=", "EQ ", "NOT ", "AND ", "OR ", "XOR ", "IN ", "LIKE ", "BETWEEN ",
                            "'s' ", "1 ", "2.5 ", "0x1 ", "NULL ", "SUM", "COUNT", "UPPER", "YEAR", "SUBSTR",
                            "ORDER BY ", "DESC ", "UPDATE ", "SET ", "DELETE ", "EXISTS ", ".", "(INT)", ";", "'"};
    std::mt19937 rng(12345);
    for (int i = 0; i < 3000; ++i) {
        std::string sql;
        const int n = static_cast<int>(rng() % 24);
        for (int k = 0; k < n; ++k) {
            if (i % 3 == 0) {
                sql += static_cast<char>(rng() % 256);
            } else {
                sql += pieces[rng() % std::size(pieces)];
            }
        }
        if (i % 100 == 0) sql += std::string(400 + rng() % 400, "a'1("[rng() % 4]);   // token limit and nesting
        if (Parse(*ctx, sql) != 0) ExpectNoTree();
    }
    trace.Clear();
}

}  // namespace
}  // namespace dbs::sql
