/* Value formatting for every output path: record sets (SELECT results), tuples (export) and table-file
   records (the .qdb viewer). Array fields are lists of their units; a text stops at its first zero byte. */
#include "value_format.h"

#include <charconv>
#include <cstring>

namespace dbsql {

std::string Cell::Display() const {
    switch (kind) {
        case Kind::Null: return "NULL";
        case Kind::Number:
        case Kind::Text: return text;
        case Kind::List: {
            std::string out = "[";
            for (size_t i = 0; i < items.size(); ++i) {
                if (i != 0) out += ", ";
                out += items[i];
            }
            return out + "]";
        }
    }
    return {};
}

std::string FormatDouble(double v) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

const char* KindName(char kind) {
    switch (kind) {
        case DBS_KIND_CHAR: return "CHAR";
        case DBS_KIND_DWORD: return "DWORD";
        case DBS_KIND_WORD: return "WORD";
        case DBS_KIND_BYTE: return "BYTE";
        case DBS_KIND_LOGIC: return "LOGIC";
        default: return "?";
    }
}

size_t KindUnit(char kind) {
    switch (kind) {
        case DBS_KIND_DWORD: return 4;
        case DBS_KIND_WORD: return 2;
        default: return 1;
    }
}

namespace {

std::string TextOf(std::span<const uint8_t> bytes) {
    const void* zero = std::memchr(bytes.data(), 0, bytes.size());
    size_t n = zero != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes.data()) : bytes.size();
    return std::string(reinterpret_cast<const char*>(bytes.data()), n);
}

// One unit of a numeric field: in network byte order, or in the host's own order.
uint32_t ReadUnit(const uint8_t* p, size_t unit, bool bigEndian) {
    if (bigEndian) {
        uint32_t v = 0;
        for (size_t i = 0; i < unit; ++i) v = (v << 8) | p[i];
        return v;
    }
    if (unit == 4) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    if (unit == 2) {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    return *p;
}

// Unsigned units of a numeric field: one value when the field holds one unit, else a list. Bytes that do not
// make a whole unit are ignored.
Cell Units(std::span<const uint8_t> bytes, size_t unit, bool bigEndian) {
    size_t n = bytes.size() / unit;
    if (n == 0) return Cell::Null();
    if (n == 1) return Cell::Number(std::to_string(ReadUnit(bytes.data(), unit, bigEndian)));
    std::vector<std::string> items;
    items.reserve(n);
    for (size_t i = 0; i < n; ++i) items.push_back(std::to_string(ReadUnit(bytes.data() + i * unit, unit, bigEndian)));
    return Cell::List(std::move(items));
}

}  // namespace

Cell CellFromField(char kind, std::span<const uint8_t> bytes, bool bigEndian) {
    if (kind == DBS_KIND_CHAR) return Cell::Text(TextOf(bytes));
    return Units(bytes, KindUnit(kind), bigEndian);
}

Cell CellFromSqlValue(const TagSqlValue& v) {
    const auto* data = static_cast<const uint8_t*>(v.pData);
    std::span<const uint8_t> bytes;
    if (data != nullptr) bytes = {data, v.dwLength};
    switch (v.chType) {
        case DB_STRING: return Cell::Text(TextOf(bytes));
        case DB_TINYINT:
            return bytes.size() > 1 ? Units(bytes, 1, false) : Cell::Number(std::to_string(v.byTinyInt));
        case DB_USHORT:
            return bytes.size() > 2 ? Units(bytes, 2, false) : Cell::Number(std::to_string(v.usUShort));
        case DB_ULONG:
            return bytes.size() > 4 ? Units(bytes, 4, false) : Cell::Number(std::to_string(v.ulULong));
        case DB_UINT: return Cell::Number(std::to_string(v.uiUInt));
        case DB_SHORT: return Cell::Number(std::to_string(v.sShort));
        case DB_INT: return Cell::Number(std::to_string(v.iInt));
        case DB_LONG: return Cell::Number(std::to_string(v.lLong));
        case DB_FLOAT: return Cell::Number(FormatDouble(static_cast<double>(v.fFloat)));
        case DB_DOUBLE: return Cell::Number(FormatDouble(v.dDouble));
        case DB_ERRVAL: return Cell::Text("#DIV/0");
        default: return Cell::Null();
    }
}

}  // namespace dbsql
