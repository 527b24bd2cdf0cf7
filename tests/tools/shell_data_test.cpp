// The shell and the data: CSV import and export, saving and loading the data directory, and the table-file
// viewer. A failed statement, import or save must never cost a byte of what is in the data directory.
#include <gtest/gtest.h>

#include <filesystem>

#include "dbsql_runner.h"

namespace dbsql::test {
namespace {

namespace fs = std::filesystem;

const char* const kRegions =
    "ID,NAME,CODES,LEVEL\r\n"
    "1,North,\"[1, 2, 3]\",0\r\n"
    "2,\"South, far\",[7],9\r\n"
    "3,\"Say \"\"hi\"\"\",[0],1\r\n"
    "4,\"two\r\nlines\",\"[65535, 0, 0]\",2\r\n";

TEST_F(ShellTest, ImportExportRoundTrip) {
    WriteFile(dir / "in.csv", kRegions);
    auto r = Run({"-c", ".import in.csv REGION", "-c", ".export REGION out.csv"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "imported 4 records into REGION\nexported 4 records of REGION to out.csv\n");
    // Array fields come back with all their units, missing ones as 0.
    std::string expected = kRegions;
    for (auto [from, to] : {std::pair{"[7]", "\"[7, 0, 0]\""}, std::pair{"[0]", "\"[0, 0, 0]\""}})
        expected.replace(expected.find(from), std::string(from).size(), to);
    EXPECT_EQ(ReadFile(dir / "out.csv"), expected);

    // The exported file imports again, columns in any order and case.
    WriteFile(dir / "cities.csv", "name,id,REGION\nOslo,10,1\n");
    auto again = Run({"-c", ".import out.csv REGION", "-c", ".import cities.csv CITY", "-c", ".export CITY c.csv"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(ReadFile(dir / "c.csv"), "ID,REGION,NAME\r\n10,1,Oslo\r\n");
}

TEST_F(ShellTest, EachFormatEscapesItsSpecialCharacters) {
    WriteFile(dir / "in.csv", kRegions);
    const char* select = "SELECT NAME FROM REGION WHERE ID > 2";
    auto json = Run({"--mode", "json", "-c", ".import in.csv REGION", "-c", select});
    EXPECT_NE(json.out.find("[\n {\"NAME\":\"Say \\\"hi\\\"\"},\n {\"NAME\":\"two\\r\\nlines\"}\n]\n"),
              std::string::npos)
        << json.out;
    auto csv = Run({"--mode", "csv", "-c", ".import in.csv REGION", "-c", select});
    EXPECT_NE(csv.out.find("NAME\r\n\"Say \"\"hi\"\"\"\r\n\"two\r\nlines\"\r\n"), std::string::npos) << csv.out;
    // Aligned tables keep their frame: control characters are shown as '?'.
    auto table = Run({"--mode", "table", "-c", ".import in.csv REGION", "-c", select});
    EXPECT_NE(table.out.find("| two??lines |"), std::string::npos) << table.out;
}

TEST_F(ShellTest, RefusedImportRowsAreReportedAndTheOthersKept) {
    WriteFile(dir / "in.csv",
              "ID,NAME,CODES,LEVEL\n"
              "1,North,[1],1\n"
              "1,Again,[1],1\n"                   // duplicate key
              "2,South,[2],10\n"                  // check constraint LEVEL <= 9
              "3,Much too long a name,[3],1\n"    // 20 characters for CHAR(16)
              "4,West,[1 2 3 4],1\n"              // four units for WORD[3]
              "5,East,[70000],1\n"                // not a WORD
              "6,Short\n"                         // too few values
              "7,Fine,[7],7\n");
    auto r = Run({"--mode", "csv", "-c", ".import in.csv REGION", "-c", "SELECT ID FROM REGION"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "imported 2 records into REGION\nID\r\n1\r\n7\r\n");
    for (const char* part : {"error: 6 rows of in.csv refused\n", "  line 3: refused by the table's checks\n",
                             "tuple already exist!", "Record prepare check not pass!", "  line 4: refused",
                             "  line 5: value of NAME is 20 bytes long, the field holds 16\n",
                             "  line 6: field CODES holds 3 values\n",
                             "  line 7: value '70000' of CODES is not a number from 0 to 65535\n",
                             "  line 8: 2 values for 4 columns\n"})
        EXPECT_NE(r.err.find(part), std::string::npos) << part << "\n" << r.err;
}

TEST_F(ShellTest, ImportRefusesAFileItCannotMap) {
    WriteFile(dir / "bad.csv", "ID,COLOUR\n1,red\n");
    WriteFile(dir / "quote.csv", "ID,NAME,CODES,LEVEL\n1,\"open,[1],1\n");
    auto r = Run({"--mode", "csv"}, ".import bad.csv REGION\n.import nosuch.csv REGION\n.import quote.csv REGION\n"
                                    ".import bad.csv NOSUCH\n.count REGION\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("column \"COLOUR\" is not a field of REGION"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("cannot open nosuch.csv"), std::string::npos);
    EXPECT_NE(r.err.find("line 2: unterminated quoted field"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no table NOSUCH"), std::string::npos);
    EXPECT_EQ(r.out, "imported 0 records into REGION\n0\n");
}

TEST_F(ShellTest, ImportInsideATransactionWaitsForCommit) {
    WriteFile(dir / "in.csv", "ID,NAME,CODES,LEVEL\n1,North,[1],1\n");
    auto r = Run({}, ".begin\n.import in.csv REGION\n.count REGION\n.rollback\n.count REGION\n"
                     ".begin\n.import in.csv REGION\n.commit\n.count REGION\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "imported 1 record into REGION (published at .commit)\n0\n0\n"
              "imported 1 record into REGION (published at .commit)\n1\n");
}

TEST_F(ShellTest, SaveAndLoadTheDataDirectory) {
    WriteFile(dir / "in.csv", kRegions);
    auto first = Run({"-d", "data", "--no-load", "--save", "-c", ".import in.csv REGION"});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(fs::exists(dir / "data/temp/REGION.QDB"));
    EXPECT_TRUE(fs::exists(dir / "data/temp/CITY.QDB"));
    EXPECT_FALSE(fs::exists(dir / "data/temp/REGION.TMP"));

    auto second = Run({"-d", "data", "--mode", "csv", "-c", ".tables", "-c", "SELECT NAME FROM REGION WHERE ID = 4"});
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out,
              "name,type,records,capacity\r\nREGION,1,4,100\r\nCITY,1,0,100\r\n"
              "NAME\r\n\"two\r\nlines\"\r\n");

    // .save DIR writes a second data directory that loads the same.
    auto copy = Run({"-d", "data", "-c", ".save copy"});
    EXPECT_EQ(copy.status, 0) << copy.err;
    EXPECT_EQ(ReadFile(dir / "copy/temp/REGION.QDB"), ReadFile(dir / "data/temp/REGION.QDB"));
}

TEST_F(ShellTest, LoadGoesBackToTheSavedData) {
    WriteFile(dir / "in.csv", "\xEF\xBB\xBFID,NAME,CODES,LEVEL\n1,North,[1],1\n2,South,[2],2\n");
    auto r = Run({"-d", "data", "--no-load"},
                 ".import in.csv REGION\n.save\nDELETE FROM REGION\n.count REGION\n.load\n.count REGION\n"
                 ".begin\n.load\n.rollback\n");
    EXPECT_EQ(r.status, 1);  // .load inside a transaction is refused
    EXPECT_EQ(r.out, "imported 2 records into REGION\n0\n2\n");
    EXPECT_NE(r.err.find("commit or roll back the transaction before reloading"), std::string::npos) << r.err;
}

TEST_F(ShellTest, AFailedStatementChangesNothingThatIsSaved) {
    WriteFile(dir / "in.csv", kRegions);
    WriteFile(dir / "cities.csv", "ID,REGION,NAME\n10,1,Oslo\n");
    ASSERT_EQ(Run({"-d", "data", "--no-load", "--save", "-c", ".import in.csv REGION", "-c", ".import cities.csv CITY"})
                  .status,
              0);
    std::string before = ReadFile(dir / "data/temp/REGION.QDB");
    // Region 1 has a city: the restricting foreign key refuses the whole DELETE, the other regions included.
    auto r = Run({"-d", "data", "--save", "-c", "DELETE FROM REGION WHERE ID < 3", "-c", ".count REGION"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "4\n");
    EXPECT_NE(r.err.find("achDBNameRelation=REGION] exist!"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(dir / "data/temp/REGION.QDB"), before);
}

TEST_F(ShellTest, ANewDataDirectoryStartsEmpty) {
    auto r = Run({"-d", "fresh", "-c", ".count REGION"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(ShellTest, ATableFileThatCannotBeLoadedIsNeverSavedOver) {
    WriteFile(dir / "in.csv", kRegions);
    ASSERT_EQ(Run({"-d", "data", "--no-load", "--save", "-c", ".import in.csv REGION"}).status, 0);
    // Damage the file: a head cut short.
    std::string good = ReadFile(dir / "data/temp/REGION.QDB");
    WriteFile(dir / "data/temp/REGION.QDB", good.substr(0, 20));

    auto r = Run({"-d", "data", "--save", "-c", ".count CITY"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("table files of REGION could not be loaded; saving into data is refused"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("not saved"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(dir / "data/temp/REGION.QDB"), good.substr(0, 20));

    // Elsewhere is fine.
    auto elsewhere = Run({"-d", "data", "-c", ".save other"});
    EXPECT_EQ(elsewhere.status, 1);  // the load failure still counts
    EXPECT_TRUE(fs::exists(dir / "other/temp/CITY.QDB"));
}

TEST_F(ShellTest, AFailedSaveLeavesTheOldFiles) {
    WriteFile(dir / "in.csv", kRegions);
    ASSERT_EQ(Run({"-d", "data", "--no-load", "--save", "-c", ".import in.csv REGION"}).status, 0);
    std::string before = ReadFile(dir / "data/temp/REGION.QDB");
    // A directory where the temporary file must go makes the save fail.
    fs::create_directories(dir / "data/temp/REGION.TMP");
    WriteFile(dir / "data/temp/REGION.TMP/x", "x");
    auto r = Run({"-d", "data", "-c", "DELETE FROM REGION", "-c", ".save"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error: saving into data failed"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(dir / "data/temp/REGION.QDB"), before);
}

TEST_F(ShellTest, QdbViewerShowsHeadDescriptorsAndRecords) {
    WriteFile(dir / "in.csv", kRegions);
    ASSERT_EQ(Run({"-d", "data", "--no-load", "--save", "-c", ".import in.csv REGION"}).status, 0);
    auto r = Run({"--mode", "csv", "-c", ".qdb data/temp/REGION.QDB --network-order"});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* part : {"byte order,network (big-endian)\r\n", "date,2006-09-11\r\n", "table,REGION\r\n",
                             "records,4\r\n", "head size,189\r\n", "record length,28\r\n",
                             "field,kind,offset,length,key,saved\r\n", "CODES,W WORD,21,6,0,1\r\n",
                             "ID,NAME,CODES,LEVEL\r\n", "1,North,\"[1, 2, 3]\",0\r\n"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;

    // Read in the wrong order, the viewer says so instead of printing nonsense quietly.
    auto wrong = Run({"--mode", "csv", "-c", ".qdb data/temp/REGION.QDB"});
    EXPECT_NE(wrong.out.find("note: the head reads sensibly in network byte order: try --network-order"),
              std::string::npos)
        << wrong.out;
}

TEST_F(ShellTest, QdbViewerSurvivesDamagedFiles) {
    WriteFile(dir / "in.csv", kRegions);
    ASSERT_EQ(Run({"-d", "data", "--no-load", "--save", "-c", ".import in.csv REGION"}).status, 0);
    std::string good = ReadFile(dir / "data/temp/REGION.QDB");
    struct Case {
        const char* name;
        std::string bytes;
        const char* says;
    } cases[] = {
        {"empty", "", "is empty"},
        {"short", good.substr(0, 20), "shorter than a file head"},
        {"cut", good.substr(0, good.size() - 10), "the head announces 4 records, the file holds 3"},
        {"descriptors", good.substr(0, 100), "the file ends inside the field descriptors"},
        {"huge offset", [&] { std::string b = good; b[33 + 39 + 33] = '\x7f'; return b; }(),
         "does not lie inside the record"},
    };
    for (const auto& c : cases) {
        WriteFile(dir / "x.QDB", c.bytes);
        auto r = Run({"-c", ".qdb x.QDB --network-order"});
        EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << c.name << "\n" << r.out << r.err;
    }
    EXPECT_NE(Run({"-c", ".qdb"}).err.find("usage: .qdb FILE.QDB [--network-order]"), std::string::npos);
}

}  // namespace
}  // namespace dbsql::test
