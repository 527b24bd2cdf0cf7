/*
 * The page marks of every table's and every index's buffer pair, by table and index number (see page_marks.h for
 * what they guarantee). The marks are made when a pair's buffers are allocated and dropped when the core releases
 * them; a number without marks is copied and cleared whole.
 *
 * The page size: the marks must cost less than the bytes they spare. A one-record change through SQL touches one
 * or two pages of its table and the few index entries that change; publishing then walks the summary of every
 * pair and copies those pages. Measured on 16 tables of 65,535 records of 100 bytes (DbsAllCopyData after one
 * changed record; dbs_compare), pages of 256 B to 4 KiB cost the same within noise, since the walk dominates, while
 * a run of many scattered record changes copies less per change with small pages only until the marks
 * themselves dominate; 4 KiB also matches the machine's page, so a marked page is one TLB entry.
 */
#include "core/dirty_pages.h"

#include <dbs/dbs.h>

#include "core/page_marks.h"

namespace dbs::core {
namespace {

bool gMarksKept = true;
PageMarks gTableMarks[DBS_MAX_TABLES];
PageMarks gIndexMarks[DBS_MAX_INDEXES];

PageMarks* TableMarks(uint16_t tableNo) { return tableNo < DBS_MAX_TABLES ? &gTableMarks[tableNo] : nullptr; }
PageMarks* IndexMarks(uint32_t indexNo) { return indexNo < DBS_MAX_INDEXES ? &gIndexMarks[indexNo] : nullptr; }

void CopyWith(PageMarks* marks, char* target, const char* source, uint8_t from, uint8_t to, uint64_t bytes) {
    if (marks != nullptr) {
        marks->Copy(target, source, from, to, bytes);
    } else {
        PageMarks none;
        none.Copy(target, source, from, to, bytes);
    }
}

void ClearWith(PageMarks* marks, char* buffer, uint8_t b, uint64_t bytes) {
    if (marks != nullptr) {
        marks->Clear(buffer, b, bytes);
    } else {
        PageMarks none;
        none.Clear(buffer, b, bytes);
    }
}

}  // namespace

void NoteTableWrite(uint16_t tableNo, uint64_t offset, uint64_t len) {
    NoteTableWriteIn(tableNo, PageMarks::kEither, offset, len);
}

void NoteIndexWrite(uint32_t indexNo, uint64_t offset, uint64_t len) {
    NoteIndexWriteIn(indexNo, PageMarks::kEither, offset, len);
}

void NoteTableWriteIn(uint16_t tableNo, uint8_t buf, uint64_t offset, uint64_t len) {
    if (PageMarks* marks = TableMarks(tableNo)) marks->Note(buf < 2 ? buf : PageMarks::kEither, offset, len);
}

void NoteIndexWriteIn(uint32_t indexNo, uint8_t buf, uint64_t offset, uint64_t len) {
    if (PageMarks* marks = IndexMarks(indexNo)) marks->Note(buf < 2 ? buf : PageMarks::kEither, offset, len);
}

void MakeTableMarks(uint16_t tableNo, uint64_t bytes) {
    if (PageMarks* marks = TableMarks(tableNo)) marks->Make(gMarksKept ? bytes : 0);
}

void MakeIndexMarks(uint32_t indexNo, uint64_t bytes) {
    if (PageMarks* marks = IndexMarks(indexNo)) marks->Make(gMarksKept ? bytes : 0);
}

void ReleaseAllMarks() {
    for (PageMarks& m : gTableMarks) m.Release();
    for (PageMarks& m : gIndexMarks) m.Release();
}

void SetMarksKept(bool kept) { gMarksKept = kept; }

void CopyTablePages(uint16_t tableNo, char* target, const char* source, uint8_t from, uint8_t to, uint64_t bytes) {
    CopyWith(TableMarks(tableNo), target, source, from, to, bytes);
}

void CopyIndexPages(uint32_t indexNo, char* target, const char* source, uint8_t from, uint8_t to, uint64_t bytes) {
    CopyWith(IndexMarks(indexNo), target, source, from, to, bytes);
}

void ClearTablePages(uint16_t tableNo, char* buffer, uint8_t b, uint64_t bytes) {
    ClearWith(TableMarks(tableNo), buffer, b, bytes);
}

void ClearIndexPages(uint32_t indexNo, char* buffer, uint8_t b, uint64_t bytes) {
    ClearWith(IndexMarks(indexNo), buffer, b, bytes);
}

bool TablePairMarked(uint16_t tableNo) {
    const PageMarks* marks = TableMarks(tableNo);
    return marks == nullptr || marks->AnyMarked();
}

bool IndexPairMarked(uint32_t indexNo) {
    const PageMarks* marks = IndexMarks(indexNo);
    return marks == nullptr || marks->AnyMarked();
}

}  // namespace dbs::core
