/*
 * SQL lexer.
 *
 * The lexer works directly on the statement text by index instead of through a character push-back buffer: a
 * token is measured from its first character, and every character looked at (the one beyond the token that shows
 * where it ends included) raises the read position, a high-water mark of characters taken from the text. A
 * character looked at twice counts once, and the terminating zero byte counts as one character. This is the
 * position that the detail of code 15 reports ("SELECT N FROM ONE;" reports "; in pos 19").
 *
 * The token and the one character beyond it must fit the 512-character token buffer; a longer token fails the
 * statement with code 31 instead of writing past the buffer.
 */
#include "sql/lexer.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <cstring>

#include "runtime/trace_log.h"
#include "sql/keywords.h"
#include "sql/parser_context.h"
#include "sql/sql_error.h"

namespace dbs::sql {
namespace {

bool IsLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(int c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
int HexValue(int c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

// Reads the text for one call of the lexer. The text, its length and the read position are kept in the scanner
// itself, so that the loops over a token's characters need no stores through the lexer state; Flush() hands the
// read position back, and must run before anything that reports it.
class Scanner {
public:
    explicit Scanner(SqlLexState& lex)
        : lex_(lex), text_(lex.pchText), len_(lex.nTextLen), readPos_(static_cast<size_t>(lex.iReadPos)) {}

    // The character at index i (0 at and beyond the end), taking it from the text.
    int At(size_t i) {
        if (i >= len_) {
            Mark(len_ + 1);
            return 0;
        }
        Mark(i + 1);
        return static_cast<unsigned char>(text_[i]);
    }

    // The index of the first character from j on that `take` refuses (the end counts as refused), looking at each
    // character up to it as At does.
    template <typename Take>
    size_t Skip(size_t j, Take take) {
        while (j < len_ && take(static_cast<unsigned char>(text_[j]))) ++j;
        Mark(j + 1);
        return j;
    }

    // Highest index + 1 looked at while measuring the current token.
    size_t Extent() const { return extent_; }
    void StartToken() { extent_ = 0; }

    void Flush() {
        if (readPos_ > static_cast<size_t>(lex_.iReadPos)) {
            lex_.iReadPos = static_cast<int>(std::min<size_t>(readPos_, std::numeric_limits<int>::max()));
        }
    }

private:
    void Mark(size_t nTaken) {
        if (nTaken > extent_) extent_ = nTaken;
        if (nTaken > readPos_) readPos_ = nTaken;
    }

    SqlLexState& lex_;
    const char* const text_;
    const size_t len_;
    size_t readPos_;
    size_t extent_ = 0;
};

uint32_t SaturatingDecimal(std::string_view digits) {
    uint64_t v = 0;
    for (char c : digits) {
        v = v * 10 + static_cast<uint64_t>(c - '0');
        if (v > 0xFFFFFFFFu) return 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(v);
}

uint32_t SaturatingHex(std::string_view digits) {
    uint64_t v = 0;
    for (char c : digits) {
        v = v * 16 + static_cast<uint64_t>(HexValue(c));
        if (v > 0xFFFFFFFFu) return 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(v);
}

}  // namespace

void LexReset(TagSqlParser& ctx, std::string_view text) {
    SqlLexState& lex = ctx.tLex;
    size_t nZero = text.find('\0');
    lex.pchText = text.data();
    lex.nTextLen = nZero == std::string_view::npos ? text.size() : nZero;
    lex.nCursor = 0;
    lex.iReadPos = 0;
    lex.iLineNo = 1;
    lex.bEqMode = false;
    lex.iToken = 0;
    lex.nTokenLen = 0;
    lex.achToken[0] = '\0';
    lex.iIntValue = 0;
    lex.uUIntValue = 0;
    lex.dDoubleValue = 0;
    lex.chFuncCategory = 0;
    lex.chFuncLetter = 0;
}

int LexNext(TagSqlParser& ctx) {
    SqlLexState& lex = ctx.tLex;
    Scanner in(lex);
    size_t cursor = lex.nCursor;   // past the blanks skipped so far
    for (;;) {
        const size_t s = cursor;
        in.StartToken();
        const int c = in.At(s);
        int iToken = 0;
        size_t nEnd = s + 1;        // one past the token's last character
        size_t nValueBegin = s;     // the token value's characters
        size_t nValueEnd = 0;

        if (c == 0) {
            lex.nTokenLen = 0;
            lex.achToken[0] = '\0';
            lex.nCursor = s;
            in.Flush();
            return lex.iToken = kTokEnd;
        }
        if (c == ' ' || c == '\t') {
            in.At(s + 1);
            cursor = s + 1;
            continue;
        }
        if (c == '\n') {
            in.Flush();
            DbsTraceLog("%c", '\n');
            ++lex.iLineNo;
            cursor = s + 1;
            lex.nCursor = cursor;
            continue;
        }

        if (IsLetter(c)) {
            nEnd = in.Skip(s + 1, [](int d) { return IsLetter(d) || IsDigit(d) || d == '_'; });
            iToken = kTokName;
        } else if (c == '\'') {
            size_t j = s + 1;
            bool bClosed = false;
            for (;;) {
                int d = in.At(j);
                if (d == 0) break;
                if (d == '\'') {
                    if (in.At(j + 1) == '\'') {
                        j += 2;
                        continue;
                    }
                    bClosed = true;
                    break;
                }
                ++j;
            }
            if (bClosed) {
                nEnd = j + 1;
                nValueBegin = s + 1;
                nValueEnd = j;
                iToken = kTokString;
            } else {
                iToken = kTokBadChar;   // a lone quote: rule of the unknown character
            }
        } else if (IsDigit(c)) {
            if (c == '0' && (in.At(s + 1) == 'x' || in.At(s + 1) == 'X') && IsHexDigit(in.At(s + 2))) {
                nEnd = in.Skip(s + 2, IsHexDigit);
                iToken = kTokUIntConst;
            } else {
                const size_t j = in.Skip(s + 1, IsDigit);
                if (in.At(j) == '.' && IsDigit(in.At(j + 1))) {
                    nEnd = in.Skip(j + 1, IsDigit);
                    iToken = kTokDoubleConst;
                } else {
                    nEnd = j;
                    iToken = kTokIntConst;
                }
            }
        } else {
            switch (c) {
                case '>':
                    if (in.At(s + 1) == '=') nEnd = s + 2, iToken = kTokGe;
                    else iToken = kTokGt;
                    break;
                case '<':
                    if (in.At(s + 1) == '=') nEnd = s + 2, iToken = kTokLe;
                    else if (in.At(s + 1) == '>') nEnd = s + 2, iToken = kTokNe;
                    else iToken = kTokLt;
                    break;
                case '!':
                    if (in.At(s + 1) == '=') nEnd = s + 2, iToken = kTokNe;
                    else iToken = kTokBadChar;
                    break;
                case '=':
                    iToken = lex.bEqMode ? static_cast<int>(kTokEq) : '=';
                    break;
                case '(': case ')': case '*': case '+': case ',': case '-': case '.': case '/': case '^':
                    iToken = c;
                    break;
                default:
                    iToken = kTokBadChar;
                    break;
            }
        }
        if (iToken == kTokBadChar) nEnd = s + 1;
        in.At(nEnd);   // the character beyond the token shows where it ends

        // The token and the character beyond it share the token buffer.
        in.Flush();
        if (in.Extent() - s > kTokenBufferSize) {
            DbsTraceLog("Input string too long, limit %d\r\n", static_cast<int>(kTokenBufferSize));
            SqlRaiseError(ctx, kSqlErrTooLong, nullptr);
            lex.nCursor = lex.nTextLen;
            lex.nTokenLen = 0;
            lex.achToken[0] = '\0';
            return lex.iToken = kTokTooLong;
        }
        lex.nCursor = nEnd;

        if (iToken == kTokBadChar) {
            lex.nTokenLen = 1;
            lex.achToken[0] = static_cast<char>(c);
            lex.achToken[1] = '\0';
            SqlRaiseError(ctx, kSqlErrBadChar, "%c in pos %d", c, lex.iReadPos);
            return lex.iToken = kTokBadChar;
        }

        if (iToken != kTokString) nValueEnd = nEnd;
        const size_t nLen = nValueEnd - nValueBegin;
        if (nLen > 0) std::memcpy(lex.achToken, lex.pchText + nValueBegin, nLen);
        lex.achToken[nLen] = '\0';
        lex.nTokenLen = nLen;
        const std::string_view text(lex.achToken, nLen);

        switch (iToken) {
            case kTokName:
                if (int iKeyword = LookupKeyword(text)) {
                    iToken = iKeyword;
                } else if (const FunctionInfo* ptFunc = LookupFunction(text)) {
                    iToken = kTokFuncName;
                    lex.chFuncCategory = ptFunc->chCategory;
                    lex.chFuncLetter = ptFunc->chLetter;
                }
                break;
            case kTokUIntConst:
                lex.uUIntValue = SaturatingHex(text.substr(2));
                break;
            case kTokIntConst: {
                uint32_t v = SaturatingDecimal(text);
                if (v <= 2147483647u) {
                    lex.iIntValue = static_cast<int32_t>(v);
                } else {
                    iToken = kTokUIntConst;
                    lex.uUIntValue = v;
                }
                break;
            }
            case kTokDoubleConst: {
                double d = 0;
                std::from_chars(text.data(), text.data() + text.size(), d);
                lex.dDoubleValue = d;
                break;
            }
            default:
                break;
        }
        return lex.iToken = iToken;
    }
}

const char* TokenName(int iToken) {
    switch (iToken) {
        case kTokFuncName: return "FUNCNAME";
        case kTokName: return "NAME";
        case kTokString: return "STRING";
        case kTokBadChar: return "BADCHAR";
        case kTokAnd: return "AND";
        case kTokOr: return "OR";
        case kTokXor: return "XOR";
        case kTokBetween: return "BETWEEN";
        case kTokIn: return "IN";
        case kTokNot: return "NOT";
        case kTokLike: return "LIKE";
        case kTokDesc: return "DESC";
        case kTokAsc: return "ASC";
        case kTokDoubleConst: return "DOUBLECONST";
        case kTokIntConst: return "INTCONST";
        case kTokUIntConst: return "UINTCONST";
        case kTokDouble: return "DOUBLE";
        case kTokFloat: return "FLOAT";
        case kTokTinyInt: return "TINYINT";
        case kTokShort: return "SHORT";
        case kTokInt: return "INT";
        case kTokLong: return "LONG";
        case kTokUShort: return "USHORT";
        case kTokUInt: return "UINT";
        case kTokULong: return "ULONG";
        case kTokSelect: return "SELECT";
        case kTokFrom: return "FROM";
        case kTokOrder: return "ORDER";
        case kTokBy: return "BY";
        case kTokWhere: return "WHERE";
        case kTokDelete: return "DELETE";
        case kTokExists: return "EXISTS";
        case kTokUpdate: return "UPDATE";
        case kTokSet: return "SET";
        case kTokEq: return "EQ";
        case kTokGe: return "GE";
        case kTokGt: return "GT";
        case kTokLe: return "LE";
        case kTokLt: return "LT";
        case kTokEnd: return "END";
        case kTokNull: return "NULL";
        case kTokSubstr: return "SUBSTR";
        case kTokNe: return "NE";
        case kTokTooLong: return "TOOLONG";
        case '(': return "'('";
        case ')': return "')'";
        case '*': return "'*'";
        case '+': return "'+'";
        case ',': return "','";
        case '-': return "'-'";
        case '.': return "'.'";
        case '/': return "'/'";
        case '=': return "'='";
        case '^': return "'^'";
        default: return "?";
    }
}

}  // namespace dbs::sql
