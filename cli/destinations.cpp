#include "cli/destinations.h"

#include "cli/run_error.h"
#include "project/studies_project.h"

#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace tavrel::cli {

namespace {

namespace fs = std::filesystem;

// What a name refers to: the file itself where it exists (through links, and any hard link
// to it names the same), else the path it would be created at.
// A device or named pipe (/dev/null) is written, never replaced: any number of outputs may go
// there.
struct Identity {
    std::optional<std::pair<dev_t, ino_t>> file;
    fs::path path;
    bool device = false;

    bool operator==(const Identity& other) const {
        if (device || other.device) {
            return false;
        }
        return file || other.file ? file == other.file : path == other.path;
    }
};

Identity IdentityOf(const std::string& name) {
    struct stat status {};
    if (stat(name.c_str(), &status) == 0) {
        return {std::pair{status.st_dev, status.st_ino}, {}, !S_ISREG(status.st_mode)};
    }
    std::error_code error;
    fs::path path = fs::weakly_canonical(fs::absolute(name, error), error);
    return {std::nullopt, error ? fs::path(name) : path};
}

struct Destination {
    const char* option;
    const std::string& name;
};

} // namespace

void CheckDestinations(const Options& options, std::FILE* input) {
    // Standard output holds one of them only.
    std::vector<std::string> toStandardOutput;
    if (options.summary == "-") {
        toStandardOutput.emplace_back("--summary -");
    }
    if (options.leaveOneOut == "-") {
        toStandardOutput.emplace_back("--leave-one-out -");
    }
    if (options.output.empty()) {
        toStandardOutput.emplace_back("the table");
    }
    if (toStandardOutput.size() > 1) {
        throw RunError(toStandardOutput[0] + " and " + toStandardOutput[1] +
                       " would both go to standard output; name a file for one of them");
    }
    std::optional<Identity> read;
    struct stat status {};
    if (options.input != "-") {
        read = IdentityOf(options.input);
    } else if (input != nullptr && fstat(fileno(input), &status) == 0 && S_ISREG(status.st_mode)) {
        read = Identity{std::pair{status.st_dev, status.st_ino}, {}, false};
    }
    std::vector<std::pair<Destination, Identity>> written;
    for (const Destination destination :
         {Destination{"-o", options.output}, Destination{"--summary", options.summary},
          Destination{"--forest", options.forest}, Destination{"--funnel", options.funnel},
          Destination{"--leave-one-out", options.leaveOneOut}}) {
        if (destination.name.empty() || destination.name == "-") {
            continue;
        }
        const Identity identity = IdentityOf(destination.name);
        // A project is not replaced by a table.
        const bool mayReplaceInput =
            std::string_view(destination.option) == "-o" && !project::IsProjectPath(options.input);
        if (read && identity == *read && !mayReplaceInput) {
            throw RunError(std::string(destination.option) + " " + destination.name +
                           " would overwrite the input; name another file");
        }
        for (const auto& [earlier, earlierIdentity] : written) {
            if (identity == earlierIdentity) {
                throw RunError(std::string(earlier.option) + " and " + destination.option +
                               " name the same file, " + destination.name + "; each needs its own");
            }
        }
        written.emplace_back(destination, identity);
    }
}

Destinations::Destinations(const Options& options, std::FILE* err) {
    if (!options.output.empty()) {
        table.emplace(options.output, err);
    }
    if (!options.summary.empty() && options.summary != "-") {
        summary.emplace(options.summary, err);
    }
    if (!options.forest.empty()) {
        plot.emplace(options.forest, err);
    }
    if (!options.funnel.empty()) {
        funnel.emplace(options.funnel, err);
    }
    if (!options.leaveOneOut.empty() && options.leaveOneOut != "-") {
        leaveOneOut.emplace(options.leaveOneOut, err);
    }
}

void Destinations::CommitAll() {
    // All are closed (written out) first: a full disk fails before any file is replaced.
    for (std::optional<outputs::OutputFile>* file :
         {&table, &summary, &plot, &funnel, &leaveOneOut}) {
        if (*file) {
            (*file)->Close();
        }
    }
    for (std::optional<outputs::OutputFile>* file :
         {&table, &summary, &plot, &funnel, &leaveOneOut}) {
        if (*file) {
            (*file)->Commit();
        }
    }
}

} // namespace tavrel::cli
