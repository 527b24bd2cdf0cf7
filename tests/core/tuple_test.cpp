// Record calls: slots, the cursor, stepping, whole records and fields, on both buffers.
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/core_state.h"
#include "core_test_util.h"

namespace dbs::test {
namespace {

#pragma pack(push, 1)
struct Rec {
    uint32_t id;
    char name[6];
};
#pragma pack(pop)

// The calls of one buffer role, so that each scenario runs on main memory and on secondary memory alike.
struct Api {
    const char* role;
    uint8_t (*append)(uint32_t);
    uint8_t (*del)(uint32_t);
    uint8_t (*setNo)(uint32_t, uint32_t);
    uint32_t (*getNo)(uint32_t);
    uint8_t (*first)(uint32_t);
    uint8_t (*next)(uint32_t);
    uint8_t (*prev)(uint32_t);
    uint8_t (*get)(uint32_t, void*);
    uint8_t (*set)(uint32_t, const void*);
    uint32_t (*num)(uint32_t);
    uint8_t (*setDomain)(uint32_t, const char*, const void*);
    uint8_t (*getDomain)(uint32_t, const char*, void*);
    const char* fullLine;  // with %d for the capacity
};

const Api kMain{"main", DbsAppendTuple, DbsDeleteTuple, DbsSetTupleNo, DbsGetTupleNo, DbsSkipToFirst,
                DbsSkipToNext, DbsSkipToPrev, DbsGetTuple, DbsSetTuple, DbsGetTupleNum, DbsSetDomain,
                DbsGetDomain, "[File: *, Line: *] table T full (%d records), cannot insert record"};
const Api kSecond{"secondary", DbsAppendTupleEX, DbsDeleteTupleEX, DbsSetTupleNoEX, DbsGetTupleNoEX,
                  DbsSkipToFirstEX, DbsSkipToNextEX, DbsSkipToPrevEX, DbsGetTupleEX, DbsSetTupleEX,
                  DbsGetTupleNumEX, DbsSetDomainEX, DbsGetDomainEX, "[File: *, Line: *] table T is full (%d records)."};

class Tuples : public CoreFixture, public ::testing::WithParamInterface<const Api*> {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        h = MakeTable(0, "T", 3, {{"ID", 'D', 4}, {"NAME", 'C', 6}});
        trace.Clear();
    }
    const Api& api() const { return *GetParam(); }
    const Api& other() const { return GetParam() == &kMain ? kSecond : kMain; }
    static Rec R(uint32_t id, const char* name) {
        Rec r{};
        r.id = id;
        std::strncpy(r.name, name, sizeof r.name);
        return r;
    }
    uint32_t h = 0;
};

TEST_P(Tuples, NewTableIsEmpty) {
    EXPECT_EQ(api().num(h), 0u);
    EXPECT_EQ(api().getNo(h), 0u);
    EXPECT_EQ(api().first(h), 0);
    EXPECT_EQ(api().next(h), 0);
    EXPECT_EQ(api().prev(h), 0);
    EXPECT_EQ(DbsGetTupleLen(h), sizeof(Rec));
    EXPECT_EQ(trace.Count(), 0u);
}

TEST_P(Tuples, AppendFillsLowestFreeSlotsAndReportsFull) {
    for (uint32_t n = 1; n <= 3; ++n) {
        ASSERT_EQ(api().append(h), 1);
        EXPECT_EQ(api().getNo(h), n);
        const Rec r = R(n * 10, "abc");
        ASSERT_EQ(api().set(h, &r), 1);
    }
    EXPECT_EQ(api().num(h), 3u);
    EXPECT_EQ(api().append(h), 0);
    char line[128];
    std::snprintf(line, sizeof line, api().fullLine, 3);
    EXPECT_EQ(trace.Last(), line);
    EXPECT_EQ(api().getNo(h), 3u);

    // Delete tuple 2: the next append takes it again and still holds the deleted record's bytes.
    api().setNo(h, 2);
    ASSERT_EQ(api().del(h), 1);
    EXPECT_EQ(api().num(h), 2u);
    EXPECT_EQ(api().getNo(h), 2u);
    api().setNo(h, 3);
    ASSERT_EQ(api().append(h), 1);
    EXPECT_EQ(api().getNo(h), 2u);
    Rec got{};
    ASSERT_EQ(api().get(h, &got), 1);
    EXPECT_EQ(+got.id, 20u);
    EXPECT_STREQ(+got.name, "abc");

    // The other buffer saw none of it.
    EXPECT_EQ(other().num(h), 0u);
    EXPECT_EQ(other().getNo(h), 0u);
    EXPECT_EQ(other().first(h), 0);
}

TEST_P(Tuples, PositioningMovesTheCursorEvenWhenRefused) {
    api().append(h);
    api().append(h);
    api().setNo(h, 2);
    api().del(h);
    const bool traced = GetParam() == &kMain;
    struct Case {
        uint32_t no;
        uint8_t result;
        uint32_t cursor;
        const char* line;
    } cases[] = {
        {0, 0, 1, "[File:* Line*] dwTupleNo = 0 Invalid"},
        {4, 0, 3, "[File:* Line*] dwTupleNo = 4 Invalid"},
        {0xFFFFFFFF, 0, 3, "[File:* Line*] dwTupleNo = -1 Invalid"},
        {2, 0, 2, "[File:* Line*] dwTupleNo = 2, tuple already deleted!"},
        {1, 1, 1, nullptr},
    };
    for (const Case& c : cases) {
        trace.Clear();
        EXPECT_EQ(api().setNo(h, c.no), c.result) << c.no;
        EXPECT_EQ(api().getNo(h), c.cursor) << c.no;
        if (traced && c.line != nullptr) {
            EXPECT_EQ(trace.Last(), c.line);
        } else {
            EXPECT_EQ(trace.Count(), 0u) << c.no;
        }
    }
}

TEST_P(Tuples, SteppingVisitsUsedSlotsAndKeepsTheCursorAtTheEnds) {
    // A larger table with used slots 2, 3, 6 and 9.
    const uint32_t t = MakeTable(1, "STEP", 10, {{"ID", 'D', 4}});
    for (int k = 0; k < 9; ++k) api().append(t);
    for (uint32_t n : {1u, 4u, 5u, 7u, 8u}) {
        api().setNo(t, n);
        api().del(t);
    }
    trace.Clear();
    std::vector<uint32_t> seen;
    for (uint8_t ok = api().first(t); ok; ok = api().next(t)) seen.push_back(api().getNo(t));
    EXPECT_EQ(seen, (std::vector<uint32_t>{2, 3, 6, 9}));
    EXPECT_EQ(api().getNo(t), 9u);
    EXPECT_EQ(api().next(t), 0);
    EXPECT_EQ(api().getNo(t), 9u);
    seen.clear();
    while (api().prev(t)) seen.push_back(api().getNo(t));
    EXPECT_EQ(seen, (std::vector<uint32_t>{6, 3, 2}));
    EXPECT_EQ(api().getNo(t), 2u);
    api().setNo(t, 1);
    EXPECT_EQ(api().prev(t), 0);
    EXPECT_EQ(api().getNo(t), 1u);
    api().setNo(t, 10);  // free slot beyond the last used one
    EXPECT_EQ(api().prev(t), 1);
    EXPECT_EQ(api().getNo(t), 9u);
    EXPECT_EQ(trace.Count(), GetParam() == &kMain ? 2u : 0u);  // only the two positionings on free slots
}

TEST_P(Tuples, SetTupleBringsAFreeSlotIntoUse) {
    api().setNo(h, 2);
    const Rec r = R(7, "seven");
    ASSERT_EQ(api().set(h, &r), 1);
    EXPECT_EQ(api().num(h), 1u);
    ASSERT_EQ(api().set(h, &r), 1);
    EXPECT_EQ(api().num(h), 1u);
    // The next append takes slot 1, then slot 3: slot 2 is in use.
    ASSERT_EQ(api().append(h), 1);
    EXPECT_EQ(api().getNo(h), 1u);
    ASSERT_EQ(api().append(h), 1);
    EXPECT_EQ(api().getNo(h), 3u);
    api().setNo(h, 2);
    Rec got{};
    ASSERT_EQ(api().get(h, &got), 1);
    EXPECT_EQ(+got.id, 7u);
    EXPECT_STREQ(+got.name, "seven");
}

TEST_P(Tuples, DeleteOfAFreeSlotSucceedsWithoutCounting) {
    api().append(h);
    api().setNo(h, 3);
    EXPECT_EQ(api().del(h), 1);
    EXPECT_EQ(api().num(h), 1u);
    api().setNo(h, 1);
    EXPECT_EQ(api().del(h), 1);
    EXPECT_EQ(api().del(h), 1);
    EXPECT_EQ(api().num(h), 0u);
}

TEST_P(Tuples, FieldAccessTouchesOnlyTheDataBytes) {
    api().setNo(h, 1);  // free slot
    const uint32_t id = 0xA1B2C3D4;
    ASSERT_EQ(api().setDomain(h, "ID", &id), 1);
    EXPECT_EQ(api().num(h), 0u);
    trace.Clear();
    Rec got{};
    EXPECT_EQ(api().get(h, &got), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] table T 1th record already deleted.");
    // Appending makes the slot used; the field written before is there.
    ASSERT_EQ(api().append(h), 1);
    uint32_t back = 0;
    ASSERT_EQ(api().getDomain(h, "ID", &back), 1);
    EXPECT_EQ(back, id);
    char name[6] = "hello";
    ASSERT_EQ(api().setDomain(h, "NAME", name), 1);
    ASSERT_EQ(api().get(h, &got), 1);
    EXPECT_EQ(+got.id, id);
    EXPECT_EQ(std::string(+got.name, 5), "hello");

    EXPECT_EQ(api().setDomain(h, "id", &id), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *]  field id not in table T.");
    EXPECT_EQ(api().getDomain(h, "NAM", &back), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] field NAM not in table T.");
}

TEST_P(Tuples, NoCurrentRecordIsRefused) {
    const Rec r = R(1, "x");
    Rec got{};
    uint32_t v = 0;
    struct Case {
        std::string what;
        uint8_t result;
    } cases[] = {
        {"set", api().set(h, &r)},
        {"del", api().del(h)},
        {"setDomain", api().setDomain(h, "ID", &v)},
        {"getDomain", api().getDomain(h, "ID", &v)},
    };
    for (const Case& c : cases) EXPECT_EQ(c.result, 0) << c.what;
    EXPECT_EQ(api().get(h, &got), 0);
    const std::vector<std::string> want = {
        "[File: *, Line: *] table T has no current record.", "[File: *, Line: *] table T has no current record.",
        "[File: *, Line: *] table T has no current record.", "[File: *, Line: *] table T has no current record.",
        "[File: *, Line: *] table T 0th record already deleted."};
    EXPECT_EQ(trace.Texts(), want);
    EXPECT_EQ(api().num(h), 0u);
}

TEST_P(Tuples, TableWithoutStorage) {
    const uint32_t bare = DbsCreateTableFormNo(2, "BARE", 0, 3, 1);
    DbsAddDomain(bare, "ID", 'D', 4, 1);
    Rec got{};
    uint32_t v = 0;
    EXPECT_EQ(api().append(bare), 0);
    EXPECT_EQ(api().first(bare), 0);
    EXPECT_EQ(api().next(bare), 0);
    EXPECT_EQ(api().prev(bare), 0);
    EXPECT_EQ(trace.Count(), 0u);
    EXPECT_EQ(api().get(bare, &got), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] table BARE is null.");
    EXPECT_EQ(api().set(bare, &got), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] table BARE is null.");
    EXPECT_EQ(api().del(bare), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] table BARE null.");
    EXPECT_EQ(api().setDomain(bare, "ID", &v), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] table BARE is null.");
    trace.Clear();
    EXPECT_EQ(api().setNo(bare, 1), 0);
    if (GetParam() == &kMain) {
        EXPECT_EQ(trace.Last(), "[File: *, Line: *] ptDBS->apchDBAddr[ptDBS->byDBMainAddrPtr] == NULL");
    } else {
        EXPECT_EQ(trace.Count(), 0u);
    }
    EXPECT_EQ(api().getNo(bare), 0u);
    EXPECT_EQ(api().num(bare), 0u);
}

TEST_P(Tuples, NullPointersAreRefused) {
    api().append(h);
    EXPECT_EQ(api().get(h, nullptr), 0);
    EXPECT_EQ(api().set(h, nullptr), 0);
    EXPECT_EQ(api().setDomain(h, nullptr, "abcd"), 0);
    EXPECT_EQ(api().setDomain(h, "ID", nullptr), 0);
    EXPECT_EQ(api().getDomain(h, nullptr, &h), 0);
    EXPECT_EQ(api().getDomain(h, "ID", nullptr), 0);
    ASSERT_EQ(trace.Count(), 6u);
    EXPECT_EQ(trace.Texts()[2], "[File:* Line:*] SetDomain param name is NULL!");
    EXPECT_EQ(trace.Texts()[5], "[File:* Line:*] GetDomain param dst is NULL!");
    EXPECT_EQ(api().num(h), 1u);
    // An invalid handle is reported before the pointer.
    EXPECT_EQ(api().get(0x10005, nullptr), 0);
    EXPECT_EQ(trace.Last(), "[File:* Line*] Table Handle 10005H Invalid");
}

TEST_P(Tuples, TablesWithoutFieldsOrSlotsCopyNothing) {
    const uint32_t empty = DbsCreateTableBySpec(3, "NOFIELD", 0, 2, "");
    ASSERT_NE(empty, 0u);
    EXPECT_EQ(DbsGetTupleLen(empty), 0);
    ASSERT_EQ(api().append(empty), 1);
    ASSERT_EQ(api().append(empty), 1);
    EXPECT_EQ(api().append(empty), 0);
    unsigned char guard[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    ASSERT_EQ(api().get(empty, guard), 1);
    ASSERT_EQ(api().set(empty, guard), 1);
    EXPECT_EQ(guard[0], 0xEE);
    EXPECT_EQ(api().num(empty), 2u);

    // No slots at all: positioning cannot give a current record and nothing is written.
    const uint32_t none = MakeTable(4, "NOSLOT", 0, {{"ID", 'D', 4}});
    trace.Clear();
    EXPECT_EQ(api().setNo(none, 0), 0);
    EXPECT_EQ(api().set(none, guard), 0);
    EXPECT_EQ(api().del(none), 0);
    EXPECT_EQ(api().get(none, guard), 0);
    EXPECT_EQ(api().append(none), 0);
    EXPECT_EQ(api().first(none), 0);
    EXPECT_EQ(api().prev(none), 0);
    EXPECT_EQ(api().num(none), 0u);
}

INSTANTIATE_TEST_SUITE_P(BothBuffers, Tuples, ::testing::Values(&kMain, &kSecond),
                         [](const auto& info) { return std::string(info.param->role); });

}  // namespace
}  // namespace dbs::test
