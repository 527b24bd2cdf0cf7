// The executor's working state of one parser context: the record cursor of every FROM table, the values of the
// select list, the SET list and the aggregates, and scratch values for evaluation.
//
// The state is created on a context's first statement and kept until SQLDestory, so that a statement of a shape
// seen before allocates nothing while it evaluates rows: every value keeps its buffers from row to row.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "sql/access_path.h"
#include "sql/parser_context.h"
#include "sql/sql_value.h"

namespace dbs::sql {

// One FROM table while a statement runs.
struct FromCursor {
    uint32_t hTable = 0;
    uint32_t dwDataLen = 0;        // record length without the status byte
    uint8_t* pbyRecord = nullptr;  // the context's buffer, or bigBuffer for longer records
    std::vector<uint8_t> bigBuffer;
};

struct AggregateState {
    const SqlAggregate* ptNode = nullptr;
    bool bAccumEmpty = true;
    int iCount = 0;
    SqlValue accum;
    SqlValue output;
};

// The groups of a GROUP BY while a SELECT runs (sql/group_by.cpp); kept with the state so that its buffers are
// reused from one statement to the next.
struct GroupTable;
struct GroupTableDeleter {
    void operator()(GroupTable* groups) const;
};

struct ExecState {
    FromCursor from[kMaxFromTables];
    bool bSecondary = false;       // the scan walks secondary memory (DELETE and UPDATE inside a transaction)
    AccessPlan plan;               // how the scan reaches each FROM table's records
    std::array<SqlValue, kMaxSelectEntries> select;
    std::array<SqlValue, kMaxSelectEntries> resultType;
    std::array<SqlValue, kMaxSetEntries> set;
    std::deque<AggregateState> aggregates;
    size_t aggregateCount = 0;
    std::unique_ptr<GroupTable, GroupTableDeleter> groups;
    int iDepth = 0;                // nesting of the expression and condition being evaluated

    // Evaluation temporaries, handed out and given back in stack order.
    SqlValue& AcquireScratch() {
        if (scratchTop_ == scratch_.size()) scratch_.emplace_back();
        return scratch_[scratchTop_++];
    }
    void ReleaseScratch() { --scratchTop_; }
    void ResetScratch() { scratchTop_ = 0; }

    AggregateState* FindAggregate(const SqlAggregate* node) {
        for (size_t i = 0; i < aggregateCount; ++i)
            if (aggregates[i].ptNode == node) return &aggregates[i];
        return nullptr;
    }

private:
    std::deque<SqlValue> scratch_;
    size_t scratchTop_ = 0;
};

// The context's executor state, created on first use; null when it cannot be allocated.
ExecState* GetExecState(TagSqlParser& ctx);
// Releases the executor state of a context (SQLDestory).
void ReleaseExecState(TagSqlParser& ctx);

// Binds the FROM tables of the parsed statement to their handles and record buffers. On failure the error is
// raised and -1 returned.
int PrepareFromTables(TagSqlParser& ctx, ExecState& st, bool secondary);

// Deepest nesting of expressions and conditions that evaluation follows. A long chain such as a + a + ... or
// p OR p OR ... is a deep tree, and evaluating it recursively without a bound could exhaust the host's stack.
inline constexpr int kMaxEvalDepth = 1000;

// Counts one level of evaluation nesting for its lifetime.
class DepthGuard {
public:
    explicit DepthGuard(ExecState& st) : st_(st) { ++st_.iDepth; }
    ~DepthGuard() { --st_.iDepth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    bool TooDeep() const { return st_.iDepth > kMaxEvalDepth; }

private:
    ExecState& st_;
};

// Scoped scratch value.
class ScratchValue {
public:
    explicit ScratchValue(ExecState& st) : st_(st), v_(st.AcquireScratch()) {}
    ~ScratchValue() { st_.ReleaseScratch(); }
    ScratchValue(const ScratchValue&) = delete;
    ScratchValue& operator=(const ScratchValue&) = delete;
    SqlValue& operator*() { return v_; }
    SqlValue* operator->() { return &v_; }

private:
    ExecState& st_;
    SqlValue& v_;
};

}  // namespace dbs::sql
