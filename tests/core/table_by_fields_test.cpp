// Creating a table from field description strings.
#include <string>
#include <utility>
#include <vector>

#include "core_test_util.h"

namespace dbs::test {
namespace {

using TableByFields = CoreFixture;

TEST_F(TableByFields, BuildsTheFieldsAndTheStorage) {
    const uint32_t h = DbsCreateTableBySpec(2, "PEOPLE", 0, 8, "ID D(4) SAVE", "NAME C(16) SAVE",
                                            "  AGE   N 1   NOTSAVE  ", "FLAGS W(6)SAVE_EXTRA", "");
    ASSERT_EQ(h, 0x10002u);
    const TagDBForm f = DbsGetDBForm(2);
    EXPECT_NE(+f.apchDBAddr[0], nullptr);
    EXPECT_EQ(+f.byDomainNum, 4);
    EXPECT_EQ(+f.wTupleLen, 1 + 4 + 16 + 1 + 6);
    struct Want {
        const char* name;
        char kind;
        uint16_t len, offset;
        uint8_t save;
    } want[] = {{"ID", 'D', 4, 1, 1}, {"NAME", 'C', 16, 5, 1}, {"AGE", 'N', 1, 21, 0}, {"FLAGS", 'W', 6, 22, 1}};
    for (uint8_t k = 0; k < 4; ++k) {
        const TagDMForm* dm = DbsGetDomainName(h, k);
        ASSERT_NE(dm, nullptr);
        EXPECT_STREQ(+dm->achDMName, +want[k].name);
        EXPECT_EQ(+dm->chDMType, +want[k].kind);
        EXPECT_EQ(+dm->wDMLen, +want[k].len);
        EXPECT_EQ(+dm->wDMOffset, +want[k].offset);
        EXPECT_EQ(+dm->byDMSaveFlag, +want[k].save);
    }
    EXPECT_EQ(trace.Count(), 0u);
}

TEST_F(TableByFields, EndsAtTheFirstEmptyStringAndRefusesANullPointer) {
    ASSERT_EQ(DbsCreateTableBySpec(0, "A", 0, 2, "X C(2) SAVE", "", "Y C(2) SAVE", ""), 0x10000u);
    EXPECT_EQ(DbsGetDomainNum(0x10000), 1);
    trace.Clear();
    EXPECT_EQ(DbsCreateTableBySpec(1, "B", 0, 2, "X C(2) SAVE", static_cast<const char*>(nullptr), ""), 0u);
    EXPECT_EQ(trace.Texts(),
              std::vector<std::string>{"[File: *, Line: *] create table B error,field description 2 is NULL."});
    EXPECT_EQ(DbsGetDBHandle(1), 0u);  // nothing created
    // No field at all: a table whose records have no data bytes.
    ASSERT_EQ(DbsCreateTableBySpec(3, "C", 0, 2, ""), 0x10003u);
    EXPECT_EQ(DbsGetTupleLen(0x10003), 0);
}

TEST_F(TableByFields, RefusedDescriptionsKeepTheFieldsAddedBeforeAndNoStorage) {
    const std::string longField(31, 'L');
    const std::string longDesc = std::string(120, 'S') + " C(2) SAVE";
    struct Case {
        std::string desc;
        std::string line;
    } cases[] = {
        {"X C(0) SAVE", "[File: *, Line: *] create table T error,X length is Zero."},
        {"X C(abc) SAVE", "[File: *, Line: *] create table T error,X length is Zero."},
        {longField + " C(2) SAVE", "[File: *, Line: *] create table T error," + longField + " length invalid."},
        {"X Q(2) SAVE", "[File: *, Line: *] create table T error. field X kind Q invalid."},
        {"X c(2) SAVE", "[File: *, Line: *] create table T error. field X kind c invalid."},
        {"X C(2) KEEP", "[File: *, Line: *] create table T error. field X save_flag KEEP invalid."},
        {"X C(2)", "[File: *, Line: *] create table T error,field description X C(2) invalid."},
        {"X C(70000) SAVE", "[File: *, Line: *] create table T error,X length exceed 65535."},
        {"X C(65535) SAVE",
         "[File: *, Line: *] DbsAddDomain table T error,field X makes the record exceed 65535 bytes."},
        {longDesc, "[File: *, Line: *] create table T error,field description " + longDesc.substr(0, 127) + "... too long."},
    };
    uint16_t no = 0;
    for (const Case& c : cases) {
        trace.Clear();
        EXPECT_EQ(DbsCreateTableBySpec(no, "T", 0, 4, "OK D(4) SAVE", c.desc.c_str(), "AFTER D(4) SAVE", ""), 0u)
            << c.desc;
        EXPECT_EQ(trace.Last(), c.line);
        const TagDBForm f = DbsGetDBForm(no);
        EXPECT_EQ(+f.dwDBHandle, DBS_TABLE_HANDLE(no)) << c.desc;
        EXPECT_EQ(+f.byDomainNum, 1) << c.desc;
        EXPECT_EQ(+f.apchDBAddr[0], nullptr) << c.desc;
        ++no;
    }
}

TEST_F(TableByFields, NameAndCountLimits) {
    EXPECT_EQ(DbsCreateTableBySpec(0, "THIRTEENCHARS", 0, 1, "X C(1) SAVE", ""), 0u);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] create table THIRTEENCHARS error,name exceed 8 chars.");
    EXPECT_EQ(trace.Count(), 1u);
    EXPECT_EQ(DbsGetDBHandle(0), 0u);
    EXPECT_EQ(DbsCreateTableBySpec(0, nullptr, 0, 1, ""), 0u);
    EXPECT_EQ(trace.Last(), "[File:* Line:*] DbsCreateTableBySpec param pchName is NULL!");
    EXPECT_EQ(DbsCreateTableBySpec(0, "A/B", 0, 1, "X C(1) SAVE", ""), 0u);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] create table A/B error,name contains a path separator.");

    // 255 fields are the most a table can have.
    std::vector<std::string> descs;
    for (int k = 0; k < 256; ++k) descs.push_back(std::string("F").append(std::to_string(k)).append(" N(1) SAVE"));
    auto call = [&](uint16_t tableNo, size_t n) {
        // The variadic list is built from a fixed argument pack of 257 entries, cut by the empty string.
        std::vector<const char*> a(257, "");
        for (size_t k = 0; k < n; ++k) a[k] = descs[k].c_str();
        return [&]<size_t... I>(std::index_sequence<I...>) {
            return DbsCreateTableBySpec(tableNo, "WIDE", 0, 1, a[I]...);
        }(std::make_index_sequence<257>{});
    };
    EXPECT_EQ(call(5, 255), 0x10005u);
    EXPECT_EQ(DbsGetDomainNum(0x10005), 255);
    EXPECT_EQ(DbsGetTupleLen(0x10005), 255);
    EXPECT_EQ(call(6, 256), 0u);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] create table WIDE error,more than 255 fields.");
    EXPECT_EQ(DbsGetDBHandle(6), 0u);
}

}  // namespace
}  // namespace dbs::test
