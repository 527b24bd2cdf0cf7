// Malformed table files: every kind is refused with its line, the load fails cleanly (nothing inserted, the work
// area free), and nothing is read or written outside a buffer (the sanitizer builds run these too).
#include <algorithm>
#include <string>
#include <vector>

#include "core/core_state.h"
#include "storage_fixture.h"

namespace dbs::test {
namespace {

// The table: A W(2), B C(3); record length 6, head size 33 + 2 * 39 = 111.
Bytes GoodHead(uint32_t count = 1) {
    Bytes b;
    b.Head(count, 111, 6, 2, "M").Desc("A", 'W', 1, 2, 1).Desc("B", 'C', 3, 3, 1);
    return b;
}

struct Malformed {
    const char* what;
    std::vector<uint8_t> file;
    std::string line;  // the refusal, "{path}" standing for the file's name
};

std::vector<Malformed> Cases() {
    std::vector<Malformed> c;
    c.push_back({"empty file", {}, "[File: *, Line: *] QDB file {path} Record Length is 0"});
    {
        const std::vector<uint8_t> good = GoodHead().Get();
        c.push_back({"head of 20 bytes", std::vector<uint8_t>(good.begin(), good.begin() + 20),
                     "[File: *, Line: *] QDB file {path} file head invalid"});
    }
    {
        Bytes b;
        b.Head(0, 33 + 3 * 39, 7, 3, "M").Desc("A", 'W', 1, 2, 1).Desc("B", 'C', 3, 3, 1).Desc("X", 'N', 6, 1, 1);
        c.push_back({"one field more", b.Get(), "[File: *, Line: *] QDB file {path} Domain Num in head is invalid"});
    }
    {
        Bytes b;
        b.Head(0, 33, 6, 2, "M");
        c.push_back({"head size below the descriptors", b.Get(), "[File: *, Line: *] QDB file {path} head size 33 invalid"});
    }
    {
        Bytes b;
        b.Head(0, 60000, 6, 2, "M").Desc("A", 'W', 1, 2, 1).Desc("B", 'C', 3, 3, 1);
        c.push_back({"head size beyond the descriptor area", b.Get(),
                     "[File: *, Line: *] QDB file {path} head size 60000 invalid"});
    }
    {
        Bytes b;
        b.Head(1, 111, 0, 2, "M").Desc("A", 'W', 1, 2, 1).Desc("B", 'C', 3, 3, 1).U8('U');
        c.push_back({"record length 0", b.Get(), "[File: *, Line: *] QDB file {path} record length 0 invalid"});
    }
    {
        Bytes b;
        b.Head(0, 111, 6, 2, "M").Desc("A", 'W', 1, 2, 1).Text("B", 20);
        c.push_back({"descriptors cut short", b.Get(), "[File: *, Line: *] QDB file {path} field desc invalid"});
    }
    {
        Bytes b;
        b.Head(0, 111, 6, 2, "M").Desc("A", 'W', 0, 2, 1).Desc("B", 'C', 3, 3, 1);
        c.push_back({"descriptor offset 0", b.Get(), "[File: *, Line: *] QDB file {path} field desc invalid"});
    }
    {
        Bytes b;
        b.Head(0, 111, 6, 2, "M").Desc("A", 'W', 1, 2, 1).Desc("B", 'C', 3, 4, 1);
        c.push_back({"field past the record", b.Get(), "[File: *, Line: *] QDB file {path} field desc invalid"});
    }
    {
        Bytes b;
        b.Head(0, 111, 6, 2, "M").Desc("A", 'W', 1, 65535, 1).Desc("B", 'C', 65535, 3, 1);
        c.push_back({"huge offset and length", b.Get(), "[File: *, Line: *] QDB file {path} field desc invalid"});
    }
    {
        Bytes b = GoodHead(3);
        b.U8('U').U16(1).Text("ab", 3);
        c.push_back({"fewer records than the head says", b.Get(),
                     "[File: *, Line: *] Read File ERROR, file name = {path}, ERROR!!! in DbsReadTupleFromWorkArea."});
    }
    {
        Bytes b = GoodHead(0xFFFFFFFFu);
        b.U8('U').U16(1).Text("ab", 3);
        c.push_back({"record count of 2^32 - 1", b.Get(),
                     "[File: *, Line: *] Read File ERROR, file name = {path}, ERROR!!! in DbsReadTupleFromWorkArea."});
    }
    {
        Bytes b;
        b.Head(1, 111, 65535, 2, "M").Desc("A", 'W', 1, 2, 1).Desc("B", 'C', 3, 3, 1).U8('U').U16(1).Text("ab", 3);
        c.push_back({"record length of 65535 over a short body", b.Get(),
                     "[File: *, Line: *] Read File ERROR, file name = {path}, ERROR!!! in DbsReadTupleFromWorkArea."});
    }
    {
        Bytes b = GoodHead(5);
        for (int i = 0; i < 4; ++i) b.Zeros(6);
        b.U8('U').U16(1).Text("ab", 3);
        c.push_back({"records beyond the table's capacity", b.Get(),
                     "[File: *, Line: *] Over Dbs cpaacity = 2, file name = {path}, ERROR!!! in DbsReadTupleFromWorkArea"});
    }
    {
        Bytes b;
        b.Head(1, 111, 6, 2, "M", 0).Desc("A", 'W', 1, 2, 1).Desc("B", 'C', 3, 3, 1).U8('U').U16(1).Text("ab", 3);
        c.push_back({"format word 0", b.Get(), ""});
    }
    return c;
}

class MalformedFileTest : public StorageFixture {};

TEST_F(MalformedFileTest, EveryKindIsRefusedCleanly) {
    for (const Malformed& m : Cases()) {
        SCOPED_TRACE(m.what);
        DbsCoreRelease();
        ASSERT_EQ(DbsCoreInit(), 1);
        const uint32_t h = MakeTable(0, "M", 2, {"A W(2) SAVE", "B C(3) SAVE"});
        const std::string path = Dir(DBS_PATH_VERSION) + "M.QDB";
        WriteFile(path, m.file);
        DbsSetCurPath(DBS_PATH_VERSION);
        trace.Clear();

        EXPECT_EQ(DbsLoadRTable(h), 0);
        const auto texts = trace.Texts();
        if (!m.line.empty()) {
            std::string line = m.line;
            line.replace(line.find("{path}"), 6, path);
            EXPECT_NE(std::find(texts.begin(), texts.end(), line), texts.end()) << ::testing::PrintToString(texts);
        }
        EXPECT_NE(std::find(texts.begin(), texts.end(),
                            "[File:* Line*] Load file " + path + " in DbsDefaultLoadMethod fails"),
                  texts.end());
        EXPECT_TRUE(Records(h, true).empty());
        EXPECT_TRUE(std::all_of(gpQdbWorkArea, gpQdbWorkArea + kQdbWorkAreaSize, [](uint8_t b) { return b == 0; }));
        EXPECT_EQ(DbsGetCurPath(), DBS_PATH_VERSION);
        EXPECT_EQ(gptDB_Form[0].byDBFlag & DBS_FLAG_SAVE_PENDING, DBS_FLAG_SAVE_PENDING);
    }
}

TEST_F(MalformedFileTest, EveryTruncationOfAGoodFileIsHandled) {
    // Cut a good file of three records at every length: a cut inside the head or the descriptors is refused at
    // the open, a cut inside the body fails the read; only the whole file loads.
    Bytes b = GoodHead(3);
    for (uint16_t i = 0; i < 3; ++i) b.U8('U').U16(i).Text("xy", 3);
    const std::vector<uint8_t> whole = b.Get();
    const uint32_t h = MakeTable(0, "M", 4, {"A W(2) SAVE", "B C(3) SAVE"});
    const std::string path = Dir(DBS_PATH_VERSION) + "M.QDB";
    for (size_t len = 0; len <= whole.size(); ++len) {
        SCOPED_TRACE(len);
        WriteFile(path, std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(len)));
        DbsSetCurPath(DBS_PATH_VERSION);
        const uint8_t ok = DbsLoadRTable(h);
        EXPECT_EQ(ok, len == whole.size() ? 1 : 0);
        EXPECT_EQ(Records(h, true).size(), ok == 1 ? 3u : 0u);
        DbsClrSecondaryMem(h);
    }
}

}  // namespace
}  // namespace dbs::test
