/*
 * SQL parser: a hand-written recursive-descent parser for the dialect's LALR(1) grammar, with the semantic
 * actions that build the statement tree.
 *
 * It accepts exactly the statements the grammar accepts. Tokens are read on demand, one token of look-ahead at
 * most, so the lexer meets the characters of a statement in the same order and as far as the table-driven parser
 * would take them, and a character outside the language is reported only when the parser gets to it.
 *
 * Two places need care to stay within one token of look-ahead:
 *  - a select item may begin with "NAME '='" (an alias) or with a column NAME; the NAME is read first and the
 *    expression then continues from it when no '=' follows;
 *  - inside a condition, '(' may open a parenthesised condition or a parenthesised arithmetic expression (a
 *    primary of a predicate); ParenInCondition decides by what follows the inner expression.
 * Casts are only possible at the front of a select item: '(' followed by a type keyword.
 *
 * INSERT, INTO, VALUES, GROUP and HAVING are no keywords of the lexer: they arrive as NAME tokens and are taken as
 * words of the statement only where one of them can stand, so tables and columns of those names keep working.
 *
 * Any failure ends the parse at once: a syntax error writes "yyerror: syntax error", a failing action has raised
 * its SQL error code, a memory shortage stores code 6. Nesting of parentheses and signs is bounded, so no
 * statement can exhaust the stack.
 */
#include "sql/parser.h"

#include <algorithm>
#include <cstring>

#include "runtime/trace_log.h"
#include "sql/keywords.h"
#include "sql/lexer.h"
#include "sql/parser_context.h"
#include "sql/sql_error.h"
#include "sql/statement.h"

namespace dbs::sql {
namespace {

constexpr uint32_t kTableHandleKind = 0x10000u;

int CastTypeOf(int iToken) {
    switch (iToken) {
        case kTokTinyInt: return DB_TINYINT;
        case kTokShort: return DB_SHORT;
        case kTokInt: return DB_INT;
        case kTokLong: return DB_LONG;
        case kTokUShort: return DB_USHORT;
        case kTokUInt: return DB_UINT;
        case kTokULong: return DB_ULONG;
        case kTokFloat: return DB_FLOAT;
        case kTokDouble: return DB_DOUBLE;
        default: return -1;
    }
}

bool StartsExpression(int iToken) {
    switch (iToken) {
        case kTokName: case kTokString: case kTokIntConst: case kTokUIntConst: case kTokDoubleConst:
        case kTokNull: case kTokFuncName: case kTokSubstr: case '(': case '+': case '-':
            return true;
        default:
            return false;
    }
}

// Copies at most nMax characters of src into a zero-terminated array.
template <size_t N>
void CopyName(char (&dst)[N], std::string_view src, size_t nMax = N - 1) {
    size_t n = std::min({src.size(), nMax, N - 1});
    if (n > 0) std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

// Either a condition or an arithmetic expression in parentheses; both null on failure.
struct ParenResult {
    SqlCondition* ptCond = nullptr;
    SqlExpr* ptExpr = nullptr;
};

class Parser {
public:
    explicit Parser(TagSqlParser& ctx) : ctx_(ctx), lex_(ctx.tLex) {}

    int Run() {
        if (!ParseStatement() || !Expect(kTokEnd)) return -1;
        return 0;
    }

private:
    // ---- tokens ----
    int Peek() {
        if (!bHave_) {
            iTok_ = LexNext(ctx_);
            bHave_ = true;
        }
        return iTok_;
    }
    void Advance() { bHave_ = false; }
    std::string_view Text() const { return {lex_.achToken, lex_.nTokenLen}; }
    bool Expect(int iToken) {
        if (Peek() != iToken) return SyntaxError();
        Advance();
        return true;
    }

    // ---- failures: each returns false, callers pass it upwards ----
    bool SyntaxError() {
        // An over-long token has already failed the statement with its own report.
        if (Peek() != kTokTooLong) DbsTraceLog("yyerror: %s\r\n", "syntax error");
        return false;
    }
    bool NoMemory() {
        SqlStoreError(ctx_, kSqlErrNoMemory);
        return false;
    }
    // Where the expression being parsed stands: anywhere, in GROUP BY (no aggregates) or in VALUES (constants).
    enum class Operands { Any, NoAggregates, Constants };

    // A word that is a keyword only at this place of the statement: a NAME spelled that way, in any case.
    bool AtWord(std::string_view word) { return Peek() == kTokName && EqualNoCase(Text(), word); }

    bool Enter() {
        if (++ctx_.iDepth > kMaxParseDepth) {
            DbsTraceLog("yyerror: %s\r\n", "yacc stack overflow");
            return false;
        }
        return true;
    }
    void Leave() { --ctx_.iDepth; }

    // ---- statements ----
    bool ParseStatement() {
        switch (Peek()) {
            case kTokSelect: return ParseSelect();
            case kTokDelete: return ParseSingleTable(StatementKind::Delete);
            case kTokExists: return ParseSingleTable(StatementKind::Exists);
            case kTokUpdate: return ParseUpdate();
            case kTokName:
                if (AtWord("INSERT")) return ParseInsert();
                return SyntaxError();
            default: return SyntaxError();
        }
    }

    bool ParseSelect() {
        Advance();
        if (Peek() == '*') {
            Advance();
            if (!Expect(kTokFrom) || !ParseTableList() || !ExpandStar()) return false;
        } else {
            if (!ParseSelectList() || !Expect(kTokFrom) || !ParseTableList()) return false;
        }
        ctx_.eKind = StatementKind::Select;
        if (Peek() == kTokWhere && !ParseWhere()) return false;
        if (AtWord("GROUP") && !ParseGroup()) return false;
        if (Peek() == kTokOrder && !ParseOrder()) return false;
        return true;
    }

    // DELETE FROM NAME [WHERE ...] and EXISTS FROM NAME [WHERE ...].
    bool ParseSingleTable(StatementKind eKind) {
        Advance();
        if (!Expect(kTokFrom)) return false;
        if (Peek() != kTokName) return SyntaxError();
        Advance();
        if (!AddTable()) return false;
        ctx_.eKind = eKind;
        if (Peek() == kTokWhere) return ParseWhere();
        return true;
    }

    bool ParseUpdate() {
        Advance();
        if (Peek() != kTokName) return SyntaxError();
        Advance();
        if (!AddTable()) return false;
        ctx_.eKind = StatementKind::Update;
        if (!Expect(kTokSet)) return false;
        for (;;) {
            if (!ParseAssignment()) return false;
            if (Peek() != ',') break;
            Advance();
        }
        if (Peek() == kTokWhere) return ParseWhere();
        return true;
    }

    bool ParseAssignment() {
        if (Peek() != kTokName) return SyntaxError();
        SaveName();
        Advance();
        SqlColumnRef* ptColumn = ColumnFromSavedName();
        if (ptColumn == nullptr || !Expect('=')) return false;
        SqlExpr* ptExpr = ParseExpression();
        if (ptExpr == nullptr) return false;
        if (ctx_.iSetNum >= kMaxSetEntries) {
            return SqlRaiseError(ctx_, kSqlErrColumnLimit, "set columns limit %d", kMaxSetEntries), false;
        }
        SqlSetEntry& e = ctx_.atSet[ctx_.iSetNum++];
        e.ptColumn = ptColumn;
        e.ptExpr = ptExpr;
        return true;
    }

    // INSERT INTO NAME ['(' NAME {',' NAME} ')'] VALUES '(' expression {',' expression} ')' {',' '(' ... ')'}
    bool ParseInsert() {
        Advance();
        if (!AtWord("INTO")) return SyntaxError();
        Advance();
        if (Peek() != kTokName) return SyntaxError();
        Advance();
        if (!AddTable()) return false;
        ctx_.eKind = StatementKind::Insert;
        if (Peek() == '(') {
            Advance();
            for (;;) {
                if (Peek() != kTokName) return SyntaxError();
                SqlColumnRef* ptColumn = FindOrCreateColumn({}, Text());
                if (ptColumn == nullptr || !AddInsertColumn(ptColumn)) return false;
                Advance();
                if (Peek() != ',') break;
                Advance();
            }
            if (!Expect(')')) return false;
        } else {
            // Every field in table order: no list, the driver takes the fields from the table itself.
            ctx_.iInsertColumnNum = DbsGetDomainNum(kTableHandleKind | ctx_.atTable[0].wTableNo);
        }
        if (!AtWord("VALUES")) return SyntaxError();
        Advance();
        operands_ = Operands::Constants;
        SqlInsertRow** pptTail = &ctx_.ptInsertRows;
        for (;;) {
            auto* ptRow = ctx_.tArena.New<SqlInsertRow>();
            if (ptRow == nullptr) return NoMemory();
            if (!Expect('(')) return false;
            SqlExprList** pptValue = &ptRow->ptValues;
            for (;;) {
                SqlExpr* ptValue = ParseExpression();
                if (ptValue == nullptr) return false;
                auto* ptNode = ctx_.tArena.New<SqlExprList>();
                if (ptNode == nullptr) return NoMemory();
                ptNode->ptExpr = ptValue;
                *pptValue = ptNode;
                pptValue = &ptNode->ptNext;
                ++ptRow->iCount;
                if (Peek() != ',') break;
                Advance();
            }
            if (!Expect(')')) return false;
            if (ptRow->iCount != ctx_.iInsertColumnNum) {
                return SqlRaiseError(ctx_, kSqlErrStatement, "%d values for %d columns", ptRow->iCount,
                                     ctx_.iInsertColumnNum),
                       false;
            }
            *pptTail = ptRow;
            pptTail = &ptRow->ptNext;
            if (Peek() != ',') return true;
            Advance();
        }
    }

    // Appends a column to the INSERT's column list; a column named twice fails the statement.
    bool AddInsertColumn(SqlColumnRef* ptColumn) {
        for (const SqlExprList* p = ctx_.ptInsertColumns; p != nullptr; p = p->ptNext) {
            if (p->ptExpr->ptColumn == ptColumn) {
                return SqlRaiseError(ctx_, kSqlErrColumnNumber, "%s named twice", ptColumn->achColumnName), false;
            }
        }
        SqlExpr* ptLeaf = NewLeaf('f');
        auto* ptNode = ptLeaf == nullptr ? nullptr : ctx_.tArena.New<SqlExprList>();
        if (ptNode == nullptr) return NoMemory();
        ptLeaf->ptColumn = ptColumn;
        ptNode->ptExpr = ptLeaf;
        *pptInsertTail_ = ptNode;
        pptInsertTail_ = &ptNode->ptNext;
        ++ctx_.iInsertColumnNum;
        return true;
    }

    // ---- GROUP BY and HAVING ----
    bool ParseGroup() {
        Advance();
        if (!Expect(kTokBy)) return false;
        operands_ = Operands::NoAggregates;
        for (;;) {
            SqlExpr* ptExpr = ParseExpression();
            if (ptExpr == nullptr) return false;
            if (ctx_.iGroupNum >= kMaxGroupKeys) {
                return SqlRaiseError(ctx_, kSqlErrColumnLimit, "group columns limit %d", kMaxGroupKeys), false;
            }
            ctx_.aptGroup[ctx_.iGroupNum++] = ptExpr;
            if (Peek() != ',') break;
            Advance();
        }
        operands_ = Operands::Any;
        if (!AtWord("HAVING")) return true;
        Advance();
        lex_.bEqMode = true;   // as after WHERE, "=" is the comparison
        ctx_.ptHaving = ParseCondition();
        return ctx_.ptHaving != nullptr;
    }

    // ---- FROM tables ----
    bool ParseTableList() {
        for (;;) {
            if (Peek() != kTokName) return SyntaxError();
            Advance();
            if (!AddTable()) return false;
            if (Peek() != ',') return true;
            Advance();
        }
    }

    // Adds the table named by the token just read.
    bool AddTable() {
        if (ctx_.iTableNum >= kMaxFromTables) {
            return SqlRaiseError(ctx_, kSqlErrTableLimit, "table limit %d", kMaxFromTables), false;
        }
        SqlFromTable& t = ctx_.atTable[ctx_.iTableNum];
        CopyName(t.achTableName, Text());
        uint32_t hTable = DbsGetTableHandle(lex_.achToken);
        if (hTable == 0) return SqlRaiseError(ctx_, kSqlErrTableNotFound, "%s", lex_.achToken), false;
        t.wTableNo = static_cast<uint16_t>(hTable & 0xFFFFu);
        ++ctx_.iTableNum;
        return true;
    }

    // Calls fn(field name) for every field of a FROM table, in field order.
    template <typename Fn>
    bool EachField(const SqlFromTable& t, Fn&& fn) {
        const uint32_t hTable = kTableHandleKind | t.wTableNo;
        const int nFields = DbsGetDomainNum(hTable);
        for (int f = 0; f < nFields; ++f) {
            const TagDMForm* ptField = DbsGetDomainName(hTable, static_cast<uint8_t>(f));
            if (ptField == nullptr) continue;
            const char* pchName = ptField->achDMName;
            const std::string_view name(
                pchName, static_cast<size_t>(std::find(pchName, pchName + sizeof ptField->achDMName, '\0') - pchName));
            if (!fn(name)) return false;
        }
        return true;
    }

    // SELECT *: every field of every FROM table, in order.
    bool ExpandStar() {
        for (int i = 0; i < ctx_.iTableNum; ++i) {
            const SqlFromTable& t = ctx_.atTable[i];
            const bool ok = EachField(t, [&](std::string_view name) {
                SqlColumnRef* ptColumn = FindOrCreateColumn(t.achTableName, name);
                SqlExpr* ptExpr = ptColumn == nullptr ? nullptr : NewLeaf('f');
                if (ptExpr == nullptr) return false;
                ptExpr->ptColumn = ptColumn;
                return AddSelectEntry(ptExpr, -1, name);
            });
            if (!ok) return false;
        }
        return true;
    }

    // ---- select list ----
    bool ParseSelectList() {
        for (;;) {
            if (!ParseSelectItem()) return false;
            if (Peek() != ',') return true;
            Advance();
        }
    }

    bool ParseSelectItem() {
        char achAlias[kAliasMaxLen + 1] = {};
        bool bAlias = false;
        SqlExpr* ptExpr = nullptr;
        if (Peek() == kTokName) {
            SaveName();
            Advance();
            if (Peek() == '=') {
                Advance();
                bAlias = true;
                CopyName(achAlias, SavedName(), kAliasMaxLen);
            } else {
                SqlExpr* ptFirst = ColumnLeafFromSavedName();
                if (ptFirst == nullptr) return false;
                ptExpr = ExpressionFrom(ptFirst);
                if (ptExpr == nullptr) return false;
            }
        }
        int iCast = -1;
        if (ptExpr == nullptr) {
            if (Peek() == '(') {
                Advance();
                if (int iType = CastTypeOf(Peek()); iType >= 0) {
                    Advance();
                    if (!Expect(')')) return false;
                    iCast = iType;
                    ptExpr = ParseExpression();
                } else {
                    SqlExpr* ptFirst = ParenthesisedRest();
                    if (ptFirst == nullptr) return false;
                    ptExpr = ExpressionFrom(ptFirst);
                }
            } else {
                ptExpr = ParseExpression();
            }
            if (ptExpr == nullptr) return false;
        }
        std::string_view name;
        if (bAlias) {
            name = achAlias;
        } else if (ptExpr->chKind == 'l' && ptExpr->chLeaf == 'f') {
            name = ptExpr->ptColumn->achColumnName;
        }
        return AddSelectEntry(ptExpr, iCast, name);
    }

    bool AddSelectEntry(SqlExpr* ptExpr, int iCast, std::string_view name) {
        if (ctx_.iSelectNum >= kMaxSelectEntries) {
            return SqlRaiseError(ctx_, kSqlErrColumnLimit, "select columns limit %d", kMaxSelectEntries), false;
        }
        SqlSelectEntry& e = ctx_.atSelect[ctx_.iSelectNum++];
        CopyName(e.achName, name);
        e.ptExpr = ptExpr;
        e.iCastType = iCast;
        return true;
    }

    // ---- ORDER BY ----
    bool ParseOrder() {
        Advance();
        if (!Expect(kTokBy)) return false;
        for (;;) {
            if (!ParseSortKey()) return false;
            if (Peek() != ',') return true;
            Advance();
        }
    }

    bool ParseSortKey() {
        int iNumber = 0;
        bool bByName = false;
        if (Peek() == kTokIntConst) {
            iNumber = lex_.iIntValue;
            Advance();
        } else if (Peek() == kTokName) {
            SaveName();
            Advance();
            bByName = true;
        } else {
            return SyntaxError();
        }
        char chDirection = 'a';
        if (Peek() == kTokAsc || Peek() == kTokDesc) {
            chDirection = Peek() == kTokAsc ? 'a' : 'd';
            Advance();
        }
        if (bByName) {
            const std::string_view name = SavedName();
            for (int i = 0; i < ctx_.iSelectNum && iNumber == 0; ++i) {
                if (EqualNoCase(ctx_.atSelect[i].achName, name)) iNumber = i + 1;
            }
            if (iNumber == 0) return SqlRaiseError(ctx_, kSqlErrSortName, "%s", achSaved_), false;
        } else if (iNumber < 1 || iNumber > ctx_.iSelectNum) {
            return SqlRaiseError(ctx_, kSqlErrColumnNumber, "%d", iNumber), false;
        }
        if (ctx_.iSortNum >= kMaxSortKeys) {
            return SqlRaiseError(ctx_, kSqlErrSortLimit, "sort columns limit %d", kMaxSortKeys), false;
        }
        ctx_.atSort[ctx_.iSortNum++] = SqlSortKey{chDirection, iNumber - 1};
        return true;
    }

    // ---- WHERE ----
    bool ParseWhere() {
        Advance();
        lex_.bEqMode = true;   // from here on "=" is the comparison
        ctx_.ptWhere = ParseCondition();
        return ctx_.ptWhere != nullptr;
    }

    SqlCondition* ParseCondition() {
        SqlCondition* ptCond = ParseConjunction();
        return ptCond == nullptr ? nullptr : ConditionRest(ptCond);
    }

    // Continues "c OR ..." / "c XOR ..." from a complete conjunction.
    SqlCondition* ConditionRest(SqlCondition* ptCond) {
        while (ptCond != nullptr && (Peek() == kTokOr || Peek() == kTokXor)) {
            const Connective eConn = Peek() == kTokOr ? Connective::Or : Connective::Xor;
            Advance();
            SqlCondition* ptRight = ParseConjunction();
            ptCond = ptRight == nullptr ? nullptr : NewCondition(eConn, ptCond, ptRight);
        }
        return ptCond;
    }

    SqlCondition* ParseConjunction() {
        SqlCondition* ptCond = ParseConditionTerm();
        return ptCond == nullptr ? nullptr : ConjunctionRest(ptCond);
    }

    SqlCondition* ConjunctionRest(SqlCondition* ptCond) {
        while (ptCond != nullptr && Peek() == kTokAnd) {
            Advance();
            SqlCondition* ptRight = ParseConditionTerm();
            ptCond = ptRight == nullptr ? nullptr : NewCondition(Connective::And, ptCond, ptRight);
        }
        return ptCond;
    }

    SqlCondition* ParseConditionTerm() {
        if (Peek() != '(') {
            SqlExpr* ptLeft = ParseExpression();
            return ptLeft == nullptr ? nullptr : ParsePredicate(ptLeft);
        }
        Advance();
        if (!Enter()) return nullptr;
        ParenResult r = ParenInCondition();
        Leave();
        if (r.ptCond != nullptr) return r.ptCond;
        if (r.ptExpr == nullptr) return nullptr;
        // "( additive )" was the first primary of a predicate's left side.
        SqlExpr* ptLeft = ExpressionFrom(r.ptExpr);
        return ptLeft == nullptr ? nullptr : ParsePredicate(ptLeft);
    }

    // After '(' inside a condition: reads up to and including the matching ')'.
    ParenResult ParenInCondition() {
        SqlExpr* ptFirst = nullptr;
        if (Peek() == '(') {
            Advance();
            if (!Enter()) return {};
            ParenResult inner = ParenInCondition();
            Leave();
            if (inner.ptCond != nullptr) {
                SqlCondition* ptCond = ConditionRest(ConjunctionRest(inner.ptCond));
                if (ptCond == nullptr || !Expect(')')) return {};
                return {ptCond, nullptr};
            }
            if (inner.ptExpr == nullptr) return {};
            ptFirst = inner.ptExpr;
        } else {
            if (!StartsExpression(Peek())) return SyntaxError(), ParenResult{};
            ptFirst = ParsePrimary();
            if (ptFirst == nullptr) return {};
        }
        SqlExpr* ptLeft = nullptr;
        if (Peek() == '^') {
            ptLeft = ChainRest(ptFirst);
        } else {
            ptLeft = AdditiveRest(TermRest(ptFirst));
            if (ptLeft == nullptr) return {};
            if (Peek() == ')') {   // a parenthesised arithmetic expression
                Advance();
                return {nullptr, ptLeft};
            }
        }
        if (ptLeft == nullptr) return {};
        SqlCondition* ptCond = ParsePredicate(ptLeft);
        ptCond = ptCond == nullptr ? nullptr : ConditionRest(ConjunctionRest(ptCond));
        if (ptCond == nullptr || !Expect(')')) return {};
        return {ptCond, nullptr};
    }

    // expression [NOT] comparator | BETWEEN | IN | LIKE ...: a leaf condition.
    SqlCondition* ParsePredicate(SqlExpr* ptLeft) {
        auto* ptPred = ctx_.tArena.New<SqlPredicate>();
        if (ptPred == nullptr) return NoMemory(), nullptr;
        ptPred->ptLeft = ptLeft;
        if (Peek() == kTokNot) {
            Advance();
            ptPred->byNot = 1;
        }
        switch (Peek()) {
            case kTokEq: case kTokNe: case kTokLt: case kTokLe: case kTokGt: case kTokGe: {
                ptPred->eOp = ComparatorOf(Peek());
                Advance();
                ptPred->ptRight = ParseExpression();
                if (ptPred->ptRight == nullptr) return nullptr;
                break;
            }
            case kTokBetween:
                Advance();
                ptPred->eOp = PredicateOp::Between;
                ptPred->ptLow = ParseExpression();
                if (ptPred->ptLow == nullptr || !Expect(kTokAnd)) return nullptr;
                ptPred->ptHigh = ParseExpression();
                if (ptPred->ptHigh == nullptr) return nullptr;
                break;
            case kTokIn: {
                Advance();
                ptPred->eOp = PredicateOp::In;
                if (!Expect('(')) return nullptr;
                SqlExprList** pptTail = &ptPred->ptInList;
                for (;;) {
                    SqlExpr* ptItem = ParseExpression();
                    if (ptItem == nullptr) return nullptr;
                    auto* ptNode = ctx_.tArena.New<SqlExprList>();
                    if (ptNode == nullptr) return NoMemory(), nullptr;
                    ptNode->ptExpr = ptItem;
                    *pptTail = ptNode;
                    pptTail = &ptNode->ptNext;
                    if (Peek() != ',') break;
                    Advance();
                }
                if (!Expect(')')) return nullptr;
                break;
            }
            case kTokLike:
                Advance();
                ptPred->eOp = PredicateOp::Like;
                if (Peek() != kTokString) return SyntaxError(), nullptr;
                if (!MakeString(ptPred->tPattern)) return nullptr;
                Advance();
                break;
            default:
                return SyntaxError(), nullptr;
        }
        SqlCondition* ptCond = NewCondition(Connective::None, nullptr, nullptr);
        if (ptCond != nullptr) ptCond->ptPredicate = ptPred;
        return ptCond;
    }

    static PredicateOp ComparatorOf(int iToken) {
        switch (iToken) {
            case kTokEq: return PredicateOp::Eq;
            case kTokNe: return PredicateOp::Ne;
            case kTokLt: return PredicateOp::Lt;
            case kTokLe: return PredicateOp::Le;
            case kTokGt: return PredicateOp::Gt;
            default: return PredicateOp::Ge;
        }
    }

    SqlCondition* NewCondition(Connective eConn, SqlCondition* ptLeft, SqlCondition* ptRight) {
        auto* ptCond = ctx_.tArena.New<SqlCondition>();
        if (ptCond == nullptr) return NoMemory(), nullptr;
        ptCond->eConn = eConn;
        ptCond->ptLeft = ptLeft;
        ptCond->ptRight = ptRight;
        return ptCond;
    }

    // ---- expressions ----
    SqlExpr* ParseExpression() {
        SqlExpr* ptFirst = ParsePrimary();
        return ptFirst == nullptr ? nullptr : ExpressionFrom(ptFirst);
    }

    // An expression whose first primary has been read: a '^' chain or an additive expression.
    SqlExpr* ExpressionFrom(SqlExpr* ptFirst) {
        if (Peek() == '^') return ChainRest(ptFirst);
        return AdditiveRest(TermRest(ptFirst));
    }

    // primary '^' primary {'^' primary}: the value is the first primary, the others are parsed for nothing.
    SqlExpr* ChainRest(SqlExpr* ptFirst) {
        while (Peek() == '^') {
            Advance();
            if (ParsePrimary() == nullptr) return nullptr;
        }
        return ptFirst;
    }

    SqlExpr* ParseAdditive() {
        SqlExpr* ptFirst = ParsePrimary();
        return ptFirst == nullptr ? nullptr : AdditiveRest(TermRest(ptFirst));
    }

    SqlExpr* AdditiveRest(SqlExpr* ptLeft) {
        while (ptLeft != nullptr && (Peek() == '+' || Peek() == '-')) {
            const char chOp = static_cast<char>(Peek());
            Advance();
            SqlExpr* ptFirst = ParsePrimary();
            SqlExpr* ptRight = ptFirst == nullptr ? nullptr : TermRest(ptFirst);
            ptLeft = ptRight == nullptr ? nullptr : NewOperator(chOp, ptLeft, ptRight);
        }
        return ptLeft;
    }

    SqlExpr* TermRest(SqlExpr* ptLeft) {
        while (ptLeft != nullptr && (Peek() == '*' || Peek() == '/')) {
            const char chOp = static_cast<char>(Peek());
            Advance();
            SqlExpr* ptRight = ParsePrimary();
            ptLeft = ptRight == nullptr ? nullptr : NewOperator(chOp, ptLeft, ptRight);
        }
        return ptLeft;
    }

    // After '(' of a primary: additive ')'.
    SqlExpr* ParenthesisedRest() {
        if (!Enter()) return nullptr;
        SqlExpr* ptExpr = ParseAdditive();
        Leave();
        if (ptExpr == nullptr || !Expect(')')) return nullptr;
        return ptExpr;
    }

    SqlExpr* ParsePrimary() {
        switch (Peek()) {
            case kTokName:
                SaveName();
                Advance();
                return ColumnLeafFromSavedName();
            case kTokString: {
                SqlExpr* ptLeaf = NewLeaf('v');
                if (ptLeaf == nullptr || !MakeString(ptLeaf->tValue)) return nullptr;
                Advance();
                return ptLeaf;
            }
            case kTokIntConst: case kTokUIntConst: case kTokDoubleConst: case kTokNull: {
                SqlExpr* ptLeaf = NewLeaf('v');
                if (ptLeaf == nullptr) return nullptr;
                TagSqlValue& v = ptLeaf->tValue;
                switch (Peek()) {
                    case kTokIntConst: v.chType = DB_LONG; v.lLong = lex_.iIntValue; break;
                    case kTokUIntConst: v.chType = DB_ULONG; v.ulULong = lex_.uUIntValue; break;
                    case kTokDoubleConst: v.chType = DB_DOUBLE; v.dDouble = lex_.dDoubleValue; break;
                    default: v.chType = DB_NULL; break;
                }
                Advance();
                return ptLeaf;
            }
            case kTokFuncName: return ParseCall();
            case kTokSubstr: return ParseSubstr();
            case '(':
                Advance();
                return ParenthesisedRest();
            case '+':
            case '-': {
                const char chSign = static_cast<char>(Peek());
                Advance();
                if (!Enter()) return nullptr;
                SqlExpr* ptOperand = ParsePrimary();
                Leave();
                if (ptOperand != nullptr) ptOperand->chSign = chSign;
                return ptOperand;
            }
            default:
                return SyntaxError(), nullptr;
        }
    }

    // FUNCNAME '(' expression ')' or FUNCNAME '(' '*' ')'.
    SqlExpr* ParseCall() {
        char achName[16];   // function names are short words of the function table
        CopyName(achName, Text());
        const char chCategory = lex_.chFuncCategory;
        const char chLetter = lex_.chFuncLetter;
        Advance();
        if (!Expect('(')) return nullptr;
        SqlExpr* ptArg = nullptr;
        const bool bStar = Peek() == '*';
        if (bStar) {
            Advance();
        } else {
            if (!Enter()) return nullptr;
            ptArg = ParseExpression();
            Leave();
            if (ptArg == nullptr) return nullptr;
        }
        if (!Expect(')')) return nullptr;

        if (chCategory == 'D' || (bStar && !(chCategory == 'c' && chLetter == 'C')) ||
            (chCategory == 'c' && operands_ != Operands::Any)) {
            return SqlRaiseError(ctx_, kSqlErrFunction, "%s", achName), nullptr;
        }
        if (chCategory == 'z') {
            SqlExpr* ptLeaf = NewLeaf('z');
            if (ptLeaf == nullptr) return nullptr;
            ptLeaf->chFunc = chLetter;
            ptLeaf->ptArg = ptArg;
            return ptLeaf;
        }
        auto* ptAgg = ctx_.tArena.New<SqlAggregate>();
        SqlExpr* ptLeaf = ptAgg == nullptr ? nullptr : NewLeaf('c');
        if (ptLeaf == nullptr) return NoMemory(), nullptr;
        ptAgg->chFunc = chLetter;
        ptAgg->ptArg = ptArg;
        ptAgg->tAccum.chType = static_cast<int8_t>(DB_EMPTY);
        ptAgg->tOutput.chType = static_cast<int8_t>(DB_EMPTY);
        if (ctx_.ptAggLast == nullptr) {
            ctx_.ptAggFirst = ptAgg;
        } else {
            ctx_.ptAggLast->ptNext = ptAgg;
        }
        ctx_.ptAggLast = ptAgg;
        ptLeaf->ptAggregate = ptAgg;
        return ptLeaf;
    }

    // SUBSTR '(' expression ',' expression ',' expression ')': kept in the tree, refused when evaluated.
    SqlExpr* ParseSubstr() {
        Advance();
        if (!Expect('(')) return nullptr;
        SqlExpr* aptArg[3] = {};
        if (!Enter()) return nullptr;
        for (int i = 0; i < 3; ++i) {
            if (i > 0 && !Expect(',')) return Leave(), nullptr;
            aptArg[i] = ParseExpression();
            if (aptArg[i] == nullptr) return Leave(), nullptr;
        }
        Leave();
        if (!Expect(')')) return nullptr;
        SqlExpr* ptLeaf = NewLeaf('s');
        if (ptLeaf == nullptr) return nullptr;
        std::copy(std::begin(aptArg), std::end(aptArg), ptLeaf->aptSubstrArg);
        return ptLeaf;
    }

    SqlExpr* NewLeaf(char chLeaf) {
        auto* ptExpr = ctx_.tArena.New<SqlExpr>();
        if (ptExpr == nullptr) return NoMemory(), nullptr;
        ptExpr->chKind = 'l';
        ptExpr->chSign = '+';
        ptExpr->chLeaf = chLeaf;
        return ptExpr;
    }

    SqlExpr* NewOperator(char chOp, SqlExpr* ptLeft, SqlExpr* ptRight) {
        auto* ptExpr = ctx_.tArena.New<SqlExpr>();
        if (ptExpr == nullptr) return NoMemory(), nullptr;
        ptExpr->chKind = 'n';
        ptExpr->chSign = '+';
        ptExpr->chOp = chOp;
        ptExpr->ptLeft = ptLeft;
        ptExpr->ptRight = ptRight;
        return ptExpr;
    }

    // A DB_STRING value owning a copy of the current STRING token (with its terminating zero), registered for
    // release with the statement.
    bool MakeString(TagSqlValue& v) {
        auto* ptOwned = ctx_.tArena.New<SqlOwnedValue>();
        if (ptOwned == nullptr) return NoMemory();
        auto* pchCopy = static_cast<char*>(DbsMalloc(lex_.nTokenLen + 1));
        if (pchCopy == nullptr) return NoMemory();
        std::memcpy(pchCopy, lex_.achToken, lex_.nTokenLen + 1);
        v.chType = DB_STRING;
        v.pData = pchCopy;
        v.dwLength = static_cast<uint32_t>(lex_.nTokenLen + 1);
        v.chStorage = DBS_STORAGE_OWNED;
        ptOwned->ptValue = &v;
        ptOwned->ptNext = ctx_.ptOwnedValues;
        ctx_.ptOwnedValues = ptOwned;
        return true;
    }

    // ---- column references ----
    void SaveName() {
        std::memcpy(achSaved_, lex_.achToken, lex_.nTokenLen + 1);
        nSaved_ = lex_.nTokenLen;
    }
    std::string_view SavedName() const { return {achSaved_, nSaved_}; }

    // The saved NAME begins a column: NAME or NAME '.' NAME.
    SqlColumnRef* ColumnFromSavedName() {
        if (Peek() != '.') return FindOrCreateColumn({}, SavedName());
        Advance();
        if (Peek() != kTokName) return SyntaxError(), nullptr;
        Advance();
        return FindOrCreateColumn(SavedName(), Text());
    }

    SqlExpr* ColumnLeafFromSavedName() {
        if (operands_ == Operands::Constants) {
            return SqlRaiseError(ctx_, kSqlErrExpression, "%s is no constant value", achSaved_), nullptr;
        }
        SqlColumnRef* ptColumn = ColumnFromSavedName();
        if (ptColumn == nullptr) return nullptr;
        SqlExpr* ptLeaf = NewLeaf('f');
        if (ptLeaf != nullptr) ptLeaf->ptColumn = ptColumn;
        return ptLeaf;
    }

    // The reference for (table, column), created at the end of the list on first mention. A name too long for
    // any table or field of the store can never be resolved: it fails here as it would at resolution.
    SqlColumnRef* FindOrCreateColumn(std::string_view table, std::string_view column) {
        if (table.size() >= kSqlNameSize || column.size() >= kSqlNameSize) {
            char achColumn[kTokenBufferSize];
            CopyName(achColumn, column);
            return SqlRaiseError(ctx_, kSqlErrFieldRef, "%s", achColumn), nullptr;
        }
        for (SqlColumnRef* r = ctx_.ptColumnFirst; r != nullptr; r = r->ptNext) {
            if (table == r->achTableName && column == r->achColumnName) return r;
        }
        auto* r = ctx_.tArena.New<SqlColumnRef>();
        if (r == nullptr) return NoMemory(), nullptr;
        CopyName(r->achTableName, table);
        CopyName(r->achColumnName, column);
        r->iTableIndex = -1;
        if (ctx_.ptColumnLast == nullptr) {
            ctx_.ptColumnFirst = r;
        } else {
            ctx_.ptColumnLast->ptNext = r;
        }
        ctx_.ptColumnLast = r;
        return r;
    }

    TagSqlParser& ctx_;
    SqlLexState& lex_;
    int iTok_ = 0;
    bool bHave_ = false;
    Operands operands_ = Operands::Any;
    SqlExprList** pptInsertTail_ = &ctx_.ptInsertColumns;
    char achSaved_[kTokenBufferSize] = {};
    size_t nSaved_ = 0;
};

}  // namespace

int Parse(TagSqlParser& ctx, std::string_view text) {
    ResetContext(ctx);
    LexReset(ctx, text);
    Parser parser(ctx);
    if (parser.Run() == 0) return 0;
    ReleaseStatement(ctx);   // no partial tree is left behind; the error code and text stay
    return -1;
}

}  // namespace dbs::sql
