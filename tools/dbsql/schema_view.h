// Schema description for ".schema": fields with kinds and lengths from the running store, keys and
// constraints from the catalogue records that the schema files give (read again with DbsLoadDBDefXml, which
// changes nothing in the store).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include <dbs/dbs.h>

#include "table_access.h"

namespace dbsql {

struct Catalogue {
    bool loaded = false;
    std::vector<TagSYSTABTuple> tables;
    std::vector<TagSYSCOLUMNTuple> columns;
    std::vector<TagSYSCONSCOLUMNTuple> keyColumns;
    std::vector<TagSYSCONSTRAINTSTuple> constraints;
};

// Reads the catalogue records of the schema files (either path may be empty).
Catalogue ReadCatalogue(const std::string& schema, const std::string& schema2);

void DescribeTable(const TableInfo& table, const Catalogue& catalogue, const std::vector<TableInfo>& all,
                   std::ostream& out);

}  // namespace dbsql
