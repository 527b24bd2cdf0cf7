// The SQL value type: typed slots, owned bytes with an inline buffer and a reusable heap block, and the width and
// byte-layout rules by which a value is written into a fixed-width result row.
#include "sql/sql_value.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace dbs::sql {

NumClass ClassOf(int type) {
    switch (type) {
        case DB_SHORT:
        case DB_INT:
        case DB_LONG:
        case DB_TINYINT: return NumClass::kLong;
        case DB_FLOAT:
        case DB_DOUBLE: return NumClass::kDouble;
        case DB_USHORT:
        case DB_UINT:
        case DB_ULONG: return NumClass::kULong;
        default: return NumClass::kNone;
    }
}

bool IsNumericType(int type) { return ClassOf(type) != NumClass::kNone; }

SqlValue::~SqlValue() { DbsFree(heap_); }

SqlValue::SqlValue(SqlValue&& other) noexcept { *this = std::move(other); }

SqlValue& SqlValue::operator=(SqlValue&& other) noexcept {
    if (this == &other) return *this;
    DbsFree(heap_);
    v_ = other.v_;
    heap_ = std::exchange(other.heap_, nullptr);
    heapCap_ = std::exchange(other.heapCap_, 0);
    onHeap_ = other.onHeap_;
    std::memcpy(inline_, other.inline_, sizeof inline_);
    Repoint();
    other.SetEmpty();
    return *this;
}

void SqlValue::Repoint() {
    if (v_.chStorage != DBS_STORAGE_OWNED) return;
    v_.pData = onHeap_ ? heap_ : inline_;
}

void SqlValue::SetType(int type) {
    v_ = TagSqlValue{};
    v_.chType = static_cast<int8_t>(type);
}

void SqlValue::SetLong(int32_t x) { SetType(DB_LONG); v_.lLong = x; }
void SqlValue::SetInt(int32_t x) { SetType(DB_INT); v_.iInt = x; }
void SqlValue::SetULong(uint32_t x) { SetType(DB_ULONG); v_.ulULong = x; }
void SqlValue::SetDouble(double x) { SetType(DB_DOUBLE); v_.dDouble = x; }
void SqlValue::SetShort(int16_t x) { SetType(DB_SHORT); v_.sShort = x; }

char* SqlValue::Reserve(uint32_t size) {
    if (size <= kInlineSize) {
        onHeap_ = false;
        return inline_;
    }
    if (size > heapCap_) {
        // Grow geometrically so that a column of varying widths settles after a few rows.
        uint32_t cap = std::max<uint32_t>(size, heapCap_ * 2);
        char* block = static_cast<char*>(DbsMalloc(cap));
        if (block == nullptr) return nullptr;
        DbsFree(heap_);
        heap_ = block;
        heapCap_ = cap;
    }
    onHeap_ = true;
    return heap_;
}

bool SqlValue::SetString(std::string_view text) {
    SetType(DB_STRING);
    return AttachBytes(text.data(), static_cast<uint32_t>(text.size()), 1);
}

bool SqlValue::AttachBytes(const void* src, uint32_t size, uint32_t extraZero) {
    uint32_t total = size + extraZero;
    char* dst = Reserve(total);
    if (dst == nullptr) {
        SetNoVal();
        return false;
    }
    if (size != 0) std::memmove(dst, src, size);
    if (extraZero != 0) std::memset(dst + size, 0, extraZero);
    v_.dwLength = total;
    v_.pData = dst;
    v_.chStorage = DBS_STORAGE_OWNED;
    return true;
}

void SqlValue::DropBytes() {
    v_.dwLength = 0;
    v_.pData = nullptr;
    v_.chStorage = DBS_STORAGE_NONE;
}

bool SqlValue::CopyFrom(const SqlValue& other) {
    if (this == &other) return true;
    if (!other.OwnsBytes()) {
        v_ = other.v_;
        if (v_.chStorage == DBS_STORAGE_OWNED) DropBytes();
        return true;
    }
    TagSqlValue typed = other.v_;
    if (!AttachBytes(other.v_.pData, other.v_.dwLength)) return false;
    typed.pData = v_.pData;
    v_ = typed;
    return true;
}

std::string_view SqlValue::text() const {
    if (v_.pData == nullptr || v_.dwLength == 0) return {};
    const char* p = static_cast<const char*>(v_.pData);
    const void* zero = std::memchr(p, 0, v_.dwLength);
    return {p, zero ? static_cast<size_t>(static_cast<const char*>(zero) - p) : v_.dwLength};
}

int32_t SqlValue::AsLong() const {
    switch (type()) {
        case DB_SHORT: return v_.sShort;
        case DB_INT: return v_.iInt;
        case DB_LONG: return v_.lLong;
        case DB_TINYINT: return v_.byTinyInt;
        default: return 0;
    }
}

uint32_t SqlValue::AsULong() const {
    switch (type()) {
        case DB_USHORT: return v_.usUShort;
        case DB_UINT: return v_.uiUInt;
        case DB_ULONG: return v_.ulULong;
        default: return static_cast<uint32_t>(AsLong());
    }
}

double SqlValue::AsDouble() const {
    switch (ClassOf(type())) {
        case NumClass::kDouble: return type() == DB_FLOAT ? static_cast<double>(v_.fFloat) : v_.dDouble;
        case NumClass::kULong: return static_cast<double>(AsULong());
        case NumClass::kLong: return static_cast<double>(AsLong());
        default: return 0.0;
    }
}

int TypeWidth(int type) {
    switch (type) {
        case DB_SHORT:
        case DB_USHORT: return 2;
        case DB_INT:
        case DB_LONG:
        case DB_FLOAT:
        case DB_UINT:
        case DB_ULONG: return 4;
        case DB_DOUBLE: return 8;
        case DB_STRING:
        case DB_TINYINT: return 1;
        default: return 0;
    }
}

uint32_t ValueWidth(const SqlValue& v) {
    if (v.type() == DB_STRING) return v.length() == 0 ? 0 : v.length() - 1;
    if (v.OwnsBytes()) return v.length();
    switch (v.type()) {
        case DB_NOVAL:
        case DB_ERRVAL:
        case DB_NULL:
        case DB_EMPTY: return 0;
        case DB_TINYINT: return 1;
        case DB_SHORT:
        case DB_USHORT: return 2;
        case DB_DOUBLE: return 8;
        default: return 4;
    }
}

// The typed slot of a value and its size, or null for the codes without a slot.
static const void* TypedSlot(const TagSqlValue& v, uint32_t& size) {
    switch (static_cast<uint8_t>(v.chType)) {
        case DB_TINYINT: size = 1; return &v.byTinyInt;
        case DB_SHORT: size = 2; return &v.sShort;
        case DB_INT: size = 4; return &v.iInt;
        case DB_LONG: size = 4; return &v.lLong;
        case DB_FLOAT: size = 4; return &v.fFloat;
        case DB_DOUBLE: size = 8; return &v.dDouble;
        case DB_USHORT: size = 2; return &v.usUShort;
        case DB_UINT: size = 4; return &v.uiUInt;
        case DB_ULONG: size = 4; return &v.ulULong;
        default: size = 0; return nullptr;
    }
}

void WriteValueBytes(const SqlValue& v, char* dst, uint32_t width) {
    const void* src = nullptr;
    uint32_t size = 0;
    if (v.type() == DB_STRING) {
        std::string_view t = v.text();
        src = t.data();
        size = static_cast<uint32_t>(t.size());
    } else if (v.OwnsBytes()) {
        src = v.bytes();
        size = v.length();
    } else {
        src = TypedSlot(v.raw(), size);
    }
    uint32_t n = std::min(size, width);
    if (n != 0) std::memcpy(dst, src, n);
    if (n < width) std::memset(dst + n, 0, width - n);
}

}  // namespace dbs::sql
