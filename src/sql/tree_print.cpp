/*
 * Printed form of a statement tree. Not used on any statement path; it exists so that tests can state the tree
 * a statement must build in one readable line.
 */
#include "sql/tree_print.h"

#include <cstdio>
#include <string_view>

#include "sql/parser_context.h"
#include "sql/statement.h"

namespace dbs::sql {
namespace {

const char* TypeName(int iType) {
    switch (iType) {
        case DB_TINYINT: return "DB_TINYINT";
        case DB_SHORT: return "DB_SHORT";
        case DB_INT: return "DB_INT";
        case DB_LONG: return "DB_LONG";
        case DB_USHORT: return "DB_USHORT";
        case DB_UINT: return "DB_UINT";
        case DB_ULONG: return "DB_ULONG";
        case DB_FLOAT: return "DB_FLOAT";
        case DB_DOUBLE: return "DB_DOUBLE";
        default: return "?";
    }
}

const char* FunctionName(char chFunc, char chLeaf) {
    if (chLeaf == 'c') {
        switch (chFunc) {
            case 'a': return "AVG";
            case 'C': return "COUNT";
            case 'M': return "MAX";
            case 'm': return "MIN";
            case 's': return "SUM";
            default: return "?";
        }
    }
    switch (chFunc) {
        case 'l': return "LOWER";
        case 'L': return "STRLEN";
        case 't': return "TRIM";
        case 'u': return "UPPER";
        default: return "?";
    }
}

void AppendValue(std::string& out, const TagSqlValue& v) {
    char buf[64];
    switch (v.chType) {
        case DB_LONG: std::snprintf(buf, sizeof buf, "%d", v.lLong); break;
        case DB_ULONG: std::snprintf(buf, sizeof buf, "%uu", v.ulULong); break;
        case DB_DOUBLE: std::snprintf(buf, sizeof buf, "%gd", v.dDouble); break;
        case DB_NULL: std::snprintf(buf, sizeof buf, "NULL"); break;
        case DB_STRING:
            out += '\'';
            if (v.pData != nullptr && v.dwLength > 1) out.append(static_cast<const char*>(v.pData), v.dwLength - 1);
            out += '\'';
            return;
        default: std::snprintf(buf, sizeof buf, "?"); break;
    }
    out += buf;
}

const char* OpName(PredicateOp e) {
    switch (e) {
        case PredicateOp::Eq: return "EQ";
        case PredicateOp::Ne: return "NE";
        case PredicateOp::Lt: return "LT";
        case PredicateOp::Le: return "LE";
        case PredicateOp::Gt: return "GT";
        case PredicateOp::Ge: return "GE";
        case PredicateOp::Between: return "BETWEEN";
        case PredicateOp::In: return "IN";
        case PredicateOp::Like: return "LIKE";
    }
    return "?";
}

void AppendColumn(std::string& out, const SqlColumnRef* r) {
    if (r == nullptr) {
        out += '?';
        return;
    }
    if (r->achTableName[0] != '\0') {
        out += r->achTableName;
        out += '.';
    }
    out += r->achColumnName;
}

void AppendExpr(std::string& out, const SqlExpr* e) {
    if (e == nullptr) {
        out += '?';
        return;
    }
    if (e->chSign == '-') out += '-';
    if (e->chKind == 'n') {
        out += '(';
        out += e->chOp;
        out += ' ';
        AppendExpr(out, e->ptLeft);
        out += ' ';
        AppendExpr(out, e->ptRight);
        out += ')';
        return;
    }
    switch (e->chLeaf) {
        case 'v': AppendValue(out, e->tValue); break;
        case 'f': AppendColumn(out, e->ptColumn); break;
        case 'c':
            out += FunctionName(e->ptAggregate->chFunc, 'c');
            out += '(';
            if (e->ptAggregate->ptArg != nullptr) {
                AppendExpr(out, e->ptAggregate->ptArg);
            } else {
                out += '*';
            }
            out += ')';
            break;
        case 'z':
            out += FunctionName(e->chFunc, 'z');
            out += '(';
            AppendExpr(out, e->ptArg);
            out += ')';
            break;
        case 's':
            out += "SUBSTR(";
            for (int i = 0; i < 3; ++i) {
                if (i > 0) out += ',';
                AppendExpr(out, e->aptSubstrArg[i]);
            }
            out += ')';
            break;
        default: out += '?'; break;
    }
}

void AppendPredicate(std::string& out, const SqlPredicate* p) {
    out += '(';
    if (p->byNot) out += "NOT ";
    out += OpName(p->eOp);
    out += ' ';
    AppendExpr(out, p->ptLeft);
    out += ' ';
    switch (p->eOp) {
        case PredicateOp::Between:
            AppendExpr(out, p->ptLow);
            out += ' ';
            AppendExpr(out, p->ptHigh);
            break;
        case PredicateOp::In:
            out += '[';
            for (const SqlExprList* l = p->ptInList; l != nullptr; l = l->ptNext) {
                AppendExpr(out, l->ptExpr);
                if (l->ptNext != nullptr) out += ' ';
            }
            out += ']';
            break;
        case PredicateOp::Like: AppendValue(out, p->tPattern); break;
        default: AppendExpr(out, p->ptRight); break;
    }
    out += ')';
}

void AppendCondition(std::string& out, const SqlCondition* c) {
    if (c == nullptr) {
        out += '?';
        return;
    }
    const char* pchConn = nullptr;
    switch (c->eConn) {
        case Connective::None:
            if (c->ptPredicate != nullptr) {
                AppendPredicate(out, c->ptPredicate);
            } else {
                out += '?';
            }
            return;
        case Connective::And: pchConn = "(AND "; break;
        case Connective::Or: pchConn = "(OR "; break;
        case Connective::Xor: pchConn = "(XOR "; break;
    }
    out += pchConn;
    AppendCondition(out, c->ptLeft);
    out += ' ';
    AppendCondition(out, c->ptRight);
    out += ')';
}

}  // namespace

std::string PrintExpr(const SqlExpr* ptExpr) {
    std::string out;
    AppendExpr(out, ptExpr);
    return out;
}

std::string PrintCondition(const SqlCondition* ptCond) {
    std::string out;
    AppendCondition(out, ptCond);
    return out;
}

std::string PrintColumns(const TagSqlParser& ctx) {
    std::string out;
    for (const SqlColumnRef* r = ctx.ptColumnFirst; r != nullptr; r = r->ptNext) {
        if (!out.empty()) out += ' ';
        AppendColumn(out, r);
    }
    return out;
}

std::string PrintStatement(const TagSqlParser& ctx) {
    std::string out;
    auto tables = [&] {
        for (int i = 0; i < ctx.iTableNum; ++i) {
            if (i > 0) out += ", ";
            out += ctx.atTable[i].achTableName;
        }
    };
    auto where = [&] {
        if (ctx.ptWhere == nullptr) return;
        out += " WHERE ";
        AppendCondition(out, ctx.ptWhere);
    };
    switch (ctx.eKind) {
        case StatementKind::Select:
            out += "SELECT ";
            for (int i = 0; i < ctx.iSelectNum; ++i) {
                const SqlSelectEntry& e = ctx.atSelect[i];
                if (i > 0) out += ", ";
                // A plain column's own name goes without saying.
                const bool bPlainName = e.ptExpr != nullptr && e.ptExpr->chKind == 'l' && e.ptExpr->chLeaf == 'f' &&
                                        std::string_view(e.achName) == e.ptExpr->ptColumn->achColumnName;
                if (e.achName[0] != '\0' && !bPlainName) {
                    out += e.achName;
                    out += '=';
                }
                if (e.iCastType >= 0) {
                    out += '(';
                    out += TypeName(e.iCastType);
                    out += ')';
                }
                AppendExpr(out, e.ptExpr);
            }
            out += " FROM ";
            tables();
            where();
            for (int i = 0; i < ctx.iGroupNum; ++i) {
                out += i > 0 ? ", " : " GROUP BY ";
                AppendExpr(out, ctx.aptGroup[i]);
            }
            if (ctx.ptHaving != nullptr) {
                out += " HAVING ";
                AppendCondition(out, ctx.ptHaving);
            }
            for (int i = 0; i < ctx.iSortNum; ++i) {
                out += i > 0 ? ", " : " ORDER BY ";
                out += std::to_string(ctx.atSort[i].iColumn + 1);
                out += ctx.atSort[i].chDirection;
            }
            break;
        case StatementKind::Delete:
        case StatementKind::Exists:
            out += ctx.eKind == StatementKind::Delete ? "DELETE FROM " : "EXISTS FROM ";
            tables();
            where();
            break;
        case StatementKind::Update:
            out += "UPDATE ";
            tables();
            out += " SET ";
            for (int i = 0; i < ctx.iSetNum; ++i) {
                if (i > 0) out += ", ";
                AppendColumn(out, ctx.atSet[i].ptColumn);
                out += '=';
                AppendExpr(out, ctx.atSet[i].ptExpr);
            }
            where();
            break;
        case StatementKind::Insert: {
            out += "INSERT INTO ";
            tables();
            auto list = [&](const SqlExprList* ptList) {
                out += " (";
                for (const SqlExprList* p = ptList; p != nullptr; p = p->ptNext) {
                    if (p != ptList) out += ", ";
                    AppendExpr(out, p->ptExpr);
                }
                out += ')';
            };
            if (ctx.ptInsertColumns != nullptr) list(ctx.ptInsertColumns);
            out += " VALUES";
            for (const SqlInsertRow* r = ctx.ptInsertRows; r != nullptr; r = r->ptNext) {
                if (r != ctx.ptInsertRows) out += ',';
                list(r->ptValues);
            }
            break;
        }
        case StatementKind::None: out += "NONE"; break;
    }
    return out;
}

}  // namespace dbs::sql
