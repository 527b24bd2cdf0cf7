// Reading a table file through the work area.
//
// The open reads and checks the head and the field descriptors: the field count must be the table's, and the
// head size, the record length and every descriptor's offset and length must describe places that exist, before
// any of them is used as a length, a divisor or an offset. The body is then fetched in chunks of as many whole
// records as the 128 KB buffer holds, and handed out one record in use at a time. A file shorter than its head
// says ends the reading with an error, which the caller can tell from the end of the data (ReadFailed).
#include <cstring>

#include "runtime/trace_log.h"
#include "storage/qdb_work_area.h"

namespace dbs::storage {

namespace {

bool gbReadFailed = false;
uint64_t gReadSerial = 0;

// True when every descriptor of the file places its field inside a record.
bool DescriptorsFit(const TagQdbWorkArea& wa) {
    const uint32_t recordLen = wa.tHead.wRecordLen;
    for (size_t i = 0; i < wa.tHead.byDomainNum; ++i) {
        const uint32_t offset = wa.atDomain[i].wDMOffset;
        const uint32_t len = wa.atDomain[i].wDMLen;
        if (offset == 0 || offset + len > recordLen) return false;
    }
    return true;
}

}  // namespace

bool ReadFailed() { return gbReadFailed; }
uint64_t ReadSerial() { return gReadSerial; }
void ClearReadFailed() { gbReadFailed = false; }

uint16_t OpenForRead(TagQdbWorkArea& wa, const TagDBForm& form) {
    ClearReadFailed();
    ++gReadSerial;
    wa.byBufState = 0;
    FILE* stream = DbsFileOpen(wa.achPath, DBS_FILE_OPEN_RW);
    if (stream == nullptr) {
        DbsTraceLog("[File: %s, Line: %d] open QDB file %s error", DBS_HERE, wa.achPath);
        ResetWorkArea();
        return 0;
    }
    SetWorkStream(stream);

    TagQdbHead head{};
    const uint32_t got = DbsFileRead(stream, &head, 0, static_cast<uint32_t>(kQdbHeadSize));
    if (NetworkOrderPath()) head = HeadNetOrder(head);
    wa.tHead = head;
    if (got == 0) {
        DbsTraceLog("[File: %s, Line: %d] QDB file %s Record Length is 0", DBS_HERE, wa.achPath);
        AbandonQDB();
        return 0;
    }
    if (got < kQdbHeadSize) {
        DbsTraceLog("[File: %s, Line: %d] QDB file %s file head invalid", DBS_HERE, wa.achPath);
        AbandonQDB();
        return 0;
    }
    if (head.byDomainNum != form.byDomainNum) {
        DbsTraceLog("[File: %s, Line: %d] QDB file %s Domain Num in head is invalid", DBS_HERE, wa.achPath);
        AbandonQDB();
        return 0;
    }
    const size_t needed = kQdbHeadSize + kQdbDescSize * head.byDomainNum;
    if (head.wHeadSize < needed || head.wHeadSize > kQdbMaxHeadSize) {
        DbsTraceLog("[File: %s, Line: %d] QDB file %s head size %d invalid", DBS_HERE, wa.achPath,
                    static_cast<int>(head.wHeadSize));
        AbandonQDB();
        return 0;
    }
    if (head.wRecordLen == 0) {
        DbsTraceLog("[File: %s, Line: %d] QDB file %s record length %d invalid", DBS_HERE, wa.achPath,
                    static_cast<int>(head.wRecordLen));
        AbandonQDB();
        return 0;
    }

    wa.dwFilePos = head.wHeadSize;
    const uint32_t descBytes = static_cast<uint32_t>(head.wHeadSize - kQdbHeadSize);
    const uint32_t descGot = DbsFileRead(stream, wa.atDomain, static_cast<uint32_t>(kQdbHeadSize), descBytes);
    if (NetworkOrderPath()) DescriptorsNetOrder(wa.atDomain);
    if (descGot < descBytes || !DescriptorsFit(wa)) {
        DbsTraceLog("[File: %s, Line: %d] QDB file %s field desc invalid", DBS_HERE, wa.achPath);
        AbandonQDB();
        return 0;
    }
    return head.wFormat;
}

const uint8_t* DbsReadTupleFromWorkArea() {
    TagQdbWorkArea* wa = WorkArea();
    if (wa == nullptr || wa->chIOMode != static_cast<uint8_t>(IoMode::Read) || wa->tHead.wRecordLen == 0) {
        DbsTraceLog("[File: %s, Line: %d] fileHandle is NULL, ERROR!!! in DbsReadTupleFromWorkArea.", DBS_HERE);
        gbReadFailed = true;
        return nullptr;
    }
    const TagDBForm* form = dbs::core::TableForm(wa->dwTableHandle);
    const uint32_t maxTuples = form != nullptr ? form->dwMaxTupleNum : 0;
    const size_t recordLen = wa->tHead.wRecordLen;
    for (;;) {
        while (wa->dwCurRecord < wa->dwRecordsInBuf) {
            if (wa->dwCurRecord > maxTuples) {
                DbsTraceLog(
                    "[File: %s, Line: %d] Over Dbs cpaacity = %d, file name = %s, ERROR!!! in "
                    "DbsReadTupleFromWorkArea",
                    DBS_HERE, static_cast<int>(maxTuples), wa->achPath);
                gbReadFailed = true;
                return nullptr;
            }
            const uint8_t* record = wa->abyBuffer + recordLen * wa->dwCurRecord;
            wa->dwCurRecord += 1;
            if (record[0] == kTupleInUse) return record;
        }
        if (wa->byBufState == 1) return nullptr;

        FILE* stream = WorkStream();
        if (stream == nullptr) {
            DbsTraceLog("[File: %s, Line: %d] fileHandle is NULL, ERROR!!! in DbsReadTupleFromWorkArea.", DBS_HERE);
            gbReadFailed = true;
            return nullptr;
        }
        const uint32_t chunk = static_cast<uint32_t>(kQdbBufferSize / recordLen);
        uint32_t records = chunk;
        if (wa->tHead.dwRecordCount <= chunk) {
            wa->byBufState = 1;
            records = wa->tHead.dwRecordCount;
        }
        const uint32_t want = static_cast<uint32_t>(recordLen * records);
        const uint32_t got = want == 0 ? 0 : DbsFileRead(stream, wa->abyBuffer, wa->dwFilePos, want);
        if (got < want) {
            DbsTraceLog(
                "[File: %s, Line: %d] Read File ERROR, file name = %s, ERROR!!! in DbsReadTupleFromWorkArea.",
                DBS_HERE, wa->achPath);
            gbReadFailed = true;
            return nullptr;
        }
        wa->dwFilePos += got;
        wa->dwRecordsInBuf = static_cast<uint32_t>(got / recordLen);
        wa->tHead.dwRecordCount -= wa->dwRecordsInBuf;
        wa->dwCurRecord = 0;
    }
}

}  // namespace dbs::storage
