// The work area's state machine: which file is open, in which direction, and the shared open and close steps.
//
// States: no file (chIOMode 0), reading (1), writing (2). An open moves from "no file" to reading or writing and
// refuses while a file is busy, naming the file that is still open; a close or an abandon returns to "no file"
// from any state, clears the whole block and makes path 3 current. The direction-specific steps live in
// qdb_reader.cpp and qdb_writer.cpp.
#include "storage/qdb_work_area.h"

#include <cstring>

#include "runtime/platform.h"
#include "runtime/trace_log.h"

namespace dbs::storage {

namespace {

// The stream of the open file. It lives beside the block because the block's stream field is 32 bits wide.
// A stream left over from a block that the core has since released is closed at the next open.
FILE* gpQdbStream = nullptr;

// The pending operation, as the two-byte word the refusal line has always carried: "read" or "write".
constexpr char kPendingRead[] = "\xB6\xC1";
constexpr char kPendingWrite[] = "\xD0\xB4";

void CloseStaleStream() {
    if (gpQdbStream != nullptr) {
        std::fclose(gpQdbStream);
        gpQdbStream = nullptr;
    }
}

void ClearWorkArea(TagQdbWorkArea& wa) { std::memset(&wa, 0, sizeof wa); }

}  // namespace

FILE* WorkStream() {
    const TagQdbWorkArea* wa = WorkArea();
    return wa != nullptr && wa->dwStreamOpen != 0 ? gpQdbStream : nullptr;
}

void SetWorkStream(FILE* stream) {
    TagQdbWorkArea* wa = WorkArea();
    gpQdbStream = stream;
    if (wa != nullptr) wa->dwStreamOpen = stream != nullptr ? 1 : 0;
}

void ResetWorkArea() {
    if (TagQdbWorkArea* wa = WorkArea()) ClearWorkArea(*wa);
}

bool NetworkOrderPath() { return gptDbsPath != nullptr && DbsGetCurPath() == DBS_PATH_TEMP; }

bool MakeTablePath(std::span<char> out, uint8_t pathNo, const char* name, const char* ext) {
    if (out.empty()) return false;
    out[0] = '\0';
    if (gptDbsPath == nullptr || pathNo < DBS_PATH_DATA || pathNo > DBS_PATH_ROLLBACK || name == nullptr) {
        return false;
    }
    const char* dir = gptDbsPath->achPath[pathNo - 1];
    const size_t dirLen = strnlen(dir, DBS_PATH_SIZE);
    const size_t nameLen = strnlen(name, DBS_TABLE_NAME_SIZE);
    const size_t extLen = std::strlen(ext);
    if (dirLen == DBS_PATH_SIZE || nameLen == DBS_TABLE_NAME_SIZE) return false;
    if (dirLen + 1 + nameLen + extLen + 1 > out.size()) return false;
    char* p = out.data();
    std::memcpy(p, dir, dirLen);
    p += dirLen;
    *p++ = dbs::platform::kPathSeparator;
    std::memcpy(p, name, nameLen);
    p += nameLen;
    std::memcpy(p, ext, extLen + 1);
    return true;
}

uint16_t DbsOpenQDB(uint32_t hTable, uint8_t mode, const char* path) {
    TagQdbWorkArea* wa = WorkArea();
    const TagDBForm* form = dbs::core::TableForm(hTable);
    if (form == nullptr || wa == nullptr) {
        DbsTraceLog("[File: %s, Line: %d] Table Handle %xH invalid", DBS_HERE, hTable);
        return 0;
    }
    if (wa->chIOMode != 0) {
        char busyName[kQdbNameSize + 1] = {};
        std::memcpy(busyName, wa->tHead.achName, kQdbNameSize);
        DbsTraceLog("[File: %s, Line: %d] failure,( Pre-operating file %s.QDB's %s imcompleted", DBS_HERE, busyName,
                    wa->chIOMode == static_cast<uint8_t>(IoMode::Read) ? kPendingRead : kPendingWrite);
        return 0;
    }
    CloseStaleStream();
    ClearWorkArea(*wa);
    wa->chIOMode = mode;
    wa->dwTableHandle = hTable;
    wa->dwCurRecord = 0;
    wa->dwRecordsInBuf = 0;
    if (path == nullptr || strnlen(path, kQdbPathSize) == kQdbPathSize) {
        DbsTraceLog("[File: %s, Line: %d] QDB file name of table %s is missing or too long", DBS_HERE,
                    form->achDBName);
        ClearWorkArea(*wa);
        return 0;
    }
    std::memcpy(wa->achPath, path, std::strlen(path) + 1);

    if (mode == static_cast<uint8_t>(IoMode::Read)) return OpenForRead(*wa, *form);
    if (mode == static_cast<uint8_t>(IoMode::Write)) return OpenForWrite(*wa, *form);
    DbsTraceLog("[File: %s, Line: %d]  chIOMode %d invalid.", DBS_HERE, mode);
    DbsCloseQDB();
    return 0;
}

uint8_t DbsCloseQDB() {
    TagQdbWorkArea* wa = WorkArea();
    if (wa == nullptr) {
        CloseStaleStream();
        return 1;
    }
    uint8_t result = 1;
    FILE* stream = WorkStream();
    if (stream != nullptr) {
        if (wa->chIOMode == static_cast<uint8_t>(IoMode::Write)) {
            if (!FlushOnClose(*wa, stream)) result = 0;
        }
        const uint8_t closed = DbsFileClose(stream);
        gpQdbStream = nullptr;
        if (result == 1) result = closed;
        // A written file that reached the disk whole is no longer pending a save.
        if (result == 1 && wa->chIOMode == static_cast<uint8_t>(IoMode::Write)) {
            DbsSetTableFlag(wa->dwTableHandle, DBS_FLAG_CLEAR | DBS_FLAG_SAVE_PENDING);
        }
    } else {
        CloseStaleStream();
    }
    ClearWorkArea(*wa);
    DbsSetCurPath(DBS_PATH_VERSION);
    return result;
}

void AbandonQDB() {
    TagQdbWorkArea* wa = WorkArea();
    FILE* stream = WorkStream();
    if (stream != nullptr) {
        DbsFileClose(stream);
        gpQdbStream = nullptr;
    }
    CloseStaleStream();
    if (wa == nullptr) return;
    ClearWorkArea(*wa);
    DbsSetCurPath(DBS_PATH_VERSION);
}

}  // namespace dbs::storage
