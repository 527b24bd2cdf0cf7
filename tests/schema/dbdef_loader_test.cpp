// DbsLoadDBDefXml: numbering, records, data types, the name map and every refusal, from files written here.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "schema/schema_files.h"
#include "support/trace_capture.h"

namespace dbs::test {
namespace {

class DbDefLoaderTest : public ::testing::Test {
protected:
    // Loads the text as a file and returns the result.
    uint8_t LoadText(const std::string& xml, uint8_t type = DBS_TABLE_TYPE_FIRST) {
        path = folder.Write("schema.xml", xml);
        return schema.Load(path, type);
    }
    std::string Refusal(const std::string& cause) const {
        return "The xml <" + path + "> is not a valid DBDef xml, cause: " + cause;
    }

    ScratchFolder folder;
    LoadedSchema schema;
    TraceCapture trace;
    std::string path;
};

constexpr const char* kShop = R"(<?xml version="1.0" encoding="UTF-8"?>
<DBDef>
  <Table Name="Customer" MaxRecNum="100">
    <Field Name="CustId" DataType="DWORD"/>
    <Field Name="Name" DataType="CHAR" Num="20"/>
    <PriKey Name="PK"><PKI Field="CustId"/></PriKey>
    <PriKey Name="ByName"><PKI Field="Name"/></PriKey>
  </Table>
  <!-- a comment between tables is no table -->
  <Table Name="Orders" MaxRecNum="500">
    <Field Name="OrderId" DataType="DWORD"/>
    <Field Name="CustId" DataType="DWORD"/>
    <Field Name="Lines" DataType="WORD" Num="3"/>
    <Field Name="Flag" DataType="BYTE"/>
    <PriKey Name="PK"><PKI Field="OrderId"/></PriKey>
    <PriKey Name="ByCust"><PKI Field="CustId"/><PKI Field="OrderId"/></PriKey>
  </Table>
</DBDef>
)";

TEST_F(DbDefLoaderTest, FillsTheThreeRecordListsInDocumentOrder) {
    ASSERT_EQ(LoadText(kShop), 1);
    EXPECT_EQ(trace.Count(), 0u);

    ASSERT_EQ(schema.tables.size(), 2u);
    const TagSYSTABTuple& orders = schema.tables[1];
    EXPECT_EQ(+orders.dwTableHandle, 0x10001u);
    EXPECT_STREQ(orders.achDBName, "Orders");
    EXPECT_EQ(+orders.wReserved, 0);
    EXPECT_EQ(+orders.wMaxRecNum, 500);
    EXPECT_EQ(+orders.byTableType, DBS_TABLE_TYPE_FIRST);

    ASSERT_EQ(schema.columns.size(), 6u);
    struct Expected { uint32_t table; const char* name; char type; uint16_t len; };
    const Expected columns[] = {{0x10000, "CustId", 'D', 4}, {0x10000, "Name", 'C', 20},
                                {0x10001, "OrderId", 'D', 4}, {0x10001, "CustId", 'D', 4},
                                {0x10001, "Lines", 'W', 6},   {0x10001, "Flag", 'N', 1}};
    for (size_t i = 0; i < schema.columns.size(); ++i) {
        SCOPED_TRACE(columns[i].name);
        EXPECT_EQ(+schema.columns[i].dwTableHandle, columns[i].table);
        EXPECT_STREQ(schema.columns[i].achDMName, columns[i].name);
        EXPECT_EQ(+schema.columns[i].chDMType, columns[i].type);
        EXPECT_EQ(+schema.columns[i].wDMLen, columns[i].len);
        EXPECT_EQ(+schema.columns[i].bySaveFlag, 1);
    }

    ASSERT_EQ(schema.keyColumns.size(), 5u);
    struct Key { uint32_t table; uint32_t index; const char* name; uint8_t slot; };
    const Key keys[] = {{0x10000, 0x20000, "CustId", 0}, {0x10000, 0x20001, "Name", 1},
                        {0x10001, 0x20004, "OrderId", 0}, {0x10001, 0x20005, "CustId", 1},
                        {0x10001, 0x20005, "OrderId", 1}};
    for (size_t i = 0; i < schema.keyColumns.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(+schema.keyColumns[i].dwTableHandle, keys[i].table);
        EXPECT_EQ(+schema.keyColumns[i].dwConstraintHandle, keys[i].index);
        EXPECT_STREQ(schema.keyColumns[i].achDMName, keys[i].name);
        EXPECT_EQ(+schema.keyColumns[i].byIdxNo, keys[i].slot);
    }
    EXPECT_TRUE(schema.constraints.empty());
    EXPECT_EQ(schema.names, (std::map<std::string, int>{{"Customer", 0}, {"Orders", 1}}));
}

TEST_F(DbDefLoaderTest, SecondFileContinuesTheNumbering) {
    std::string first = "<DBDef>";
    for (int i = 0; i < 5; ++i) {
        first += "<Table Name=\"T" + std::to_string(i) + "\" MaxRecNum=\"1\">"
                 "<Field Name=\"A\" DataType=\"BYTE\"/></Table>";
    }
    first += "</DBDef>";
    ASSERT_EQ(LoadText(first), 1);
    schema.names["Extra"] = 77;  // an entry of an earlier name is overwritten by the file
    ASSERT_EQ(LoadText(R"(<DBDef><Table Name="Extra" MaxRecNum="3">
        <Field Name="A" DataType="BYTE"/><Field Name="B" DataType="BYTE"/>
        <PriKey Name="K0"><PKI Field="A"/></PriKey><PriKey Name="K1"><PKI Field="B"/></PriKey>
        </Table></DBDef>)", DBS_TABLE_TYPE_SECOND), 1);

    ASSERT_EQ(schema.tables.size(), 6u);
    EXPECT_EQ(+schema.tables[5].dwTableHandle, 0x10005u);
    EXPECT_EQ(+schema.tables[5].byTableType, DBS_TABLE_TYPE_SECOND);
    EXPECT_EQ(+schema.tables[0].byTableType, DBS_TABLE_TYPE_FIRST);
    EXPECT_EQ(schema.names.at("Extra"), 5);
    ASSERT_EQ(schema.keyColumns.size(), 2u);
    EXPECT_EQ(+schema.keyColumns[1].dwConstraintHandle, DBS_INDEX_HANDLE(5, 1));
    EXPECT_EQ(DBS_HANDLE_NO(schema.keyColumns[1].dwConstraintHandle), 21u);
    EXPECT_EQ(+schema.keyColumns[1].byIdxNo, 1);
}

TEST_F(DbDefLoaderTest, ElementTagsIgnoreCaseButAttributeNamesDoNot) {
    ASSERT_EQ(LoadText(R"(<dbdef><TABLE Name="T" MaxRecNum="4"><field Name="A" DataType="BYTE"/>
        <FIELD name="B" DataType="BYTE"/><prikey Name="K"><pki Field="A"/></prikey></TABLE></dbdef>)"), 1);
    ASSERT_EQ(schema.columns.size(), 2u);
    EXPECT_STREQ(schema.columns[1].achDMName, "");  // "name" is not "Name"
    ASSERT_EQ(schema.keyColumns.size(), 1u);
    EXPECT_STREQ(schema.keyColumns[0].achDMName, "A");
}

TEST_F(DbDefLoaderTest, DataTypeGivesLetterWithoutCaseAndUnitOnlyInUpperCase) {
    struct Case { const char* type; const char* num; char letter; uint16_t width; };
    const Case cases[] = {
        {"CHAR", nullptr, 'C', 1}, {"CHAR", "12", 'C', 12}, {"char", "12", 'C', 0},  {"BYTE", nullptr, 'N', 1},
        {"Byte", nullptr, 'N', 0}, {"WORD", "3", 'W', 6},   {"Word", "3", 'W', 0},   {"DWORD", "2", 'D', 8},
        {"dword", nullptr, 'D', 0}, {"BYTE", "0", 'N', 0},  {"WORD", "", 'W', 2},    {"DWORD", " +2x", 'D', 8},
        {"CHAR", "abc", 'C', 0},   {"DWORD", "16383", 'D', 65532}, {"CHAR", "65535", 'C', 65535},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " x " + (c.num ? c.num : "(none)"));
        std::string field = std::string("<Field Name=\"F\" DataType=\"") + c.type + "\"" +
                            (c.num ? std::string(" Num=\"") + c.num + "\"" : std::string()) + "/>";
        schema = LoadedSchema{};
        ASSERT_EQ(LoadText("<DBDef><Table Name=\"T\" MaxRecNum=\"1\">" + field + "</Table></DBDef>"), 1);
        ASSERT_EQ(schema.columns.size(), 1u);
        EXPECT_EQ(+schema.columns[0].chDMType, c.letter);
        EXPECT_EQ(+schema.columns[0].wDMLen, c.width);
    }
    EXPECT_EQ(trace.Count(), 0u);
}

TEST_F(DbDefLoaderTest, UnknownDataTypeIsReportedAndLoadingGoesOn) {
    ASSERT_EQ(LoadText(R"(<DBDef><Table Name="T" MaxRecNum="1"><Field Name="F" DataType="FLOAT" Num="2"/>
        <Field Name="G" DataType="BYTE"/></Table></DBDef>)"), 1);
    EXPECT_EQ(trace.Texts(), std::vector<std::string>{"Unsurpported DBDef data type: FLOAT"});
    ASSERT_EQ(schema.columns.size(), 2u);
    EXPECT_EQ(+schema.columns[0].chDMType, 0);
    EXPECT_EQ(+schema.columns[0].wDMLen, 0);
}

// Values outside 16 bits are refused (RefusedFilesLeaveTheVectorsUnchanged).
TEST_F(DbDefLoaderTest, MaxRecNumReadsLikeAtoi) {
    struct Case { const char* text; uint16_t value; };
    const Case cases[] = {{"100", 100}, {"  42abc", 42}, {"abc", 0}, {"", 0}, {"65535", 65535}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        schema = LoadedSchema{};
        ASSERT_EQ(LoadText(std::string("<DBDef><Table Name=\"T\" MaxRecNum=\"") + c.text +
                           "\"><Field Name=\"F\" DataType=\"BYTE\"/></Table></DBDef>"), 1);
        EXPECT_EQ(+schema.tables[0].wMaxRecNum, c.value);
    }
}

TEST_F(DbDefLoaderTest, CommentsAndEmptyTablesAreChildrenThatYieldNothing) {
    ASSERT_EQ(LoadText(R"(<DBDef><!-- only a comment --></DBDef>)"), 1);
    EXPECT_TRUE(schema.tables.empty());

    ASSERT_EQ(LoadText(R"(<DBDef><Table Name="C" MaxRecNum="1"><!-- no fields --></Table>
        <Table Name="N" MaxRecNum="1"><Other/></Table></DBDef>)"), 1);
    EXPECT_EQ(schema.tables.size(), 2u);
    EXPECT_TRUE(schema.columns.empty());
    EXPECT_TRUE(schema.keyColumns.empty());
    EXPECT_EQ(trace.Count(), 0u);
}

TEST_F(DbDefLoaderTest, MissingFileWritesTheStampedLoadLine) {
    path = folder.PathOf("absent.xml");
    EXPECT_EQ(schema.Load(path), 0);
    ASSERT_EQ(trace.Count(), 1u);
    EXPECT_EQ(trace.Lines()[0].text, "LoadXml(" + path + ") failed");
    EXPECT_FALSE(trace.Lines()[0].stampFile.empty());
    EXPECT_EQ(trace.Lines()[0].level, DBS_TRACE_LEVEL);
}

// Every refusal: its one line, the caller's vectors untouched, the names of pass 1 kept.
TEST_F(DbDefLoaderTest, RefusedFilesLeaveTheVectorsUnchanged) {
    const std::string longName(13, 'X');
    const std::string longField(32, 'F');
    struct Case {
        const char* what;
        std::string xml;
        std::string cause;  // empty: the "LoadXml" line
        bool nameKept;      // table "T" entered in the name map before the refusal
    };
    const std::string field = R"(<Field Name="A" DataType="BYTE"/>)";
    const std::string key = R"(<PriKey Name="K"><PKI Field="A"/></PriKey>)";
    const Case cases[] = {
        {"root tag", "<Schema><Table Name=\"T\"/></Schema>", "the tag of root node is not 'DBDef'", false},
        {"root without children", "<DBDef/>", "'DBDef' has not child node", false},
        {"root holding blanks", "<DBDef>  \n </DBDef>", "'DBDef' has not child node", false},
        {"table without children", "<DBDef><Table Name=\"T\" MaxRecNum=\"1\"/></DBDef>",
         "the table <T> has not child node", true},
        {"key without children",
         "<DBDef><Table Name=\"T\" MaxRecNum=\"1\">" + field + "<PriKey Name=\"Empty\"/></Table></DBDef>",
         "PriKey <Empty> has not child node", true},
        {"table name over 12", "<DBDef><Table Name=\"" + longName + "\">" + field + "</Table></DBDef>",
         "the table name <" + longName + "> is longer than 12 characters", false},
        {"slash in table name", "<DBDef><Table Name=\"a/b\">" + field + "</Table></DBDef>",
         "the table name <a/b> contains a path separator", false},
        {"backslash in table name", "<DBDef><Table Name=\"a\\b\">" + field + "</Table></DBDef>",
         "the table name <a\\b> contains a path separator", false},
        {"field name over 31",
         "<DBDef><Table Name=\"T\"><Field Name=\"" + longField + "\" DataType=\"BYTE\"/></Table></DBDef>",
         "the field name <" + longField + "> of table <T> is longer than 31 characters", true},
        {"key field over 31",
         "<DBDef><Table Name=\"T\">" + field + "<PriKey Name=\"K\"><PKI Field=\"" + longField +
             "\"/></PriKey></Table></DBDef>",
         "the key field <" + longField + "> of PriKey <K> is longer than 31 characters", true},
        {"five keys", "<DBDef><Table Name=\"T\">" + field + key + key + key + key + key + "</Table></DBDef>",
         "the table <T> has 5 PriKey elements, more than 4", true},
        {"negative Num", "<DBDef><Table Name=\"T\"><Field Name=\"A\" DataType=\"WORD\" Num=\"-1\"/></Table></DBDef>",
         "the field <A> of table <T> is -2 bytes wide, outside 0 to 65535", true},
        {"width over 16 bits",
         "<DBDef><Table Name=\"T\"><Field Name=\"A\" DataType=\"DWORD\" Num=\"16384\"/></Table></DBDef>",
         "the field <A> of table <T> is 65536 bytes wide, outside 0 to 65535", true},
        {"capacity over 16 bits", "<DBDef><Table Name=\"T\" MaxRecNum=\"65537\">" + field + "</Table></DBDef>",
         "the table <T> has MaxRecNum 65537, outside 0 to 65535", false},
        {"negative capacity", "<DBDef><Table Name=\"T\" MaxRecNum=\"-1\">" + field + "</Table></DBDef>",
         "the table <T> has MaxRecNum -1, outside 0 to 65535", false},
        {"capacity saturated", "<DBDef><Table Name=\"T\" MaxRecNum=\"99999999999\">" + field + "</Table></DBDef>",
         "the table <T> has MaxRecNum 99999999999, outside 0 to 65535", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LoadedSchema before;
        ASSERT_EQ(before.Load(folder.Write("good.xml", kShop)), 1);
        schema = before;
        trace.Clear();
        EXPECT_EQ(LoadText(c.xml), 0);
        EXPECT_EQ(trace.Texts(), std::vector<std::string>{Refusal(c.cause)});
        EXPECT_EQ(schema.tables.size(), before.tables.size());
        EXPECT_EQ(schema.columns.size(), before.columns.size());
        EXPECT_EQ(schema.keyColumns.size(), before.keyColumns.size());
        EXPECT_EQ(schema.constraints.size(), before.constraints.size());
        EXPECT_EQ(schema.names.count("T"), c.nameKept ? 1u : 0u);
    }
}

TEST_F(DbDefLoaderTest, NamesFillingTheirFieldsExactlyAreAccepted) {
    const std::string table(12, 'T');
    const std::string column(31, 'C');
    ASSERT_EQ(LoadText("<DBDef><Table Name=\"" + table + "\"><Field Name=\"" + column +
                       "\" DataType=\"BYTE\"/><PriKey Name=\"K\"><PKI Field=\"" + column +
                       "\"/></PriKey></Table></DBDef>"), 1);
    EXPECT_EQ(std::string(schema.tables[0].achDBName), table);
    EXPECT_EQ(std::string(schema.columns[0].achDMName), column);
    EXPECT_EQ(std::string(schema.keyColumns[0].achDMName), column);
}

TEST_F(DbDefLoaderTest, TableNumbersBeyondTheHandleRangeAreRefused) {
    schema.tables.resize(DBS_HANDLE_NO_MASK / DBS_IDX_SLOTS);  // table numbers 0..16382 taken
    ASSERT_EQ(LoadText(R"(<DBDef><Table Name="Last"><Field Name="A" DataType="BYTE"/></Table>
        <Table Name="Over"><Field Name="A" DataType="BYTE"/></Table></DBDef>)"), 0);
    EXPECT_EQ(trace.Last(), Refusal("the table <Over> would be number 16384, beyond the last table number 16383"));
    EXPECT_EQ(schema.tables.size(), DBS_HANDLE_NO_MASK / DBS_IDX_SLOTS);
}

}  // namespace
}  // namespace dbs::test
