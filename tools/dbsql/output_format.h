// Output formats of result tables: aligned tables with box-drawing or ASCII frames, CSV (RFC 4180), JSON (one
// array of objects) and one "name = value" line per column. Rendering never fails; it only writes text.
#pragma once

#include <optional>
#include <ostream>
#include <string_view>

#include "result_table.h"

namespace dbsql {

enum class OutputMode { Box, Table, Csv, Json, Line };

std::optional<OutputMode> ParseOutputMode(std::string_view name);
const char* OutputModeName(OutputMode mode);

void Render(const ResultTable& table, OutputMode mode, std::ostream& out);

// One CSV field, quoted when it holds a comma, a quote, a line break or leading or trailing blanks.
std::string CsvField(std::string_view text);
// A JSON string literal, with the control characters escaped.
std::string JsonString(std::string_view text);

}  // namespace dbsql
