// Any statement, any bytes, executed against the example database. The statement may succeed or fail; the
// library must stay consistent, leak nothing and never crash.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <dbs/dbs.h>

#include "fuzz_support.h"

namespace {

// Puts a few records into every table through the checked insert, so that statements have rows to see.
void Populate() {
    std::vector<uint8_t> tuple;
    for (uint16_t t = 0; t < DbsGetTableNum(); ++t) {
        uint32_t h = DbsGetDBHandle(t);
        tuple.assign(DbsGetTupleLen(h), 0);
        for (uint32_t r = 1; r <= 16; ++r) {
            for (size_t i = 0; i < tuple.size(); ++i) tuple[i] = static_cast<uint8_t>('A' + (r * 7 + i) % 26);
            const TagDMForm* f0 = DbsGetDomainName(h, 0);
            if (f0 != nullptr && f0->chDMType != DBS_KIND_CHAR) {
                for (size_t i = 0; i < f0->wDMLen && i < tuple.size(); ++i) tuple[i] = 0;
                tuple[0] = static_cast<uint8_t>(r);
            }
            DbsSysInsertTabTuple(h, tuple.data());
        }
    }
    DbsChangeOverAddr();
    DbsAllCopyData();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool once = (dbs::fuzz::SilenceTrace(), true);
    (void)once;
    DbsSetDataPath(dbs::fuzz::ScratchDir().c_str());
    if (DbsInitialize(dbs::fuzz::ExampleSchema(), dbs::fuzz::ExampleSchema2()) != 1) {
        DbsUninitialize();
        return 0;
    }
    Populate();
    const std::string text(reinterpret_cast<const char*>(data), size);  // bytes after a zero are never seen
    hSqlParser parser = SQLCreate();
    TagSqlRst* rst = nullptr;
    if (SQLExecute(parser, text.c_str(), &rst) == 0 && rst != nullptr) {
        TagSqlValue v{};
        for (int r = RstMoveFirst(rst); r == 0; r = RstMoveNext(rst)) {
            for (int c = 0; c < RstGetFieldNum(rst); ++c) RstGetFieldValue(rst, c, &v);
        }
        RstDestroy(rst);
    }
    SQLDestory(parser);
    TransRollback();
    DbsUninitialize();
    return 0;
}
