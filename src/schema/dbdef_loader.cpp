/*
 * DbsLoadDBDefXml: one DBDef schema file turned into catalogue records.
 *
 * The file is read whole through the DOM layer, then walked in passes over its "Table" elements:
 *   1. tables: number B + i (B = tables already in the caller's vector), handle, name, capacity, type; each name
 *      goes into the caller's name map as soon as it is read;
 *   2. columns: every "Field" of every table, with its type letter and width;
 *   3. key columns: every "PKI" of every "PriKey", the k-th key of table B + i being index (B + i) * 4 + k;
 *   4. constraints: the constraint elements of every table (constraint_elements.cpp).
 * Records are collected in local lists and appended to the caller's vectors only when the whole file has been
 * accepted, so a refused file leaves the vectors as they were (the name map keeps the names of pass 1).
 *
 * Besides the refusals every DBDef reader writes, this one refuses what would overrun a record field or break
 * the numbering: a name longer than its field, a table name holding a path separator (it becomes a file name),
 * more than four keys in a table, a column wider than a 16-bit length, a capacity (MaxRecNum) beyond 16 bits,
 * and table numbers beyond what a handle can hold.
 */
#include <cstring>
#include <exception>
#include <map>
#include <string>
#include <vector>

#include <dbs/dbs.h>
#include <dbs/traceprint.h>

#include "runtime/trace_log.h"
#include "schema/constraint_elements.h"
#include "schema/data_types.h"
#include "schema/schema_text.h"
#include "schema/xml_dom.h"

namespace dbs::schema {

namespace {

// Highest table number whose four index numbers still fit the 16-bit number of a handle.
constexpr uint32_t kLastTableNumber = DBS_HANDLE_NO_MASK / DBS_IDX_SLOTS;
constexpr size_t kTableNameSize = sizeof(TagSYSTABTuple::achDBName);
constexpr size_t kColumnNameSize = sizeof(TagSYSCOLUMNTuple::achDMName);
constexpr size_t kKeyColumnNameSize = sizeof(TagSYSCONSCOLUMNTuple::achDMName);

class DbDefFile {
public:
    DbDefFile(const std::string& path, uint8_t type, std::vector<TagSYSTABTuple>& tables,
              std::vector<TagSYSCOLUMNTuple>& columns, std::vector<TagSYSCONSCOLUMNTuple>& keyColumns,
              std::vector<TagSYSCONSTRAINTSTuple>& constraints, std::map<std::string, int>& names)
        : path_(path), type_(type), tables_(tables), columns_(columns), keyColumns_(keyColumns),
          constraints_(constraints), names_(names), base_(tables.size()) {}

    bool Load() {
        XmlDocument document;
        if (!document.Load(path_)) {
            DBS_TRACE_DIRECT("LoadXml(%s) failed", path_.c_str());
            return false;
        }
        XmlElement root = document.Root();
        if (!root.TagIs("DBDef")) {
            WriteTracePrintEx(DBS_TRACE_LEVEL,
                              "The xml <%s> is not a valid DBDef xml, cause: the tag of root node is not 'DBDef'",
                              path_.c_str());
            return false;
        }
        if (!root.HasChildNodes()) {
            WriteTracePrintEx(DBS_TRACE_LEVEL,
                              "The xml <%s> is not a valid DBDef xml, cause: 'DBDef' has not child node",
                              path_.c_str());
            return false;
        }
        std::vector<XmlElement> tableElements = root.Children("Table");
        if (!ReadTables(tableElements) || !ReadColumns(tableElements) || !ReadKeyColumns(tableElements) ||
            !ReadConstraints(tableElements)) {
            return false;
        }
        Publish();
        return true;
    }

private:
    // Only called for numbers already checked against kLastTableNumber.
    uint32_t TableNo(size_t i) const { return static_cast<uint32_t>(base_ + i); }

    bool ReadTables(const std::vector<XmlElement>& tableElements) {
        for (size_t i = 0; i < tableElements.size(); ++i) {
            std::string name(tableElements[i].Attribute("Name"));
            if (base_ + i > kLastTableNumber) {
                RefuseSchema(path_, "the table <%.64s> would be number %zu, beyond the last table number %u",
                             name.c_str(), base_ + i, kLastTableNumber);
                return false;
            }
            TagSYSTABTuple table;
            std::memset(&table, 0, sizeof table);
            table.dwTableHandle = DBS_TABLE_HANDLE(TableNo(i));
            if (!CopyBounded(table.achDBName, kTableNameSize, name)) {
                RefuseSchema(path_, "the table name <%.64s> is longer than %zu characters", name.c_str(),
                             kTableNameSize - 1);
                return false;
            }
            if (name.find_first_of("/\\") != std::string::npos) {
                RefuseSchema(path_, "the table name <%s> contains a path separator", name.c_str());
                return false;
            }
            table.wReserved = 0;
            const std::string_view capacityText = tableElements[i].Attribute("MaxRecNum");
            const int32_t capacity = ReadAtoi(capacityText);
            if (capacity < 0 || capacity > UINT16_MAX) {
                RefuseSchema(path_, "the table <%s> has MaxRecNum %.32s, outside 0 to 65535", name.c_str(),
                             std::string(capacityText).c_str());
                return false;
            }
            table.wMaxRecNum = static_cast<uint16_t>(capacity);
            table.byTableType = type_;
            names_[name] = static_cast<int>(TableNo(i));
            tableNames_.push_back(std::move(name));
            fileTables_.push_back(table);
        }
        return true;
    }

    bool ReadColumns(const std::vector<XmlElement>& tableElements) {
        for (size_t i = 0; i < tableElements.size(); ++i) {
            if (!tableElements[i].HasChildNodes()) {
                WriteTracePrintEx(DBS_TRACE_LEVEL,
                                  "The xml <%s> is not a valid DBDef xml, cause: the table <%s> has not child node",
                                  path_.c_str(), tableNames_[i].c_str());
                return false;
            }
            for (const XmlElement& field : tableElements[i].Children("Field")) {
                if (!ReadColumn(field, i)) return false;
            }
        }
        return true;
    }

    bool ReadColumn(XmlElement field, size_t i) {
        TagSYSCOLUMNTuple column;
        std::memset(&column, 0, sizeof column);
        column.dwTableHandle = DBS_TABLE_HANDLE(TableNo(i));
        std::string_view name = field.Attribute("Name");
        if (!CopyBounded(column.achDMName, kColumnNameSize, name)) {
            RefuseSchema(path_, "the field name <%.64s> of table <%s> is longer than %zu characters",
                         std::string(name).c_str(), tableNames_[i].c_str(), kColumnNameSize - 1);
            return false;
        }
        std::string_view typeName = field.Attribute("DataType");
        DataType type = LookUpDataType(typeName);
        if (type.letter == 0) {
            WriteTracePrintEx(DBS_TRACE_LEVEL, "Unsurpported DBDef data type: %s", std::string(typeName).c_str());
        }
        std::string_view num = field.Attribute("Num");
        int64_t count = num.empty() ? 1 : ReadAtoi(num);
        int64_t width = count * type.unit;
        if (width < 0 || width > UINT16_MAX) {
            RefuseSchema(path_, "the field <%s> of table <%s> is %lld bytes wide, outside 0 to 65535",
                         column.achDMName, tableNames_[i].c_str(), static_cast<long long>(width));
            return false;
        }
        column.chDMType = type.letter;
        column.wDMLen = static_cast<uint16_t>(width);
        column.bySaveFlag = 1;
        fileColumns_.push_back(column);
        return true;
    }

    bool ReadKeyColumns(const std::vector<XmlElement>& tableElements) {
        for (size_t i = 0; i < tableElements.size(); ++i) {
            std::vector<XmlElement> keys = tableElements[i].Children("PriKey");
            if (keys.size() > DBS_IDX_SLOTS) {
                RefuseSchema(path_, "the table <%s> has %zu PriKey elements, more than %d", tableNames_[i].c_str(),
                             keys.size(), DBS_IDX_SLOTS);
                return false;
            }
            for (size_t k = 0; k < keys.size(); ++k) {
                std::string keyName(keys[k].Attribute("Name"));
                if (!keys[k].HasChildNodes()) {
                    WriteTracePrintEx(DBS_TRACE_LEVEL,
                                      "The xml <%s> is not a valid DBDef xml, cause: PriKey <%s> has not child node",
                                      path_.c_str(), keyName.c_str());
                    return false;
                }
                for (const XmlElement& pki : keys[k].Children("PKI")) {
                    TagSYSCONSCOLUMNTuple key;
                    std::memset(&key, 0, sizeof key);
                    key.dwTableHandle = DBS_TABLE_HANDLE(TableNo(i));
                    key.dwConstraintHandle = DBS_INDEX_HANDLE(TableNo(i), k);
                    std::string_view column = pki.Attribute("Field");
                    if (!CopyBounded(key.achDMName, kKeyColumnNameSize, column)) {
                        RefuseSchema(path_, "the key field <%.64s> of PriKey <%.64s> is longer than %zu characters",
                                     std::string(column).c_str(), keyName.c_str(), kKeyColumnNameSize - 1);
                        return false;
                    }
                    key.byIdxNo = static_cast<uint8_t>(k);
                    fileKeyColumns_.push_back(key);
                }
            }
        }
        return true;
    }

    bool ReadConstraints(const std::vector<XmlElement>& tableElements) {
        ConstraintContext context{path_,
                                  names_,
                                  tables_,
                                  fileTables_,
                                  keyColumns_,
                                  fileKeyColumns_,
                                  fileColumns_,
                                  static_cast<uint32_t>(constraints_.size())};
        for (size_t i = 0; i < tableElements.size(); ++i) {
            if (!ReadTableConstraints(context, tableElements[i], TableNo(i), tableNames_[i], fileConstraints_)) {
                return false;
            }
        }
        return true;
    }

    // Appends every local list to the caller's vector. Room is made first, so that an allocation failure
    // leaves all four vectors as they were.
    void Publish() {
        tables_.reserve(tables_.size() + fileTables_.size());
        columns_.reserve(columns_.size() + fileColumns_.size());
        keyColumns_.reserve(keyColumns_.size() + fileKeyColumns_.size());
        constraints_.reserve(constraints_.size() + fileConstraints_.size());
        tables_.insert(tables_.end(), fileTables_.begin(), fileTables_.end());
        columns_.insert(columns_.end(), fileColumns_.begin(), fileColumns_.end());
        keyColumns_.insert(keyColumns_.end(), fileKeyColumns_.begin(), fileKeyColumns_.end());
        constraints_.insert(constraints_.end(), fileConstraints_.begin(), fileConstraints_.end());
    }

    const std::string& path_;
    uint8_t type_;
    std::vector<TagSYSTABTuple>& tables_;
    std::vector<TagSYSCOLUMNTuple>& columns_;
    std::vector<TagSYSCONSCOLUMNTuple>& keyColumns_;
    std::vector<TagSYSCONSTRAINTSTuple>& constraints_;
    std::map<std::string, int>& names_;
    const size_t base_;  // tables in the caller's vector on entry

    std::vector<std::string> tableNames_;
    std::vector<TagSYSTABTuple> fileTables_;
    std::vector<TagSYSCOLUMNTuple> fileColumns_;
    std::vector<TagSYSCONSCOLUMNTuple> fileKeyColumns_;
    std::vector<TagSYSCONSTRAINTSTuple> fileConstraints_;
};

}  // namespace

}  // namespace dbs::schema

DBS_API uint8_t DbsLoadDBDefXml(const std::string& strXmlPath, uint8_t byType, std::vector<TagSYSTABTuple>& vecSysTab,
                                std::vector<TagSYSCOLUMNTuple>& vecSysColumn,
                                std::vector<TagSYSCONSCOLUMNTuple>& vecSysConsColumn,
                                std::vector<TagSYSCONSTRAINTSTuple>& vecSysConstraints,
                                std::map<std::string, int>& mapTableNo) {
    try {
        dbs::schema::DbDefFile file(strXmlPath, byType, vecSysTab, vecSysColumn, vecSysConsColumn, vecSysConstraints,
                                    mapTableNo);
        return file.Load() ? 1 : 0;
    } catch (const std::exception& e) {
        DbsTraceLog("FILE %s, Line %d, DbsLoadDBDefXml %s failed: %s", DBS_HERE, strXmlPath.c_str(), e.what());
        return 0;
    }
}
