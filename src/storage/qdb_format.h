// The table file ("QDB" file) layout: a 33-byte head, one 39-byte field descriptor per field, then the records.
//
// Numbers are held in host order in memory; files written or read under path 2 carry the head's five numbers and
// the descriptors' offsets and lengths in network order, and the helpers here convert a head or descriptors
// between the two. Nothing here touches a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include <dbs/dbs.h>

#include "storage/byte_order.h"

namespace dbs::storage {

inline constexpr size_t kQdbHeadSize = 33;
inline constexpr size_t kQdbDescSize = 39;
inline constexpr uint8_t kQdbFormatByte = 1;
inline constexpr uint32_t kQdbFormatDate = 0x07D6090B;     // 2006-09-11: year << 16 | month << 8 | day
inline constexpr size_t kQdbMaxDomains = 128;              // descriptor places of the work area
inline constexpr size_t kQdbBufferSize = 0x20000;          // record buffer of the work area
inline constexpr size_t kQdbNameSize = 17;                 // table name field of the head
inline constexpr size_t kQdbMaxHeadSize = kQdbHeadSize + kQdbDescSize * kQdbMaxDomains;
inline constexpr uint8_t kTupleInUse = DBS_TUPLE_USED;

// The save method reads each value, and the load method builds each tuple, in a buffer of this size; a table
// whose data length is larger is refused by both.
inline constexpr size_t kValueBufferSize = 10600;

#pragma pack(push, 1)
struct TagQdbHead {
    uint8_t byFormat;          //  0  always 1
    uint16_t wFormat;          //  1  gwIdxFormNum when written; the open's result when read
    uint32_t dwDate;           //  3  kQdbFormatDate
    uint32_t dwRecordCount;    //  7  records in the body
    uint16_t wHeadSize;        // 11  33 + 39 * field count: offset of the body
    uint16_t wRecordLen;       // 13  1 + sum of the field lengths
    uint8_t byDomainNum;       // 15  field count
    char achName[kQdbNameSize];  // 16  table name, zero-padded
};
#pragma pack(pop)
static_assert(sizeof(TagQdbHead) == kQdbHeadSize, "the file head is 33 bytes");
static_assert(sizeof(TagDMForm) == kQdbDescSize, "a field descriptor is 39 bytes");

// Converts the five numbers of a head between host and network order.
inline TagQdbHead HeadNetOrder(const TagQdbHead& head) {
    TagQdbHead out = head;
    out.wFormat = NetOrder16(head.wFormat);
    out.dwDate = NetOrder32(head.dwDate);
    out.dwRecordCount = NetOrder32(head.dwRecordCount);
    out.wHeadSize = NetOrder16(head.wHeadSize);
    out.wRecordLen = NetOrder16(head.wRecordLen);
    return out;
}

// Converts the offset and length of each descriptor between host and network order, in place.
inline void DescriptorsNetOrder(std::span<TagDMForm> fields) {
    for (TagDMForm& f : fields) {
        f.wDMOffset = NetOrder16(f.wDMOffset);
        f.wDMLen = NetOrder16(f.wDMLen);
    }
}

}  // namespace dbs::storage
