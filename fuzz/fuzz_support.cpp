#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include <dbs/traceprint.h>

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

}  // namespace dbs::fuzz
