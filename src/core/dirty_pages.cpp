/*
 * The page marks of every table's and every index's buffer pair, by table and index number (see page_marks.h for
 * what they guarantee). The marks are made when a pair's buffers are allocated and dropped when the core releases
 * them; a number without marks is copied and cleared whole.
 *
 * The page size, measured on 16 tables of 65,535 records of 100 bytes with one sorted key each (dbs_compare's
 * block on publishing; medians, machine shared with other work):
 *
 *     page     DbsAllCopyData after    per change, DbsAllCopyData    copy + keyed update + swap
 *              one changed record      after 400 scattered changes
 *     256 B    0.74 - 0.98 us          330 - 576 ns                  0.95 - 1.47 us
 *     1 KiB    0.81 - 0.83 us          418 - 436 ns                  0.84 - 1.41 us
 *     4 KiB    0.88 - 1.20 us          0.87 - 1.36 us                1.72 - 2.32 us
 *     16 KiB   1.95 us                 2.67 us                       2.22 us
 *     64 KiB   7.06 us                 6.51 us                       2.48 us
 *
 * Up to 1 KiB the walk over the 16 tables and their indexes (about 0.5 us) dominates a one-record copy; above it
 * the bytes of the page do, and scattered changes pay a whole page each. 1 KiB is as fast as 256 B within noise
 * while its bitmaps are a quarter of the size (about 2.4 KB of marks for a 6.5 MB buffer pair, and clearing reads
 * them all), so pages are 1 KiB.
 */
#include "core/dirty_pages.h"

namespace dbs::core {

namespace detail {
PageMarks gTableMarks[DBS_MAX_TABLES];
PageMarks gIndexMarks[DBS_MAX_INDEXES];
}  // namespace detail

namespace {

using detail::gIndexMarks;
using detail::gTableMarks;

bool gMarksKept = true;

PageMarks* TableMarks(uint16_t tableNo) { return tableNo < DBS_MAX_TABLES ? &gTableMarks[tableNo] : nullptr; }
PageMarks* IndexMarks(uint32_t indexNo) { return indexNo < DBS_MAX_INDEXES ? &gIndexMarks[indexNo] : nullptr; }

// A pair without marks of its own (a number out of range): copied and cleared whole.
PageMarks gNoMarks;

void CopyWith(PageMarks* marks, char* target, const char* source, uint8_t from, uint8_t to, uint64_t bytes) {
    (marks != nullptr ? *marks : gNoMarks).Copy(target, source, from, to, bytes);
}

void ClearWith(PageMarks* marks, char* buffer, uint8_t b, uint64_t bytes) {
    (marks != nullptr ? *marks : gNoMarks).Clear(buffer, b, bytes);
}

}  // namespace

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

void CopyMarkedTablePages(uint16_t tableNo, char* target, const char* source, uint8_t from, uint8_t to,
                          uint64_t bytes) {
    CopyWith(TableMarks(tableNo), target, source, from, to, bytes);
}

void CopyMarkedIndexPages(uint32_t indexNo, char* target, const char* source, uint8_t from, uint8_t to,
                          uint64_t bytes) {
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
