// SqlValue: the typed value that expression evaluation works on, wrapping the host-visible TagSqlValue.
//
// A value may own bytes (a string with its terminator, or the raw bytes of a column); they live in an inline
// buffer when small and in one heap block otherwise, and the block is kept for reuse when the value is
// overwritten, so evaluating row after row allocates nothing once the buffers have grown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include <dbs/dbs.h>

namespace dbs::sql {

// The class a numeric type code widens to for arithmetic and comparison.
enum class NumClass { kNone, kLong, kDouble, kULong };

NumClass ClassOf(int type);
bool IsNumericType(int type);

class SqlValue {
public:
    static constexpr uint32_t kInlineSize = 40;

    SqlValue() { SetEmpty(); }
    ~SqlValue();
    SqlValue(const SqlValue&) = delete;
    SqlValue& operator=(const SqlValue&) = delete;
    SqlValue(SqlValue&& other) noexcept;
    SqlValue& operator=(SqlValue&& other) noexcept;

    int type() const { return static_cast<uint8_t>(v_.chType); }
    const TagSqlValue& raw() const { return v_; }
    TagSqlValue& raw() { return v_; }

    // Scalar setters; each drops owned bytes (the buffer is kept for reuse).
    void SetEmpty() { SetType(DB_EMPTY); }
    void SetNoVal() { SetType(DB_NOVAL); }
    void SetNull() { SetType(DB_NULL); }
    void SetErrVal() { SetType(DB_ERRVAL); }
    void SetLong(int32_t x);
    void SetInt(int32_t x);
    void SetULong(uint32_t x);
    void SetDouble(double x);
    void SetShort(int16_t x);
    // Sets the type code and clears every slot.
    void SetType(int type);

    // A string owning a copy of `text` plus a terminating zero (length = size + 1). False when out of memory.
    bool SetString(std::string_view text);
    // Keeps the type and typed slot, and attaches an owned copy of `bytes` (length = size, plus `extraZero` zero
    // bytes that are counted in the length too). False when out of memory.
    bool AttachBytes(const void* bytes, uint32_t size, uint32_t extraZero = 0);
    // Releases the owned bytes from the value's view (chStorage 0, no pointer); the buffer stays for reuse.
    void DropBytes();

    // Whole copy, owned bytes included. False when out of memory (the target is then DB_NOVAL).
    bool CopyFrom(const SqlValue& other);

    bool OwnsBytes() const { return v_.chStorage == DBS_STORAGE_OWNED && v_.pData != nullptr; }
    uint32_t length() const { return v_.dwLength; }
    const char* bytes() const { return static_cast<const char*>(v_.pData); }
    char* mutable_bytes() { return static_cast<char*>(v_.pData); }

    // The characters of a string value, up to its first zero byte and within its length.
    std::string_view text() const;

    // Numeric views by class (valid only when ClassOf(type()) matches).
    int32_t AsLong() const;
    uint32_t AsULong() const;
    double AsDouble() const;

private:
    char* Reserve(uint32_t size);
    void Repoint();

    TagSqlValue v_{};
    char* heap_ = nullptr;
    uint32_t heapCap_ = 0;
    bool onHeap_ = false;
    alignas(8) char inline_[kInlineSize]{};
};

// Width of a value in a result row: the characters of a string, the length of an owned raw copy, else by type.
uint32_t ValueWidth(const SqlValue& v);
// Width of a type code as GetTypeWidth gives it.
int TypeWidth(int type);
// Writes a value into `width` bytes of a row: string text, else raw copy, else typed slot; the bytes beyond the
// value are zero and a longer value is cut at the width.
void WriteValueBytes(const SqlValue& v, char* dst, uint32_t width);

}  // namespace dbs::sql
