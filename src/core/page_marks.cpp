/*
 * Page marks of a buffer pair: three bitmaps of one bit per page (pages that may differ; pages of buffer 0 and of
 * buffer 1 that may be non-zero) and a summary of one bit per 64-page word of the first, so that a copy finds the
 * few marked words of a large buffer without reading all of them.
 *
 * What holds between calls, and makes copy and clear exact:
 *   - a page not marked as differing has equal bytes in both buffers, and is marked non-zero in both or in neither;
 *   - a page not marked non-zero in a buffer is all zero there.
 * A write marks its pages as differing and non-zero in the buffer written. A copy moves the differing pages and
 * takes over the source's non-zero marks for them. A clear zeroes the pages marked non-zero in its buffer; then the
 * pages that differ are exactly those that may be non-zero in the other buffer.
 */
#include "core/page_marks.h"

#include <cstring>
#include <new>

namespace dbs::core {
namespace {

// Sets bits [first, last] of a bitmap.
void SetRange(uint64_t* words, uint64_t first, uint64_t last) {
    const uint64_t fw = first >> 6, lw = last >> 6;
    const uint64_t lowMask = ~uint64_t{0} << (first & 63);
    const uint64_t highMask = ~uint64_t{0} >> (63 - (last & 63));
    if (fw == lw) {
        words[fw] |= lowMask & highMask;
        return;
    }
    words[fw] |= lowMask;
    for (uint64_t w = fw + 1; w < lw; ++w) words[w] = ~uint64_t{0};
    words[lw] |= highMask;
}

uint64_t SummaryWords(uint64_t words) { return (words + 63) / 64; }

// Calls fn(firstPage, lastPage) for each run of consecutive set bits of word `w` of a bitmap, continuing the run
// `open` (first, last; first > last when none) that ended in an earlier word.
template <typename Fn>
void RunsOfWord(uint64_t bits, uint64_t w, uint64_t& runFirst, uint64_t& runLast, bool& open, Fn&& fn) {
    while (bits != 0) {
        const uint64_t page = w * 64 + static_cast<uint64_t>(__builtin_ctzll(bits));
        bits &= bits - 1;
        if (open && page == runLast + 1) {
            runLast = page;
            continue;
        }
        if (open) fn(runFirst, runLast);
        runFirst = runLast = page;
        open = true;
    }
}

}  // namespace

void PageMarks::Make(uint64_t bytes) {
    Release();
    bytes_ = bytes;
    if (bytes == 0) return;
    pages_ = (bytes + kPageBytes - 1) >> kPageShift;
    words_count_ = (pages_ + 63) / 64;
    const uint64_t total = 3 * words_count_ + SummaryWords(words_count_);
    if (total > SIZE_MAX / sizeof(uint64_t)) return;
    words_ = new (std::nothrow) uint64_t[static_cast<size_t>(total)];
    if (words_ == nullptr) return;
    std::memset(words_, 0, static_cast<size_t>(total) * sizeof(uint64_t));
    dirty_ = words_;
    nonzero_[0] = dirty_ + words_count_;
    nonzero_[1] = nonzero_[0] + words_count_;
    summary_ = nonzero_[1] + words_count_;
    any_ = false;
}

void PageMarks::Release() {
    delete[] words_;
    words_ = dirty_ = summary_ = nullptr;
    nonzero_[0] = nonzero_[1] = nullptr;
    bytes_ = pages_ = words_count_ = 0;
    any_ = false;
}

void PageMarks::MarkPages(uint8_t buf, uint64_t first, uint64_t last) {
    SetRange(dirty_, first, last);
    SetRange(summary_, first >> 6, last >> 6);
    if (buf != 1) SetRange(nonzero_[0], first, last);
    if (buf != 0) SetRange(nonzero_[1], first, last);
    any_ = true;
}

bool PageMarks::Marked(uint64_t page) const {
    if (words_ == nullptr) return true;
    return page < pages_ && ((dirty_[page >> 6] >> (page & 63)) & 1) != 0;
}

void PageMarks::Copy(char* target, const char* source, uint8_t from, uint8_t to, uint64_t bytes) {
    if (words_ == nullptr || bytes != bytes_ || from > 1 || to > 1 || from == to) {
        std::memcpy(target, source, static_cast<size_t>(bytes));
        if (words_ != nullptr) NoteAll(kEither);  // a size the marks do not know: keep everything marked
        return;
    }
    if (!any_) return;
    auto move = [&](uint64_t first, uint64_t last) {
        const uint64_t begin = first << kPageShift;
        const uint64_t end = (last + 1) << kPageShift;
        std::memcpy(target + begin, source + begin, static_cast<size_t>((end < bytes_ ? end : bytes_) - begin));
    };
    uint64_t runFirst = 0, runLast = 0;
    bool open = false;
    const uint64_t summaryWords = SummaryWords(words_count_);
    for (uint64_t s = 0; s < summaryWords; ++s) {
        uint64_t sw = summary_[s];
        summary_[s] = 0;
        while (sw != 0) {
            const uint64_t w = s * 64 + static_cast<uint64_t>(__builtin_ctzll(sw));
            sw &= sw - 1;
            const uint64_t bits = dirty_[w];
            dirty_[w] = 0;
            // Pages not marked in this word carry equal non-zero marks already.
            nonzero_[to][w] = nonzero_[from][w];
            RunsOfWord(bits, w, runFirst, runLast, open, move);
        }
    }
    if (open) move(runFirst, runLast);
    any_ = false;
}

void PageMarks::Clear(char* buffer, uint8_t b, uint64_t bytes) {
    if (words_ == nullptr || bytes != bytes_ || b > 1) {
        std::memset(buffer, 0, static_cast<size_t>(bytes));
        if (words_ != nullptr) NoteAll(kEither);
        return;
    }
    auto zero = [&](uint64_t first, uint64_t last) {
        const uint64_t begin = first << kPageShift;
        const uint64_t end = (last + 1) << kPageShift;
        std::memset(buffer + begin, 0, static_cast<size_t>((end < bytes_ ? end : bytes_) - begin));
    };
    uint64_t runFirst = 0, runLast = 0;
    bool open = false;
    uint64_t* mine = nonzero_[b];
    const uint64_t* other = nonzero_[1 - b];
    std::memset(summary_, 0, static_cast<size_t>(SummaryWords(words_count_)) * sizeof(uint64_t));
    any_ = false;
    for (uint64_t w = 0; w < words_count_; ++w) {
        if (mine[w] != 0) {
            RunsOfWord(mine[w], w, runFirst, runLast, open, zero);
            mine[w] = 0;
        }
        dirty_[w] = other[w];
        if (other[w] != 0) {
            summary_[w >> 6] |= uint64_t{1} << (w & 63);
            any_ = true;
        }
    }
    if (open) zero(runFirst, runLast);
}

}  // namespace dbs::core
