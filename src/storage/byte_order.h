// Byte-order helpers of the table-file code: unaligned loads and stores of 16- and 32-bit units, the host to
// network conversions, and the in-place conversion of the numeric fields of one record.
//
// Every access goes through memcpy, so a unit may sit at any address; nothing here reads or writes outside
// the bytes it is given.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

#include <dbs/dbs.h>

namespace dbs::storage {

inline constexpr uint16_t Swap16(uint16_t v) { return static_cast<uint16_t>((v >> 8) | (v << 8)); }
inline constexpr uint32_t Swap32(uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
}

// Host order <-> network order (big-endian). The same operation in both directions.
inline constexpr uint16_t NetOrder16(uint16_t v) {
    if constexpr (std::endian::native == std::endian::big) return v;
    return Swap16(v);
}
inline constexpr uint32_t NetOrder32(uint32_t v) {
    if constexpr (std::endian::native == std::endian::big) return v;
    return Swap32(v);
}

inline uint16_t LoadU16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline uint32_t LoadU32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void StoreU16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, sizeof v); }
inline void StoreU32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, sizeof v); }

// Converts, in place, every 'W' and 'D' field of `tuple` (a record without its status byte) between host and
// network order. A field that does not lie wholly inside `tuple`, or that is shorter than one unit, is left
// alone. Both directions are the same operation; the caller has already checked the direction.
void ConvertTupleFields(std::span<const TagDMForm> fields, std::span<uint8_t> tuple);

}  // namespace dbs::storage
