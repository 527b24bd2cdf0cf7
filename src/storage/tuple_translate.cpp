// DbsTranslateTuple: builds a tuple of a table from a record of its table file, field by field and by name.
//
// The file's descriptors (held in the work area) may list the fields in another order, with other lengths, or
// with other fields in the places of the table's unsaved ones: each saved field of the table takes the bytes of
// the file field of the same name (the last one when several match), cut or zero-padded to the table's length.
// The names are matched once per file and table; the records of that file then use the map. The file's
// descriptors were checked when the file was opened, so every copy stays inside the record and the tuple.
#include <algorithm>
#include <cstring>

#include "runtime/trace_log.h"
#include "storage/qdb_work_area.h"

namespace dbs::storage {

namespace {

constexpr int16_t kNotSaved = -1;
constexpr int16_t kMissing = -2;

// Which file field feeds each field of the table, for one opened file and one table.
struct FieldMap {
    uint64_t serial = 0;
    uint32_t hTable = 0;
    bool valid = false;
    int16_t source[256] = {};
};
FieldMap gMap;

const FieldMap& MapFor(uint32_t hTable, const TagDBForm& form, const TagQdbWorkArea& wa) {
    if (gMap.valid && gMap.serial == ReadSerial() && gMap.hTable == hTable) return gMap;
    const size_t fileFieldNum = std::min<size_t>(wa.tHead.byDomainNum, kQdbMaxDomains);
    const TagDMForm* domains = form.ptDomain;
    for (size_t i = 0; i < form.byDomainNum; ++i) {
        const TagDMForm& field = domains[i];
        int16_t source = kNotSaved;
        if (field.byDMSaveFlag == 1) {
            source = kMissing;
            for (size_t j = 0; j < fileFieldNum; ++j) {
                if (std::strncmp(wa.atDomain[j].achDMName, field.achDMName, sizeof field.achDMName) == 0) {
                    source = static_cast<int16_t>(j);
                }
            }
        }
        gMap.source[i] = source;
    }
    gMap.serial = ReadSerial();
    gMap.hTable = hTable;
    gMap.valid = true;
    return gMap;
}

}  // namespace

uint8_t DbsTranslateTuple(uint32_t hTable, const uint8_t* record, std::span<uint8_t> tuple) {
    const TagDBForm* form = dbs::core::TableForm(hTable);
    const TagQdbWorkArea* wa = WorkArea();
    if (form == nullptr || wa == nullptr || record == nullptr || form->ptDomain == nullptr) return 0;
    const size_t dataLen = form->wTupleLen > 0 ? form->wTupleLen - 1u : 0u;
    if (dataLen > tuple.size()) return 0;
    std::memset(tuple.data(), 0, dataLen);

    const FieldMap& map = MapFor(hTable, *form, *wa);
    const size_t recordLen = wa->tHead.wRecordLen;
    const TagDMForm* domains = form->ptDomain;
    bool copied = false;
    for (size_t i = 0; i < form->byDomainNum; ++i) {
        const int16_t source = map.source[i];
        if (source == kNotSaved) continue;
        const TagDMForm& field = domains[i];
        if (source == kMissing) {
            DbsTraceLog("[File: %s, Line: %d] Domain Name %s is Error,Please Check QDB File Domain Name!", DBS_HERE,
                        field.achDMName);
            return 0;
        }
        const TagDMForm& match = wa->atDomain[source];
        const size_t to = field.wDMOffset > 0 ? field.wDMOffset - 1u : dataLen;
        const size_t from = match.wDMOffset;
        // Both places were checked when the table was built and when the file was opened; stay inside anyway.
        if (to >= dataLen || from >= recordLen) continue;
        const size_t len = std::min({static_cast<size_t>(field.wDMLen), static_cast<size_t>(match.wDMLen),
                                     dataLen - to, recordLen - from});
        std::memcpy(tuple.data() + to, record + from, len);
        copied = true;
    }
    return copied ? 1 : 0;
}

}  // namespace dbs::storage
