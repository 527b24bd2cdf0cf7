// SqlConvertValue: casts of the select list and the conversion of SET values to their column's type.
//
// Integer targets keep the low-order bits of the source; a float or double source is truncated toward zero first
// (a value outside the 64-bit range, infinities and NaN give 0, so that no conversion is ever undefined). A string
// source is parsed as a decimal number; text that is not a number gives 0.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "sql/value_ops.h"

namespace dbs::sql {

namespace {

// The source as either an exact 64-bit integer or a double.
struct Number {
    bool isDouble = false;
    int64_t i = 0;
    double d = 0.0;
};

Number ParseText(std::string_view t) {
    Number n;
    size_t p = 0;
    while (p < t.size() && (t[p] == ' ' || t[p] == '\t')) ++p;
    const char* first = t.data() + p;
    const char* last = t.data() + t.size();
    int64_t i = 0;
    auto ri = std::from_chars(first, last, i);
    if (ri.ec == std::errc() && (ri.ptr == last || (*ri.ptr != '.' && *ri.ptr != 'e' && *ri.ptr != 'E'))) {
        n.i = i;
        return n;
    }
    double d = 0.0;
    auto rd = std::from_chars(first, last, d);
    if (rd.ec == std::errc()) {
        n.isDouble = true;
        n.d = d;
    }
    return n;
}

Number SourceOf(const SqlValue& v) {
    Number n;
    switch (ClassOf(v.type())) {
        case NumClass::kLong: n.i = v.AsLong(); break;
        case NumClass::kULong: n.i = v.AsULong(); break;
        case NumClass::kDouble: n.isDouble = true; n.d = v.AsDouble(); break;
        default:
            if (v.type() == DB_STRING) n = ParseText(v.text());
            break;
    }
    return n;
}

uint64_t LowBits(const Number& n) {
    if (!n.isDouble) return static_cast<uint64_t>(n.i);
    if (!std::isfinite(n.d)) return 0;
    double t = std::trunc(n.d);
    if (t <= -9.2233720368547758e18 || t >= 9.2233720368547758e18) return 0;
    return static_cast<uint64_t>(static_cast<int64_t>(t));
}

double AsDouble(const Number& n) { return n.isDouble ? n.d : static_cast<double>(n.i); }

float AsFloat(const Number& n) {
    double d = AsDouble(n);
    constexpr double kMax = std::numeric_limits<float>::max();
    if (d > kMax) return std::numeric_limits<float>::infinity();
    if (d < -kMax) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(d);
}

}  // namespace

void SqlConvertValue(SqlValue& v, int target) {
    if (v.type() == target || !IsNumericType(target)) return;
    Number n = SourceOf(v);
    uint64_t bits = LowBits(n);
    v.SetType(target);
    TagSqlValue& r = v.raw();
    switch (target) {
        case DB_TINYINT: r.byTinyInt = static_cast<uint8_t>(bits); break;
        case DB_SHORT: r.sShort = static_cast<int16_t>(static_cast<uint16_t>(bits)); break;
        case DB_USHORT: r.usUShort = static_cast<uint16_t>(bits); break;
        case DB_INT: r.iInt = static_cast<int32_t>(static_cast<uint32_t>(bits)); break;
        case DB_LONG: r.lLong = static_cast<int32_t>(static_cast<uint32_t>(bits)); break;
        case DB_UINT: r.uiUInt = static_cast<uint32_t>(bits); break;
        case DB_ULONG: r.ulULong = static_cast<uint32_t>(bits); break;
        case DB_FLOAT: r.fFloat = AsFloat(n); break;
        case DB_DOUBLE: r.dDouble = AsDouble(n); break;
        default: break;
    }
}

}  // namespace dbs::sql
