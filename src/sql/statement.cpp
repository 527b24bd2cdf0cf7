/*
 * Lifetime of the statement tree: the node arena, the release of the heap blocks that values own, and the reset
 * of a parser context between statements.
 *
 * Nodes are plain records carved out of arena blocks; a statement is released by giving back the few heap blocks
 * that values own and rewinding the arena. The blocks stay with the context, so a context that runs statements
 * of similar size stops allocating nodes after its first statement.
 */
#include <algorithm>
#include <cstring>
#include <new>

#include "sql/lexer.h"
#include "sql/parser_context.h"
#include "sql/statement.h"

namespace dbs::sql {

struct NodeArena::Block {
    Block* ptNext;
    size_t nSize;   // usable bytes after the header
};

namespace {
constexpr size_t kBlockSize = 16 * 1024;
constexpr size_t kAlign = alignof(std::max_align_t);
constexpr size_t AlignUp(size_t n) { return (n + kAlign - 1) & ~(kAlign - 1); }
constexpr size_t kHeaderSize = AlignUp(sizeof(void*) * 2);

unsigned char* BlockData(void* ptBlock) { return static_cast<unsigned char*>(ptBlock) + kHeaderSize; }
}  // namespace

NodeArena::~NodeArena() { ReleaseBlocks(); }

void NodeArena::UseBlock(Block* b, size_t nUsed) {
    ptCurrent_ = b;
    pbyNext_ = BlockData(b) + nUsed;
    pbyEnd_ = BlockData(b) + b->nSize;
}

void* NodeArena::AllocateInNextBlock(size_t nSize) {
    // A block kept from earlier statements after the current one, when one has room.
    if (ptCurrent_ != nullptr) {
        for (Block* b = ptCurrent_->ptNext; b != nullptr; b = b->ptNext) {
            if (b->nSize >= nSize) {
                UseBlock(b, nSize);
                unsigned char* p = BlockData(b);
                std::memset(p, 0, nSize);
                return p;
            }
            if (b->ptNext == nullptr) break;
        }
    }
    const size_t nBlock = std::max(kBlockSize, nSize);
    auto* b = static_cast<Block*>(DbsMalloc(kHeaderSize + nBlock));
    if (b == nullptr) return nullptr;
    b->ptNext = nullptr;
    b->nSize = nBlock;
    // Append after the last block so that blocks kept for reuse are found in order.
    if (ptFirst_ == nullptr) {
        ptFirst_ = b;
    } else {
        Block* last = ptCurrent_ != nullptr ? ptCurrent_ : ptFirst_;
        while (last->ptNext != nullptr) last = last->ptNext;
        last->ptNext = b;
    }
    UseBlock(b, nSize);
    unsigned char* p = BlockData(b);
    std::memset(p, 0, nSize);
    return p;
}

void NodeArena::Rewind() {
    if (ptFirst_ != nullptr) {
        UseBlock(ptFirst_, 0);
    } else {
        ptCurrent_ = nullptr;
        pbyNext_ = pbyEnd_ = nullptr;
    }
}

void NodeArena::ReleaseBlocks() {
    Block* b = ptFirst_;
    while (b != nullptr) {
        Block* next = b->ptNext;
        DbsFree(b);
        b = next;
    }
    ptFirst_ = nullptr;
    ptCurrent_ = nullptr;
    pbyNext_ = pbyEnd_ = nullptr;
}

size_t NodeArena::BlockCount() const {
    size_t n = 0;
    for (Block* b = ptFirst_; b != nullptr; b = b->ptNext) ++n;
    return n;
}

void ReleaseValueBlock(TagSqlValue& tValue) {
    if (tValue.chStorage == DBS_STORAGE_OWNED && tValue.pData != nullptr) DbsFree(tValue.pData);
    tValue.pData = nullptr;
    tValue.dwLength = 0;
    tValue.chStorage = DBS_STORAGE_NONE;
}

void ClearValue(TagSqlValue& tValue) {
    ReleaseValueBlock(tValue);
    tValue = TagSqlValue{};
    tValue.chType = static_cast<int8_t>(DB_EMPTY);
}

void ReleaseStatement(TagSqlParser& ctx) {
    for (SqlOwnedValue* o = ctx.ptOwnedValues; o != nullptr; o = o->ptNext) ReleaseValueBlock(*o->ptValue);
    for (SqlAggregate* a = ctx.ptAggFirst; a != nullptr; a = a->ptNext) {
        ClearValue(a->tAccum);
        ClearValue(a->tOutput);
    }
    // Entries past the counts were never filled (or were cleared when their statement was released).
    for (int i = 0; i < ctx.iSelectNum; ++i) {
        SqlSelectEntry& e = ctx.atSelect[i];
        ClearValue(e.tValue);
        ClearValue(e.tResultType);
        e.ptExpr = nullptr;
        e.achName[0] = '\0';
        e.iCastType = -1;
    }
    for (int i = 0; i < ctx.iSetNum; ++i) {
        SqlSetEntry& e = ctx.atSet[i];
        ClearValue(e.tValue);
        e.ptColumn = nullptr;
        e.ptExpr = nullptr;
    }
    ctx.ptOwnedValues = nullptr;
    ctx.ptColumnFirst = ctx.ptColumnLast = nullptr;
    ctx.ptAggFirst = ctx.ptAggLast = nullptr;
    ctx.ptWhere = nullptr;
    ctx.iGroupNum = 0;
    ctx.ptHaving = nullptr;
    ctx.iInsertColumnNum = 0;
    ctx.ptInsertColumns = nullptr;
    ctx.ptInsertRows = nullptr;
    ctx.eKind = StatementKind::None;
    ctx.iTableNum = 0;
    ctx.iSelectNum = 0;
    ctx.iSetNum = 0;
    ctx.iSortNum = 0;
    ctx.iDepth = 0;
    ctx.tArena.Rewind();
}

void ResetContext(TagSqlParser& ctx) {
    ReleaseStatement(ctx);
    for (SqlFromTable& t : ctx.atTable) {
        t.achTableName[0] = '\0';
        t.wTableNo = 0;
        t.dwTupleNo = 0;
        t.iEndMark = 0;
    }
    for (SqlSortKey& k : ctx.atSort) k = SqlSortKey{};
    ctx.iRowWidth = 0;
    ctx.iRowCount = 0;
    ctx.iScanState = 0;
    ctx.iErrCode = 0;
    ctx.achErrText[0] = '\0';
    LexReset(ctx, std::string_view());
}

}  // namespace dbs::sql

TagSqlParser::~TagSqlParser() { dbs::sql::ReleaseStatement(*this); }
