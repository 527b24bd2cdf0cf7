#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include <dbs/traceprint.h>

#include <dbs/dbs.h>

#include "runtime/platform.h"

namespace dbs::fuzz {

const std::string& ScratchDir() {
    static const std::string dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string d = std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/dbs_fuzz_" +
                        std::to_string(static_cast<long>(getpid())) + "/";
        dbs::platform::MakeDirectories((d + "version").c_str());
        dbs::platform::MakeDirectories((d + "temp").c_str());
        dbs::platform::MakeDirectories((d + "data").c_str());
        return d;
    }();
    return dir;
}

void SilenceTrace() {
    TraceSetSink([](void*, int, const char*, int, const char*) {}, nullptr);
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return;
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

std::string ExampleSchema() { return std::string(DBS_SOURCE_DIR) + "/examples/schema/shop.xml"; }
std::string ExampleSchema2() { return std::string(DBS_SOURCE_DIR) + "/examples/schema/shop_optional.xml"; }

namespace {

// Sixteen records per table: the first field numbers them, other numbers cycle through 1..5 (so that foreign
// keys find parents and range checks pass for some), texts are letters with the number.
void Populate() {
    static uint8_t tuple[65536];
    for (uint16_t t = 0; t < DbsGetTableNum(); ++t) {
        const uint32_t h = DbsGetDBHandle(t);
        const uint16_t len = DbsGetTupleLen(h);
        for (uint32_t r = 1; r <= 16; ++r) {
            std::fill(tuple, tuple + len, 0);
            for (uint8_t i = 0; i < DbsGetDomainNum(h); ++i) {
                const TagDMForm* f = DbsGetDomainName(h, i);
                if (f == nullptr || f->wDMOffset == 0 || f->wDMOffset - 1 + f->wDMLen > len) continue;
                uint8_t* at = tuple + f->wDMOffset - 1;
                if (f->chDMType == DBS_KIND_CHAR) {
                    for (uint16_t k = 0; k < f->wDMLen && k < 4; ++k) at[k] = static_cast<uint8_t>('A' + (r + k) % 26);
                } else {
                    const uint32_t v = i == 0 ? r : r % 5 + 1;
                    std::memcpy(at, &v, f->wDMLen < sizeof v ? f->wDMLen : sizeof v);
                }
            }
            DbsSysInsertTabTuple(h, tuple);
        }
    }
    DbsChangeOverAddr();
    DbsAllCopyData();
}

}  // namespace

namespace {
bool gShopStarted = false;
}

void StartShop(bool both) {
    if (gShopStarted) return;
    SilenceTrace();
    DbsSetDataPath(ScratchDir().c_str());
    gShopStarted = DbsInitialize(ExampleSchema(), both ? ExampleSchema2() : std::string()) == 1;
    std::atexit([] { DbsUninitialize(); });
}

bool ShopReady() {
    if (!gShopStarted) return false;
    TransRollback();
    for (uint16_t t = 0; t < DbsGetTableNum(); ++t) {
        DbsClrMainMem(DbsGetDBHandle(t));
        DbsClrSecondaryMem(DbsGetDBHandle(t));
    }
    Populate();
    return true;
}

}  // namespace dbs::fuzz
