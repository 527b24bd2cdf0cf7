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
 * Every leaf keeps at least two thirds of its entries (rounded down from (2F + 1) / 3), except the two leaves of a
 * root with two children; every other page but the root keeps at least half its entries (rounded up). A full leaf
 * hands entries to a neighbour with room, or else it and a full neighbour become three leaves; a leaf that falls
 * below its least fill evens out with two neighbours, or the three become two. Inner pages split into halves and
 * borrow from or merge with one neighbour. That bounds the pages of a tree of n entries, and the buffer is sized
 * for the bound at full capacity (ShapeFor), so a page is always there when a split asks for one. Inner pages
 * holding at least three children (fanout 5 and up) keep every leaf but those two under a parent with three.
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
// Trees of more than one page have at least this many entries a page, so that inner pages other than the root
// hold three children or more.
constexpr uint32_t kLeastFanout = 5;
TreeShape gShapes[DBS_MAX_INDEXES];  // by index number

uint32_t Load32(const char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
void Store32(char* p, uint32_t v) { std::memcpy(p, &v, 4); }

uint32_t LeafMinFill(uint32_t fanout) { return (2 * fanout + 1) / 3; }

// Pages of the largest tree of `fanout` entries per page holding up to `capacity` entries.
uint64_t MostPages(uint32_t fanout, uint32_t capacity) {
    if (capacity <= fanout) return 1;  // the root leaf never splits
    // Two leaves under the root may hold anything; more leaves hold LeafMinFill each.
    uint64_t level = std::max<uint64_t>(1, capacity / LeafMinFill(fanout));
    if (level <= 2) return 3;
    const uint64_t least = (uint64_t{fanout} + 1) / 2;
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
    const uint32_t least = std::max(kLeastFanout, target / 2);
    for (uint32_t fanout = least; fanout <= std::max(least, target); ++fanout) {
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
      leafMinFill_(LeafMinFill(shape.fanout)),
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
void SortedIndex::NotePage(uint32_t pageNo) {
    NoteIndexWriteIn(indexNo_, buf_, Page(pageNo) - buffer_, pageBytes_);
}

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
    if (Count(path.page[0]) < fanout_) {
        InsertInto(path.page[0], path.slot[0], tupleNo, k);
        return true;
    }
    uint32_t neighbour = 0;
    if (LeafRoom(path, neighbour)) {
        SpreadLeafInsert(path, std::min(path.slot[1], neighbour), 2, tupleNo, k);
        return true;
    }
    // The leaf splits, each full page above it too, and a full root adds a level: see that the pages are there
    // first.
    uint32_t needed = 1, level = 1;
    while (level < path.levels && Count(path.page[level]) >= fanout_) ++level, ++needed;
    if (level == path.levels) ++needed;
    if (fanout_ < 2 || path.levels >= TreePath::kMaxLevels || PagesAvailable(needed) < needed) return false;
    if (path.levels > 1 && Count(path.page[1]) < 2) return false;  // a leaf has a neighbour in every sound tree
    if (path.levels == 1) return InsertUp(path, 0, path.slot[0], tupleNo, k);  // the root leaf splits in halves
    // The leaf and a full neighbour (the right one where there is one) become three.
    const uint32_t ps = path.slot[1];
    const uint32_t first = ps + 1 < Count(path.page[1]) ? ps : ps - 1;
    const uint32_t fresh = SpreadLeafInsert(path, first, 3, tupleNo, k);
    return InsertUp(path, 1, first + 2, fresh, EntryOf(fresh, 0) + 4);
}

// True with the parent's slot of a neighbour of the path's leaf that has room (the emptier one).
bool SortedIndex::LeafRoom(const TreePath& path, uint32_t& neighbourSlot) const {
    if (path.levels < 2) return false;
    const uint32_t parent = path.page[1], ps = path.slot[1], c = Count(parent);
    if (c < 2 || ps >= c) return false;
    uint32_t fewest = fanout_;
    for (uint32_t s : {ps - 1, ps + 1}) {
        if (s >= c) continue;  // also ps - 1 below slot 0
        const uint32_t child = WordOf(parent, s);
        if (PageOk(child) && Count(child) < fewest) {
            fewest = Count(child);
            neighbourSlot = s;
        }
    }
    return fewest < fanout_;
}

// Evens out the entries of the leaves in the parent's slots [first, first + 2) together with the path's new entry
// over k leaves, the third one (k = 3) a new page, which is returned for the caller to enter into the parent.
uint32_t SortedIndex::SpreadLeafInsert(const TreePath& path, uint32_t first, uint32_t k, uint32_t word,
                                       const char* key) {
    const uint32_t parent = path.page[1];
    uint32_t pages[3] = {0, 0, 0}, counts[3] = {0, 0, 0};
    uint32_t total = 1, at = 0;  // the new entry's place among all of them
    for (uint32_t i = 0; i < 2; ++i) {
        pages[i] = WordOf(parent, first + i);
        if (first + i == path.slot[1]) at = total - 1 + path.slot[0];
        total += Count(pages[i]);
    }
    if (k == 3) pages[2] = TakePage();
    uint32_t target = 0, start = 0;  // the leaf that takes the new entry, and its first entry's place
    for (uint32_t i = 0, before = 0; i < k; ++i) {
        counts[i] = total / k + (i < total % k ? 1 : 0);
        if (at >= before && at < before + counts[i]) target = i, start = before;
        before += counts[i];
    }
    --counts[target];
    Spread(pages, counts, k);
    InsertInto(pages[target], at - start, word, key);
    SetSeparator(parent, first + 1, pages[1]);
    return k == 3 ? pages[2] : 0;
}

// Enters (word, key) at `slot` of the path's page at `level`; a full page splits into halves, the new right half
// entered one level up, and a full root adds a level. The pages were checked to be there.
bool SortedIndex::InsertUp(const TreePath& path, uint32_t level, uint32_t slot, uint32_t word, const char* k) {
    for (;; ++level) {
        const uint32_t p = path.page[level];
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
        slot = path.slot[level + 1] + 1;  // a new child goes in behind its left half
    }
}

// Moves the last n entries of page `from` to the front of its right neighbour `to`, which has room.
void SortedIndex::MoveRight(uint32_t from, uint32_t to, uint32_t n) {
    const uint32_t fn = Count(from), tn = Count(to);
    std::memmove(EntryOf(to, n), EntryOf(to, 0), uint64_t{tn} * entryLen_);
    std::memcpy(EntryOf(to, 0), EntryOf(from, fn - n), uint64_t{n} * entryLen_);
    SetCount(to, tn + n);
    SetCount(from, fn - n);
    NotePage(from);
    NotePage(to);
}

// Moves the first n entries of page `from` to the back of its left neighbour `to`, which has room.
void SortedIndex::MoveLeft(uint32_t to, uint32_t from, uint32_t n) {
    const uint32_t fn = Count(from), tn = Count(to);
    std::memcpy(EntryOf(to, tn), EntryOf(from, 0), uint64_t{n} * entryLen_);
    std::memmove(EntryOf(from, 0), EntryOf(from, n), uint64_t{fn - n} * entryLen_);
    SetCount(to, tn + n);
    SetCount(from, fn - n);
    NotePage(from);
    NotePage(to);
}

// Moves entries between the neighbouring pages[0, k) (k up to 3) until they hold counts[0, k), the same total, in
// the same order. Each pass moves across each boundary what the source has and the destination has room for;
// for three pages two passes always suffice.
void SortedIndex::Spread(const uint32_t* pages, const uint32_t* counts, uint32_t k) {
    int64_t flow[2] = {0, 0};  // entries still to cross each boundary, rightwards when positive
    int64_t before = 0, after = 0;
    for (uint32_t i = 0; i + 1 < k; ++i) {
        before += Count(pages[i]);
        after += counts[i];
        flow[i] = before - after;
    }
    for (int pass = 0; pass < 3; ++pass) {
        for (uint32_t i = 0; i + 1 < k; ++i) {
            const uint32_t l = pages[i], r = pages[i + 1];
            if (flow[i] > 0) {
                const uint32_t n = std::min<uint32_t>({static_cast<uint32_t>(flow[i]), Count(l), fanout_ - Count(r)});
                if (n > 0) MoveRight(l, r, n);
                flow[i] -= n;
            } else if (flow[i] < 0) {
                const uint32_t n = std::min<uint32_t>({static_cast<uint32_t>(-flow[i]), Count(r), fanout_ - Count(l)});
                if (n > 0) MoveLeft(l, r, n);
                flow[i] += n;
            }
        }
    }
}

// Makes the separator at the parent's slot the child's first key.
void SortedIndex::SetSeparator(uint32_t parent, uint32_t slot, uint32_t child) {
    char* at = EntryOf(parent, slot) + 4;
    std::memcpy(at, EntryOf(child, 0) + 4, keyLen_);
    NoteIndexWriteIn(indexNo_, buf_, at - buffer_, keyLen_);
}

void SortedIndex::Erase(const TreePath& path) {
    if (path.levels == 0 || path.slot[0] >= Count(path.page[0])) return;
    RemoveFrom(path.page[0], path.slot[0]);
    Rebalance(path, 0);
}

// The path's leaf fell below its least fill: evens it out with two neighbours, or the three become two (under a
// root with two leaves, those two become one if they fit). True when the parent lost an entry.
bool SortedIndex::EvenLeaves(const TreePath& path) {
    const uint32_t parent = path.page[1], ps = path.slot[1], c = Count(parent);
    if (c < 2 || ps >= c) return false;
    const uint32_t k = c == 2 ? 2 : 3;
    const uint32_t first = k == 2 ? 0 : std::min(ps > 0 ? ps - 1 : 0, c - 3);
    uint32_t pages[3] = {0, 0, 0}, counts[3] = {0, 0, 0}, total = 0;
    for (uint32_t i = 0; i < k; ++i) {
        pages[i] = WordOf(parent, first + i);
        if (!PageOk(pages[i])) return false;
        total += Count(pages[i]);
    }
    const bool merge = total <= (k - 1) * fanout_;
    if (!merge && k == 2) return false;
    const uint32_t into = merge ? k - 1 : k;
    for (uint32_t i = 0; i < k; ++i) counts[i] = i < into ? total / into + (i < total % into ? 1 : 0) : 0;
    Spread(pages, counts, k);
    for (uint32_t i = 1; i < into; ++i) SetSeparator(parent, first + i, pages[i]);
    if (!merge) return false;
    GivePage(pages[k - 1]);
    RemoveFrom(parent, first + k - 1);
    return true;
}

// Restores the least fill on the way up from `fromLevel` of a path whose page there lost an entry.
void SortedIndex::Rebalance(const TreePath& path, uint32_t fromLevel) {
    for (uint32_t level = fromLevel; level < path.levels; ++level) {
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
        if (level == 0) {
            if (n >= leafMinFill_ || !EvenLeaves(path)) return;
            continue;
        }
        if (n >= minFill_) return;
        const uint32_t parent = path.page[level + 1];
        const uint32_t ps = path.slot[level + 1];
        if (Count(parent) < 2) return;
        const uint32_t rs = ps > 0 ? ps : 1;  // the parent's slot of the right one of the pair
        const uint32_t left = ps > 0 ? WordOf(parent, ps - 1) : p;
        const uint32_t right = ps > 0 ? p : WordOf(parent, 1);
        if (!PageOk(left) || !PageOk(right)) return;
        char* separator = EntryOf(parent, rs) + 4;
        const uint32_t ln = Count(left), rn = Count(right);
        if (ps > 0 && ln > minFill_) {  // the left neighbour's last entry moves over
            std::memcpy(EntryOf(p, 0) + 4, separator, keyLen_);
            InsertInto(p, 0, WordOf(left, ln - 1), EntryOf(left, ln - 1) + 4);
            SetCount(left, ln - 1);
            NotePage(left);
            std::memcpy(separator, EntryOf(p, 0) + 4, keyLen_);
            NotePage(parent);
            return;
        }
        if (ps == 0 && rn > minFill_) {  // the right neighbour's first entry moves over
            InsertInto(p, n, WordOf(right, 0), separator);
            RemoveFrom(right, 0);
            std::memcpy(separator, EntryOf(right, 0) + 4, keyLen_);
            NotePage(parent);
            return;
        }
        if (ln + rn > fanout_) return;
        std::memcpy(EntryOf(left, ln), EntryOf(right, 0), uint64_t{rn} * entryLen_);
        std::memcpy(EntryOf(left, ln) + 4, separator, keyLen_);
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
