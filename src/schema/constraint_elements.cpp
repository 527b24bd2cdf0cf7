/*
 * Constraint elements of a DBDef table.
 *
 * Inside a "Table" element, compared without regard to case like every other element:
 *   <ForeignKey Parent="Customer" ParentKey="0" OnDelete="CASCADE" Columns="[Kind=1] CustId"/>
 *   <Check Column="Qty" Condition="1-999"/>
 *   <Mutex Tables="Archive,Purge"/>
 *   <PriKey Name="ByCity" Fixed="1"> ... </PriKey>
 * Each becomes one TagSYSCONSTRAINTSTuple, in document order: foreign keys are of type 1 (RESTRICT, the
 * default) or 2 (CASCADE), a check of type 3, a mutex list of type 4 and a fixed key index of type 5. Records
 * of types 1 to 4 carry the handle 0x30000 | their position in the caller's constraint vector; a fixed-index
 * record carries the index handle.
 *
 * Everything a record holds is checked here, so that the store never runs on a constraint that cannot work:
 * strings fit their 100-byte fields, the parent table and its key index exist (in this file or an earlier one),
 * a check names a numeric column of its table, attribute values are among those allowed, and a table has at
 * most one mutex list (only the first would ever be read).
 */
#include "schema/constraint_elements.h"

#include <algorithm>
#include <cstring>

#include "schema/schema_text.h"

namespace dbs::schema {

namespace {

constexpr size_t kConditionSize = sizeof(TagSYSCONSTRAINTSTuple::achSearchCondition);
constexpr size_t kColumnSize = sizeof(TagSYSCONSTRAINTSTuple::achCheckColumnName);

class TableConstraintReader {
public:
    TableConstraintReader(const ConstraintContext& context, uint32_t tableNo, const std::string& tableName,
                          std::vector<TagSYSCONSTRAINTSTuple>& out)
        : context_(context), tableNo_(tableNo), tableName_(tableName), out_(out) {}

    bool Read(XmlElement table) {
        uint32_t keySlot = 0;
        bool sawMutex = false;
        for (const XmlElement& element : table.ElementChildren()) {
            bool ok = true;
            if (element.TagIs("PriKey")) {
                ok = ReadFixed(element, keySlot++);
            } else if (element.TagIs("ForeignKey")) {
                ok = ReadForeignKey(element);
            } else if (element.TagIs("Check")) {
                ok = ReadCheck(element);
            } else if (element.TagIs("Mutex")) {
                if (sawMutex) {
                    RefuseSchema(context_.path, "the table <%s> has more than one Mutex element", tableName_.c_str());
                    return false;
                }
                sawMutex = true;
                ok = ReadMutex(element);
            }
            if (!ok) return false;
        }
        return true;
    }

private:
    TagSYSCONSTRAINTSTuple NewRecord(uint8_t type) const {
        TagSYSCONSTRAINTSTuple record;
        std::memset(&record, 0, sizeof record);
        record.dwTableHandle = DBS_TABLE_HANDLE(tableNo_);
        record.byConsType = type;
        uint32_t position = context_.constraintBase + static_cast<uint32_t>(out_.size());
        record.dwConstraintHandle = DBS_HANDLE_CONSTRAINT | position;
        return record;
    }

    // A required string attribute that must fit a field of fieldSize bytes.
    bool ReadString(XmlElement element, const char* elementName, const char* attribute, size_t fieldSize,
                    char* field) const {
        std::string_view value = element.Attribute(attribute);
        if (value.empty()) {
            RefuseSchema(context_.path, "the %s of table <%s> has no %s", elementName, tableName_.c_str(), attribute);
            return false;
        }
        if (!CopyBounded(field, fieldSize, value)) {
            RefuseSchema(context_.path, "the %s of table <%s> has a %s longer than %zu characters", elementName,
                         tableName_.c_str(), attribute, fieldSize - 1);
            return false;
        }
        return true;
    }

    bool ReadFixed(XmlElement priKey, uint32_t slot) {
        std::string_view fixed = priKey.Attribute("Fixed");
        if (fixed.empty() || fixed == "0") return true;
        if (fixed != "1") {
            RefuseSchema(context_.path, "the PriKey <%s> of table <%s> has an invalid Fixed <%.*s>",
                         std::string(priKey.Attribute("Name")).c_str(), tableName_.c_str(),
                         static_cast<int>(std::min<size_t>(fixed.size(), 64)), fixed.data());
            return false;
        }
        TagSYSCONSTRAINTSTuple record = NewRecord(DBS_CONS_FIXED_INDEX);
        record.dwConstraintHandle = DBS_INDEX_HANDLE(tableNo_, slot);
        out_.push_back(record);
        return true;
    }

    bool ReadForeignKey(XmlElement element) {
        TagSYSCONSTRAINTSTuple record = NewRecord(DBS_CONS_FK_RESTRICT);
        std::string_view onDelete = element.Attribute("OnDelete");
        if (EqualsNoCase(onDelete, "CASCADE")) {
            record.byConsType = DBS_CONS_FK_CASCADE;
        } else if (!onDelete.empty() && !EqualsNoCase(onDelete, "RESTRICT")) {
            RefuseSchema(context_.path, "the ForeignKey of table <%s> has an invalid OnDelete <%.*s>",
                         tableName_.c_str(), static_cast<int>(std::min<size_t>(onDelete.size(), 64)),
                         onDelete.data());
            return false;
        }
        std::string_view parentKey = element.Attribute("ParentKey");
        uint32_t slot = 0;
        if (!parentKey.empty()) {
            if (parentKey.size() != 1 || parentKey[0] < '0' || parentKey[0] >= '0' + DBS_IDX_SLOTS) {
                RefuseSchema(context_.path, "the ForeignKey of table <%s> has an invalid ParentKey <%.*s>",
                             tableName_.c_str(), static_cast<int>(std::min<size_t>(parentKey.size(), 64)),
                             parentKey.data());
                return false;
            }
            slot = static_cast<uint32_t>(parentKey[0] - '0');
        }
        std::string parent(element.Attribute("Parent"));
        if (parent.empty()) {
            RefuseSchema(context_.path, "the ForeignKey of table <%s> has no Parent", tableName_.c_str());
            return false;
        }
        auto found = context_.tableNumbers.find(parent);
        if (found == context_.tableNumbers.end() || !IsTable(found->second, parent)) {
            RefuseSchema(context_.path, "the ForeignKey of table <%s> names the unknown parent table <%.64s>",
                         tableName_.c_str(), parent.c_str());
            return false;
        }
        uint32_t parentNo = static_cast<uint32_t>(found->second);
        uint32_t parentIndex = DBS_INDEX_HANDLE(parentNo, slot);
        if (!KeyIndexExists(parentIndex)) {
            RefuseSchema(context_.path, "the ForeignKey of table <%s> refers to key %u of table <%s>, which has none",
                         tableName_.c_str(), slot, parent.c_str());
            return false;
        }
        if (!ReadString(element, "ForeignKey", "Columns", kConditionSize, record.achSearchCondition)) return false;
        record.dwRelTableHandle = DBS_TABLE_HANDLE(parentNo);
        record.dwRelIndexHandle = parentIndex;
        out_.push_back(record);
        return true;
    }

    bool ReadCheck(XmlElement element) {
        TagSYSCONSTRAINTSTuple record = NewRecord(DBS_CONS_CHECK);
        if (!ReadString(element, "Check", "Column", kColumnSize, record.achCheckColumnName)) return false;
        const TagSYSCOLUMNTuple* column = FindColumn(record.achCheckColumnName);
        if (column == nullptr) {
            RefuseSchema(context_.path, "the Check of table <%s> names the column <%s>, which the table lacks",
                         tableName_.c_str(), record.achCheckColumnName);
            return false;
        }
        char type = column->chDMType;
        if (type != DBS_KIND_BYTE && type != DBS_KIND_WORD && type != DBS_KIND_DWORD) {
            // Only numbers can be tested; a check on any other column would refuse every tuple.
            RefuseSchema(context_.path, "the Check of table <%s> tests the column <%s>, which holds no number",
                         tableName_.c_str(), record.achCheckColumnName);
            return false;
        }
        if (!ReadString(element, "Check", "Condition", kConditionSize, record.achSearchCondition)) return false;
        out_.push_back(record);
        return true;
    }

    bool ReadMutex(XmlElement element) {
        TagSYSCONSTRAINTSTuple record = NewRecord(DBS_CONS_MUTEX);
        if (!ReadString(element, "Mutex", "Tables", kConditionSize, record.achSearchCondition)) return false;
        out_.push_back(record);
        return true;
    }

    // True when table number no is a table of that name. The name map is the caller's and may hold names of an
    // earlier, refused file, so a number found there is only trusted when the table really has the name.
    bool IsTable(int no, const std::string& name) const {
        if (no < 0) return false;
        size_t at = static_cast<size_t>(no);
        const TagSYSTABTuple* table = nullptr;
        if (at < context_.earlierTables.size()) {
            table = &context_.earlierTables[at];
        } else if (at - context_.earlierTables.size() < context_.fileTables.size()) {
            table = &context_.fileTables[at - context_.earlierTables.size()];
        }
        return table != nullptr && std::strncmp(table->achDBName, name.c_str(), sizeof table->achDBName) == 0 &&
               name.size() < sizeof table->achDBName;
    }

    bool KeyIndexExists(uint32_t indexHandle) const {
        for (const auto* list : {&context_.earlierKeyColumns, &context_.fileKeyColumns}) {
            for (const TagSYSCONSCOLUMNTuple& key : *list) {
                if (key.dwConstraintHandle == indexHandle) return true;
            }
        }
        return false;
    }

    const TagSYSCOLUMNTuple* FindColumn(const char* name) const {
        uint32_t handle = DBS_TABLE_HANDLE(tableNo_);
        for (const TagSYSCOLUMNTuple& column : context_.fileColumns) {
            if (column.dwTableHandle == handle &&
                std::strncmp(column.achDMName, name, sizeof column.achDMName) == 0) {
                return &column;
            }
        }
        return nullptr;
    }

    const ConstraintContext& context_;
    uint32_t tableNo_;
    const std::string& tableName_;
    std::vector<TagSYSCONSTRAINTSTuple>& out_;
};

}  // namespace

bool ReadTableConstraints(const ConstraintContext& context, XmlElement table, uint32_t tableNo,
                          const std::string& tableName, std::vector<TagSYSCONSTRAINTSTuple>& out) {
    return TableConstraintReader(context, tableNo, tableName, out).Read(table);
}

}  // namespace dbs::schema
