// The few places where the library depends on the operating system: the path separator, making a file's bytes
// durable, and replacing one file by another in a single step. Both file calls honour the fault-injection hooks.
#pragma once

#include <cstdio>

namespace dbs::platform {

#if defined(_WIN32)
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Flushes the stream and asks the system to write the file's data to the device. False on any failure.
bool SyncFile(FILE* file);

// Renames `from` to `to`, replacing an existing `to` atomically where the system allows. False on failure.
bool ReplaceFile(const char* from, const char* to);

// Creates the directory `path` and its parents where missing. False when one cannot be created.
bool MakeDirectories(const char* path);

}  // namespace dbs::platform
