/* A small RFC 4180 reader. It takes the stream character by character, so a field may span lines when quoted;
   a blank line is skipped rather than read as a record of one empty field. */
#include "csv_reader.h"

namespace dbsql {

CsvReader::Result CsvReader::Next(std::vector<std::string>& fields) {
    fields.clear();
    error_.clear();
    int c = in_.get();
    // Skip blank lines between records.
    while (c == '\r' || c == '\n') {
        if (c == '\n') ++line_;
        c = in_.get();
    }
    if (c == EOF) return Result::End;
    recordLine_ = line_;

    std::string field;
    while (true) {
        if (c == '"' && field.empty()) {
            // Quoted field.
            while (true) {
                c = in_.get();
                if (c == EOF) {
                    error_ = "unterminated quoted field";
                    return Result::Error;
                }
                if (c == '\n') ++line_;
                if (c == '"') {
                    if (in_.peek() == '"') {
                        in_.get();
                        field += '"';
                        continue;
                    }
                    break;
                }
                field += static_cast<char>(c);
            }
            c = in_.get();
            if (c != ',' && c != '\n' && c != '\r' && c != EOF) {
                error_ = "unexpected character after a closing quote";
                // Drop the rest of the line so that reading can go on with the next record.
                while (c != '\n' && c != EOF) c = in_.get();
                if (c == '\n') ++line_;
                return Result::Error;
            }
        } else {
            while (c != ',' && c != '\n' && c != '\r' && c != EOF) {
                field += static_cast<char>(c);
                c = in_.get();
            }
        }
        fields.push_back(std::move(field));
        field.clear();
        if (c == ',') {
            c = in_.get();
            continue;
        }
        if (c == '\r' && in_.peek() == '\n') in_.get();
        if (c == '\r' || c == '\n') ++line_;
        return Result::Record;
    }
}

}  // namespace dbsql
