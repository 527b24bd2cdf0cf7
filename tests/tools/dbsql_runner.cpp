// Child-process runner for the shell tests.
#include "dbsql_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace dbsql::test {

namespace fs = std::filesystem;

const char* const kSchema = R"(<?xml version="1.0"?>
<DBDef>
  <Table Name="REGION" MaxRecNum="100">
    <Field Name="ID" DataType="DWORD"/>
    <Field Name="NAME" DataType="CHAR" Num="16"/>
    <Field Name="CODES" DataType="WORD" Num="3"/>
    <Field Name="LEVEL" DataType="BYTE"/>
    <PriKey Name="PK_REGION"><PKI Field="ID"/></PriKey>
    <Check Column="LEVEL" Condition="&lt;=9"/>
  </Table>
  <Table Name="CITY" MaxRecNum="100">
    <Field Name="ID" DataType="DWORD"/>
    <Field Name="REGION" DataType="DWORD"/>
    <Field Name="NAME" DataType="CHAR" Num="20"/>
    <PriKey Name="PK_CITY"><PKI Field="ID"/></PriKey>
    <ForeignKey Parent="REGION" OnDelete="RESTRICT" Columns="REGION"/>
  </Table>
</DBDef>
)";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

RunResult RunDbsql(const std::vector<std::string>& args, const std::string& input, const fs::path& cwd) {
    // Files rather than pipes: nothing can block however much the child writes.
    fs::path in = cwd / ".stdin", out = cwd / ".stdout", err = cwd / ".stderr";
    WriteFile(in, input);
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(cwd.c_str()) != 0) _exit(127);
        int fi = open(in.c_str(), O_RDONLY);
        int fo = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int fe = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fi < 0 || fo < 0 || fe < 0) _exit(127);
        dup2(fi, 0);
        dup2(fo, 1);
        dup2(fe, 2);
        std::vector<char*> argv;
        std::string path = DBSQL_PATH;
        argv.push_back(path.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        // The child must not inherit a trace destination from the test environment.
        unsetenv("DBS_TRACE_FILE");
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    RunResult r;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.status = WEXITSTATUS(status);
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    return r;
}

void ShellTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() / ("dbsql_test_" + std::to_string(getpid())) /
          (std::string(info->test_suite_name()) + "." + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    WriteFile(dir / "schema.xml", kSchema);
}

void ShellTest::TearDown() {
    if (!HasFailure()) fs::remove_all(dir);
}

RunResult ShellTest::Run(std::vector<std::string> args, const std::string& input) {
    args.insert(args.begin(), {"-s", "schema.xml"});
    return RunDbsql(args, input, dir);
}

}  // namespace dbsql::test
