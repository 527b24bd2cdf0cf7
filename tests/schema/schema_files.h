// Test support for the schema tests: a scratch folder of schema files written by the test, and a loader call
// with fresh vectors.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <dbs/dbs.h>

namespace dbs::test {

// A fresh folder under the system's temporary directory, removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "dbs_schema_XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) root_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Writes bytes exactly as given to name and returns the file's path.
    std::string Write(const std::string& name, std::string_view bytes) const {
        std::filesystem::path path = root_ / name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    std::string PathOf(const std::string& name) const { return (root_ / name).string(); }
    const std::filesystem::path& Root() const { return root_; }

private:
    std::filesystem::path root_;
};

// The four record vectors and the name map of one or more loader calls.
struct LoadedSchema {
    std::vector<TagSYSTABTuple> tables;
    std::vector<TagSYSCOLUMNTuple> columns;
    std::vector<TagSYSCONSCOLUMNTuple> keyColumns;
    std::vector<TagSYSCONSTRAINTSTuple> constraints;
    std::map<std::string, int> names;

    uint8_t Load(const std::string& path, uint8_t type = DBS_TABLE_TYPE_FIRST) {
        return DbsLoadDBDefXml(path, type, tables, columns, keyColumns, constraints, names);
    }
};

// The folder that holds the example schema files of the project.
inline std::string ExampleSchema(const std::string& name) {
    return std::string(DBS_SOURCE_DIR) + "/examples/schema/" + name;
}

}  // namespace dbs::test
