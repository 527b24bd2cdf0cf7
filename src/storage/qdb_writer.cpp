// Writing a table file through the work area.
//
// The open writes the head and the field descriptors; each record is built field by field in the 128 KB buffer
// and the buffer goes to the file whenever it is full, body first and then the head with the record count so
// far, so that the file on disk is at every moment a complete table file of the records flushed. The close
// writes the last partial chunk and the final head and syncs the file before it is closed. Under path 2 the
// head's numbers, the descriptors' offsets and lengths and every 'W' and 'D' unit go out in network order; the
// copies in memory stay in host order.
#include <cstring>

#include "runtime/platform.h"
#include "runtime/trace_log.h"
#include "storage/qdb_work_area.h"

namespace dbs::storage {

namespace {

uint32_t WriteHead(const TagQdbWorkArea& wa, FILE* stream) {
    const TagQdbHead head = NetworkOrderPath() ? HeadNetOrder(wa.tHead) : wa.tHead;
    return DbsFileWrite(stream, &head, 0, static_cast<uint32_t>(kQdbHeadSize));
}

uint32_t Capacity(const TagQdbWorkArea& wa) {
    return wa.tHead.wRecordLen == 0 ? 0 : static_cast<uint32_t>(kQdbBufferSize / wa.tHead.wRecordLen);
}

}  // namespace

uint16_t OpenForWrite(TagQdbWorkArea& wa, const TagDBForm& form) {
    wa.byBufState = 1;
    TagQdbHead& head = wa.tHead;
    head.byFormat = kQdbFormatByte;
    head.wFormat = gwIdxFormNum;
    head.dwDate = kQdbFormatDate;
    head.wRecordLen = 1;
    head.dwRecordCount = 0;
    head.wHeadSize = static_cast<uint16_t>(kQdbHeadSize);
    head.byDomainNum = 0;
    std::memset(head.achName, 0, sizeof head.achName);
    std::memcpy(head.achName, form.achDBName, strnlen(form.achDBName, DBS_TABLE_NAME_SIZE - 1));

    const size_t domainNum = form.byDomainNum;
    const TagDMForm* domains = form.ptDomain;
    if (domainNum > kQdbMaxDomains || (domainNum > 0 && domains == nullptr)) {
        DbsTraceLog("[File: %s, Line: %d] QDB file %s: table %s has %d fields, a table file holds at most %d",
                    DBS_HERE, wa.achPath, form.achDBName, static_cast<int>(domainNum),
                    static_cast<int>(kQdbMaxDomains));
        ResetWorkArea();
        return 0;
    }
    uint32_t recordLen = 1;
    for (size_t i = 0; i < domainNum; ++i) {
        TagDMForm& place = wa.atDomain[i];
        std::memcpy(&place, &domains[i], sizeof place);
        place.wDMOffset = i == 0 ? 1 : static_cast<uint16_t>(wa.atDomain[i - 1].wDMOffset + wa.atDomain[i - 1].wDMLen);
        recordLen += place.wDMLen;
        head.byDomainNum = static_cast<uint8_t>(i + 1);
        head.wHeadSize = static_cast<uint16_t>(head.wHeadSize + kQdbDescSize);
    }
    if (recordLen > 0xFFFF) {
        DbsTraceLog("[File: %s, Line: %d] QDB file %s: record length %u of table %s is too long", DBS_HERE,
                    wa.achPath, static_cast<unsigned>(recordLen), form.achDBName);
        ResetWorkArea();
        return 0;
    }
    head.wRecordLen = static_cast<uint16_t>(recordLen);

    FILE* stream = DbsFileOpen(wa.achPath, DBS_FILE_CREATE);
    if (stream == nullptr) {
        DbsTraceLog("[File: %s, Line: %d] QDB file %s not exist\xA1\xA3", DBS_HERE, wa.achPath);
        ResetWorkArea();
        return 0;
    }
    SetWorkStream(stream);

    if (WriteHead(wa, stream) < kQdbHeadSize) {
        DbsTraceLog("[File: %s, Line: %d] writing QDB file %s error.", DBS_HERE, wa.achPath);
        AbandonQDB();
        return 0;
    }
    wa.dwFilePos = static_cast<uint32_t>(kQdbHeadSize);
    const uint32_t descBytes = static_cast<uint32_t>(domainNum * kQdbDescSize);
    uint32_t written;
    if (NetworkOrderPath()) {
        TagDMForm net[kQdbMaxDomains];
        std::memcpy(net, wa.atDomain, descBytes);
        DescriptorsNetOrder(std::span<TagDMForm>(net, domainNum));
        written = DbsFileWrite(stream, net, wa.dwFilePos, descBytes);
    } else {
        written = DbsFileWrite(stream, wa.atDomain, wa.dwFilePos, descBytes);
    }
    if (written < descBytes) {
        DbsTraceLog("[File: %s, Line: %d] writing QDB file %s error(field desc).", DBS_HERE, wa.achPath);
        AbandonQDB();
        return 0;
    }
    wa.dwFilePos += written;
    return gwIdxFormNum;
}

uint8_t PutFieldToWorkArea(size_t fieldNo, const void* value) {
    TagQdbWorkArea* wa = WorkArea();
    if (wa == nullptr || wa->chIOMode != static_cast<uint8_t>(IoMode::Write) || value == nullptr ||
        fieldNo >= wa->tHead.byDomainNum) {
        return 0;
    }
    const TagDMForm& field = wa->atDomain[fieldNo];
    const size_t recordLen = wa->tHead.wRecordLen;
    const size_t at = recordLen * wa->dwCurRecord;
    const size_t offset = field.wDMOffset;
    const size_t len = field.wDMLen;
    if (offset == 0 || at + recordLen > kQdbBufferSize || offset + len > recordLen) return 0;
    uint8_t* record = wa->abyBuffer + at;
    if (record[0] == 0) {
        record[0] = kTupleInUse;
        wa->tHead.dwRecordCount += 1;
    }
    std::memcpy(record + offset, value, len);
    return 1;
}

uint8_t PutTupleToWorkArea(std::span<const uint8_t> tuple) {
    TagQdbWorkArea* wa = WorkArea();
    if (wa == nullptr || wa->chIOMode != static_cast<uint8_t>(IoMode::Write)) return 0;
    const size_t recordLen = wa->tHead.wRecordLen;
    const size_t at = recordLen * wa->dwCurRecord;
    if (recordLen == 0 || at + recordLen > kQdbBufferSize) return 0;
    uint8_t* record = wa->abyBuffer + at;
    // A run [runStart, runEnd) of saved bytes, in record offsets; a tuple byte n is record byte n + 1.
    size_t runStart = 0;
    size_t runEnd = 0;
    bool any = false;
    auto flush = [&] {
        if (runEnd > runStart) std::memcpy(record + runStart, tuple.data() + runStart - 1, runEnd - runStart);
        runStart = runEnd = 0;
    };
    for (size_t i = 0; i < wa->tHead.byDomainNum; ++i) {
        const TagDMForm& field = wa->atDomain[i];
        const size_t offset = field.wDMOffset;
        const size_t end = offset + field.wDMLen;
        if (field.byDMSaveFlag != 1 || offset == 0 || end > recordLen || end - 1 > tuple.size()) {
            flush();
            continue;
        }
        any = true;
        if (runEnd != offset) {
            flush();
            runStart = offset;
        }
        runEnd = end;
    }
    flush();
    if (any && record[0] == 0) {
        record[0] = kTupleInUse;
        wa->tHead.dwRecordCount += 1;
    }
    return any ? 1 : 0;
}

uint8_t DbsPutDomainToWorkArea(const char* name, const void* value) {
    const TagQdbWorkArea* wa = WorkArea();
    if (wa == nullptr || name == nullptr) return 0;
    for (size_t i = 0; i < wa->tHead.byDomainNum && i < kQdbMaxDomains; ++i) {
        if (std::strncmp(wa->atDomain[i].achDMName, name, sizeof wa->atDomain[i].achDMName) == 0) {
            return PutFieldToWorkArea(i, value);
        }
    }
    return 0;
}

uint8_t DbsWriteTupleToWorkArea() {
    TagQdbWorkArea* wa = WorkArea();
    if (wa == nullptr || wa->chIOMode != static_cast<uint8_t>(IoMode::Write)) {
        DbsTraceLog("[File: %s, Line: %d] %s, QdbFile Handle is NULL", DBS_HERE, wa != nullptr ? wa->achPath : "");
        return 0;
    }
    const uint32_t capacity = Capacity(*wa);
    const size_t recordLen = wa->tHead.wRecordLen;
    uint8_t* record = wa->abyBuffer + recordLen * wa->dwCurRecord;
    wa->dwRecordsInBuf += 1;

    if (NetworkOrderPath()) {
        if (dbs::core::TableForm(wa->dwTableHandle) == nullptr) {
            DbsTraceLog("[File:%s Line%d] DbsTupleChangeOrder fail in DbsWriteTupleToWorkArea ....", DBS_HERE);
        } else {
            ConvertTupleFields(std::span<const TagDMForm>(wa->atDomain, wa->tHead.byDomainNum),
                               std::span<uint8_t>(record + 1, recordLen - 1));
        }
    }
    if (wa->dwRecordsInBuf < capacity) {
        wa->byBufState = 0;
        wa->dwCurRecord += 1;
        return 1;
    }

    FILE* stream = WorkStream();
    if (stream == nullptr) {
        DbsTraceLog("[File: %s, Line: %d] %s, QdbFile Handle is NULL", DBS_HERE, wa->achPath);
        return 0;
    }
    const uint32_t bodyBytes = static_cast<uint32_t>(recordLen * capacity);
    const uint32_t written = DbsFileWrite(stream, wa->abyBuffer, wa->dwFilePos, bodyBytes);
    if (written < bodyBytes) {
        DbsTraceLog(
            "[File: %s, Line: %d] In DbsWriteTupleToWorkArea,writing QDB body(dwWriteSize= %d,dwNSize= %d) file "
            "error.",
            DBS_HERE, static_cast<int>(written), static_cast<int>(bodyBytes));
        return 0;
    }
    const uint32_t headWritten = WriteHead(*wa, stream);
    if (headWritten < kQdbHeadSize) {
        DbsTraceLog(
            "[File: %s, Line: %d] In DbsWriteTupleToWorkArea,writing QDB head(dwWriteSize = %d ) file error.",
            DBS_HERE, static_cast<int>(headWritten));
        return 0;
    }
    wa->dwFilePos += written;
    wa->dwCurRecord = 0;
    wa->dwRecordsInBuf = 0;
    wa->byBufState = 1;
    std::memset(wa->abyBuffer, 0, sizeof wa->abyBuffer);
    return 1;
}

bool FlushOnClose(TagQdbWorkArea& wa, FILE* stream) {
    if (wa.byBufState != 1) {
        char name[kQdbPathSize];
        if (!MakeTablePath(name, DbsGetCurPath(), wa.tHead.achName, ".QDB")) {
            std::memcpy(name, wa.achPath, sizeof name);
        }
        const uint32_t bodyBytes = static_cast<uint32_t>(wa.tHead.wRecordLen * wa.dwRecordsInBuf);
        if (bodyBytes > kQdbBufferSize ||
            DbsFileWrite(stream, wa.abyBuffer, wa.dwFilePos, bodyBytes) < bodyBytes) {
            DbsTraceLog("[File: %s, Line: %d] writing QDB file %s error.", DBS_HERE, name);
            return false;
        }
        if (WriteHead(wa, stream) < kQdbHeadSize) {
            DbsTraceLog("[File: %s, Line: %d] writing QDB file %s error.", DBS_HERE, name);
            return false;
        }
    }
    if (!dbs::platform::SyncFile(stream)) {
        DbsTraceLog("[File: %s, Line: %d] syncing QDB file %s error.", DBS_HERE, wa.achPath);
        return false;
    }
    return true;
}

}  // namespace dbs::storage
