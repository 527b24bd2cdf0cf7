/*
 * The DOM layer under the schema loader.
 *
 * The file is read into memory by us (so that a missing file, a directory, a read error and an oversized file
 * are told apart from a parse error), then handed to pugixml. pugixml is lenient where a conforming parser is
 * not, so three checks follow the parse:
 *   - the document holds exactly one top-level element and no top-level text;
 *   - a file read as UTF-8 is valid UTF-8 without control characters other than tab, CR and LF;
 *   - an encoding named in the declaration matches what the bytes are: a non-ASCII file read as UTF-8 must
 *     declare UTF-8 (or nothing), and a file declaring a 16- or 32-bit encoding must be one.
 * Comments and processing instructions are kept as nodes, because an element holding only a comment has a
 * child node; whitespace-only text is dropped, so an element holding only blanks has none.
 */
#include "schema/xml_dom.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace dbs::schema {

namespace {

// Parsed as a fragment so that text outside the root element is kept as a node and can be refused; the
// single-root rule is checked after the parse.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_comments | pugi::parse_pi |
                                   pugi::parse_declaration | pugi::parse_fragment;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Reads the whole file into bytes; false with a reason when it cannot be read or is too large.
bool ReadWholeFile(const std::string& path, std::vector<char>& bytes, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot open the file";
        return false;
    }
    char chunk[16384];
    bool ok = true;
    for (;;) {
        size_t n = std::fread(chunk, 1, sizeof chunk, file);
        if (n > 0) {
            if (bytes.size() + n > XmlDocument::kMaxFileSize) {
                error = "the file is too large";
                ok = false;
                break;
            }
            bytes.insert(bytes.end(), chunk, chunk + n);
        }
        if (n < sizeof chunk) {
            if (std::ferror(file)) {
                error = "read error";
                ok = false;
            }
            break;
        }
    }
    std::fclose(file);
    return ok;
}

bool IsAllAscii(const std::vector<char>& bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no C0 controls but tab, LF and CR.
bool IsCleanUtf8(const std::vector<char>& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned char* end = p + bytes.size();
    if (end - p >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) p += 3;
    while (p < end) {
        unsigned char c = *p;
        if (c < 0x80) {
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
            ++p;
            continue;
        }
        int extra;
        uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= extra) return false;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        p += extra + 1;
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

std::vector<XmlElement> XmlElement::Children(std::string_view name) const {
    std::vector<XmlElement> found;
    for (pugi::xml_node child = node_.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && EqualsNoCase(child.name(), name)) found.emplace_back(child);
    }
    return found;
}

std::vector<XmlElement> XmlElement::ElementChildren() const {
    std::vector<XmlElement> found;
    for (pugi::xml_node child = node_.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element) found.emplace_back(child);
    }
    return found;
}

bool XmlDocument::Load(const std::string& path) {
    error_.clear();
    doc_.reset();
    if (path.find('\0') != std::string::npos) {
        error_ = "the path holds a NUL character";  // it would name another file
        return false;
    }
    std::vector<char> bytes;
    if (!ReadWholeFile(path, bytes, error_)) return false;
    if (!Parse(bytes)) {
        doc_.reset();
        return false;
    }
    return true;
}

bool XmlDocument::Parse(std::vector<char>& bytes) {
    pugi::xml_parse_result result = doc_.load_buffer(bytes.data(), bytes.size(), kParseOptions);
    if (!result) {
        error_ = result.description();
        return false;
    }
    if (result.encoding == pugi::encoding_utf8 && !IsCleanUtf8(bytes)) {
        error_ = "the file is not valid UTF-8";
        return false;
    }
    if (!CheckDeclaredEncoding(result.encoding)) return false;
    if (result.encoding == pugi::encoding_utf8 && !IsAllAscii(bytes)) {
        // Non-ASCII text read as UTF-8 is only right when the file says UTF-8 or nothing.
        pugi::xml_node decl = doc_.first_child();
        std::string_view declared =
            decl.type() == pugi::node_declaration ? decl.attribute("encoding").value() : "";
        if (!declared.empty() && !EqualsNoCase(declared, "utf-8") && !EqualsNoCase(declared, "utf8")) {
            error_ = "the file's bytes do not match its declared encoding";
            return false;
        }
    }
    return CheckTopLevel();
}

bool XmlDocument::CheckDeclaredEncoding(pugi::xml_encoding detected) {
    pugi::xml_node decl = doc_.first_child();
    if (decl.type() != pugi::node_declaration) return true;
    std::string_view declared = decl.attribute("encoding").value();
    bool wide = detected == pugi::encoding_utf16_le || detected == pugi::encoding_utf16_be ||
                detected == pugi::encoding_utf32_le || detected == pugi::encoding_utf32_be;
    bool declaresWide = StartsWithNoCase(declared, "utf-16") || StartsWithNoCase(declared, "utf-32") ||
                        StartsWithNoCase(declared, "ucs-");
    if (declaresWide && !wide) {
        error_ = "the file declares a wide encoding but is not written in one";
        return false;
    }
    return true;
}

bool XmlDocument::CheckTopLevel() {
    int elements = 0;
    for (pugi::xml_node child = doc_.first_child(); child; child = child.next_sibling()) {
        switch (child.type()) {
        case pugi::node_element:
            ++elements;
            break;
        case pugi::node_pcdata:
        case pugi::node_cdata:
            error_ = "text outside the root element";
            return false;
        default:
            break;
        }
    }
    if (elements != 1) {
        error_ = elements == 0 ? "no root element" : "more than one root element";
        return false;
    }
    return true;
}

}  // namespace dbs::schema
