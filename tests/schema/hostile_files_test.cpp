// Malformed and hostile schema files: each is refused with the load line (or read safely), never a crash, an
// overrun or a leak. The sanitizer build runs these too.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "schema/schema_files.h"
#include "schema/xml_dom.h"
#include "support/trace_capture.h"

namespace dbs::test {
namespace {

constexpr const char* kSmall =
    R"(<DBDef><Table Name="T" MaxRecNum="2"><Field Name="A" DataType="BYTE"/></Table></DBDef>)";

std::string Utf16Le(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

TEST(HostileFiles, UnreadableOrIllFormedFilesAreRefusedWithTheLoadLine) {
    ScratchFolder folder;
    std::string small = kSmall;
    struct Case { const char* what; std::string bytes; };
    const Case cases[] = {
        {"empty file", ""},
        {"only blanks", "  \n\t "},
        {"truncated", small.substr(0, small.size() / 2)},
        {"cut inside a tag", small.substr(0, small.size() - 3)},
        {"two root elements", small + small},
        {"text after the root", small + "trailing text"},
        {"mismatched end tag", R"(<DBDef><Table Name="T"></Tab></DBDef>)"},
        {"unterminated comment", "<DBDef><!-- never closed </DBDef>"},
        {"unquoted attribute", "<DBDef><Table Name=T/></DBDef>"},
        {"invalid UTF-8", "<DBDef><!-- \xC3\x28 --><Table Name=\"T\"/></DBDef>"},
        {"overlong UTF-8", "<DBDef><Table Name=\"\xC0\xAF\"/></DBDef>"},
        {"UTF-8 surrogate", "<DBDef><Table Name=\"\xED\xA0\x80\"/></DBDef>"},
        {"NUL byte inside", std::string("<DBDef><Table Name=\"T\0X\"/></DBDef>", 34)},
        {"control character", "<DBDef><Table Name=\"T\x01\"/></DBDef>"},
        {"declares UTF-16, written in UTF-8", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + small},
        {"declares a code page, non-ASCII UTF-8",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?><DBDef><!-- \xC3\xA9 -->" + small.substr(7)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TraceCapture trace;
        LoadedSchema schema;
        std::string path = folder.Write("bad.xml", c.bytes);
        EXPECT_EQ(schema.Load(path), 0);
        EXPECT_EQ(trace.Texts(), std::vector<std::string>{"LoadXml(" + path + ") failed"});
        EXPECT_TRUE(schema.tables.empty());
    }
}

TEST(HostileFiles, DirectoriesAndOversizedFilesAreRefused) {
    ScratchFolder folder;
    TraceCapture trace;
    LoadedSchema schema;
    EXPECT_EQ(schema.Load(folder.Root().string()), 0);
    std::string huge = "<DBDef><!--" + std::string(schema::XmlDocument::kMaxFileSize, 'x') + "--></DBDef>";
    EXPECT_EQ(schema.Load(folder.Write("huge.xml", huge)), 0);
    EXPECT_EQ(schema.Load(""), 0);
    std::string good = folder.Write("good.xml", kSmall);
    EXPECT_EQ(schema.Load(good + std::string(1, '\0') + "tail"), 0);  // would open good.xml
    EXPECT_EQ(trace.Count(), 4u);
    EXPECT_TRUE(schema.tables.empty());
}

TEST(HostileFiles, OtherEncodingsAreReadWhenTheBytesMatch) {
    ScratchFolder folder;
    struct Case { const char* what; std::string bytes; };
    const Case cases[] = {
        {"UTF-16 with byte order mark", Utf16Le(std::string("<?xml version=\"1.0\" encoding=\"UTF-16\"?>") + kSmall)},
        {"UTF-8 with byte order mark", std::string("\xEF\xBB\xBF") + kSmall},
        {"declared UTF-8 with non-ASCII text", std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                                                           "<DBDef><!-- caf\xC3\xA9 -->") + (kSmall + 7)},
        {"ASCII bytes under a code page", std::string("<?xml version=\"1.0\" encoding=\"windows-1252\"?>") + kSmall},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TraceCapture trace;
        LoadedSchema schema;
        EXPECT_EQ(schema.Load(folder.Write("ok.xml", c.bytes)), 1);
        ASSERT_EQ(schema.tables.size(), 1u);
        EXPECT_STREQ(schema.tables[0].achDBName, "T");
        EXPECT_EQ(trace.Count(), 0u);
    }
}

TEST(HostileFiles, DeepNestingIsWalkedWithoutRecursion) {
    ScratchFolder folder;
    constexpr int kDepth = 200000;
    std::string xml = R"(<DBDef><Table Name="T"><Field Name="A" DataType="BYTE"/>)";
    xml.reserve(xml.size() + kDepth * 8 + 32);
    for (int i = 0; i < kDepth; ++i) xml += "<n>";
    for (int i = 0; i < kDepth; ++i) xml += "</n>";
    xml += "</Table></DBDef>";
    LoadedSchema schema;
    EXPECT_EQ(schema.Load(folder.Write("deep.xml", xml)), 1);
    EXPECT_EQ(schema.columns.size(), 1u);
}

TEST(HostileFiles, HugeAttributesAndEntitiesStayBounded) {
    ScratchFolder folder;
    TraceCapture trace;
    LoadedSchema schema;
    const std::string name(1 << 20, 'N');
    std::string path = folder.Write("wide.xml", "<DBDef><Table Name=\"" + name + "\"/></DBDef>");
    EXPECT_EQ(schema.Load(path), 0);
    EXPECT_EQ(trace.Last(), "The xml <" + path + "> is not a valid DBDef xml, cause: the table name <" +
                                name.substr(0, 64) + "> is longer than 12 characters");

    // Entities declared in a document type are not expanded: the name stays the literal text.
    const std::string laughs = R"(<?xml version="1.0"?><!DOCTYPE DBDef [<!ENTITY a "aaaaaaaaaa">
        <!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;"><!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">]>
        <DBDef><Table Name="&c;"><Field Name="A" DataType="BYTE"/></Table></DBDef>)";
    EXPECT_EQ(schema.Load(folder.Write("laughs.xml", laughs)), 1);
    ASSERT_EQ(schema.tables.size(), 1u);
    EXPECT_STREQ(schema.tables[0].achDBName, "&c;");
}

TEST(XmlDom, ChildrenMatchTagsWithoutCaseAndAttributesExactly) {
    ScratchFolder folder;
    schema::XmlDocument document;
    ASSERT_TRUE(document.Load(folder.Write("dom.xml", R"(<r><A k="1" K="2"/>text<a/><!--c--><b/><A/></r>)")));
    schema::XmlElement root = document.Root();
    EXPECT_TRUE(root.TagIs("R"));
    std::vector<schema::XmlElement> as = root.Children("a");
    ASSERT_EQ(as.size(), 3u);
    EXPECT_EQ(as[0].Attribute("k"), "1");
    EXPECT_EQ(as[0].Attribute("K"), "2");
    EXPECT_EQ(as[1].Attribute("k"), "");
    EXPECT_EQ(root.ElementChildren().size(), 4u);
    EXPECT_FALSE(as[1].HasChildNodes());
    EXPECT_TRUE(root.HasChildNodes());
    EXPECT_TRUE(schema::EqualsNoCase("DBDef", "dbdef"));
    EXPECT_FALSE(schema::EqualsNoCase("DBDef", "DBDe"));
}

}  // namespace
}  // namespace dbs::test
