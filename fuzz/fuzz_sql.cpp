// Any statement, any bytes, executed against the example database. The statement may succeed or fail; the
// library must stay consistent, leak nothing and never crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include <dbs/dbs.h>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    dbs::fuzz::StartShop();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!dbs::fuzz::ShopReady()) return 0;
    // A first byte of 1 runs the statement inside a transaction that is committed afterwards.
    const bool inTransaction = size > 0 && data[0] == 1;
    if (inTransaction) {
        TransBegin();
        ++data;
        --size;
    }
    const std::string text(reinterpret_cast<const char*>(data), size);  // bytes after a zero are never seen
    hSqlParser parser = SQLCreate();
    TagSqlRst* rst = nullptr;
    if (SQLExecute(parser, text.c_str(), &rst) == 0 && rst != nullptr) {
        TagSqlValue v{};
        for (int r = RstMoveFirst(rst); r == 0; r = RstMoveNext(rst)) {
            for (int c = 0; c < RstGetFieldNum(rst); ++c) RstGetFieldValue(rst, c, &v);
        }
        for (int r = RstMoveLast(rst); r == 0; r = RstMovePrev(rst)) {
            for (int c = 0; c < RstGetFieldNum(rst); ++c) {
                RstGetFieldName(rst, c);
                RstGetTableName(rst, c);
                RstGetFieldLen(rst, c);
            }
        }
        RstDestroy(rst);
    }
    SQLDestory(parser);
    if (inTransaction) TransCommit();
    return 0;
}
