// Arbitrary bytes as a table's file: loading must take it or refuse it without reading or writing outside a
// buffer, and leave the store usable.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <dbs/dbs.h>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool once = (dbs::fuzz::SilenceTrace(), true);
    (void)once;
    if (size < 1) return 0;
    const std::string& dir = dbs::fuzz::ScratchDir();
    DbsSetDataPath(dir.c_str());
    if (DbsInitialize(dbs::fuzz::ExampleSchema(), "") != 1) {
        DbsUninitialize();
        return 0;
    }
    // The first byte picks the table whose file the rest becomes.
    uint16_t tables = DbsGetTableNum();
    uint16_t table = tables == 0 ? 0 : static_cast<uint16_t>(data[0] % tables);
    const char* name = DbsGetTableName(DbsGetDBHandle(table));
    if (name != nullptr) {
        dbs::fuzz::WriteFile(dir + "version/" + name + ".QDB", data + 1, size - 1);
        DbsLoadData();
        std::remove((dir + "version/" + name + ".QDB").c_str());
    }
    DbsUninitialize();
    return 0;
}
