// Result tables: what every output format prints. A cell knows whether it is a number, a text, a list (an
// array field) or NULL, so that each format can quote, align and type it properly.
#pragma once

#include <string>
#include <vector>

namespace dbsql {

struct Cell {
    enum class Kind { Null, Number, Text, List };
    Kind kind = Kind::Null;
    std::string text;                // Number and Text
    std::vector<std::string> items;  // List: the elements, each a number

    static Cell Null() { return {}; }
    static Cell Number(std::string v) { return {Kind::Number, std::move(v), {}}; }
    static Cell Text(std::string v) { return {Kind::Text, std::move(v), {}}; }
    static Cell List(std::vector<std::string> v) { return {Kind::List, {}, std::move(v)}; }

    // The cell as one line of text: lists read "[1, 2, 3]", NULL reads "NULL".
    std::string Display() const;
};

struct ResultTable {
    std::vector<std::string> columns;
    std::vector<std::vector<Cell>> rows;
};

}  // namespace dbsql
