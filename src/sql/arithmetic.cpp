// Arithmetic over the numeric classes and the unary minus.
//
// Two signed operands give signed 32-bit arithmetic, any unsigned operand unsigned 32-bit arithmetic, any double
// operand double arithmetic; integers wrap modulo 2^32 and divide toward zero. Anything that is not a number
// gives the absent value, which makes the predicate using it unknown rather than failing the statement.
#include <cstdint>
#include <limits>

#include "sql/value_ops.h"

namespace dbs::sql {

namespace {

uint32_t ApplyUnsigned(char op, uint32_t x, uint32_t y) {
    switch (op) {
        case '+': return x + y;
        case '-': return x - y;
        case '*': return x * y;
        default: return x / y;
    }
}

int32_t ApplySigned(char op, int32_t x, int32_t y) {
    uint32_t ux = static_cast<uint32_t>(x);
    uint32_t uy = static_cast<uint32_t>(y);
    switch (op) {
        case '+': return static_cast<int32_t>(ux + uy);
        case '-': return static_cast<int32_t>(ux - uy);
        case '*': return static_cast<int32_t>(ux * uy);
        default:
            // The one quotient that does not fit wraps like the other operations instead of trapping.
            if (x == std::numeric_limits<int32_t>::min() && y == -1) return x;
            return x / y;
    }
}

double ApplyDouble(char op, double x, double y) {
    switch (op) {
        case '+': return x + y;
        case '-': return x - y;
        case '*': return x * y;
        default: return x / y;
    }
}

}  // namespace

int SqlArithmetic(char op, const SqlValue& a, const SqlValue& b, SqlValue& out) {
    NumClass ca = ClassOf(a.type());
    NumClass cb = ClassOf(b.type());
    if (ca == NumClass::kNone || cb == NumClass::kNone) {
        out.SetNoVal();
        return 0;
    }
    if (ca == NumClass::kDouble || cb == NumClass::kDouble) {
        double x = a.AsDouble();
        double y = b.AsDouble();
        if (op == '/' && y == 0.0) {
            out.SetErrVal();
            return kSqlErrDivideByZero;
        }
        out.SetDouble(ApplyDouble(op, x, y));
        return 0;
    }
    if (ca == NumClass::kLong && cb == NumClass::kLong) {
        int32_t x = a.AsLong();
        int32_t y = b.AsLong();
        if (op == '/' && y == 0) {
            out.SetErrVal();
            return kSqlErrDivideByZero;
        }
        out.SetLong(ApplySigned(op, x, y));
        return 0;
    }
    uint32_t x = a.AsULong();
    uint32_t y = b.AsULong();
    if (op == '/' && y == 0) {
        out.SetErrVal();
        return kSqlErrDivideByZero;
    }
    out.SetULong(ApplyUnsigned(op, x, y));
    return 0;
}

void SqlNegate(SqlValue& v) {
    TagSqlValue& r = v.raw();
    switch (v.type()) {
        case DB_SHORT: v.SetShort(static_cast<int16_t>(-static_cast<uint16_t>(r.sShort))); break;
        case DB_INT: v.SetInt(static_cast<int32_t>(0u - static_cast<uint32_t>(r.iInt))); break;
        case DB_LONG: v.SetLong(static_cast<int32_t>(0u - static_cast<uint32_t>(r.lLong))); break;
        case DB_FLOAT: {
            float f = -r.fFloat;
            v.SetType(DB_FLOAT);
            v.raw().fFloat = f;
            break;
        }
        case DB_DOUBLE: v.SetDouble(-r.dDouble); break;
        case DB_USHORT:
        case DB_UINT:
        case DB_ULONG: v.SetLong(static_cast<int32_t>(0u - v.AsULong())); break;
        case DB_TINYINT: v.SetShort(static_cast<int16_t>(-static_cast<int>(r.byTinyInt))); break;
        default: break;  // strings and the valueless codes keep what they are
    }
}

}  // namespace dbs::sql
