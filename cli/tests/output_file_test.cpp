// The file -o names: written whole or not at all, whatever it is (a link, a pipe, a device, a
// name as long as the folder allows, another user's file), and never reported done when the
// disk is full.
#include "batch_test_support.h"
#include "scratch_dir.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::cli {
namespace {

namespace fs = std::filesystem;
using batchtest::RunTool;

constexpr char kOneStudy[] = "m1,sd1,n1,m2,sd2,n2\n100,15,20,110,15,20\n";

using OutputFileTest = batchtest::ScratchDirTest;

TEST_F(OutputFileTest, LevelsWhoseIntervalIsInfiniteAreUsageErrors) {
    const std::string out = (dir_ / "res.csv").string();
    for (const char* level : {"0.9999999999999999", "0.99999999999999989"}) {
        const auto result = RunTool(kOneStudy, {"--level", level, "-o", out});
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("--level " + std::string(level) + " is too close to 1"),
                  std::string::npos)
            << result.err;
    }
    EXPECT_EQ(RunTool(kOneStudy, {"--level", "0.999999999999999"}).status, 0);
    EXPECT_EQ(FilesInDir(), 0);
}

TEST_F(OutputFileTest, DashIsStandardOutputAndAnEmptyNameIsRefused) {
    const auto dash = RunTool(kOneStudy, {"-o", "-"});
    EXPECT_EQ(dash.status, 0);
    EXPECT_NE(dash.out.find("AllResults"), std::string::npos);
    const auto empty = RunTool(kOneStudy, {"-o", ""});
    EXPECT_EQ(empty.status, 2);
    EXPECT_EQ(empty.out, "");
    EXPECT_NE(empty.err.find("-o needs a file name"), std::string::npos) << empty.err;
}

TEST_F(OutputFileTest, ALinkToAFileNotYetThereIsKeptAndItsTargetWritten) {
    fs::create_symlink("results/target.csv", dir_ / "link.csv");
    fs::create_directory(dir_ / "results");
    EXPECT_EQ(RunTool(kOneStudy, {"-o", (dir_ / "link.csv").string()}).status, 0);
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.csv"));
    EXPECT_NE(Read(dir_ / "results" / "target.csv").find("AllResults"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "results"), {}), 1);
}

TEST_F(OutputFileTest, ANameAsLongAsTheFolderAllowsStillHasRoomForItsTemporary) {
    const fs::path out = dir_ / (std::string(251, 'a') + ".csv"); // 255 bytes
    const auto result = RunTool(kOneStudy, {"-o", out.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(Read(out).find("AllResults"), std::string::npos);
    EXPECT_EQ(FilesInDir(), 1);
}

// The replaced file keeps its owner, group and mode, as `sed -i` keeps them.
TEST_F(OutputFileTest, TheReplacedFileKeepsItsOwnerGroupAndMode) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving a file to another user needs root";
    }
    const fs::path out = dir_ / "theirs.csv";
    std::ofstream(out) << "old";
    ASSERT_EQ(chown(out.c_str(), 65534, 100), 0);
    ASSERT_EQ(chmod(out.c_str(), 0640), 0);
    const auto result = RunTool(kOneStudy, {"-o", out.string()});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, ""); // root may keep them all, so nothing to say
    struct stat status {};
    ASSERT_EQ(stat(out.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 65534u);
    EXPECT_EQ(status.st_gid, 100u);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
}

// An unusable input leaves the old file as it was, and no temporary file behind; a complete
// run replaces it.
TEST_F(OutputFileTest, AppearsOnlyWhenComplete) {
    const std::string out = (dir_ / "out.csv").string();
    std::ofstream(out) << "precious";
    EXPECT_EQ(RunTool("m1,sd1\n1,2\n", {"-o", out}).status, 2);
    EXPECT_EQ(Read(out), "precious");
    EXPECT_EQ(FilesInDir(), 1);
    const batchtest::Result done = RunTool(kOneStudy, {"-o", out});
    EXPECT_EQ(done.status, 0);
    EXPECT_EQ(done.out, "");
    EXPECT_NE(Read(out).find(",0.681324047186616,"), std::string::npos);
    EXPECT_EQ(FilesInDir(), 1);
}

// A named pipe (like /dev/null) cannot be replaced by renaming: it stays what it is and gets
// it all. The read end is opened first, so the tool's open does not wait.
TEST_F(OutputFileTest, APipeIsWrittenNotReplaced) {
    const std::filesystem::path pipe = dir_ / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const int readEnd = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(readEnd, 0);
    EXPECT_EQ(RunTool(kOneStudy, {"-o", pipe.string()}).status, 0);
    std::string piped(1 << 16, '\0');
    piped.resize(static_cast<std::size_t>(
        std::max<ssize_t>(0, ::read(readEnd, piped.data(), piped.size()))));
    close(readEnd);
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
    EXPECT_NE(piped.find(",0.681324047186616,"), std::string::npos);
    EXPECT_EQ(FilesInDir(), 1); // no temporary file left
}

// A full disk must not pass for success, nor leave a partial file in place of the output.
TEST(OutputFile, AFullDiskIsAnErrorNotATruncatedSuccess) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full here";
    }
    std::string rows = "m1,sd1,n1,m2,sd2,n2\n";
    for (int i = 0; i < 20000; ++i) {
        rows += "100,15,20,110,15,20\n";
    }
    std::FILE* in = fmemopen(rows.data(), rows.size(), "rb");
    std::FILE* full = std::fopen("/dev/full", "wb");
    char* errData = nullptr;
    std::size_t errSize = 0;
    std::FILE* err = open_memstream(&errData, &errSize);
    const int status = RunBatch({}, in, full, err);
    std::fclose(in);
    std::fclose(full);
    std::fclose(err);
    const std::string message(errData, errSize);
    std::free(errData);
    EXPECT_EQ(status, 2);
    EXPECT_NE(message.find("cannot write the output"), std::string::npos) << message;
}

} // namespace
} // namespace tavrel::cli
