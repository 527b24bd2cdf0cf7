// GROUP BY and HAVING. The SELECT scan hands every record combination that passes WHERE to AddToGroup, which
// finds its group by the grouping values (a hash table over their encoded bytes) and accumulates the group's own
// aggregates; the group also keeps the records of its last combination, so that select items and HAVING see the
// columns as a plain aggregate SELECT does. EmitGroups then walks the groups in ascending order of grouping values.
//
// The encoding of a grouping value orders as the values do (numbers by value, strings byte by byte, NULL and "no
// value" first), so that sorting the groups is a comparison of bytes and two values are in one group exactly when
// their encodings are equal. All buffers stay with the executor state and are reused by the next statement.
#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#include "sql/executor.h"
#include "sql/value_ops.h"

namespace dbs::sql {

namespace {

constexpr uint32_t kNoGroup = UINT32_MAX;
constexpr size_t kInitialBuckets = 256;

struct GroupEntry {
    uint32_t keyOffset;
    uint32_t keyLen;
    uint32_t hash;
    uint32_t next;   // the next group of the same bucket, kNoGroup at the end
};

}  // namespace

struct GroupTable {
    std::vector<uint8_t> keys;            // the encoded grouping values of every group, back to back
    std::vector<GroupEntry> groups;
    std::vector<uint32_t> buckets;        // first group of each hash bucket; a power of two of them
    std::deque<AggregateState> aggregates;  // group g's aggregate i at g * aggregateCount + i
    std::vector<uint8_t> records;         // group g's last record combination at g * recordBytes
    std::vector<uint8_t> key;             // the key of the combination being added
    std::vector<uint32_t> order;
    size_t aggregateCount = 0;
    size_t recordBytes = 0;
    size_t recordOffset[kMaxFromTables] = {};
};

void GroupTableDeleter::operator()(GroupTable* groups) const { delete groups; }

namespace {

void PutBigEndian(std::vector<uint8_t>& out, uint64_t x, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

void EncodeValue(const SqlValue& v, std::vector<uint8_t>& out) {
    switch (ClassOf(v.type())) {
        case NumClass::kLong:
            out.push_back(1);
            PutBigEndian(out, static_cast<uint32_t>(v.AsLong()) ^ 0x80000000u, 4);
            break;
        case NumClass::kULong:
            out.push_back(2);
            PutBigEndian(out, v.AsULong(), 4);
            break;
        case NumClass::kDouble: {
            double d = v.AsDouble();
            if (d == 0) d = 0;   // -0 and 0 are one value
            uint64_t bits = 0;
            std::memcpy(&bits, &d, sizeof bits);
            bits = (bits >> 63) != 0 ? ~bits : bits | (uint64_t{1} << 63);
            out.push_back(3);
            PutBigEndian(out, bits, 8);
            break;
        }
        default:
            if (v.type() == DB_STRING) {
                std::string_view t = v.text();
                out.push_back(4);
                out.insert(out.end(), t.begin(), t.end());
                out.push_back(0);
            } else {
                out.push_back(0);
            }
            return;
    }
    // An array field is one value with all its elements: the elements after the first tell groups apart too.
    if (v.OwnsBytes() && v.length() > static_cast<uint32_t>(TypeWidth(v.type())))
        out.insert(out.end(), v.bytes(), v.bytes() + v.length());
}

uint32_t HashBytes(const std::vector<uint8_t>& bytes) {
    uint32_t h = 2166136261u;
    for (uint8_t b : bytes) h = (h ^ b) * 16777619u;
    return h;
}

uint32_t FindGroup(const GroupTable& t, uint32_t hash) {
    for (uint32_t g = t.buckets[hash & (t.buckets.size() - 1)]; g != kNoGroup; g = t.groups[g].next) {
        const GroupEntry& e = t.groups[g];
        if (e.hash == hash && e.keyLen == t.key.size() &&
            std::memcmp(t.keys.data() + e.keyOffset, t.key.data(), e.keyLen) == 0)
            return g;
    }
    return kNoGroup;
}

void Link(GroupTable& t, uint32_t g) {
    uint32_t& head = t.buckets[t.groups[g].hash & (t.buckets.size() - 1)];
    t.groups[g].next = head;
    head = g;
}

uint32_t NewGroup(const ExecState& st, GroupTable& t, uint32_t hash) {
    auto g = static_cast<uint32_t>(t.groups.size());
    t.groups.push_back(GroupEntry{static_cast<uint32_t>(t.keys.size()), static_cast<uint32_t>(t.key.size()), hash,
                                  kNoGroup});
    t.keys.insert(t.keys.end(), t.key.begin(), t.key.end());
    if (t.groups.size() > t.buckets.size() / 4 * 3) {
        t.buckets.assign(t.buckets.size() * 2, kNoGroup);
        for (uint32_t i = 0; i < g; ++i) Link(t, i);
    }
    Link(t, g);
    size_t base = static_cast<size_t>(g) * t.aggregateCount;
    while (t.aggregates.size() < base + t.aggregateCount) t.aggregates.emplace_back();
    for (size_t i = 0; i < t.aggregateCount; ++i) ResetAggregate(t.aggregates[base + i], st.aggregates[i].ptNode);
    t.records.resize(t.records.size() + t.recordBytes);
    return g;
}

// A plain column of the select list must be one of the grouping expressions: the same field of the same table.
int CheckPlainColumns(TagSqlParser& ctx) {
    auto plainColumn = [](const SqlExpr* x) -> const SqlColumnRef* {
        return x != nullptr && x->chKind == 'l' && x->chLeaf == 'f' && x->chSign == '+' ? x->ptColumn : nullptr;
    };
    for (int i = 0; i < ctx.iSelectNum; ++i) {
        const SqlColumnRef* col = plainColumn(ctx.atSelect[i].ptExpr);
        if (col == nullptr) continue;
        bool grouped = false;
        for (int k = 0; k < ctx.iGroupNum && !grouped; ++k) {
            const SqlColumnRef* g = plainColumn(ctx.aptGroup[k]);
            grouped = g != nullptr && g->iTableIndex == col->iTableIndex && g->iOffset == col->iOffset &&
                      g->iWidth == col->iWidth;
        }
        if (!grouped) return SqlRaiseError(ctx, kSqlErrUnrelated, "%s", col->achColumnName);
    }
    return 0;
}

}  // namespace

int StartGroups(TagSqlParser& ctx, ExecState& st) {
    if (CheckPlainColumns(ctx) != 0) return -1;
    if (!st.groups) st.groups.reset(new GroupTable());
    GroupTable& t = *st.groups;
    t.keys.clear();
    t.groups.clear();
    t.records.clear();
    t.buckets.assign(kInitialBuckets, kNoGroup);
    t.aggregateCount = st.aggregateCount;
    t.recordBytes = 0;
    for (int i = 0; i < ctx.iTableNum; ++i) {
        t.recordOffset[i] = t.recordBytes;
        t.recordBytes += st.from[i].dwDataLen;
    }
    return 0;
}

int AddToGroup(TagSqlParser& ctx, ExecState& st) {
    GroupTable& t = *st.groups;
    t.key.clear();
    for (int i = 0; i < ctx.iGroupNum; ++i) {
        ScratchValue v(st);
        if (SqlEvalExpr(ctx, st, ctx.aptGroup[i], *v) != 0) return -1;
        EncodeValue(*v, t.key);
    }
    const uint32_t hash = HashBytes(t.key);
    uint32_t g = FindGroup(t, hash);
    if (g == kNoGroup) g = NewGroup(st, t, hash);
    const size_t base = static_cast<size_t>(g) * t.aggregateCount;
    for (size_t i = 0; i < t.aggregateCount; ++i) {
        if (AccumulateAggregate(ctx, st, t.aggregates[base + i]) != 0) return -1;
    }
    uint8_t* records = t.records.data() + static_cast<size_t>(g) * t.recordBytes;
    for (int i = 0; i < ctx.iTableNum; ++i)
        std::memcpy(records + t.recordOffset[i], st.from[i].pbyRecord, st.from[i].dwDataLen);
    return 0;
}

int EmitGroups(TagSqlParser& ctx, ExecState& st, int (*row)(TagSqlParser&, ExecState&, void*), void* user) {
    GroupTable& t = *st.groups;
    t.order.resize(t.groups.size());
    for (uint32_t g = 0; g < t.order.size(); ++g) t.order[g] = g;
    std::sort(t.order.begin(), t.order.end(), [&t](uint32_t a, uint32_t b) {
        const GroupEntry& x = t.groups[a];
        const GroupEntry& y = t.groups[b];
        const uint8_t* px = t.keys.data() + x.keyOffset;
        const uint8_t* py = t.keys.data() + y.keyOffset;
        return std::lexicographical_compare(px, px + x.keyLen, py, py + y.keyLen);
    });
    for (uint32_t g : t.order) {
        const size_t base = static_cast<size_t>(g) * t.aggregateCount;
        for (size_t i = 0; i < t.aggregateCount; ++i) {
            if (!st.aggregates[i].output.CopyFrom(t.aggregates[base + i].output))
                return SqlRaiseError(ctx, kSqlErrNoMemory, nullptr);
        }
        const uint8_t* records = t.records.data() + static_cast<size_t>(g) * t.recordBytes;
        for (int i = 0; i < ctx.iTableNum; ++i)
            std::memcpy(st.from[i].pbyRecord, records + t.recordOffset[i], st.from[i].dwDataLen);
        const int keep = cond_eval(ctx, st, ctx.ptHaving);
        if (ctx.iErrCode != 0) return -1;
        if (keep != 1) continue;
        const int r = row(ctx, st, user);
        if (r != 0) return r < 0 ? -1 : 0;
    }
    return 0;
}

}  // namespace dbs::sql
