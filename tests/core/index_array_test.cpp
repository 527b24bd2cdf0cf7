// The array index kinds: a key names its cell, the dimensions bound it, and a cell holds one tuple number. One
// table-driven test walks both shapes through lookup, insertion, re-pointing, limits and removal.
#include "core/index_test_util.h"

namespace dbs::test {
namespace {

using index::Idx;

struct Shape {
    const char* name;
    uint8_t kind;
    uint16_t dimX, dimY;
    uint16_t x, y;          // an in-range key
    uint32_t cell;          // the cell it names
    uint16_t badX, badY;    // a key just out of range
    const char* mainLine;   // DbsFetchIndex's refusal of the bad key
    const char* exLine;     // DbsFetchIndexEX's
};

const Shape kShapes[] = {
    {"1D", DBS_IDX_ARRAY1D_0, 10, 0, 9, 0, 9, 10, 0,
     "[File:* Line:*] Handle: 20004H, X:10 key value exceed",
     "[File:* Line:*] Handle: 20004H, X:10 key value exceed"},
    {"1D alt", DBS_IDX_ARRAY1D_1, 3, 0, 0, 0, 0, 65535, 0,
     "[File:* Line:*] Handle: 20004H, X:65535 key value exceed",
     "[File:* Line:*] Handle: 20004H, X:65535 key value exceed"},
    {"2D", DBS_IDX_ARRAY2D_0, 4, 3, 3, 2, 11, 3, 3,
     "[File:* Line:*] Handle: 20004H, X:3 Y:3 key value exceed DimX or DimY",
     "[File:* Line:*] Handle: 20004H, X:3 Y:3 key value exceed"},
    {"2D x", DBS_IDX_ARRAY2D_4, 4, 3, 0, 1, 4, 4, 0,
     "[File:* Line:*] Handle: 20004H, X:4 Y:0 key value exceed DimX or DimY",
     "[File:* Line:*] Handle: 20004H, X:4 Y:0 key value exceed"},
};

class ArrayIndexTest : public CoreFixture, public ::testing::WithParamInterface<Shape> {};

TEST_P(ArrayIndexTest, CellsFollowTheKey) {
    const Shape& s = GetParam();
    uint32_t table = index::Table(1, "GRID", 8, {{"X", 'W', 2}, {"Y", 'W', 2}});
    uint32_t h = s.dimY == 0 ? DbsCreateIndexByName(table, 0, s.kind, s.dimX, 0, 0, "X", "")
                             : DbsCreateIndexByName(table, 0, s.kind, s.dimX, s.dimY, 0, "X", "Y", "");
    ASSERT_EQ(h, 0x20004u);
    EXPECT_EQ(+Idx(h).wIdxEntryLen, 4);

    uint8_t key[4], bad[4];
    ASSERT_EQ(DbsMakeIndex(table, 0, key, sizeof key, s.x, s.y), s.dimY == 0 ? 2 : 4);
    ASSERT_EQ(DbsMakeIndex(table, 0, bad, sizeof bad, s.badX, s.badY), s.dimY == 0 ? 2 : 4);
    trace.Clear();

    // An empty cell is a successful lookup of tuple 0 at the key's cell, with no line.
    uint32_t tupleNo = 77;
    EXPECT_EQ(DbsFetchIndex(h, key, &tupleNo), 1);
    EXPECT_EQ(tupleNo, 0u);
    EXPECT_EQ(+Idx(h).adwIdxPos[0], s.cell);
    EXPECT_EQ(trace.Count(), 0u);

    // Out of range: refused with the call's own line, nothing stored.
    EXPECT_EQ(DbsFetchIndex(h, bad, &tupleNo), 0);
    EXPECT_EQ(trace.Last(), s.mainLine);
    EXPECT_EQ(DbsFetchIndexEX(h, 1, bad, &tupleNo), 0);
    EXPECT_EQ(trace.Last(), s.exLine);
    EXPECT_EQ(DbsInsertIndex(h, bad), 0);

    // No record yet: the cell stays empty, silently.
    trace.Clear();
    EXPECT_EQ(DbsInsertIndex(h, key), 0);
    EXPECT_EQ(trace.Count(), 0u);

    char tuple[4] = {};
    uint32_t first = index::Append(table, tuple);
    EXPECT_EQ(DbsInsertIndex(h, key), 1);
    EXPECT_EQ(+Idx(h).adwIdxEntryNum[0], 1u);
    uint32_t second = index::Append(table, tuple);
    EXPECT_EQ(DbsInsertIndex(h, key), 1);  // re-points the occupied cell
    EXPECT_EQ(+Idx(h).adwIdxEntryNum[0], 1u);
    EXPECT_EQ(DbsFetchIndex(h, key, &tupleNo), 1);
    EXPECT_EQ(tupleNo, second);
    EXPECT_EQ(DbsLocateTuple(h, key), 1);
    EXPECT_EQ(DbsGetTupleNo(table), second);
    uint32_t cell;
    std::memcpy(&cell, Idx(h).apchIdxAddr[0] + s.cell * 4, 4);
    EXPECT_EQ(cell, second);
    (void)first;

    // Secondary memory is a separate buffer.
    EXPECT_EQ(DbsFetchIndexEX(h, 1, key, &tupleNo), 1);
    EXPECT_EQ(tupleNo, 0u);

    // Removing: an out-of-range or empty key changes nothing and succeeds; the key's cell empties.
    EXPECT_EQ(DbsDeleteIndex(h, bad), 1);
    EXPECT_EQ(DbsDeleteIndexEX(h, key), 1);
    EXPECT_EQ(+Idx(h).adwIdxEntryNum[0], 1u);
    EXPECT_EQ(DbsDeleteIndex(h, key), 1);
    EXPECT_EQ(+Idx(h).adwIdxEntryNum[0], 0u);
    EXPECT_EQ(DbsFetchIndex(h, key, &tupleNo), 1);
    EXPECT_EQ(tupleNo, 0u);
}

INSTANTIATE_TEST_SUITE_P(Shapes, ArrayIndexTest, ::testing::ValuesIn(kShapes),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& c : n) c = c == ' ' ? '_' : c;
                             return n;
                         });

// A descriptor changed after its buffers were made cannot lead a lookup or an insertion outside them.
using ArrayIndexBoundsTest = CoreFixture;

TEST_F(ArrayIndexBoundsTest, StaysInsideItsBlockWhenItsDimensionsGrow) {
    uint32_t table = index::Table(1, "GRID", 8, {{"X", 'W', 2}, {"Y", 'W', 2}});
    uint32_t h = DbsCreateIndexByName(table, 0, DBS_IDX_ARRAY2D_0, 2, 2, 0, "X", "Y", "");
    ASSERT_NE(h, 0u);
    Idx(h).wDimX = 1000;
    Idx(h).wDimY = 1000;
    uint16_t key[2] = {999, 999};
    uint32_t tupleNo = 0;
    EXPECT_EQ(DbsFetchIndex(h, key, &tupleNo), 0);
    EXPECT_EQ(trace.Last(), "[File:* Line:*] Handle: 20004H, X:999 Y:999 key value exceed DimX or DimY");
    char tuple[4] = {};
    index::Append(table, tuple);
    EXPECT_EQ(DbsInsertIndex(h, key), 0);
}

}  // namespace
}  // namespace dbs::test
