#pragma once

#include "child_process.h"
#include "scratch_dir.h"

#include <fcntl.h>
#include <fstream>
#include <string>
#include <vector>

// The plot needs its module, which is built where Qt's Gui is found.
#define TAVREL_SKIP_WITHOUT_PLOT_MODULE()                                                          \
    if (!TAVREL_PLOT_MODULE) {                                                                     \
        GTEST_SKIP() << "the plot module is not built here (no Qt Gui)";                           \
    }

namespace tavrel::cli::batchtest {

// The real program in a scratch folder: it loads the plot module from beside it.
class ProgramTest : public ScratchDirTest {
  protected:
    // Runs the program on `table` (as in.csv, on standard input) with `args`; returns its exit
    // status, or -1 where it did not exit.
    int Run(const std::string& table, const std::vector<std::string>& args,
            std::string* errors = nullptr) {
        std::ofstream(dir_ / "in.csv") << table;
        const int input = open((dir_ / "in.csv").c_str(), O_RDONLY);
        ChildProcess child(args, {.input = input});
        const int status = child.Wait(120);
        close(input);
        if (errors != nullptr) {
            *errors = child.Errors();
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
};

} // namespace tavrel::cli::batchtest
