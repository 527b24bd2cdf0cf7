// Value semantics: comparison, arithmetic, signs, conversion, string functions and LIKE patterns.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "runtime/fault_injection.h"
#include "sql/value_ops.h"

namespace dbs::sql {
namespace {

SqlValue Long(int32_t x) { SqlValue v; v.SetLong(x); return v; }
SqlValue ULong(uint32_t x) { SqlValue v; v.SetULong(x); return v; }
SqlValue Double(double x) { SqlValue v; v.SetDouble(x); return v; }
SqlValue Str(const char* s) { SqlValue v; v.SetString(s); return v; }
SqlValue Null() { SqlValue v; v.SetNull(); return v; }
SqlValue NoVal() { SqlValue v; v.SetNoVal(); return v; }
SqlValue Tiny(uint8_t x) { SqlValue v; v.SetType(DB_TINYINT); v.raw().byTinyInt = x; return v; }
SqlValue UShort(uint16_t x) { SqlValue v; v.SetType(DB_USHORT); v.raw().usUShort = x; return v; }

int Cmp(const SqlValue& a, const SqlValue& b, int* errOut = nullptr) {
    int err = 0;
    int c = SqlCompareValues(a, b, err);
    if (errOut) *errOut = err;
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

TEST(SqlCompare, OrdersAcrossClassesAndNulls) {
    struct Case { SqlValue a, b; int want; };
    Case cases[] = {
        {Null(), Null(), 0},         {NoVal(), Null(), 0},       {Null(), Long(-5), -1},
        {Long(-5), NoVal(), 1},      {Long(-1), Long(2), -1},    {Long(3), Long(3), 0},
        {Tiny(200), Long(100), 1},   {Double(2.5), Long(2), 1},  {Long(2), Double(2.0), 0},
        // a negative signed value compares unsigned against an unsigned one
        {Long(-1), ULong(5), 1},     {ULong(0xFFFFFFFFu), ULong(1), 1}, {UShort(7), Tiny(7), 0},
        {Str("abc"), Str("abd"), -1}, {Str("ab"), Str("abc"), -1},  {Str("b"), Str("abc"), 1},
        {Str(""), Str(""), 0},       {Null(), Str("x"), -1},
    };
    for (const Case& c : cases) {
        int err = 0;
        EXPECT_EQ(Cmp(c.a, c.b, &err), c.want) << int(c.a.type()) << " vs " << int(c.b.type());
        EXPECT_EQ(err, 0);
    }
}

TEST(SqlCompare, RefusesMismatchedPairs) {
    int err = 0;
    Cmp(Str("1"), Long(1), &err);
    EXPECT_EQ(err, kSqlErrCompare);
    err = 0;
    Cmp(Double(1), Str("1"), &err);
    EXPECT_EQ(err, kSqlErrCompare);
    SqlValue e;
    e.SetErrVal();
    err = 0;
    Cmp(e, Long(1), &err);
    EXPECT_EQ(err, kSqlErrSystem);
}

TEST(SqlArithmetic, FollowsTheClassTower) {
    SqlValue out;
    EXPECT_EQ(SqlArithmetic('/', Long(7), Long(2), out), 0);
    EXPECT_EQ(out.type(), DB_LONG);
    EXPECT_EQ(out.AsLong(), 3);
    EXPECT_EQ(SqlArithmetic('/', Long(-7), Long(2), out), 0);
    EXPECT_EQ(out.AsLong(), -3);
    EXPECT_EQ(SqlArithmetic('/', Double(7.0), Long(2), out), 0);
    EXPECT_EQ(out.type(), DB_DOUBLE);
    EXPECT_DOUBLE_EQ(out.AsDouble(), 3.5);
    EXPECT_EQ(SqlArithmetic('-', Long(1), ULong(2), out), 0);
    EXPECT_EQ(out.type(), DB_ULONG);
    EXPECT_EQ(out.AsULong(), 0xFFFFFFFFu);
    EXPECT_EQ(SqlArithmetic('+', Long(INT32_MAX), Long(1), out), 0);
    EXPECT_EQ(out.AsLong(), INT32_MIN);
    EXPECT_EQ(SqlArithmetic('/', Long(INT32_MIN), Long(-1), out), 0);
    EXPECT_EQ(out.AsLong(), INT32_MIN);
    EXPECT_EQ(SqlArithmetic('*', Tiny(200), UShort(300), out), 0);
    EXPECT_EQ(out.type(), DB_ULONG);
    EXPECT_EQ(out.AsULong(), 60000u);
    // a string or NULL operand gives the absent value without an error
    EXPECT_EQ(SqlArithmetic('+', Long(1), Str("x"), out), 0);
    EXPECT_EQ(out.type(), DB_NOVAL);
    EXPECT_EQ(SqlArithmetic('+', Null(), Long(1), out), 0);
    EXPECT_EQ(out.type(), DB_NOVAL);
}

TEST(SqlArithmetic, DivisionByZeroIsAnError) {
    SqlValue out;
    EXPECT_EQ(SqlArithmetic('/', Long(7), Long(0), out), kSqlErrDivideByZero);
    EXPECT_EQ(out.type(), DB_ERRVAL);
    EXPECT_EQ(SqlArithmetic('/', ULong(7), ULong(0), out), kSqlErrDivideByZero);
    EXPECT_EQ(SqlArithmetic('/', Double(7), Double(0.0), out), kSqlErrDivideByZero);
    EXPECT_EQ(SqlArithmetic('/', Long(7), Double(-0.0), out), kSqlErrDivideByZero);
}

TEST(SqlNegate, ChangesUnsignedTypesAndDropsRawBytes) {
    SqlValue v = ULong(5);
    uint32_t raw = 5;
    v.AttachBytes(&raw, 4);
    SqlNegate(v);
    EXPECT_EQ(v.type(), DB_LONG);
    EXPECT_EQ(v.AsLong(), -5);
    EXPECT_FALSE(v.OwnsBytes());
    EXPECT_EQ(ValueWidth(v), 4u);

    SqlValue t = Tiny(3);
    SqlNegate(t);
    EXPECT_EQ(t.type(), DB_SHORT);
    EXPECT_EQ(t.AsLong(), -3);

    SqlValue d = Double(1.5);
    SqlNegate(d);
    EXPECT_DOUBLE_EQ(d.AsDouble(), -1.5);

    SqlValue s = Str("ab");
    SqlNegate(s);
    EXPECT_EQ(s.type(), DB_STRING);
    EXPECT_EQ(s.text(), "ab");
}

TEST(SqlConvert, KeepsLowBitsAndTruncates) {
    struct Case { SqlValue src; int target; double want; };
    Case cases[] = {
        {Long(300), DB_TINYINT, 44},          {Long(-1), DB_USHORT, 65535},
        {Long(70000), DB_SHORT, 4464},        {Double(-2.9), DB_LONG, -2},
        {Double(3.99), DB_ULONG, 3},          {ULong(0xFFFFFFFFu), DB_LONG, -1},
        {Long(7), DB_DOUBLE, 7},              {Null(), DB_LONG, 0},
        {NoVal(), DB_DOUBLE, 0},              {Double(1e300), DB_LONG, 0},
        {Double(NAN), DB_ULONG, 0},           {Str("42"), DB_LONG, 42},
        {Str(" -17"), DB_SHORT, -17},         {Str("2.75"), DB_DOUBLE, 2.75},
        {Str("2.75"), DB_LONG, 2},            {Str("abc"), DB_ULONG, 0},
    };
    for (Case& c : cases) {
        SqlConvertValue(c.src, c.target);
        EXPECT_EQ(c.src.type(), c.target);
        EXPECT_DOUBLE_EQ(c.src.AsDouble(), c.want) << c.target;
        EXPECT_FALSE(c.src.OwnsBytes());
    }
    SqlValue s = Str("x");
    SqlConvertValue(s, DB_STRING);  // not a numeric target
    EXPECT_EQ(s.type(), DB_STRING);
    EXPECT_EQ(s.text(), "x");
}

TEST(SqlConvert, DoubleToFloatSaturatesInsteadOfOverflowing) {
    SqlValue v = Double(1e300);
    SqlConvertValue(v, DB_FLOAT);
    const float f = v.raw().fFloat;
    EXPECT_TRUE(std::isinf(f));
}

TEST(SqlStringFunctions, WorkInPlace) {
    struct Case { const char* in; char fn; const char* want; };
    Case cases[] = {
        {"aBc1", 'u', "ABC1"}, {"aBc1", 'l', "abc1"}, {"ab  ", 't', "ab"},
        {"   ", 't', " "},     {"", 't', ""},         {"  a", 't', "  a"},
    };
    for (const Case& c : cases) {
        SqlValue v = Str(c.in);
        ASSERT_EQ(SqlStringFunction(c.fn, v), 0);
        EXPECT_EQ(v.text(), c.want);
        EXPECT_EQ(v.length(), std::strlen(c.in) + 1);  // the stored length stays
    }
    SqlValue v = Str("hello");
    ASSERT_EQ(SqlStringFunction('L', v), 0);
    EXPECT_EQ(v.type(), DB_INT);
    EXPECT_EQ(v.AsLong(), 5);
    SqlValue n = Long(1);
    EXPECT_EQ(SqlStringFunction('u', n), kSqlErrExpression);
    SqlValue nv = NoVal();
    EXPECT_EQ(SqlStringFunction('u', nv), 0);
    EXPECT_EQ(nv.type(), DB_NOVAL);
}

TEST(SqlLike, Patterns) {
    struct Case { const char* text; const char* pattern; int want; };
    Case cases[] = {
        {"anything", "*", 1}, {"", "*", 1},        {"", "", 1},          {"a", "", 0},
        {"ab", "a?", 1},      {"a", "a?", 0},      {"a*", "a**", 1},     {"ab", "a**", 0},
        {"a?", "a??", 1},     {"ab", "a??", 0},    {"a", "a*?", 0},      {"abc", "a*?", 1},
        {"abcbd", "a*bd", 1}, {"abcbc", "a*bd", 0}, {"ABC", "abc", 0},   {"**zy", "*****y", 1}, {"x*y", "*****y", 0},
        {"xay", "*****y", 0}, {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*c", 0},
        {"mississippi", "m*iss*p?i", 1},
    };
    for (const Case& c : cases) EXPECT_EQ(SqlLikeMatch(c.text, c.pattern), c.want) << c.text << " / " << c.pattern;
    EXPECT_EQ(SqlLikeMatch(nullptr, "*"), -1);
    EXPECT_EQ(SqlLikeMatch("a", nullptr), -1);
}

TEST(SqlValueStorage, CopiesOwnBytesAndSurvivesMoves) {
    std::string big(200, 'q');
    SqlValue a = Str(big.c_str());
    SqlValue b;
    ASSERT_TRUE(b.CopyFrom(a));
    EXPECT_NE(a.bytes(), b.bytes());
    EXPECT_EQ(b.text(), big);
    SqlValue small = Str("hi");
    SqlValue moved(std::move(small));
    EXPECT_EQ(moved.text(), "hi");
    EXPECT_EQ(moved.bytes(), +moved.raw().pData);
    // rows written into a fixed width are cut or zero-padded
    char row[6];
    std::memset(row, 'X', sizeof row);
    WriteValueBytes(moved, row, 4);
    EXPECT_EQ(std::memcmp(row, "hi\0\0XX", 6), 0);
    WriteValueBytes(b, row, 3);
    EXPECT_EQ(std::memcmp(row, "qqq\0XX", 6), 0);
}

TEST(SqlValueStorage, OutOfMemoryLeavesAnAbsentValue) {
    std::string big(500, 'z');
    SqlValue v;
    fault::FailAllocAt(1);
    EXPECT_FALSE(v.SetString(big));
    fault::ResetAll();
    EXPECT_EQ(v.type(), DB_NOVAL);
    EXPECT_FALSE(v.OwnsBytes());
}

}  // namespace
}  // namespace dbs::sql
