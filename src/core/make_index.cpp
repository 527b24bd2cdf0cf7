/*
 * DbsMakeIndex: builds the key of one of a table's indexes from values given one per key field, in key order.
 *
 * The fields lie end to end in the caller's buffer, each taking its full field length; a character field is cut
 * at its first zero byte and the rest of its place stays zero. Values arrive after default argument promotion:
 * an int for a one-character field and for 'W', 'N' and 'L', a const char* for a longer character field and a
 * uint32_t for 'D'. Nothing is written outside the buffer the caller declares: a character value is cut to the
 * room left, and a number that does not fit refuses the key.
 */
#include <cstdarg>
#include <cstring>

#include "core/core_state.h"
#include "core/va_start_promoted.h"
#include "runtime/trace_log.h"

namespace {

constexpr uint16_t kMaxCharKeyLen = 2047;

bool TooSmall() {
    DbsTraceLog("[File=%s,Line=%d] DbsMakeIndex error, The index buffer is too small!", DBS_HERE);
    return false;
}

// Writes one field's value at `offset`; false (with its line) when the value is refused.
bool PutField(const TagDMForm& field, va_list& args, char* buffer, uint32_t length, uint32_t offset) {
    uint32_t room = offset < length ? length - offset : 0;
    switch (field.chDMType) {
    case DBS_KIND_CHAR:
        if (field.wDMLen == 1) {
            char c = static_cast<char>(va_arg(args, int));
            if (room < 1) return TooSmall();
            buffer[offset] = c;
            return true;
        } else {
            if (field.wDMLen > kMaxCharKeyLen) {
                DbsTraceLog("[File=%s,Line=%d] wDMLen is too long!", DBS_HERE);
                return false;
            }
            const char* text = va_arg(args, const char*);
            if (text == nullptr) {
                DbsTraceLog("[File=%s,Line=%d] va_arg return NULL pointer!", DBS_HERE);
                return false;
            }
            size_t n = strnlen(text, field.wDMLen);
            if (n > room) n = room;
            std::memcpy(buffer + offset, text, n);
            return true;
        }
    case DBS_KIND_DWORD: {
        uint32_t v = va_arg(args, uint32_t);
        if (room < 4) return TooSmall();
        std::memcpy(buffer + offset, &v, 4);
        return true;
    }
    case DBS_KIND_WORD: {
        auto v = static_cast<uint16_t>(va_arg(args, int));
        if (room < 2) return TooSmall();
        std::memcpy(buffer + offset, &v, 2);
        return true;
    }
    case DBS_KIND_LOGIC:
    case DBS_KIND_BYTE: {
        auto v = static_cast<uint8_t>(va_arg(args, int));
        if (room < 1) return TooSmall();
        buffer[offset] = static_cast<char>(v);
        return true;
    }
    default:
        DbsTraceLog("[File=%s,Line=%d] DbsMakeIndex error, field type error!\n", DBS_HERE);
        return false;
    }
}

}  // namespace

extern "C" {

DBS_API uint16_t DbsMakeIndex(uint32_t hTable, uint16_t wIdxNo, void* pbyKey, uint16_t wKeyBufLen, ...) {
    const TagDBForm* table = dbs::core::TableForm(hTable);
    if (table == nullptr) {
        DbsTraceLog("[File: %s, Line: %d] DbsMakeIndex error, table %xH invalid.", DBS_HERE, hTable);
        return 0;
    }
    const TagIdxForm* idx = wIdxNo < DBS_IDX_SLOTS ? dbs::core::IndexForm(table->adwIdxHandle[wIdxNo]) : nullptr;
    if (idx == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] DbsMakeIndex error, The %dth index is not exist!", DBS_HERE, wIdxNo);
        return 0;
    }
    if (pbyKey == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] DbsMakeIndex error, Pointer pbyKey is NULL!", DBS_HERE);
        return 0;
    }
    if (wKeyBufLen < idx->wIdxEntryLen - 4) {
        TooSmall();
        return 0;
    }
    if (idx->byIdxKeyNum > DBS_MAX_KEY_FIELDS) {
        DbsTraceLog("[File=%s,Line=%d] ptIdx->byIdxKeyNum = %d more than %d!", DBS_HERE, idx->byIdxKeyNum,
                    DBS_MAX_KEY_FIELDS);
        return 0;
    }
    auto* buffer = static_cast<char*>(pbyKey);
    std::memset(buffer, 0, wKeyBufLen);
    uint32_t offset = 0;
    va_list args;
    DBS_VA_START_PROMOTED(args, wKeyBufLen);  // the last named parameter is 16 bits by contract
    for (uint8_t i = 0; i < idx->byIdxKeyNum; ++i) {
        uint8_t fieldNo = idx->abyIdxKey[i];
        if (fieldNo == 0 || fieldNo > table->byDomainNum || table->ptDomain == nullptr) {
            DbsTraceLog("[File=%s,Line=%d] DbsMakeIndex error, key field %d not exist!", DBS_HERE, fieldNo);
            va_end(args);
            return 0;
        }
        const TagDMForm& field = table->ptDomain[fieldNo - 1];
        if (!PutField(field, args, buffer, wKeyBufLen, offset)) {
            va_end(args);
            return 0;
        }
        offset += field.wDMLen;
    }
    va_end(args);
    return static_cast<uint16_t>(offset);
}

}  // extern "C"
