#include "batch/run.h"

#include "batch/csv_reader.h"
#include "batch/csv_writer.h"
#include "batch/options.h"
#include "batch/study_table.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <unistd.h>

namespace tavrel::batch {

namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

std::string Reason() {
    return std::strerror(errno);
}

// A file written under a temporary name beside its destination, and renamed onto it only
// when Commit() is called; otherwise removed.
class PendingFile {
  public:
    explicit PendingFile(const std::string& destination) : destination_(destination) {
        std::string pattern = destination + ".XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0) {
            throw InputError("cannot write " + destination + ": " + Reason(), 0);
        }
        temporary_ = pattern;
        file_ = fdopen(fd, "wb");
    }
    ~PendingFile() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
        if (!temporary_.empty()) {
            std::remove(temporary_.c_str());
        }
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    std::FILE* File() const { return file_; }

    void Commit() {
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        // mkstemp makes the file private; give it the usual permissions.
        std::filesystem::permissions(temporary_, std::filesystem::perms::owner_read |
                                                     std::filesystem::perms::owner_write |
                                                     std::filesystem::perms::group_read |
                                                     std::filesystem::perms::others_read);
        if (!closed || std::rename(temporary_.c_str(), destination_.c_str()) != 0) {
            throw InputError("cannot write " + destination_ + ": " + Reason(), 0);
        }
        temporary_.clear();
    }

  private:
    std::string destination_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
};

// Shows how far a long run has come, on a terminal only.
class Progress {
  public:
    explicit Progress(std::FILE* err) : err_(err), shown_(isatty(fileno(err)) != 0) {}
    void Row(long rows) {
        if (shown_ && rows % kEvery == 0) {
            std::fprintf(err_, "\r%ld rows", rows);
            std::fflush(err_);
            drawn_ = true;
        }
    }
    void Done() {
        if (drawn_) {
            std::fprintf(err_, "\r\033[K");
        }
    }

  private:
    static constexpr long kEvery = 1 << 18;
    std::FILE* err_;
    bool shown_;
    bool drawn_ = false;
};

int Convert(const Options& options, std::FILE* in, std::FILE* out, std::FILE* err) {
    FilePtr opened(nullptr, &std::fclose);
    if (options.input != "-") {
        opened.reset(std::fopen(options.input.c_str(), "rb"));
        if (!opened) {
            throw InputError("cannot read " + options.input + ": " + Reason(), 0);
        }
        in = opened.get();
    }
    std::optional<PendingFile> pending;
    if (!options.output.empty()) {
        pending.emplace(options.output);
        out = pending->File();
    }

    const char delimiter = options.tsv ? '\t' : ',';
    CsvWriter writer(out, delimiter);
    StudyTable table(options, writer);
    Progress progress(err);
    bool headerSeen = false;
    CsvReader(in, delimiter).ReadAll([&](const Record& record) {
        if (!headerSeen) {
            table.Header(record);
            headerSeen = true;
            return;
        }
        table.Row(record);
        progress.Row(table.Rows());
    });
    progress.Done();
    if (!headerSeen) {
        throw InputError("the input is empty: the first row must name the columns", 0);
    }
    if (!writer.Flush()) {
        throw InputError("cannot write the output: " + Reason(), 0);
    }
    if (pending) {
        pending->Commit();
    }
    if (table.RowsWithErrors() > 0) {
        std::fprintf(err, "%ld of %ld rows had errors\n", table.RowsWithErrors(), table.Rows());
        return kSomeRowsFailed;
    }
    return kAllComputed;
}

} // namespace

int RunBatch(const std::vector<std::string>& args, std::FILE* in, std::FILE* out, std::FILE* err) {
    Options options;
    try {
        options = ParseOptions(args);
    } catch (const UsageError& e) {
        std::fprintf(err, "tavrel-batch: %s\nTry 'tavrel-batch --help'.\n", e.what());
        return kUnusable;
    }
    if (options.help) {
        std::fputs(kUsage, out);
        return kAllComputed;
    }
    if (options.version) {
        std::fprintf(out, "tavrel-batch %s\n", TAVREL_VERSION);
        return kAllComputed;
    }
    try {
        return Convert(options, in, out, err);
    } catch (const InputError& e) {
        const std::string where =
            e.Line() > 0 ? " (line " + std::to_string(e.Line()) + ")" : std::string();
        std::fprintf(err, "tavrel-batch: %s%s\n", e.what(), where.c_str());
        return kUnusable;
    }
}

} // namespace tavrel::batch
