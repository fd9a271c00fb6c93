#include "batch/output_file.h"

#include "batch/csv_reader.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::batch {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void CannotWrite(const std::string& path) {
    throw InputError("cannot write " + path + ": " + std::strerror(errno), 0);
}

// What a newly created file gets: read and write for all, less the user's umask.
fs::perms NewFilePermissions() {
    const mode_t mask = umask(0);
    umask(mask);
    return static_cast<fs::perms>(0666 & ~mask);
}

} // namespace

OutputFile::OutputFile(const std::string& destination) : destination_(destination) {
    std::error_code error;
    const fs::file_status status = fs::status(destination, error); // through links
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        file_ = std::fopen(destination.c_str(), "wb");
        if (file_ == nullptr) {
            CannotWrite(destination);
        }
        return;
    }
    if (fs::exists(status)) {
        destination_ = fs::canonical(destination, error).string();
        if (error) {
            destination_ = destination;
        }
    }

    std::string pattern = destination_ + ".XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) {
        CannotWrite(destination);
    }
    temporary_ = pattern;
    // mkstemp makes the file private; give it what the old file had, or a new file's.
    fs::permissions(temporary_, fs::exists(status) ? status.permissions() : NewFilePermissions(),
                    error);
    file_ = fdopen(fd, "wb");
    if (file_ == nullptr) {
        close(fd);
        std::remove(temporary_.c_str()); // no destructor runs for a constructor that throws
        CannotWrite(destination);
    }
}

OutputFile::~OutputFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
    if (!temporary_.empty()) {
        std::remove(temporary_.c_str());
    }
}

void OutputFile::Commit() {
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed) {
        CannotWrite(destination_);
    }
    if (!temporary_.empty()) {
        if (std::rename(temporary_.c_str(), destination_.c_str()) != 0) {
            CannotWrite(destination_);
        }
        temporary_.clear();
    }
}

} // namespace tavrel::batch
