#include "storage_fixture.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "core/core_state.h"
#include "runtime/fault_injection.h"

namespace dbs::test {

uint8_t AppendInsert(uint32_t hTable, const void* pbyTuple) {
    return DbsAppendTupleEX(hTable) == 1 && DbsSetTupleEX(hTable, pbyTuple) == 1 ? 1 : 0;
}

Bytes& Bytes::U8(uint8_t v) {
    data_.push_back(v);
    return *this;
}
Bytes& Bytes::U16(uint16_t v) {
    if (big_) return U8(static_cast<uint8_t>(v >> 8)).U8(static_cast<uint8_t>(v));
    return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8));
}
Bytes& Bytes::U32(uint32_t v) {
    if (big_) return U16(static_cast<uint16_t>(v >> 16)).U16(static_cast<uint16_t>(v));
    return U16(static_cast<uint16_t>(v)).U16(static_cast<uint16_t>(v >> 16));
}
Bytes& Bytes::Raw(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    data_.insert(data_.end(), b, b + n);
    return *this;
}
Bytes& Bytes::Text(const std::string& s, size_t width) {
    for (size_t i = 0; i < width; ++i) U8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
    return *this;
}
Bytes& Bytes::Zeros(size_t n) {
    data_.insert(data_.end(), n, 0);
    return *this;
}
Bytes& Bytes::Desc(const std::string& name, char kind, uint16_t offset, uint16_t len, uint8_t save, uint8_t key) {
    return Text(name, 32).U8(static_cast<uint8_t>(kind)).U16(offset).U8(key).U16(len).U8(save);
}
Bytes& Bytes::Head(uint32_t count, uint16_t headSize, uint16_t recordLen, uint8_t fields, const std::string& name,
                   uint16_t formatWord) {
    return U8(1).U16(formatWord).U32(0x07D6090B).U32(count).U16(headSize).U16(recordLen).U8(fields).Text(name, 17);
}

void StorageFixture::SetUp() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "dbs_storage_XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    root = tmpl;
    std::filesystem::create_directories(root / "temp");
    std::filesystem::create_directories(root / "version");
    DbsSetDataPath((root.string() + "/").c_str());
    CoreFixture::SetUp();
}

void StorageFixture::TearDown() {
    dbs::fault::ResetAll();
    CoreFixture::TearDown();
    DbsSetDataPath("");
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
}

uint32_t StorageFixture::MakeTable(uint16_t no, const char* name, uint32_t capacity,
                                   const std::vector<std::string>& fields, uint8_t type) {
    // The creation call takes its field definitions as variadic strings: up to 8, then empty strings.
    EXPECT_LE(fields.size(), 8u);
    std::vector<const char*> s;
    for (const auto& field : fields) s.push_back(field.c_str());
    s.resize(9, "");
    uint32_t h = DbsCreateTableBySpec(no, name, 0, capacity, s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8]);
    EXPECT_NE(h, 0u) << name;
    if (h == 0) return 0;
    EXPECT_EQ(DbsSetTableType(h, type), 1);
    EXPECT_EQ(DbsSetTableMethod(h, DBS_METHOD_INSERT, reinterpret_cast<DbsMethodFn>(&AppendInsert)), 1);
    return h;
}

void StorageFixture::AddMain(uint32_t hTable, const std::vector<uint8_t>& tuple) {
    ASSERT_EQ(DbsGetTupleLen(hTable), tuple.size());
    ASSERT_EQ(DbsAppendTuple(hTable), 1);
    ASSERT_EQ(DbsSetTuple(hTable, tuple.data()), 1);
}

std::vector<std::vector<uint8_t>> StorageFixture::Records(uint32_t hTable, bool secondary) {
    std::vector<std::vector<uint8_t>> out;
    const TagDBForm* form = dbs::core::TableForm(hTable);
    if (form == nullptr) return out;
    const char* buf = dbs::core::TableBuffer(form, secondary);
    const size_t len = form->wTupleLen;
    for (uint32_t i = 0; buf != nullptr && i < form->dwMaxTupleNum; ++i) {
        const auto* slot = reinterpret_cast<const uint8_t*>(buf + i * len);
        if (slot[0] == DBS_TUPLE_USED) out.emplace_back(slot + 1, slot + len);
    }
    return out;
}

std::string StorageFixture::Dir(uint8_t pathNo) const {
    return std::string(gptDbsPath->achPath[pathNo - 1]) + "/";
}

std::vector<uint8_t> StorageFixture::ReadFile(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void StorageFixture::WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace dbs::test
