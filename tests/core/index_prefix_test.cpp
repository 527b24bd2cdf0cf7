// Prefix visits of a sorted index against a reference map: every prefix length from none to the whole key, over
// trees deep enough that the entries of one prefix span several leaves; the early stop; and the refusals.
#include <map>
#include <random>

#include "core/index_prefix.h"
#include "core/index_test_util.h"

namespace dbs::test {
namespace {

using Key = std::vector<uint8_t>;

struct Visit {
    std::vector<uint32_t> seen;
    size_t stopAfter = SIZE_MAX;
    static bool Take(void* ctx, uint32_t tupleNo) {
        auto* v = static_cast<Visit*>(ctx);
        v->seen.push_back(tupleNo);
        return v->seen.size() < v->stopAfter;
    }
};

class IndexPrefixTest : public CoreFixture {};

TEST_F(IndexPrefixTest, VisitsTheEntriesOfAPrefixInKeyOrder) {
    dbs::core::SetTreePageTarget(40);  // 4 entries of 10 bytes a page
    constexpr uint16_t kLen = 6;
    constexpr uint32_t kCapacity = 600;
    uint32_t table = index::Table(1, "P", kCapacity, {{"K", 'C', kLen}});
    uint32_t hIndex = DbsCreateIndexByName(table, 0, DBS_IDX_SORTED, 0, 0, kLen, "K", "");
    dbs::core::SetTreePageTarget(0);
    ASSERT_NE(hIndex, 0u);
    std::mt19937 rng(5);
    std::map<Key, uint32_t, index::KeyLess> model;
    for (uint32_t i = 0; i < kCapacity; ++i) {
        Key key(kLen);
        for (uint8_t& b : key) b = static_cast<uint8_t>(rng() % 3 * 0x7F);  // many keys share long prefixes
        const uint32_t no = index::Append(table, key.data(), true);
        ASSERT_EQ(DbsInsertIndexEX(hIndex, key.data()), 1);
        model[key] = no;
        if (i % 3 == 0) {  // removals make the tree merge and borrow on the way
            const Key gone = model.begin()->first;
            ASSERT_EQ(DbsDeleteIndexEX(hIndex, gone.data()), 1);
            model.erase(model.begin());
        }
    }
    const uint8_t b = index::Idx(hIndex).byIdxSecondAddrPtr;
    for (int probe = 0; probe < 300; ++probe) {
        const uint32_t len = probe % (kLen + 1);
        Key prefix(kLen);
        for (uint8_t& x : prefix) x = static_cast<uint8_t>(rng() % 4 * 0x7F);  // 0x7F * 3 is in no key
        std::vector<uint32_t> expected;
        for (auto& [key, no] : model) {
            if (std::equal(prefix.begin(), prefix.begin() + len, key.begin())) expected.push_back(no);
        }
        Visit visit;
        ASSERT_TRUE(dbs::core::VisitKeyPrefix(hIndex, b, prefix.data(), len, Visit::Take, &visit));
        ASSERT_EQ(visit.seen, expected) << "prefix length " << len;
        if (expected.size() > 1) {
            Visit first{{}, 1};
            ASSERT_TRUE(dbs::core::VisitKeyPrefix(hIndex, b, prefix.data(), len, Visit::Take, &first));
            EXPECT_EQ(first.seen, std::vector<uint32_t>{expected[0]});
        }
    }
    EXPECT_EQ(trace.Count(), 0u);

    Visit none;
    const Key key(kLen, 0);
    EXPECT_FALSE(dbs::core::VisitKeyPrefix(hIndex, 2, key.data(), 1, Visit::Take, &none));
    EXPECT_FALSE(dbs::core::VisitKeyPrefix(hIndex, b, key.data(), kLen + 1, Visit::Take, &none));
    EXPECT_FALSE(dbs::core::VisitKeyPrefix(hIndex, b, nullptr, 1, Visit::Take, &none));
    EXPECT_FALSE(dbs::core::VisitKeyPrefix(hIndex + 1, b, key.data(), 1, Visit::Take, &none));
    EXPECT_FALSE(dbs::core::VisitKeyPrefix(hIndex, b, key.data(), 1, nullptr, &none));
    EXPECT_TRUE(none.seen.empty());
}

}  // namespace
}  // namespace dbs::test
