// The whole store to files and back: DbsSaveDataToQDB in both modes, DbsLoadData, the two load attempts, table
// types, the path table afterwards, and the recovery cases of the save sequence.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/core_state.h"
#include "storage/qdb_format.h"
#include "storage_fixture.h"

namespace dbs::test {
namespace {

// Every field kind, arrays of both numeric kinds, and one field that is not saved.
const std::vector<std::string> kAllKinds = {"NAME C(10) SAVE", "W1 W(2) SAVE",     "WA W(6) SAVE",
                                            "D1 D(4) SAVE",    "DA D(12) SAVE",    "NA N(3) SAVE",
                                            "L1 L(1) SAVE",    "SKIP D(4) NOTSAVE"};
constexpr size_t kAllKindsLen = 10 + 2 + 6 + 4 + 12 + 3 + 1 + 4;

std::vector<uint8_t> AllKindsTuple(uint32_t seed, bool withUnsaved) {
    std::vector<uint8_t> t(kAllKindsLen, 0);
    for (size_t i = 0; i < 10; ++i) t[i] = static_cast<uint8_t>('a' + (seed + i) % 26);
    for (size_t i = 10; i < kAllKindsLen - 4; ++i) t[i] = static_cast<uint8_t>(seed * 31 + i * 7);
    if (withUnsaved) std::memcpy(t.data() + kAllKindsLen - 4, &seed, 4);
    return t;
}

uint8_t gRefuse = 0xFF;
// An insert method that refuses every record whose first byte is gRefuse, as a broken constraint would.
uint8_t RefusingInsert(uint32_t hTable, const void* pbyTuple) {
    if (*static_cast<const uint8_t*>(pbyTuple) == gRefuse) return 0;
    return AppendInsert(hTable, pbyTuple);
}

class SaveLoadTest : public StorageFixture {
protected:
    std::string Temp() const { return (root / "temp").string() + "/"; }
    std::string Version() const { return (root / "version").string() + "/"; }
    // The directory DbsSaveDataToQDB writes into when given `dir`: the path itself, then the separator.
    static std::string SavedName(const std::string& dir, const char* table) { return dir + "/" + table + ".QDB"; }

    bool Contains(const std::string& line) const {
        const auto texts = trace.Texts();
        return std::find(texts.begin(), texts.end(), line) != texts.end();
    }
    // Restarts the core and builds the tables again, as a new process would before loading.
    void Restart() {
        DbsCoreRelease();
        ASSERT_EQ(DbsCoreInit(), 1);
        trace.Clear();
    }
};

TEST_F(SaveLoadTest, RoundTripInNetworkOrderThroughTheTempDirectory) {
    uint32_t h = MakeTable(0, "KINDS", 300, kAllKinds);
    for (uint32_t i = 0; i < 257; ++i) AddMain(h, AllKindsTuple(i, true));
    ASSERT_EQ(DbsSaveDataToQDB(Temp().c_str(), DBS_SAVE_TO_TEMP), 1) << ::testing::PrintToString(trace.Texts());
    EXPECT_TRUE(Exists(SavedName(Temp(), "KINDS")));

    Restart();
    h = MakeTable(0, "KINDS", 300, kAllKinds);
    ASSERT_EQ(DbsLoadData(), 1) << ::testing::PrintToString(trace.Texts());
    const auto records = Records(h);
    ASSERT_EQ(records.size(), 257u);
    for (uint32_t i = 0; i < 257; ++i) EXPECT_EQ(records[i], AllKindsTuple(i, false)) << i;
    EXPECT_TRUE(Records(h, true).empty());
}

TEST_F(SaveLoadTest, RoundTripInHostOrderThroughTheVersionDirectory) {
    uint32_t h = MakeTable(0, "KINDS", 8, kAllKinds);
    for (uint32_t i = 0; i < 5; ++i) AddMain(h, AllKindsTuple(i, true));
    ASSERT_EQ(DbsSaveDataToQDB(Version().c_str(), DBS_SAVE_TO_VERSION), 1);

    // The two files differ exactly by the order of the numbers.
    ASSERT_EQ(DbsSaveDataToQDB(Temp().c_str(), DBS_SAVE_TO_TEMP), 1);
    const auto little = ReadFile(SavedName(Version(), "KINDS"));
    const auto big = ReadFile(SavedName(Temp(), "KINDS"));
    ASSERT_EQ(little.size(), big.size());
    EXPECT_NE(little, big);
    EXPECT_EQ(little[1], 0x00);  // format word 512, little-endian
    EXPECT_EQ(little[2], 0x02);
    EXPECT_EQ(big[1], 0x02);
    EXPECT_EQ(big[2], 0x00);

    Restart();
    h = MakeTable(0, "KINDS", 8, kAllKinds);
    DbsSetCurPath(DBS_PATH_VERSION);
    ASSERT_EQ(DbsLoadRTable(h), 1);
    const auto records = Records(h, true);
    ASSERT_EQ(records.size(), 5u);
    for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(records[i], AllKindsTuple(i, false));
}

TEST_F(SaveLoadTest, SaveModesLeaveThePathTableAsTheyFoundItButForTheirOwnPath) {
    MakeTable(0, "T", 2, {"A N(1) SAVE"});
    DbsSetPath(DBS_PATH_VERSION, "elsewhere");
    DbsSetPath(DBS_PATH_TEMP, "other");
    DbsSetCurPath(DBS_PATH_DATA);
    const std::string data = root.string() + "/";

    ASSERT_EQ(DbsSaveDataToQDB(Version().c_str(), DBS_SAVE_TO_VERSION), 1);
    EXPECT_EQ(std::string(gptDbsPath->achPath[2]), data + "version");
    EXPECT_EQ(std::string(gptDbsPath->achPath[1]), data + "other");
    EXPECT_EQ(DbsGetCurPath(), DBS_PATH_DATA);
    char ver[DBS_PATH_SIZE];
    DbsSwGetCurVerPath(ver);
    EXPECT_EQ(std::string(ver), data);

    ASSERT_EQ(DbsSaveDataToQDB(Temp().c_str(), 7), 1);  // any mode but 1 is the temp mode
    EXPECT_EQ(std::string(gptDbsPath->achPath[1]), data + "temp");
    EXPECT_EQ(DbsGetCurPath(), DBS_PATH_DATA);
    EXPECT_TRUE(Exists(SavedName(Temp(), "T")));
}

TEST_F(SaveLoadTest, TypesDecideWhatIsSavedAndWhatMayFailToLoad) {
    const uint32_t first = MakeTable(0, "FIRST", 2, {"A N(1) SAVE"}, DBS_TABLE_TYPE_FIRST);
    const uint32_t nosave = MakeTable(1, "NOSAVE", 2, {"A N(1) SAVE"}, DBS_TABLE_TYPE_NOSAVE);
    const uint32_t second = MakeTable(2, "SECOND", 2, {"A N(1) SAVE"}, DBS_TABLE_TYPE_SECOND);
    AddMain(first, {1});
    AddMain(nosave, {2});
    AddMain(second, {3});
    ASSERT_EQ(DbsSaveDataToQDB(Temp().c_str(), DBS_SAVE_TO_TEMP), 1);
    EXPECT_TRUE(Exists(SavedName(Temp(), "FIRST")));
    EXPECT_FALSE(Exists(SavedName(Temp(), "NOSAVE")));
    EXPECT_TRUE(Exists(SavedName(Temp(), "SECOND")));

    // Loading: FIRST comes from its file; without SECOND's file the load still succeeds.
    std::filesystem::rename(Temp() + "SECOND.QDB", Temp() + "SECOND.KEEP");
    Restart();
    MakeTable(0, "FIRST", 2, {"A N(1) SAVE"}, DBS_TABLE_TYPE_FIRST);
    MakeTable(1, "NOSAVE", 2, {"A N(1) SAVE"}, DBS_TABLE_TYPE_NOSAVE);
    MakeTable(2, "SECOND", 2, {"A N(1) SAVE"}, DBS_TABLE_TYPE_SECOND);
    ASSERT_EQ(DbsLoadData(), 1);
    EXPECT_EQ(Records(first), (std::vector<std::vector<uint8_t>>{{1}}));
    EXPECT_TRUE(Records(second).empty());
    const std::string tmp = Dir(DBS_PATH_VERSION) + "SECOND.TMP";
    const std::string qdb = Dir(DBS_PATH_TEMP) + "SECOND.QDB";
    EXPECT_TRUE(Contains("[File:* Line*] Load file " + qdb + " in DbsDefaultLoadMethod fails"));
    EXPECT_TRUE(Contains("[File:* Line*] Load file " + tmp + " in DbsDefaultLoadMethod fails"));
    EXPECT_TRUE(Contains("[File:* Line*] Load table SECOND ERROR!"));
    EXPECT_FALSE(Contains("[File:* Line*] Load table NOSAVE ERROR!"));

    // Without FIRST's file the load fails, and the other tables still load.
    std::filesystem::remove(Temp() + "FIRST.QDB");
    std::filesystem::rename(Temp() + "SECOND.KEEP", Temp() + "SECOND.QDB");
    Restart();
    MakeTable(0, "FIRST", 2, {"A N(1) SAVE"}, DBS_TABLE_TYPE_FIRST);
    MakeTable(1, "NOSAVE", 2, {"A N(1) SAVE"}, DBS_TABLE_TYPE_NOSAVE);
    MakeTable(2, "SECOND", 2, {"A N(1) SAVE"}, DBS_TABLE_TYPE_SECOND);
    EXPECT_EQ(DbsLoadData(), 0);
    EXPECT_TRUE(Contains("[File:* Line*] Load table FIRST ERROR!"));
    EXPECT_EQ(Records(second), (std::vector<std::vector<uint8_t>>{{3}}));
}

TEST_F(SaveLoadTest, NoTablesIsNoWork) {
    EXPECT_EQ(DbsLoadData(), 1);
    EXPECT_EQ(DbsSaveDataToQDB(Temp().c_str(), DBS_SAVE_TO_TEMP), 1);
    EXPECT_TRUE(std::filesystem::is_empty(root / "temp"));
}

TEST_F(SaveLoadTest, BeforeInitialisationNothingIsTouched) {
    DbsCoreRelease();
    trace.Clear();
    EXPECT_EQ(DbsLoadData(), 0);
    EXPECT_EQ(trace.Last(), "FILE *, Line *, DBS is in uninitialized state!");
    EXPECT_EQ(DbsSaveDataToQDB("/somewhere/else/", DBS_SAVE_TO_TEMP), 0);
    EXPECT_EQ(trace.Last(), "FILE *, Line *, DBS is in uninitialized state!");
    char ver[DBS_PATH_SIZE];
    DbsSwGetCurVerPath(ver);
    EXPECT_EQ(std::string(ver), root.string() + "/");
}

TEST_F(SaveLoadTest, SavingTwiceReplacesTheFileAndLeavesNoTemporary) {
    const uint32_t h = MakeTable(0, "TWICE", 4, {"A N(1) SAVE"});
    AddMain(h, {1});
    ASSERT_EQ(DbsSaveDataToQDB(Temp().c_str(), DBS_SAVE_TO_TEMP), 1);
    AddMain(h, {2});
    ASSERT_EQ(DbsSaveDataToQDB(Temp().c_str(), DBS_SAVE_TO_TEMP), 1);
    const auto file = ReadFile(SavedName(Temp(), "TWICE"));
    ASSERT_EQ(file.size(), 33u + 39 + 2 * 2);
    EXPECT_EQ(file[10], 2);  // record count, big-endian
    EXPECT_FALSE(Exists(Temp() + "/TWICE.TMP"));
}

TEST_F(SaveLoadTest, UnsavedFieldsAreStoredAsZeros) {
    const uint32_t h = MakeTable(0, "Z", 2, {"A N(2) SAVE", "B N(2) NOTSAVE"});
    AddMain(h, {1, 2, 3, 4});
    DbsSetCurPath(DBS_PATH_VERSION);
    ASSERT_EQ(DbsSaveRTable(h), 1);
    const auto file = ReadFile(Dir(DBS_PATH_VERSION) + "Z.QDB");
    const std::vector<uint8_t> record(file.end() - 5, file.end());
    EXPECT_EQ(record, (std::vector<uint8_t>{'U', 1, 2, 0, 0}));
}

TEST_F(SaveLoadTest, ARefusedRecordFailsTheAttemptAndTheTemporaryFileIsTriedUnderPath3) {
    const uint32_t h = MakeTable(0, "CONS", 4, {"A N(1) SAVE"});
    AddMain(h, {1});
    AddMain(h, {7});
    AddMain(h, {2});
    ASSERT_EQ(DbsSaveDataToQDB(Temp().c_str(), DBS_SAVE_TO_TEMP), 1);
    // Without the refused record, a little-endian copy as the temporary file of path 3.
    ASSERT_EQ(DbsSetTupleNo(h, 2), 1);
    ASSERT_EQ(DbsDeleteTuple(h), 1);
    DbsSetCurPath(DBS_PATH_VERSION);
    DbsSetTableFlag(h, DBS_FLAG_SAVE_PENDING);
    ASSERT_EQ(DbsSaveRTable(h), 1);
    std::filesystem::rename(Version() + "CONS.QDB", Version() + "CONS.TMP");

    Restart();
    const uint32_t h2 = MakeTable(0, "CONS", 4, {"A N(1) SAVE"});
    ASSERT_EQ(DbsSetTableMethod(h2, DBS_METHOD_INSERT, reinterpret_cast<DbsMethodFn>(&RefusingInsert)), 1);
    gRefuse = 7;
    ASSERT_EQ(DbsLoadData(), 1);
    gRefuse = 0xFF;
    const auto texts = trace.Texts();
    // Attempt 0 inserted {1} before the refusal; the clear before attempt 1 keeps it from coming twice.
    const std::vector<std::string> expected = {
        "[File:* Line*] File " + Dir(DBS_PATH_TEMP) + "CONS.QDB  Loading in DbsDefaultLoadMethod ....",
        "[File:* Line*] DbsInsertRTable fail in DbsDefaultLoadMethod ....",
        "[File:* Line*] Load file " + Dir(DBS_PATH_TEMP) + "CONS.QDB in DbsDefaultLoadMethod fails",
        "[File:* Line*] File " + Dir(DBS_PATH_VERSION) + "CONS.TMP  Loading in DbsDefaultLoadMethod ....",
        "[File:* Line*] Load file " + Dir(DBS_PATH_VERSION) + "CONS.TMP in DbsDefaultLoadMethod success.",
    };
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(Records(h2), (std::vector<std::vector<uint8_t>>{{1}, {2}}));

    // Without the temporary file, both attempts fail and so does the table of type 1, leaving it empty.
    std::filesystem::remove(Version() + "CONS.TMP");
    Restart();
    const uint32_t h3 = MakeTable(0, "CONS", 4, {"A N(1) SAVE"});
    ASSERT_EQ(DbsSetTableMethod(h3, DBS_METHOD_INSERT, reinterpret_cast<DbsMethodFn>(&RefusingInsert)), 1);
    gRefuse = 7;
    EXPECT_EQ(DbsLoadData(), 0);
    gRefuse = 0xFF;
    EXPECT_TRUE(Contains("[File:* Line*] Load table CONS ERROR!"));
    EXPECT_TRUE(Records(h3).empty());
    EXPECT_TRUE(Records(h3, true).empty());
}

TEST_F(SaveLoadTest, MissingQdbIsLoadedFromTheTemporaryFileOfPath3) {
    uint32_t h = MakeTable(0, "REC", 4, {"A W(2) SAVE", "B D(4) SAVE"});
    AddMain(h, {0x34, 0x12, 1, 2, 3, 4});
    DbsSetCurPath(DBS_PATH_VERSION);
    ASSERT_EQ(DbsSaveRTable(h), 1);
    std::filesystem::rename(Version() + "REC.QDB", Version() + "REC.TMP");

    Restart();
    h = MakeTable(0, "REC", 4, {"A W(2) SAVE", "B D(4) SAVE"});
    ASSERT_EQ(DbsLoadData(), 1);
    EXPECT_EQ(Records(h), (std::vector<std::vector<uint8_t>>{{0x34, 0x12, 1, 2, 3, 4}}));
    EXPECT_TRUE(Contains("[File:* Line*] Load file " + Dir(DBS_PATH_VERSION) +
                         "REC.TMP in DbsDefaultLoadMethod success."));
}

TEST_F(SaveLoadTest, LoadingPublishesAllTablesAtOnceAndAFailedTableIsEmpty) {
    const uint32_t a = MakeTable(0, "A", 4, {"X N(1) SAVE"});
    const uint32_t b = MakeTable(1, "B", 4, {"X N(1) SAVE"});
    AddMain(a, {1});
    ASSERT_EQ(DbsSaveDataToQDB(Temp().c_str(), DBS_SAVE_TO_TEMP), 1);
    // Records already in main memory stay there until the swap, then move to secondary memory.
    AddMain(b, {9});
    std::filesystem::remove(Temp() + "B.QDB");
    ASSERT_EQ(DbsLoadData(), 0);  // B has no file
    EXPECT_EQ(Records(a), (std::vector<std::vector<uint8_t>>{{1}}));
    EXPECT_TRUE(Records(b).empty());
    EXPECT_EQ(Records(b, true), (std::vector<std::vector<uint8_t>>{{9}}));
}

TEST_F(SaveLoadTest, RecordsBeyondTheValueBufferAreRefusedAndOneThatFitsWorks) {
    const uint32_t fits = MakeTable(0, "FITS", 2, {"A C(10600) SAVE"});
    const uint32_t over = MakeTable(1, "OVER", 2, {"A C(10600) SAVE", "B N(1) SAVE"});
    AddMain(fits, std::vector<uint8_t>(10600, 'f'));
    AddMain(over, std::vector<uint8_t>(10601, 'o'));
    EXPECT_EQ(DbsSaveDataToQDB(Temp().c_str(), DBS_SAVE_TO_TEMP), 0);
    EXPECT_TRUE(Exists(SavedName(Temp(), "FITS")));
    EXPECT_FALSE(Exists(SavedName(Temp(), "OVER")));
    EXPECT_TRUE(Contains("FILE *, Line *, Save Table OVER Data Error!"));

    WriteFile(Temp() + "OVER.QDB", {});
    trace.Clear();
    EXPECT_EQ(DbsLoadData(), 0);
    EXPECT_EQ(Records(fits), (std::vector<std::vector<uint8_t>>{std::vector<uint8_t>(10600, 'f')}));
    EXPECT_TRUE(Contains("[File:* Line*] Table OVER record length 10601 exceeds 10600 bytes in DbsDefaultLoadMethod"));
}

TEST_F(SaveLoadTest, TablesOfMoreFieldsThanTheFileHoldsAreRefused) {
    // The work area holds 128 descriptors: a table of 128 fields round-trips, one of 129 is refused.
    for (uint16_t fields : {128, 129}) {
        SCOPED_TRACE(fields);
        DbsCoreRelease();
        ASSERT_EQ(DbsCoreInit(), 1);
        const uint32_t h = DbsCreateTableFormNo(0, "WIDE", 0, 2, fields);
        for (uint16_t i = 0; i < fields; ++i) {
            ASSERT_EQ(DbsAddDomain(h, std::string("F").append(std::to_string(i)).c_str(), 'N', 1, 1), 1);
        }
        ASSERT_EQ(DbsAllocMemory(h), 1);
        ASSERT_EQ(DbsSetTableMethod(h, DBS_METHOD_INSERT, reinterpret_cast<DbsMethodFn>(&AppendInsert)), 1);
        std::vector<uint8_t> tuple(fields);
        for (uint16_t i = 0; i < fields; ++i) tuple[i] = static_cast<uint8_t>(i);
        AddMain(h, tuple);
        DbsSetCurPath(DBS_PATH_VERSION);
        const std::string tmp = Dir(DBS_PATH_VERSION) + "WIDE.TMP";
        if (fields == 128) {
            ASSERT_EQ(DbsSaveRTable(h), 1);
            DbsSetCurPath(DBS_PATH_VERSION);
            ASSERT_EQ(DbsLoadRTable(h), 1);
            EXPECT_EQ(Records(h, true), (std::vector<std::vector<uint8_t>>{tuple}));
        } else {
            EXPECT_EQ(DbsSaveRTable(h), 0);
            EXPECT_TRUE(Contains("[File: *, Line: *] QDB file " + tmp +
                                 ": table WIDE has 129 fields, a table file holds at most 128"));
            EXPECT_FALSE(Exists(tmp));
        }
    }
}

TEST_F(SaveLoadTest, TooLongSavePathIsRefusedWithoutSaving) {
    MakeTable(0, "T", 2, {"A N(1) SAVE"});
    const std::string longPath(300, 'x');
    EXPECT_EQ(DbsSaveDataToQDB(longPath.c_str(), DBS_SAVE_TO_TEMP), 0);
    char ver[DBS_PATH_SIZE];
    DbsSwGetCurVerPath(ver);
    EXPECT_EQ(std::string(ver), root.string() + "/");
    EXPECT_EQ(std::string(gptDbsPath->achPath[1]), root.string() + "/temp");
}

TEST_F(SaveLoadTest, SaveRTableRefusals) {
    EXPECT_EQ(DbsSaveRTable(0x10003), 0);
    EXPECT_EQ(trace.Last(), "[File:* Line*] Table Handle 10003 Invalid");
    const uint32_t h = MakeTable(0, "T", 2, {"A N(1) SAVE"});
    ASSERT_EQ(DbsSetTableMethod(h, DBS_METHOD_SAVE, nullptr), 1);
    trace.Clear();
    EXPECT_EQ(DbsSaveRTable(h), 0);  // no save method: no line
    EXPECT_EQ(trace.Count(), 0u);
    EXPECT_EQ(DbsDefaultSaveMethod(h, nullptr), 0);
    EXPECT_EQ(DbsDefaultLoadMethod(h, nullptr), 0);
}

}  // namespace
}  // namespace dbs::test
