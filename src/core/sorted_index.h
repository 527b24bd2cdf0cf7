// The sorted index kind: a B+-tree of fixed-size pages in one index buffer, unique keys in unsigned-byte order.
// Pages refer to each other by number only (a byte copy is a valid tree, zero bytes the empty tree); the buffer
// covers the largest tree at full capacity, every access stays inside it and every write is noted (dirty_pages.h).
#pragma once

#include <cstdint>

namespace dbs::core {

// The geometry of the trees of one index: entries per page, entry length, the most entries a tree holds and the
// pages its largest tree takes.
struct TreeShape {
    uint32_t fanout = 0;     // entries per page, leaf and inner alike
    uint32_t entryLen = 0;   // 4 + key length
    uint32_t capacity = 0;   // the table's record capacity
    uint32_t pages = 0;      // pages of the largest tree of this shape, the pages a buffer holds
    uint64_t PageBytes() const { return 4 + uint64_t{fanout} * entryLen; }
};

// The shape chosen for entries of `entryLen` bytes and a table of `capacity` records, and the bytes of one buffer
// holding the largest tree of that shape. A shape with fanout 0 (entry too short) holds nothing.
TreeShape ShapeFor(uint32_t entryLen, uint32_t capacity);
uint64_t TreeBufferBytes(const TreeShape& shape);

// Pages aim at this many bytes (0: the default) unless the whole capacity fits one leaf; tests lower it to make
// small trees deep. It applies to indexes allocated afterwards.
void SetTreePageTarget(uint32_t bytes);

// Records and returns the shape of index number `no`, fixed when its buffers are allocated.
void RecordTreeShape(uint32_t no, const TreeShape& shape);
TreeShape RecordedTreeShape(uint32_t no);

// A place in a tree: for each level from the leaves (0) up, the page and the entry slot in it.
struct TreePath {
    static constexpr uint32_t kMaxLevels = 40;
    uint32_t levels = 0;  // 0: the tree is empty
    uint32_t page[kMaxLevels];
    uint32_t slot[kMaxLevels];
};

class SortedIndex {
public:
    // Tree in `buffer` (of `bytes` bytes), buffer number `buf` of index number `indexNo`, whose writes are noted
    // under that number and buffer.
    SortedIndex(char* buffer, uint64_t bytes, const TreeShape& shape, uint32_t indexNo, uint8_t buf);

    // Finds the key: true with the path to its entry, false with the path to the place it belongs.
    bool Find(const void* key, TreePath& path) const;
    // The tuple number at a path found by Find (a hit).
    uint32_t TupleAt(const TreePath& path) const;
    // Writes tupleNo into the entry a hit path leads to.
    void Repoint(const TreePath& path, uint32_t tupleNo);
    // Adds the entry at the place a missing key's path leads to; false (nothing changed) when no page is left.
    bool Insert(const TreePath& path, uint32_t tupleNo, const void* key);
    // Removes the entry a hit path leads to.
    void Erase(const TreePath& path);

    // Ordered reading: the first entry whose first `len` key bytes are not below prefix[0, len) (len 0: the first
    // entry), then the ones behind it. False when there is none.
    bool Seek(const void* prefix, uint32_t len, TreePath& path) const;
    bool Next(TreePath& path) const;
    // The entry [tuple number][key] a path from Seek or Next stands on.
    const char* EntryAt(const TreePath& path) const;

private:
    uint32_t HeaderWord(uint32_t at) const;
    void SetHeaderWord(uint32_t at, uint32_t value);
    // True for a page number that names a page of the buffer.
    bool PageOk(uint32_t pageNo) const { return pageNo - 1u < pages_; }
    char* Page(uint32_t pageNo) const;
    uint32_t Count(uint32_t pageNo) const;
    void SetCount(uint32_t pageNo, uint32_t count);
    char* EntryOf(uint32_t pageNo, uint32_t slot) const;
    uint32_t WordOf(uint32_t pageNo, uint32_t slot) const;
    void NotePage(uint32_t pageNo);
    void NoteHeader();
    uint32_t PagesAvailable(uint32_t needed) const;
    uint32_t TakePage();
    void GivePage(uint32_t pageNo);
    void PutEntry(uint32_t pageNo, uint32_t slot, uint32_t word, const char* key);
    void InsertInto(uint32_t pageNo, uint32_t slot, uint32_t word, const char* key);
    void RemoveFrom(uint32_t pageNo, uint32_t slot);
    void Rebalance(const TreePath& path, uint32_t fromLevel);
    void MoveRight(uint32_t from, uint32_t to, uint32_t n);
    void MoveLeft(uint32_t to, uint32_t from, uint32_t n);
    void Spread(const uint32_t* pages, const uint32_t* counts, uint32_t k);
    void SetSeparator(uint32_t parent, uint32_t slot, uint32_t child);
    bool LeafRoom(const TreePath& path, uint32_t& neighbourSlot) const;
    uint32_t SpreadLeafInsert(const TreePath& path, uint32_t first, uint32_t k, uint32_t word, const char* key);
    bool InsertUp(const TreePath& path, uint32_t level, uint32_t slot, uint32_t word, const char* key);
    bool EvenLeaves(const TreePath& path);
    template <typename Key>
    bool FindAs(const char* key, TreePath& path) const;

    char* buffer_;
    uint32_t pages_;  // pages the buffer has room for
    uint32_t fanout_;
    uint32_t entryLen_;
    uint32_t keyLen_;
    uint32_t minFill_;      // entries an inner page other than the root keeps at least
    uint32_t leafMinFill_;  // entries a leaf keeps at least, but for the two leaves of a root with two children
    uint64_t pageBytes_;
    uint32_t indexNo_;
    uint8_t buf_;
};

}  // namespace dbs::core
