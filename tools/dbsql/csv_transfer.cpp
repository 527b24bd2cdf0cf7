/* CSV import and export. The header row names the columns; they are matched to the table's fields without
   regard to case and may come in any order; fields without a column are zero. */
#include "csv_transfer.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <dbs/dbs.h>

#include "csv_reader.h"
#include "output_format.h"
#include "progress.h"

namespace dbsql {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

constexpr uint64_t kProgressThresholdBytes = 256 * 1024;  // a few thousand records

}  // namespace

ImportReport ImportCsv(const std::string& path, const TableInfo& table, bool inTransaction, TraceCollector& trace) {
    ImportReport report;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        report.error = "cannot open " + path;
        return report;
    }
    std::error_code ec;
    uint64_t size = std::filesystem::file_size(path, ec);
    if (ec) size = 0;

    CsvReader reader(in);
    std::vector<std::string> header;
    if (reader.Next(header) != CsvReader::Result::Record) {
        report.error = path + ": no header row" + (reader.error().empty() ? "" : " (" + reader.error() + ")");
        return report;
    }
    // A byte-order mark, as some spreadsheets write it, is not part of the first column's name.
    if (header[0].starts_with("\xEF\xBB\xBF")) header[0].erase(0, 3);
    // Column c of the file feeds field columnField[c] of the table.
    std::vector<size_t> columnField(header.size());
    std::vector<bool> taken(table.fields.size());
    for (size_t c = 0; c < header.size(); ++c) {
        auto it = std::find_if(table.fields.begin(), table.fields.end(),
                               [&](const FieldInfo& f) { return EqualNoCase(f.name, header[c]); });
        if (it == table.fields.end()) {
            report.error = path + ": column \"" + header[c] + "\" is not a field of " + table.name;
            return report;
        }
        size_t f = static_cast<size_t>(it - table.fields.begin());
        if (taken[f]) {
            report.error = path + ": column \"" + header[c] + "\" appears twice";
            return report;
        }
        taken[f] = true;
        columnField[c] = f;
    }

    trace.Clear();
    if (!inTransaction && DbsAllCopyData() != 1) {
        report.error = "the working copy of the tables could not be prepared";
        return report;
    }
    report.ok = true;
    ProgressBar progress("importing " + table.name, size, kProgressThresholdBytes);
    std::vector<uint8_t> tuple(table.tupleLen);
    std::vector<std::string> fields;
    while (true) {
        auto r = reader.Next(fields);
        if (r == CsvReader::Result::End) break;
        if (r == CsvReader::Result::Error) {
            report.refused.push_back({reader.Line(), reader.error(), {}});
            continue;
        }
        if (fields.size() != header.size()) {
            report.refused.push_back({reader.Line(),
                                      std::to_string(fields.size()) + " values for " + std::to_string(header.size()) +
                                          " columns",
                                      {}});
            continue;
        }
        std::fill(tuple.begin(), tuple.end(), uint8_t{0});
        std::string problem;
        for (size_t c = 0; c < fields.size() && problem.empty(); ++c)
            problem = StoreFieldText(table.fields[columnField[c]], fields[c], tuple);
        if (!problem.empty()) {
            report.refused.push_back({reader.Line(), problem, {}});
            continue;
        }
        if (DbsSysInsertTabTuple(table.handle, tuple.data()) == 1) {
            ++report.accepted;
            trace.Clear();
        } else {
            report.refused.push_back({reader.Line(), "refused by the table's checks", trace.Take()});
        }
        auto pos = in.tellg();
        if (pos >= 0) progress.Update(static_cast<uint64_t>(pos));
    }
    progress.Finish();
    // Publish the accepted rows: the working copy of every table becomes its main memory.
    if (!inTransaction && report.accepted > 0 && DbsChangeOverAddr() != 1) {
        report.ok = false;
        report.error = "the imported records could not be published";
        report.accepted = 0;
    }
    return report;
}

std::string ExportCsv(const TableInfo& table, const std::string& path, size_t& written) {
    written = 0;
    std::string temp = path + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return "cannot write " + temp;
        for (size_t i = 0; i < table.fields.size(); ++i) out << (i ? "," : "") << CsvField(table.fields[i].name);
        out << "\r\n";
        ForEachTuple(table.handle, table.tupleLen, [&](std::span<const uint8_t> tuple) {
            for (size_t i = 0; i < table.fields.size(); ++i) {
                if (i != 0) out << ',';
                Cell cell = FieldCell(table.fields[i], tuple);
                if (cell.kind != Cell::Kind::Null) out << CsvField(cell.Display());
            }
            out << "\r\n";
            ++written;
        });
        out.flush();
        if (!out) {
            out.close();
            std::remove(temp.c_str());
            return "cannot write " + temp;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::remove(temp.c_str());
        return "cannot replace " + path + ": " + ec.message();
    }
    return {};
}

}  // namespace dbsql
