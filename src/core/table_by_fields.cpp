/*
 * Creating a whole table from field description strings: DbsCreateTableBySpec.
 *
 * Each string describes one field as four blank-separated words once '(' and ')' are read as blanks:
 * name, kind (its first letter), decimal length and "SAVE" or "NOTSAVE", e.g. "NAME C(16) SAVE". The list ends
 * with an empty string; a null pointer before it refuses the call before anything is created. The table is
 * created first and its fields are added one by one; a refused field leaves the table in the form with the fields
 * added so far and without storage, and the call returns 0. A call that cannot allocate the storage also returns 0.
 */
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "core/core_state.h"
#include "core/core_trace.h"

namespace dbs::core {
namespace {

constexpr size_t kMaxDescLen = 127;
constexpr uint32_t kMaxFields = 255;
constexpr uint32_t kMaxFieldNameLen = 30;

struct FieldDesc {
    std::string_view name, kind, length, save;
};

// Splits a description into its four words; false when it has fewer. Words beyond the fourth are ignored.
bool SplitDesc(char (&text)[kMaxDescLen + 1], FieldDesc& out) {
    for (char& c : text) {
        if (c == '(' || c == ')') c = ' ';
    }
    std::string_view rest(text);
    std::string_view* words[4] = {&out.name, &out.kind, &out.length, &out.save};
    for (std::string_view* word : words) {
        const size_t begin = rest.find_first_not_of(" \t");
        if (begin == std::string_view::npos) return false;
        rest.remove_prefix(begin);
        const size_t end = std::min(rest.find_first_of(" \t"), rest.size());
        *word = rest.substr(0, end);
        rest.remove_prefix(end);
    }
    return true;
}

// The decimal value of the leading digits of `word` (0 when there are none), saturated just above 65535.
uint32_t ParseLength(std::string_view word) {
    uint32_t value = 0;
    for (char c : word) {
        if (c < '0' || c > '9') break;
        value = value * 10 + static_cast<uint32_t>(c - '0');
        if (value > 0xFFFF) return 0x10000;
    }
    return value;
}

// Adds the field described by `desc` to the table; false (after one trace line) when the description is refused.
bool AddDescribedField(uint32_t handle, const char* table, const char* desc) {
    if (strnlen(desc, kMaxDescLen + 1) > kMaxDescLen) {
        DbsTraceLog("[File: %s, Line: %d] create table %s error,field description %.127s... too long.", DBS_HERE, table,
                    desc);
        return false;
    }
    char text[kMaxDescLen + 1] = {};
    std::snprintf(text, sizeof text, "%s", desc);
    FieldDesc words;
    if (!SplitDesc(text, words)) {
        DbsTraceLog("[File: %s, Line: %d] create table %s error,field description %s invalid.", DBS_HERE, table, desc);
        return false;
    }
    // The name and the save word go into messages and DbsAddDomain: give them their own terminated copies.
    char name[kMaxDescLen + 1] = {};
    char save[kMaxDescLen + 1] = {};
    words.name.copy(name, words.name.size());
    words.save.copy(save, words.save.size());

    const uint32_t length = ParseLength(words.length);
    if (length == 0) {
        DbsTraceLog("[File: %s, Line: %d] create table %s error,%s length is Zero.", DBS_HERE, table, name);
        return false;
    }
    if (words.name.size() > kMaxFieldNameLen) {
        DbsTraceLog("[File: %s, Line: %d] create table %s error,%s length invalid.", DBS_HERE, table, name);
        return false;
    }
    const char kind = words.kind.front();
    if (kind != DBS_KIND_CHAR && kind != DBS_KIND_DWORD && kind != DBS_KIND_LOGIC && kind != DBS_KIND_BYTE &&
        kind != DBS_KIND_WORD) {
        DbsTraceLog("[File: %s, Line: %d] create table %s error. field %s kind %c invalid.", DBS_HERE, table, name,
                    kind);
        return false;
    }
    uint8_t saveFlag = 0;
    if (words.save.starts_with("SAVE")) {
        saveFlag = 1;
    } else if (!words.save.starts_with("NOTSAVE")) {
        DbsTraceLog("[File: %s, Line: %d] create table %s error. field %s save_flag %s invalid.", DBS_HERE, table,
                    name, save);
        return false;
    }
    if (length > 0xFFFF) {
        DbsTraceLog("[File: %s, Line: %d] create table %s error,%s length exceed 65535.", DBS_HERE, table, name);
        return false;
    }
    return DbsAddDomain(handle, name, kind, static_cast<uint16_t>(length), saveFlag) != 0;
}

}  // namespace
}  // namespace dbs::core

extern "C" {

DBS_API uint32_t DbsCreateTableBySpec(uint16_t wTableNo, const char* pchName, uint16_t wReserved,
                                      uint32_t dwMaxTupleNum, ...) {
    DBS_REFUSE_NULL(pchName, 0);
    if (strnlen(pchName, DBS_TABLE_NAME_SIZE) >= DBS_TABLE_NAME_SIZE) {
        DbsTraceLog("[File: %s, Line: %d] create table %s error,name exceed 8 chars.", DBS_HERE, pchName);
        return 0;
    }

    va_list args;
    va_start(args, dwMaxTupleNum);
    va_list counting;
    va_copy(counting, args);
    uint32_t count = 0;
    const char* desc = va_arg(counting, const char*);
    for (; desc != nullptr && desc[0] != '\0'; desc = va_arg(counting, const char*)) {
        if (++count > dbs::core::kMaxFields) break;
    }
    va_end(counting);
    if (desc == nullptr) {
        va_end(args);
        DbsTraceLog("[File: %s, Line: %d] create table %s error,field description %u is NULL.", DBS_HERE, pchName,
                    count + 1);
        return 0;
    }
    if (count > dbs::core::kMaxFields) {
        va_end(args);
        DbsTraceLog("[File: %s, Line: %d] create table %s error,more than 255 fields.", DBS_HERE, pchName);
        return 0;
    }

    const uint32_t handle =
        DbsCreateTableFormNo(wTableNo, pchName, wReserved, dwMaxTupleNum, static_cast<uint16_t>(count));
    bool ok = handle != 0;
    for (uint32_t k = 0; ok && k < count; ++k) {
        ok = dbs::core::AddDescribedField(handle, pchName, va_arg(args, const char*));
    }
    va_end(args);
    if (!ok || DbsAllocMemory(handle) == 0) return 0;
    return handle;
}

}  // extern "C"
