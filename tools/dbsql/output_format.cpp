/* Rendering of result tables. Widths of the aligned formats count characters, not bytes, so that UTF-8 text
   stays aligned; numbers are right-aligned, text left-aligned. CSV follows RFC 4180 (CRLF line ends, fields
   quoted only when they must be); JSON writes numbers bare, lists as arrays and NULL as null. */
#include "output_format.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace dbsql {

std::optional<OutputMode> ParseOutputMode(std::string_view name) {
    if (name == "box") return OutputMode::Box;
    if (name == "table") return OutputMode::Table;
    if (name == "csv") return OutputMode::Csv;
    if (name == "json") return OutputMode::Json;
    if (name == "line") return OutputMode::Line;
    return std::nullopt;
}

const char* OutputModeName(OutputMode mode) {
    switch (mode) {
        case OutputMode::Box: return "box";
        case OutputMode::Table: return "table";
        case OutputMode::Csv: return "csv";
        case OutputMode::Json: return "json";
        case OutputMode::Line: return "line";
    }
    return "?";
}

namespace {

size_t DisplayWidth(std::string_view s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

// Control characters would break the frame of an aligned table; they are shown as '?'.
std::string Printable(std::string s) {
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return s;
}

struct Frame {
    const char* h;  // horizontal line
    const char* v;  // vertical line
    const char* corners[3][3];  // [top, middle, bottom][left, inner, right]
};

constexpr Frame kBox = {"─", "│", {{"┌", "┬", "┐"}, {"├", "┼", "┤"}, {"└", "┴", "┘"}}};
constexpr Frame kAscii = {"-", "|", {{"+", "+", "+"}, {"+", "+", "+"}, {"+", "+", "+"}}};

void Rule(std::ostream& out, const Frame& f, int which, const std::vector<size_t>& widths) {
    out << f.corners[which][0];
    for (size_t i = 0; i < widths.size(); ++i) {
        if (i != 0) out << f.corners[which][1];
        for (size_t k = 0; k < widths[i] + 2; ++k) out << f.h;
    }
    out << f.corners[which][2] << '\n';
}

void Padded(std::ostream& out, const std::string& s, size_t width, bool right) {
    size_t pad = width - std::min(width, DisplayWidth(s));
    if (right) out << std::string(pad, ' ') << s;
    else out << s << std::string(pad, ' ');
}

void RenderAligned(const ResultTable& t, const Frame& f, std::ostream& out) {
    std::vector<size_t> widths(t.columns.size());
    std::vector<std::vector<std::string>> texts;
    texts.reserve(t.rows.size());
    for (size_t c = 0; c < t.columns.size(); ++c) widths[c] = DisplayWidth(t.columns[c]);
    for (const auto& row : t.rows) {
        auto& line = texts.emplace_back();
        for (size_t c = 0; c < t.columns.size(); ++c) {
            line.push_back(c < row.size() ? Printable(row[c].Display()) : std::string());
            widths[c] = std::max(widths[c], DisplayWidth(line.back()));
        }
    }
    Rule(out, f, 0, widths);
    out << f.v;
    for (size_t c = 0; c < t.columns.size(); ++c) {
        out << ' ';
        Padded(out, Printable(t.columns[c]), widths[c], false);
        out << ' ' << f.v;
    }
    out << '\n';
    Rule(out, f, 1, widths);
    for (size_t r = 0; r < t.rows.size(); ++r) {
        out << f.v;
        for (size_t c = 0; c < t.columns.size(); ++c) {
            bool right = c < t.rows[r].size() && t.rows[r][c].kind == Cell::Kind::Number;
            out << ' ';
            Padded(out, texts[r][c], widths[c], right);
            out << ' ' << f.v;
        }
        out << '\n';
    }
    Rule(out, f, 2, widths);
}

void RenderCsv(const ResultTable& t, std::ostream& out) {
    for (size_t c = 0; c < t.columns.size(); ++c) out << (c ? "," : "") << CsvField(t.columns[c]);
    out << "\r\n";
    for (const auto& row : t.rows) {
        for (size_t c = 0; c < row.size(); ++c) {
            if (c != 0) out << ',';
            // NULL is the empty field; everything else is its display text.
            if (row[c].kind != Cell::Kind::Null) out << CsvField(row[c].Display());
        }
        out << "\r\n";
    }
}

bool IsJsonNumber(const std::string& s) {
    // Non-finite doubles ("inf", "nan") have no JSON number form.
    return !s.empty() && s.find_first_not_of("0123456789+-.eE") == std::string::npos;
}

std::string JsonValue(const Cell& cell) {
    switch (cell.kind) {
        case Cell::Kind::Null: return "null";
        case Cell::Kind::Number: return IsJsonNumber(cell.text) ? cell.text : JsonString(cell.text);
        case Cell::Kind::Text: return JsonString(cell.text);
        case Cell::Kind::List: {
            std::string s = "[";
            for (size_t i = 0; i < cell.items.size(); ++i) s += (i ? "," : "") + cell.items[i];
            return s + "]";
        }
    }
    return "null";
}

void RenderJson(const ResultTable& t, std::ostream& out) {
    if (t.rows.empty()) {
        out << "[]\n";
        return;
    }
    out << "[";
    for (size_t r = 0; r < t.rows.size(); ++r) {
        out << (r ? ",\n " : "\n ") << "{";
        for (size_t c = 0; c < t.columns.size() && c < t.rows[r].size(); ++c)
            out << (c ? "," : "") << JsonString(t.columns[c]) << ":" << JsonValue(t.rows[r][c]);
        out << "}";
    }
    out << "\n]\n";
}

void RenderLines(const ResultTable& t, std::ostream& out) {
    size_t width = 0;
    for (const auto& c : t.columns) width = std::max(width, DisplayWidth(c));
    for (size_t r = 0; r < t.rows.size(); ++r) {
        if (r != 0) out << '\n';
        for (size_t c = 0; c < t.columns.size() && c < t.rows[r].size(); ++c) {
            Padded(out, t.columns[c], width, true);
            out << " = " << t.rows[r][c].Display() << '\n';
        }
    }
}

}  // namespace

std::string CsvField(std::string_view text) {
    bool quote = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                 (!text.empty() && (std::isspace(static_cast<unsigned char>(text.front())) ||
                                    std::isspace(static_cast<unsigned char>(text.back()))));
    if (!quote) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string JsonString(std::string_view text) {
    static const char* hex = "0123456789abcdef";
    std::string out = "\"";
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += ch;
                }
        }
    }
    return out + "\"";
}

void Render(const ResultTable& table, OutputMode mode, std::ostream& out) {
    switch (mode) {
        case OutputMode::Box: RenderAligned(table, kBox, out); break;
        case OutputMode::Table: RenderAligned(table, kAscii, out); break;
        case OutputMode::Csv: RenderCsv(table, out); break;
        case OutputMode::Json: RenderJson(table, out); break;
        case OutputMode::Line: RenderLines(table, out); break;
    }
    out.flush();
}

}  // namespace dbsql
