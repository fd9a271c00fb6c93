// tavrel-batch as its own process, where faults come from outside: signals in the middle of a
// run, an input that never ends, a closed standard input, a user who may not do everything.
#include "child_process.h"
#include "scratch_dir.h"

#include <csignal>
#include <functional>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace tavrel::cli {
namespace {

namespace fs = std::filesystem;
using batchtest::ChildOptions;
using batchtest::ChildProcess;

constexpr char kHeader[] = "m1,sd1,n1,m2,sd2,n2\n";

class ProcessTest : public batchtest::ScratchDirTest {
  protected:
    void SetUp() override {
        ScratchDirTest::SetUp();
        out_ = (dir_ / "out.csv").string();
        std::signal(SIGPIPE, SIG_IGN); // a child that ends early closes the pipe we feed
    }
    // The size of the temporary output file, or -1 while there is none.
    long TemporarySize() const {
        for (const auto& entry : fs::directory_iterator(dir_)) {
            if (entry.path().filename() != "out.csv") {
                return static_cast<long>(entry.file_size());
            }
        }
        return -1;
    }

    // Runs the tool with `args` on a pipe that stays open, feeds it the header and `rows`,
    // waits (10 s at most) until `ready` holds, sends `signal`, and returns the wait status.
    int SignalDuringRun(const std::vector<std::string>& args, const std::string& rows, int signal,
                        const std::function<bool()>& ready) {
        int feed[2];
        EXPECT_EQ(pipe(feed), 0);
        ChildProcess child(args, {.input = feed[0]});
        close(feed[0]);
        const std::string text = kHeader + rows;
        EXPECT_EQ(write(feed[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
        for (int i = 0; i < 1000 && !ready(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_TRUE(ready()) << "the run never got where the signal was to come";
        kill(child.Pid(), signal);
        const int status = child.Wait();
        close(feed[1]);
        EXPECT_NE(status, -1) << "still running after the signal";
        return status;
    }

    std::string out_;
};

// Stopped in the middle of a run, by whatever signal, the old output stays and the partial
// one goes; the process ends by that signal, as the shell expects. The input is a pipe that
// stays open, so the run is surely still going when the signal comes.
TEST_F(ProcessTest, SignalsRemoveThePartialOutputAndKeepTheOldFile) {
    std::string rows;
    for (int i = 0; i < 80000; ++i) {
        rows += "100,15,20,110,15,20\n"; // past the writer's first flush into the temporary
    }
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        std::ofstream(out_) << "precious";
        const int status =
            SignalDuringRun({"-o", out_}, rows, signal, [&] { return TemporarySize() > 0; });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(FilesInDir(), 1);
        EXPECT_EQ(Read(out_), "precious");
    }
}

// With several outputs under way, any signal that ends a process (an abort too, as Qt's
// fatal errors raise) removes every temporary file before the process ends by it.
TEST_F(ProcessTest, EverySignalRemovesEveryTemporaryFile) {
    for (const int signal : {SIGQUIT, SIGABRT, SIGUSR1, SIGALRM, SIGTERM}) {
        SCOPED_TRACE(strsignal(signal));
        const int status = SignalDuringRun(
            {"--meta", "-o", out_, "--summary", (dir_ / "s.json").string(), "--leave-one-out",
             (dir_ / "l.csv").string()},
            "", signal, [&] { return FilesInDir() == 3; });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(FilesInDir(), 0);
    }
}

// A record that never ends is refused once it passes the limit, instead of growing memory
// until the system kills the process.
TEST_F(ProcessTest, ARecordThatNeverEndsIsRefusedAtItsLimit) {
    int feed[2];
    ASSERT_EQ(pipe(feed), 0);
    ChildProcess child({"-o", out_}, {.input = feed[0]});
    close(feed[0]);
    ASSERT_EQ(write(feed[1], kHeader, sizeof kHeader - 1),
              static_cast<ssize_t>(sizeof kHeader - 1));
    const std::string chunk(1 << 20, 'x');
    // Bounded: four times the limit, then the pipe is closed and the test fails below.
    for (int i = 0; i < 256 && write(feed[1], chunk.data(), chunk.size()) > 0; ++i) {
    }
    close(feed[1]);
    const int status = child.Wait();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(child.Errors().find("a record is longer than 64 MiB (line 2)"), std::string::npos)
        << child.Errors();
    EXPECT_EQ(FilesInDir(), 0);
}

// A closed standard input is said to be closed; the output file must not take its number and
// be read as the input.
TEST_F(ProcessTest, AClosedStandardInputIsReportedAsSuch) {
    ChildProcess child({"-o", out_}, {});
    const int status = child.Wait();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(child.Errors().find("cannot read standard input: it is closed"), std::string::npos)
        << child.Errors();
    EXPECT_EQ(FilesInDir(), 0);
}

// A user who may not write the file gets what a shell redirect gives: a refusal, and the file
// as it was. A user who may write it but not give it to its owner is told so.
TEST_F(ProcessTest, WhatTheUserMayNotDoIsRefusedOrSaid) {
    const auto input = [&] {
        const fs::path path = dir_ / "in.csv";
        std::ofstream(path) << kHeader << "100,15,20,110,15,20\n";
        return open(path.c_str(), O_RDONLY);
    };
    std::ofstream(out_) << "precious";
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(out_.c_str(), 65534, 65534), 0);
    }
    fs::permissions(out_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    {
        const int in = input();
        ChildProcess child({"-o", out_}, {.input = in, .unprivileged = true});
        const int status = child.Wait();
        close(in);
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 2);
        EXPECT_NE(child.Errors().find("Permission denied"), std::string::npos) << child.Errors();
        EXPECT_EQ(Read(out_), "precious");
        EXPECT_EQ(FilesInDir(), 2);
    }
    if (!root) {
        GTEST_SKIP() << "the rest needs root, to run as another user";
    }
    // root's file, writable by all: nobody may replace it, but cannot keep it root's.
    ASSERT_EQ(chown(out_.c_str(), 0, 0), 0);
    fs::permissions(out_, fs::perms::all & ~fs::perms::owner_exec & ~fs::perms::group_exec &
                              ~fs::perms::others_exec);
    const int in = input();
    ChildProcess child({"-o", out_}, {.input = in, .unprivileged = true});
    const int status = child.Wait();
    close(in);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0) << child.Errors();
    EXPECT_NE(child.Errors().find("has lost its owner (uid 0) and group (gid 0)"),
              std::string::npos)
        << child.Errors();
    EXPECT_NE(Read(out_).find("AllResults"), std::string::npos);
}

} // namespace
} // namespace tavrel::cli
