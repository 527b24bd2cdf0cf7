/* DBS: the access paths of SQL statements. Tells which key index, if any, a statement reaches each table of its
   FROM list through, without running it. Part of libdbs; include after or instead of <dbs/dbs.h>. */
#ifndef DBS_DBS_PLAN_H
#define DBS_DBS_PLAN_H

#include <dbs/dbs.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Parses pchSql in the parser context hParser and writes the access path chosen for each FROM table, one line
   per table in FROM order, each ending in "\n":
       "T: scan"                                     every record of T is visited
       "T: index 0 (ID) lookup"                      the records whose whole key the condition fixes
       "T: index 0 (ID) lookup of 3 keys (IN list)"  one lookup per value of an IN list of constants
       "T: index 1 (A, B) range on A"                the records whose leading key columns the condition fixes
   A lookup or range whose key takes values from the tables before T in FROM ends in
   ", per row of the tables before it". The text goes to pchPlan, cut to iPlanSize - 1 characters and always
   zero-terminated when iPlanSize > 0. The statement is not executed and nothing in the store changes.
   Returns the length of the whole text without its zero byte (a result >= iPlanSize means it was cut), or -1
   when an argument is null or negative, or when the statement cannot be parsed or names an unknown table or
   column (with the trace lines that SQLExecute writes for it). */
DBS_API int SQLExplain(hSqlParser hParser, const char* pchSql, char* pchPlan, int iPlanSize);

#ifdef __cplusplus
}
#endif

#endif /* DBS_DBS_PLAN_H */
