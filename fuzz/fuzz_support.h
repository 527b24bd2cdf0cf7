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

}  // namespace dbs::fuzz
