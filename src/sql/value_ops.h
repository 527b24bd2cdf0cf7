// The value semantics of the SQL dialect: comparison, arithmetic, unary signs, conversion, string functions and
// LIKE patterns. Each operation works on values only; a failure comes back as an SQL error code (0 for none), and
// the caller stores and reports it in its statement's context.
#pragma once

#include <cstdint>

#include "sql/sql_error.h"
#include "sql/sql_value.h"

namespace dbs::sql {

// Orders a before b: negative, 0 or positive. NULL and DB_NOVAL equal each other and sort below every value.
// A string against a number sets `err` to 32, any other unknown pair to 2 (the result is then 0).
int SqlCompareValues(const SqlValue& a, const SqlValue& b, int& err);

// out := a op b for op in + - * /. A pair that is not two numbers gives DB_NOVAL without an error; a division by
// zero gives DB_ERRVAL and returns 22. `out` may be the same object as `a` or `b`.
int SqlArithmetic(char op, const SqlValue& a, const SqlValue& b, SqlValue& out);

// Applies a unary minus in place: unsigned types become DB_LONG, DB_TINYINT becomes DB_SHORT, strings and the
// valueless codes stay; a numeric value loses any raw byte copy it owned.
void SqlNegate(SqlValue& v);

// Converts a value in place to a numeric target type (nothing for the same type or a non-numeric target).
// A string is parsed as a number (0 when it is none).
void SqlConvertValue(SqlValue& v, int target);

// String functions by their letter: 'L' STRLEN, 'u' UPPER, 'l' LOWER, 't' TRIM. Returns 0 or an error code
// (9 for a non-string argument; a DB_NOVAL argument stays DB_NOVAL).
int SqlStringFunction(char letter, SqlValue& v);

// Matches text against a LIKE pattern: 1, 0, or -1 when either is null.
int SqlLikeMatch(const char* text, const char* pattern);

}  // namespace dbs::sql
