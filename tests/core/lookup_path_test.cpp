// Lookups over the table form, and the path table.
#include <cstring>
#include <string>

#include "core/core_state.h"
#include "core_test_util.h"

namespace dbs::test {
namespace {

using Lookup = CoreFixture;

TEST_F(Lookup, HandlesByNumberAndByName) {
    const uint32_t h = MakeTable(7, "CITY", 2, {{"NAME", 'C', 8}, {"POP", 'D', 4}});
    MakeTable(9, "CITY2", 2, {{"NAME", 'C', 8}});
    EXPECT_EQ(DbsGetDBHandle(7), h);
    EXPECT_EQ(DbsGetDBHandle(8), 0u);  // free entry: no trace line
    EXPECT_EQ(trace.Count(), 0u);
    EXPECT_EQ(DbsGetDBHandle(128), 0u);
    EXPECT_EQ(trace.Last(), "[File:* Line*] gptDB_Form Item 128 Exceed");
    EXPECT_EQ(+DbsGetDBForm(200).dwDBHandle, 0u);
    EXPECT_EQ(trace.Last(), "[File:* Line*] gptDB_Form Item 200 Exceed");

    trace.Clear();
    EXPECT_EQ(DbsGetTableHandle("CITY"), h);
    EXPECT_EQ(DbsGetTableHandle("CITY2"), 0x10009u);
    EXPECT_EQ(DbsGetTableHandle("city"), 0u);
    EXPECT_EQ(DbsGetTableHandle("CIT"), 0u);
    EXPECT_EQ(DbsGetTableHandle(""), 0u);
    EXPECT_EQ(DbsGetTableHandle("CITY_WITH_A_LONG_NAME"), 0u);
    EXPECT_EQ(trace.Count(), 0u);
    EXPECT_EQ(DbsGetTableHandle(nullptr), 0u);
    EXPECT_EQ(trace.Last(), "[File:* Line:*] DbsGetTableHandle param pchTableName is NULL!");
}

TEST_F(Lookup, DescriptorCopyAndFields) {
    const uint32_t h = MakeTable(0, "CITY", 2, {{"NAME", 'C', 8}, {"POP", 'D', 4}});
    DbsSetTableType(h, 1);
    const TagDBForm copy = DbsGetDBForm(0);
    EXPECT_EQ(std::memcmp(&copy, &gptDB_Form[0], sizeof copy), 0);
    EXPECT_EQ(DbsGetDomainNum(h), 2);
    EXPECT_EQ(DbsGetTableType(h), 1);
    EXPECT_STREQ(DbsGetTableName(h), "CITY");
    EXPECT_STREQ(+DbsGetDomainName(h, 1)->achDMName, "POP");
    EXPECT_EQ(DbsGetDomainName(h, 2), nullptr);
    EXPECT_EQ(trace.Last(), "[File:* Line*] Domain No 2 of table CITY Invalid");

    trace.Clear();
    const uint32_t bad[] = {0x10001, 0x20000, 0x1FFFF, 0x110000};
    for (uint32_t b : bad) {
        EXPECT_EQ(DbsGetTableName(b), nullptr);
        EXPECT_EQ(DbsGetTableType(b), 0);
        EXPECT_EQ(DbsGetDomainNum(b), 0);
        EXPECT_EQ(DbsGetDomainName(b, 0), nullptr);
    }
    ASSERT_EQ(trace.Count(), 16u);
    char line[64];
    std::snprintf(line, sizeof line, "[File:* Line*] Table Handle %xH Invalid", bad[3]);
    EXPECT_EQ(trace.Last(), line);
}

using PathTable = CoreFixture;

TEST_F(PathTable, CurrentPathNumber) {
    EXPECT_EQ(DbsGetCurPath(), 3);
    DbsSetCurPath(5);
    EXPECT_EQ(DbsGetCurPath(), 3);
    DbsSetCurPath(0);
    EXPECT_EQ(DbsGetCurPath(), 0);
    DbsSetCurPath(4);
    EXPECT_EQ(DbsGetCurPath(), 4);
    EXPECT_EQ(trace.Count(), 0u);
}

TEST_F(PathTable, PathsAreBuiltUnderTheVersionPathWithBounds) {
    DbsSetDataPath("/srv/dbs/");
    DbsSetPath(2, "scratch");
    EXPECT_STREQ(+gptDbsPath->achPath[1], "/srv/dbs/scratch");
    const std::string before = gptDbsPath->achPath[0];
    DbsSetPath(0, "x");
    DbsSetPath(5, "x");
    EXPECT_EQ(+gptDbsPath->achPath[0], before);
    EXPECT_EQ(trace.Count(), 0u);

    // A data path that fills the field leaves no room for a name: the path is refused and kept.
    const std::string longPath(250, 'p');
    const std::string path4 = gptDbsPath->achPath[3];
    DbsSetDataPath(longPath.c_str());
    DbsSetPath(4, "data/rollback");
    EXPECT_EQ(trace.Last(), "[File:* Line*] path 4 (" + longPath + "data/rollback) exceed 259 chars");
    EXPECT_EQ(+gptDbsPath->achPath[3], path4);
    DbsSetPath(1, "");
    EXPECT_EQ(+gptDbsPath->achPath[0], longPath);
    DbsSetPath(1, nullptr);
    EXPECT_EQ(trace.Last(), "[File:* Line:*] DbsSetPath param pchName is NULL!");
    DbsSetDataPath("");
}

}  // namespace
}  // namespace dbs::test
