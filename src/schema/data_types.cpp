// Maps the DataType names of a DBDef file to column type letters and width units.
#include "schema/data_types.h"

#include <array>

#include <dbs/dbs.h>

#include "schema/xml_dom.h"

namespace dbs::schema {

namespace {

struct TypeName {
    std::string_view name;  // the upper-case spelling, the only one that carries a width unit
    char letter;
    uint16_t unit;
};

constexpr std::array<TypeName, 4> kTypeNames{{
    {"CHAR", DBS_KIND_CHAR, 1},
    {"BYTE", DBS_KIND_BYTE, 1},
    {"WORD", DBS_KIND_WORD, 2},
    {"DWORD", DBS_KIND_DWORD, 4},
}};

}  // namespace

DataType LookUpDataType(std::string_view name) {
    for (const TypeName& type : kTypeNames) {
        if (EqualsNoCase(name, type.name)) {
            return DataType{type.letter, name == type.name ? type.unit : uint16_t{0}};
        }
    }
    return DataType{};
}

}  // namespace dbs::schema
