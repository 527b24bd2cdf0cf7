// The parser context behind an hSqlParser: statement text, lexer state, the statement tree and the executor's
// working state of one statement.
//
// Everything the lexer and the parser keep lives here, so two contexts never share state and may be used from
// two threads at once. Tree nodes come from the context's NodeArena, whose blocks are kept from one statement to
// the next (parsing a statement of a size seen before allocates nothing but its string literals).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include <dbs/dbs.h>

#include "sql/sql_error.h"
#include "sql/statement.h"

namespace dbs::sql {

// Bump allocator for tree nodes. Blocks come from DbsMalloc; Allocate returns zero-filled memory aligned for any
// node, or nullptr when no block can be had. Rewind makes all memory reusable (no destructors run: nodes are
// plain records); the destructor gives the blocks back.
class NodeArena {
public:
    NodeArena() = default;
    ~NodeArena();
    NodeArena(const NodeArena&) = delete;
    NodeArena& operator=(const NodeArena&) = delete;

    // Carves from the free room of the current block when it is large enough (inline, so that a node of known
    // size is zeroed without a call); otherwise moves on to a later block or a new one.
    void* Allocate(size_t nSize) {
        nSize = ((nSize == 0 ? 1 : nSize) + kAlign - 1) & ~(kAlign - 1);
        if (static_cast<size_t>(pbyEnd_ - pbyNext_) >= nSize) {
            unsigned char* p = pbyNext_;
            pbyNext_ += nSize;
            std::memset(p, 0, nSize);
            return p;
        }
        return AllocateInNextBlock(nSize);
    }
    template <typename T>
    T* New() { return static_cast<T*>(Allocate(sizeof(T))); }
    void Rewind();
    void ReleaseBlocks();
    size_t BlockCount() const;

private:
    static constexpr size_t kAlign = alignof(std::max_align_t);
    struct Block;
    void* AllocateInNextBlock(size_t nSize);
    void UseBlock(Block* b, size_t nUsed);

    Block* ptFirst_ = nullptr;
    Block* ptCurrent_ = nullptr;   // blocks after it are unused since the last Rewind
    unsigned char* pbyNext_ = nullptr;   // free room of the current block
    unsigned char* pbyEnd_ = nullptr;
};

// Token buffer of the lexer: a token and the one character read beyond it must fit.
inline constexpr size_t kTokenBufferSize = 512;

struct SqlLexState {
    const char* pchText = nullptr;   // the statement text (zero-terminated or ending at nTextLen)
    size_t nTextLen = 0;
    size_t nCursor = 0;              // index of the next character to take
    int iReadPos = 0;                // characters taken from the text so far (a re-read one counts once)
    int iLineNo = 1;                 // line feeds seen, from 1
    bool bEqMode = false;            // "=" reads as EQ (switched on after WHERE)
    // the token just read
    int iToken = 0;
    size_t nTokenLen = 0;
    char achToken[kTokenBufferSize] = {};   // token text, zero-terminated (for STRING: the characters between
                                            // the outer quotes)
    int32_t iIntValue = 0;           // INTCONST
    uint32_t uUIntValue = 0;         // UINTCONST
    double dDoubleValue = 0;         // DOUBLECONST
    char chFuncCategory = 0;         // FUNCNAME: 'c', 'z' or 'D'
    char chFuncLetter = 0;           // FUNCNAME: function letter
};

// A heap block owned by a tree literal (a string or LIKE pattern value), released with the statement.
struct SqlOwnedValue {
    TagSqlValue* ptValue;
    SqlOwnedValue* ptNext;
};

}  // namespace dbs::sql

struct TagSqlParser {
    TagSqlParser() = default;
    ~TagSqlParser();
    TagSqlParser(const TagSqlParser&) = delete;
    TagSqlParser& operator=(const TagSqlParser&) = delete;

    // lexer
    dbs::sql::SqlLexState tLex;

    // statement tree
    dbs::sql::StatementKind eKind = dbs::sql::StatementKind::None;
    int iTableNum = 0;
    dbs::sql::SqlFromTable atTable[dbs::sql::kMaxFromTables] = {};
    int iSelectNum = 0;
    dbs::sql::SqlSelectEntry atSelect[dbs::sql::kMaxSelectEntries] = {};
    int iSetNum = 0;
    dbs::sql::SqlSetEntry atSet[dbs::sql::kMaxSetEntries] = {};
    int iSortNum = 0;
    dbs::sql::SqlSortKey atSort[dbs::sql::kMaxSortKeys] = {};
    dbs::sql::SqlColumnRef* ptColumnFirst = nullptr;   // column references in order of first appearance
    dbs::sql::SqlColumnRef* ptColumnLast = nullptr;
    dbs::sql::SqlAggregate* ptAggFirst = nullptr;      // aggregate nodes in order of creation
    dbs::sql::SqlAggregate* ptAggLast = nullptr;
    dbs::sql::SqlCondition* ptWhere = nullptr;         // WHERE root, nullptr without WHERE
    int iGroupNum = 0;                                 // GROUP BY expressions
    dbs::sql::SqlExpr* aptGroup[dbs::sql::kMaxGroupKeys] = {};
    dbs::sql::SqlCondition* ptHaving = nullptr;        // HAVING root, nullptr without HAVING
    int iInsertColumnNum = 0;                          // INSERT: the number of columns filled
    dbs::sql::SqlExprList* ptInsertColumns = nullptr;  // INSERT: their column leaves; nullptr for every field
    dbs::sql::SqlInsertRow* ptInsertRows = nullptr;    // INSERT: the rows of values
    dbs::sql::SqlOwnedValue* ptOwnedValues = nullptr;  // literal blocks to release
    int iDepth = 0;                                    // parser nesting depth

    // executor state
    int iRowWidth = 0;
    int iRowCount = 0;
    TagSqlRecordset* ptRecordset = nullptr;   // record set under construction
    int iScanState = 0;
    void* pvExecState = nullptr;              // executor's own data; the executor releases it

    // errors
    int iErrCode = 0;
    char achErrText[dbs::sql::kSqlErrTextSize] = {};

    dbs::sql::NodeArena tArena;
};

namespace dbs::sql {

// Reset of a context before a statement: releases a tree left behind, statement kind None, every count, the
// error code and the executor's row width, row count and scan state 0, every value slot DB_EMPTY, the lexer at
// line 1 with the EQ mode off and no text.
void ResetContext(TagSqlParser& ctx);

// Releases the statement tree: every owned block of the literals and of the value slots (select entries, SET
// entries, aggregate nodes); then the lists, the WHERE root and every count are emptied and the statement kind is
// None, and the arena is rewound with its blocks kept. The executor's record set is not touched. Safe to call
// twice.
void ReleaseStatement(TagSqlParser& ctx);

}  // namespace dbs::sql
