#pragma once

#include <cstdio>
#include <string>

namespace tavrel::batch {

// The file named by -o. A regular file (or a new one) is written under a temporary name
// beside it and renamed onto it only when Commit() is called, so that a failed run leaves the
// old file as it was; without Commit() the temporary file is removed. Through a symbolic link
// the file it points to is replaced and the link kept. Anything else (a device such as
// /dev/null, a named pipe) cannot be replaced, and is written directly.
class OutputFile {
  public:
    // Throws InputError when the file cannot be written.
    explicit OutputFile(const std::string& destination);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::FILE* File() const { return file_; }
    // Closes the file and puts it in place. Throws InputError when that fails.
    void Commit();

  private:
    std::string destination_; // the named file; the link's target through a link
    std::string temporary_;   // empty when written directly
    std::FILE* file_ = nullptr;
};

} // namespace tavrel::batch
