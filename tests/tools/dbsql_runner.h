// Runs the built dbsql binary as a child process with given arguments and standard input, and collects its
// standard output, standard error and exit status. Each test works in a fresh scratch directory holding a
// small schema that covers every field kind.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace dbsql::test {

struct RunResult {
    int status = -1;  // exit status, or -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// Runs dbsql with args in directory cwd, feeding input on standard input (which is then not a terminal).
RunResult RunDbsql(const std::vector<std::string>& args, const std::string& input, const std::filesystem::path& cwd);

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& text);

// The schema every test uses: REGION (ID DWORD key, NAME CHAR(16), CODES WORD[3], LEVEL BYTE at most 9) and
// CITY (ID DWORD key, REGION DWORD, NAME CHAR(20); a foreign key to REGION, restricting deletes).
extern const char* const kSchema;

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // dbsql -s schema.xml <args...>, run in the scratch directory.
    RunResult Run(std::vector<std::string> args, const std::string& input = "");
    std::filesystem::path dir;
};

}  // namespace dbsql::test
