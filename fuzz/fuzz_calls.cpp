// A byte string decoded as a sequence of record, index, buffer and checked calls with arbitrary handles, numbers
// and keys. Whatever the sequence, no call may crash, read or write outside a buffer, or leak, and a copy that
// succeeds leaves both buffers of its table and indexes byte-identical (copies move only the pages written).
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include <dbs/dbs.h>

#include "core/core_state.h"
#include "core/index_kind.h"
#include "fuzz_support.h"

namespace {

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool More() const { return pos_ < size_; }
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint32_t Word() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
        return v;
    }
    void Fill(uint8_t* out, size_t n) {
        for (size_t i = 0; i < n; ++i) out[i] = Byte();
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

uint32_t PickTable(Reader& in) {
    uint8_t sel = in.Byte();
    uint16_t n = DbsGetTableNum();
    if (sel < 224 && n > 0) return DbsGetDBHandle(static_cast<uint16_t>(sel % n));
    return sel < 240 ? (DBS_HANDLE_TABLE | in.Byte()) : in.Word();
}

uint32_t PickIndex(Reader& in) {
    uint8_t sel = in.Byte();
    uint16_t n = DbsGetTableNum();
    if (sel < 224 && n > 0) return DBS_INDEX_HANDLE(sel % n, in.Byte() % 4);
    return sel < 240 ? (DBS_HANDLE_INDEX | (in.Word() & 0x3FF)) : in.Word();
}

// Stops the run when a copied table or one of its indexes holds different bytes in its two buffers. A table with an
// index that cannot be copied (its copy stops there: a bad kind, no buffers) is not looked at.
void CheckCopied(uint32_t hTable) {
    const TagDBForm* form = dbs::core::TableForm(hTable);
    if (form == nullptr || form->apchDBAddr[0] == nullptr || form->apchDBAddr[1] == nullptr) return;
    for (uint32_t slot = 0; slot < DBS_IDX_SLOTS; ++slot) {
        const TagIdxForm* idx = dbs::core::IndexForm(form->adwIdxHandle[slot]);
        if (idx == nullptr) continue;
        if (dbs::core::GroupOf(*idx) == dbs::core::IndexGroup::Invalid) return;
        if (idx->apchIdxAddr[0] == nullptr || idx->apchIdxAddr[1] == nullptr) return;
    }
    const uint64_t bytes = uint64_t{form->dwMaxTupleNum} * form->wTupleLen;
    if (std::memcmp(form->apchDBAddr[0], form->apchDBAddr[1], bytes) != 0) __builtin_trap();
    for (uint32_t slot = 0; slot < DBS_IDX_SLOTS; ++slot) {
        const uint32_t hIndex = form->adwIdxHandle[slot];
        const TagIdxForm* idx = dbs::core::IndexForm(hIndex);
        if (idx == nullptr) continue;
        const uint64_t n = dbs::core::AllocatedBufferBytes(DBS_HANDLE_NO(hIndex));
        if (std::memcmp(idx->apchIdxAddr[0], idx->apchIdxAddr[1], n) != 0) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    dbs::fuzz::StartShop();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!dbs::fuzz::ShopReady()) return 0;
    // Buffers as large as any record or key a call may read or write.
    static std::vector<uint8_t> tuple(65536), out(65536);
    std::array<uint8_t, 512> key{};
    Reader in(data, size);
    for (int step = 0; step < 256 && in.More(); ++step) {
        uint8_t op = in.Byte() % 30;
        switch (op) {
            case 0: DbsSetTupleNo(PickTable(in), in.Word() & 0xFFFF); break;
            case 1: DbsSetTupleNoEX(PickTable(in), in.Word() & 0xFFFF); break;
            case 2: DbsSkipToFirst(PickTable(in)); break;
            case 3: DbsSkipToNextEX(PickTable(in)); break;
            case 4: DbsSkipToPrev(PickTable(in)); break;
            case 5: DbsGetTuple(PickTable(in), out.data()); break;
            case 6: DbsGetTupleEX(PickTable(in), out.data()); break;
            case 7: in.Fill(tuple.data(), 64); DbsSetTuple(PickTable(in), tuple.data()); break;
            case 8: in.Fill(tuple.data(), 64); DbsSetTupleEX(PickTable(in), tuple.data()); break;
            case 9: DbsAppendTuple(PickTable(in)); break;
            case 10: DbsAppendTupleEX(PickTable(in)); break;
            case 11: DbsDeleteTuple(PickTable(in)); break;
            case 12: DbsDeleteTupleEX(PickTable(in)); break;
            case 13: {
                uint32_t h = PickTable(in);
                const TagDMForm* f = DbsGetDomainName(h, in.Byte());
                if (f != nullptr) {
                    in.Fill(tuple.data(), 64);
                    (in.Byte() & 1) ? DbsSetDomainEX(h, f->achDMName, tuple.data())
                                    : DbsGetDomain(h, f->achDMName, out.data());
                }
                break;
            }
            case 14: in.Fill(key.data(), 32); DbsLocateTuple(PickIndex(in), key.data()); break;
            case 15: in.Fill(key.data(), 32); DbsLocateTupleEX(PickIndex(in), key.data()); break;
            case 16: in.Fill(key.data(), 32); DbsInsertIndexEX(PickIndex(in), key.data()); break;
            case 17: in.Fill(key.data(), 32); DbsDeleteIndexEX(PickIndex(in), key.data()); break;
            case 18: in.Fill(tuple.data(), 128); DbsSysInsertTabTuple(PickTable(in), tuple.data()); break;
            case 19: in.Fill(tuple.data(), 128); DbsSysUpdateTabTuple(PickTable(in), tuple.data()); break;
            case 20: in.Fill(tuple.data(), 128); DbsSysDeleteTabTuple(PickTable(in), tuple.data()); break;
            case 21: DbsChangeOver(PickTable(in)); break;
            case 22: {
                const uint32_t h = PickTable(in);
                if (DbsCopyData(h) == 1) CheckCopied(h);
                break;
            }
            case 23: {
                const uint32_t h = PickTable(in);
                if (DbsCopyDataEx(h, in.Byte() % 3) == 1) CheckCopied(h);
                break;
            }
            case 24: DbsClrSecondaryMem(PickTable(in)); break;
            case 25:
                DbsAllCopyData();
                for (uint16_t t = 0; t < DbsGetTableNum(); ++t) CheckCopied(DbsGetDBHandle(t));
                break;
            case 26: DbsChangeOverAddr(); break;
            case 27: {
                uint16_t keyLen = 0;
                in.Fill(tuple.data(), 128);
                DbsGetIndexValue(PickTable(in), in.Byte() % 6, tuple.data(), key.data(),
                                 static_cast<uint16_t>(in.Byte() % 120), &keyLen);
                break;
            }
            case 28: in.Fill(tuple.data(), 128); DbsSysLocateTupleEX(PickTable(in), in.Byte() % 6, tuple.data()); break;
            case 29: {
                uint32_t tupleNo = 0;
                in.Fill(key.data(), 32);
                DbsFetchIndexEX(PickIndex(in), in.Byte() % 3, key.data(), &tupleNo);
                break;
            }
        }
    }
    return 0;
}
