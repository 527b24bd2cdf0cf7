// Entry point of the SQL front end: statement text in, statement tree in the parser context out.
//
// Parse resets the context, lexes and parses one statement and builds its tree. On success the tree is complete
// (column references not yet resolved); on failure the trace holds the reason ("yyerror: syntax error" or an
// SQL error report), the context's error code says which, and no tree is left behind.
#pragma once

#include <string_view>

struct TagSqlParser;

namespace dbs::sql {

// Nesting of parentheses and unary signs that one statement may use; deeper nesting fails the statement with
// "yyerror: yacc stack overflow" instead of exhausting the stack.
inline constexpr int kMaxParseDepth = 128;

// Parses the text (ending at its end or at a zero byte). Returns 0 when a whole statement was read and every
// action succeeded, -1 otherwise.
int Parse(TagSqlParser& ctx, std::string_view text);

}  // namespace dbs::sql
