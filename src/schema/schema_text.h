// Small text helpers of the schema loader: the atoi-style number reading of DBDef attributes, bounded name
// copies into the fixed fields of the catalogue records, and the refusal line every schema check writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <dbs/dbs.h>

namespace dbs::schema {

// Reads a number as atoi does (blanks, sign, decimal digits, 0 without digits), saturating at the limits of a
// 32-bit int instead of overflowing.
int32_t ReadAtoi(std::string_view text);

// Copies text into a zero-filled field of size bytes when it fits with its terminating NUL; false otherwise
// (the field is left untouched).
bool CopyBounded(char* field, size_t size, std::string_view text);

// Writes "The xml <path> is not a valid DBDef xml, cause: <cause>" without a stamp; cause is printf-style.
void RefuseSchema(const std::string& path, const char* causeFormat, ...) DBS_PRINTF_LIKE(2, 3);

}  // namespace dbs::schema
