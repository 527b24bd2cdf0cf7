// Fixed sizes of the catalogue's working buffers. Every check and checked operation works in stack buffers of
// these sizes; the code refuses (with a trace line) whatever would not fit instead of writing past them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dbs::catalog {

inline constexpr size_t kTupleBufLen = 10600;       // copy of one stored tuple
inline constexpr size_t kKeyBufLen = 100;           // one index or foreign-key key
inline constexpr size_t kConsStrLen = 100;          // a constraint string with its NUL
inline constexpr size_t kMaxKeyColumns = 8;         // key columns of one index
inline constexpr size_t kMaxListedColumns = 10;     // columns of one foreign-key string
inline constexpr uint16_t kMaxCharKeyColumn = 2047; // longest 'C' column that may take part in a key
inline constexpr int kMaxCascadeDepth = 16;         // nested cascading deletes before the delete is refused
inline constexpr size_t kMaxFields = 255;           // fields of one table (the descriptor counts them in a byte)

}  // namespace dbs::catalog
