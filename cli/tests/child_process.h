#pragma once

// tavrel-batch as a separate process, for what only a process shows: signals, closed
// descriptors, another user, a pipe that never ends.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tavrel::cli::batchtest {

struct ChildOptions {
    int input = -1;            // descriptor for standard input; -1 leaves it closed
    int output = -1;           // descriptor for standard output; -1 leaves the test's own
    bool unprivileged = false; // when run as root: as the user and group nobody (65534)
};

class ChildProcess {
  public:
    ChildProcess(const std::vector<std::string>& args, const ChildOptions& options) {
        errorFile_ = std::tmpfile();
        pid_ = fork();
        if (pid_ == 0) {
            if (options.input >= 0) {
                dup2(options.input, STDIN_FILENO);
            } else {
                close(STDIN_FILENO);
            }
            if (options.output >= 0) {
                dup2(options.output, STDOUT_FILENO);
            }
            dup2(fileno(errorFile_), STDERR_FILENO);
            if (options.unprivileged && geteuid() == 0 &&
                (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                 setresuid(65534, 65534, 65534) != 0)) {
                _exit(126);
            }
            std::vector<char*> argv{const_cast<char*>(TAVREL_BATCH_BINARY)};
            for (const std::string& arg : args) {
                argv.push_back(const_cast<char*>(arg.c_str()));
            }
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~ChildProcess() {
        if (!waited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        std::fclose(errorFile_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }

    // The wait status, or -1 if it has not ended within `seconds` (it is then killed).
    int Wait(double seconds = 30) {
        for (int i = 0; i < seconds * 100; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                waited_ = true;
                return status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

    std::string Errors() const {
        std::string text;
        std::rewind(errorFile_);
        for (int c; (c = std::fgetc(errorFile_)) != EOF;) {
            text += static_cast<char>(c);
        }
        return text;
    }

  private:
    pid_t pid_ = -1;
    bool waited_ = false;
    std::FILE* errorFile_;
};

} // namespace tavrel::cli::batchtest
