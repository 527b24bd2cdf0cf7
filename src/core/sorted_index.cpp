/*
 * The B+-tree of a sorted index.
 *
 * Buffer: a header of four 32-bit words (root page, levels, first free page, pages handed out so far), then pages
 * numbered from 1. A page is a 32-bit entry count and `fanout` entries [32-bit word][key]: in a leaf the word is a
 * tuple number, in an inner page a child page number and the key a separator, every key of that child being at
 * least it and every key of the child before it below it (the key of an inner page's first entry separates
 * nothing and is never compared; merging the page into its left neighbour puts the parent's separator there).
 * Zero in every header word is the empty tree; pages given back are chained through their count word and reused
 * first.
 *
 * Every page but the root keeps at least half its entries (rounded up): a full page splits into halves, a page that
 * falls below half borrows an entry from a neighbour with more than half or is merged with it. That bounds the
 * pages of a tree of n entries, and the buffer is sized for the bound at full capacity (ShapeFor), so a page is
 * always there when a split asks for one.
 */
#include "core/sorted_index.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include <dbs/dbs.h>

#include "core/dirty_pages.h"
#include "core/key_compare.h"

namespace dbs::core {
namespace {

constexpr uint32_t kHeaderBytes = 16;
constexpr uint32_t kRoot = 0, kLevels = 4, kFreeHead = 8, kUsed = 12;

// Pages of 256 B to 2 KiB measured alike within the noise on a million keys (4 KiB grew more over the fill, from
// the bytes an insertion moves); smaller pages add inner pages, so the worst case takes more bytes per entry.
constexpr uint32_t kDefaultPageTarget = 2048;
uint32_t gPageTarget = kDefaultPageTarget;
TreeShape gShapes[DBS_MAX_INDEXES];  // by index number

uint32_t Load32(const char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
void Store32(char* p, uint32_t v) { std::memcpy(p, &v, 4); }

// Pages of the largest tree of `fanout` entries per page holding up to `capacity` entries.
uint64_t MostPages(uint32_t fanout, uint32_t capacity) {
    if (capacity <= fanout) return 1;  // the root leaf never splits
    const uint64_t least = (uint64_t{fanout} + 1) / 2;
    uint64_t level = std::max<uint64_t>(1, capacity / least);
    uint64_t pages = level;
    while (level > 1) {
        level = std::max<uint64_t>(1, level / least);
        pages += level;
    }
    return pages;
}

}  // namespace

void SetTreePageTarget(uint32_t bytes) { gPageTarget = bytes != 0 ? bytes : kDefaultPageTarget; }

uint64_t TreeBufferBytes(const TreeShape& shape) {
    if (shape.fanout == 0) return 0;
    return kHeaderBytes + uint64_t{shape.pages} * shape.PageBytes();
}

TreeShape ShapeFor(uint32_t entryLen, uint32_t capacity) {
    TreeShape shape;
    if (entryLen < 4) return shape;
    shape.entryLen = entryLen;
    shape.capacity = capacity;
    const uint32_t target = std::max<uint32_t>(4, gPageTarget / entryLen);
    if (capacity <= target) {  // everything fits one leaf of just that size
        shape.fanout = std::max<uint32_t>(1, capacity);
        shape.pages = 1;
        return shape;
    }
    // Among fanouts from half the target up, the one whose worst case takes the fewest bytes (the largest on ties):
    // the bound moves in steps, and a capacity just past a step wastes most of a level.
    uint64_t best = UINT64_MAX;
    for (uint32_t fanout = std::max<uint32_t>(4, target / 2); fanout <= target; ++fanout) {
        TreeShape candidate = shape;
        candidate.fanout = fanout;
        candidate.pages = static_cast<uint32_t>(MostPages(fanout, capacity));  // below capacity: fits 32 bits
        uint64_t bytes = TreeBufferBytes(candidate);
        if (bytes <= best) {
            best = bytes;
            shape = candidate;
        }
    }
    return shape;
}

void RecordTreeShape(uint32_t no, const TreeShape& shape) {
    if (no < std::size(gShapes)) gShapes[no] = shape;
}
TreeShape RecordedTreeShape(uint32_t no) { return no < std::size(gShapes) ? gShapes[no] : TreeShape{}; }

SortedIndex::SortedIndex(char* buffer, uint64_t bytes, const TreeShape& shape, uint32_t indexNo, uint8_t buf)
    : buffer_(buffer),
      pages_(0),
      fanout_(shape.fanout),
      entryLen_(shape.entryLen),
      keyLen_(shape.entryLen >= 4 ? shape.entryLen - 4 : 0),
      minFill_((shape.fanout + 1) / 2),
      pageBytes_(shape.PageBytes()),
      indexNo_(indexNo),
      buf_(buf) {
    if (buffer_ != nullptr && fanout_ > 0 && entryLen_ >= 4 && TreeBufferBytes(shape) <= bytes) pages_ = shape.pages;
}

uint32_t SortedIndex::HeaderWord(uint32_t at) const { return Load32(buffer_ + at); }
void SortedIndex::SetHeaderWord(uint32_t at, uint32_t value) {
    Store32(buffer_ + at, value);
    NoteIndexWriteIn(indexNo_, buf_, at, 4);
}

char* SortedIndex::Page(uint32_t pageNo) const { return buffer_ + kHeaderBytes + uint64_t{pageNo - 1} * pageBytes_; }
uint32_t SortedIndex::Count(uint32_t pageNo) const { return std::min(Load32(Page(pageNo)), fanout_); }
void SortedIndex::SetCount(uint32_t pageNo, uint32_t count) { Store32(Page(pageNo), count); }
char* SortedIndex::EntryOf(uint32_t pageNo, uint32_t slot) const {
    return Page(pageNo) + 4 + uint64_t{slot} * entryLen_;
}
uint32_t SortedIndex::WordOf(uint32_t pageNo, uint32_t slot) const { return Load32(EntryOf(pageNo, slot)); }
void SortedIndex::NotePage(uint32_t pageNo) { NoteIndexWriteIn(indexNo_, buf_, Page(pageNo) - buffer_, pageBytes_); }

uint32_t SortedIndex::PagesAvailable(uint32_t needed) const {
    const uint32_t used = HeaderWord(kUsed);
    uint32_t available = used < pages_ ? pages_ - used : 0;
    for (uint32_t p = HeaderWord(kFreeHead); available < needed && PageOk(p); p = Load32(Page(p))) ++available;
    return available;
}

uint32_t SortedIndex::TakePage() {
    uint32_t p = HeaderWord(kFreeHead);
    if (PageOk(p)) {
        SetHeaderWord(kFreeHead, Load32(Page(p)));
    } else {
        p = HeaderWord(kUsed) + 1;
        SetHeaderWord(kUsed, p);
    }
    SetCount(p, 0);
    NotePage(p);
    return p;
}

void SortedIndex::GivePage(uint32_t pageNo) {
    Store32(Page(pageNo), HeaderWord(kFreeHead));
    NoteIndexWriteIn(indexNo_, buf_, Page(pageNo) - buffer_, 4);
    SetHeaderWord(kFreeHead, pageNo);
}

void SortedIndex::PutEntry(uint32_t pageNo, uint32_t slot, uint32_t word, const char* key) {
    char* at = EntryOf(pageNo, slot);
    Store32(at, word);
    if (keyLen_ > 0) std::memcpy(at + 4, key, keyLen_);
}

// Moves the entries from slot up by one and writes the new one there; the page has room.
void SortedIndex::InsertInto(uint32_t pageNo, uint32_t slot, uint32_t word, const char* key) {
    const uint32_t n = Count(pageNo);
    char* at = EntryOf(pageNo, slot);
    std::memmove(at + entryLen_, at, uint64_t{n - slot} * entryLen_);
    PutEntry(pageNo, slot, word, key);
    SetCount(pageNo, n + 1);
    NotePage(pageNo);
}

void SortedIndex::RemoveFrom(uint32_t pageNo, uint32_t slot) {
    const uint32_t n = Count(pageNo);
    char* at = EntryOf(pageNo, slot);
    std::memmove(at, at + entryLen_, uint64_t{n - slot - 1} * entryLen_);
    SetCount(pageNo, n - 1);
    NotePage(pageNo);
}

template <typename Key>
bool SortedIndex::FindAs(const char* key, TreePath& path) const {
    const uint32_t levels = HeaderWord(kLevels);
    uint32_t p = HeaderWord(kRoot);
    path.levels = 0;
    if (!PageOk(p) || levels == 0 || levels > TreePath::kMaxLevels) return false;
    bool equal = false;
    for (uint32_t level = levels - 1; level > 0; --level) {
        // The first entry's key is not a separator: the search runs over the others.
        const uint32_t n = Count(p);
        const uint32_t pos = n > 1 ? 1 + LowerBound<Key>(EntryOf(p, 1), entryLen_, keyLen_, n - 1, key, equal) : 1;
        const uint32_t slot = equal ? pos : pos - 1;
        path.page[level] = p;
        path.slot[level] = slot;
        p = WordOf(p, slot);
        if (!PageOk(p)) return false;
    }
    path.page[0] = p;
    path.slot[0] = LowerBound<Key>(EntryOf(p, 0), entryLen_, keyLen_, Count(p), key, equal);
    path.levels = levels;
    return equal;
}

bool SortedIndex::Find(const void* key, TreePath& path) const {
    path.levels = 0;
    if (pages_ == 0) return false;
    const char* k = static_cast<const char*>(key);
    switch (keyLen_) {
    case 4: return FindAs<FixedKey<4>>(k, path);
    case 8: return FindAs<FixedKey<8>>(k, path);
    case 12: return FindAs<TwoWordKey<12>>(k, path);
    case 16: return FindAs<TwoWordKey<16>>(k, path);
    default: return FindAs<AnyKey>(k, path);
    }
}

uint32_t SortedIndex::TupleAt(const TreePath& path) const {
    if (path.levels == 0 || path.slot[0] >= Count(path.page[0])) return 0;
    return WordOf(path.page[0], path.slot[0]);
}

void SortedIndex::Repoint(const TreePath& path, uint32_t tupleNo) {
    if (path.levels == 0 || path.slot[0] >= Count(path.page[0])) return;
    char* at = EntryOf(path.page[0], path.slot[0]);
    Store32(at, tupleNo);
    NoteIndexWriteIn(indexNo_, buf_, at - buffer_, 4);
}

bool SortedIndex::Insert(const TreePath& path, uint32_t tupleNo, const void* key) {
    const char* k = static_cast<const char*>(key);
    if (path.levels == 0) {  // the first entry of an empty tree
        if (HeaderWord(kRoot) != 0 || PagesAvailable(1) < 1) return false;
        const uint32_t p = TakePage();
        InsertInto(p, 0, tupleNo, k);
        SetHeaderWord(kRoot, p);
        SetHeaderWord(kLevels, 1);
        return true;
    }
    // Each full page on the way up splits, and a full root adds a level: see that the pages are there first.
    uint32_t needed = 0;
    while (needed < path.levels && Count(path.page[needed]) >= fanout_) ++needed;
    if (needed == path.levels) ++needed;
    if (needed > 0 && (fanout_ < 2 || path.levels >= TreePath::kMaxLevels || PagesAvailable(needed) < needed)) {
        return false;
    }
    uint32_t word = tupleNo;
    for (uint32_t level = 0;; ++level) {
        const uint32_t p = path.page[level];
        // A new child goes in behind its left half.
        const uint32_t slot = level == 0 ? path.slot[0] : path.slot[level] + 1;
        if (Count(p) < fanout_) {
            InsertInto(p, slot, word, k);
            return true;
        }
        // Split the F + 1 entries: the first half stays, the rest goes to a new page on the right.
        const uint32_t half = (fanout_ + 1) / 2;
        const uint32_t r = TakePage();
        const uint32_t from = slot < half ? half - 1 : half;
        std::memcpy(EntryOf(r, 0), EntryOf(p, from), uint64_t{fanout_ - from} * entryLen_);
        SetCount(r, fanout_ - from);
        SetCount(p, from);
        if (slot < half) InsertInto(p, slot, word, k);
        else InsertInto(r, slot - half, word, k);
        NotePage(p);
        NotePage(r);
        word = r;
        k = EntryOf(r, 0) + 4;  // the new page's first key separates it from its left half
        if (level + 1 == path.levels) {
            const uint32_t root = TakePage();
            PutEntry(root, 0, p, EntryOf(p, 0) + 4);
            PutEntry(root, 1, r, k);
            SetCount(root, 2);
            NotePage(root);
            SetHeaderWord(kRoot, root);
            SetHeaderWord(kLevels, path.levels + 1);
            return true;
        }
    }
}

void SortedIndex::Erase(const TreePath& path) {
    if (path.levels == 0 || path.slot[0] >= Count(path.page[0])) return;
    RemoveFrom(path.page[0], path.slot[0]);
    Rebalance(path);
}

// Restores the least fill on the way up from the leaf an entry was removed from.
void SortedIndex::Rebalance(const TreePath& path) {
    for (uint32_t level = 0; level < path.levels; ++level) {
        const uint32_t p = path.page[level];
        const uint32_t n = Count(p);
        if (level + 1 == path.levels) {  // the root: an empty leaf or a single child gives up its place
            if (level == 0 && n == 0) {
                GivePage(p);
                SetHeaderWord(kRoot, 0);
                SetHeaderWord(kLevels, 0);
            } else if (level > 0 && n == 1) {
                SetHeaderWord(kRoot, WordOf(p, 0));
                SetHeaderWord(kLevels, level);
                GivePage(p);
            }
            return;
        }
        if (n >= minFill_) return;
        const uint32_t parent = path.page[level + 1];
        const uint32_t ps = path.slot[level + 1];
        if (Count(parent) < 2) return;
        const bool inner = level > 0;
        const uint32_t rs = ps > 0 ? ps : 1;  // the parent's slot of the right one of the pair
        const uint32_t left = ps > 0 ? WordOf(parent, ps - 1) : p;
        const uint32_t right = ps > 0 ? p : WordOf(parent, 1);
        if (!PageOk(left) || !PageOk(right)) return;
        char* separator = EntryOf(parent, rs) + 4;
        const uint32_t ln = Count(left), rn = Count(right);
        if (ps > 0 && ln > minFill_) {  // the left neighbour's last entry moves over
            if (inner) std::memcpy(EntryOf(p, 0) + 4, separator, keyLen_);
            InsertInto(p, 0, WordOf(left, ln - 1), EntryOf(left, ln - 1) + 4);
            SetCount(left, ln - 1);
            NotePage(left);
            std::memcpy(separator, EntryOf(p, 0) + 4, keyLen_);
            NotePage(parent);
            return;
        }
        if (ps == 0 && rn > minFill_) {  // the right neighbour's first entry moves over
            InsertInto(p, n, WordOf(right, 0), inner ? separator : EntryOf(right, 0) + 4);
            RemoveFrom(right, 0);
            std::memcpy(separator, EntryOf(right, 0) + 4, keyLen_);
            NotePage(parent);
            return;
        }
        if (ln + rn > fanout_) return;
        std::memcpy(EntryOf(left, ln), EntryOf(right, 0), uint64_t{rn} * entryLen_);
        if (inner) std::memcpy(EntryOf(left, ln) + 4, separator, keyLen_);
        SetCount(left, ln + rn);
        NotePage(left);
        GivePage(right);
        RemoveFrom(parent, rs);
    }
}

bool SortedIndex::Seek(const void* prefix, uint32_t len, TreePath& path) const {
    path.levels = 0;
    if (pages_ == 0) return false;
    const uint32_t levels = HeaderWord(kLevels);
    uint32_t p = HeaderWord(kRoot);
    if (!PageOk(p) || levels == 0 || levels > TreePath::kMaxLevels) return false;
    len = std::min(len, keyLen_);
    // The first entry from `first` on whose leading key bytes are not below the prefix.
    auto lowerBound = [&](uint32_t page, uint32_t first) {
        uint32_t lo = first, hi = Count(page);
        while (lo < hi) {
            uint32_t mid = lo + (hi - lo) / 2;
            if (std::memcmp(EntryOf(page, mid) + 4, prefix, len) < 0) lo = mid + 1;
            else hi = mid;
        }
        return lo;
    };
    for (uint32_t level = levels - 1; level > 0; --level) {
        // The child before the first separator not below the prefix holds the first entry not below it, or else
        // that entry is the first one behind that child.
        const uint32_t slot = len == 0 ? 0 : lowerBound(p, 1) - 1;
        path.page[level] = p;
        path.slot[level] = slot;
        p = WordOf(p, slot);
        if (!PageOk(p)) return false;
    }
    const uint32_t n = Count(p);
    if (n == 0) return false;
    path.page[0] = p;
    path.levels = levels;
    const uint32_t pos = len == 0 ? 0 : lowerBound(p, 0);
    if (pos < n) {
        path.slot[0] = pos;
        return true;
    }
    path.slot[0] = n - 1;
    return Next(path);
}

bool SortedIndex::Next(TreePath& path) const {
    uint32_t level = 0;
    while (level < path.levels && path.slot[level] + 1 >= Count(path.page[level])) ++level;
    if (level == path.levels) return false;
    ++path.slot[level];
    for (; level > 0; --level) {
        const uint32_t child = WordOf(path.page[level], path.slot[level]);
        if (!PageOk(child) || Count(child) == 0) return false;
        path.page[level - 1] = child;
        path.slot[level - 1] = 0;
    }
    return true;
}

const char* SortedIndex::EntryAt(const TreePath& path) const { return EntryOf(path.page[0], path.slot[0]); }

}  // namespace dbs::core
