// SQL error reports: the three-write format, the message table, codes without a message, and the bounded detail
// text of a raised error.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sql/parser_context.h"
#include "sql/sql_error.h"
#include "support/trace_capture.h"

namespace dbs::sql {
namespace {

using Lines = std::vector<std::string>;

TEST(SqlErrorTest, ReportWritesHeadDetailAndClosingLine) {
    test::TraceCapture trace;
    SqlReportError(15, "; in pos 19");
    EXPECT_EQ(trace.Texts(), (Lines{"\n***SQL processing error: code 15 - unknowned character in statement",
                                    " : ; in pos 19", "\n"}));
    trace.Clear();
    SqlReportError(22, nullptr);
    EXPECT_EQ(trace.Texts(), (Lines{"\n***SQL processing error: code 22 - divide by zero", "\n"}));
}

TEST(SqlErrorTest, CodesZeroAndMinusOneWriteNothing) {
    test::TraceCapture trace;
    SqlReportError(0, "x");
    SqlReportError(-1, nullptr);
    EXPECT_EQ(trace.Count(), 0u);
}

TEST(SqlErrorTest, CodeMissingFromTheTableWritesTheHeadWithoutMessage) {
    test::TraceCapture trace;
    SqlReportError(27, "detail");
    EXPECT_EQ(trace.Texts(), (Lines{"\n***SQL processing error: code 27 - ", " : detail", "\n"}));
    trace.Clear();
    SqlReportError(99, nullptr);
    EXPECT_EQ(trace.Texts(), (Lines{"\n***SQL processing error: code 99 - ", "\n"}));
}

TEST(SqlErrorTest, MessageTable) {
    struct Case {
        int code;
        const char* message;
    };
    const Case cases[] = {
        {1, "invalid data field reference"},
        {2, "sql processor\tsystem error"},
        {7, "YACC stack overflow:  nesting if's too deep?"},
        {10, "invalid calculation function"},
        {19, "too many columns specified in select list"},
        {29, "table not found in current database"},
        {31, "input string too long"},
        {32, "not valid compares occurred"},
    };
    for (const Case& c : cases) EXPECT_STREQ(SqlErrorMessage(c.code), c.message) << c.code;
    int known = 0;
    for (int code = -5; code < 100; ++code) known += SqlErrorMessage(code) != nullptr;
    EXPECT_EQ(known, 30);
    EXPECT_EQ(SqlErrorMessage(27), nullptr);
    EXPECT_EQ(SqlErrorMessage(28), nullptr);
}

TEST(SqlErrorTest, RaiseStoresCodeAndCutsTheDetail) {
    test::TraceCapture trace;
    auto ctx = std::make_unique<TagSqlParser>();
    const std::string name(300, 'n');
    EXPECT_EQ(SqlRaiseError(*ctx, kSqlErrTableNotFound, "%s", name.c_str()), -1);
    EXPECT_EQ(ctx->iErrCode, 29);
    EXPECT_EQ(std::string(ctx->achErrText), name.substr(0, 199));
    EXPECT_EQ(trace.Texts()[1], " : " + name.substr(0, 199));

    trace.Clear();
    EXPECT_EQ(SqlStoreError(*ctx, kSqlErrDivideByZero), -1);
    EXPECT_EQ(ctx->iErrCode, 22);
    EXPECT_EQ(trace.Count(), 0u);

    EXPECT_EQ(SqlRaiseError(*ctx, kSqlErrTooManyRows, nullptr), -1);
    EXPECT_EQ(trace.Texts(), (Lines{"\n***SQL processing error: code 11 - too many rows select result", "\n"}));
}

}  // namespace
}  // namespace dbs::sql
