// ORDER BY: an exchange sort of the materialised rows in place. Row i is compared with every later row j, key by
// key, and the two rows swap when j belongs before i. Keys are read at their column's offset and compared by the
// column's type.
#include <cstring>

#include "sql/executor.h"

namespace dbs::sql {

namespace {

template <typename T>
T ReadAt(const char* p, uint32_t width) {
    T x{};
    std::memcpy(&x, p, width < sizeof(T) ? width : sizeof(T));
    return x;
}

template <typename T>
int Order(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }

int CompareKey(const TagSqlField& f, const char* rowA, const char* rowB) {
    const char* a = rowA + f.wOffset;
    const char* b = rowB + f.wOffset;
    uint32_t w = static_cast<uint32_t>(f.iFieldLen);
    switch (static_cast<uint8_t>(f.iFieldType)) {
        case DB_SHORT: return Order(ReadAt<int16_t>(a, w), ReadAt<int16_t>(b, w));
        case DB_INT:
        case DB_LONG: return Order(ReadAt<int32_t>(a, w), ReadAt<int32_t>(b, w));
        case DB_USHORT: return Order(ReadAt<uint16_t>(a, w), ReadAt<uint16_t>(b, w));
        case DB_UINT:
        case DB_ULONG: return Order(ReadAt<uint32_t>(a, w), ReadAt<uint32_t>(b, w));
        case DB_TINYINT: return Order(ReadAt<uint8_t>(a, w), ReadAt<uint8_t>(b, w));
        case DB_FLOAT: return Order(ReadAt<float>(a, w), ReadAt<float>(b, w));
        case DB_DOUBLE: return Order(ReadAt<double>(a, w), ReadAt<double>(b, w));
        case DB_STRING: {
            for (uint32_t k = 0; k < w; ++k) {
                unsigned char x = static_cast<unsigned char>(a[k]);
                unsigned char y = static_cast<unsigned char>(b[k]);
                if (x != y) return x < y ? -1 : 1;
                if (x == 0) break;
            }
            return 0;
        }
        default: return 0;
    }
}

// True when row j belongs before row i.
bool Swaps(const TagSqlParser& ctx, const TagSqlRecordset& rs, const char* rowI, const char* rowJ) {
    for (int k = 0; k < ctx.iSortNum; ++k) {
        const SqlSortKey& key = ctx.atSort[k];
        if (key.iColumn < 0 || key.iColumn >= rs.iFieldNum) continue;
        int c = CompareKey(rs.atField[key.iColumn], rowI, rowJ);
        if (c == 0) continue;
        return key.chDirection == 'd' ? c < 0 : c > 0;
    }
    return false;
}

}  // namespace

void SortRows(const TagSqlParser& ctx, TagSqlRecordset& rs, char* swapRow) {
    size_t len = static_cast<size_t>(rs.iRowLen);
    for (int i = 0; i + 1 < rs.iRowNum; ++i) {
        char* rowI = rs.pchData + static_cast<size_t>(i) * len;
        for (int j = i + 1; j < rs.iRowNum; ++j) {
            char* rowJ = rs.pchData + static_cast<size_t>(j) * len;
            if (!Swaps(ctx, rs, rowI, rowJ)) continue;
            std::memcpy(swapRow, rowI, len);
            std::memcpy(rowI, rowJ, len);
            std::memcpy(rowJ, swapRow, len);
        }
    }
}

}  // namespace dbs::sql
