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
        if (const TagDMForm* f = Field(field)) {
            uint16_t len = std::min<uint16_t>(f->wDMLen, sizeof value);
            std::memcpy(&bytes_[f->wDMOffset - 1], &value, len);
        }
        return *this;
    }
    Row& Set(const char* field, const char* text) {
        if (const TagDMForm* f = Field(field)) {
            std::memset(&bytes_[f->wDMOffset - 1], 0, f->wDMLen);
            std::memcpy(&bytes_[f->wDMOffset - 1], text, std::min<size_t>(std::strlen(text), f->wDMLen));
        }
        return *this;
    }
    uint32_t Get(const char* field) const {
        uint32_t value = 0;
        if (const TagDMForm* f = Field(field)) {
            std::memcpy(&value, &bytes_[f->wDMOffset - 1], std::min<uint16_t>(f->wDMLen, sizeof value));
        }
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
    const TagDMForm* Field(const char* name) const {
        uint8_t count = DbsGetDomainNum(handle_);
        for (uint8_t i = 0; i < count; ++i) {
            const TagDMForm* f = DbsGetDomainName(handle_, i);
            if (f != nullptr && std::strcmp(f->achDMName, name) == 0) return f;
        }
        ADD_FAILURE() << "no field " << name;
        return nullptr;
    }

    uint32_t handle_;
    std::vector<char> bytes_;
};

}  // namespace dbs::test
