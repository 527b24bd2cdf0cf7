// Creating tables: form entries, fields, storage blocks and the refusals of each step.
#include <cstring>
#include <string>

#include "core/core_state.h"
#include "core_test_util.h"
#include "runtime/fault_injection.h"

namespace dbs::test {
namespace {

using TableForm = CoreFixture;

TEST_F(TableForm, CreationFillsTheEntryAndFieldsFollowEachOther) {
    const uint32_t h = DbsCreateTableFormNo(3, "ORDERS", 77, 10, 3);
    ASSERT_EQ(h, 0x10003u);
    TagDBForm f = DbsGetDBForm(3);
    EXPECT_EQ(+f.dwDBHandle, h);
    EXPECT_STREQ(+f.achDBName, "ORDERS");
    EXPECT_EQ(+f.wDBReserved, 77);
    EXPECT_EQ(+f.byDBFlag, DBS_FLAG_SAVE_PENDING);
    EXPECT_EQ(+f.dwMaxTupleNum, 10u);
    EXPECT_EQ(+f.byDBMainAddrPtr, 0);
    EXPECT_EQ(+f.byDBSecondAddrPtr, 1);
    EXPECT_EQ(+f.apchDBAddr[0], nullptr);
    EXPECT_EQ(+f.apchDBAddr[1], nullptr);
    EXPECT_NE(+f.ptDomain, nullptr);
    EXPECT_EQ(+f.pfnLoad, &DbsDefaultLoadMethod);
    EXPECT_EQ(+f.pfnSave, &DbsDefaultSaveMethod);
    EXPECT_EQ(+f.pfnInsert, nullptr);
    EXPECT_EQ(+f.pfnPreLoad, nullptr);
    EXPECT_EQ(DbsGetTableNum(), 4);
    EXPECT_EQ(gwIdxNum, 16);

    ASSERT_EQ(DbsAddDomain(h, "ID", 'D', 4, 1), 1);
    ASSERT_EQ(DbsAddDomain(h, "QTY", 'W', 2, 0), 1);
    ASSERT_EQ(DbsAddDomain(h, "NAME", 'C', 10, 1), 1);
    ASSERT_EQ(DbsAllocMemory(h), 1);
    f = DbsGetDBForm(3);
    EXPECT_EQ(+f.byDomainNum, 3);
    EXPECT_EQ(+f.byDomainNumCopy, 3);
    EXPECT_EQ(+f.wTupleLen, 17);
    EXPECT_EQ(+f.wTupleLenCopy, 17);
    EXPECT_EQ(DbsGetTupleLen(h), 16);
    const uint16_t offsets[3] = {1, 5, 7};
    const char* names[3] = {"ID", "QTY", "NAME"};
    for (uint8_t k = 0; k < 3; ++k) {
        const TagDMForm* dm = DbsGetDomainName(h, k);
        ASSERT_NE(dm, nullptr);
        EXPECT_STREQ(+dm->achDMName, names[k]);
        EXPECT_EQ(+dm->wDMOffset, offsets[k]);
    }
    EXPECT_EQ(+DbsGetDomainName(h, 1)->byDMSaveFlag, 0);
    EXPECT_EQ(+DbsGetDomainName(h, 2)->chDMType, 'C');

    // One block: the descriptors, then buffer 0, then buffer 1.
    const char* base = reinterpret_cast<const char*>(f.ptDomain);
    EXPECT_EQ(+f.apchDBAddr[0], base + 3 * sizeof(TagDMForm));
    EXPECT_EQ(+f.apchDBAddr[1], +f.apchDBAddr[0] + 10 * 17);
    EXPECT_EQ(trace.Count(), 0u);
}

TEST_F(TableForm, CreationByHandleAndTheExistsRefusals) {
    EXPECT_EQ(DbsCreateTableForm(0x10005, "FIVE", 0, 2, 1), 1);
    EXPECT_EQ(DbsGetTableHandle("FIVE"), 0x10005u);
    EXPECT_EQ(DbsGetTableNum(), 6);
    EXPECT_EQ(DbsCreateTableForm(0x10005, "OTHER", 0, 2, 1), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] Table Handle 10005H exists.");
    EXPECT_EQ(DbsCreateTableFormNo(5, "OTHER", 0, 2, 1), 0u);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] TableNo=5 exists.");
    EXPECT_STREQ(DbsGetTableName(0x10005), "FIVE");
    // A lower number does not lower the table count.
    EXPECT_EQ(DbsCreateTableFormNo(1, "ONE", 0, 2, 1), 0x10001u);
    EXPECT_EQ(DbsGetTableNum(), 6);
}

TEST_F(TableForm, RefusedCreationsLeaveTheEntryFree) {
    struct Case {
        uint32_t handle;
        const char* name;
        uint16_t fields;
        const char* line;
    } cases[] = {
        {0x10080, "T", 1, "[File:* Line*] Table Handle 10080H Invalid"},
        {0x20001, "T", 1, "[File:* Line*] Table Handle 20001H Invalid"},
        {0x00001, "T", 1, "[File:* Line*] Table Handle 1H Invalid"},
        {0x10001, "ABCDEFGHIJKLM", 1, "[File: *, Line: *] create table ABCDEFGHIJKLM error,name exceed 8 chars."},
        {0x10001, "", 1, "[File: *, Line: *] create table error,name is empty."},
        {0x10001, "A/B", 1, "[File: *, Line: *] create table A/B error,name contains a path separator."},
        {0x10001, "A\\B", 1, "[File: *, Line: *] create table A\\B error,name contains a path separator."},
        {0x10001, "WIDE", 256, "[File: *, Line: *] create table WIDE error,field count 256 exceed 255."},
        {0x10001, nullptr, 1, "[File:* Line:*] DbsCreateTableForm param pchName is NULL!"},
    };
    for (const Case& c : cases) {
        trace.Clear();
        EXPECT_EQ(DbsCreateTableForm(c.handle, c.name, 0, 1, c.fields), 0) << c.line;
        EXPECT_EQ(trace.Count(), 1u) << c.line;
        EXPECT_EQ(trace.Last(), c.line);
    }
    EXPECT_EQ(DbsCreateTableFormNo(128, "T", 0, 1, 1), 0u);
    EXPECT_EQ(trace.Last(), "[File:* Line*] Table Handle 10080H Invalid");
    EXPECT_EQ(DbsCreateTableFormNo(2, "ABCDEFGHIJKLM", 0, 1, 1), 0u);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] create table ABCDEFGHIJKLM error,name exceed 8 chars.");
    for (uint16_t no = 0; no < DBS_MAX_TABLES; ++no) EXPECT_EQ(DbsGetDBHandle(no), 0u);
    EXPECT_EQ(DbsGetTableNum(), 0);

    // Twelve characters fit.
    EXPECT_EQ(DbsCreateTableFormNo(2, "ABCDEFGHIJKL", 0, 1, 1), 0x10002u);
    EXPECT_STREQ(DbsGetTableName(0x10002), "ABCDEFGHIJKL");
}

TEST_F(TableForm, CreationWithoutMemoryLeavesTheEntryFreeForAnotherTry) {
    fault::FailAllocAt(1);
    EXPECT_EQ(DbsCreateTableFormNo(4, "T", 0, 5, 2), 0u);
    fault::ResetAll();
    EXPECT_EQ(DbsGetDBHandle(4), 0u);
    EXPECT_EQ(DbsGetTableNum(), 0);
    EXPECT_EQ(DbsCreateTableFormNo(4, "T", 0, 5, 2), 0x10004u);
}

TEST_F(TableForm, AddDomainRefusals) {
    const uint32_t h = DbsCreateTableFormNo(0, "T", 0, 4, 2);
    ASSERT_EQ(DbsAddDomain(h, "A", 'C', 4, 1), 1);
    const std::string longName(32, 'F');
    struct Case {
        const char* name;
        char kind;
        uint16_t len;
        const char* line;
    } cases[] = {
        {"B", 'X', 4, "[File: *, Line: *] DbsAddDomain table T error,field B kind X invalid."},
        {"B", 'c', 4, "[File: *, Line: *] DbsAddDomain table T error,field B kind c invalid."},
        {"B", 'D', 0, "[File: *, Line: *] DbsAddDomain table T error,field B length is Zero."},
        {"", 'D', 4, "[File: *, Line: *] DbsAddDomain table T error,field name  invalid."},
        {longName.c_str(), 'D', 4,
         "[File: *, Line: *] DbsAddDomain table T error,field name FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF invalid."},
        {"B", 'C', 65531,
         "[File: *, Line: *] DbsAddDomain table T error,field B makes the record exceed 65535 bytes."},
        {nullptr, 'D', 4, "[File:* Line:*] DbsAddDomain param pchName is NULL!"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DbsAddDomain(h, c.name, c.kind, c.len, 1), 0) << c.line;
        EXPECT_EQ(trace.Last(), c.line);
    }
    EXPECT_EQ(DbsGetDomainNum(h), 1);
    EXPECT_EQ(+DbsGetDBForm(0).wTupleLen, 5);

    // A record of exactly 65535 bytes is accepted; the descriptor block holds two fields and no more.
    ASSERT_EQ(DbsAddDomain(h, "B", 'C', 65530, 1), 1);
    EXPECT_EQ(+DbsGetDBForm(0).wTupleLen, 65535);
    EXPECT_EQ(DbsAddDomain(h, "C", 'N', 1, 1), 0);
    EXPECT_EQ(trace.Last(),
              "[File: *, Line: *] DbsAddDomain table T error,field C exceeds the 2 fields given at creation.");
    EXPECT_EQ(DbsAddDomain(0x10001, "C", 'N', 1, 1), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] DbsAddDomain's param(Table Handle) is invaild!");
}

TEST_F(TableForm, NoFieldIsAddedOnceTheStorageExists) {
    const uint32_t h = DbsCreateTableFormNo(0, "T", 0, 4, 3);
    ASSERT_EQ(DbsAddDomain(h, "A", 'D', 4, 1), 1);
    ASSERT_EQ(DbsAllocMemory(h), 1);
    EXPECT_EQ(DbsAddDomain(h, "B", 'D', 4, 1), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] DbsAddDomain table T error,storage already allocated.");
    EXPECT_EQ(DbsGetDomainNum(h), 1);
}

TEST_F(TableForm, AllocMemoryIsIdempotentAndChecksTheHandle) {
    const uint32_t h = MakeTable(0, "T", 3, {{"A", 'D', 4}});
    const TagDBForm before = DbsGetDBForm(0);
    ASSERT_EQ(DbsSetTupleNo(h, 1), 0);  // slot free: traced
    ASSERT_EQ(DbsAppendTuple(h), 1);
    EXPECT_EQ(DbsAllocMemory(h), 1);
    const TagDBForm after = DbsGetDBForm(0);
    EXPECT_EQ(+after.apchDBAddr[0], +before.apchDBAddr[0]);
    EXPECT_EQ(DbsGetTupleNum(h), 1u);

    trace.Clear();
    for (uint32_t bad : {0x10001u, 0x20000u, 0x30000u, 0u}) {
        EXPECT_EQ(DbsAllocMemory(bad), 0);
        char line[64];
        std::snprintf(line, sizeof line, "[File: * Line: *] Handle %xH Invalid", bad);
        EXPECT_EQ(trace.Last(), line);
    }
}

TEST_F(TableForm, AllocMemoryWithoutMemoryLeavesTheTableAsItWas) {
    const uint32_t h = DbsCreateTableFormNo(0, "T", 0, 4, 1);
    ASSERT_EQ(DbsAddDomain(h, "A", 'D', 4, 1), 1);
    fault::FailAllocAt(1);
    EXPECT_EQ(DbsAllocMemory(h), 0);
    fault::ResetAll();
    const TagDBForm f = DbsGetDBForm(0);
    EXPECT_EQ(+f.apchDBAddr[0], nullptr);
    ASSERT_NE(+f.ptDomain, nullptr);
    EXPECT_STREQ(+f.ptDomain[0].achDMName, "A");
    EXPECT_EQ(DbsAllocMemory(h), 1);
    EXPECT_STREQ(+DbsGetDomainName(h, 0)->achDMName, "A");
}

}  // namespace
}  // namespace dbs::test
