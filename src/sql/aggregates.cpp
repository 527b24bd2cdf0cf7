// Aggregates: COUNT, SUM, AVG, MIN and MAX accumulated over the record combinations that satisfy the WHERE
// condition. Rows whose argument is the absent value are ignored; an average of integers is an integer quotient.
#include "sql/executor.h"
#include "sql/value_ops.h"

namespace dbs::sql {

namespace {

int NoMemory(TagSqlParser& ctx) { return SqlRaiseError(ctx, kSqlErrNoMemory, nullptr); }

}  // namespace

int AccumulateAggregate(TagSqlParser& ctx, ExecState& st, AggregateState& a) {
    const SqlAggregate& node = *a.ptNode;
    ScratchValue arg(st);
    if (node.ptArg == nullptr) {
        arg->SetLong(1);
    } else if (SqlEvalExpr(ctx, st, node.ptArg, *arg) != 0) {
        return -1;
    }
    if (a.bAccumEmpty) {
        a.accum.SetType(arg->type());
        a.bAccumEmpty = false;
    }
    if (arg->type() == DB_NOVAL) return 0;
    ++a.iCount;
    int err = 0;
    switch (node.chFunc) {
        case 'C': a.accum.SetLong(a.iCount); break;
        case 'M':
        case 'm': {
            bool take = a.iCount == 1;
            if (!take) {
                int c = SqlCompareValues(a.accum, *arg, err);
                if (err != 0) return SqlRaiseError(ctx, err, nullptr);
                take = node.chFunc == 'M' ? c < 0 : c > 0;
            }
            if (take && !a.accum.CopyFrom(*arg)) return NoMemory(ctx);
            break;
        }
        case 's':
        case 'a': {
            ScratchValue sum(st);
            SqlArithmetic('+', a.accum, *arg, *sum);
            if (!a.accum.CopyFrom(*sum)) return NoMemory(ctx);
            if (node.chFunc == 'a') {
                ScratchValue count(st);
                count->SetLong(a.iCount);
                int code = SqlArithmetic('/', a.accum, *count, a.output);
                if (code != 0) return SqlStoreError(ctx, code);
                return 0;
            }
            break;
        }
        default: return SqlRaiseError(ctx, kSqlErrSystem, nullptr);
    }
    return a.output.CopyFrom(a.accum) ? 0 : NoMemory(ctx);
}

void ResetAggregate(AggregateState& a, const SqlAggregate* node) {
    a.ptNode = node;
    a.bAccumEmpty = true;
    a.iCount = 0;
    a.accum.SetEmpty();
    if (node->chFunc == 'C') {
        a.output.SetLong(0);
    } else {
        a.output.SetNull();
    }
}

int ResetAggregates(TagSqlParser& ctx, ExecState& st) {
    size_t n = 0;
    for (const SqlAggregate* node = ctx.ptAggFirst; node != nullptr; node = node->ptNext) {
        if (n == st.aggregates.size()) st.aggregates.emplace_back();
        ResetAggregate(st.aggregates[n++], node);
    }
    st.aggregateCount = n;
    return 0;
}

int AccumulateAggregates(TagSqlParser& ctx, ExecState& st) {
    for (size_t i = 0; i < st.aggregateCount; ++i) {
        if (AccumulateAggregate(ctx, st, st.aggregates[i]) != 0) return -1;
    }
    return 0;
}

}  // namespace dbs::sql
