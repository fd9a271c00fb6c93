#pragma once

#include "outputs/output_error.h"

#include <cstdio>
#include <string>

namespace tavrel::outputs {

// The file named by -o. A regular file (or a new one) is written under a temporary name in
// the same folder and renamed onto it only when Commit() is called, so that a failed or
// interrupted run leaves the old file as it was; without Commit() the temporary file is
// removed, and so does any signal that ends the process (SignalCleanup). The new file keeps the old
// one's owner, group and mode where the process may set them, and says so on `warnings` where it
// may not. Through a symbolic link the file it points to is written, whether or not it exists
// yet, and the link kept. Anything else (a device such as /dev/null, a named pipe) cannot be
// replaced, and is written directly.
class OutputFile {
  public:
    // Throws OutputError when the file cannot be written, or may not be (as a shell redirect
    // would refuse it).
    OutputFile(const std::string& destination, std::FILE* warnings);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::FILE* File() const { return file_; }
    // Writes out and closes the file, still under its temporary name. Throws OutputError when
    // a write or the close fails (a full disk, say), leaving the old file as it was.
    void Close();
    // Puts the closed file in place (closing it first where Close was not called). Throws
    // OutputError when that fails.
    void Commit();

  private:
    // Creates the temporary file beside the target; returns its descriptor, or -1 with errno.
    int CreateTemporary(bool replacing);
    void RemoveTemporary();
    [[noreturn]] void Fail();

    std::string shown_;     // the name as given, for messages
    int directory_ = -1;    // the folder of the file that is replaced
    std::string name_;      // its name in that folder
    std::string temporary_; // the temporary file's name there; empty when written directly
    int registration_ = -1; // its registration with SignalCleanup
    std::FILE* file_ = nullptr;
};

} // namespace tavrel::outputs
