// Page marks of one pair of equal-sized buffers: which pages may differ between the two, and which may be non-zero
// in each. As long as every write is noted, copying the marked pages makes the pair byte-identical and clearing the
// pages that may be non-zero makes a buffer all zero; a pair without marks is copied and cleared whole.
#pragma once

#include <cstdint>

namespace dbs::core {

class PageMarks {
public:
    // Pages of 1 KiB (measured against 256 B to 64 KiB; the figures are in dirty_pages.cpp).
    static constexpr unsigned kPageShift = 10;
    static constexpr uint64_t kPageBytes = uint64_t{1} << kPageShift;
    // Either buffer: used when the writer does not say which of the two it wrote.
    static constexpr uint8_t kEither = 2;

    // Marks live in process-wide tables and are released with the buffers (Release), not at exit: a host may
    // still release the store from its own exit code.
    PageMarks() = default;
    ~PageMarks() = default;
    PageMarks(const PageMarks&) = delete;
    PageMarks& operator=(const PageMarks&) = delete;

    // Starts marks for a pair of buffers of `bytes` each, both all zero and therefore equal. Without memory for
    // the marks the pair has none and is copied and cleared whole. Previous marks are dropped.
    void Make(uint64_t bytes);
    void Release();
    bool Kept() const { return words_ != nullptr; }
    // The buffer size the marks were made for (0 without marks).
    uint64_t Bytes() const { return Kept() ? bytes_ : 0; }

    // Bytes [offset, offset + len) of buffer `buf` (0, 1 or kEither) were written; clipped to the buffer.
    void Note(uint8_t buf, uint64_t offset, uint64_t len) {
        if (words_ == nullptr || len == 0 || offset >= bytes_) return;
        const uint64_t last = (len > bytes_ - offset ? bytes_ : offset + len) - 1;
        const uint64_t first = offset >> kPageShift;
        const uint64_t end = last >> kPageShift;
        if (first == end) {
            MarkPage(buf, first);
        } else {
            MarkPages(buf, first, end);
        }
    }
    // Every page of buffer `buf` (0, 1 or kEither).
    void NoteAll(uint8_t buf) { Note(buf, 0, bytes_); }

    // Makes `target` (buffer number `to`) equal to `source` (buffer number `from`) over `bytes` bytes. With marks
    // made for that size only the marked pages move and the pair is then unmarked; otherwise all bytes move.
    void Copy(char* target, const char* source, uint8_t from, uint8_t to, uint64_t bytes);
    // Sets the `bytes` bytes of `buffer` (buffer number b) to zero; with marks made for that size only the pages
    // that may be non-zero are written, and the pages where the other buffer may be non-zero become the marked
    // ones.
    void Clear(char* buffer, uint8_t b, uint64_t bytes);

    // Whether any page is marked as differing (true without marks: then all may differ).
    bool AnyMarked() const { return words_ == nullptr || any_; }
    // A copy of `bytes` bytes would move nothing: marks made for that size, none set.
    bool CopiesNothing(uint64_t bytes) const { return words_ != nullptr && !any_ && bytes == bytes_; }
    // Marked pages (as a test sees them): page p of the pair may differ.
    bool Marked(uint64_t page) const;

private:
    void MarkPage(uint8_t buf, uint64_t page) {
        const uint64_t w = page >> 6;
        const uint64_t bit = uint64_t{1} << (page & 63);
        dirty_[w] |= bit;
        summary_[w >> 6] |= uint64_t{1} << (w & 63);
        if (buf != 1) nonzero_[0][w] |= bit;
        if (buf != 0) nonzero_[1][w] |= bit;
        any_ = true;
    }
    void MarkPages(uint8_t buf, uint64_t first, uint64_t last);

    uint64_t bytes_ = 0;
    uint64_t pages_ = 0;
    uint64_t words_count_ = 0;    // 64-page words per bitmap
    uint64_t* words_ = nullptr;   // one block: dirty, summary, nonzero[0], nonzero[1]
    uint64_t* dirty_ = nullptr;   // pages that may differ between the two buffers
    uint64_t* summary_ = nullptr; // one bit per word of dirty_ that may be non-zero
    uint64_t* nonzero_[2] = {nullptr, nullptr};
    bool any_ = false;
};

}  // namespace dbs::core
