/*
 * Printed form of a statement tree. Not used on any statement path; it exists so that tests can state the tree
 * a statement must build in one readable line.
 */
#include "sql/tree_print.h"

#include <cstdio>

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

std::string PrintValue(const TagSqlValue& v) {
    char buf[64];
    switch (v.chType) {
        case DB_LONG: std::snprintf(buf, sizeof buf, "%d", v.lLong); return buf;
        case DB_ULONG: std::snprintf(buf, sizeof buf, "%uu", v.ulULong); return buf;
        case DB_DOUBLE: std::snprintf(buf, sizeof buf, "%gd", v.dDouble); return buf;
        case DB_NULL: return "NULL";
        case DB_STRING:
            return "'" + std::string(static_cast<const char*>(v.pData), v.dwLength > 0 ? v.dwLength - 1 : 0) + "'";
        default: return "?";
    }
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

std::string PrintColumn(const SqlColumnRef* r) {
    if (r == nullptr) return "?";
    std::string s;
    if (r->achTableName[0] != '\0') s = std::string(r->achTableName) + ".";
    return s + r->achColumnName;
}

std::string PrintPredicate(const SqlPredicate* p) {
    std::string s = "(";
    if (p->byNot) s += "NOT ";
    s += OpName(p->eOp);
    s += " " + PrintExpr(p->ptLeft);
    switch (p->eOp) {
        case PredicateOp::Between: s += " " + PrintExpr(p->ptLow) + " " + PrintExpr(p->ptHigh); break;
        case PredicateOp::In:
            s += " [";
            for (const SqlExprList* l = p->ptInList; l != nullptr; l = l->ptNext) {
                s += PrintExpr(l->ptExpr);
                if (l->ptNext != nullptr) s += " ";
            }
            s += "]";
            break;
        case PredicateOp::Like: s += " " + PrintValue(p->tPattern); break;
        default: s += " " + PrintExpr(p->ptRight); break;
    }
    return s + ")";
}

}  // namespace

std::string PrintExpr(const SqlExpr* e) {
    if (e == nullptr) return "?";
    std::string s = e->chSign == '-' ? "-" : "";
    if (e->chKind == 'n') {
        return s + "(" + e->chOp + " " + PrintExpr(e->ptLeft) + " " + PrintExpr(e->ptRight) + ")";
    }
    switch (e->chLeaf) {
        case 'v': return s + PrintValue(e->tValue);
        case 'f': return s + PrintColumn(e->ptColumn);
        case 'c': {
            const SqlAggregate* a = e->ptAggregate;
            return s + FunctionName(a->chFunc, 'c') + "(" + (a->ptArg ? PrintExpr(a->ptArg) : "*") + ")";
        }
        case 'z': return s + FunctionName(e->chFunc, 'z') + "(" + PrintExpr(e->ptArg) + ")";
        case 's':
            return s + "SUBSTR(" + PrintExpr(e->aptSubstrArg[0]) + "," + PrintExpr(e->aptSubstrArg[1]) + "," +
                   PrintExpr(e->aptSubstrArg[2]) + ")";
        default: return s + "?";
    }
}

std::string PrintCondition(const SqlCondition* c) {
    if (c == nullptr) return "?";
    switch (c->eConn) {
        case Connective::None: return c->ptPredicate ? PrintPredicate(c->ptPredicate) : "?";
        case Connective::And: return "(AND " + PrintCondition(c->ptLeft) + " " + PrintCondition(c->ptRight) + ")";
        case Connective::Or: return "(OR " + PrintCondition(c->ptLeft) + " " + PrintCondition(c->ptRight) + ")";
        case Connective::Xor: return "(XOR " + PrintCondition(c->ptLeft) + " " + PrintCondition(c->ptRight) + ")";
    }
    return "?";
}

std::string PrintColumns(const TagSqlParser& ctx) {
    std::string s;
    for (const SqlColumnRef* r = ctx.ptColumnFirst; r != nullptr; r = r->ptNext) {
        if (!s.empty()) s += " ";
        s += PrintColumn(r);
    }
    return s;
}

std::string PrintStatement(const TagSqlParser& ctx) {
    auto tables = [&ctx] {
        std::string s;
        for (int i = 0; i < ctx.iTableNum; ++i) s += (i ? ", " : "") + std::string(ctx.atTable[i].achTableName);
        return s;
    };
    auto where = [&ctx] { return ctx.ptWhere ? " WHERE " + PrintCondition(ctx.ptWhere) : std::string(); };
    std::string s;
    switch (ctx.eKind) {
        case StatementKind::Select: {
            s = "SELECT ";
            for (int i = 0; i < ctx.iSelectNum; ++i) {
                const SqlSelectEntry& e = ctx.atSelect[i];
                if (i) s += ", ";
                const bool bPlainName = e.ptExpr != nullptr && e.ptExpr->chKind == 'l' && e.ptExpr->chLeaf == 'f' &&
                                        std::string_view(e.achName) == e.ptExpr->ptColumn->achColumnName;
                if (e.achName[0] != '\0' && !bPlainName) s += std::string(e.achName) + "=";
                if (e.iCastType >= 0) s += std::string("(") + TypeName(e.iCastType) + ")";
                s += PrintExpr(e.ptExpr);
            }
            s += " FROM " + tables() + where();
            for (int i = 0; i < ctx.iSortNum; ++i) {
                s += i ? ", " : " ORDER BY ";
                s += std::to_string(ctx.atSort[i].iColumn + 1) + ctx.atSort[i].chDirection;
            }
            return s;
        }
        case StatementKind::Delete: return "DELETE FROM " + tables() + where();
        case StatementKind::Exists: return "EXISTS FROM " + tables() + where();
        case StatementKind::Update: {
            s = "UPDATE " + tables() + " SET ";
            for (int i = 0; i < ctx.iSetNum; ++i) {
                if (i) s += ", ";
                s += PrintColumn(ctx.atSet[i].ptColumn) + "=" + PrintExpr(ctx.atSet[i].ptExpr);
            }
            return s + where();
        }
        case StatementKind::None: return "NONE";
    }
    return "?";
}

}  // namespace dbs::sql
