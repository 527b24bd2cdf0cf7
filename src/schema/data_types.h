// The DBDef data-type names and what they become in a column record: a type letter and a width unit.
// The letter is found without regard to case; the unit only for the upper-case spelling, so any other
// spelling yields a column of width 0, which table creation refuses.
#pragma once

#include <cstdint>
#include <string_view>

namespace dbs::schema {

struct DataType {
    char letter = 0;     // DBS_KIND_* or 0 for an unknown name
    uint16_t unit = 0;   // bytes per element, 0 unless the name is written in upper case
};

// The letter and unit of a "DataType" attribute value.
DataType LookUpDataType(std::string_view name);

}  // namespace dbs::schema
