// Shared pieces of the fuzz targets: a private scratch folder, a silent trace sink and file helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace dbs::fuzz {

// A folder of this process under the system's temporary folder, ending with "/"; created on first use.
const std::string& ScratchDir();
// Sends every trace line to a sink that drops it (the fuzzers produce millions).
void SilenceTrace();
// Writes `size` bytes to `path`, replacing the file.
void WriteFile(const std::string& path, const uint8_t* data, size_t size);
// The example schema files shipped with the sources.
std::string ExampleSchema();
std::string ExampleSchema2();

// Starts the example store (both schema files when `both`) once per process, from LLVMFuzzerInitialize, so that
// its blocks are not counted as allocations of the first input; it is shut down again at exit, before the leak
// check. (The store keeps its block pointers in packed records, where a leak checker does not see them.)
void StartShop(bool both = true);
// Empties both memories of every table and puts the same few records back through the checked insert, published
// to main and copied to secondary, so that every input starts from the same data. False when the store did not
// start.
bool ShopReady();

}  // namespace dbs::fuzz
