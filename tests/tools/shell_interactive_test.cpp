// One interactive session through a pseudo-terminal: the banner, the prompt, box output by default, Ctrl-C, a
// failing statement that does not end the session, and .quit.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "dbsql_runner.h"

namespace dbsql::test {
namespace {

// How the shell finds SIGINT when it starts: launchers and CI runners often hand it on blocked or ignored.
enum class Inherited { kDefault, kBlocked, kIgnored };

class Pty {
public:
    Pty(const std::filesystem::path& cwd, std::vector<std::string> args, Inherited sigint = Inherited::kDefault) {
        args.insert(args.begin(), DBSQL_PATH);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_ = forkpty(&fd_, nullptr, nullptr, nullptr);
        if (pid_ == 0) {
            if (chdir(cwd.c_str()) != 0) _exit(127);
            setenv("HOME", cwd.c_str(), 1);  // the history file goes to the scratch directory
            setenv("TERM", "dumb", 1);
            if (sigint == Inherited::kBlocked) {
                sigset_t set;
                sigemptyset(&set);
                sigaddset(&set, SIGINT);
                sigprocmask(SIG_BLOCK, &set, nullptr);
            } else if (sigint == Inherited::kIgnored) {
                signal(SIGINT, SIG_IGN);
            }
            execv(DBSQL_PATH, argv.data());
            _exit(127);
        }
    }
    ~Pty() {
        if (pid_ > 0 && !waited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (fd_ >= 0) close(fd_);
    }
    bool Started() const { return pid_ > 0 && fd_ >= 0; }

    // Reads until the output seen so far contains text, or five seconds pass.
    bool WaitFor(const std::string& text) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (seen_.find(text, from_) == std::string::npos) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
            char buf[4096];
            ssize_t n = read(fd_, buf, sizeof buf);
            if (n <= 0) return false;
            seen_.append(buf, static_cast<size_t>(n));
        }
        from_ = seen_.find(text, from_) + text.size();
        return true;
    }
    void Send(const std::string& text) { ASSERT_EQ(write(fd_, text.data(), text.size()), static_cast<ssize_t>(text.size())); }
    int Wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        waited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::string& Seen() const { return seen_; }

private:
    int fd_ = -1;
    pid_t pid_ = -1;
    bool waited_ = false;
    std::string seen_;
    size_t from_ = 0;
};

TEST_F(ShellTest, InteractiveSessionThroughATerminal) {
    for (Inherited sigint : {Inherited::kDefault, Inherited::kBlocked, Inherited::kIgnored}) {
        SCOPED_TRACE(static_cast<int>(sigint));
        std::filesystem::remove(dir / ".dbsql_history");
        Pty pty(dir, {"-s", "schema.xml"}, sigint);
        ASSERT_TRUE(pty.Started());
        ASSERT_TRUE(pty.WaitFor("2 tables. Enter .help")) << pty.Seen();
        ASSERT_TRUE(pty.WaitFor("dbsql> ")) << pty.Seen();
        pty.Send(".tables\n");
        // On a terminal the default output is a box-drawn table.
        EXPECT_TRUE(pty.WaitFor("│ REGION │    1 │       0 │      100 │")) << pty.Seen();
        ASSERT_TRUE(pty.WaitFor("dbsql> ")) << pty.Seen();
        // Ctrl-C drops the line being typed and keeps the session, whether or not the line editor has taken
        // over the terminal yet: no pause between the prompt and the keys.
        pty.Send("DELETE FROM REGION");
        ASSERT_TRUE(pty.WaitFor("DELETE FROM REGION")) << pty.Seen();
        pty.Send("\x03");
        ASSERT_TRUE(pty.WaitFor("dbsql> ")) << pty.Seen();
        pty.Send("SELECT * FROM NOSUCH;\n");
        EXPECT_TRUE(pty.WaitFor("error: statement failed: SELECT * FROM NOSUCH")) << pty.Seen();
        ASSERT_TRUE(pty.WaitFor("dbsql> ")) << pty.Seen();
        pty.Send(".quit\n");
        // Interactive sessions end with 0 even after a failed statement.
        EXPECT_EQ(pty.Wait(), 0) << pty.Seen();
        EXPECT_NE(ReadFile(dir / ".dbsql_history").find(".tables"), std::string::npos);
    }
}

// Tab completes the statement words, in the case they are begun in, and the names of tables and fields.
TEST_F(ShellTest, TabCompletesWordsAndNames) {
    Pty pty(dir, {"-s", "schema.xml"});
    ASSERT_TRUE(pty.Started());
    ASSERT_TRUE(pty.WaitFor("dbsql> ")) << pty.Seen();
    pty.Send("ins\t");
    ASSERT_TRUE(pty.WaitFor("insert ")) << pty.Seen();
    pty.Send("INT\tREG\t");
    ASSERT_TRUE(pty.WaitFor("INTO REGION ")) << pty.Seen();
    pty.Send("(ID, LEV\t) VAL\t(7, 3)\n");
    ASSERT_TRUE(pty.WaitFor("dbsql> ")) << pty.Seen();
    pty.Send("SELECT ID FROM REGION GRO\tBY ID HAV\tCOUNT(*) = 1\n");
    EXPECT_TRUE(pty.WaitFor("│  7 │")) << pty.Seen();
    ASSERT_TRUE(pty.WaitFor("dbsql> ")) << pty.Seen();
    pty.Send(".quit\n");
    EXPECT_EQ(pty.Wait(), 0) << pty.Seen();
}

// Long work shows a progress bar when standard error is a terminal, and wipes it when done.
TEST_F(ShellTest, LongImportShowsAProgressBarOnATerminal) {
    WriteFile(dir / "big.xml",
              "<DBDef><Table Name=\"BIG\" MaxRecNum=\"8000\"><Field Name=\"ID\" DataType=\"DWORD\"/>"
              "<Field Name=\"TEXT\" DataType=\"CHAR\" Num=\"60\"/><PriKey Name=\"PK\"><PKI Field=\"ID\"/></PriKey>"
              "</Table></DBDef>");
    std::string csv = "ID,TEXT\n";
    for (int i = 1; i <= 6000; ++i) csv += std::to_string(i) + ",a line of text that makes the file big enough\n";
    WriteFile(dir / "big.csv", csv);
    {
        Pty pty(dir, {"-s", "big.xml", "-d", "data", "--save", "-c", ".import big.csv BIG"});
        ASSERT_TRUE(pty.Started());
        EXPECT_TRUE(pty.WaitFor("importing BIG [")) << pty.Seen();
        EXPECT_TRUE(pty.WaitFor("\r\033[K")) << pty.Seen();
        EXPECT_TRUE(pty.WaitFor("imported 6000 records into BIG")) << pty.Seen();
        EXPECT_EQ(pty.Wait(), 0) << pty.Seen();
    }
    // Loading the saved table shows its own bar, and none of the library's read marks.
    Pty pty(dir, {"-s", "big.xml", "-d", "data", "-c", ".count BIG"});
    ASSERT_TRUE(pty.Started());
    EXPECT_TRUE(pty.WaitFor("loading [")) << pty.Seen();
    EXPECT_TRUE(pty.WaitFor("6000")) << pty.Seen();
    EXPECT_EQ(pty.Wait(), 0) << pty.Seen();
    EXPECT_EQ(pty.Seen().find(".."), std::string::npos) << pty.Seen();
}

}  // namespace
}  // namespace dbsql::test
