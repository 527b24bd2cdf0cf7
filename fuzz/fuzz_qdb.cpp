// Arbitrary bytes as a table's file: loading must take it or refuse it without reading or writing outside a
// buffer, and leave the store usable.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <dbs/dbs.h>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    dbs::fuzz::StartShop();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    if (!dbs::fuzz::ShopReady()) return 0;
    const std::string& dir = dbs::fuzz::ScratchDir();
    // The first byte picks the table whose file the rest becomes.
    uint16_t tables = DbsGetTableNum();
    uint16_t table = tables == 0 ? 0 : static_cast<uint16_t>(data[0] % tables);
    const char* name = DbsGetTableName(DbsGetDBHandle(table));
    if (name != nullptr) {
        // Loading reads the temp folder first (network byte order), then a ".TMP" file in the version folder
        // (host order): the bytes go to both, so both readers see them.
        const std::string first = dir + "temp/" + name + ".QDB";
        const std::string second = dir + "version/" + name + ".TMP";
        dbs::fuzz::WriteFile(first, data + 1, size - 1);
        dbs::fuzz::WriteFile(second, data + 1, size - 1);
        for (uint16_t t = 0; t < tables; ++t) DbsClrSecondaryMem(DbsGetDBHandle(t));
        DbsLoadData();
        std::remove(first.c_str());
        std::remove(second.c_str());
    }
    return 0;
}
