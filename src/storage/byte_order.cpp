// DbsTupleChangeOrder: converts the numeric fields of one tuple between host order and network order.
//
// Only 'W' (16-bit units) and 'D' (32-bit units) fields are numbers; 'C', 'N' and 'L' fields are byte strings and
// keep their bytes. A field holds wDMLen / unit-size units, each converted where it stands, so nothing has to be
// aligned. A field shorter than one unit, or one that would reach past the end of the record, is left as it is:
// the conversion never touches a byte outside the field it converts.
#include "storage/byte_order.h"

#include "core/core_state.h"
#include "runtime/trace_log.h"

namespace dbs::storage {

namespace {

// The bytes of one field inside the tuple, or an empty span when the field does not fit.
std::span<uint8_t> FieldBytes(const TagDMForm& field, std::span<uint8_t> tuple) {
    uint16_t offset;
    uint16_t len;
    std::memcpy(&offset, &field.wDMOffset, sizeof offset);
    std::memcpy(&len, &field.wDMLen, sizeof len);
    if (offset == 0) return {};
    size_t start = static_cast<size_t>(offset) - 1;
    if (start > tuple.size() || len > tuple.size() - start) return {};
    return tuple.subspan(start, len);
}

}  // namespace

void ConvertTupleFields(std::span<const TagDMForm> fields, std::span<uint8_t> tuple) {
    for (const TagDMForm& field : fields) {
        if (field.chDMType == DBS_KIND_DWORD) {
            std::span<uint8_t> bytes = FieldBytes(field, tuple);
            for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
                StoreU32(&bytes[i], NetOrder32(LoadU32(&bytes[i])));
            }
        } else if (field.chDMType == DBS_KIND_WORD) {
            std::span<uint8_t> bytes = FieldBytes(field, tuple);
            for (size_t i = 0; i + 2 <= bytes.size(); i += 2) {
                StoreU16(&bytes[i], NetOrder16(LoadU16(&bytes[i])));
            }
        }
    }
}

}  // namespace dbs::storage

extern "C" DBS_API uint8_t DbsTupleChangeOrder(uint32_t hTable, void* pbyTuple, uint8_t byDirection) {
    const TagDBForm* form = dbs::core::TableForm(hTable);
    if (form == nullptr) {
        DbsTraceLog("[File: %s, Line: %d] Table Handle [%ld] invalid", DBS_HERE, static_cast<long>(hTable));
        return 0;
    }
    if (pbyTuple == nullptr) {
        DbsTraceLog("[File: %s, Line: %d] TupleChangeOrder tuple of table %s is NULL", DBS_HERE, form->achDBName);
        return 0;
    }
    const TagDMForm* domains = form->ptDomain;
    const size_t domainNum = domains != nullptr ? form->byDomainNum : 0;
    std::span<const TagDMForm> fields(domains, domainNum);

    if (byDirection != DBS_ORDER_HOST_TO_NET && byDirection != DBS_ORDER_NET_TO_HOST) {
        // An unknown direction converts nothing; each numeric field reports it once.
        for (const TagDMForm& field : fields) {
            if (field.chDMType == DBS_KIND_WORD) {
                DbsTraceLog("[File: %s, Line: %d] TupleChangeOrder [Type=%d] is invalid", DBS_HERE, byDirection);
            } else if (field.chDMType == DBS_KIND_DWORD) {
                DbsTraceLog("[File: %s, Line: %d] TupleChangeOrder [Type=%d] is invalid", DBS_HERE, byDirection);
            }
        }
        return 1;
    }
    uint16_t tupleLen;
    std::memcpy(&tupleLen, &form->wTupleLen, sizeof tupleLen);
    const size_t dataLen = tupleLen > 0 ? tupleLen - 1u : 0u;
    dbs::storage::ConvertTupleFields(fields, std::span<uint8_t>(static_cast<uint8_t*>(pbyTuple), dataLen));
    return 1;
}
