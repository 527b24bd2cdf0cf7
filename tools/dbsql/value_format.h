// Value formatting: turns record-set values and raw field bytes into cells. Numbers are printed as the
// values they are (unsigned columns never turn negative), strings end at their first zero byte or at the
// column width, and fields wider than one unit become lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include <dbs/dbs.h>

#include "result_table.h"

namespace dbsql {

// A column value of the current row of a record set, as RstGetFieldValue gives it.
Cell CellFromSqlValue(const TagSqlValue& value);

// A table field stored in a tuple or a table file. bigEndian: the units of 'W' and 'D' fields are in network
// byte order (table files under the temp path).
Cell CellFromField(char kind, std::span<const uint8_t> bytes, bool bigEndian = false);

// A double printed with the shortest text that reads back as the same value.
std::string FormatDouble(double v);

// The readable name of a field kind letter: "CHAR", "DWORD", "WORD", "BYTE", "LOGIC".
const char* KindName(char kind);
// The width of one unit of a field kind (4 for 'D', 2 for 'W', else 1).
size_t KindUnit(char kind);

}  // namespace dbsql
