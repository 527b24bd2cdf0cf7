// DbsTranslateTuple: builds a tuple of a table from a record of its table file, field by field and by name.
//
// The file's descriptors (held in the work area) may list the fields in another order, with other lengths, or
// with other fields in the places of the table's unsaved ones: each saved field of the table takes the bytes of
// the file field of the same name (the last one when several match), cut or zero-padded to the table's length.
// The file's descriptors were checked when the file was opened, so every copy stays inside the record and the
// tuple.
#include <algorithm>
#include <cstring>

#include "runtime/trace_log.h"
#include "storage/qdb_work_area.h"

namespace dbs::storage {

uint8_t DbsTranslateTuple(uint32_t hTable, const uint8_t* record, std::span<uint8_t> tuple) {
    const TagDBForm* form = dbs::core::TableForm(hTable);
    const TagQdbWorkArea* wa = WorkArea();
    if (form == nullptr || wa == nullptr || record == nullptr) return 0;
    const size_t dataLen = form->wTupleLen > 0 ? form->wTupleLen - 1u : 0u;
    if (dataLen > tuple.size()) return 0;
    std::memset(tuple.data(), 0, dataLen);

    const size_t recordLen = wa->tHead.wRecordLen;
    const size_t fileFieldNum = std::min<size_t>(wa->tHead.byDomainNum, kQdbMaxDomains);
    const TagDMForm* domains = form->ptDomain;
    bool copied = false;
    for (size_t i = 0; domains != nullptr && i < form->byDomainNum; ++i) {
        const TagDMForm& field = domains[i];
        if (field.byDMSaveFlag != 1) continue;
        const TagDMForm* match = nullptr;
        for (size_t j = 0; j < fileFieldNum; ++j) {
            if (std::strncmp(wa->atDomain[j].achDMName, field.achDMName, sizeof field.achDMName) == 0) {
                match = &wa->atDomain[j];
            }
        }
        if (match == nullptr) {
            DbsTraceLog("[File: %s, Line: %d] Domain Name %s is Error,Please Check QDB File Domain Name!", DBS_HERE,
                        field.achDMName);
            return 0;
        }
        const size_t to = field.wDMOffset > 0 ? field.wDMOffset - 1u : dataLen;
        const size_t from = match->wDMOffset;
        size_t len = std::min<size_t>(field.wDMLen, match->wDMLen);
        // Both places were checked when the table was built and when the file was opened; stay inside anyway.
        if (to >= dataLen || from >= recordLen) continue;
        len = std::min({len, dataLen - to, recordLen - from});
        std::memcpy(tuple.data() + to, record + from, len);
        copied = true;
    }
    return copied ? 1 : 0;
}

}  // namespace dbs::storage
