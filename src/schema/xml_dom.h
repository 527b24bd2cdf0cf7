// A small read-only DOM over pugixml, giving the schema loader exactly what it reads from a DBDef file:
// element children in document order, tag names compared without regard to case, attributes by exact name.
// Loading never throws and fails cleanly on a missing, unreadable, oversized, badly encoded or ill-formed file.
#pragma once

#include <pugixml.hpp>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dbs::schema {

// True when a and b are equal, ASCII letters compared without regard to case.
bool EqualsNoCase(std::string_view a, std::string_view b);

// One element of a loaded document. Valid only while its document lives.
class XmlElement {
public:
    XmlElement() = default;
    explicit XmlElement(pugi::xml_node node) : node_(node) {}

    bool IsNull() const { return node_.type() != pugi::node_element; }
    std::string_view Tag() const { return node_.name(); }
    bool TagIs(std::string_view name) const { return EqualsNoCase(Tag(), name); }

    // True when the element has a child node of any kind (element, text, comment, ...); attributes are no children.
    bool HasChildNodes() const { return node_.first_child() != nullptr; }

    // The attribute of exactly this name, or "" when the element has none.
    std::string_view Attribute(const char* name) const { return node_.attribute(name).value(); }

    // The direct element children whose tag matches name (case-insensitive), in document order.
    std::vector<XmlElement> Children(std::string_view name) const;
    // Every direct element child, in document order.
    std::vector<XmlElement> ElementChildren() const;

private:
    pugi::xml_node node_;
};

// A parsed document. Load may be called once; the document is released with the object.
class XmlDocument {
public:
    // Largest file the loader accepts; a schema is a few kilobytes, so anything near this is not one.
    static constexpr size_t kMaxFileSize = 16u * 1024u * 1024u;

    XmlDocument() = default;
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Reads and parses the file. False when it is missing, unreadable, larger than kMaxFileSize, not
    // well-formed, or its bytes do not match its encoding; Error() then says why.
    bool Load(const std::string& path);

    // The root element (null element when nothing is loaded).
    XmlElement Root() const { return XmlElement(doc_.document_element()); }
    const std::string& Error() const { return error_; }

private:
    bool Parse(std::vector<char>& bytes);
    bool CheckTopLevel();
    bool CheckDeclaredEncoding(pugi::xml_encoding detected);

    pugi::xml_document doc_;
    std::string error_;
};

}  // namespace dbs::schema
