// The SELECT driver: collects result rows in blocks of 100 rows (at most 100 blocks, so at most 10,000 rows),
// with every column's width fixed by the first row, then joins the blocks into the record set's one data block,
// sorts it for ORDER BY and fills the column descriptors.
//
// A column's bytes in a row are a string's text, an uncast column's raw field bytes, or the typed slot of its
// value; a later value of another length is cut or zero-padded to the width of the first row.
#include <array>
#include <cstring>
#include <vector>

#include "sql/executor.h"
#include "sql/value_ops.h"

namespace dbs::sql {

namespace {

// The blocks of rows collected so far; released when the driver ends, whatever the outcome.
class RowBlocks {
public:
    RowBlocks() = default;
    ~RowBlocks() {
        for (size_t i = 0; i < count_; ++i) DbsFree(blocks_[i]);
    }
    RowBlocks(const RowBlocks&) = delete;
    RowBlocks& operator=(const RowBlocks&) = delete;

    // Room for the next row, or null when no block can be allocated.
    char* NextRow(uint32_t rowWidth, int rowIndex) {
        size_t block = static_cast<size_t>(rowIndex / kRowsPerBlock);
        if (block >= blocks_.size()) return nullptr;
        if (block == count_) {
            char* b = static_cast<char*>(DbsMalloc(static_cast<size_t>(rowWidth) * kRowsPerBlock));
            if (b == nullptr) return nullptr;
            blocks_[count_++] = b;
        }
        char* base = blocks_[block];
        return base + static_cast<size_t>(rowIndex % kRowsPerBlock) * rowWidth;
    }

    void CopyTo(char* dst, uint32_t rowWidth, int rows) const {
        size_t blockBytes = static_cast<size_t>(rowWidth) * kRowsPerBlock;
        size_t total = static_cast<size_t>(rowWidth) * static_cast<size_t>(rows);
        for (size_t i = 0; i < count_ && total != 0; ++i) {
            size_t n = total < blockBytes ? total : blockBytes;
            std::memcpy(dst + i * blockBytes, blocks_[i], n);
            total -= n;
        }
    }

private:
    // A fixed table: taking a block must not allocate anything else that could fail and lose the block.
    std::array<char*, kMaxRowBlocks> blocks_{};
    size_t count_ = 0;
};

struct RowLayout {
    bool fixed = false;
    uint32_t width[kMaxSelectEntries] = {};
    uint32_t rowWidth = 0;
};

int EvaluateRow(TagSqlParser& ctx, ExecState& st) {
    for (int i = 0; i < ctx.iSelectNum; ++i) {
        const SqlSelectEntry& e = ctx.atSelect[i];
        if (SqlEvalExpr(ctx, st, e.ptExpr, st.select[i]) != 0) return -1;
        if (e.iCastType != -1) SqlConvertValue(st.select[i], e.iCastType);
    }
    return 0;
}

// Fixes the layout from the first row. Offsets must fit the descriptors' 16-bit offset field.
int FixLayout(TagSqlParser& ctx, ExecState& st, RowLayout& layout) {
    uint64_t sum = 0;
    for (int i = 0; i < ctx.iSelectNum; ++i) {
        if (!st.resultType[i].CopyFrom(st.select[i])) return SqlRaiseError(ctx, kSqlErrNoMemory, nullptr);
        layout.width[i] = ValueWidth(st.select[i]);
        if (sum > UINT16_MAX) return SqlRaiseError(ctx, kSqlErrSystem, nullptr);
        sum += layout.width[i];
    }
    if (sum > INT32_MAX / kRowsPerBlock) return SqlRaiseError(ctx, kSqlErrNoMemory, nullptr);
    layout.rowWidth = static_cast<uint32_t>(sum);
    layout.fixed = true;
    return 0;
}

// Stores the evaluated row; returns 0, 1 when the collection ends (a row width of 0), or -1.
int DeliverRow(TagSqlParser& ctx, ExecState& st, RowLayout& layout, RowBlocks& blocks) {
    if (!layout.fixed && FixLayout(ctx, st, layout) != 0) return -1;
    if (layout.rowWidth == 0) {
        ctx.iRowCount = 1;
        return 1;
    }
    if (ctx.iRowCount >= kRowsPerBlock * kMaxRowBlocks) return SqlRaiseError(ctx, kSqlErrTooManyRows, nullptr);
    char* row = blocks.NextRow(layout.rowWidth, ctx.iRowCount);
    if (row == nullptr) return SqlRaiseError(ctx, kSqlErrNoMemory, nullptr);
    for (int i = 0; i < ctx.iSelectNum; ++i) {
        WriteValueBytes(st.select[i], row, layout.width[i]);
        row += layout.width[i];
    }
    ++ctx.iRowCount;
    return 0;
}

struct Delivery {
    RowLayout& layout;
    RowBlocks& blocks;
};

// One row of a group: evaluated and stored as a row of an ungrouped SELECT.
int DeliverGroupRow(TagSqlParser& ctx, ExecState& st, void* user) {
    auto& d = *static_cast<Delivery*>(user);
    if (EvaluateRow(ctx, st) != 0) return -1;
    return DeliverRow(ctx, st, d.layout, d.blocks);
}

int Collect(TagSqlParser& ctx, ExecState& st, RowLayout& layout, RowBlocks& blocks) {
    const bool grouped = ctx.iGroupNum > 0;
    bool aggregates = st.aggregateCount != 0;
    if (grouped && StartGroups(ctx, st) != 0) return -1;
    int end = ScanPosition(ctx, st);
    while (end == kScanOnRecord) {
        int r = cond_eval(ctx, st, ctx.ptWhere);
        if (ctx.iErrCode != 0) return -1;
        if (r != 1) {
            end = ScanAdvance(ctx, st);
            continue;
        }
        if (grouped) {
            if (AddToGroup(ctx, st) != 0) return -1;
            end = ScanAdvance(ctx, st);
            continue;
        }
        if (aggregates) {
            if (AccumulateAggregates(ctx, st) != 0) return -1;
            end = ScanAdvance(ctx, st);
            continue;
        }
        if (EvaluateRow(ctx, st) != 0) return -1;
        int d = DeliverRow(ctx, st, layout, blocks);
        // A statement that stops here still takes the full walk's next step.
        end = d == 0 ? ScanAdvance(ctx, st) : ScanAdvanceAll(ctx, st);
        if (d < 0) return -1;
        if (d > 0) return 0;
    }
    if (grouped) {
        Delivery delivery{layout, blocks};
        return EmitGroups(ctx, st, DeliverGroupRow, &delivery);
    }
    if (aggregates) {
        if (EvaluateRow(ctx, st) != 0) return -1;
        if (DeliverRow(ctx, st, layout, blocks) < 0) return -1;
    }
    return 0;
}

void FillDescriptors(TagSqlParser& ctx, ExecState& st, const RowLayout& layout, TagSqlRecordset& rs) {
    uint32_t offset = 0;
    for (int i = 0; i < ctx.iSelectNum; ++i) {
        const SqlSelectEntry& e = ctx.atSelect[i];
        TagSqlField& f = rs.atField[i];
        f = TagSqlField{};
        const SqlExpr* x = e.ptExpr;
        if (x != nullptr && x->chKind == 'l' && x->chLeaf == 'f' && x->chSign == '+' && x->ptColumn != nullptr) {
            CopySqlName(f.achTableName, x->ptColumn->achTableName);
            f.iTableIndex = x->ptColumn->iTableIndex;
        }
        if (ctx.iTableNum == 1) CopySqlName(f.achTableName, ctx.atTable[0].achTableName);
        CopySqlName(f.achFieldName, e.achName);
        // Type codes are signed bytes (DB_EMPTY is -1), not characters.
        f.iFieldType = st.resultType[i].raw().chType;  // NOLINT(bugprone-signed-char-misuse,cert-str34-c)
        f.iFieldLen = static_cast<int>(layout.width[i]);
        f.wOffset = static_cast<uint16_t>(offset);
        offset += layout.width[i];
    }
    rs.iFieldNum = ctx.iSelectNum;
}

}  // namespace

int RunSelect(TagSqlParser& ctx, ExecState& st, TagSqlRecordset& rs) {
    ctx.iRowCount = 0;
    ctx.iRowWidth = 0;
    for (int i = 0; i < ctx.iSelectNum; ++i) st.resultType[i].SetEmpty();
    ResetAggregates(ctx, st);
    RowLayout layout;
    RowBlocks blocks;
    if (Collect(ctx, st, layout, blocks) != 0) return -1;

    ctx.iRowWidth = static_cast<int>(layout.rowWidth);
    size_t dataLen = static_cast<size_t>(layout.rowWidth) * static_cast<size_t>(ctx.iRowCount);
    if (dataLen != 0) {
        rs.pchData = static_cast<char*>(DbsMalloc(dataLen));
        if (rs.pchData == nullptr) return SqlRaiseError(ctx, kSqlErrNoMemory, nullptr);
        blocks.CopyTo(rs.pchData, layout.rowWidth, ctx.iRowCount);
    }
    rs.iDataLen = static_cast<int>(dataLen);
    rs.iRowLen = static_cast<int>(layout.rowWidth);
    rs.iRowNum = ctx.iRowCount;
    FillDescriptors(ctx, st, layout, rs);
    if (ctx.iSortNum > 0 && rs.iRowNum > 1 && rs.iRowLen > 0) {
        std::vector<char> swapRow(static_cast<size_t>(rs.iRowLen));
        SortRows(ctx, rs, swapRow.data());
    }
    return 0;
}

}  // namespace dbs::sql
