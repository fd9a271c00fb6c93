#include "outputs/output_file.h"

#include "outputs/output_error.h"
#include "outputs/signal_cleanup.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::outputs {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void CannotWrite(const std::string& path, int error) {
    throw OutputError("cannot write " + path + ": " + std::strerror(error));
}

// The file that writing to `path` writes: through every symbolic link, even one that points
// to a file that does not exist yet.
fs::path FollowLinks(const std::string& shown) {
    fs::path path(shown);
    for (int hops = 0; hops < 40; ++hops) {
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            return path;
        }
        std::error_code error;
        const fs::path target = fs::read_symlink(path, error);
        if (error) {
            CannotWrite(shown, error.value());
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    CannotWrite(shown, ELOOP);
}

// `name` cut to at most `size` bytes, not inside a UTF-8 character.
std::string Prefix(const std::string& name, std::size_t size) {
    if (name.size() <= size) {
        return name;
    }
    while (size > 0 && (static_cast<unsigned char>(name[size]) & 0xC0) == 0x80) {
        --size;
    }
    return name.substr(0, size);
}

// Gives the new file the replaced one's owner, group and mode, as far as the process may.
void KeepOwnership(int fd, const struct stat& old, const std::string& shown, std::FILE* warnings) {
    int error = 0;
    if (fchown(fd, old.st_uid, old.st_gid) != 0) {
        error = errno;
        // Not allowed to give the file away: the group at least, where we belong to it.
        fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    }
    struct stat now {};
    fstat(fd, &now);
    std::string lost;
    if (now.st_uid != old.st_uid) {
        lost = "owner (uid " + std::to_string(old.st_uid) + ")";
    }
    if (now.st_gid != old.st_gid) {
        lost += (lost.empty() ? "" : " and ") + std::string("group (gid ") +
                std::to_string(old.st_gid) + ")";
    }
    if (!lost.empty()) {
        std::fprintf(warnings, "tavrel-batch: %s has lost its %s: %s\n", shown.c_str(),
                     lost.c_str(), std::strerror(error));
    }
    // Set-user and set-group bits are for the owner they were given by, no one else.
    fchmod(fd, old.st_mode & (lost.empty() ? 07777 : 0777));
}

} // namespace

OutputFile::OutputFile(const std::string& destination, std::FILE* warnings) : shown_(destination) {
    // A device or pipe is opened by the name given: /dev/stdout leads through /proc to a
    // pipe that has no path of its own to follow.
    struct stat old {};
    const bool device = stat(destination.c_str(), &old) == 0 && !S_ISREG(old.st_mode);
    const fs::path target = device ? fs::path(destination) : FollowLinks(destination);
    const bool replacing = device || stat(target.c_str(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode)) {
        file_ = std::fopen(target.c_str(), "wb");
        if (file_ == nullptr) {
            CannotWrite(shown_, errno); // a folder, say
        }
        return;
    }
    // As a shell redirect would: a file we may not write is not replaced either.
    if (replacing && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        CannotWrite(shown_, errno);
    }
    name_ = target.filename().string();
    if (name_.empty() || name_ == "." || name_ == "..") {
        CannotWrite(shown_, EISDIR);
    }
    const fs::path folder = target.parent_path();
    directory_ = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory_ < 0) {
        CannotWrite(shown_, errno);
    }

    SignalCleanup::Hold();
    const int fd = CreateTemporary(replacing);
    const int error = errno;
    if (fd >= 0) {
        registration_ = SignalCleanup::Remove(directory_, temporary_.c_str());
    }
    SignalCleanup::Release();
    if (fd < 0) {
        close(directory_);
        CannotWrite(shown_, error);
    }
    if (replacing) {
        KeepOwnership(fd, old, shown_, warnings);
    }
    file_ = fdopen(fd, "wb");
    if (file_ == nullptr) {
        close(fd);
        Fail(); // no destructor runs for a constructor that throws
    }
}

int OutputFile::CreateTemporary(bool replacing) {
    // The temporary name must fit wherever the final one fits: the final name's start, cut
    // so that the suffix still fits the folder's longest name.
    const long longest = fpathconf(directory_, _PC_NAME_MAX);
    const std::size_t room = static_cast<std::size_t>(longest > 0 ? longest : NAME_MAX) - 7;
    const std::string stem = Prefix(name_, room) + ".";
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::uniform_int_distribution<std::size_t> letter(0, sizeof kLetters - 2);
    // A new file is created as the kernel would create it for a redirect (umask, default
    // ACLs); a replacing one stays private until it has the old one's owner and mode.
    const mode_t mode = replacing ? 0600 : 0666;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = stem;
        for (int i = 0; i < 6; ++i) {
            name += kLetters[letter(device)];
        }
        const int fd =
            openat(directory_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            temporary_ = name;
            return fd;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    return -1;
}

void OutputFile::RemoveTemporary() {
    if (!temporary_.empty()) {
        SignalCleanup::Hold();
        unlinkat(directory_, temporary_.c_str(), 0);
        SignalCleanup::Forget(registration_);
        SignalCleanup::Release();
        temporary_.clear();
    }
    if (directory_ >= 0) {
        close(directory_);
        directory_ = -1;
    }
}

void OutputFile::Fail() {
    const int error = errno;
    RemoveTemporary();
    CannotWrite(shown_, error);
}

OutputFile::~OutputFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
    RemoveTemporary();
}

void OutputFile::Close() {
    if (file_ == nullptr) {
        return;
    }
    const bool written = std::fflush(file_) == 0 && std::ferror(file_) == 0;
    const int error = errno;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!written || !closed) {
        if (!written) {
            errno = error;
        }
        Fail();
    }
}

void OutputFile::Commit() {
    Close();
    if (!temporary_.empty()) {
        SignalCleanup::Hold();
        const bool renamed =
            renameat(directory_, temporary_.c_str(), directory_, name_.c_str()) == 0;
        const int error = errno;
        if (renamed) {
            SignalCleanup::Forget(registration_);
            temporary_.clear();
        }
        SignalCleanup::Release();
        if (!renamed) {
            errno = error;
            Fail();
        }
    }
    RemoveTemporary();
}

} // namespace tavrel::outputs
