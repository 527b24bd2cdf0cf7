// The hand-written parser against the grammar itself: sentences derived from the grammar, many of them mutated
// (tokens dropped, inserted, replaced, repeated), are given both to the parser and to a general context-free
// recogniser (Earley) working from the grammar's rules. Whenever the parser's answer is a matter of syntax
// alone (no semantic action refused the statement), the two must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "sql/lexer.h"
#include "sql/parser.h"
#include "sql/parser_context.h"
#include "support/trace_capture.h"

namespace dbs::sql {
namespace {

enum Nonterminal : int {
    S = 1000, Select, SelHead, TList, SList, Item, Cast, Type, Delete, Update, AList, Assign, Exists, Where, Cond,
    Conj, CTerm, Pred, NotOpt, Cmp, EList, Order, KList, Key, Dir, Expr, Chain, Add, Term, Prim, Col, Lit, Call,
};
bool IsNonterminal(int s) { return s >= 1000; }

struct Rule {
    int lhs;
    std::vector<int> rhs;
};

// For every nonterminal the first rule listed is the one that ends a derivation soonest.
const std::vector<Rule> kGrammar = {
    {S, {Select, kTokEnd}}, {S, {Delete, kTokEnd}}, {S, {Update, kTokEnd}}, {S, {Exists, kTokEnd}},
    {Select, {SelHead}}, {Select, {SelHead, Where}}, {Select, {SelHead, Order}}, {Select, {SelHead, Where, Order}},
    {SelHead, {kTokSelect, '*', kTokFrom, TList}}, {SelHead, {kTokSelect, SList, kTokFrom, TList}},
    {TList, {kTokName}}, {TList, {TList, ',', kTokName}},
    {SList, {Item}}, {SList, {SList, ',', Item}},
    {Item, {Expr}}, {Item, {Cast, Expr}}, {Item, {kTokName, '=', Expr}}, {Item, {kTokName, '=', Cast, Expr}},
    {Cast, {'(', Type, ')'}},
    {Type, {kTokTinyInt}}, {Type, {kTokShort}}, {Type, {kTokInt}}, {Type, {kTokLong}}, {Type, {kTokUShort}},
    {Type, {kTokUInt}}, {Type, {kTokULong}}, {Type, {kTokFloat}}, {Type, {kTokDouble}},
    {Delete, {kTokDelete, kTokFrom, kTokName}}, {Delete, {kTokDelete, kTokFrom, kTokName, Where}},
    {Update, {kTokUpdate, kTokName, kTokSet, AList}}, {Update, {kTokUpdate, kTokName, kTokSet, AList, Where}},
    {AList, {Assign}}, {AList, {AList, ',', Assign}},
    {Assign, {Col, '=', Expr}},
    {Exists, {kTokExists, kTokFrom, kTokName}}, {Exists, {kTokExists, kTokFrom, kTokName, Where}},
    {Where, {kTokWhere, Cond}},
    {Cond, {Conj}}, {Cond, {Cond, kTokOr, Conj}}, {Cond, {Cond, kTokXor, Conj}},
    {Conj, {CTerm}}, {Conj, {Conj, kTokAnd, CTerm}},
    {CTerm, {Pred}}, {CTerm, {'(', Cond, ')'}},
    {Pred, {Expr, NotOpt, Cmp, Expr}}, {Pred, {Expr, NotOpt, kTokBetween, Expr, kTokAnd, Expr}},
    {Pred, {Expr, NotOpt, kTokIn, '(', EList, ')'}}, {Pred, {Expr, NotOpt, kTokLike, kTokString}},
    {NotOpt, {}}, {NotOpt, {kTokNot}},
    {Cmp, {kTokEq}}, {Cmp, {kTokNe}}, {Cmp, {kTokLt}}, {Cmp, {kTokLe}}, {Cmp, {kTokGt}}, {Cmp, {kTokGe}},
    {EList, {Expr}}, {EList, {EList, ',', Expr}},
    {Order, {kTokOrder, kTokBy, KList}},
    {KList, {Key}}, {KList, {KList, ',', Key}},
    {Key, {kTokIntConst, Dir}}, {Key, {kTokName, Dir}},
    {Dir, {}}, {Dir, {kTokAsc}}, {Dir, {kTokDesc}},
    {Expr, {Add}}, {Expr, {Chain}},
    {Chain, {Prim, '^', Prim}}, {Chain, {Chain, '^', Prim}},
    {Add, {Term}}, {Add, {Add, '+', Term}}, {Add, {Add, '-', Term}},
    {Term, {Prim}}, {Term, {Term, '*', Prim}}, {Term, {Term, '/', Prim}},
    {Prim, {Col}}, {Prim, {Lit}}, {Prim, {Call}}, {Prim, {'(', Add, ')'}}, {Prim, {'+', Prim}}, {Prim, {'-', Prim}},
    {Col, {kTokName}}, {Col, {kTokName, '.', kTokName}},
    {Lit, {kTokString}}, {Lit, {kTokIntConst}}, {Lit, {kTokUIntConst}}, {Lit, {kTokDoubleConst}}, {Lit, {kTokNull}},
    {Call, {kTokFuncName, '(', Expr, ')'}}, {Call, {kTokFuncName, '(', '*', ')'}},
    {Call, {kTokSubstr, '(', Expr, ',', Expr, ',', Expr, ')'}},
};

// Near misses: rules that look as if they belonged to the dialect but do not. Derivations use them now and then,
// so that the sentences probe the places where a hand-written parser is most likely to accept too much.
const std::vector<Rule> kNearMisses = {
    {Prim, {'(', Expr, ')'}},                 // a '^' chain inside parentheses
    {Prim, {Cast, Prim}},                     // a cast that is not at the front of a select item
    {Add, {Chain, '+', Term}},                // a chain mixed with arithmetic
    {Pred, {kTokNot, Expr, Cmp, Expr}},       // NOT in front of the predicate
    {CTerm, {kTokNot, '(', Cond, ')'}},
    {Pred, {Expr, kTokLike, Expr}},           // a LIKE pattern that is no string literal
    {Pred, {Expr, NotOpt, kTokIn, '(', ')'}},
    {Delete, {kTokDelete, kTokFrom, TList}},  // several tables where one is allowed
    {Exists, {kTokExists, kTokFrom, TList, Where}},
    {Item, {'*'}},
    {Item, {'(', Cond, ')'}},
    {Key, {kTokUIntConst, Dir}},
    {Key, {'-', kTokIntConst}},
    {Call, {kTokFuncName, '(', ')'}},
    {Assign, {Col, kTokEq, Expr}},
    {Select, {SelHead, Order, Where}},
};

// Earley recognition of a token sequence (ending with END) as a sentence of S.
bool Recognize(const std::vector<int>& input) {
    std::set<int> nullable;
    for (bool grew = true; grew;) {
        grew = false;
        for (const Rule& r : kGrammar) {
            bool all = true;
            for (int s : r.rhs) all = all && nullable.count(s) > 0;
            if (all && nullable.insert(r.lhs).second) grew = true;
        }
    }
    using ItemKey = std::tuple<size_t, size_t, size_t>;   // rule, dot, origin
    std::vector<std::vector<ItemKey>> sets(input.size() + 1);
    std::vector<std::set<ItemKey>> seen(input.size() + 1);
    auto add = [&](size_t i, ItemKey item) {
        if (seen[i].insert(item).second) sets[i].push_back(item);
    };
    for (size_t r = 0; r < kGrammar.size(); ++r) {
        if (kGrammar[r].lhs == S) add(0, {r, 0, 0});
    }
    for (size_t i = 0; i <= input.size(); ++i) {
        for (size_t k = 0; k < sets[i].size(); ++k) {
            const auto [r, dot, origin] = sets[i][k];
            const Rule& rule = kGrammar[r];
            if (dot < rule.rhs.size()) {
                const int sym = rule.rhs[dot];
                if (IsNonterminal(sym)) {
                    for (size_t q = 0; q < kGrammar.size(); ++q) {
                        if (kGrammar[q].lhs == sym) add(i, {q, 0, i});
                    }
                    if (nullable.count(sym)) add(i, {r, dot + 1, origin});
                } else if (i < input.size() && input[i] == sym) {
                    add(i + 1, {r, dot + 1, origin});
                }
            } else {
                for (size_t j = 0; j < sets[origin].size(); ++j) {
                    const auto [pr, pdot, porigin] = sets[origin][j];
                    const Rule& parent = kGrammar[pr];
                    if (pdot < parent.rhs.size() && parent.rhs[pdot] == rule.lhs) add(i, {pr, pdot + 1, porigin});
                }
            }
        }
    }
    for (const auto& [r, dot, origin] : sets[input.size()]) {
        if (kGrammar[r].lhs == S && dot == kGrammar[r].rhs.size() && origin == 0) return true;
    }
    return false;
}

void Derive(int sym, int depth, int maxDepth, std::mt19937& rng, std::vector<int>& out) {
    if (!IsNonterminal(sym)) {
        out.push_back(sym);
        return;
    }
    std::vector<const Rule*> rules;
    for (const Rule& r : kGrammar) {
        if (r.lhs == sym) rules.push_back(&r);
    }
    const Rule* pick = depth > maxDepth ? rules.front() : rules[rng() % rules.size()];
    if (depth <= maxDepth && rng() % 12 == 0) {
        std::vector<const Rule*> misses;
        for (const Rule& r : kNearMisses) {
            if (r.lhs == sym) misses.push_back(&r);
        }
        if (!misses.empty()) pick = misses[rng() % misses.size()];
    }
    for (int s : pick->rhs) Derive(s, depth + 1, maxDepth, rng, out);
}

// Text for a token; spellings vary where the lexer gives several the same token.
std::string Spell(int tok, std::mt19937& rng) {
    auto one = [&rng](std::initializer_list<const char*> options) {
        return std::string(options.begin()[rng() % options.size()]);
    };
    switch (tok) {
        case kTokName: return "t";
        case kTokString: return "'s'";
        case kTokIntConst: return "1";
        case kTokUIntConst: return one({"3000000000", "0x1F"});
        case kTokDoubleConst: return "1.5";
        case kTokFuncName: return "COUNT";
        case kTokEq: return one({"EQ", "eq"});
        case kTokNe: return one({"NE", "<>", "!="});
        case kTokLt: return one({"LT", "<"});
        case kTokLe: return one({"LE", "<="});
        case kTokGt: return one({"GT", ">"});
        case kTokGe: return one({"GE", ">="});
        case kTokAsc: return one({"ASC", "ascending"});
        case kTokDesc: return one({"DESC", "descending"});
        case kTokInt: return one({"INT", "DB_INT"});
        case kTokDouble: return one({"DOUBLE", "db_double"});
        default: break;
    }
    if (tok < 256) return std::string(1, static_cast<char>(tok));
    return TokenName(tok);   // keywords spell as their names
}

class GrammarTest : public test::CoreFixture {};

TEST_F(GrammarTest, ParserAcceptsExactlyTheGrammarsSentences) {
    // A table and a column both named t, so that any NAME resolves wherever the parser looks it up.
    ASSERT_NE(DbsCreateTableBySpec(1, "t", 0, 10, "t D(4) SAVE", ""), 0u);
    std::vector<int> vocabulary = {'=', kTokEnd};
    for (const Rule& r : kGrammar) {
        for (int s : r.rhs) {
            if (!IsNonterminal(s) && s != kTokEnd) vocabulary.push_back(s);
        }
    }
    auto ctx = std::make_unique<TagSqlParser>();
    std::mt19937 rng(2026);
    int compared = 0;
    int accepted = 0;
    for (int n = 0; n < 20000; ++n) {
        // Short sentences and long ones: the first refused token ends a statement, so short ones put the
        // mutations where the parser still looks.
        const int maxDepth = 3 + static_cast<int>(rng() % 6);
        std::vector<int> tokens;
        Derive(S, 0, maxDepth, rng, tokens);
        tokens.pop_back();   // END is the end of the text
        for (int m = static_cast<int>(rng() % 4); m > 0 && !tokens.empty(); --m) {
            const size_t at = rng() % tokens.size();
            const int tok = vocabulary[rng() % vocabulary.size()];
            switch (rng() % 5) {
                case 0: tokens.erase(tokens.begin() + static_cast<long>(at)); break;
                case 1: tokens.insert(tokens.begin() + static_cast<long>(at), tok); break;
                case 2: tokens[at] = tok; break;
                case 3: tokens.insert(tokens.begin() + static_cast<long>(at), tokens[at]); break;
                default: {   // splice in a slice of another sentence
                    std::vector<int> other;
                    Derive(S, 0, maxDepth, rng, other);
                    const size_t from = rng() % other.size();
                    const size_t len = std::min<size_t>(1 + rng() % 4, other.size() - from);
                    tokens.insert(tokens.begin() + static_cast<long>(at), other.begin() + static_cast<long>(from),
                                  other.begin() + static_cast<long>(from + len));
                    break;
                }
            }
        }
        // END inside the text cannot be spelled: cut the statement there.
        for (size_t i = 0; i < tokens.size(); ++i) {
            if (tokens[i] == kTokEnd) tokens.resize(i);
        }
        std::string sql;
        std::vector<int> expected;
        bool afterWhere = false;
        for (int tok : tokens) {
            sql += Spell(tok, rng) + " ";
            // Once WHERE has been read, "=" is the comparison.
            expected.push_back(afterWhere && tok == '=' ? static_cast<int>(kTokEq) : tok);
            afterWhere = afterWhere || tok == kTokWhere;
        }
        expected.push_back(kTokEnd);

        const bool parsed = Parse(*ctx, sql) == 0;
        if (!parsed && ctx->iErrCode != 0) continue;   // refused by a semantic action, not by the syntax
        ++compared;
        accepted += parsed;
        ASSERT_EQ(parsed, Recognize(expected)) << sql;
    }
    EXPECT_GT(compared, 4000);
    EXPECT_GT(accepted, 1000);
    EXPECT_LT(accepted, compared - 1000);
}

}  // namespace
}  // namespace dbs::sql
