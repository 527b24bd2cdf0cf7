// The sorted index's tree against a reference map: long random mixes of insertion, re-pointing, removal, lookup,
// copy, swap and clear in both buffers, for key lengths 1 to 100, with pages made small so that trees are deep and
// split and merge often; and fills in ascending and descending order to exactly the capacity, whose trees are the
// largest the buffer is sized for.
#include <algorithm>
#include <map>
#include <random>

#include "core/index_test_util.h"

namespace dbs::test {
namespace {

using index::Entries;
using index::Entry;
using index::Idx;
using Key = std::vector<uint8_t>;  // compares like memcmp

// Small pages for the duration of a test.
struct PageTarget {
    explicit PageTarget(uint32_t bytes) { dbs::core::SetTreePageTarget(bytes); }
    ~PageTarget() { dbs::core::SetTreePageTarget(0); }
};

class SortedTreeTest : public CoreFixture {
protected:
    // A table of `capacity` records, full in both memories, with a sorted index on its key of `len` bytes.
    void Build(uint32_t capacity, uint16_t len) {
        DbsCoreRelease();
        ASSERT_EQ(DbsCoreInit(), 1);
        table = index::Table(1, "T", capacity, {{"K", 'C', len}});
        hIndex = DbsCreateIndexByName(table, 0, DBS_IDX_SORTED, 0, 0, len, "K", "");
        ASSERT_NE(hIndex, 0u);
        std::vector<char> tuple(len, 'x');
        for (uint32_t i = 0; i < capacity; ++i) {
            index::Append(table, tuple.data(), false);
            index::Append(table, tuple.data(), true);
        }
        model[0].clear();
        model[1].clear();
        trace.Clear();
    }

    uint8_t MainNo() { return Idx(hIndex).byIdxMainAddrPtr; }

    // The line a lookup in main memory writes for a missing key.
    std::vector<std::string> MissLines(bool main, bool present) {
        if (!main || present) return {};
        size_t n = model[MainNo()].size();
        return {n == 0 ? "[File:* Line:*] DbsFetchIndex return dwTupleNo=0, all index num==0"
                       : "[File:* Line:*] DbsFetchIndex return dwTupleNo=0, all index num=" + std::to_string(n)};
    }

    void Insert(const Key& key, uint32_t tupleNo, bool main) {
        auto& m = model[main ? MainNo() : 1 - MainNo()];
        const bool present = m.count(key) != 0;
        std::vector<std::string> lines = MissLines(main, present);
        const bool fits = present || m.size() < capacity;
        ASSERT_EQ(main ? DbsSetTupleNo(table, tupleNo) : DbsSetTupleNoEX(table, tupleNo), 1);
        trace.Clear();
        ASSERT_EQ(main ? DbsInsertIndex(hIndex, key.data()) : DbsInsertIndexEX(hIndex, key.data()), fits ? 1 : 0);
        EXPECT_EQ(trace.Texts(), lines);
        if (fits) m[key] = tupleNo;
    }

    void Remove(const Key& key, bool main) {
        auto& m = model[main ? MainNo() : 1 - MainNo()];
        std::vector<std::string> lines = MissLines(main, m.count(key) != 0);
        trace.Clear();
        ASSERT_EQ(main ? DbsDeleteIndex(hIndex, key.data()) : DbsDeleteIndexEX(hIndex, key.data()), 1);
        EXPECT_EQ(trace.Texts(), lines);
        m.erase(key);
    }

    void Lookup(const Key& key, bool main) {
        auto& m = model[main ? MainNo() : 1 - MainNo()];
        auto it = m.find(key);
        std::vector<std::string> lines = MissLines(main, it != m.end());
        uint32_t found = 99;
        trace.Clear();
        ASSERT_EQ(main ? DbsFetchIndex(hIndex, key.data(), &found)
                       : DbsFetchIndexEX(hIndex, Idx(hIndex).byIdxSecondAddrPtr, key.data(), &found), 1);
        EXPECT_EQ(found, it != m.end() ? it->second : 0u);
        EXPECT_EQ(trace.Texts(), lines);
    }

    // Counts always; when `full`, every entry of both buffers in order and found by lookup, and every leaf of a
    // tree of more than two leaves at least two thirds full (the fill the buffer is sized for).
    void Check(bool full) {
        for (uint8_t b = 0; b < 2; ++b) {
            ASSERT_EQ(+Idx(hIndex).adwIdxEntryNum[b], model[b].size()) << "buffer " << +b;
            if (!full) continue;
            std::vector<Entry> expected;
            for (auto& [key, no] : model[b]) expected.push_back({no, key});
            ASSERT_EQ(Entries(hIndex, b), expected) << "buffer " << +b;
            for (auto& [key, no] : model[b]) {
                uint32_t found = 0;
                ASSERT_EQ(DbsFetchIndexEX(hIndex, b, key.data(), &found), 1);
                ASSERT_EQ(found, no) << "buffer " << +b;
            }
            const uint32_t no = DBS_HANDLE_NO(hIndex);
            const dbs::core::TreeShape shape = dbs::core::RecordedTreeShape(no);
            const dbs::core::SortedIndex tree(Idx(hIndex).apchIdxAddr[b], dbs::core::AllocatedBufferBytes(no), shape,
                                              no, b);
            std::vector<uint32_t> leafFill;
            dbs::core::TreePath path;
            for (bool on = tree.Seek(nullptr, 0, path); on; on = tree.Next(path)) {
                if (path.slot[0] == 0) leafFill.push_back(0);
                ++leafFill.back();
            }
            if (leafFill.size() <= 2) continue;
            for (uint32_t fill : leafFill) ASSERT_GE(fill, (2 * shape.fanout + 1) / 3) << "buffer " << +b;
        }
    }

    // A random mix of `steps` operations over keys drawn from a pool about twice the capacity.
    void Mix(uint32_t steps, uint16_t len, std::mt19937& rng) {
        std::vector<Key> pool(capacity * 2 + 4, Key(len));
        for (Key& key : pool) {
            // Few byte values, so that keys share leading words and differ late.
            for (uint8_t& b : key) b = static_cast<uint8_t>(rng() % 3 * 0x7F);
            for (int i = 0; i < 3; ++i) key[rng() % len] = static_cast<uint8_t>(rng());
        }
        for (uint32_t step = 0; step < steps; ++step) {
            const Key& key = pool[rng() % pool.size()];
            const bool main = rng() % 2 == 0;
            const uint32_t op = rng() % 100;
            if (op < 45) {
                Insert(key, 1 + rng() % capacity, main);
            } else if (op < 75) {
                Remove(key, main);
            } else if (op < 95) {
                Lookup(key, main);
            } else if (op < 97) {
                const bool fromSecondary = rng() % 2 == 0;
                ASSERT_EQ(DbsCopyDataEx(table, fromSecondary ? DBS_COPY_SECOND_TO_MAIN : DBS_COPY_MAIN_TO_SECOND), 1);
                const uint8_t from = fromSecondary ? 1 - MainNo() : MainNo();
                model[1 - from] = model[from];
            } else if (op < 99) {
                ASSERT_EQ(DbsChangeOver(table), 1);
            } else {
                const bool clearMain = rng() % 2 == 0;
                ASSERT_EQ(DbsClrMemory(hIndex, clearMain ? DBS_MEM_MAIN : DBS_MEM_SECONDARY), 1);
                model[clearMain ? MainNo() : 1 - MainNo()].clear();
            }
            if (HasFatalFailure()) return;
            Check(step % 64 == 0);
            if (HasFatalFailure()) return;
        }
        Check(true);
    }

    uint32_t table = 0, hIndex = 0, capacity = 0;
    std::map<Key, uint32_t, index::KeyLess> model[2];  // by buffer number
};

TEST_F(SortedTreeTest, AgreesWithAReferenceMapForEveryKeyLength) {
    PageTarget small(64);  // 4 to 12 entries a page
    std::mt19937 rng(14);
    for (uint16_t len = 1; len <= 100; ++len) {
        SCOPED_TRACE(len);
        capacity = 40;
        Build(capacity, len);
        Mix(500, len, rng);
        if (HasFatalFailure()) return;
    }
}

TEST_F(SortedTreeTest, AgreesWithAReferenceMapAtFullCapacity) {
    struct Case {
        uint16_t len;
        uint32_t pageTarget, capacity, steps;
    } cases[] = {{4, 48, 2000, 20000}, {8, 64, 1500, 12000}, {12, 96, 1500, 12000}, {16, 4096, 3000, 12000},
                 {3, 40, 700, 8000},   {33, 4096, 1200, 8000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.len);
        PageTarget pages(c.pageTarget);
        std::mt19937 rng(c.len);
        capacity = c.capacity;
        Build(capacity, c.len);
        Mix(c.steps, c.len, rng);
        if (HasFatalFailure()) return;
    }
}

// Every capacity up to a few pages must take exactly its number of keys, and give them all back, in orders that
// leave the trees largest: ascending and descending (every leaf at its least fill), every other key first and the
// gaps after, and at random.
TEST_F(SortedTreeTest, FillsToCapacityAndEmptiesAtEveryPageEdge) {
    PageTarget pages(40);  // 5 entries of 8 bytes a page
    std::mt19937 rng(3);
    for (capacity = 1; capacity <= 70; ++capacity) {
        for (int order = 0; order < 8; ++order) {
            SCOPED_TRACE(testing::Message() << capacity << " order " << order);
            Build(capacity, 4);
            std::vector<uint32_t> fill(capacity), empty(capacity);
            for (uint32_t i = 0; i < capacity; ++i) fill[i] = empty[i] = order % 2 == 0 ? i : capacity - 1 - i;
            if (order >= 2 && order < 4) std::reverse(empty.begin(), empty.end());
            if (order >= 4 && order < 6) {
                std::stable_partition(fill.begin(), fill.end(), [](uint32_t v) { return v % 2 == 0; });
                std::stable_partition(empty.begin(), empty.end(), [](uint32_t v) { return v % 3 != 0; });
            }
            if (order >= 6) {
                std::shuffle(fill.begin(), fill.end(), rng);
                std::shuffle(empty.begin(), empty.end(), rng);
            }
            auto keyOf = [&](uint32_t v) {
                return Key{static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                           static_cast<uint8_t>(v)};
            };
            for (uint32_t v : fill) Insert(keyOf(v), v + 1, false);
            Insert(keyOf(capacity + 1), 1, false);  // one more is refused
            Insert(keyOf(0), capacity, false);      // an existing key is still re-pointed
            Check(true);
            for (uint32_t i = 0; i < capacity; ++i) {
                Remove(keyOf(empty[i]), false);
                Check(i % 7 == 0);
            }
            Check(true);
            for (uint32_t v : fill) Insert(keyOf(v), v + 1, false);  // no page was lost
            Check(true);
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
}  // namespace dbs::test
