// Number reading, bounded copies and the common refusal line of the schema loader.
#include "schema/schema_text.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include <dbs/traceprint.h>

namespace dbs::schema {

int32_t ReadAtoi(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{INT32_MAX} + 1) value = int64_t{INT32_MAX} + 1;  // saturate, keep reading digits
    }
    if (negative) return value > INT32_MAX ? INT32_MIN : static_cast<int32_t>(-value);
    return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

bool CopyBounded(char* field, size_t size, std::string_view text) {
    if (text.size() >= size) return false;
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), text.size());
    return true;
}

void RefuseSchema(const std::string& path, const char* causeFormat, ...) {
    char cause[1024];
    va_list args;
    va_start(args, causeFormat);
    int n = std::vsnprintf(cause, sizeof cause, causeFormat, args);
    va_end(args);
    if (n < 0) cause[0] = '\0';
    WriteTracePrintEx(DBS_TRACE_LEVEL, "The xml <%s> is not a valid DBDef xml, cause: %s", path.c_str(), cause);
}

}  // namespace dbs::schema
