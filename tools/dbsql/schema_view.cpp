/* ".schema": one block per table, for example

       CUSTOMER  (table 0, type 1: loaded and saved, capacity 500)
         ID        DWORD     4    key
         NAME      CHAR(24)  24
         PHONES    WORD[3]   6
         key 0 (primary): ID
         foreign key -> REGION key 0, on delete cascade: "[REGION]REGION_ID"

   Constraint texts are shown as the schema gives them. */
#include "schema_view.h"

#include <cstring>
#include <map>

#include <fmt/format.h>

#include "value_format.h"

namespace dbsql {

namespace {

std::string Str(const char* p, size_t n) { return std::string(p, strnlen(p, n)); }

const char* TypeText(uint8_t type) {
    switch (type) {
        case DBS_TABLE_TYPE_FIRST: return "loaded and saved";
        case DBS_TABLE_TYPE_NOSAVE: return "not loaded, not saved";
        case 3: return "optional: loaded when present, saved";
        default: return "unknown";
    }
}

std::string KindText(const FieldInfo& f) {
    size_t unit = KindUnit(f.kind);
    if (f.kind == DBS_KIND_CHAR) return fmt::format("CHAR({})", f.length);
    if (f.length == unit) return KindName(f.kind);
    return fmt::format("{}[{}]", KindName(f.kind), f.length / unit);
}

std::string TableName(uint32_t handle, const std::vector<TableInfo>& all) {
    for (const auto& t : all)
        if (t.handle == handle) return t.name;
    return fmt::format("table {:X}H", handle);
}

}  // namespace

Catalogue ReadCatalogue(const std::string& schema, const std::string& schema2) {
    Catalogue c;
    std::map<std::string, int> names;
    bool ok = true;
    if (!schema.empty())
        ok = DbsLoadDBDefXml(schema, DBS_TABLE_TYPE_FIRST, c.tables, c.columns, c.keyColumns, c.constraints, names) == 1;
    if (ok && !schema2.empty())
        ok = DbsLoadDBDefXml(schema2, 3, c.tables, c.columns, c.keyColumns, c.constraints, names) == 1;
    c.loaded = ok;
    return c;
}

void DescribeTable(const TableInfo& t, const Catalogue& cat, const std::vector<TableInfo>& all, std::ostream& out) {
    out << fmt::format("{}  (table {}, type {}: {}, capacity {}, {} records)\n", t.name, t.number, t.type,
                       TypeText(t.type), t.capacity, t.records);
    size_t nameWidth = 4, kindWidth = 4;
    for (const auto& f : t.fields) {
        nameWidth = std::max(nameWidth, f.name.size());
        kindWidth = std::max(kindWidth, KindText(f).size());
    }
    for (const auto& f : t.fields)
        out << fmt::format("  {:<{}}  {:<{}}  {:>5}{}{}\n", f.name, nameWidth, KindText(f), kindWidth, f.length,
                           f.key ? "  key" : "", f.saved ? "" : "  not saved");

    // Keys, by slot, with their columns in key order.
    std::map<unsigned, std::vector<std::string>> keys;
    for (const auto& k : cat.keyColumns)
        if (k.dwTableHandle == t.handle) keys[k.byIdxNo].push_back(Str(k.achDMName, sizeof k.achDMName));
    for (const auto& [slot, cols] : keys) {
        std::string list;
        for (const auto& c : cols) list += (list.empty() ? "" : ", ") + c;
        out << fmt::format("  key {}{}: {}\n", slot, slot == 0 ? " (primary)" : "", list);
    }
    for (const auto& c : cat.constraints) {
        std::string cond = Str(c.achSearchCondition, sizeof c.achSearchCondition);
        switch (c.byConsType) {
            case DBS_CONS_FK_RESTRICT:
            case DBS_CONS_FK_CASCADE:
                if (c.dwTableHandle == t.handle)
                    out << fmt::format("  foreign key -> {} key {}, on delete {}: \"{}\"\n",
                                       TableName(c.dwRelTableHandle, all),
                                       DBS_HANDLE_NO(c.dwRelIndexHandle) - 4 * DBS_HANDLE_NO(c.dwRelTableHandle),
                                       c.byConsType == DBS_CONS_FK_CASCADE ? "cascade" : "restrict", cond);
                if (c.dwRelTableHandle == t.handle)
                    out << fmt::format("  referenced by {} ({}): \"{}\"\n", TableName(c.dwTableHandle, all),
                                       c.byConsType == DBS_CONS_FK_CASCADE ? "cascade" : "restrict", cond);
                break;
            case DBS_CONS_CHECK:
                if (c.dwTableHandle == t.handle)
                    out << fmt::format("  check {}: \"{}\"\n", Str(c.achCheckColumnName, sizeof c.achCheckColumnName),
                                       cond);
                break;
            case DBS_CONS_MUTEX:
                if (c.dwTableHandle == t.handle) out << fmt::format("  mutually exclusive: \"{}\"\n", cond);
                break;
            case DBS_CONS_FIXED_INDEX:
                if (c.dwTableHandle == t.handle)
                    out << fmt::format("  fixed key {}\n", DBS_HANDLE_NO(c.dwConstraintHandle) % DBS_IDX_SLOTS);
                break;
            default: break;
        }
    }
}

}  // namespace dbsql
