// Test support: a fixture for tests that drive the library's whole life (DbsInitialize .. DbsUninitialize),
// with the data path in a scratch folder, and a small builder of tuples by field name.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/core_state.h"
#include "runtime/fault_injection.h"
#include "schema/schema_files.h"
#include "support/trace_capture.h"

namespace dbs::test {

// Every test starts and ends with the library uninitialised.
class LifecycleFixture : public ::testing::Test {
protected:
    void SetUp() override {
        if (gbDbsInit != 0) DbsUninitialize();
        DbsSetDataPath((folder.Root().string() + "/").c_str());
        trace.Clear();
    }
    void TearDown() override {
        dbs::fault::ResetAll();
        if (gbDbsInit != 0) DbsUninitialize();
    }
    // True when some line written since the last Clear contains text.
    bool Traced(const std::string& text) const {
        std::vector<std::string> lines = trace.Texts();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.find(text) != std::string::npos; });
    }

    ScratchFolder folder;
    TraceCapture trace;
};

// A tuple of a table, its fields set by name; numbers are stored in host order at the field's width.
class Row {
public:
    explicit Row(const char* table) : handle_(DbsGetTableHandle(table)), bytes_(DbsGetTupleLen(handle_)) {}

    Row& Set(const char* field, uint32_t value) {
        Place p = Field(field);
        std::memcpy(bytes_.data() + p.at, &value, std::min<size_t>(p.len, sizeof value));
        return *this;
    }
    Row& Set(const char* field, const char* text) {
        if (Place p = Field(field); p.len != 0) {
            std::memset(bytes_.data() + p.at, 0, p.len);
            std::memcpy(bytes_.data() + p.at, text, std::min<size_t>(std::strlen(text), p.len));
        }
        return *this;
    }
    uint32_t Get(const char* field) const {
        uint32_t value = 0;
        Place p = Field(field);
        std::memcpy(&value, bytes_.data() + p.at, std::min<size_t>(p.len, sizeof value));
        return value;
    }

    uint8_t Insert() const { return DbsSysInsertTabTuple(handle_, bytes_.data()); }
    uint8_t Update() const { return DbsSysUpdateTabTuple(handle_, bytes_.data()); }
    uint8_t Delete() const { return DbsSysDeleteTabTuple(handle_, bytes_.data()); }
    // Reads the stored tuple with this row's primary key from secondary memory into the row; false if absent.
    bool Reload() {
        if (DbsSysLocateTupleEX(handle_, 0, bytes_.data()) == 0) return false;
        return DbsGetTupleEX(handle_, bytes_.data()) != 0;
    }
    uint32_t Handle() const { return handle_; }

private:
    // Where a field lies in the tuple (the descriptor is packed, so its members are copied out by value).
    struct Place {
        size_t at = 0;
        size_t len = 0;
    };
    Place Field(const char* name) const {
        uint8_t count = DbsGetDomainNum(handle_);
        for (uint8_t i = 0; i < count; ++i) {
            const TagDMForm* f = DbsGetDomainName(handle_, i);
            if (f == nullptr || std::strcmp(f->achDMName, name) != 0) continue;
            uint16_t offset = f->wDMOffset;
            uint16_t len = f->wDMLen;
            if (offset == 0 || offset - 1u + len > bytes_.size()) break;
            return Place{offset - 1u, len};
        }
        ADD_FAILURE() << "no field " << name;
        return Place{};
    }

    uint32_t handle_;
    std::vector<char> bytes_;
};

}  // namespace dbs::test
