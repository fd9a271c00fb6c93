#pragma once

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace tavrel::cli::batchtest {

// A test with a folder of its own, named after it, that any user may write in; emptied before
// and removed after.
class ScratchDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tavrel-batch-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::filesystem::permissions(dir_, std::filesystem::perms::all);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static std::string Read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    long FilesInDir() const { return std::distance(std::filesystem::directory_iterator(dir_), {}); }

    std::filesystem::path dir_;
};

} // namespace tavrel::cli::batchtest
