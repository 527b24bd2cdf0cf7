// The shop store, the exempt trace sink, store images and the allocation-failure walk of the fault tests.
#include "fault_fixture.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include <dbs/traceprint.h>

#include "alloc_hook.h"
#include "core/core_state.h"
#include "runtime/fault_injection.h"

namespace dbs::test {
namespace {

// Built before any test: the call under test may run with C++ allocations failing.
const std::string kFirstSchema = std::string(DBS_SOURCE_DIR) + "/examples/schema/shop.xml";
const std::string kSecondSchema = std::string(DBS_SOURCE_DIR) + "/examples/schema/shop_optional.xml";

}  // namespace

FaultTrace::FaultTrace() { TraceSetSink(&FaultTrace::Sink, this); }
FaultTrace::~FaultTrace() { TraceSetSink(nullptr, nullptr); }

void FaultTrace::Sink(void* ctx, int, const char*, int, const char* text) {
    CxxAllocExempt exempt;
    static_cast<FaultTrace*>(ctx)->lines_.emplace_back(text != nullptr ? text : "");
}

bool FaultTrace::Contains(const std::string& part) const {
    for (const std::string& line : lines_) {
        if (line.find(part) != std::string::npos) return true;
    }
    return false;
}

std::string FaultTrace::Joined() const {
    std::string all;
    for (const std::string& line : lines_) all += line + "\n";
    return all;
}

void ShopFixture::SetUp() {
    dbs::fault::ResetAll();
    if (gbDbsInit != 0) DbsUninitialize();
    char pattern[] = "/tmp/dbs_fault_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
    for (const char* sub : {"version", "temp", "data"}) std::filesystem::create_directories(root / sub);
    temp = (root / "temp").string() + "/";
    DbsSetDataPath((root.string() + "/").c_str());
}

void ShopFixture::TearDown() {
    dbs::fault::ResetAll();
    TransRollback();
    if (gbDbsInit != 0) DbsUninitialize();
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

bool ShopFixture::Start() {
    return DbsInitialize(kFirstSchema, kSecondSchema) == 1;
}

std::vector<uint8_t> ShopFixture::Tuple(const char* table, const std::map<std::string, uint32_t>& numbers,
                                        const std::map<std::string, std::string>& texts) const {
    const uint32_t h = DbsGetTableHandle(table);
    std::vector<uint8_t> bytes(DbsGetTupleLen(h));
    for (uint8_t i = 0; i < DbsGetDomainNum(h); ++i) {
        const TagDMForm* f = DbsGetDomainName(h, i);
        if (f == nullptr) continue;
        uint8_t* at = bytes.data() + f->wDMOffset - 1;
        if (auto n = numbers.find(f->achDMName); n != numbers.end()) {
            std::memcpy(at, &n->second, std::min<size_t>(f->wDMLen, sizeof n->second));
        } else if (auto t = texts.find(f->achDMName); t != texts.end()) {
            std::memcpy(at, t->second.data(), std::min<size_t>(f->wDMLen, t->second.size()));
        }
    }
    return bytes;
}

void ShopFixture::Fill() {
    auto insert = [&](const char* table, const std::map<std::string, uint32_t>& numbers,
                      const std::map<std::string, std::string>& texts = {}) {
        const std::vector<uint8_t> t = Tuple(table, numbers, texts);
        ASSERT_EQ(DbsSysInsertTabTuple(DbsGetTableHandle(table), t.data()), 1) << table << "\n" << trace.Joined();
    };
    for (uint32_t c = 1; c <= 3; ++c) {
        insert("Customer", {{"CustId", c}, {"Level", c}}, {{"Name", "cust" + std::to_string(c)}, {"City", "Ulm"}});
    }
    for (uint32_t s = 1; s <= 2; ++s) insert("Store", {{"StoreId", s}}, {{"City", "Ulm"}});
    for (uint32_t p = 1; p <= 4; ++p) {
        insert("Product", {{"ProdId", p}, {"Price", 100 * p}, {"Stock", 10 * p}},
               {{"Sku", "SKU" + std::to_string(p)}, {"Title", "thing"}});
    }
    insert("Orders", {{"OrderId", 1}, {"CustId", 1}, {"Day", 5}, {"Kind", 1}, {"StoreId", 1}});
    insert("Orders", {{"OrderId", 2}, {"CustId", 2}, {"Day", 6}, {"Kind", 2}});
    for (uint32_t line = 1; line <= 3; ++line) {
        insert("OrderLine", {{"OrderId", 1}, {"LineNo", line}, {"ProdId", line}, {"Qty", line}});
    }
    insert("OrderLine", {{"OrderId", 2}, {"LineNo", 1}, {"ProdId", 4}, {"Qty", 9}});
    insert("Supplier", {{"SupId", 1}}, {{"Name", "acme"}});
    insert("Supply", {{"SupId", 1}, {"ProdId", 1}, {"Cost", 50}});
    insert("Supply", {{"SupId", 1}, {"ProdId", 2}, {"Cost", 60}});
    insert("Sale", {{"SaleId", 1}, {"ProdId", 3}, {"Percent", 10}});
    insert("Review", {{"CustId", 1}, {"Stars", 4}}, {{"Sku", "SKU1"}, {"Text", "fine"}});
    ASSERT_EQ(DbsChangeOverAddr(), 1);
    ASSERT_EQ(DbsAllCopyData(), 1);
    trace.Clear();
}

bool ShopFixture::SaveAll() { return DbsSaveDataToQDB(Temp().c_str(), DBS_SAVE_TO_TEMP) == 1; }

uint8_t ShopFixture::Reload() {
    for (uint16_t t = 0; t < DbsGetTableNum(); ++t) DbsClrSecondaryMem(DbsGetDBHandle(t));
    const uint8_t loaded = DbsLoadData();
    DbsAllCopyData();
    return loaded;
}

StoreImage ShopFixture::Image() const {
    StoreImage image;
    for (uint16_t t = 0; t < DbsGetTableNum(); ++t) {
        const TagDBForm* form = dbs::core::TableForm(DbsGetDBHandle(t));
        if (form == nullptr) continue;
        for (bool secondary : {false, true}) {
            auto& records = (secondary ? image.secondary : image.main)[form->achDBName];
            const char* buf = dbs::core::TableBuffer(form, secondary);
            const size_t len = form->wTupleLen;
            for (uint32_t i = 0; buf != nullptr && i < form->dwMaxTupleNum; ++i) {
                const auto* slot = reinterpret_cast<const uint8_t*>(buf + i * len);
                if (slot[0] == DBS_TUPLE_USED) records.emplace_back(i, std::vector<uint8_t>(slot + 1, slot + len));
            }
        }
    }
    return image;
}

void ShopFixture::ExpectIndexesAgree() const {
    const StoreImage image = Image();
    for (const auto& [name, records] : image.secondary) {
        const uint32_t h = DbsGetTableHandle(name.c_str());
        std::vector<uint8_t> found(DbsGetTupleLen(h));
        for (const auto& [slot, bytes] : records) {
            const TagDBForm* form = dbs::core::TableForm(h);
            for (uint16_t key = 0; key < DBS_IDX_SLOTS; ++key) {
                if (form->adwIdxHandle[key] == 0) continue;
                if (DbsSysLocateTupleEX(h, key, bytes.data()) == 0) {
                    EXPECT_NE(key, 0) << name << " slot " << slot << " is not found through its primary key";
                    continue;
                }
                ASSERT_EQ(DbsGetTupleEX(h, found.data()), 1);
                EXPECT_EQ(found, bytes) << name << " key " << key << " leads to another record";
            }
        }
    }
}

long WalkAllocFailures(const std::function<void()>& reset, const std::function<bool()>& call,
                       const std::function<void(bool ok, long n)>& check, long limit) {
    long failures = 0;
    for (long n = 1; n <= limit; ++n) {
        reset();
        dbs::fault::FailAllocAt(n);
        bool ok = false;
        bool threw = false;
        {
            CxxAllocArmed armed;
            try {
                ok = call();
            } catch (...) {
                threw = true;
            }
        }
        const long calls = dbs::fault::AllocCalls();
        dbs::fault::ResetAll();
        EXPECT_FALSE(threw) << "an exception left the library when allocation " << n << " failed";
        if (calls < n) {
            EXPECT_TRUE(ok) << "the call fails without an injected failure";
            return failures;
        }
        ++failures;
        check(ok, n);
        if (::testing::Test::HasFatalFailure() || ::testing::Test::HasNonfatalFailure()) return failures;
    }
    ADD_FAILURE() << "the call still allocated after " << limit << " tries";
    return failures;
}

}  // namespace dbs::test
