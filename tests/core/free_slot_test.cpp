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
}

}  // namespace
}  // namespace dbs::test
