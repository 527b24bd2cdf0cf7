// The statement tree that the parser builds and the executor walks.
//
// All nodes live in the NodeArena of their parser context: they are plain, zero-initialised records that are
// never freed one by one; releasing a statement rewinds the arena. The only heap blocks hanging off the tree are
// those owned by values (chStorage DBS_STORAGE_OWNED, allocated with DbsMalloc, released with DbsFree): literal
// strings and LIKE patterns (registered with the context and released by ReleaseStatement), and whatever the
// executor stores in the value slots of select entries, SET entries and aggregate nodes (released there too).
#pragma once

#include <cstddef>
#include <cstdint>

#include <dbs/dbs.h>

namespace dbs::sql {

inline constexpr int kMaxFromTables = 5;
inline constexpr int kMaxSelectEntries = 100;
inline constexpr int kMaxSetEntries = 100;
inline constexpr int kMaxSortKeys = 2;
inline constexpr int kMaxGroupKeys = 16;
// Names held by references, FROM entries and select entries: 31 characters and a zero byte, so that every field
// name the store allows (up to 31 characters) can be named. A select entry's alias keeps at most 20 characters.
inline constexpr size_t kSqlNameSize = 32;
inline constexpr size_t kAliasMaxLen = 20;
// Record buffer of one FROM table (the record without its status byte).
inline constexpr size_t kRecordBufferSize = 10600;

enum class StatementKind : int { Select = 0, Delete = 1, Update = 2, Exists = 3, None = 4, Insert = 5 };

struct SqlExpr;

// A column named in the statement. One reference per distinct (table name, column name) pair, exact comparison;
// the list keeps the order of first appearance. Resolution (executor) fills the fields marked "resolved".
struct SqlColumnRef {
    char achTableName[kSqlNameSize];   // empty when unqualified; resolution copies the FROM table's name in
    char achColumnName[kSqlNameSize];
    int iTableIndex;                   // resolved: position in the FROM list; -1 before resolution
    int iWidth;                        // resolved: field width in bytes
    int iType;                         // resolved: DB_STRING, DB_ULONG, DB_USHORT or DB_TINYINT
    int iOffset;                       // resolved: offset in the FROM table's record buffer
    SqlColumnRef* ptNext;
};

// One aggregate call (AVG 'a', COUNT 'C', MAX 'M', MIN 'm', SUM 's'). All of a statement form one list.
struct SqlAggregate {
    char chFunc;
    int iCount;               // accumulated rows
    TagSqlValue tAccum;       // starts DB_EMPTY
    SqlExpr* ptArg;           // nullptr for COUNT(*)
    TagSqlValue tOutput;      // what the call's expression yields; starts DB_EMPTY
    SqlAggregate* ptNext;
};

// Expression node, reached through its handle (this record): chKind 'n' operator node or 'l' leaf, chSign '+'
// or '-' (the sign written last before the operand; '+' by default).
struct SqlExpr {
    char chKind;              // 'n' or 'l'
    char chSign;              // '+' or '-'
    // operator node
    char chOp;                // '+', '-', '*', '/'
    SqlExpr* ptLeft;
    SqlExpr* ptRight;
    // leaf: 'v' literal, 'f' column, 'c' aggregate, 'z' string function, 's' SUBSTR call
    char chLeaf;
    TagSqlValue tValue;       // 'v': DB_LONG, DB_ULONG, DB_DOUBLE, DB_STRING (owned copy, length = chars + 1),
                              //      DB_NULL
    SqlColumnRef* ptColumn;   // 'f'
    SqlAggregate* ptAggregate;  // 'c'
    char chFunc;              // 'z': 'l' LOWER, 'L' STRLEN, 't' TRIM, 'u' UPPER
    SqlExpr* ptArg;           // 'z': the argument
    SqlExpr* aptSubstrArg[3];   // 's': the three arguments
};

// IN list: expression handles in written order.
struct SqlExprList {
    SqlExpr* ptExpr;
    SqlExprList* ptNext;
};

enum class PredicateOp : int { Eq, Ne, Lt, Le, Gt, Ge, Between, In, Like };

struct SqlPredicate {
    PredicateOp eOp;
    uint8_t byNot;            // 1 when NOT was written after the left expression
    SqlExpr* ptLeft;
    SqlExpr* ptRight;         // comparisons
    SqlExprList* ptInList;    // IN
    SqlExpr* ptLow;           // BETWEEN
    SqlExpr* ptHigh;
    TagSqlValue tPattern;     // LIKE: DB_STRING, owned copy of the literal
};

enum class Connective : int { None, And, Or, Xor };

// Condition node: a leaf (eConn None) holds one predicate, an inner node two subtrees.
struct SqlCondition {
    Connective eConn;
    SqlCondition* ptLeft;
    SqlCondition* ptRight;
    SqlPredicate* ptPredicate;
};

struct SqlFromTable {
    char achTableName[kSqlNameSize];
    uint16_t wTableNo;        // low 16 bits of the table handle
    uint32_t dwTupleNo;       // executor: current tuple number
    int iEndMark;             // executor: 0 on a record, 100 after the last one
    uint8_t abyRecord[kRecordBufferSize];  // executor: the current record without its status byte
};

struct SqlSelectEntry {
    char achName[kSqlNameSize];   // result name: alias (<= 20 chars), plain column's name, or empty
    SqlExpr* ptExpr;
    TagSqlValue tValue;           // executor: value for the current row
    int iCastType;                // DB_* type code of the cast, -1 without one
    TagSqlValue tResultType;      // executor: copy of the first row's value
};

struct SqlSetEntry {
    SqlColumnRef* ptColumn;
    SqlExpr* ptExpr;
    TagSqlValue tValue;           // executor
};

// One parenthesised row of values of an INSERT, in written order.
struct SqlInsertRow {
    SqlExprList* ptValues;
    int iCount;
    SqlInsertRow* ptNext;
};

struct SqlSortKey {
    char chDirection;             // 'a' or 'd'
    int iColumn;                  // select-list column from 0
};

// Frees the block a value owns (chStorage DBS_STORAGE_OWNED) and clears its pointer, length and storage mark;
// the type and typed slots stay.
void ReleaseValueBlock(TagSqlValue& tValue);

// Sets a value to DB_EMPTY with every other byte zero, releasing its own block first.
void ClearValue(TagSqlValue& tValue);

}  // namespace dbs::sql
