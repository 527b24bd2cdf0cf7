/* The store's tables as the shell sees them, read through the lookup calls of the public header. */
#include "table_access.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

#include "value_format.h"

namespace dbsql {

namespace {

TableInfo Describe(uint16_t number, uint32_t handle) {
    TableInfo t;
    TagDBForm form = DbsGetDBForm(number);
    t.handle = handle;
    t.number = number;
    const char* name = DbsGetTableName(handle);
    t.name = name != nullptr ? std::string(name, strnlen(name, DBS_TABLE_NAME_SIZE)) : std::string();
    t.type = DbsGetTableType(handle);
    t.capacity = form.dwMaxTupleNum;
    t.records = DbsGetTupleNum(handle);
    t.tupleLen = DbsGetTupleLen(handle);
    uint8_t n = DbsGetDomainNum(handle);
    for (uint8_t i = 0; i < n; ++i) {
        const TagDMForm* dm = DbsGetDomainName(handle, i);
        if (dm == nullptr) break;
        TagDMForm copy;
        std::memcpy(&copy, dm, sizeof copy);
        FieldInfo f;
        f.name.assign(copy.achDMName, strnlen(copy.achDMName, sizeof copy.achDMName));
        f.kind = copy.chDMType;
        f.offset = copy.wDMOffset;
        f.length = copy.wDMLen;
        f.key = (copy.byDMKeyFlag & 1) != 0;
        f.saved = copy.byDMSaveFlag == 1;
        t.fields.push_back(std::move(f));
    }
    return t;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

// The field's bytes inside the tuple, or an empty span when they do not fit.
template <typename Byte>
std::span<Byte> FieldBytes(const FieldInfo& f, std::span<Byte> tuple) {
    if (f.offset == 0 || f.length == 0) return {};
    size_t begin = f.offset - 1u;
    if (begin + f.length > tuple.size()) return {};
    return tuple.subspan(begin, f.length);
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool ParseUnsigned(std::string_view s, uint64_t max, uint64_t& out) {
    s = Trim(s);
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty()) return false;
    uint64_t v = 0;
    auto res = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size() || v > max) return false;
    out = v;
    return true;
}

}  // namespace

std::vector<TableInfo> ListTables() {
    std::vector<TableInfo> tables;
    uint16_t count = DbsGetTableNum();
    for (uint16_t no = 0; no < count && no < DBS_MAX_TABLES; ++no) {
        uint32_t h = DbsGetDBHandle(no);
        if (h != 0) tables.push_back(Describe(no, h));
    }
    return tables;
}

std::optional<TableInfo> FindTable(std::string_view name) {
    auto tables = ListTables();
    std::optional<TableInfo> found;
    for (auto& t : tables) {
        if (t.name == name) {
            found.emplace(std::move(t));
            return found;
        }
    }
    for (auto& t : tables) {
        if (EqualNoCase(t.name, name)) {
            found.emplace(std::move(t));
            return found;
        }
    }
    return found;
}

Cell FieldCell(const FieldInfo& field, std::span<const uint8_t> tuple) {
    auto bytes = FieldBytes(field, tuple);
    if (bytes.empty()) return Cell::Null();
    return CellFromField(field.kind, bytes);
}

std::string StoreFieldText(const FieldInfo& field, std::string_view text, std::span<uint8_t> tuple) {
    auto bytes = FieldBytes(field, tuple);
    if (bytes.empty()) return "field " + field.name + " lies outside the record";
    std::fill(bytes.begin(), bytes.end(), uint8_t{0});
    if (field.kind == DBS_KIND_CHAR) {
        if (text.size() > bytes.size())
            return "value of " + field.name + " is " + std::to_string(text.size()) + " bytes long, the field holds " +
                   std::to_string(bytes.size());
        std::memcpy(bytes.data(), text.data(), text.size());
        return {};
    }
    size_t unit = KindUnit(field.kind);
    size_t units = bytes.size() / unit;
    uint64_t max = unit == 4 ? 0xFFFFFFFFull : unit == 2 ? 0xFFFFull : 0xFFull;

    std::string_view s = Trim(text);
    if (s.size() >= 2 && s.front() == '[' && s.back() == ']') s = s.substr(1, s.size() - 2);
    size_t index = 0;
    size_t pos = 0;
    while (true) {
        while (pos < s.size() && (s[pos] == ',' || s[pos] == ';' || std::isspace(static_cast<unsigned char>(s[pos]))))
            ++pos;
        if (pos >= s.size()) break;
        size_t end = pos;
        while (end < s.size() && s[end] != ',' && s[end] != ';' && !std::isspace(static_cast<unsigned char>(s[end])))
            ++end;
        std::string_view item = s.substr(pos, end - pos);
        pos = end;
        uint64_t v = 0;
        if (!ParseUnsigned(item, max, v))
            return "value '" + std::string(item) + "' of " + field.name + " is not a number from 0 to " +
                   std::to_string(max);
        if (index >= units)
            return "field " + field.name + " holds " + std::to_string(units) + (units == 1 ? " value" : " values");
        // Host byte order, as the record calls expect.
        uint8_t* p = bytes.data() + index * unit;
        if (unit == 4) {
            auto u = static_cast<uint32_t>(v);
            std::memcpy(p, &u, 4);
        } else if (unit == 2) {
            auto u = static_cast<uint16_t>(v);
            std::memcpy(p, &u, 2);
        } else {
            *p = static_cast<uint8_t>(v);
        }
        ++index;
    }
    return {};
}

}  // namespace dbsql
