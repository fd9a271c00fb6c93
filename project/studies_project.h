#pragma once

#include "csv/csv_reader.h"

#include <array>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::project {

// A saved table of studies with its analysis: the header's names, every cell exactly as it
// was typed, and tavrel-batch's options for the analysis. On disk it is UTF-8 JSON.
inline constexpr std::string_view kFormat = "tavrel-studies";
inline constexpr int kVersion = 1;
inline constexpr std::string_view kExtension = ".tavrel";

// The options a project keeps, by tavrel-batch's long names, in the order they are written.
// The ones flagged take no value: present means on.
struct KeptOption {
    std::string_view name;
    bool flag;
};
inline constexpr std::array<KeptOption, 13> kKeptOptions = {{
    {"measure", false},
    {"method", false},
    {"test", false},
    {"level", false},
    {"label", false},
    {"by", false},
    {"mods", false},
    {"cluster", false},
    {"robust", true},
    {"trim-fill", true},
    {"funnel-contours", true},
    {"favours", false},
    {"ci", false},
}};

struct StudiesProject {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows; // each as long as `columns`
    // By option name, in kKeptOptions' order: the value as it is written on the command line
    // ("DL", "0.9", "dose,year"), or nullopt for a flag that is on. An option left out is at
    // its default.
    std::vector<std::pair<std::string, std::optional<std::string>>> options;

    // The option `name`'s entry, or null where it is at its default.
    const std::optional<std::string>* Option(std::string_view name) const;
    // Sets `name` (one of kKeptOptions) to `value`, or a flag on with nullopt, keeping the
    // order; Clear puts it back to its default.
    void SetOption(std::string_view name, std::optional<std::string> value);
    void ClearOption(std::string_view name);

    bool operator==(const StudiesProject&) const = default;
};

// A file that is not a project this version can read; the message says why in the user's
// words ("was saved by a newer version of Tavrel").
class ProjectError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads a project's text. Throws ProjectError for anything but a whole, well-formed project of
// this version: nothing is taken from a damaged one.
StudiesProject ReadProject(std::string_view text);

// The project's text: its keys in a fixed order, a row to a line, LF line endings. Throws
// ProjectError where a text is not UTF-8, which JSON cannot hold.
std::string ProjectText(const StudiesProject& project);

// The project's options as tavrel-batch's arguments ("--method=DL", "--trim-fill").
std::vector<std::string> OptionArguments(const StudiesProject& project);

// The project as the records of a table: the header, then each row.
void ForEachRecord(const StudiesProject& project,
                   const std::function<void(const csv::Record&)>& onRecord);

// Whether `path` ends in `extension` (written in lower case, ".tsv"), in any case.
bool HasExtension(std::string_view path, std::string_view extension);
// Whether `path` names a project by its extension, in any case.
bool IsProjectPath(std::string_view path);

} // namespace tavrel::project
