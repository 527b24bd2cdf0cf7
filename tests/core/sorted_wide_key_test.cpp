// Sorted indexes on keys of 12 and 16 bytes compare them word by word; the order must stay that of memcmp, also
// when the keys differ only in their last bytes or only in their first word.
#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <random>

#include "index_test_util.h"

namespace dbs::test {
namespace {

using index::Entries;
using index::Entry;

class WideKeyTest : public CoreFixture {};

TEST_F(WideKeyTest, OrderAndLookupsAgreeWithMemcmp) {
    for (uint16_t len : {uint16_t{12}, uint16_t{16}}) {
        SCOPED_TRACE(len);
        DbsCoreRelease();
        ASSERT_EQ(DbsCoreInit(), 1);
        uint32_t table = index::Table(1, "WIDE", 400, {{"CODE", 'C', len}});
        uint32_t hIndex = DbsCreateIndexByName(table, 0, DBS_IDX_SORTED, 0, 0, len, "CODE", "");
        ASSERT_NE(hIndex, 0u);
        std::mt19937 rng(len);
        index::KeyModel model;
        std::vector<std::vector<uint8_t>> absent;
        for (int step = 0; step < 300; ++step) {
            std::vector<uint8_t> key(len, 0x41);
            // Few byte values at both ends, so that keys often share their first word or differ only at the end.
            key[0] = static_cast<uint8_t>(rng() % 3 * 0x7F);
            key[8] = static_cast<uint8_t>(rng() % 2 ? 0x00 : 0xFF);
            key[len - 1] = static_cast<uint8_t>(rng() % 3 * 0x7F);
            if (model.count(key) != 0) continue;
            if (step % 4 == 0) {
                absent.push_back(key);
                continue;
            }
            model[key] = index::Append(table, key.data(), true);
            ASSERT_EQ(DbsInsertIndexEX(hIndex, key.data()), 1);
        }
        std::vector<Entry> expected;
        for (auto& [key, no] : model) expected.push_back({no, key});
        std::vector<Entry> stored = Entries(hIndex, 1);
        ASSERT_EQ(stored.size(), expected.size());
        for (size_t i = 0; i < stored.size(); ++i) EXPECT_EQ(stored[i].key, expected[i].key) << i;
        for (auto& [key, no] : model) {
            uint32_t found = 0;
            ASSERT_EQ(DbsFetchIndexEX(hIndex, 1, key.data(), &found), 1);
            EXPECT_EQ(found, no);
        }
        for (auto& key : absent) {
            if (model.count(key) != 0) continue;
            uint32_t found = 1;
            ASSERT_EQ(DbsFetchIndexEX(hIndex, 1, key.data(), &found), 1);
            EXPECT_EQ(found, 0u);
        }
    }
}

}  // namespace
}  // namespace dbs::test
