// Test support for the table-file tests: a started core whose data path is a fresh temporary directory, tables
// built in code with a plain insert method, and helpers to read, write and compose table files byte by byte.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <dbs/dbs.h>

#include "support/trace_capture.h"

namespace dbs::test {

// Appends the record to the table's secondary memory, as the checked insert does for a table without keys.
uint8_t AppendInsert(uint32_t hTable, const void* pbyTuple);

// Builds little- or big-endian byte strings for hand-written table files.
class Bytes {
public:
    explicit Bytes(bool bigEndian = false) : big_(bigEndian) {}
    Bytes& U8(uint8_t v);
    Bytes& U16(uint16_t v);
    Bytes& U32(uint32_t v);
    Bytes& Raw(const void* p, size_t n);
    Bytes& Text(const std::string& s, size_t width);  // zero-padded
    Bytes& Zeros(size_t n);
    // A 39-byte field descriptor.
    Bytes& Desc(const std::string& name, char kind, uint16_t offset, uint16_t len, uint8_t save, uint8_t key = 0);
    // The 33-byte head.
    Bytes& Head(uint32_t count, uint16_t headSize, uint16_t recordLen, uint8_t fields, const std::string& name,
                uint16_t formatWord = 512);
    const std::vector<uint8_t>& Get() const { return data_; }

private:
    bool big_;
    std::vector<uint8_t> data_;
};

class StorageFixture : public CoreFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates table `no` from field definitions such as "NAME C(16) SAVE" (as DbsCreateTableBySpec reads them),
    // with AppendInsert as its insert method and the given type. Returns the handle.
    uint32_t MakeTable(uint16_t no, const char* name, uint32_t capacity, const std::vector<std::string>& fields,
                       uint8_t type = DBS_TABLE_TYPE_FIRST);
    // Appends one record to main memory.
    void AddMain(uint32_t hTable, const std::vector<uint8_t>& tuple);
    // The records in use of a buffer, in slot order (main or secondary).
    std::vector<std::vector<uint8_t>> Records(uint32_t hTable, bool secondary = false);

    // Directory of path number 2 ("temp") or 3 ("version"), with a trailing separator.
    std::string Dir(uint8_t pathNo) const;
    std::vector<uint8_t> ReadFile(const std::string& path) const;
    void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) const;
    bool Exists(const std::string& path) const { return std::filesystem::exists(path); }

    std::filesystem::path root;  // data path
};

}  // namespace dbs::test
