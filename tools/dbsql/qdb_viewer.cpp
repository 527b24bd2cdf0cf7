/* Table-file viewer.

   A table file is a 33-byte head (format byte, format word, format date, record count, head size, record
   length, field count, table name), one 39-byte descriptor per field (name, kind, offset, key flag, length,
   save flag) and the records, each a status byte ('U' in use) followed by the fields at their offsets. Files
   written under the temp path hold their numbers in network byte order, the others in little-endian order;
   nothing in the file says which, so the caller chooses, and the viewer points out when the other order is the
   one that makes sense. */
#include "qdb_viewer.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <span>
#include <vector>

#include <fmt/format.h>

#include "result_table.h"
#include "value_format.h"

namespace dbsql {

namespace {

constexpr size_t kHeadSize = 33;
constexpr size_t kDescSize = 39;
constexpr size_t kMaxFileBytes = size_t{1} << 31;

uint32_t Number(const uint8_t* p, size_t width, bool big) {
    uint32_t v = 0;
    for (size_t i = 0; i < width; ++i) v = (v << 8) | p[big ? i : width - 1 - i];
    return v;
}

struct Head {
    uint8_t format;
    uint32_t word, date, count, headSize, recordLen, fieldCount;
    std::string name;
};

Head ReadHead(const uint8_t* p, bool big) {
    Head h;
    h.format = p[0];
    h.word = Number(p + 1, 2, big);
    h.date = Number(p + 3, 4, big);
    h.count = Number(p + 7, 4, big);
    h.headSize = Number(p + 11, 2, big);
    h.recordLen = Number(p + 13, 2, big);
    h.fieldCount = p[15];
    h.name.assign(reinterpret_cast<const char*>(p + 16), strnlen(reinterpret_cast<const char*>(p + 16), 17));
    return h;
}

// A head is plausible when its size matches the field count and the record length is not 0.
bool Plausible(const Head& h, size_t fileSize) {
    return h.recordLen != 0 && h.headSize == kHeadSize + kDescSize * h.fieldCount && h.headSize <= fileSize;
}

struct Field {
    std::string name;
    char kind;
    uint32_t offset, length;
    uint8_t keyFlag, saveFlag;
};

}  // namespace

std::string ShowQdbFile(const std::string& path, bool networkOrder, OutputMode mode, std::ostream& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot open " + path;
    std::vector<uint8_t> data;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (data.size() > kMaxFileBytes) return path + " is too large to show";
    if (data.empty()) return path + " is empty";
    if (data.size() < kHeadSize)
        return fmt::format("{} is {} bytes long, shorter than a file head ({} bytes)", path, data.size(), kHeadSize);

    Head h = ReadHead(data.data(), networkOrder);
    std::vector<std::string> notes;
    if (!Plausible(h, data.size()) && Plausible(ReadHead(data.data(), !networkOrder), data.size()))
        notes.push_back(networkOrder ? "the head reads sensibly in little-endian order: try without --network-order"
                                     : "the head reads sensibly in network byte order: try --network-order");

    ResultTable head;
    head.columns = {"property", "value"};
    auto add = [&](const char* k, std::string v) { head.rows.push_back({Cell::Text(k), Cell::Text(std::move(v))}); };
    add("file", path);
    add("byte order", networkOrder ? "network (big-endian)" : "little-endian");
    add("format", fmt::format("{} (word {})", h.format, h.word));
    add("date", fmt::format("{:04}-{:02}-{:02}", h.date >> 16, (h.date >> 8) & 0xFF, h.date & 0xFF));
    add("table", h.name);
    add("records", std::to_string(h.count));
    add("head size", std::to_string(h.headSize));
    add("record length", std::to_string(h.recordLen));
    add("fields", std::to_string(h.fieldCount));
    add("file size", std::to_string(data.size()));
    Render(head, mode, out);

    // Descriptors: as many as the head announces and the file holds.
    std::vector<Field> fields;
    size_t descEnd = std::min<size_t>(data.size(), std::max<size_t>(h.headSize, kHeadSize));
    if (h.headSize < kHeadSize) notes.push_back(fmt::format("head size {} is below {}", h.headSize, kHeadSize));
    else if (h.headSize != kHeadSize + kDescSize * h.fieldCount)
        notes.push_back(fmt::format("head size {} does not match {} fields", h.headSize, h.fieldCount));
    if (h.headSize > data.size()) notes.push_back("the file ends inside the field descriptors");
    for (size_t i = 0; i < h.fieldCount; ++i) {
        size_t at = kHeadSize + kDescSize * i;
        if (at + kDescSize > descEnd) break;
        const uint8_t* p = data.data() + at;
        Field f;
        f.name.assign(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), 32));
        f.kind = static_cast<char>(p[32]);
        f.offset = Number(p + 33, 2, networkOrder);
        f.keyFlag = p[35];
        f.length = Number(p + 36, 2, networkOrder);
        f.saveFlag = p[38];
        fields.push_back(std::move(f));
    }
    ResultTable desc;
    desc.columns = {"field", "kind", "offset", "length", "key", "saved"};
    for (const auto& f : fields) {
        std::string kind = f.kind >= 0x20 && f.kind < 0x7F ? std::string(1, f.kind) : fmt::format("0x{:02X}", f.kind);
        desc.rows.push_back({Cell::Text(f.name), Cell::Text(fmt::format("{} {}", kind, KindName(f.kind))),
                             Cell::Number(std::to_string(f.offset)), Cell::Number(std::to_string(f.length)),
                             Cell::Number(std::to_string(f.keyFlag)), Cell::Number(std::to_string(f.saveFlag))});
        if (f.offset == 0 || f.offset + f.length > h.recordLen)
            notes.push_back(fmt::format("field {} (offset {}, length {}) does not lie inside the record of {} bytes",
                                        f.name, f.offset, f.length, h.recordLen));
    }
    Render(desc, mode, out);

    // Records: the body starts at the head size; a record in use starts with 'U'.
    ResultTable records;
    for (const auto& f : fields) records.columns.push_back(f.name);
    if (h.recordLen != 0 && h.headSize >= kHeadSize && h.headSize <= data.size()) {
        size_t available = (data.size() - h.headSize) / h.recordLen;
        size_t count = std::min<size_t>(available, h.count);
        if (available < h.count)
            notes.push_back(fmt::format("the head announces {} records, the file holds {}", h.count, available));
        size_t unused = 0;
        for (size_t r = 0; r < count; ++r) {
            std::span<const uint8_t> rec(data.data() + h.headSize + r * h.recordLen, h.recordLen);
            if (rec[0] != 'U') {
                ++unused;
                continue;
            }
            auto& row = records.rows.emplace_back();
            for (const auto& f : fields) {
                if (f.offset == 0 || f.offset + f.length > rec.size()) row.push_back(Cell::Null());
                else row.push_back(CellFromField(f.kind, rec.subspan(f.offset, f.length), networkOrder));
            }
        }
        if (unused != 0) notes.push_back(fmt::format("{} records are not marked in use and were skipped", unused));
    }
    if (!records.columns.empty()) Render(records, mode, out);
    for (const auto& n : notes) out << "note: " << n << '\n';
    return {};
}

}  // namespace dbsql
