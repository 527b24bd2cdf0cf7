/*
 * SQL error reporting: the message table, the three-write report and the raise helpers that store a code and its
 * detail text in the parser context.
 *
 * The report is written as separate trace lines on purpose (head, optional detail, closing line feed), each one
 * DbsTraceLog call, so that the detail never has to be joined with the message in a buffer of its own.
 */
#include "sql/sql_error.h"

#include <cstdarg>
#include <cstdio>
#include <iterator>

#include "runtime/trace_log.h"
#include "sql/parser_context.h"

namespace dbs::sql {
namespace {

struct ErrorMessage {
    int iCode;
    const char* pchText;
};

// Searched in this order.
constexpr ErrorMessage kMessages[] = {
    {1, "invalid data field reference"},
    {2, "sql processor\tsystem error"},
    {4, "unrelated field"},
    {6, "insufficient memory"},
    {16, "invalid literal value"},
    {17, "invalid value type"},
    {10, "invalid calculation function"},
    {18, "too many order by columns"},
    {19, "too many columns specified in select list"},
    {21, "invalid column reference"},
    {22, "divide by zero"},
    {26, "invalid parameter value specified"},
    {30, "column name reference not found in select clause"},
    {29, "table not found in current database"},
    {11, "too many rows select result"},
    {12, "invalid sql statement"},
    {13, "invalid delete sql statement"},
    {14, "invalid update sql statement"},
    {15, "unknowned character in statement"},
    {20, "too many tables in statement"},
    {3, "bad field expression"},
    {5, "invalid sort clause"},
    {7, "YACC stack overflow:  nesting if's too deep?"},
    {8, "invalid date format"},
    {9, "invalid expression"},
    {23, "incorrect number of function arguments"},
    {24, "invalid function name"},
    {25, "invalid function argument"},
    {31, "input string too long"},
    {32, "not valid compares occurred"},
};
static_assert(std::size(kMessages) == 30);

}  // namespace

const char* SqlErrorMessage(int iCode) {
    for (const ErrorMessage& m : kMessages) {
        if (m.iCode == iCode) return m.pchText;
    }
    return nullptr;
}

void SqlReportError(int iCode, const char* pchText) {
    if (iCode == 0 || iCode == -1) return;
    if (const char* pchMessage = SqlErrorMessage(iCode)) {
        DbsTraceLog("\n***SQL processing error: code %d - %s", iCode, pchMessage);
    } else {
        DbsTraceLog("\n***SQL processing error: code %d - ", iCode);
    }
    if (pchText != nullptr) DbsTraceLog(" : %s", pchText);
    DbsTraceLog("\n");
}

int SqlStoreError(TagSqlParser& ctx, int iCode) {
    ctx.iErrCode = iCode;
    return -1;
}

int SqlRaiseError(TagSqlParser& ctx, int iCode, const char* pchFormat, ...) {
    ctx.iErrCode = iCode;
    if (pchFormat == nullptr) {
        SqlReportError(iCode, nullptr);
        return -1;
    }
    va_list args;
    va_start(args, pchFormat);
    int n = std::vsnprintf(ctx.achErrText, sizeof ctx.achErrText, pchFormat, args);  // cuts at 199 characters
    va_end(args);
    if (n < 0) ctx.achErrText[0] = '\0';
    SqlReportError(iCode, ctx.achErrText);
    return -1;
}

}  // namespace dbs::sql
