// The constraint elements of a DBDef table: the records they become, their numbering across files, and the
// refusal of every element that could not work.
#include <gtest/gtest.h>

#include <string>

#include "schema/schema_files.h"
#include "support/trace_capture.h"

namespace dbs::test {
namespace {

class ConstraintElementsTest : public ::testing::Test {
protected:
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

// Parent P (keys 0 and 1), child C with every kind of constraint element, in this order.
constexpr const char* kConstrained = R"(<DBDef>
  <Table Name="C" MaxRecNum="10">
    <Field Name="Id" DataType="DWORD"/>
    <Field Name="PId" DataType="DWORD"/>
    <Field Name="PCode" DataType="CHAR" Num="8"/>
    <Field Name="Qty" DataType="WORD"/>
    <Check Column="Qty" Condition="1-100,200"/>
    <PriKey Name="PK"><PKI Field="Id"/></PriKey>
    <ForeignKey Parent="P" Columns="PId"/>
    <PriKey Name="ByParent" Fixed="1"><PKI Field="PId"/><PKI Field="Id"/></PriKey>
    <foreignkey Parent="P" ParentKey="1" OnDelete="CASCADE" Columns="[Qty=1] PCode"/>
    <MUTEX Tables="P,Other"/>
  </Table>
  <Table Name="P" MaxRecNum="10">
    <Field Name="PId" DataType="DWORD"/>
    <Field Name="Code" DataType="CHAR" Num="8"/>
    <PriKey Name="PK" Fixed="0"><PKI Field="PId"/></PriKey>
    <PriKey Name="ByCode"><PKI Field="Code"/></PriKey>
  </Table>
</DBDef>)";

TEST_F(ConstraintElementsTest, EveryElementBecomesOneRecordInDocumentOrder) {
    ASSERT_EQ(LoadText(kConstrained), 1);
    EXPECT_EQ(trace.Count(), 0u);
    ASSERT_EQ(schema.constraints.size(), 5u);
    const auto& r = schema.constraints;

    EXPECT_EQ(+r[0].byConsType, DBS_CONS_CHECK);
    EXPECT_EQ(+r[0].dwTableHandle, 0x10000u);
    EXPECT_EQ(+r[0].dwConstraintHandle, 0x30000u);
    EXPECT_STREQ(r[0].achCheckColumnName, "Qty");
    EXPECT_STREQ(r[0].achSearchCondition, "1-100,200");

    // A foreign key to a table further down the file: restricting by default, parent key 0.
    EXPECT_EQ(+r[1].byConsType, DBS_CONS_FK_RESTRICT);
    EXPECT_EQ(+r[1].dwConstraintHandle, 0x30001u);
    EXPECT_STREQ(r[1].achSearchCondition, "PId");
    EXPECT_EQ(+r[1].dwRelTableHandle, 0x10001u);
    EXPECT_EQ(+r[1].dwRelIndexHandle, DBS_INDEX_HANDLE(1, 0));

    EXPECT_EQ(+r[2].byConsType, DBS_CONS_FIXED_INDEX);
    EXPECT_EQ(+r[2].dwTableHandle, 0x10000u);
    EXPECT_EQ(+r[2].dwConstraintHandle, DBS_INDEX_HANDLE(0, 1));

    EXPECT_EQ(+r[3].byConsType, DBS_CONS_FK_CASCADE);
    EXPECT_EQ(+r[3].dwConstraintHandle, 0x30003u);  // the position counts the fixed-index record too
    EXPECT_STREQ(r[3].achSearchCondition, "[Qty=1] PCode");
    EXPECT_EQ(+r[3].dwRelIndexHandle, DBS_INDEX_HANDLE(1, 1));

    EXPECT_EQ(+r[4].byConsType, DBS_CONS_MUTEX);
    EXPECT_EQ(+r[4].dwConstraintHandle, 0x30004u);
    EXPECT_STREQ(r[4].achSearchCondition, "P,Other");
    EXPECT_EQ(+r[4].dwRelTableHandle, 0u);
}

TEST_F(ConstraintElementsTest, SecondFileReachesParentsOfTheFirstAndContinuesPositions) {
    ASSERT_EQ(LoadText(kConstrained), 1);
    ASSERT_EQ(LoadText(R"(<DBDef><Table Name="Note" MaxRecNum="4">
        <Field Name="PId" DataType="DWORD"/><PriKey Name="PK"><PKI Field="PId"/></PriKey>
        <ForeignKey Parent="P" OnDelete="cascade" Columns="PId"/></Table></DBDef>)", DBS_TABLE_TYPE_SECOND), 1);
    ASSERT_EQ(schema.constraints.size(), 6u);
    EXPECT_EQ(+schema.constraints[5].dwTableHandle, 0x10002u);
    EXPECT_EQ(+schema.constraints[5].dwConstraintHandle, 0x30005u);
    EXPECT_EQ(+schema.constraints[5].byConsType, DBS_CONS_FK_CASCADE);
    EXPECT_EQ(+schema.constraints[5].dwRelTableHandle, 0x10001u);
}

TEST_F(ConstraintElementsTest, StaleNamesInTheCallersMapAreNoParents) {
    schema.names["Ghost"] = 0;  // left behind by an earlier, refused file: number 0 is now another table
    EXPECT_EQ(LoadText(R"(<DBDef><Table Name="Real"><Field Name="A" DataType="DWORD"/>
        <PriKey Name="PK"><PKI Field="A"/></PriKey><ForeignKey Parent="Ghost" Columns="A"/></Table></DBDef>)"), 0);
    EXPECT_EQ(trace.Last(), Refusal("the ForeignKey of table <Real> names the unknown parent table <Ghost>"));
}

TEST_F(ConstraintElementsTest, LongestStringsThatFitAreKept) {
    const std::string condition(99, '1');
    ASSERT_EQ(LoadText("<DBDef><Table Name=\"T\"><Field Name=\"A\" DataType=\"BYTE\"/>"
                       "<Check Column=\"A\" Condition=\"" +
                       condition + "\"/></Table></DBDef>"), 1);
    EXPECT_EQ(std::string(schema.constraints[0].achSearchCondition), condition);
}

TEST_F(ConstraintElementsTest, ElementsThatCouldNotWorkRefuseTheFile) {
    const std::string head = R"(<DBDef><Table Name="P"><Field Name="A" DataType="DWORD"/>
        <PriKey Name="PK"><PKI Field="A"/></PriKey></Table><Table Name="T"><Field Name="A" DataType="DWORD"/>
        <Field Name="S" DataType="CHAR" Num="4"/>)";
    const std::string tail = "</Table></DBDef>";
    const std::string tooLong(100, 'x');
    struct Case { const char* what; std::string element; std::string cause; };
    const Case cases[] = {
        {"unknown parent", R"(<ForeignKey Parent="Nobody" Columns="A"/>)",
         "the ForeignKey of table <T> names the unknown parent table <Nobody>"},
        {"parent name differs in case", R"(<ForeignKey Parent="p" Columns="A"/>)",
         "the ForeignKey of table <T> names the unknown parent table <p>"},
        {"no parent", R"(<ForeignKey Columns="A"/>)", "the ForeignKey of table <T> has no Parent"},
        {"parent key without index", R"(<ForeignKey Parent="P" ParentKey="1" Columns="A"/>)",
         "the ForeignKey of table <T> refers to key 1 of table <P>, which has none"},
        {"parent of no keys", R"(<ForeignKey Parent="T" Columns="A"/>)",
         "the ForeignKey of table <T> refers to key 0 of table <T>, which has none"},
        {"parent key out of range", R"(<ForeignKey Parent="P" ParentKey="4" Columns="A"/>)",
         "the ForeignKey of table <T> has an invalid ParentKey <4>"},
        {"parent key not a number", R"(<ForeignKey Parent="P" ParentKey="one" Columns="A"/>)",
         "the ForeignKey of table <T> has an invalid ParentKey <one>"},
        {"unknown delete rule", R"(<ForeignKey Parent="P" OnDelete="SET NULL" Columns="A"/>)",
         "the ForeignKey of table <T> has an invalid OnDelete <SET NULL>"},
        {"no columns", R"(<ForeignKey Parent="P"/>)", "the ForeignKey of table <T> has no Columns"},
        {"columns too long", "<ForeignKey Parent=\"P\" Columns=\"" + tooLong + "\"/>",
         "the ForeignKey of table <T> has a Columns longer than 99 characters"},
        {"check of a missing column", R"(<Check Column="B" Condition="1"/>)",
         "the Check of table <T> names the column <B>, which the table lacks"},
        {"check of a text column", R"(<Check Column="S" Condition="1"/>)",
         "the Check of table <T> tests the column <S>, which holds no number"},
        {"check without condition", R"(<Check Column="A"/>)", "the Check of table <T> has no Condition"},
        {"check column too long", "<Check Column=\"" + std::string(32, 'c') + "\" Condition=\"1\"/>",
         "the Check of table <T> has a Column longer than 31 characters"},
        {"condition too long", "<Check Column=\"A\" Condition=\"" + tooLong + "\"/>",
         "the Check of table <T> has a Condition longer than 99 characters"},
        {"mutex without tables", R"(<Mutex Tables=""/>)", "the Mutex of table <T> has no Tables"},
        {"two mutex lists", R"(<Mutex Tables="P"/><Mutex Tables="P"/>)",
         "the table <T> has more than one Mutex element"},
        {"fixed neither 0 nor 1", R"(<PriKey Name="K" Fixed="yes"><PKI Field="A"/></PriKey>)",
         "the PriKey <K> of table <T> has an invalid Fixed <yes>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        schema = LoadedSchema{};
        trace.Clear();
        EXPECT_EQ(LoadText(head + c.element + tail), 0);
        EXPECT_EQ(trace.Texts(), std::vector<std::string>{Refusal(c.cause)});
        EXPECT_TRUE(schema.tables.empty());
        EXPECT_TRUE(schema.constraints.empty());
    }
}

}  // namespace
}  // namespace dbs::test
