// File operations of a whole-store save and load made to fail one at a time (open, short and failed writes and
// reads, close, sync, rename): the save reports the failure, every table file on disk is still a whole file of
// either the previous or the new save, and loading again gives the last saved data.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "fault_fixture.h"
#include "runtime/fault_injection.h"

namespace dbs::test {
namespace {

using dbs::fault::IoOp;
using Files = std::map<std::string, std::vector<uint8_t>>;
using Tables = std::map<std::string, std::vector<std::vector<uint8_t>>>;

struct IoCase {
    const char* what;
    IoOp op;
    long shortBytes;
};

class IoFaultWalkTest : public ShopFixture {
protected:
    // The table files in the save folder, by file name (".TMP" files included).
    Files ReadFiles() const {
        Files files;
        for (const auto& entry : std::filesystem::directory_iterator(Temp())) {
            std::ifstream in(entry.path(), std::ios::binary);
            files[entry.path().filename().string()] =
                std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return files;
    }
    void WriteFiles(const Files& files) const {
        std::filesystem::remove_all(Temp());
        std::filesystem::create_directories(Temp());
        for (const auto& [name, bytes] : files) {
            std::ofstream out(Temp() + name, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
    }
    // Main memory's records per table, in slot order (slots themselves differ after a reload).
    Tables MainTables() const {
        Tables tables;
        for (const auto& [name, records] : Image().main) {
            auto& out = tables[name];
            for (const auto& record : records) out.push_back(record.second);
        }
        return tables;
    }
    // Changes a few records of the published data through the checked calls and publishes the result.
    void Change() {
        const uint32_t customer = DbsGetTableHandle("Customer");
        std::vector<uint8_t> row = Tuple("Customer", {{"CustId", 4}, {"Level", 2}}, {{"Name", "new"}});
        ASSERT_EQ(DbsSysInsertTabTuple(customer, row.data()), 1);
        row = Tuple("Customer", {{"CustId", 3}, {"Level", 5}}, {{"Name", "moved"}, {"City", "Bonn"}});
        ASSERT_EQ(DbsSysUpdateTabTuple(customer, row.data()), 1);
        row = Tuple("Sale", {{"SaleId", 1}, {"ProdId", 3}, {"Percent", 10}});
        ASSERT_EQ(DbsSysDeleteTabTuple(DbsGetTableHandle("Sale"), row.data()), 1);
        ASSERT_EQ(DbsChangeOverAddr(), 1);
        ASSERT_EQ(DbsAllCopyData(), 1);
    }
};

TEST_F(IoFaultWalkTest, AFailedSaveKeepsWholeFilesAndTheLastSavedDataLoads) {
    ASSERT_TRUE(Start());
    Fill();
    ASSERT_TRUE(SaveAll());
    const Files oldFiles = ReadFiles();
    const Tables oldTables = MainTables();
    Change();
    ASSERT_TRUE(SaveAll());
    const Files newFiles = ReadFiles();
    const Tables newTables = MainTables();
    ASSERT_NE(oldTables, newTables);

    const std::vector<IoCase> cases = {
        {"open", IoOp::Open, -1},   {"write", IoOp::Write, -1}, {"short write", IoOp::Write, 3},
        {"close", IoOp::Close, -1}, {"sync", IoOp::Sync, -1},   {"rename", IoOp::Rename, -1},
    };
    for (const IoCase& c : cases) {
        long n = 1;
        for (; n < 500; ++n) {
            SCOPED_TRACE(std::string(c.what) + " #" + std::to_string(n));
            WriteFiles(oldFiles);
            trace.Clear();
            dbs::fault::FailIoAt(c.op, n, c.shortBytes);
            const bool saved = SaveAll();
            const long calls = dbs::fault::IoCalls(c.op);
            dbs::fault::ResetAll();
            if (calls < n) {
                EXPECT_TRUE(saved);
                break;
            }
            EXPECT_FALSE(saved) << "an injected failure was reported as success";
            EXPECT_TRUE(trace.Contains("Save Table ")) << trace.Joined();
            // Every table file is a whole file of one save or the other.
            const Files now = ReadFiles();
            for (const auto& [name, bytes] : oldFiles) {
                auto at = now.find(name);
                ASSERT_NE(at, now.end()) << name << " vanished";
                EXPECT_TRUE(at->second == bytes || at->second == newFiles.at(name)) << name << " is damaged";
            }
            // Loading gives, table by table, the data of the last save that reached that table's file.
            ASSERT_EQ(Reload(), 1) << trace.Joined();
            const Tables loaded = MainTables();
            for (const auto& [name, records] : loaded) {
                EXPECT_TRUE(records == oldTables.at(name) || records == newTables.at(name)) << name;
            }
            // Back to the changed data for the next try.
            WriteFiles(newFiles);
            ASSERT_EQ(Reload(), 1);
            ASSERT_EQ(MainTables(), newTables);
        }
        EXPECT_GT(n, 1) << c.what << ": the save never met the injected failure";
        WriteFiles(newFiles);
        ASSERT_EQ(Reload(), 1);
    }
}

TEST_F(IoFaultWalkTest, AFailedLoadIsReportedAndTheNextLoadGivesTheSavedData) {
    ASSERT_TRUE(Start());
    Fill();
    ASSERT_TRUE(SaveAll());
    const Tables saved = MainTables();
    const std::vector<IoCase> cases = {
        {"open", IoOp::Open, -1}, {"read", IoOp::Read, -1}, {"short read", IoOp::Read, 5}, {"close", IoOp::Close, -1}};
    for (const IoCase& c : cases) {
        long n = 1;
        for (; n < 500; ++n) {
            SCOPED_TRACE(std::string(c.what) + " #" + std::to_string(n));
            for (uint16_t t = 0; t < DbsGetTableNum(); ++t) DbsClrSecondaryMem(DbsGetDBHandle(t));
            trace.Clear();
            dbs::fault::FailIoAt(c.op, n, c.shortBytes);
            const uint8_t loaded = DbsLoadData();
            const long calls = dbs::fault::IoCalls(c.op);
            dbs::fault::ResetAll();
            if (calls < n) {
                EXPECT_EQ(loaded, 1);
                break;
            }
            if (MainTables() != saved) {
                // Whatever went missing was reported; a table of the optional schema may fail on its own.
                EXPECT_TRUE(trace.Contains("Load file ")) << trace.Joined();
            }
            ASSERT_EQ(Reload(), 1) << trace.Joined();
            EXPECT_EQ(MainTables(), saved);
        }
        EXPECT_GT(n, 1) << c.what << ": the load never met the injected failure";
    }
}

}  // namespace
}  // namespace dbs::test
