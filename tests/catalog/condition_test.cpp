// The check-constraint condition language and the foreign-key string grammar, table-driven.
#include <gtest/gtest.h>

#include "catalog/constraint_checks.h"
#include "catalog/foreign_key.h"
#include "support/trace_capture.h"

namespace {

using dbs::catalog::CheckSearchCondition;
using dbs::catalog::FkConsFieldCompare;
using dbs::catalog::SplitFkString;

struct ConditionCase {
    const char* condition;
    std::vector<uint32_t> pass;
    std::vector<uint32_t> fail;
};

TEST(ConditionLanguage, TermsAndSeparators) {
    const ConditionCase cases[] = {
        {"1-10,20,>=100", {1, 5, 10, 20, 100, 5000}, {0, 11, 19, 99}},
        {"10-1", {1, 10}, {0, 11}},
        {"5-", {}, {0, 5, 6}},
        {"", {}, {0, 1}},
        {"< = 3", {0, 3}, {4}},
        {">7", {8}, {7}},
        {"<7", {6}, {7}},
        {"<=7", {7}, {8}},
        {"-5", {5}, {0, 4}},                   // a minus before a number is dropped
        {">", {1}, {0}},                       // operator without digits reads 0
        {"9999999999", {2147483647u}, {0}},    // saturates like a 32-bit long
        {",,, 4 ,", {4}, {3}},                 // commas before anything kept are dropped
        {"a b c", {}, {0}},                    // nothing kept: never holds
        {"3-5-9", {3, 4, 5}, {6, 9}},          // the upper bound stops at the second minus
        {">=-5", {5, 6}, {4}},
        {"2>1", {21}, {2, 1}},                 // '>' only counts first
    };
    for (const auto& c : cases) {
        for (uint32_t v : c.pass) EXPECT_TRUE(CheckSearchCondition(v, c.condition)) << c.condition << " / " << v;
        for (uint32_t v : c.fail) EXPECT_FALSE(CheckSearchCondition(v, c.condition)) << c.condition << " / " << v;
    }
}

TEST(ConditionLanguage, NullConditionHasNoHead) {
    dbs::test::TraceCapture trace;
    EXPECT_FALSE(CheckSearchCondition(1, nullptr));
    EXPECT_EQ(trace.Last(), "SearchCondition = NULL!");
}

TEST(ForeignKeyString, Split) {
    struct Case {
        const char* text;
        bool malformed, hasFilter;
        const char* filter;
        const char* columns;
    } cases[] = {
        {"OwnerId", false, false, "", "OwnerId"},
        {"   A,B  ", false, false, "", "A,B"},
        {"A, B", false, false, "", "A, B"},
        {"[Kind=2, Flag=1] OwnerId,SubId", false, true, "Kind=2, Flag=1", "OwnerId,SubId"},
        {"[[ Kind=2 ]  ,,  A", false, true, "Kind=2", "A"},
        {"[Kind=2]", false, true, "Kind=2", ""},
        {"[Kind=2", true, false, "", ""},
    };
    for (const auto& c : cases) {
        auto parts = SplitFkString(c.text);
        EXPECT_EQ(parts.malformed, c.malformed) << c.text;
        EXPECT_EQ(parts.hasFilter, c.hasFilter) << c.text;
        EXPECT_EQ(std::string(parts.filter), c.filter) << c.text;
        EXPECT_EQ(std::string(parts.columns), c.columns) << c.text;
    }
}

TEST(ForeignKeyString, FieldCompareElements) {
    const uint16_t w102[3] = {1, 0, 2};
    const uint16_t w120[3] = {1, 2, 0};
    const uint32_t d5 = 5;
    const uint8_t n3[2] = {3, 0};
    struct Case {
        const void* column;
        uint16_t len;
        char type;
        const char* literal;
        bool equal;
    } cases[] = {
        {w102, 6, 'W', "1, 2", true},   // ", " reads as a separator and an empty element
        {w120, 6, 'W', "1, 2", false},
        {w120, 6, 'W', "1 2", true},
        {w120, 6, 'W', "1,,2", true},
        {w120, 6, 'W', " ,1 ,2", true},
        {&d5, 4, 'D', "5", true},
        {&d5, 4, 'D', "6", false},
        {n3, 2, 'N', "3", true},
        {n3, 2, 'L', "3 0", true},
        {"AB\0CD", 5, 'C', "AB", true},
        {"AB\0CD", 5, 'C', "ABC", false},
        {"A", 1, 'C', "Axyz", true},     // one character: only the first counts
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FkConsFieldCompare(static_cast<const uint8_t*>(c.column), c.len, c.type, c.literal), c.equal)
            << c.type << " '" << c.literal << "'";
    }
}

TEST(ForeignKeyString, FieldCompareRejectsUnknownType) {
    dbs::test::TraceCapture trace;
    const uint8_t b = 0;
    EXPECT_FALSE(FkConsFieldCompare(&b, 1, 'X', "0"));
    EXPECT_EQ(trace.Last(), "[File:* Line*] chDMType=88 is Invalid!");
}

TEST(ForeignKeyString, FieldCompareLongColumnStaysInsideValueArray) {
    std::vector<uint8_t> column(6000, 0);
    column[0] = 7;
    EXPECT_TRUE(FkConsFieldCompare(column.data(), static_cast<uint16_t>(column.size()), 'N', "7"));
}

}  // namespace
