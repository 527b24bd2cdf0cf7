// Arbitrary bytes as the first schema file: initialisation must accept or refuse it cleanly, and a
// following shutdown must leave nothing behind.
#include <cstddef>
#include <cstdint>
#include <string>

#include <dbs/dbs.h>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool once = (dbs::fuzz::SilenceTrace(), true);
    (void)once;
    const std::string path = dbs::fuzz::ScratchDir() + "schema.xml";
    dbs::fuzz::WriteFile(path, data, size);
    DbsSetDataPath(dbs::fuzz::ScratchDir().c_str());
    if (DbsInitialize(path, "") == 1) {
        // Exercise what was built: every table takes a zero record through its checked insert.
        for (uint16_t t = 0; t < DbsGetTableNum(); ++t) {
            uint32_t h = DbsGetDBHandle(t);
            uint16_t len = DbsGetTupleLen(h);
            std::string zero(len, '\0');
            DbsSysInsertTabTuple(h, zero.data());
        }
    }
    DbsUninitialize();
    return 0;
}
