// SQL error codes and their report.
//
// Every failure inside the SQL engine is an error code stored in the statement's parser context; most are also
// written to the trace by SqlReportError (three DbsTraceLog writes: head with message, optional detail, "\n").
// Raising never throws and never ends the process: store, report, return -1.
#pragma once

#include <cstddef>

#include <dbs/dbs.h>

struct TagSqlParser;

namespace dbs::sql {

// The codes of the message table. Those not named here (3, 5, 7, 8, 13, 14, 23, 24, 25) have messages but are
// raised nowhere.
enum SqlErrorCode : int {
    kSqlErrNone = 0,
    kSqlErrFieldRef = 1,          // column names no FROM table or no field of its table
    kSqlErrSystem = 2,            // unknown operator or type pair; SUBSTR
    kSqlErrUnrelated = 4,         // a plain select column that is no GROUP BY expression
    kSqlErrNoMemory = 6,          // allocation failed
    kSqlErrExpression = 9,        // string function on a number; a column among INSERT values
    kSqlErrFunction = 10,         // date function, "*" given to a function other than COUNT, an aggregate in
                                  // GROUP BY or INSERT values
    kSqlErrTooManyRows = 11,      // SELECT over 10,000 rows
    kSqlErrStatement = 12,        // an INSERT row whose number of values differs from its number of columns
    kSqlErrBadChar = 15,          // character outside the language
    kSqlErrLiteral = 16,          // an INSERT value outside its column's range or width
    kSqlErrValueType = 17,        // LIKE on a non-string; an INSERT value of the wrong kind for its column
    kSqlErrSortLimit = 18,        // third ORDER BY key
    kSqlErrColumnLimit = 19,      // 101st select entry or SET assignment, 17th GROUP BY expression
    kSqlErrTableLimit = 20,       // sixth table
    kSqlErrColumnNumber = 21,     // ORDER BY number out of range; an INSERT column named twice
    kSqlErrDivideByZero = 22,     // stored only
    kSqlErrResultParam = 26,      // record set cannot be allocated
    kSqlErrTableNotFound = 29,    // unknown table
    kSqlErrSortName = 30,         // ORDER BY name not in the select list
    kSqlErrTooLong = 31,          // token longer than the lexer's buffer
    kSqlErrCompare = 32,          // string compared with a number
};

// Size of the detail text buffer of a parser context; a longer detail is cut to kSqlErrTextSize - 1 characters.
inline constexpr size_t kSqlErrTextSize = 200;

// The message of a code, or nullptr when the table has none.
const char* SqlErrorMessage(int iCode);

// Stores iCode in the context without a report (codes 6 while parsing, 22). Returns -1.
int SqlStoreError(TagSqlParser& ctx, int iCode);

// Stores iCode, formats the detail (printf style, nullptr for none) into the context's error text and reports it
// with SqlReportError. Returns -1.
int SqlRaiseError(TagSqlParser& ctx, int iCode, const char* pchFormat, ...)
    DBS_PRINTF_LIKE(3, 4);

// Writes the report of one code: nothing for 0 and -1; else the head with the code and its message (or no
// message for a code missing from the table), " : <text>" when pchText is given, and a closing "\n".
void SqlReportError(int iCode, const char* pchText);

}  // namespace dbs::sql
