// CSV import and export of one table. Import goes through the checked insert (DbsSysInsertTabTuple), so keys,
// foreign keys and check constraints hold for imported records as for any other; a refused row is reported
// with its line and the reasons and does not stop the rows after it. Outside a transaction the accepted rows
// are published at the end in one step; inside one they wait for the commit.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "table_access.h"
#include "trace_capture.h"

namespace dbsql {

struct RefusedRow {
    size_t line = 0;
    std::string reason;
    std::vector<std::string> trace;  // lines the library wrote while refusing it
};

struct ImportReport {
    bool ok = false;     // false: the file could not be used at all (see error); nothing was inserted
    std::string error;
    size_t accepted = 0;
    std::vector<RefusedRow> refused;
};

ImportReport ImportCsv(const std::string& path, const TableInfo& table, bool inTransaction,
                       TraceCollector& trace);

// Writes the table's main memory as CSV with a header row of field names. The file is written beside the
// target and renamed over it only when complete. Returns an error text, or "".
std::string ExportCsv(const TableInfo& table, const std::string& path, size_t& written);

}  // namespace dbsql
