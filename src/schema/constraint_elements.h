// The constraint elements of a DBDef "Table" ("ForeignKey", "Check", "Mutex", and "Fixed" on "PriKey") turned
// into TagSYSCONSTRAINTSTuple records. A bad element refuses the whole file with one trace line; the records
// are only collected here, the loader appends them to the caller's vector when the whole file is accepted.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <dbs/dbs.h>

#include "schema/xml_dom.h"

namespace dbs::schema {

// What the constraint reader may consult: the file, the tables known so far and the records already built.
struct ConstraintContext {
    const std::string& path;
    const std::map<std::string, int>& tableNumbers;  // every table of this file and the earlier ones
    const std::vector<TagSYSTABTuple>& earlierTables;  // numbered from 0
    const std::vector<TagSYSTABTuple>& fileTables;     // numbered after the earlier ones
    const std::vector<TagSYSCONSCOLUMNTuple>& earlierKeyColumns;
    const std::vector<TagSYSCONSCOLUMNTuple>& fileKeyColumns;
    const std::vector<TagSYSCOLUMNTuple>& fileColumns;
    uint32_t constraintBase;  // records already in the caller's constraint vector
};

// Reads the constraint elements of one table, in document order, appending records to out.
// False (after one trace line) when an element is refused.
bool ReadTableConstraints(const ConstraintContext& context, XmlElement table, uint32_t tableNo,
                          const std::string& tableName, std::vector<TagSYSCONSTRAINTSTuple>& out);

}  // namespace dbs::schema
