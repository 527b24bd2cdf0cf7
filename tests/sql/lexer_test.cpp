// Lexer: token streams, constants and their saturation, string literals, the EQ mode, unknown characters with
// their read position, and the token buffer limit.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sql/lexer.h"
#include "sql/parser_context.h"
#include "support/trace_capture.h"

namespace dbs::sql {
namespace {

// The whole token stream of a text, e.g. "NAME(abc) INTCONST(5) '.' END".
std::string Tokens(TagSqlParser& ctx, const std::string& text, bool bEqMode = false) {
    ResetContext(ctx);
    LexReset(ctx, text);
    ctx.tLex.bEqMode = bEqMode;
    std::string out;
    for (int i = 0; i < 100; ++i) {
        const int t = LexNext(ctx);
        if (!out.empty()) out += " ";
        out += TokenName(t);
        const SqlLexState& lex = ctx.tLex;
        switch (t) {
            case kTokName: case kTokFuncName: case kTokString:
                out.append("(").append(lex.achToken, lex.nTokenLen).append(")");
                break;
            case kTokIntConst: out.append("(").append(std::to_string(lex.iIntValue)).append(")"); break;
            case kTokUIntConst: out.append("(").append(std::to_string(lex.uUIntValue)).append(")"); break;
            case kTokDoubleConst: out.append("(").append(std::to_string(lex.dDoubleValue)).append(")"); break;
            default: break;
        }
        if (t == kTokEnd || t == kTokTooLong) break;
    }
    return out;
}

class LexerTest : public ::testing::Test {
protected:
    std::unique_ptr<TagSqlParser> ctx = std::make_unique<TagSqlParser>();
    test::TraceCapture trace;
};

struct TokenCase {
    const char* text;
    const char* tokens;
};

TEST_F(LexerTest, TokenStreams) {
    const TokenCase cases[] = {
        {"where Where WHERE", "WHERE WHERE WHERE END"},
        {"ascending ASC desc Descending", "ASC ASC DESC DESC END"},
        {"eq ne lt le gt ge", "EQ NE LT LE GT GE END"},
        {"db_int Int DB_Double float db_tinyint ushort DB_UINT ulong short long",
         "INT INT DOUBLE FLOAT TINYINT USHORT UINT ULONG SHORT LONG END"},
        {"select from order by delete exists update set null substr and or xor not between in like",
         "SELECT FROM ORDER BY DELETE EXISTS UPDATE SET NULL SUBSTR AND OR XOR NOT BETWEEN IN LIKE END"},
        {"count Sum avg MAX min upper lower trim strlen year month day weekday",
         "FUNCNAME(count) FUNCNAME(Sum) FUNCNAME(avg) FUNCNAME(MAX) FUNCNAME(min) FUNCNAME(upper) "
         "FUNCNAME(lower) FUNCNAME(trim) FUNCNAME(strlen) FUNCNAME(year) FUNCNAME(month) FUNCNAME(day) "
         "FUNCNAME(weekday) END"},
        {"a_1b DB_INTX selects", "NAME(a_1b) NAME(DB_INTX) NAME(selects) END"},
        {"12.5", "DOUBLECONST(12.500000) END"},
        {".5", "'.' INTCONST(5) END"},
        {"5.", "INTCONST(5) '.' END"},
        {"1.2.3", "DOUBLECONST(1.200000) '.' INTCONST(3) END"},
        {"12abc", "INTCONST(12) NAME(abc) END"},
        {"0x1F 0X1f", "UINTCONST(31) UINTCONST(31) END"},
        {"0x", "INTCONST(0) NAME(x) END"},
        {"0xg", "INTCONST(0) NAME(xg) END"},
        {"00x1", "INTCONST(0) NAME(x1) END"},
        {"0xFFFFFFFF 0x100000000 0x0000000000001", "UINTCONST(4294967295) UINTCONST(4294967295) UINTCONST(1) END"},
        {"2147483647 2147483648", "INTCONST(2147483647) UINTCONST(2147483648) END"},
        {"4294967295 4294967296 99999999999999999999999", "UINTCONST(4294967295) UINTCONST(4294967295) "
                                                          "UINTCONST(4294967295) END"},
        {"007", "INTCONST(7) END"},
        {"'it''s' ''", "STRING(it''s) STRING() END"},
        {"'a b\tc'x", "STRING(a b\tc) NAME(x) END"},
        {"'line\nfeed \x80\xff'", "STRING(line\nfeed \x80\xff) END"},
        {"''''", "STRING('') END"},
        {"a==b", "NAME(a) '=' '=' NAME(b) END"},
        {"(a)*+,-./^", "'(' NAME(a) ')' '*' '+' ',' '-' '.' '/' '^' END"},
        {">= <= != <> < > < =", "GE LE NE NE LT GT LT '=' END"},
        {"a\nb", "NAME(a) NAME(b) END"},
        {" \t ", "END"},
        {"", "END"},
    };
    for (const TokenCase& c : cases) {
        EXPECT_EQ(Tokens(*ctx, c.text), c.tokens) << "text: " << c.text;
    }
}

TEST_F(LexerTest, EqModeMakesEqualsTheComparison) {
    EXPECT_EQ(Tokens(*ctx, "a==b", true), "NAME(a) EQ EQ NAME(b) END");
    EXPECT_EQ(Tokens(*ctx, "a>=b", true), "NAME(a) GE NAME(b) END");
}

TEST_F(LexerTest, TextEndsAtZeroByte) {
    EXPECT_EQ(Tokens(*ctx, std::string("a\0b", 3)), "NAME(a) END");
}

TEST_F(LexerTest, LineFeedIsTracedAndCounted) {
    EXPECT_EQ(Tokens(*ctx, "a\n\nb"), "NAME(a) NAME(b) END");
    EXPECT_EQ(trace.Texts(), (std::vector<std::string>{"\n", "\n"}));
    EXPECT_EQ(ctx->tLex.iLineNo, 3);
}

// Every character outside the language raises code 15 with the read position after the character beyond it.
struct BadCharCase {
    const char* text;
    const char* tokens;
    const char* detail;
};

TEST_F(LexerTest, UnknownCharactersReportCode15WithReadPosition) {
    const BadCharCase cases[] = {
        {"SELECT N FROM ONE;", "SELECT NAME(N) FROM NAME(ONE) BADCHAR END", " : ; in pos 19"},
        {"_abc", "BADCHAR NAME(abc) END", " : _ in pos 2"},
        {"a #b", "NAME(a) BADCHAR NAME(b) END", " : # in pos 4"},
        {"!", "BADCHAR END", " : ! in pos 2"},
        {"a\rb", "NAME(a) BADCHAR NAME(b) END", " : \r in pos 3"},
        {"[x]", "BADCHAR NAME(x) BADCHAR END", " : [ in pos 2"},
        {"'abc", "BADCHAR NAME(abc) END", " : ' in pos 5"},
        {"\"q\"", "BADCHAR NAME(q) BADCHAR END", " : \" in pos 2"},
        {"%", "BADCHAR END", " : % in pos 2"},
        {"\xe9t", "BADCHAR NAME(t) END", " : \xe9 in pos 2"},
        {"5.x;", "INTCONST(5) '.' NAME(x) BADCHAR END", " : ; in pos 5"},
    };
    for (const BadCharCase& c : cases) {
        trace.Clear();
        EXPECT_EQ(Tokens(*ctx, c.text), c.tokens) << "text: " << c.text;
        ASSERT_GE(trace.Count(), 3u) << c.text;
        EXPECT_EQ(trace.Texts()[0], "\n***SQL processing error: code 15 - unknowned character in statement");
        EXPECT_EQ(trace.Texts()[1], c.detail) << "text: " << c.text;
        EXPECT_EQ(trace.Texts()[2], "\n");
        EXPECT_EQ(ctx->iErrCode, 15);
    }
}

TEST_F(LexerTest, TokenAndLookaheadMustFitTheBuffer) {
    // 511 characters and the one beyond fill the 512-character buffer exactly.
    const std::string name511(511, 'n');
    EXPECT_EQ(Tokens(*ctx, name511), "NAME(" + name511 + ") END");
    const std::string str511 = std::string("'").append(509, 's').append("'");
    EXPECT_EQ(Tokens(*ctx, str511), "STRING(" + std::string(509, 's') + ") END");
    EXPECT_EQ(trace.Count(), 0u);

    const std::string tooLong[] = {
        std::string(512, 'n'),
        std::string("'").append(510, 's').append("'"),
        std::string(600, '7'),
        "x = '" + std::string(5000, 'u'),   // an unclosed quote reads to the end of the text
    };
    for (const std::string& text : tooLong) {
        trace.Clear();
        const std::string tokens = Tokens(*ctx, text);
        EXPECT_EQ(tokens.substr(tokens.size() - 7), "TOOLONG");
        EXPECT_EQ(ctx->iErrCode, 31);
        EXPECT_EQ(trace.Texts(), (std::vector<std::string>{"Input string too long, limit 512\r\n",
                                                          "\n***SQL processing error: code 31 - input string too long",
                                                          "\n"}));
    }
}

}  // namespace
}  // namespace dbs::sql
