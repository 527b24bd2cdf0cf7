// Appending takes the lowest free slot whatever happened before: deletes anywhere, records written into free
// slots, and buffers cleared, copied and swapped the way the buffer code does it (with its hint calls).
#include <algorithm>
#include <cstring>
#include <random>
#include <utility>

#include "core/core_state.h"
#include "core_test_util.h"

namespace dbs::test {
namespace {

using FreeSlot = CoreFixture;

// The lowest free tuple number of buffer `b`, by a full scan; 0 when the buffer is full.
uint32_t LowestFree(const TagDBForm& f, uint8_t b) {
    for (uint32_t n = 1; n <= f.dwMaxTupleNum; ++n) {
        if (f.apchDBAddr[b][(n - 1) * f.wTupleLen] != DBS_TUPLE_USED) return n;
    }
    return 0;
}

TEST_F(FreeSlot, AppendMatchesAFullScanUnderRandomOperations) {
    constexpr uint32_t kCap = 64;
    const uint32_t h = MakeTable(5, "RND", kCap, {{"ID", 'D', 4}});
    TagDBForm& f = gptDB_Form[5];
    const size_t bytes = size_t{kCap} * f.wTupleLen;
    std::mt19937 rng(12345);
    for (int step = 0; step < 20000; ++step) {
        const bool secondary = rng() % 2 == 1;
        const uint8_t b = secondary ? f.byDBSecondAddrPtr : f.byDBMainAddrPtr;
        const uint32_t pick = 1 + rng() % kCap;
        switch (rng() % 16) {
            case 0: case 1: case 2: case 3: case 4: case 5: {  // append
                const uint32_t want = LowestFree(f, b);
                const uint8_t ok = secondary ? DbsAppendTupleEX(h) : DbsAppendTuple(h);
                ASSERT_EQ(ok, want != 0 ? 1 : 0) << step;
                if (ok) {
                    ASSERT_EQ(secondary ? DbsGetTupleNoEX(h) : DbsGetTupleNo(h), want) << step;
                }
                break;
            }
            case 6: case 7: case 8: case 9:  // delete a tuple anywhere
                secondary ? DbsSetTupleNoEX(h, pick) : DbsSetTupleNo(h, pick);
                secondary ? DbsDeleteTupleEX(h) : DbsDeleteTuple(h);
                break;
            case 10: case 11: {  // write a record at a position, used or free
                const uint32_t rec = pick;
                secondary ? DbsSetTupleNoEX(h, pick) : DbsSetTupleNo(h, pick);
                secondary ? DbsSetTupleEX(h, &rec) : DbsSetTuple(h, &rec);
                break;
            }
            case 12:  // clear one buffer
                if (rng() % 8 != 0) break;
                std::memset(f.apchDBAddr[b], 0, bytes);
                f.adwTupleNum[b] = 0;
                f.adwTupleNo[b] = 0;
                core::ResetFreeHint(5, b);
                break;
            case 13: {  // copy one buffer onto the other
                const uint8_t to = 1 - b;
                std::memcpy(f.apchDBAddr[to], f.apchDBAddr[b], bytes);
                f.adwTupleNum[to] = f.adwTupleNum[b];
                f.adwTupleNo[to] = f.adwTupleNo[b];
                core::CopyFreeHint(5, b, to);
                break;
            }
            default:  // swap the roles
                std::swap(f.byDBMainAddrPtr, f.byDBSecondAddrPtr);
                break;
        }
        // The used count always agrees with the status bytes.
        for (uint8_t buf = 0; buf < 2; ++buf) {
            uint32_t used = 0;
            for (uint32_t n = 0; n < kCap; ++n) used += f.apchDBAddr[buf][n * f.wTupleLen] == DBS_TUPLE_USED;
            ASSERT_EQ(+f.adwTupleNum[buf], used) << step;
        }
    }
}

// The same through the calls, on a table of more than 64 x 64 slots so that appends cross summary words: after
// every step each buffer's free-slot map agrees with its status bytes, and each append takes the lowest free slot.
TEST_F(FreeSlot, MapStaysExactThroughTheCalls) {
    constexpr uint32_t kCap = 64 * 64 + 100;
    const uint32_t h = MakeTable(7, "MAP", kCap, {{"ID", 'D', 4}});
    TagDBForm& f = gptDB_Form[7];
    const core::FreeSlotMap* map = core::TableFreeSlots(7);
    ASSERT_EQ(map->Slots(), kCap);
    for (uint32_t n = 0; n < kCap - 40; ++n) ASSERT_EQ(DbsAppendTuple(h), 1);
    ASSERT_EQ(DbsCopyDataEx(h, DBS_COPY_MAIN_TO_SECOND), 1);
    uint32_t highest = 0;
    std::mt19937 rng(777);
    for (int step = 0; step < 6000; ++step) {
        const bool secondary = rng() % 2 == 1;
        const uint8_t b = secondary ? f.byDBSecondAddrPtr : f.byDBMainAddrPtr;
        const uint32_t op = rng() % 100;
        if (op < 45) {  // append
            const uint32_t want = LowestFree(f, b);
            ASSERT_EQ(secondary ? DbsAppendTupleEX(h) : DbsAppendTuple(h), want != 0 ? 1 : 0) << step;
            if (want != 0) {
                ASSERT_EQ(secondary ? DbsGetTupleNoEX(h) : DbsGetTupleNo(h), want) << step;
                highest = std::max(highest, want);
            }
        } else if (op < 80) {  // delete or write anywhere, mostly low so that appends reuse the gaps
            const uint32_t pick = 1 + rng() % (op < 70 ? kCap : 200);
            secondary ? DbsSetTupleNoEX(h, pick) : DbsSetTupleNo(h, pick);
            if (op < 70) {
                secondary ? DbsDeleteTupleEX(h) : DbsDeleteTuple(h);
            } else {
                secondary ? DbsSetTupleEX(h, &pick) : DbsSetTuple(h, &pick);
            }
        } else if (op < 90) {
            ASSERT_EQ(DbsCopyDataEx(h, op < 85 ? DBS_COPY_MAIN_TO_SECOND : DBS_COPY_SECOND_TO_MAIN), 1);
        } else if (op < 99) {
            ASSERT_EQ(DbsChangeOver(h), 1);
        } else if (rng() % 4 == 0) {
            ASSERT_EQ(DbsClrMemory(h, secondary ? DBS_MEM_SECONDARY : DBS_MEM_MAIN), 1);
        }
        for (uint8_t buf = 0; buf < 2; ++buf) {
            for (uint32_t n = 0; n < kCap; ++n) {
                ASSERT_EQ(map->IsFree(buf, n), f.apchDBAddr[buf][n * f.wTupleLen] != DBS_TUPLE_USED)
                    << step << " buffer " << int{buf} << " slot " << n;
            }
        }
    }
    EXPECT_GT(highest, 64u * 64u);  // appends did reach the second summary word
}

// A slot freed behind the core's back (without NoteSlotFreed) is still found rather than the table refusing
// an append while it has room.
TEST_F(FreeSlot, ASlotFreedWithoutNoticeIsStillFound) {
    const uint32_t h = MakeTable(0, "T", 4, {{"ID", 'D', 4}});
    for (int k = 0; k < 4; ++k) ASSERT_EQ(DbsAppendTuple(h), 1);
    TagDBForm& f = gptDB_Form[0];
    f.apchDBAddr[0][2 * f.wTupleLen] = DBS_TUPLE_FREE;
    --f.adwTupleNum[0];
    ASSERT_EQ(DbsAppendTuple(h), 1);
    EXPECT_EQ(DbsGetTupleNo(h), 3u);
    // And a slot taken behind its back is not handed out again.
    ASSERT_EQ(DbsSetTupleNo(h, 2), 1);
    ASSERT_EQ(DbsDeleteTuple(h), 1);
    f.apchDBAddr[0][1 * f.wTupleLen] = DBS_TUPLE_USED;
    ASSERT_EQ(DbsAppendTuple(h), 0);
}

}  // namespace
}  // namespace dbs::test
