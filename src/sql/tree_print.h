// A compact one-line printed form of a statement tree, for tests and diagnostics.
//
// Operators and predicates print in prefix form, so the grouping the parser chose is visible:
//     SELECT total=SUM(x), (DB_DOUBLE)y FROM t WHERE (OR (EQ a 1) (AND (LT b 2) (NOT LIKE c 'x*'))) ORDER BY 1d
#pragma once

#include <string>

struct TagSqlParser;

namespace dbs::sql {

struct SqlExpr;
struct SqlCondition;

std::string PrintStatement(const TagSqlParser& ctx);
std::string PrintExpr(const SqlExpr* ptExpr);
std::string PrintCondition(const SqlCondition* ptCond);
// The column references in list order, separated by blanks ("a t.b").
std::string PrintColumns(const TagSqlParser& ctx);

}  // namespace dbs::sql
