// CSV reading (RFC 4180): quoted fields with doubled quotes, commas and line breaks inside quotes, CRLF or LF
// line ends. A malformed record (an unterminated quote, text after a closing quote) is reported with its
// line number instead of being guessed at.
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace dbsql {

class CsvReader {
public:
    explicit CsvReader(std::istream& in) : in_(in) {}

    enum class Result { Record, End, Error };
    // Reads the next record into fields. On Error, error() says why.
    Result Next(std::vector<std::string>& fields);

    // Line on which the last record read began (1-based).
    size_t Line() const { return recordLine_; }
    const std::string& error() const { return error_; }

private:
    std::istream& in_;
    size_t line_ = 1;
    size_t recordLine_ = 0;
    std::string error_;
};

}  // namespace dbsql
