// Table type, flags, method slots and the method dispatchers.
#include <string>
#include <vector>

#include "core_test_util.h"

namespace dbs::test {
namespace {

// Every method appends its name to the log and returns what the test chose for it.
std::vector<std::string> gLog;
uint8_t gPre = 1, gMain = 1, gPost = 1;

template <int Which>
uint8_t TupleMethod(uint32_t, const void* tuple) {
    static const char* names[] = {"pre", "main", "post"};
    gLog.push_back(std::string(names[Which]) + ":" + static_cast<const char*>(tuple));
    return Which == 0 ? gPre : Which == 1 ? gMain : gPost;
}
template <int Which>
uint8_t FormMethod(uint32_t h, TagDBForm* form) {
    static const char* names[] = {"preload", "load", "postload"};
    gLog.push_back(names[Which]);
    EXPECT_EQ(+form->dwDBHandle, h);
    return Which == 0 ? gPre : Which == 1 ? gMain : gPost;
}

template <typename Fn>
DbsMethodFn Method(Fn fn) {
    return reinterpret_cast<DbsMethodFn>(reinterpret_cast<void (*)(void)>(fn));
}

class TableMethods : public CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        gLog.clear();
        gPre = gMain = gPost = 1;
        h = MakeTable(1, "T", 2, {{"A", 'C', 4}});
    }
    uint32_t h = 0;
};

TEST_F(TableMethods, TypeAndFlag) {
    EXPECT_EQ(DbsSetTableType(h, 3), 1);
    EXPECT_EQ(DbsGetTableType(h), 3);
    EXPECT_EQ(DbsSetTableFlag(h, 0x06), 1);
    EXPECT_EQ(+DbsGetDBForm(1).byDBFlag, 0x07);
    EXPECT_EQ(DbsSetTableFlag(h, 0x81), 1);  // bit 7: clear the bits instead
    EXPECT_EQ(+DbsGetDBForm(1).byDBFlag, 0x06);
    EXPECT_EQ(DbsSetTableFlag(h, 0x80), 1);
    EXPECT_EQ(+DbsGetDBForm(1).byDBFlag, 0x06);
    for (auto call : {+[](uint32_t x) { return DbsSetTableType(x, 1); },
                      +[](uint32_t x) { return DbsSetTableFlag(x, 1); },
                      +[](uint32_t x) { return DbsSetTableMethod(x, 3, nullptr); }}) {
        EXPECT_EQ(call(0x10002), 0);
        EXPECT_EQ(trace.Last(), "[File:* Line*] Table Handle 10002H Invalid");
    }
}

TEST_F(TableMethods, MethodNumbersOutsideOneToThirteenAreRefused) {
    for (uint16_t no : {0, 14, 255}) {
        EXPECT_EQ(DbsSetTableMethod(h, no, Method(&TupleMethod<1>)), 0);
        EXPECT_EQ(trace.Last(), "[File: *, Line: *] set table (10001H) method " + std::to_string(no) +
                                    " error. method invalid.");
    }
    // Every number from 1 to 13 has its own slot; null empties it.
    for (uint16_t no = 1; no <= 13; ++no) EXPECT_EQ(DbsSetTableMethod(h, no, nullptr), 1);
    const TagDBForm f = DbsGetDBForm(1);
    EXPECT_EQ(+f.pfnLoad, nullptr);
    EXPECT_EQ(+f.pfnSave, nullptr);
    EXPECT_EQ(DbsSetTableMethod(h, DBS_METHOD_POST_DELETE, Method(&TupleMethod<2>)), 1);
    EXPECT_EQ(+DbsGetDBForm(1).pfnPostDelete, &TupleMethod<2>);
}

TEST_F(TableMethods, DispatchRunsPreMainPostInOrder) {
    struct Case {
        bool pre, main, post;
        uint8_t rPre, rMain, rPost;
        uint8_t result;
        std::vector<std::string> log;
    } cases[] = {
        {false, false, false, 1, 1, 1, 0, {}},
        {true, true, true, 1, 1, 1, 1, {"pre:r", "main:r", "post:r"}},
        {true, true, true, 0, 1, 1, 0, {"pre:r"}},
        {true, true, true, 1, 0, 1, 0, {"pre:r", "main:r"}},
        {true, true, true, 1, 1, 0, 0, {"pre:r", "main:r", "post:r"}},
        {true, false, true, 1, 1, 1, 1, {"pre:r"}},
        {false, false, true, 1, 1, 1, 0, {}},
        {false, true, false, 1, 1, 1, 1, {"main:r"}},
    };
    struct Family {
        uint16_t pre, main, post;
        uint8_t (*dispatch)(uint32_t, const void*);
    } families[] = {
        {DBS_METHOD_PRE_INSERT, DBS_METHOD_INSERT, DBS_METHOD_POST_INSERT, &DbsInsertRTable},
        {DBS_METHOD_PRE_UPDATE, DBS_METHOD_UPDATE, DBS_METHOD_POST_UPDATE, &DbsUpdateRTable},
        {DBS_METHOD_PRE_DELETE, DBS_METHOD_DELETE, DBS_METHOD_POST_DELETE, &DbsDeleteRTable},
    };
    int n = 0;
    for (const Family& fam : families) {
        for (const Case& c : cases) {
            DbsSetTableMethod(h, fam.pre, c.pre ? Method(&TupleMethod<0>) : nullptr);
            DbsSetTableMethod(h, fam.main, c.main ? Method(&TupleMethod<1>) : nullptr);
            DbsSetTableMethod(h, fam.post, c.post ? Method(&TupleMethod<2>) : nullptr);
            gPre = c.rPre, gMain = c.rMain, gPost = c.rPost;
            gLog.clear();
            EXPECT_EQ(fam.dispatch(h, "r"), c.result) << "case " << n;
            EXPECT_EQ(gLog, c.log) << "case " << n;
            ++n;
        }
    }
    EXPECT_EQ(DbsInsertRTable(0x10009, "r"), 0);
    EXPECT_EQ(trace.Last(), "[File:* Line*] Table Handle 10009 Invalid");
    EXPECT_EQ(DbsDeleteRTable(h, nullptr), 0);
    EXPECT_EQ(trace.Last(), "[File:* Line:*] DbsDeleteRTable param pbyTuple is NULL!");
}

TEST_F(TableMethods, LoadDispatch) {
    DbsSetTableMethod(h, DBS_METHOD_PRE_LOAD, Method(&FormMethod<0>));
    DbsSetTableMethod(h, DBS_METHOD_LOAD, Method(&FormMethod<1>));
    DbsSetTableMethod(h, DBS_METHOD_POST_LOAD, Method(&FormMethod<2>));
    EXPECT_EQ(DbsLoadRTable(h), 1);
    EXPECT_EQ(gLog, (std::vector<std::string>{"preload", "load", "postload"}));

    // The pre-load result does not stop the load; a failed load skips the post-load.
    gLog.clear();
    gPre = 0;
    EXPECT_EQ(DbsLoadRTable(h), 1);
    EXPECT_EQ(gLog, (std::vector<std::string>{"preload", "load", "postload"}));
    gLog.clear();
    gPre = 1, gMain = 0;
    EXPECT_EQ(DbsLoadRTable(h), 0);
    EXPECT_EQ(gLog, (std::vector<std::string>{"preload", "load"}));
    // Without a load method the pre-load result stands.
    DbsSetTableMethod(h, DBS_METHOD_LOAD, nullptr);
    gLog.clear();
    gPre = 0;
    EXPECT_EQ(DbsLoadRTable(h), 0);
    EXPECT_EQ(gLog, (std::vector<std::string>{"preload"}));

    // A table without storage is loaded trivially, calling nothing.
    const uint32_t bare = DbsCreateTableFormNo(2, "BARE", 0, 2, 1);
    DbsSetTableMethod(bare, DBS_METHOD_LOAD, Method(&FormMethod<1>));
    gLog.clear();
    EXPECT_EQ(DbsLoadRTable(bare), 1);
    EXPECT_TRUE(gLog.empty());
}

}  // namespace
}  // namespace dbs::test
