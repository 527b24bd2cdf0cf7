// The SQL lexer: turns the statement text held by a parser context into tokens, one per call.
//
// Longest match wins, an earlier rule wins among equally long matches. All state lives in the context's lexer
// state. A character outside the language raises code 15 and yields BADCHAR; a token that does not fit the
// 512-character buffer raises code 31 and yields kTokTooLong. Neither ever ends the process or overruns a buffer.
#pragma once

#include <string_view>

struct TagSqlParser;

namespace dbs::sql {

// Token numbers; a single character is its own code.
enum Token : int {
    kTokFuncName = 257,
    kTokName = 258,
    kTokString = 259,
    kTokBadChar = 260,
    kTokAnd = 261,
    kTokOr = 262,
    kTokXor = 263,
    kTokBetween = 264,
    kTokIn = 265,
    kTokNot = 266,
    kTokLike = 267,
    kTokDesc = 268,
    kTokAsc = 269,
    kTokDoubleConst = 270,
    kTokIntConst = 271,
    kTokUIntConst = 273,
    kTokDouble = 274,
    kTokFloat = 275,
    kTokTinyInt = 276,
    kTokShort = 277,
    kTokInt = 278,
    kTokLong = 279,
    kTokUShort = 280,
    kTokUInt = 281,
    kTokULong = 282,
    kTokSelect = 283,
    kTokFrom = 284,
    kTokOrder = 285,
    kTokBy = 286,
    kTokWhere = 287,
    kTokDelete = 288,
    kTokExists = 289,
    kTokUpdate = 290,
    kTokSet = 291,
    kTokEq = 292,
    kTokGe = 293,
    kTokGt = 294,
    kTokLe = 295,
    kTokLt = 296,
    kTokEnd = 297,
    kTokNull = 298,
    kTokSubstr = 299,
    kTokNe = 300,
    // Not a token of the language: the lexer gave up on an over-long token (code 31 already raised).
    kTokTooLong = 399,
};

// Points the lexer at a new text: read position 0, line 1, EQ mode off.
void LexReset(TagSqlParser& ctx, std::string_view text);

// Reads the next token; its text and value are left in ctx.tLex.
int LexNext(TagSqlParser& ctx);

// Printable name of a token number ("NAME", "'('"), for tests and diagnostics.
const char* TokenName(int iToken);

}  // namespace dbs::sql
