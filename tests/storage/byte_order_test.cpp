// DbsTupleChangeOrder: which bytes move, which stay, and the refusals.
#include <cstring>
#include <vector>

#include "core/core_state.h"
#include "storage/byte_order.h"
#include "storage_fixture.h"

namespace dbs::test {
namespace {

class ByteOrderTest : public StorageFixture {};

TEST_F(ByteOrderTest, SwapsEachUnitOfNumericFieldsAndLeavesBytesAlone) {
    const uint32_t h = MakeTable(0, "MIX", 4, {"NAME C(4) SAVE", "W1 W(2) SAVE", "D2 D(8) SAVE", "B N(3) SAVE",
                                               "F L(1) SAVE"});
    std::vector<uint8_t> tuple = {'a', 'b', 'c', 'd', 0x34, 0x12, 0x78, 0x56, 0x34, 0x12,
                                  0xDD, 0xCC, 0xBB, 0xAA, 1, 2, 3, 9};
    ASSERT_EQ(tuple.size(), DbsGetTupleLen(h));
    const std::vector<uint8_t> original = tuple;

    ASSERT_EQ(DbsTupleChangeOrder(h, tuple.data(), DBS_ORDER_HOST_TO_NET), 1);
    const std::vector<uint8_t> expected = {'a', 'b', 'c', 'd', 0x12, 0x34, 0x12, 0x34, 0x56, 0x78,
                                           0xAA, 0xBB, 0xCC, 0xDD, 1, 2, 3, 9};
    EXPECT_EQ(tuple, expected);

    ASSERT_EQ(DbsTupleChangeOrder(h, tuple.data(), DBS_ORDER_NET_TO_HOST), 1);
    EXPECT_EQ(tuple, original);
    EXPECT_EQ(trace.Count(), 0u);
}

TEST_F(ByteOrderTest, UnalignedUnitsAreConverted) {
    // The 'D' field starts at tuple position 1 and the 'W' array at 5: neither is aligned.
    const uint32_t h = MakeTable(0, "ODD", 2, {"P N(1) SAVE", "D1 D(4) SAVE", "W3 W(6) SAVE"});
    std::vector<uint8_t> buf(1 + DbsGetTupleLen(h) + 1, 0xEE);  // a guard byte on each side
    uint8_t* tuple = buf.data() + 1;
    const uint8_t data[] = {7, 1, 2, 3, 4, 0xA1, 0xA2, 0xB1, 0xB2, 0xC1, 0xC2};
    std::memcpy(tuple, data, sizeof data);

    ASSERT_EQ(DbsTupleChangeOrder(h, tuple, DBS_ORDER_HOST_TO_NET), 1);
    const uint8_t expected[] = {7, 4, 3, 2, 1, 0xA2, 0xA1, 0xB2, 0xB1, 0xC2, 0xC1};
    EXPECT_EQ(std::memcmp(tuple, expected, sizeof expected), 0);
    EXPECT_EQ(buf.front(), 0xEE);
    EXPECT_EQ(buf.back(), 0xEE);
}

TEST_F(ByteOrderTest, FieldsShorterThanAUnitAreUntouched) {
    // The schema loader never makes these, but a table built in code can: a 'D' of 3 bytes, a 'W' of 1, and a
    // 'D' of 6 bytes whose trailing 2 bytes are no whole unit.
    const uint32_t h = MakeTable(0, "SHORT", 2, {"D3 D(3) SAVE", "W1 W(1) SAVE", "D6 D(6) SAVE"});
    std::vector<uint8_t> tuple = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_EQ(tuple.size(), DbsGetTupleLen(h));
    ASSERT_EQ(DbsTupleChangeOrder(h, tuple.data(), DBS_ORDER_HOST_TO_NET), 1);
    const std::vector<uint8_t> expected = {1, 2, 3, 4, 8, 7, 6, 5, 9, 10};
    EXPECT_EQ(tuple, expected);
}

TEST_F(ByteOrderTest, ByteStringTablesComeBackUnchanged) {
    const uint32_t h = MakeTable(0, "TEXT", 2, {"C C(5) SAVE", "N N(4) SAVE", "L L(2) SAVE"});
    std::vector<uint8_t> tuple = {'h', 'e', 'l', 'l', 'o', 1, 2, 3, 4, 5, 6};
    const std::vector<uint8_t> original = tuple;
    for (uint8_t dir : {DBS_ORDER_HOST_TO_NET, DBS_ORDER_NET_TO_HOST}) {
        EXPECT_EQ(DbsTupleChangeOrder(h, tuple.data(), dir), 1);
        EXPECT_EQ(tuple, original);
    }
}

TEST_F(ByteOrderTest, InvalidDirectionWritesOneLinePerNumericFieldAndChangesNothing) {
    const uint32_t h = MakeTable(0, "TWOW", 2, {"A W(2) SAVE", "C C(2) SAVE", "B W(4) SAVE"});
    std::vector<uint8_t> tuple = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<uint8_t> original = tuple;
    EXPECT_EQ(DbsTupleChangeOrder(h, tuple.data(), 3), 1);
    EXPECT_EQ(tuple, original);
    const std::vector<std::string> lines(2, "[File: *, Line: *] TupleChangeOrder [Type=3] is invalid");
    EXPECT_EQ(trace.Texts(), lines);
}

TEST_F(ByteOrderTest, RefusesInvalidHandleAndNullTuple) {
    uint8_t tuple[4] = {};
    EXPECT_EQ(DbsTupleChangeOrder(0x10005, tuple, DBS_ORDER_HOST_TO_NET), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] Table Handle [65541] invalid");

    const uint32_t h = MakeTable(0, "T", 2, {"A D(4) SAVE"});
    trace.Clear();
    EXPECT_EQ(DbsTupleChangeOrder(h, nullptr, DBS_ORDER_HOST_TO_NET), 0);
    EXPECT_EQ(trace.Count(), 1u);

    DbsCoreRelease();
    trace.Clear();
    EXPECT_EQ(DbsTupleChangeOrder(h, tuple, DBS_ORDER_HOST_TO_NET), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] Table Handle [65536] invalid");
}

}  // namespace
}  // namespace dbs::test
